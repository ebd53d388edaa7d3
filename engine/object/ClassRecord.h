#pragma once

#include <functional>
#include <string>
#include <vector>

class Event;
class Listener;

// One class of event receivers: its name, its parent class and the handlers
// it binds, by event-type id. Handler lookup walks up the parent chain.
class ClassRecord {
public:
    using EventHandler = std::function<void(Listener&, Event&)>;
    // Declares the class's events (creates their types) / binds its handlers.
    using Operation = std::function<void(ClassRecord&)>;

    explicit ClassRecord(std::string name) : m_name(std::move(name)) {}

    const std::string& getName() const { return m_name; }
    ClassRecord* getParent() const { return m_parent; }
    void setParent(ClassRecord* parent) { m_parent = parent; }
    // True when this is `other` or derives from it.
    bool isA(const ClassRecord* other) const;

    void setOperations(Operation declareEvents, Operation bindHandlers);
    void declareEvents();
    void bindHandlers();

    void addEventHandler(int eventId, EventHandler handler);
    // A member function of the listener's class as a handler.
    template <class C> void addEventHandler(int eventId, void (C::*member)(Event&))
    {
        addEventHandler(eventId, [member](Listener& l, Event& e) { (static_cast<C&>(l).*member)(e); });
    }
    // The handler bound here or by the nearest ancestor; null when none.
    const EventHandler* findEventHandler(int eventId) const;
    // Only this class's own handler.
    const EventHandler* findOwnEventHandler(int eventId) const;

private:
    std::string m_name;
    ClassRecord* m_parent = nullptr;
    Operation m_declareEvents;
    Operation m_bindHandlers;
    std::vector<EventHandler> m_handlers; // index: event-type id
};
