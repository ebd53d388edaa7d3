#pragma once

#include "engine/object/SafeClass.h"

#include <cstddef>

// A pointer to a SafeClass object that reads null once the object is
// destroyed. Copies register with the same target; a moved-from pointer
// is null. Main thread only (see SafePtrBase).
template <class T> class SafePtr : public SafePtrBase {
public:
    SafePtr() = default;
    SafePtr(std::nullptr_t) {}
    SafePtr(T* target) : SafePtrBase(toBase(target)) {}
    SafePtr(const SafePtr& other) : SafePtrBase(other) {}
    SafePtr(SafePtr&& other) noexcept : SafePtrBase(other) { other.assign(nullptr); }
    SafePtr& operator=(const SafePtr& other)
    {
        SafePtrBase::operator=(other);
        return *this;
    }
    SafePtr& operator=(SafePtr&& other) noexcept
    {
        if (this != &other) {
            assign(other.getTarget());
            other.assign(nullptr);
        }
        return *this;
    }
    SafePtr& operator=(T* target)
    {
        assign(toBase(target));
        return *this;
    }
    SafePtr& operator=(std::nullptr_t)
    {
        assign(nullptr);
        return *this;
    }

    T* get() const { return static_cast<T*>(getTarget()); }
    T* operator->() const { return get(); }
    T& operator*() const { return *get(); }
    explicit operator bool() const { return getTarget() != nullptr; }
    bool operator==(const T* other) const { return get() == other; }

private:
    static SafeClass* toBase(T* target) { return target; }
};

// Points the safe pointer at a new target (unregistering it from the old).
template <class T, class U> void assignSafePtr(SafePtr<T>& ptr, U* target)
{
    ptr = static_cast<T*>(target);
}
