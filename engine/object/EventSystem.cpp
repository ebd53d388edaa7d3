#include "engine/object/EventSystem.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"

EventSystem::EventSystem() = default;
EventSystem::~EventSystem() = default;

const EventType* EventSystem::createEvent(const std::string& name)
{
    std::string key = toLowerCopy(name);
    auto it = m_typesByName.find(key);
    if (it != m_typesByName.end()) {
        return it->second;
    }
    auto type = std::make_unique<EventType>();
    type->id = static_cast<int>(m_types.size());
    type->name = name;
    EventType* raw = type.get();
    m_types.push_back(std::move(type));
    m_typesByName.emplace(std::move(key), raw);
    return raw;
}

const EventType* EventSystem::findEvent(std::string_view name) const
{
    auto it = m_typesByName.find(toLowerCopy(name));
    return it == m_typesByName.end() ? nullptr : it->second;
}

const EventType* EventSystem::getEventType(int id) const
{
    if (id < 0 || static_cast<size_t>(id) >= m_types.size()) {
        return nullptr;
    }
    return m_types[static_cast<size_t>(id)].get();
}

Event* EventSystem::allocEvent()
{
    Event* event = nullptr;
    if (!m_free.empty()) {
        event = m_free.back();
        m_free.pop_back();
    } else {
        m_instances.push_back(std::make_unique<Event>());
        event = m_instances.back().get();
    }
    event->reset();
    event->m_inUse = true;
    return event;
}

Event* EventSystem::newEventOfType(const EventType& type)
{
    Event* event = allocEvent();
    event->setType(type);
    return event;
}

void EventSystem::releaseEvent(Event* event)
{
    if (!event || event->m_keep) {
        return;
    }
    if (!event->m_inUse) {
        debugPrint(2, "Event %s released twice\n", event->m_name.c_str());
        return;
    }
    event->reset();
    event->m_inUse = false;
    m_free.push_back(event);
}

void EventSystem::logStatistics() const
{
    debugPrintRaw("Events: %zu types, %zu instances, %zu free\n", m_types.size(), m_instances.size(),
                  m_free.size());
}

bool deliverEvent(Event& event, Listener& listener)
{
    event.rewind();
    return listener.handleEvent(event);
}

int broadcastEvent(Event& event, const std::vector<Listener*>& listeners)
{
    int handled = 0;
    for (Listener* l : listeners) {
        if (l && deliverEvent(event, *l)) {
            ++handled;
        }
    }
    return handled;
}

int broadcastEvent(Event& event, const std::vector<SafePtr<Listener>>& listeners)
{
    int handled = 0;
    // Index loop: a handler may destroy listeners further on (their pointers
    // turn null) but must not resize the list.
    for (size_t i = 0; i < listeners.size(); ++i) {
        Listener* l = listeners[i].get();
        if (l && deliverEvent(event, *l)) {
            ++handled;
        }
    }
    return handled;
}
