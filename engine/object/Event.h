#pragma once

#include "engine/core/ByteBuffer.h"
#include "engine/object/Listener.h"
#include "engine/object/SafePtr.h"

#include <cstdint>
#include <string>
#include <vector>

// A named event type, created once per name at start-up.
struct EventType {
    int id = -1;
    std::string name;
};

// One pooled event instance: its type, its arguments (bytes read back with a
// cursor that the deliverer rewinds before each receiver, and a list of
// objects held through safe pointers), and the fields the game's delayed
// event list uses. Instances come from EventSystem::allocEvent.
class Event {
public:
    Event() = default;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    int getTypeId() const { return m_typeId; }
    const std::string& getName() const { return m_name; }
    void setType(const EventType& type);
    void setType(int id, const std::string& name);

    // Empties the argument bytes and the object list.
    void clear();
    // Rewinds the argument cursor (done before each receiver).
    void rewind();

    ByteBuffer& args() { return m_args; }
    const ByteBuffer& args() const { return m_args; }
    void writeInt(int32_t value) { m_args.writeInt(value); }
    void writeFloat(float value) { m_args.writeFloat(value); }
    void writeBool(bool value) { m_args.writeBool(value); }
    void writeString(std::string_view text) { m_args.writeString(text); }
    int32_t readInt() { return m_args.readInt(); }
    float readFloat() { return m_args.readFloat(); }
    bool readBool() { return m_args.readBool(); }
    std::string readString() { return m_args.readString(); }

    // Appends an object argument: its index in the object list goes into the
    // bytes, the object itself into the list through a safe pointer.
    void writeObject(SafeClass* object);
    // The next object argument; null when out of range or destroyed.
    SafeClass* readObject();
    template <class T> T* readObjectAs() { return dynamic_cast<T*>(readObject()); }
    size_t getObjectCount() const { return m_objects.size(); }

    // A kept event is not returned to the pool when released.
    bool isKept() const { return m_keep; }
    void setKeep(bool keep) { m_keep = keep; }
    bool isInUse() const { return m_inUse; }
    int getHandled() const { return m_handled; }
    void setHandled(int handled) { m_handled = handled; }

    // Fields of the game's delayed event list.
    float getDelay() const { return m_delay; }
    void setDelay(float seconds) { m_delay = seconds; }
    Listener* getTarget() const { return m_target.get(); }
    void setTarget(Listener* target) { m_target = target; }
    bool isCancelled() const { return m_cancelled; }
    void setCancelled(bool cancelled) { m_cancelled = cancelled; }
    bool isJustScheduled() const { return m_justScheduled; }
    void setJustScheduled(bool just) { m_justScheduled = just; }

private:
    friend class EventSystem;
    void reset();

    int m_typeId = -1;
    std::string m_name;
    bool m_keep = false;
    bool m_inUse = false;
    int m_handled = 0;
    ByteBuffer m_args;
    std::vector<SafePtr<SafeClass>> m_objects;
    float m_delay = 0.0f;
    SafePtr<Listener> m_target;
    bool m_cancelled = false;
    bool m_justScheduled = false;
};
