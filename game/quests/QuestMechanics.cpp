// What a thief, a siege and a town attack do in the world: where an attack
// gathers, the thief's round of the vendors, its thefts and its end, and the
// siege engines' bombardment.
#include "engine/core/Random.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/Localization.h"
#include "game/covenants/Covenant.h"
#include "game/covenants/StatChangeList.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameRules.h"
#include "game/definitions/Money.h"
#include "game/definitions/MonsterType.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Actor.h"
#include "game/entities/Vendor.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/NpcDisplayName.h"
#include "game/world/ServerLink.h"
#include "game/world/World.h"

#include <algorithm>

namespace {

constexpr int kNews = 3;
constexpr float kEffectSeconds = 5.0f;
const ZonePosition kNowhere{-1, 0.0f, 0.0f};

// floor(random × n), kept below n.
int drawBelow(int n)
{
    return std::min(n - 1, static_cast<int>(randomFloat() * static_cast<float>(n)));
}

std::string typeLookupName(const MonsterType* type)
{
    return type && type->getEntry() ? type->getEntry()->getName() : std::string();
}

Vendor* vendorOfType(int npcType)
{
    Game* game = Game::instance();
    const int slot = game ? game->findTownNpcIndex(npcType) : -1;
    return slot >= 0 ? dynamic_cast<Vendor*>(game->getTownNpcAt(slot)) : nullptr;
}

} // namespace

void Quest::pickTownAttackTarget()
{
    Game* game = Game::instance();
    if (!game || !definition) {
        return;
    }
    const std::string typeName = typeLookupName(getMonsterType(0));
    if (randomFloat() < definition->attackTownCenterChance) {
        const GameRules& rules = worldRules();
        const float d = definition->maxDistance;
        ZonePosition at{0, static_cast<float>(rules.townCenterCellX) * rules.gridSize,
                        static_cast<float>(rules.townCenterCellY) * rules.gridSize};
        at.x += -d + randomFloat() * 2.0f * d;
        at.y += -d + randomFloat() * 2.0f * d;
        at.normalize();
        attackPosition = at;
        sendGameMessage(wrapText("QuestTownAttackCenter", "%s", typeName.c_str()), kNews);
        return;
    }
    if (const Covenant* covenant = game->pickRandomCovenant()) {
        attackPosition = covenant->getPositionNearLifestone();
        sendGameMessage(wrapText("QuestTownAttackHouse", "%s %s", typeName.c_str(),
                                 game->getCovenantColoredName(covenant->index).c_str()),
                        kNews);
    }
}

bool Quest::isVendorOpen(NpcType npcType)
{
    Vendor* vendor = vendorOfType(toIndex(npcType));
    return vendor && vendor->hasRandomStock();
}

bool Quest::moveThief(bool winWhenNone)
{
    Entity* thief = questNpc.get();
    if (!thief) {
        return false;
    }
    std::vector<NpcType> open;
    for (NpcType t : {NpcType::VendorBasic, NpcType::VendorWeapon, NpcType::VendorArmor, NpcType::Gambler}) {
        if (isVendorOpen(t)) {
            open.push_back(t);
        }
    }
    if (open.empty()) {
        if (winWhenNone) {
            thiefWins();
            return true;
        }
        hidden = true;
        return false;
    }
    const NpcType chosen = open[static_cast<size_t>(drawBelow(static_cast<int>(open.size())))];
    npcChoice = toIndex(chosen);
    // The stand the vendor was placed at: town NPCs take the stand of their
    // slot, so the thief's free-spot search puts it beside the vendor.
    Game* game = Game::instance();
    const int slot = game ? game->findTownNpcIndex(npcChoice) : -1;
    const auto& stands = worldRules().npcPositions;
    if (slot >= 0 && slot < static_cast<int>(stands.size())) {
        thief->warp(stands[static_cast<size_t>(slot)]);
    }
    if (Vendor* vendor = vendorOfType(npcChoice); vendor && vendor != thief) {
        thief->faceTowards(vendor->getPosition(), false);
    }
    hidden = false;
    return false;
}

void Quest::thiefSteal()
{
    Vendor* vendor = vendorOfType(npcChoice);
    if (!questNpc.get() || !vendor || !definition) {
        return;
    }
    const int span = std::max(0, definition->maxItemsStolen - definition->minItemsStolen);
    const int n = definition->minItemsStolen + drawBelow(span + 1);
    int total = 0;
    const int taken = vendor->stealRandomItems(n, total);
    if (taken > 0 && total > 0) {
        sendGameMessage(wrapText("QuestThiefItemsStolen", "%d %s %s %s", taken, taken > 1 ? "s" : "",
                                 formatMoney(total).c_str(), getNpcDisplayName(vendor).c_str()),
                        kNews);
        successCount += taken;
    }
}

void Quest::thiefDisappear()
{
    Entity* thief = questNpc.get();
    Game* game = Game::instance();
    if (!thief || !game) {
        return;
    }
    if (definition && !definition->effectModelName.empty()) {
        game->spawnEntity(definition->effectModelName, thief->getPosition(), kEffectSeconds);
    }
    thief->setPosition(kNowhere);
    sendGameMessage("$$QuestThiefDisappeared$$", kNews);
    hidden = true;
}

void Quest::thiefWins()
{
    Game* game = Game::instance();
    fail();
    sendGameMessage(wrapText("QuestThiefWins", "%d %s", successCount, successCount > 1 ? "s" : ""), kNews);
    if (!game) {
        return;
    }
    const int number = id;
    game->dropQuestFromPlayers(number);
    if (number >= 0 && !game->isQuestHeldByPlayer(number)) {
        game->deleteQuest(number);
    }
}

void Quest::fireSiegeProjectiles()
{
    World* world = World::instance();
    Level* town = world && world->getLevelCount() > 0 ? world->getLevel(0) : nullptr;
    const float mult = definition ? definition->damageMult : 0.0f;
    for (const SafePtr<Entity>& slot : spawnedEntities) {
        auto* actor = dynamic_cast<Actor*>(slot.get());
        if (!actor) {
            continue;
        }
        const ZonePosition target = town ? town->randomPositionInArea() : kNowhere;
        StatChangeList damage;
        actor->buildAttackDamageList(damage);
        damage.scale(mult);
        Entity::spawnProjectile("ProjSiege", StatChangeList(), false, false, actor, nullptr, target, nullptr,
                                1, 300.0f, damage, nullptr);
    }
}

void Quest::addSpawnedEntity(Actor* actor)
{
    if (!actor) {
        return;
    }
    actor->setQuestActor(true);
    appendSpawnedEntity(actor);
}
