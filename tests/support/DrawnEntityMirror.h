#pragma once

#include "client/mirrors/EntityClient.h"
#include "client/mirrors/StatusEffectClient.h"

#include <memory>
#include <vector>

// An entity mirror whose definition and animation a drawing test sets.
class DrawnEntityMirror : public EntityClient {
public:
    // As a state message starts an animation.
    using EntityClient::applyAnimation;
    void setEntry(const DatabaseEntry* entry) { m_entry = entry; }
    void setAnimationState(int animation, float time)
    {
        m_animation = animation;
        m_animationTime = time;
    }
    void addStatusEffect(const DatabaseEntry* entry)
    {
        m_effects.push_back(std::make_unique<StatusEffectClient>());
        m_effects.back()->setEntry(entry, 1, nullptr);
    }
    void setQuestSigns(bool rescued, bool delivery, bool escorted)
    {
        m_canBeRescued = rescued;
        m_canReceiveDelivery = delivery;
        m_canBeEscorted = escorted;
    }
    void setOfferedQuests(std::vector<int32_t> quests) { m_offeredQuests = std::move(quests); }
    void clearFloatingTexts() { m_floatingTexts.clear(); }
    void setNpc(bool npc, bool sentient)
    {
        m_npc = npc;
        m_sentient = sentient;
    }
};
