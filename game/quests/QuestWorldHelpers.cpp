// How a quest reaches into the world: taking its things out again, quest
// items on the ground, the spawn entry of its monster, escorts through gates
// and the comparisons the Game's table asks for.
#include "engine/core/Random.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Entity.h"
#include "game/entities/Item.h"
#include "game/entities/ItemGround.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/quests/QuestWorld.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"

#include <algorithm>
#include <cmath>

namespace {

AreaDefinition* areaOfLevel(int levelIndex)
{
    World* world = World::instance();
    Level* level = world && levelIndex >= 0 ? world->getLevel(levelIndex) : nullptr;
    return level ? level->definition : nullptr;
}

} // namespace

void Quest::removeFromWorld()
{
    if (isAny({QuestType::UniqueMonsterSpotted, QuestType::RescueNpc, QuestType::Delivery,
               QuestType::GhostRevenge, QuestType::Revenge, QuestType::Escort, QuestType::MonsterQuest,
               QuestType::MonsterScout, QuestType::Meeting}) &&
        (questNpc || secondNpc)) {
        dismissNpcs();
    }
    // An affliction outlives no quest: nothing could cure it any more, and
    // the world save keeps no status effects of the townsfolk.
    cureAfflicted();
    removeSpawnEntry();
    Game* game = Game::instance();
    if (invalid && definition && !definition->nextQuest.empty() && game) {
        game->generateFollowUpQuest(definition->nextQuestType());
    }
    if (is(QuestType::Recruit) && game) {
        game->clearActorCovenantQuests();
    }
}

void Quest::cureAfflicted()
{
    if (!definition || !definition->statusEffect) {
        return;
    }
    if (isAny({QuestType::DeadlyPoison, QuestType::Petrify})) {
        if (Sentient* npc = dynamic_cast<Sentient*>(questNpc.get())) {
            npc->endStatusEffectsOf(definition->statusEffect);
        }
    } else if (is(QuestType::Plague)) {
        for (Carrier& carrier : carriers) {
            Sentient* body = dynamic_cast<Sentient*>(carrier.entity.get());
            if (body && !body->isDead()) {
                body->endStatusEffectsOf(definition->statusEffect);
            }
        }
    }
}

void Quest::addSpawnEntry()
{
    // Entry ids are quest number + 1, 0 marking a free entry. A quest is set
    // up before the table numbers it, so its entry waits for the number.
    m_spawnEntryWanted = true;
    const Game* game = Game::instance();
    if (!game || game->getQuest(id) != this) {
        return;
    }
    if (m_spawnEntryAdded || !definition || definition->monsterSpawnChanceMult <= 0.0f || !monsterType) {
        return;
    }
    AreaDefinition* area = areaOfLevel(targetLevel);
    if (!area) {
        return;
    }
    const float weight = monsterType->archetype ? monsterType->archetype->spawnWeight : 0.0f;
    area->addSpawnEntry(monsterType, weight * definition->monsterSpawnChanceMult, id + 1);
    m_spawnEntryAdded = true;
    m_spawnEntryLevel = targetLevel;
    m_spawnEntryId = id + 1;
}

void Quest::onNumbered()
{
    if (m_spawnEntryWanted) {
        addSpawnEntry();
    }
    if (m_covenantCopyWanted) {
        m_covenantCopyWanted = false;
        if (Game* game = Game::instance(); game && !invalid && !failed) {
            game->copyQuestToActorCovenants(this);
        }
    }
}

void Quest::removeSpawnEntry()
{
    // Only the entry this quest added: another quest's stays.
    m_spawnEntryWanted = false;
    if (!m_spawnEntryAdded) {
        return;
    }
    if (AreaDefinition* area = areaOfLevel(m_spawnEntryLevel)) {
        area->removeSpawnEntry(m_spawnEntryId);
    }
    m_spawnEntryAdded = false;
}

// ---- Quest items ----------------------------------------------------------------

void Quest::placeQuestItems()
{
    if (!itemsPending) {
        return;
    }
    World* world = World::instance();
    Level* levelRecord = world && targetLevel >= 0 ? world->getLevel(targetLevel) : nullptr;
    if (!levelRecord || questworld::levelName(targetLevel).empty()) {
        return;
    }
    // An unbuilt level has no free ground: the items wait for it to be
    // built (onPlayerEnteredLevel), or none would be placed at all.
    if (!world->isLevelLoaded(targetLevel)) {
        return;
    }
    if (isAny({QuestType::LevelQuestItem, QuestType::PoisonedSupply, QuestType::ArmorsmithLevelQuestItem,
               QuestType::WeaponsmithLevelQuestItem, QuestType::StoryTurenGraves,
               QuestType::StoryCiglioFindItem})) {
        const DatabaseEntry* entry = definition ? definition->defaultItem : nullptr;
        if (!entry) {
            entry = questworld::areaQuestItem(targetLevel);
        }
        const int count =
            static_cast<int>(std::floor(static_cast<float>(goal) * (1.25f + 0.75f * randomFloat())));
        // A spot amid walls with no free ground near it is drawn again, so
        // the level holds every item counted.
        constexpr int kSpotTries = 16;
        for (int i = 0; entry && i < count; ++i) {
            auto item = std::make_unique<Item>();
            item->setItemEntry(entry);
            item->generate();
            for (int attempt = 0; item && attempt < kSpotTries; ++attempt) {
                const ZonePosition spot = levelRecord->randomPositionInArea();
                if (ItemGround* ground = dropItemOnGround(item.get(), true, true, spot)) {
                    item.release();
                    appendSpawnedEntity(ground);
                }
            }
        }
    }
    itemsPending = false;
}

void Quest::removeQuestItems()
{
    Game* game = Game::instance();
    for (SafePtr<Entity>& slot : spawnedEntities) {
        if (Entity* entity = slot.get(); entity && game) {
            game->deleteEntity(entity, false);
        }
        slot = nullptr;
    }
    spawnedEntities.clear();
    spawnedCount = 0;
}

void Quest::appendSpawnedEntity(Entity* entity)
{
    if (!entity) {
        return;
    }
    ++spawnedCount;
    for (SafePtr<Entity>& slot : spawnedEntities) {
        if (!slot) {
            slot = entity;
            return;
        }
    }
    spawnedEntities.emplace_back(entity);
}

void Quest::onPlayerEnteredLevel()
{
    Game* game = Game::instance();
    if (itemsPending) {
        const Player* player = game ? game->getFirstPlayer() : nullptr;
        if (player && player->hasQuest(id)) {
            placeQuestItems();
        }
        return;
    }
    populatePendingBlock();
}

void Quest::populatePendingBlock()
{
    if (pendingBlock == -1 || questworld::levelName(targetLevel).empty()) {
        return;
    }
    if (Game* game = Game::instance()) {
        SpawnSystem* spawns = SpawnSystem::instance();
        const bool allowed = spawns && spawns->placesInUnbuiltLevels();
        if (spawns) {
            spawns->setPlaceInUnbuiltLevels(true);
        }
        // The block's uniques are this quest's, not quests of their own.
        {
            Game::QuestPlacing placing(game);
            game->populateAreaBlockOnce(targetLevel, pendingBlock);
        }
        if (spawns) {
            spawns->setPlaceInUnbuiltLevels(allowed);
        }
    }
    pendingBlock = -1;
}

// ---- Comparisons ----------------------------------------------------------------

bool Quest::isDuplicateOf(const Quest& other) const
{
    if (isComplete() || failed || type != other.type) {
        return false;
    }
    if (isAny({QuestType::PoisonedSupply, QuestType::DeadlyPoison, QuestType::Petrify,
               QuestType::Kidnapping})) {
        return npcChoice == other.npcChoice;
    }
    if (isAny({QuestType::MonsterQuestItem, QuestType::GhostRevenge, QuestType::Revenge,
               QuestType::ArmorsmithMonsterQuestItem, QuestType::WeaponsmithMonsterQuestItem})) {
        return getMonsterType(0) == other.getMonsterType(0);
    }
    if (isAny({QuestType::LevelQuestItem, QuestType::ClearLevel, QuestType::ScoutLocation,
               QuestType::ArmorsmithLevelQuestItem, QuestType::WeaponsmithLevelQuestItem})) {
        return targetLevel == other.targetLevel;
    }
    return true;
}

bool Quest::usesMonsterType(const MonsterType* type) const
{
    if (isAny({QuestType::BossKnight, QuestType::BossLord, QuestType::BossPrince, QuestType::BossKing,
               QuestType::UniqueMonsterSpotted, QuestType::Assassin, QuestType::GhostRevenge,
               QuestType::Revenge, QuestType::Kidnapping, QuestType::StoryKillTurenScout,
               QuestType::StoryKillShankarPartner, QuestType::StoryKillCiglioGuard,
               QuestType::StoryKillDraaienMage})) {
        return monsterType == type;
    }
    if (isAny({QuestType::KillMonsterGroup, QuestType::StoryShankarLuteKefah, QuestType::Meeting})) {
        return std::any_of(targets.begin(), targets.end(),
                           [type](const QuestTarget& t) { return t.monsterType == type; });
    }
    return false;
}

Quest* Quest::findLeadingUniqueMonsterQuest()
{
    const Game* game = Game::instance();
    Quest* leading = nullptr;
    for (int i = 0; game && i < game->getQuestTableSize(); ++i) {
        Quest* quest = game->getQuest(i);
        if (!quest || quest->level == -1 || !quest->is(QuestType::UniqueMonsterSpotted) ||
            !quest->monsterType || !quest->monsterType->questUnique) {
            continue;
        }
        if (!leading || quest->successCount > leading->successCount) {
            leading = quest;
        }
    }
    return leading;
}

bool Quest::isCarrier(const Entity* entity) const
{
    return entity && std::any_of(carriers.begin(), carriers.end(),
                                 [entity](const Carrier& c) { return c.entity.get() == entity; });
}

void Quest::followWarp(Player* player, const ZonePosition& oldPosition, const ZonePosition& newPosition)
{
    if (!is(QuestType::Escort) || !player || !questNpc || !player->hasQuest(id)) {
        return;
    }
    Entity* npc = questNpc.get();
    const ZonePosition& at = npc->getPosition();
    if (at.zone != oldPosition.zone) {
        return;
    }
    const float dx = at.x - oldPosition.x;
    const float dy = at.y - oldPosition.y;
    if (dx * dx + dy * dy <= 300.0f * 300.0f) {
        Entity::teleportNear(npc, newPosition);
    }
}

bool Quest::acceptsItem(const Item* item) const
{
    if (!item) {
        return false;
    }
    const Quest* quest = this;
    if (quest->isPlayerCopy()) {
        // A quest item stands for the entry it carries.
        const DatabaseEntry* entry = item->getLinkedEntry() ? item->getLinkedEntry() : item->getItemEntry();
        if (!const_cast<Quest*>(quest)->isQuestItem(entry)) {
            return false;
        }
        quest = quest->getGameQuest();
    }
    return quest != nullptr;
}

bool Quest::takeSourceLevelAndSeed(QuestBase* source)
{
    if (!source) {
        return false;
    }
    level = source->level;
    seed = source->seed;
    rollChoices(false);
    return true;
}

bool Quest::syncTargetToLevel(int levelIndex)
{
    if (levelIndex < 0) {
        return false;
    }
    const World* world = World::instance();
    if (world && levelIndex < world->getLevelCount()) {
        level = world->getLevelMonsterLevel(levelIndex);
    } else {
        level = 1;
    }
    const int tries = definition ? definition->maxSyncTries : 0;
    for (int i = 0; i < tries; ++i) {
        seed = Random::next(1);
        rollChoices(false);
        targetLevel = -1;
        secondTargetLevel = -1;
        computeTargetLevels();
        if (targetLevel == levelIndex) {
            return true;
        }
    }
    return false;
}

// ---- Meetings and reward items ---------------------------------------------------------

void Quest::checkMeetingWar()
{
    Game* game = Game::instance();
    if (!is(QuestType::Meeting) || !game || targets.empty()) {
        return;
    }
    for (const QuestTarget& t : targets) {
        if (t.count < t.needed) {
            return;
        }
    }
    game->generateQuests(toIndex(QuestType::War), this, -1);
}

void Quest::endMeeting()
{
    Game* game = Game::instance();
    if (!game) {
        return;
    }
    auto alive = [](const Entity* e) { return e && e->getHealth() > 0 && e->getMaxHealth() > 0; };
    if (alive(questNpc.get())) {
        game->generateQuests(toIndex(QuestType::WarAgainstBarbarians), this, -1);
    }
    const auto* second = dynamic_cast<const Actor*>(secondNpc.get());
    if (alive(second) && !targets.empty() && second->getMonsterType()) {
        MonsterType* first = targets[0].monsterType;
        targets[0].monsterType = const_cast<MonsterType*>(second->getMonsterType());
        game->generateQuests(toIndex(QuestType::WarAgainstBarbarians), this, -1);
        targets[0].monsterType = first;
    }
    dismissNpcs();
    fail();
    const int number = id;
    game->dropQuestFromPlayers(number);
    game->deleteQuestIfUnheld(number);
}

void Quest::dropRewardItem(Player* player)
{
    const SpawnSystem* spawns = SpawnSystem::instance();
    if (!player || !definition || !spawns) {
        return;
    }
    auto suits = [this](ItemType kind) {
        const int t = static_cast<int>(kind);
        if (definition->armorReward) {
            return (t >= 4 && t <= 7) || t == 14 || t == 15;
        }
        return t >= 8 && t <= 13;
    };
    const float chance = static_cast<float>(definition->magicChance) / 100.0f;
    for (float threshold : {chance, 0.0f}) {
        for (int i = 0; i < std::max(1, definition->maxItemGenerationTries); ++i) {
            std::unique_ptr<Item> item = spawns->createRandomItem(
                level, definition->magicChance, -1, -1, -1.0f, -1, false, 0, nullptr, ItemRarity::Normal);
            if (!item || !suits(item->getItemType())) {
                continue;
            }
            // A plain item stays only by the draw; a magic one always.
            if (item->getRarity() == ItemRarity::Normal && randomFloat() < threshold) {
                continue;
            }
            item->generate();
            if (dropItemOnGround(item.get(), false, true, player->getPosition())) {
                item.release();
            }
            return;
        }
        if (threshold <= 0.0f) {
            break;
        }
    }
}
