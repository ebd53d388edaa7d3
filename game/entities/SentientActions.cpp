#include "game/entities/Sentient.h"

#include "game/covenants/Covenant.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/object/Event.h"
#include "engine/object/EventSystem.h"
#include "game/definitions/GameData.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/ItemBase.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Actor.h"
#include "game/entities/EntityServices.h"
#include "game/entities/Item.h"
#include "game/entities/ItemGround.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillListBase.h"
#include "game/world/EntityQueryMask.h"
#include "game/world/Game.h"
#include "game/world/GameClasses.h"
#include "game/world/ServerLink.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// A warp farther than this deletes the summons within kSummonsReach of the
// old place.
constexpr float kWarpNearDistance = 100.0f;
constexpr float kSummonsReach = 500.0f;

constexpr int stat(CharacterStat s)
{
    return toIndex(s);
}

} // namespace

// ---- Party ------------------------------------------------------------------------

void Sentient::setLeader(Sentient* leader, int maxPartySize)
{
    if (!leader || leader == this)
        return;
    if (static_cast<int>(leader->m_followers.size()) >= maxPartySize - 1)
        return;
    clearLeader();
    m_leader = leader;
    leader->m_followers.push_back(this);
    leader->updatePartyXpShare();
}

void Sentient::clearLeader()
{
    Sentient* old = m_leader.get();
    m_leader = nullptr;
    if (!old)
        return;
    auto it = std::find(old->m_followers.begin(), old->m_followers.end(), this);
    if (it != old->m_followers.end())
        old->m_followers.erase(it);
    old->updatePartyXpShare();
    m_partyXpShare = 1.0f;
}

void Sentient::dismissFollowers()
{
    std::vector<Sentient*> followers = std::move(m_followers);
    m_followers.clear();
    for (Sentient* f : followers)
        if (f) {
            f->m_leader = nullptr;
            f->m_partyXpShare = 1.0f;
        }
    updatePartyXpShare();
}

Sentient* Sentient::getTopLeader() const
{
    const Sentient* top = this;
    // Leader links form no cycle (setLeader refuses itself); the walk is
    // bounded all the same.
    for (int steps = 0; steps < Game::kMaxEntities && top->m_leader.get(); ++steps)
        top = top->m_leader.get();
    return const_cast<Sentient*>(top);
}

void Sentient::collectParty(std::vector<Sentient*>& list)
{
    Sentient* top = getTopLeader();
    list.push_back(top);
    for (Sentient* f : top->m_followers)
        if (f)
            list.push_back(f);
}

bool Sentient::isInPartyOf(const Entity* entity) const
{
    if (!entity)
        return false;
    const Sentient* top = getTopLeader();
    if (entity == top)
        return true;
    return std::find(top->m_followers.begin(), top->m_followers.end(), entity) != top->m_followers.end();
}

Sentient* Sentient::firstFollower() const
{
    for (Sentient* f : m_followers)
        if (f)
            return f;
    return nullptr;
}

void Sentient::alertParty(Entity* attacker)
{
    Sentient* head = m_leader.get() ? m_leader.get() : this;
    head->alert(attacker);
    std::vector<Sentient*> followers = head->m_followers;
    for (Sentient* f : followers)
        if (f)
            f->alert(attacker);
}

void Sentient::collectPartyInRange(std::vector<Sentient*>& list, float range)
{
    Sentient* leader = m_leader.get();
    Game* game = Game::instance();
    if (!leader || !game)
        return;
    std::vector<Sentient*> party;
    leader->collectParty(party);
    for (Sentient* member : party) {
        // Numbers 0 … 999; -1 (not in the table) compares as huge.
        unsigned number = static_cast<unsigned>(member->getEntityNumber());
        if (number >= static_cast<unsigned>(Game::kMaxEntities))
            continue;
        auto* found = dynamic_cast<Sentient*>(game->getEntity(static_cast<int>(number)));
        if (found && distanceToEntity(found, false) <= range)
            list.push_back(found);
    }
}

// ---- Friends and enemies ---------------------------------------------------------------

bool Sentient::isNearLifestone() const
{
    const Covenant* covenant = getCovenant();
    const Entity* stone = covenant ? covenant->getLifestone() : nullptr;
    if (!stone || stone->getEntityNumber() == -1)
        return false;
    return ZonePosition::distanceTo(m_position, stone->getPosition()) < 750.0f;
}

bool Sentient::isFriendOf(const Entity* entity) const
{
    if (!entity)
        return false;
    // The same covenant, or none for both (an index naming no covenant is none).
    if (entity->getCovenant() == getCovenant())
        return true;
    if (std::find(m_followers.begin(), m_followers.end(), entity) != m_followers.end())
        return true;
    return entity == m_leader.get();
}

bool Sentient::isEnemyOf(const Entity* entity) const
{
    if (!entity || entity == this)
        return false;
    return !isForcedEnemy(entity) && !isFriendOf(entity) && entity->getMaxHealth() != 0;
}

bool Sentient::isHostileTo(const Entity* other) const
{
    return other && other != this && !isFriendOf(other) && other->getMaxHealth() != 0;
}

bool Sentient::isFactionFriendly(const Entity* entity) const
{
    const auto* other = dynamic_cast<const Sentient*>(entity);
    return other && EntityServices::factionRelation(this, other) >= 3;
}

void Sentient::warp(const ZonePosition& position)
{
    // A long warp leaves no summons behind: those near the old place go.
    Game* game = Game::instance();
    const ZonePosition& from = getPosition();
    bool far = from.zone != position.zone ||
               std::hypot(from.x - position.x, from.y - position.y) > kWarpNearDistance;
    if (game && far) {
        std::vector<Entity*> near;
        game->getEntitiesInRange(false, from, this, kSummonsReach, EntityQueryMask::kAnyButSelf, near);
        for (Entity* e : near)
            if (auto* summon = dynamic_cast<Actor*>(e); summon && summon->getSummoner() == this)
                summon->scheduleDelete(0.0f);
    }
    Entity::warp(position);
    cancelSkillWindup();
}

// ---- Odds and ends -------------------------------------------------------------------------

void Sentient::addMoney(int amount)
{
    long long money = static_cast<long long>(m_stats.get(stat(CharacterStat::Money))) + amount;
    m_stats.set(stat(CharacterStat::Money), static_cast<int>(std::clamp<long long>(money, INT_MIN, INT_MAX)));
}

Listener* Sentient::nearestListener() const
{
    Listener* best = nullptr;
    float bestDistance = 0.0f;
    uint32_t stealthed = 1u << toIndex(EntityState::Stealthed);
    for (const SafePtr<Listener>& l : m_listeners) {
        auto* e = dynamic_cast<Entity*>(l.get());
        if (!e || !(e->getMaxHealth() < 1 || e->getHealth() > 0) || e->hasFlag(kFlagHidden) ||
            (e->getTickFlags() & stealthed))
            continue;
        if (auto* s = dynamic_cast<Sentient*>(e); s && s->isHiddenByEffect())
            continue;
        float d = distanceToEntity(e, false);
        if (!best || d < bestDistance) {
            best = e;
            bestDistance = d;
        }
    }
    return best;
}

std::string Sentient::getAttackSoundName(int soundType) const
{
    if (soundType < 0 || soundType >= kAttackSoundTypeCount)
        return std::string();
    // The weapon's own "AttackSound<type>", else the game's default.
    const std::string key = "AttackSound" + getAttackSoundTypeName(soundType);
    const int equipment = toIndex(InventoryGroupIndex::Equipment);
    const ItemBase* weapon = getItem(equipment, toIndex(EquipedLocation::HandPrimary));
    const Database* db = Database::instance();
    if (weapon && db && weapon->getItemEntry()) {
        std::string own = db->getString(weapon->getItemEntry(), key);
        if (!own.empty())
            return own;
    }
    return worldRules().attackSound[static_cast<size_t>(soundType)];
}

// ---- Timed actions ------------------------------------------------------------------------

namespace {

void queueTimer(int entityNumber, float seconds, int on)
{
    queueServerLine(ServerLine::Timer, "%d %f %d", entityNumber, static_cast<double>(seconds), on);
}

} // namespace

std::string Sentient::getAttackAnimation() const
{
    const int equipment = toIndex(InventoryGroupIndex::Equipment);
    if (getItem(equipment, toIndex(EquipedLocation::HandSecondary)))
        return "attackOneHandWithShield";
    if (const ItemBase* weapon = getItem(equipment, toIndex(EquipedLocation::HandPrimary)))
        return weapon->getItemType() == ItemType::HandBoth ? "attackTwoHand" : "attackOneHand";
    return "attack";
}

void Sentient::startAttack(Entity* target)
{
    if (!canAttack())
        return;
    Game* game = Game::instance();
    EventSystem* events = EventSystem::instance();
    const EventType* attack = getEventType(AttackEvent);
    if (target && (EntityServices::factionRelation(this, target) == 4 || target->hasFlag(kFlagHidden)))
        return;
    playAnimation(getAttackAnimation(), toIndex(AnimationPriority::Attack), 0, false);
    if (target)
        faceEntity(target);
    if (!game || !events || !attack)
        return;
    game->cancelEvents(attack, this);
    Event* event = events->newEventOfType(*attack);
    event->writeObject(target);
    game->scheduleEvent(this, event, getAnimationEventFraction("attackMarker"));
}

bool Sentient::startSkillWindup(int skillNumber, float duration, Entity* target, bool showTimer, int extra)
{
    Game* game = Game::instance();
    EventSystem* events = EventSystem::instance();
    const EventType* useSkill = getEventType(UseSkillEvent);
    if (!game || !events || !useSkill)
        return false;
    if (Event* pending = game->findEvent(useSkill, this)) {
        pending->rewind();
        if (pending->readInt() == skillNumber)
            return false;
    }
    cancelSkillWindup();
    for (EventIndex i : {UseEntityEvent, IdentifyItemEvent, CreateGateEvent, ResurrectEvent})
        if (const EventType* type = getEventType(i))
            game->cancelEvents(type, this);
    Event* event = events->newEventOfType(*useSkill);
    event->writeInt(skillNumber);
    event->writeObject(target);
    event->writeInt(extra);
    game->scheduleEvent(this, event, duration);
    if (showTimer)
        queueTimer(m_entityNumber, duration, 1);
    return true;
}

void Sentient::startIdentifyItem(ItemBase* item, float duration)
{
    startTimedEvent(IdentifyItemEvent, duration, item);
}

void Sentient::startTimedEvent(EventIndex index, float duration, SafeClass* object, int timedKind)
{
    Game* game = Game::instance();
    EventSystem* events = EventSystem::instance();
    const EventType* type = getEventType(index);
    if (!game || !events || !type || game->findEvent(type, this))
        return;
    cancelTimedActions();
    Event* event = events->newEventOfType(*type);
    event->writeObject(object);
    game->scheduleEvent(this, event, duration);
    // The client closes a resurrection wait and a gate's making by their own kinds.
    int kind = timedKind > 0 ? timedKind : 1;
    if (index == ResurrectEvent)
        kind = toIndex(TimedAction::Resurrecting);
    else if (index == CreateGateEvent)
        kind = toIndex(TimedAction::CreatingGate);
    queueTimer(m_entityNumber, duration, kind);
}

void Sentient::cancelTimedActions()
{
    cancelSkillWindup();
    Game* game = Game::instance();
    if (!game)
        return;
    for (EventIndex i : {UseEntityEvent, IdentifyItemEvent, CreateGateEvent, ResurrectEvent})
        if (const EventType* type = getEventType(i))
            game->cancelEvents(type, this);
}

void Sentient::cancelUseEntity()
{
    Game* game = Game::instance();
    if (const EventType* type = getEventType(UseEntityEvent); game && type)
        game->cancelEvents(type, this);
    queueTimer(m_entityNumber, 0.0f, 0);
}

// ---- Items and entities ----------------------------------------------------------------------

bool Sentient::dropItem(int group, int index, Entity* requester)
{
    InventoryGroup* g = getInventoryGroup(group);
    if (!g || index < 0 || index >= g->getSize())
        return false;
    auto* item = dynamic_cast<Item*>(g->getItem(index));
    if (!item || item->isNoDrop())
        return false;
    if (group == toIndex(InventoryGroupIndex::Loot) && requester &&
        requester->getClassRecord() == g_playerClass && g_playerClass) {
        if (auto* player = dynamic_cast<Sentient*>(requester))
            player->sendMessage(4, "Can't drop item!");
        return false;
    }
    if (!dropItemOnGround(item, false, false, getPosition()))
        return false;
    // The ground object owns the item now.
    (void)g->releaseItem(index);
    updateStats(false);
    return true;
}

void Sentient::dropAllEquipment()
{
    InventoryGroup* g = getInventoryGroup(toIndex(InventoryGroupIndex::Equipment));
    for (int i = 0; g && i < g->getSize(); ++i)
        dropItem(toIndex(InventoryGroupIndex::Equipment), i, nullptr);
}

void Sentient::useSkillByIndex(int tree, int index, Entity* target)
{
    SkillBase* skill = m_skillList ? m_skillList->findByTreeSlot(tree, index) : nullptr;
    if (!skill)
        return;
    // The requested target when the skill takes it, else the selected one
    // when that is valid, else none: a client's number is never trusted.
    Entity* chosen = nullptr;
    if (target && skill->acceptsFriendTarget(target))
        chosen = target;
    else if (Entity* selected = getTarget(); selected && skill->acceptsFriendTarget(selected))
        chosen = selected;
    EntityServices::useSkill(skill, this, chosen);
}

void Sentient::useEntityByNumber(int number)
{
    Game* game = Game::instance();
    // Numbers come from clients: 0 … 999 only.
    if (!game || static_cast<unsigned>(number) >= static_cast<unsigned>(Game::kMaxEntities))
        return;
    if (Entity* entity = game->getEntity(number))
        entity->use(this);
}

void Sentient::writeSnapshot(ByteBuffer& out) const
{
    static constexpr EquipedLocation kShown[] = {
        EquipedLocation::Head,         EquipedLocation::Shoulders, EquipedLocation::Chest,
        EquipedLocation::Wrists,       EquipedLocation::Hands,     EquipedLocation::Waist,
        EquipedLocation::Legs,         EquipedLocation::Feet,      EquipedLocation::HandPrimary,
        EquipedLocation::HandSecondary};
    for (EquipedLocation place : kShown) {
        const ItemBase* item = getItem(toIndex(InventoryGroupIndex::Equipment), toIndex(place));
        const DatabaseEntry* entry = item ? item->getItemEntry() : nullptr;
        out.writeInt(static_cast<int32_t>(entry ? entry->getId() : -1));
    }
}

void Sentient::onUseSkillEvent(Event& event)
{
    int skillNumber = event.readInt();
    auto* target = event.readObjectAs<Entity>();
    // The stage the wound-up use comes back at.
    int stage = event.readInt();
    int tree = skillNumber / kSkillStatsPerTree;
    SkillBase* skill =
        m_skillList ? m_skillList->findByTreeSlot(tree, skillNumber - tree * kSkillStatsPerTree) : nullptr;
    if (skill)
        EntityServices::useSkill(skill, this, target, stage, false);
}

void Sentient::onUseEntityEvent(Event& event)
{
    if (auto* entity = event.readObjectAs<Entity>())
        entity->use(this);
}

void Sentient::onIdentifyItemEvent(Event& event)
{
    if (auto* item = event.readObjectAs<ItemBase>())
        item->setIdentified(true);
}

void Sentient::onAttackEvent(Event& event)
{
    if (auto* target = event.readObjectAs<Entity>())
        EntityServices::resolveHit(this, target);
}
