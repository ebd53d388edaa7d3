#include "game/world/Game.h"

#include "engine/core/DebugSystem.h"
#include "engine/object/EventSystem.h"

#include <iterator>

bool Game::scheduleEvent(Listener* target, Event* event, float delay)
{
    if (!event) {
        return false;
    }
    // One instance, one place in the list: a second entry would release it
    // twice and hand it to two users.
    if (isPending(event)) {
        debugPrint(3, "scheduleEvent: event %s is already pending\n", event->getName().c_str());
        return false;
    }
    event->setDelay(delay);
    event->setTarget(target);
    event->setCancelled(false);
    event->setJustScheduled(true);
    m_pendingEvents.push_back(event);
    m_pendingSet.insert(event);
    return true;
}

bool Game::cancelEvents(const EventType* type, const Listener* target)
{
    if (!type) {
        return false;
    }
    bool any = false;
    for (Event* event : m_pendingEvents) {
        if (event->getTarget() == target && event->getTypeId() == type->id) {
            event->setCancelled(true);
            any = true;
        }
    }
    return any;
}

Event* Game::findEvent(const EventType* type, const Listener* target)
{
    if (!type) {
        return nullptr;
    }
    for (Event* event : m_pendingEvents) {
        if (event->getTarget() == target && event->getTypeId() == type->id) {
            event->setHandled(0);
            return event;
        }
    }
    return nullptr;
}

void Game::cancelEventsFor(const Listener* target)
{
    if (!target) {
        return;
    }
    for (Event* event : m_pendingEvents) {
        if (event->getTarget() == target) {
            event->setCancelled(true);
        }
    }
}

namespace {
void releaseToPool(Event* event)
{
    if (EventSystem* events = EventSystem::instance()) {
        events->releaseEvent(event);
    }
}
} // namespace

void Game::updateEvents(float dt)
{
    for (auto it = m_pendingEvents.begin(); it != m_pendingEvents.end();) {
        Event* event = *it;
        if (event->isCancelled()) {
            it = m_pendingEvents.erase(it);
            m_pendingSet.erase(event);
            releaseToPool(event);
        } else {
            ++it;
        }
    }
    for (Event* event : m_pendingEvents) {
        event->setJustScheduled(false);
    }
    unsigned cleared = m_eventsCleared;
    for (auto it = m_pendingEvents.begin(); it != m_pendingEvents.end();) {
        auto next = std::next(it);
        Event* event = *it;
        if (event->isJustScheduled()) {
            it = next;
            continue;
        }
        event->setDelay(event->getDelay() - dt);
        if (event->getDelay() <= 0.0f && !event->isCancelled()) {
            m_pendingEvents.erase(it);
            m_pendingSet.erase(event);
            if (Listener* target = event->getTarget()) {
                event->setHandled(0);
                deliverEvent(*event, *target);
            }
            // A handler may have put this very instance back on the list.
            if (!isPending(event)) {
                releaseToPool(event);
            }
            // Appending keeps the successor valid; a handler that cleared the
            // list ends the walk.
            if (m_eventsCleared != cleared) {
                break;
            }
        }
        it = next;
    }
}

void Game::clearEvents()
{
    ++m_eventsCleared;
    while (!m_pendingEvents.empty()) {
        Event* event = m_pendingEvents.front();
        m_pendingEvents.pop_front();
        m_pendingSet.erase(event);
        releaseToPool(event);
    }
}
