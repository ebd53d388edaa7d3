#include "engine/object/Listener.h"

#include "engine/object/ClassRecord.h"
#include "engine/object/Event.h"

Listener::~Listener() = default;

bool Listener::handleEvent(Event& event)
{
    if (!m_classRecord) {
        return false;
    }
    const ClassRecord::EventHandler* handler = m_classRecord->findEventHandler(event.getTypeId());
    if (!handler) {
        return false;
    }
    // The handler may destroy this listener; keep a copy of the function.
    ClassRecord::EventHandler call = *handler;
    call(*this, event);
    return true;
}
