#include "game/entities/Projectile.h"
#include "game/entities/Torch.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Direction.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Sentient.h"
#include "game/skills/Saturate.h"
#include "game/skills/Skill.h"
#include "game/world/CombatSystem.h"
#include "game/world/EntityQueryMask.h"
#include "game/world/Game.h"

#include <algorithm>
#include <cmath>

namespace {

// Projectile hits and chaining: live entities hostile to the source.
constexpr uint32_t kHitMask = EntityQueryMask::kHostile | EntityQueryMask::kNotDead; // 0x44

constexpr float kExplosionSeconds = 2.0f;
constexpr float kDegreesToRadians = 3.14159265358979f / 180.0f;

// The vector from a position to a point expressed in the position's zone.
Vec2 vectorTo(const ZonePosition& from, const ZonePosition& to)
{
    Vec2 local = ZonePosition::getLocal(to, from);
    return Vec2(local.x - from.x, local.y - from.y);
}

void startTimer(Timer& timer, float seconds)
{
    timer.min = seconds;
    timer.max = seconds;
    timer.duration = seconds;
    timer.remaining = seconds;
    timer.running = true;
}

} // namespace

Projectile::Projectile()
{
    // Nothing stands in a projectile's way.
    setSolid(false);
    m_timers.add(&m_lifeTimer);
    m_lifeTimer.listed = true;
    m_timers.add(&m_damageTimer);
    m_damageTimer.listed = true;
    m_timers.add(&m_chainTimer);
    m_chainTimer.listed = true;
    // A fresh projectile heads its own chain.
    m_root = this;
}

Projectile::~Projectile() = default;

// ---- Loading ---------------------------------------------------------------

void Projectile::loadFromDatabase()
{
    Entity::loadFromDatabase();
    const DatabaseEntry* entry = getEntry();
    const Database* db = Database::instance();
    if (!entry || !db) {
        return;
    }
    m_speed = db->getFloat(entry, "Speed");
    float life = db->getFloat(entry, "Life");
    if (life > 0.0f) {
        startTimer(m_lifeTimer, life);
    }
    float chainTime = db->getFloat(entry, "ChainTime");
    if (chainTime > 0.0f) {
        startTimer(m_chainTimer, chainTime);
    }
    m_explosion = db->getString(entry, "Explosion");
    m_type = static_cast<int>(parseProjectileType(db->getString(entry, "ProjectileType")));
    m_maxChains = db->getInt(entry, "MaxChains");
    m_chainDistance = db->getFloat(entry, "ChainDistance");
    m_coneDegrees = db->getFloat(entry, "ConeDegrees");
    m_ringRadius = db->getFloat(entry, "StartDistance");
    m_constantDamage = db->getInt(entry, "ConstantDamage") != 0;
    m_damageTime = db->getFloat(entry, "DamageTime");
    m_startsAtTarget = db->getInt(entry, "StartsAtTarget") != 0;
    m_beamAttack = db->getInt(entry, "BeamAttack") != 0;
    std::string beam = db->getString(entry, "Beam");
    m_beamEntry = beam.empty() ? nullptr : db->findEntry(beam);
    if (db->findField(entry, "LightIntensity")) {
        m_lightFalloff = db->getFloat(entry, "LightIntensity");
    }
    m_sourceTag = db->getString(entry, "SourceTag");
    m_destTag = db->getString(entry, "DestTag");
    m_hitsEverything = db->getInt(entry, "HitsEverything") != 0;
    m_canHitTorches = db->getInt(entry, "CanHitTorches") != 0;
    m_lobSpeed = db->getFloat(entry, "LobSpeed");

    // Such a projectile never ends, or never arrives.
    const std::string& name = getEntryName();
    if ((m_type == Ring || m_type == Beam) && life <= 0.0f) {
        debugPrint(2, "Projectile %s: a ring or beam without Life never ends\n", name.c_str());
    }
    if ((m_type == Normal || m_type == Lob) && m_speed <= 0.0f) {
        debugPrint(2, "Projectile %s: a flying projectile without Speed never arrives\n", name.c_str());
    }
    playAnimation("idle", toIndex(AnimationPriority::Idle), 0, true);
}

// ---- Set-up ------------------------------------------------------------------

int Projectile::findTagOrOrigin(const Entity* entity, const std::string& tag)
{
    int point = tag.empty() ? -1 : entity->findAttachPoint(tag);
    return point >= 0 ? point : entity->findAttachPoint("origin");
}

void Projectile::setSource(Entity* source)
{
    m_source = source;
    if (source && m_type == Beam) {
        m_sourceAttachPoint = findTagOrOrigin(source, m_sourceTag);
    }
}

void Projectile::setTarget(Entity* target)
{
    m_target = target;
    if (target && m_type == Beam) {
        m_targetAttachPoint = findTagOrOrigin(target, m_destTag);
        addToHitList(target);
    }
}

void Projectile::setBeamStart(Entity* start)
{
    m_beamStart = start;
    if (start) {
        m_beamStartAttachPoint = findTagOrOrigin(start, start == m_source.get() ? m_sourceTag : m_destTag);
    }
}

void Projectile::setSkill(Skill* skill)
{
    m_skill = skill;
    m_skillDefinition = skill ? skill->getDefinition() : nullptr;
    Entity* owner = skill ? dynamic_cast<Entity*>(skill->getOwner()) : nullptr;
    m_skillOwner = owner ? owner : m_source.get();
}

Skill* Projectile::getSkill() const
{
    auto* owner = dynamic_cast<Sentient*>(m_skillOwner.get());
    if (!m_skill || !owner || !owner->holdsSkill(m_skill))
        return nullptr;
    return m_skill->getDefinition() == m_skillDefinition ? m_skill : nullptr;
}

bool Projectile::isInHitList(const Entity* entity) const
{
    return entity && std::any_of(m_hitList.begin(), m_hitList.end(),
                                 [entity](const SafePtr<Entity>& p) { return p.get() == entity; });
}

void Projectile::addToHitList(Entity* entity)
{
    if (entity && !isInHitList(entity)) {
        m_hitList.emplace_back(entity);
    }
}

ZonePosition Projectile::getAim() const
{
    if (Entity* target = m_target.get()) {
        return target->getPosition();
    }
    return m_destination;
}

void Projectile::launch()
{
    CombatSystem* combat = CombatSystem::instance();
    if (m_type == Beam && m_target && combat && m_damage.hasPositiveMax()) {
        int dealt = combat->applyDamage(m_source.get(), m_target.get(), m_damage, false, false);
        addDamageDone(dealt);
        // The source hears of what its beam dealt, as of a skill's total.
        if (Entity* source = m_source.get(); source && dealt > 0)
            source->recordSkillTotal(dealt);
    }
    if (m_type == Ring) {
        m_direction = 0;
    } else if (m_type == Lob) {
        m_lobTurnDistance = 0.5f * vec2Length(vectorTo(m_position, getAim()));
    }
    if (m_startsAtTarget) {
        setPosition(getAim());
    }
    if (m_constantDamage && m_lifeTimer.running && m_lifeTimer.duration > 0.0f) {
        m_damage.scale(1.0f / m_lifeTimer.duration);
    }
}

// ---- Step ------------------------------------------------------------------------

void Projectile::update(float dt)
{
    Entity::update(dt);
    think(dt);
}

void Projectile::addDamageDone(int amount)
{
    m_damageDone = saturate(static_cast<double>(m_damageDone) + amount);
}

void Projectile::end()
{
    m_ending = true;
    scheduleDelete(0.0f);
}

void Projectile::think(float dt)
{
    if (m_ending) {
        return;
    }
    if (m_type == Normal && !m_target) {
        end();
        return;
    }
    if (m_type == Beam && m_chainTimer.isExpired()) {
        chain();
    }
    if ((m_type == Ring || m_type == Beam) && m_lifeTimer.isExpired()) {
        end();
        return;
    }
    if (m_type == Normal || m_type == Lob) {
        move(dt);
    } else if (m_type == Ring) {
        growRing(dt);
    }
}

void Projectile::move(float dt)
{
    // An aim in no zone, or in one that is not this zone's neighbour, cannot
    // be reached: chased, it would keep the projectile in the world for ever.
    ZonePosition aim = getAim();
    if (!aim.toZone(m_position.zone)) {
        end();
        return;
    }
    float step = m_speed * dt;
    Vec2 toAim(aim.x - m_position.x, aim.y - m_position.y);
    float distance = vec2Length(toAim);
    if (step > distance) {
        hit(m_target.get());
        return;
    }
    Vec2 unit = toAim;
    vec2Normalize(unit);
    setPosition(m_position.offset(unit * step));
    m_direction = angleToDirection8(vec2Angle(unit));
    if (m_type == Lob) {
        float change = m_lobSpeed * dt;
        m_height += distance > m_lobTurnDistance ? change : -change;
    }
}

bool Projectile::isInCone(const Entity* entity) const
{
    if (m_coneDegrees <= 0.0f) {
        return true;
    }
    Vec2 aim = vectorTo(m_position, getAim());
    Vec2 toEntity = vectorTo(m_position, entity->getPosition());
    float aimLength = vec2Length(aim);
    float entityLength = vec2Length(toEntity);
    // Without a direction on either side there is no angle to refuse.
    if (aimLength <= 0.0f || entityLength <= 0.0f) {
        return true;
    }
    float cosine = (aim.x * toEntity.x + aim.y * toEntity.y) / (aimLength * entityLength);
    return cosine > std::cos(m_coneDegrees * 0.5f * kDegreesToRadians);
}

void Projectile::growRing(float dt)
{
    m_ringRadius += m_speed * dt;
    if (m_constantDamage) {
        if (m_damageTimer.running && !m_damageTimer.isExpired()) {
            return;
        }
        startTimer(m_damageTimer, m_damageTime);
        m_hitList.clear();
    }
    Entity* source = m_source.get();
    Game* game = Game::instance();
    if (!source || !game) {
        return;
    }
    std::vector<Entity*> found;
    game->getEntitiesInRange(true, m_position, source, m_ringRadius, kHitMask, found);
    // Hits may end entities; each is looked up again through a safe pointer.
    std::vector<SafePtr<Entity>> candidates(found.begin(), found.end());
    for (SafePtr<Entity>& candidate : candidates) {
        Entity* entity = candidate.get();
        if (!entity || m_ending || !isInCone(entity) || isInHitList(entity)) {
            continue;
        }
        addToHitList(entity);
        hit(entity);
    }
}

// ---- Hit ------------------------------------------------------------------------

void Projectile::hit(Entity* target)
{
    CombatSystem* combat = CombatSystem::instance();
    // The damage may kill and remove either side.
    SafePtr<Entity> targetRef(target);
    if (!m_canHitTorches && dynamic_cast<Torch*>(target)) {
        return;
    }
    if (target) {
        if (m_beamAttack) {
            spawnChainProjectile(this, this, target, false);
        } else if (combat) {
            if (m_normalAttack) {
                addDamageDone(combat->resolveHit(m_source.get(), target, nullptr, true, m_damageMultiplier));
            } else if (m_magicAttack) {
                addDamageDone(
                    combat->applyWeaponDamage(m_source.get(), target, getSkill(), m_damageMultiplier));
            } else if (m_damage.hasPositiveMax()) {
                addDamageDone(combat->applyDamage(m_source.get(), target, m_damage, false, false));
            }
        }
        target = targetRef.get();
        if (target && m_statusEffect) {
            target->addStatusEffect(m_statusEffect, m_source.get(), m_statusEffectLevel);
        }
    }
    ZonePosition at = (m_type == Ring && target) ? target->getPosition() : m_position;
    if (combat && m_radius > 0.0f && m_radiusDamage.hasPositiveMax()) {
        addDamageDone(
            combat->applyAreaDamage(m_source.get(), at, m_radius, m_radiusDamage, m_hitsEverything));
    }
    if (!m_explosion.empty()) {
        if (Game* game = Game::instance()) {
            game->spawnEntity(m_explosion, at, kExplosionSeconds);
        }
    }
    if (m_type == Ring) {
        addToHitList(targetRef.get());
    } else if (m_type == Normal || m_type == Lob) {
        end();
    }
}

// ---- Chaining ---------------------------------------------------------------------

void Projectile::chain()
{
    Projectile* root = m_root.get();
    Entity* source = m_source.get();
    Game* game = Game::instance();
    if (!root || !source || !game || m_chainDepth >= root->m_maxChains - 1 || m_chained) {
        return;
    }
    std::vector<Entity*> found;
    game->getEntitiesInRange(true, m_position, source, m_chainDistance, kHitMask, found);
    for (Entity* candidate : found) {
        if (root->isInHitList(candidate) || (!root->m_canHitTorches && dynamic_cast<Torch*>(candidate))) {
            continue;
        }
        spawnChainProjectile(root, this, candidate, true);
        m_chained = true;
        return;
    }
}

Projectile* Projectile::spawnChainProjectile(Projectile* root, Projectile* from, Entity* target, bool chain)
{
    Game* game = Game::instance();
    const Database* db = Database::instance();
    if (!root || !from || !target || !game || !db) {
        return nullptr;
    }
    const DatabaseEntry* entry = chain ? root->getEntry() : root->m_beamEntry;
    if (!entry) {
        // An entry-less beam would sit on its target for ever.
        debugPrint(2, "Projectile %s: no beam entry to spawn\n", root->getEntryName().c_str());
        return nullptr;
    }
    auto* beam = new Projectile();
    beam->setEntry(entry, entry->getName());
    beam->loadFromDatabase();
    beam->setSource(root->m_source.get());
    beam->m_skill = root->m_skill;
    beam->m_skillDefinition = root->m_skillDefinition;
    beam->m_skillOwner = root->m_skillOwner;
    beam->setBeamStart(chain ? from->m_target.get() : from);
    beam->setTarget(target);
    root->m_damage.copyTo(beam->m_damage);
    beam->m_normalAttack = root->m_normalAttack;
    beam->m_magicAttack = root->m_magicAttack;
    beam->m_statusEffect = root->m_statusEffect;
    beam->m_statusEffectLevel = root->m_statusEffectLevel;
    beam->m_radius = root->m_radius;
    root->m_radiusDamage.copyTo(beam->m_radiusDamage);
    beam->setPosition(target->getPosition());
    if (chain) {
        beam->m_root = root;
        beam->m_chainDepth = from->m_chainDepth + 1;
    }
    beam->launch();
    if (game->addEntity(beam) < 0) {
        delete beam;
        return nullptr;
    }
    root->addToHitList(target);
    return beam;
}

// ---- Clients ------------------------------------------------------------------

void Projectile::writeSnapshot(ByteBuffer& out) const
{
    if (m_type == Beam) {
        out.writeInt(uint32_t{1});
        const Entity* start = m_beamStart ? m_beamStart.get() : m_source.get();
        out.writeInt(static_cast<int32_t>(start ? start->getEntityNumber() : -1));
        out.writeInt(static_cast<int32_t>(m_beamStart ? m_beamStartAttachPoint : m_sourceAttachPoint));
        out.writeInt(static_cast<int32_t>(m_target ? m_target->getEntityNumber() : -1));
        out.writeInt(static_cast<int32_t>(m_targetAttachPoint));
        return;
    }
    out.writeInt(uint32_t{0});
    if (m_type == Lob) {
        out.writeInt(uint32_t{1});
        out.writeFloat(m_height);
    } else {
        out.writeInt(uint32_t{0});
    }
}

bool Projectile::isRelevantTo(const Entity* viewer) const
{
    if (m_type == Beam) {
        const Entity* target = m_target.get();
        const Entity* source = m_source.get();
        if ((target && target != this && isEntityRelevantToViewer(target, viewer)) ||
            (source && source != this && isEntityRelevantToViewer(source, viewer))) {
            return true;
        }
    }
    return Entity::isRelevantTo(viewer);
}

void Projectile::addRelatedEntities(std::vector<Entity*>& list) const
{
    if (m_type != Beam) {
        return;
    }
    for (Entity* related : {m_target.get(), m_source.get()}) {
        if (related && related != this && std::find(list.begin(), list.end(), related) == list.end()) {
            list.push_back(related);
            related->addRelatedEntities(list);
        }
    }
}

// ---- Spawning ----------------------------------------------------------------------

Projectile* Entity::spawnProjectile(const std::string& entryName, const StatChangeList& damage,
                                    bool normalAttack, bool magicAttack, Entity* source, Entity* target,
                                    const ZonePosition& targetPosition, const DatabaseEntry* statusEffect,
                                    int statusEffectLevel, float radius, const StatChangeList& radiusDamage,
                                    Skill* skill)
{
    const Database* db = Database::instance();
    Game* game = Game::instance();
    const DatabaseEntry* entry = db ? db->findEntry(entryName) : nullptr;
    if (!entry || !game) {
        return nullptr;
    }
    auto* projectile = new Projectile();
    projectile->setEntry(entry, entry->getName());
    projectile->loadFromDatabase();
    projectile->setSource(source);
    projectile->setTarget(target);
    projectile->setDestination(targetPosition);
    projectile->setDamage(damage);
    projectile->setRadiusDamage(radius, radiusDamage);
    projectile->setAttackKind(normalAttack, magicAttack);
    projectile->setStatusEffect(statusEffect, statusEffectLevel);
    projectile->setSkill(skill);
    if (projectile->getType() == Projectile::Beam && target) {
        projectile->setPosition(target->getPosition());
    } else if (source) {
        projectile->setPosition(source->getPosition());
    }
    projectile->setRoot(projectile);
    projectile->launch();
    if (game->addEntity(projectile) < 0) {
        delete projectile;
        return nullptr;
    }
    return projectile;
}
