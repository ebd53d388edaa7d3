#include "game/entities/Secret.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Gate.h"
#include "game/entities/Player.h"
#include "game/entities/Torch.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/World.h"

#include <vector>

Secret::Secret() = default;

Secret::~Secret() = default;

void Secret::loadFromDatabase()
{
    Entity::loadFromDatabase();
    const Database* db = Database::instance();
    if (!db || !getEntry()) {
        return;
    }
    m_secretIndex = db->getInt(getEntry(), "SecretIndex");
    if (m_secretIndex > 1) {
        m_secretIndex = 0;
    }
    m_solid = db->getInt(getEntry(), "Solid") != 0;
}

void Secret::onPlaced()
{
    if (m_secretIndex != 1) {
        return;
    }
    const World* world = World::instance();
    m_statIndex = toIndex(CharacterStat::SpecificSecrets);
    m_bitIndex = world ? world->getStartLevelIndex() : -1;
}

bool Secret::conditionsHold() const
{
    const Game* game = Game::instance();
    const GameData* data = GameData::instance();
    if (!game || !data) {
        return false;
    }
    const double hour = game->getTimeOfDay();
    if (hour >= data->rules().sunriseStart && hour <= data->rules().sunsetEnd) {
        return false;
    }
    // Shut while a story quest stands: its solved bit counts from this
    // world's base.
    const World* world = World::instance();
    const int base = world ? world->getStartLevelIndex() : 0;
    for (int i = 0; i < game->getQuestTableSize(); ++i) {
        const Quest* quest = game->getQuest(i);
        const int offset = quest && quest->definition ? quest->definition->questSolvedBit : -1;
        if (offset != -1 && offset + base != -1) {
            return false;
        }
    }
    std::vector<Entity*> near;
    game->queryEntitiesInRadius(m_position, kTorchRadius, false, near);
    bool lit = false;
    for (const Entity* entity : near) {
        const auto* torch = dynamic_cast<const Torch*>(entity);
        if (!torch || !torch->isLit()) {
            continue;
        }
        if (!torch->isRed()) {
            return false;
        }
        lit = true;
    }
    return lit;
}

bool Secret::makePassage()
{
    Game* game = Game::instance();
    World* world = World::instance();
    Level* secret = world ? world->getLevel(world->getNamedSecretLevel()) : nullptr;
    if (!game || !secret) {
        return false;
    }
    game->createLinkedGates(m_position, secret->randomPositionInArea(), Gate::kSecret);
    secret->monsterLevel = (world->getStartLevelIndex() + 1) * 25;
    return true;
}

void Secret::use(Entity* user)
{
    auto* player = dynamic_cast<Player*>(user);
    if (!player || m_statIndex < 0 || m_bitIndex < 0 || m_secretIndex != 1) {
        return;
    }
    if (m_bitIndex > kMaxBit) {
        // A world index past the stat's bits has no bit to keep.
        debugPrint(2, "Secret %s: world index %d has no bit in the secrets stat\n", getEntryName().c_str(),
                   m_bitIndex);
        return;
    }
    const uint32_t bit = 1u << m_bitIndex;
    const auto bits = static_cast<uint32_t>(player->getStat(m_statIndex));
    if ((bits & bit) != 0 || !conditionsHold() || !makePassage()) {
        return;
    }
    player->setStat(m_statIndex, static_cast<int>(bits | bit));
}
