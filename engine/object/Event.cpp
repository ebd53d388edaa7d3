#include "engine/object/Event.h"

void Event::setType(const EventType& type)
{
    setType(type.id, type.name);
}

void Event::setType(int id, const std::string& name)
{
    m_typeId = id;
    m_name = name;
}

void Event::clear()
{
    m_args.clear();
    m_objects.clear();
}

void Event::rewind()
{
    m_args.clearFailed();
    m_args.setReadPos(0);
}

void Event::writeObject(SafeClass* object)
{
    m_args.writeInt(static_cast<int32_t>(m_objects.size()));
    m_objects.emplace_back(object);
}

SafeClass* Event::readObject()
{
    int32_t index = m_args.readInt();
    if (m_args.failed() || index < 0 || static_cast<size_t>(index) >= m_objects.size()) {
        return nullptr;
    }
    return m_objects[static_cast<size_t>(index)].get();
}

void Event::reset()
{
    clear();
    m_typeId = -1;
    m_name.clear();
    m_keep = false;
    m_handled = 0;
    m_delay = 0.0f;
    m_target = nullptr;
    m_cancelled = false;
    m_justScheduled = false;
}
