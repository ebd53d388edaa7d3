#include "engine/object/ClassRecord.h"

#include "engine/core/DebugSystem.h"

bool ClassRecord::isA(const ClassRecord* other) const
{
    for (const ClassRecord* c = this; c; c = c->m_parent) {
        if (c == other) {
            return true;
        }
    }
    return false;
}

void ClassRecord::setOperations(Operation declareEvents, Operation bindHandlers)
{
    if (declareEvents) {
        m_declareEvents = std::move(declareEvents);
    }
    if (bindHandlers) {
        m_bindHandlers = std::move(bindHandlers);
    }
}

void ClassRecord::declareEvents()
{
    if (m_declareEvents) {
        m_declareEvents(*this);
    }
}

void ClassRecord::bindHandlers()
{
    if (m_bindHandlers) {
        m_bindHandlers(*this);
    }
}

void ClassRecord::addEventHandler(int eventId, EventHandler handler)
{
    if (eventId < 0) {
        debugPrint(3, "Class %s: handler for an undeclared event\n", m_name.c_str());
        return;
    }
    if (static_cast<size_t>(eventId) >= m_handlers.size()) {
        m_handlers.resize(static_cast<size_t>(eventId) + 1);
    }
    m_handlers[static_cast<size_t>(eventId)] = std::move(handler);
}

const ClassRecord::EventHandler* ClassRecord::findOwnEventHandler(int eventId) const
{
    if (eventId < 0 || static_cast<size_t>(eventId) >= m_handlers.size()) {
        return nullptr;
    }
    const EventHandler& h = m_handlers[static_cast<size_t>(eventId)];
    return h ? &h : nullptr;
}

const ClassRecord::EventHandler* ClassRecord::findEventHandler(int eventId) const
{
    for (const ClassRecord* c = this; c; c = c->m_parent) {
        if (const EventHandler* h = c->findOwnEventHandler(eventId)) {
            return h;
        }
    }
    return nullptr;
}
