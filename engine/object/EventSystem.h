#pragma once

#include "engine/core/Singleton.h"
#include "engine/object/Event.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Named event types (dense ids from 0) and the pool of event instances.
// Main thread only.
class EventSystem : public Singleton<EventSystem> {
public:
    EventSystem();
    ~EventSystem();

    // The type of that name (case-insensitive), created on the first call.
    const EventType* createEvent(const std::string& name);
    const EventType* findEvent(std::string_view name) const;
    const EventType* getEventType(int id) const;
    size_t getEventTypeCount() const { return m_types.size(); }

    // An instance from the free pool (a new one when the pool is empty),
    // in use, with empty arguments and no type.
    Event* allocEvent();
    Event* newEventOfType(const EventType& type);
    // Puts a non-kept instance back on the pool and clears its in-use flag;
    // kept instances are left alone.
    void releaseEvent(Event* event);

    size_t getFreeCount() const { return m_free.size(); }
    size_t getInstanceCount() const { return m_instances.size(); }
    void logStatistics() const;

private:
    std::vector<std::unique_ptr<EventType>> m_types;
    std::map<std::string, EventType*> m_typesByName; // key: lower-case name
    std::vector<std::unique_ptr<Event>> m_instances;
    std::vector<Event*> m_free;
};

// Hands the event to one listener's bound handler, with the argument cursor
// rewound first; false when the listener's class binds no handler for it.
bool deliverEvent(Event& event, Listener& listener);
// Hands the event to each listener in turn (null entries and destroyed
// listeners are skipped). Returns the number of handlers run.
int broadcastEvent(Event& event, const std::vector<Listener*>& listeners);
int broadcastEvent(Event& event, const std::vector<SafePtr<Listener>>& listeners);
