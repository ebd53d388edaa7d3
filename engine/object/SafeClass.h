#pragma once

#include "engine/object/SimpleData.h"

class SafeClass;

// The registration part of a safe pointer: a cell in its target's list of
// safe pointers (an intrusive doubly linked list, so unregistering is O(1)).
// Safe pointers and SafeClass objects belong to the main thread: the loader
// thread must neither create nor destroy them.
class SafePtrBase {
public:
    SafeClass* getTarget() const { return m_target; }

protected:
    SafePtrBase() = default;
    explicit SafePtrBase(SafeClass* target) { attach(target); }
    SafePtrBase(const SafePtrBase& other) { attach(other.m_target); }
    ~SafePtrBase() { detach(); }
    SafePtrBase& operator=(const SafePtrBase& other)
    {
        if (this != &other) {
            assign(other.m_target);
        }
        return *this;
    }
    void assign(SafeClass* target)
    {
        if (target != m_target) {
            detach();
            attach(target);
        }
    }

private:
    friend class SafeClass;
    inline void attach(SafeClass* target);
    inline void detach();

    SafeClass* m_target = nullptr;
    SafePtrBase* m_prev = nullptr;
    SafePtrBase* m_next = nullptr;
};

// An object that safe pointers may point to: its destruction sets every one
// of them to null. Copying an object does not copy its pointer list.
class SafeClass : public SimpleData {
public:
    SafeClass() = default;
    SafeClass(const SafeClass& other) : SimpleData(other) {}
    SafeClass& operator=(const SafeClass& other)
    {
        SimpleData::operator=(other);
        return *this;
    }
    ~SafeClass() override;

    // Number of safe pointers that point here.
    size_t getSafePtrCount() const;

private:
    friend class SafePtrBase;
    SafePtrBase* m_safePtrs = nullptr;
};

inline void SafePtrBase::attach(SafeClass* target)
{
    m_target = target;
    if (!target) {
        return;
    }
    m_prev = nullptr;
    m_next = target->m_safePtrs;
    if (m_next) {
        m_next->m_prev = this;
    }
    target->m_safePtrs = this;
}

inline void SafePtrBase::detach()
{
    if (!m_target) {
        return;
    }
    if (m_prev) {
        m_prev->m_next = m_next;
    } else {
        m_target->m_safePtrs = m_next;
    }
    if (m_next) {
        m_next->m_prev = m_prev;
    }
    m_target = nullptr;
    m_prev = m_next = nullptr;
}
