#include "game/covenants/Covenant.h"

#include "game/definitions/GameData.h"
#include "game/entities/Actor.h"
#include "game/entities/Recruit.h"

#include <algorithm>

void Covenant::resizeRecruitSlots(int count)
{
    recruits.resize(static_cast<size_t>(std::max(0, count)));
    recruitCount = getRecruitCount();
}

int Covenant::firstFreeRecruitSlot() const
{
    for (size_t i = 0; i < recruits.size(); ++i) {
        if (!recruits[i])
            return static_cast<int>(i);
    }
    return -1;
}

bool Covenant::hasRoomForRecruit() const
{
    const GameData* data = GameData::instance();
    return getRecruitCount() < (data ? data->rules().maxRecruits : 0);
}

int Covenant::getRecruitCount() const
{
    return static_cast<int>(std::count_if(recruits.begin(), recruits.end(),
                                          [](const std::unique_ptr<Recruit>& r) { return r != nullptr; }));
}

int Covenant::addRecruit(Actor* actor)
{
    int slot = firstFreeRecruitSlot();
    if (slot < 0)
        return -1;
    // The refresh raises the stone's health by the recruit's gain, also when
    // its maximum was last set from elsewhere (a load).
    if (lifestone.get())
        refreshedStoneMaximum = getLifestoneMaxHealth();
    auto recruit = std::make_unique<Recruit>();
    recruit->covenantIndex = index;
    recruit->attachActor(actor, false);
    recruits[static_cast<size_t>(slot)] = std::move(recruit);
    onRecruitAdded(actor);
    recruitCount = getRecruitCount();
    updateStats();
    return slot;
}

void Covenant::removeRecruit(int slot)
{
    if (slot < 0 || slot >= static_cast<int>(recruits.size()) || !recruits[static_cast<size_t>(slot)])
        return;
    // The actor stays in the world, no longer a member: the record lets it
    // go before it goes.
    recruits[static_cast<size_t>(slot)]->attachActor(nullptr, false);
    recruits[static_cast<size_t>(slot)].reset();
    recruitCount = getRecruitCount();
}

Recruit* Covenant::getRecruit(int slot) const
{
    return slot >= 0 && slot < static_cast<int>(recruits.size()) ? recruits[static_cast<size_t>(slot)].get()
                                                                 : nullptr;
}

Recruit* Covenant::findRecruitByActor(const Actor* actor) const
{
    if (!actor)
        return nullptr;
    for (const std::unique_ptr<Recruit>& recruit : recruits) {
        if (recruit && recruit->getActor() == actor)
            return recruit.get();
    }
    return nullptr;
}

Actor* Covenant::getRecruitActor(int slot) const
{
    const Recruit* recruit = getRecruit(slot);
    return recruit ? recruit->getActor() : nullptr;
}

void Covenant::updateMemberStats(const Entity* except)
{
    std::vector<Sentient*> members;
    collectMembers(members);
    for (Sentient* member : members) {
        if (member != except)
            member->updateStats(false);
    }
}

void Covenant::membersTargetAttacker(Entity* attacker)
{
    for (const std::unique_ptr<Recruit>& recruit : recruits) {
        if (Actor* actor = recruit ? recruit->getActor() : nullptr)
            actor->addTargetEntry(attacker);
    }
}

void Covenant::lifestoneAttacked(Entity* attacker, int amount)
{
    for (const std::unique_ptr<Recruit>& recruit : recruits) {
        if (Actor* actor = recruit ? recruit->getActor() : nullptr)
            actor->updateTargetEntry(attacker, static_cast<float>(amount), 1);
    }
    for (const SafePtr<Entity>& guard : guards) {
        if (Actor* actor = dynamic_cast<Actor*>(guard.get()))
            actor->updateTargetEntry(attacker, static_cast<float>(amount), 1);
    }
}

void Covenant::forgetCovenantTargets(Covenant* other)
{
    if (!other)
        return;
    for (const std::unique_ptr<Recruit>& recruit : recruits) {
        if (Actor* actor = recruit ? recruit->getActor() : nullptr)
            actor->removeTargetsOfCovenant(other->index);
    }
}
