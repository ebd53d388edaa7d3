#include "game/entities/Sentient.h"

#include "engine/core/StringUtil.h"
#include "engine/object/Event.h"
#include "game/definitions/InventoryBase.h"
#include "game/entities/EntityServices.h"
#include "game/world/Game.h"

#include <algorithm>
#include <climits>

namespace {

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

bool Sentient::isFriendOf(const Entity* entity) const
{
    if (!entity)
        return false;
    // Two entities without covenant share the same (none).
    if (entity->getCovenantIndex() == m_covenantIndex)
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

bool Sentient::isFactionFriendly(const Entity* entity) const
{
    const auto* other = dynamic_cast<const Sentient*>(entity);
    return other && EntityServices::factionRelation(this, other) >= 3;
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
        if (!e || !(e->getMaxHealth() < 1 || e->getHealth() > 0) || e->hasFlag(kFlagUntargetable) ||
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
    // Weapon sound texts join with the item sound table.
    (void)soundType;
    return std::string();
}

// ---- Event handlers --------------------------------------------------------------------------

void Sentient::onIdentifyItemEvent(Event& event) {}

void Sentient::onUseSkillEvent(Event& event) {}

void Sentient::onUseEntityEvent(Event& event) {}

void Sentient::onAttackEvent(Event& event)
{
    if (auto* target = event.readObjectAs<Entity>())
        EntityServices::resolveHit(this, target);
}
