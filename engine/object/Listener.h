#pragma once

#include "engine/object/SafeClass.h"

class ClassRecord;
class Event;

// An object that receives named events through its class record: the
// handler that its class (or the nearest ancestor class) bound to the
// event's type.
class Listener : public SafeClass {
public:
    Listener() = default;
    explicit Listener(ClassRecord* classRecord) : m_classRecord(classRecord) {}
    ~Listener() override;

    ClassRecord* getClassRecord() const { return m_classRecord; }
    void setClassRecord(ClassRecord* record) { m_classRecord = record; }

    // Runs the bound handler; false when none is bound to the event's type.
    bool handleEvent(Event& event);

private:
    ClassRecord* m_classRecord = nullptr;
};
