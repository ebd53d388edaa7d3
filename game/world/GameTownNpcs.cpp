#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/MonsterType.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/entities/Vendor.h"
#include "game/world/Game.h"

#include <algorithm>

namespace {

// Rings searched around a town NPC's stand.
constexpr int kNpcRings = 4;

bool isLiving(const Actor* actor)
{
    return actor && actor->getMaxHealth() > 0 && actor->getHealth() > 0;
}

} // namespace

Actor* Game::getTutor() const
{
    return m_tutor.get();
}

Actor* Game::makeTownNpc(int npcType, int slot)
{
    const GameData* data = GameData::instance();
    const std::string typeName = getNpcTypeName(npcType);
    MonsterType* type = data ? data->findMonsterType("Npc" + typeName) : nullptr;
    if (!type || !type->archetype) {
        debugPrint(2, "Town NPC slot %d: there is no monster type \"Npc%s\"; the slot stays empty\n", slot,
                   typeName.c_str());
        return nullptr;
    }
    // A type whose entry sets "Vendor" keeps a shop.
    const DatabaseEntry* entry = type->getEntry();
    const Database* db = Database::instance();
    Actor* actor = db && entry && db->getInt(entry, "Vendor") != 0 ? new Vendor() : new Actor();
    actor->initFromMonsterType(type, 1);
    const GameRules& rules = worldRules();
    ZonePosition stand(0, 0.0f, 0.0f);
    int facing = actor->getDirection();
    if (slot >= 0 && slot < static_cast<int>(rules.npcPositions.size())) {
        stand = rules.npcPositions[static_cast<size_t>(slot)];
        facing = rules.npcDirections[static_cast<size_t>(slot)];
    }
    ZonePosition spot = stand;
    findFreeSpotNear(stand, kNpcRings, spot, actor, true);
    actor->setPosition(spot);
    actor->setDirection(facing);
    actor->addStatusEffectByName("EnhancementTownNpc", actor, 1);
    // The enhancement raises the maximum only: townsfolk start whole.
    actor->setHealth(actor->getMaxHealth());
    if (addEntity(actor) < 0) {
        debugPrint(3, "Town NPC slot %d: the entity table is full\n", slot);
        delete actor;
        return nullptr;
    }
    return actor;
}

void Game::createTownNpc(int slot)
{
    const std::vector<std::string>& types = m_settings.npcTypes;
    if (slot < 0 || slot >= static_cast<int>(types.size())) {
        return;
    }
    if (m_townNpcs.size() < types.size()) {
        m_townNpcs.resize(types.size());
    }
    const int type = static_cast<int>(parseNpcType(types[static_cast<size_t>(slot)]));
    // The former NPC is left to the entity table.
    m_townNpcs[static_cast<size_t>(slot)] = makeTownNpc(type, slot);
}

void Game::createTownNpcs()
{
    m_townNpcs.clear();
    m_townNpcs.resize(m_settings.npcTypes.size());
    for (int i = 0; i < static_cast<int>(m_townNpcs.size()); ++i) {
        createTownNpc(i);
    }
}

std::vector<int> Game::emptyTownNpcSlots() const
{
    std::vector<int> empty;
    for (int slot = 0; slot < static_cast<int>(m_settings.npcTypes.size()); ++slot) {
        if (!getTownNpcAt(slot)) {
            empty.push_back(slot);
        }
    }
    return empty;
}

Actor* Game::getTownNpcAt(int slot) const
{
    return slot >= 0 && slot < getTownNpcCount() ? m_townNpcs[static_cast<size_t>(slot)].get() : nullptr;
}

int Game::getTownNpcType(int slot) const
{
    if (slot < 0 || slot >= static_cast<int>(m_settings.npcTypes.size())) {
        return 0;
    }
    return static_cast<int>(parseNpcType(m_settings.npcTypes[static_cast<size_t>(slot)]));
}

int Game::findTownNpcIndex(int npcType) const
{
    for (int i = 0; i < static_cast<int>(m_settings.npcTypes.size()); ++i) {
        if (getTownNpcType(i) == npcType) {
            return i;
        }
    }
    return -1;
}

Actor* Game::getTownNpc(int npcType) const
{
    return getTownNpcAt(findTownNpcIndex(npcType));
}

int Game::countLivingTownNpcs() const
{
    return static_cast<int>(std::count_if(m_townNpcs.begin(), m_townNpcs.end(),
                                          [](const SafePtr<Actor>& npc) { return isLiving(npc.get()); }));
}

Actor* Game::pickRandomTownNpc() const
{
    const int n = countLivingTownNpcs();
    if (n == 0) {
        return nullptr;
    }
    const int r = std::min(static_cast<int>(randomFloat(0) * static_cast<float>(n)), n - 1);
    int seen = 0;
    for (const SafePtr<Actor>& npc : m_townNpcs) {
        if (isLiving(npc.get()) && seen++ == r) {
            return npc.get();
        }
    }
    return nullptr;
}

void Game::levelTownNpcsTo(const Player* player)
{
    if (!player) {
        return;
    }
    const int target = player->getStat(toIndex(CharacterStat::Level));
    for (const SafePtr<Actor>& slot : m_townNpcs) {
        raiseTownNpc(slot.get(), target);
    }
}

void Game::raiseTownNpc(Actor* npc, int target)
{
    const int level = toIndex(CharacterStat::Level);
    while (npc && npc->getStat(level) < target) {
        const int before = npc->getStat(level);
        const int64_t health = npc->getHealth();
        const int64_t maximum = npc->getMaxHealth();
        npc->levelUp();
        // The same share of the new maximum, rounded up.
        const int64_t now = npc->getMaxHealth();
        npc->setHealth(maximum > 0 && health > 0 ? static_cast<int>((health * now + maximum - 1) / maximum)
                                                 : 0);
        npc->giveStartingEquipment();
        if (npc->getStat(level) <= before) {
            break; // at the level cap
        }
    }
}
