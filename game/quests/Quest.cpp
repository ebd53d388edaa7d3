#include "game/quests/Quest.h"

#include "game/definitions/GameData.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Entity.h"
#include "game/entities/Player.h"
#include "game/quests/QuestDefinition.h"
#include "game/quests/QuestWorld.h"
#include "game/world/Game.h"
#include "game/world/World.h"

#include <algorithm>

Quest::Quest(bool playerCopy) : m_playerCopy(playerCopy)
{
    reset();
}

Quest::~Quest() = default;

void Quest::onReset()
{
    questNpc = nullptr;
    multiplier = 1.0f;
    successCount = 0;
    gateHealth = 1.0f;
    carriersPending = false;
    spawnedCount = 0;
    hidden = false;
    itemsPending = false;
    pendingBlock = -1;
    fromSourceQuest = false;
    thiefEffect = nullptr;
    meetingDisturbed = false;
    m_spawnEntryWanted = false;
    m_spawnEntryAdded = false;
    m_covenantCopyWanted = false;
}

GameBase* Quest::getGameBase() const
{
    return Game::instance();
}

// ---- Town NPCs ------------------------------------------------------------------

namespace {
Actor* townNpc(int slot)
{
    const Game* game = Game::instance();
    return game ? game->getTownNpcAt(slot) : nullptr;
}
} // namespace

int Quest::getNpcCount() const
{
    const Game* game = Game::instance();
    return game ? game->getTownNpcCount() : 0;
}

std::string Quest::getNpcNameAt(int index) const
{
    Actor* npc = townNpc(index);
    return npc ? npc->getName() : std::string();
}

NpcType Quest::getNpcType(int index) const
{
    Actor* npc = townNpc(index);
    return npc ? static_cast<NpcType>(npc->getNpcType()) : NpcType::None;
}

// ---- Life cycle -----------------------------------------------------------------

Quest* Quest::getGameQuest() const
{
    if (!m_playerCopy) {
        return const_cast<Quest*>(this);
    }
    Game* game = Game::instance();
    Quest* found = game ? game->getQuest(id) : nullptr;
    // The table holds no copies; a copy found there would be a fault.
    return found && !found->isPlayerCopy() ? found : nullptr;
}

Entity* Quest::getQuestEntity() const
{
    const Quest* owner = getGameQuest();
    return owner ? owner->questNpc.get() : nullptr;
}

void Quest::dismissNpcs()
{
    if (Entity* npc = questNpc.get()) {
        Entity::fadeOutAndDelete(npc, 5.0f);
    }
    if (Entity* npc = secondNpc.get()) {
        Entity::fadeOutAndDelete(npc, 5.0f);
    }
    questNpc = nullptr;
    secondNpc = nullptr;
}

bool Quest::isExpired() const
{
    if (level == -1 || failed || isComplete() || !definition) {
        return false;
    }
    Game* game = Game::instance();
    if (!game) {
        return false;
    }
    if (is(QuestType::Recruit)) {
        for (const Player* player : game->getPlayers()) {
            for (int s = 0; player && s < Player::kQuestSlots; ++s) {
                const Quest* slot = player->getQuest(s);
                if (slot && slot->isInUse() && slot->id == id && slot->isComplete()) {
                    return false;
                }
            }
        }
    }
    return definition->maxTime > 0.0f && deadline < game->getClock();
}

void Quest::finish()
{
    if (!open || level == -1) {
        return;
    }
    if (!m_playerCopy && is(QuestType::TreasureMap)) {
        return;
    }
    if (isAny({QuestType::LevelQuestItem, QuestType::PoisonedSupply, QuestType::ArmorsmithLevelQuestItem,
               QuestType::WeaponsmithLevelQuestItem, QuestType::StoryTurenGraves,
               QuestType::StoryCiglioFindItem})) {
        removeQuestItems();
    }
    if (m_playerCopy) {
        reset();
        return;
    }
    open = false;
    const bool endsOnCompletion =
        isAny({QuestType::RescueNpc, QuestType::Delivery, QuestType::GhostRevenge, QuestType::Revenge,
               QuestType::Escort, QuestType::Recruit, QuestType::Kidnapping});
    if (failed || (isComplete() && endsOnCompletion)) {
        // The Game keeps the object until no walk of its table runs.
        if (Game* game = Game::instance()) {
            game->deleteQuest(id);
        }
    }
}

void Quest::fail()
{
    if (failed) {
        return;
    }
    failed = true;
    if (!m_playerCopy && definition && !definition->nextQuest.empty()) {
        if (Game* game = Game::instance()) {
            game->generateQuests(definition->nextQuestType(), nullptr, -1);
        }
    }
}

bool Quest::isRescueNpc(const Entity* entity) const
{
    return entity && !isComplete() && !failed &&
           isAny({QuestType::RescueNpc, QuestType::Kidnapping, QuestType::StoryShankarRescue}) &&
           entity == getQuestEntity();
}

bool Quest::isDeliveryNpc(const Entity* entity) const
{
    return entity && !isComplete() && !failed && is(QuestType::Delivery) && entity == getQuestEntity();
}

bool Quest::isEscortNpc(const Entity* entity) const
{
    return entity && !isComplete() && !failed && is(QuestType::Escort) && entity == getQuestEntity();
}

void Quest::updateProgress()
{
    if (level == -1) {
        return;
    }
    if (!m_playerCopy) {
        // Each caller runs it for the quest's one event: without targets
        // that event is the goal.
        progress =
            targets.empty()
                ? goal
                : static_cast<int>(std::count_if(targets.begin(), targets.end(),
                                                 [](const QuestTarget& t) { return t.count >= t.needed; }));
        return;
    }
    const Quest* owner = getGameQuest();
    if (!owner) {
        return;
    }
    // Kills counted on the copy are kept.
    progress = std::max(progress, owner->progress);
    for (size_t i = 0; i < targets.size() && i < owner->targets.size(); ++i) {
        targets[i].count = std::max(targets[i].count, owner->targets[i].count);
    }
    failed = owner->failed;
}

bool Quest::isGivenBy(NpcType npcType, Entity* entity) const
{
    if (is(QuestType::MonsterQuest)) {
        return entity && entity == getQuestEntity();
    }
    if (!definition || npcType == NpcType::None || npcType != definition->returnNpcType) {
        return false;
    }
    if (definition->returnNpcType == NpcType::OneShot) {
        return entity && entity == getQuestEntity();
    }
    return true;
}

// ---- Prerequisites ----------------------------------------------------------------

namespace {
bool townHasLivingNpcOfType(const Quest& quest, NpcType type)
{
    for (int s = 0; s < quest.getNpcCount(); ++s) {
        Actor* npc = townNpc(s);
        if (npc && static_cast<NpcType>(npc->getNpcType()) == type) {
            const bool dead = npc->getMaxHealth() > 0 && npc->getHealth() < 1;
            if (!dead) {
                return true;
            }
        }
    }
    return false;
}
} // namespace

bool Quest::checkPrerequisites()
{
    if (!definition) {
        return false;
    }
    if (definition->minLevel > 0 && level < definition->minLevel) {
        return false;
    }
    if (definition->minGameTime > 0.0f) {
        const Game* game = Game::instance();
        const double seconds = game ? game->getClock().toSeconds() : 0.0;
        if (seconds < static_cast<double>(definition->minGameTime)) {
            return false;
        }
    }
    if (definition->hasWorldLevel && getTargetLevel() < 0) {
        return false;
    }
    if (definition->hasDestWorldLevel && getSecondTargetLevel() < 0) {
        return false;
    }
    if (definition->aboveGroundOnly && questworld::isBelowGround(getTargetLevel())) {
        return false;
    }
    if (definition->needNpcType != NpcType::None && !townHasLivingNpcOfType(*this, definition->needNpcType)) {
        return false;
    }
    return true;
}

void Quest::setUpFromEntity(Entity* entity)
{
    if (level == -1 || m_playerCopy) {
        return;
    }
    Game* game = Game::instance();
    const bool duplicate = game && !definition->duplicatesAllowed && game->hasDuplicateQuest(*this);
    if (duplicate || !checkPrerequisites() || !entity) {
        invalid = true;
        return;
    }
    if (is(QuestType::UniqueMonsterSpotted)) {
        Actor* actor = dynamic_cast<Actor*>(entity);
        MonsterType* type = actor ? const_cast<MonsterType*>(actor->getMonsterType()) : nullptr;
        if (!type) {
            invalid = true;
            return;
        }
        actor->setQuestActor(true);
        questNpc = actor;
        if (game && game->isMonsterTypeUsedByQuest(type)) {
            invalid = true;
            return;
        }
        monsterType = type;
    }
    if (definition->hasUniqueMonster) {
        const World* world = World::instance();
        if (!world || !world->levelAllowsUniqueMonsters(getTargetLevel())) {
            invalid = true;
        }
    }
}
