#include "game/entities/Actor.h"

#include "engine/core/DebugSystem.h"
#include "engine/object/Event.h"
#include "game/ai/BehaviorBase.h"
#include "game/ai/BehaviorStack.h"

// The owner side of the behaviours: one list per actor, at most one of them
// current. The list changes only here in setBehaviors/clearBehaviors and in
// the destructor; every walk below goes by index, so a stop or start that
// fires a notification (a warp fires Move) re-enters safely.

void Actor::clearBehaviors()
{
    if (BehaviorBase* current = m_currentBehavior) {
        current->stop();
        m_currentBehavior = nullptr;
    }
    m_behaviors.clear();
}

void Actor::setBehaviors(const BehaviorStack& stack)
{
    // A second set replaces the first rather than running beside it.
    clearBehaviors();
    stack.createInstances(this, m_behaviors);
}

int Actor::getCurrentBehaviorType() const
{
    return m_currentBehavior ? m_currentBehavior->getType() : -1;
}

void Actor::thinkBehaviors(float dt)
{
    for (size_t i = 0; i < m_behaviors.size(); ++i) {
        if (BehaviorBase* behavior = m_behaviors[i].get()) {
            behavior->getTimers().update(dt);
        }
    }
    selectBehavior();
    // A start may have killed the owner.
    if (m_currentBehavior && !isDead()) {
        m_currentBehavior->update(dt);
    }
}

void Actor::selectBehavior()
{
    if (m_currentBehavior && m_currentBehavior->isUninterruptible()) {
        return;
    }
    if (m_currentBehavior && !m_currentBehavior->canContinue()) {
        m_currentBehavior->stop();
        m_currentBehavior = nullptr;
    }
    for (size_t i = 0; i < m_behaviors.size(); ++i) {
        BehaviorBase* behavior = m_behaviors[i].get();
        if (!behavior) {
            continue;
        }
        if (behavior == m_currentBehavior) {
            return;
        }
        if (behavior->canStart()) {
            if (m_currentBehavior) {
                m_currentBehavior->stop();
            }
            m_currentBehavior = behavior;
            behavior->setFinished(false);
            behavior->start();
            return;
        }
    }
    m_currentBehavior = nullptr;
}

void Actor::notifyBehaviors(int code, int data)
{
    for (size_t i = 0; i < m_behaviors.size(); ++i) {
        BehaviorBase* behavior = m_behaviors[i].get();
        if (!behavior) {
            continue;
        }
        if (behavior == m_currentBehavior) {
            behavior->notify(code, data);
        } else {
            behavior->notifyInactive(code, data);
        }
    }
}

void Actor::passEventToCurrentBehavior(Event& event)
{
    if (m_currentBehavior) {
        event.rewind();
        m_currentBehavior->onEvent(event);
    }
}

void Actor::passEventToBehaviors(Event& event)
{
    for (size_t i = 0; i < m_behaviors.size(); ++i) {
        if (BehaviorBase* behavior = m_behaviors[i].get()) {
            event.rewind();
            behavior->onEvent(event);
        }
    }
    event.rewind();
}

void Actor::printBehaviorInfo() const
{
    if (m_currentBehavior) {
        m_currentBehavior->printInfo();
    } else {
        debugPrintRaw("Current behavior: None\n");
    }
}
