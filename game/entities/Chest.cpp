#include "game/entities/Chest.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Gate.h"
#include "game/entities/Sentient.h"
#include "game/entities/Trap.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/LevelTable.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"

#include <algorithm>

namespace {

constexpr float kFadeSeconds = 5.0f;

} // namespace

Chest::Chest()
{
    m_level = 1;
}

Chest::~Chest() = default;

void Chest::loadFromDatabase()
{
    Entity::loadFromDatabase();
    const Database* db = Database::instance();
    const DatabaseEntry* entry = getEntry();
    if (!db || !entry) {
        return;
    }
    m_itemChance = db->getFloat(entry, "ItemChance");
    m_trapChance = db->getFloat(entry, "TrapChance");
    m_minItems = db->getInt(entry, "MinItems");
    m_maxItems = db->getInt(entry, "MaxItems");
    m_increasedMagicChance = db->getInt(entry, "IncreasedMagicChance");
    m_secretLevelChance = db->getFloat(entry, "SecretLevelChance");
    m_anyDirection = db->getInt(entry, "AnyDirection") != 0;
    const std::string action = db->getString(entry, "TimedAction");
    m_timedAction = action.empty() ? 0 : toIndex(parseTimedAction(action));
    m_solid = db->getInt(entry, "Solid") != 0;
}

void Chest::setTrap(const DatabaseEntry* entry)
{
    m_trap = std::make_unique<Trap>();
    m_trap->setOwner(this);
    m_trap->loadFrom(entry);
}

void Chest::setUpInLevel(int levelIndex)
{
    if (randomFloat(0) < m_trapChance) {
        const SpawnSystem* spawns = SpawnSystem::instance();
        const LevelEntry* row =
            spawns ? spawns->getLevelEntry(SpawnSystem::Traps, std::clamp(m_level, 1, 105)) : nullptr;
        if (row && row->entry) {
            setTrap(row->entry);
        }
    }
    World* world = World::instance();
    const AreaDefinition* area = world ? world->getLevelDefinition(levelIndex) : nullptr;
    if (!(area && area->secretLevel) && randomFloat(0) < m_secretLevelChance) {
        m_secretChest = true;
    }
    if (m_anyDirection) {
        m_direction = randomInt(8);
    } else if (randomFloat(0) < 0.33f) {
        m_direction = South;
    } else if (randomFloat(0) < 0.5f) {
        m_direction = SouthWest;
    } else {
        m_direction = West;
    }
}

void Chest::update(float dt)
{
    Entity::update(dt);
    if (m_closed) {
        playAnimation("closed", 2, 1, false);
        return;
    }
    if (playAnimation("open", 2, 1, false) && !m_fading) {
        m_fading = true;
        fadeOutAndDelete(this, kFadeSeconds);
    }
}

void Chest::writeSnapshot(ByteBuffer& out) const
{
    out.writeInt(static_cast<uint32_t>(m_closed ? 1 : 0));
}

bool Chest::isHostileTo(const Entity* other) const
{
    return other != this && dynamic_cast<const Sentient*>(other) != nullptr;
}

void Chest::beginUse(Entity* user)
{
    auto* sentient = dynamic_cast<Sentient*>(user);
    Game* game = Game::instance();
    if (!sentient || !game) {
        return;
    }
    const float seconds = game->getChestOpenTime(m_level, sentient->getStat(toIndex(CharacterStat::Level)));
    // The client shows the chest's own timed action ("OpeningChest").
    sentient->startTimedEvent(Sentient::UseEntityEvent, seconds, this, m_timedAction);
    if (m_trap) {
        m_trap->tryTrigger(user, seconds);
    }
}

void Chest::endUse(Entity* user)
{
    if (auto* sentient = dynamic_cast<Sentient*>(user)) {
        sentient->cancelUseEntity();
    }
    if (m_trap && m_trap->isSprung() && m_trap->getVictim() == user) {
        m_trap->cancelPending();
    }
}

bool Chest::openSecretLevel()
{
    Game* game = Game::instance();
    World* world = World::instance();
    if (!game || !world) {
        return false;
    }
    Level* here = world->getLevel(m_position.zone);
    Level* secret = here ? game->nextSecretLevel() : nullptr;
    if (!secret) {
        return false;
    }
    game->createLinkedGates(m_position, secret->randomPositionInArea(), Gate::kSecret);
    secret->monsterLevel = here->monsterLevel + 1;
    game->playSound("Sounds/secretFound.ogg", m_position, m_entityNumber, 100.0f, 0.0f);
    return true;
}

void Chest::use(Entity* user)
{
    if (!m_closed || !user) {
        return;
    }
    // A secret chest's reward is the way on; with no secret level left it gives items instead.
    const bool wayOpened = m_secretChest && openSecretLevel();
    if (const SpawnSystem* spawns = wayOpened ? nullptr : SpawnSystem::instance()) {
        spawns->dropChestItems(this, static_cast<float>(user->getStat(toIndex(CharacterStat::ItemsChance))),
                               user->getStat(toIndex(CharacterStat::ExtraMoney)),
                               user->getStat(toIndex(CharacterStat::MagicChance)));
    }
    if (!playAnimation("opening", 9, 0, false) && !m_fading) {
        m_fading = true;
        fadeOutAndDelete(this, kFadeSeconds);
    }
    m_closed = false;
    m_solid = false;
    if (Game* game = m_notifiesQuests || m_bonusChest ? Game::instance() : nullptr) {
        game->onChestOpened(this, user);
    }
}
