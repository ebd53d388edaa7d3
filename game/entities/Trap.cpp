#include "game/entities/Trap.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/object/ClassRecord.h"
#include "engine/object/EventSystem.h"
#include "game/covenants/StatChangeList.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Entity.h"
#include "game/entities/Projectile.h"
#include "game/entities/Torch.h"
#include "game/skills/Skill.h"
#include "game/skills/SkillDefinition.h"
#include "game/world/CombatSystem.h"
#include "game/world/Game.h"
#include "game/world/GameClasses.h"
#include "game/world/SpawnSystem.h"

#include <algorithm>

namespace {

// Tries of the spawn system's placement before a summon is given up.
constexpr int kPlacementTries = 7;

} // namespace

Trap::Trap()
{
    setClassRecord(g_trapClass);
}

Trap::~Trap()
{
    if (Game* game = Game::instance()) {
        game->cancelEventsFor(this);
    }
}

void Trap::declareEvents(ClassRecord& record)
{
    if (EventSystem* events = EventSystem::instance()) {
        s_triggerEvent = events->createEvent("Trigger");
        s_activateEvent = events->createEvent("Activate");
    }
}

void Trap::bindHandlers(ClassRecord& record)
{
    if (s_triggerEvent) {
        record.addEventHandler(s_triggerEvent->id, &Trap::onTrigger);
    }
    if (s_activateEvent) {
        record.addEventHandler(s_activateEvent->id, &Trap::onActivate);
    }
}

void Trap::loadFrom(const DatabaseEntry* entry)
{
    if (entry) {
        setEntry(entry, entry->getName());
    }
    loadFromDatabase();
}

void Trap::loadFromDatabase()
{
    const DatabaseEntry* entry = getEntry();
    const Database* db = Database::instance();
    if (!entry || !db) {
        return;
    }
    m_triggerChance = db->getFloat(entry, "TriggerChance");
    m_triggerSound = db->getString(entry, "TriggerSound");
    m_alarmSound = db->getString(entry, "AlarmSound");
    m_disarmSound = db->getString(entry, "DisarmSound");
    m_shortDelayMin = db->getFloat(entry, "ShortDelayMin");
    m_shortDelayMax = db->getFloat(entry, "ShortDelayMax");
    m_longDelayMin = db->getFloat(entry, "LongDelayMin");
    m_longDelayMax = db->getFloat(entry, "LongDelayMax");
    m_groundTrapDelayMult = db->getFloat(entry, "GroundTrapDelayMult");
    m_dudChance = db->getFloat(entry, "DudChance");
    m_longDelayChance = db->getFloat(entry, "LongDelayChance");
    m_alarmChance = db->getFloat(entry, "AlarmChance");
    m_alarmRange = db->getFloat(entry, "AlarmRange");
    m_silent = db->getInt(entry, "Silent") != 0;
    m_skill.reset();
    const std::string skillName = db->getString(entry, "Skill");
    if (!skillName.empty()) {
        const GameData* data = GameData::instance();
        const SkillDefinition* definition = data ? data->findSkillDefinition(skillName) : nullptr;
        if (!definition) {
            debugPrint(2, "Trap %s: unknown skill \"%s\"\n", entry->getName().c_str(), skillName.c_str());
            return;
        }
        m_skill = std::make_unique<Skill>();
        m_skill->setDefinition(definition);
        m_skill->setOwner(m_owner.get());
    }
}

int Trap::getLevel() const
{
    const Entity* owner = m_owner.get();
    return owner ? owner->getStat(10) : 0;
}

bool Trap::tryTrigger(Entity* victim, float maxDelay)
{
    // A disarmed trap is finished without being sprung: it stays quiet too.
    if (!victim || m_sprung || m_finished) {
        return false;
    }
    if (randomFloat(0) >= m_triggerChance) {
        return false;
    }
    cancelPending();
    schedule(s_triggerEvent, randomFloat(0) * maxDelay);
    m_victim = victim;
    return true;
}

void Trap::cancelPending()
{
    if (Game* game = Game::instance()) {
        game->cancelEvents(s_triggerEvent, this);
        game->cancelEvents(s_activateEvent, this);
    }
}

void Trap::schedule(const EventType* type, float delay)
{
    Game* game = Game::instance();
    EventSystem* events = EventSystem::instance();
    if (!game || !events || !type) {
        return;
    }
    game->scheduleEvent(this, events->newEventOfType(*type), delay);
}

void Trap::playAtOwner(const std::string& sound) const
{
    Entity* owner = m_owner.get();
    if (owner && !sound.empty()) {
        owner->playSound(sound);
    }
}

void Trap::onTrigger(Event& event)
{
    Entity* owner = m_owner.get();
    if (!owner) {
        return;
    }
    // A victim gone before the trigger disarms nothing; the trap still goes.
    Entity* victim = m_victim.get();
    const int disarm = victim ? victim->getStat(toIndex(CharacterStat::DisarmTrap)) : 0;
    if (disarm != 0) {
        const float chance = std::clamp((disarm - getLevel()) * 0.05f + 0.5f, 0.0f, 1.0f);
        if (randomFloat(0) < chance) {
            playAtOwner(m_disarmSound);
            victim->trapDisarmed(owner);
            m_finished = true;
            return;
        }
    }
    if (!m_silent) {
        playAtOwner(m_triggerSound);
    }
    m_sprung = true;
    if (randomFloat(0) < m_dudChance) {
        m_finished = true;
        return;
    }
    const bool useLong = randomFloat(0) < m_longDelayChance;
    const float lo = useLong ? m_longDelayMin : m_shortDelayMin;
    const float hi = useLong ? m_longDelayMax : m_shortDelayMax;
    float delay = lo + randomFloat(0) * (hi - lo);
    if (m_onGround) {
        delay *= m_groundTrapDelayMult;
    }
    schedule(s_activateEvent, std::max(0.0f, delay));
}

Trap::Action Trap::getAction() const
{
    const SkillDefinition* definition = m_skill ? m_skill->getDefinition() : nullptr;
    if (!definition) {
        return Action::None;
    }
    if (definition->monstersToSpawn > 0 || definition->minMonstersToSpawn > 0 ||
        definition->maxMonstersToSpawn > 0) {
        return Action::Summon;
    }
    if (definition->windDistance > 0.0f && definition->windPower > 0.0f) {
        return Action::Wind;
    }
    if (definition->explosion) {
        return Action::Area;
    }
    return Action::Projectile;
}

bool Trap::act(Entity* owner, Entity* victim)
{
    const SkillDefinition* definition = m_skill ? m_skill->getDefinition() : nullptr;
    if (!definition) {
        return false;
    }
    m_skill->setOwner(owner);
    const int level = m_skill->getLevel();
    const ZonePosition at = owner->getPosition();
    switch (getAction()) {
    case Action::Summon: {
        const SpawnSystem* spawns = SpawnSystem::instance();
        const GameData* data = GameData::instance();
        if (!spawns) {
            return false;
        }
        const int count = m_skill->rollSummonCount();
        const int monsterLevel = std::max(1, getLevel());
        for (int i = 0; i < count; ++i) {
            const MonsterType* type = (definition->monsterType && data)
                                          ? data->findMonsterTypeByEntryId(definition->monsterType->getId())
                                          : nullptr;
            Actor* summon = type ? spawns->spawnMonster(type, at.zone, MonsterRarity::Normal, monsterLevel)
                                 : spawns->spawnMonster(at.zone, MonsterRarity::Normal, monsterLevel);
            if (!summon) {
                continue;
            }
            bool stands = false;
            for (int tries = 0; tries < kPlacementTries && !stands; ++tries) {
                stands = spawns->placeMonster(summon, at, nullptr);
            }
            if (!stands) {
                delete summon;
                break;
            }
            if (victim) {
                summon->updateTargetEntry(victim, 1.0f, 0);
            }
        }
        return false;
    }
    case Action::Wind:
        Torch::extinguishNear(at, definition->windDistance, definition->windPower);
        return false;
    case Action::Area:
        if (CombatSystem* combat = CombatSystem::instance()) {
            combat->applyAreaDamageOfType(definition->getExplosionDamage(level), owner, at,
                                          definition->getExplosionRange(level),
                                          definition->explosionDamageType);
        }
        return false;
    case Action::Projectile: {
        if (!victim || definition->projectile.empty()) {
            return false;
        }
        StatChangeList damage;
        definition->addProjectileDamage(damage, level);
        StatChangeList area;
        definition->addRadiusDamage(area, level);
        const DatabaseEntry* effect =
            definition->projStatusEffect ? m_skill->getStatusEffectEntry() : nullptr;
        Projectile* projectile = Entity::spawnProjectile(
            definition->projectile, damage, definition->projNormalAttack, definition->projMagicAttack, owner,
            victim, at, effect, level, definition->getProjectileRadius(level), area, m_skill.get());
        m_launched = projectile;
        return projectile != nullptr;
    }
    case Action::None:
        break;
    }
    return false;
}

void Trap::onActivate(Event& event)
{
    Entity* owner = m_owner.get();
    if (!owner) {
        return;
    }
    SafePtr<Trap> self(this);
    Entity* victim = m_victim.get();
    const bool launched = act(owner, victim);
    if (!self.get()) {
        return;
    }
    owner = m_owner.get();
    if (owner && randomFloat(0) < m_alarmChance) {
        playAtOwner(m_alarmSound);
        if (Game* game = Game::instance()) {
            game->emitHeardSound(owner, m_victim.get(), m_alarmRange);
        }
    }
    if (launched) {
        m_acted = true;
    } else {
        m_finished = true;
    }
}
