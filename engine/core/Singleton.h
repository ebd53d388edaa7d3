#pragma once

#include <cassert>

// Base of the system singletons. The application creates each system once, in
// start-up order, and deletes them in reverse; tests may create their own
// instance on the stack. At most one instance of a class exists at a time.
template <class T> class Singleton {
public:
    Singleton(const Singleton&) = delete;
    Singleton& operator=(const Singleton&) = delete;

    static T* instance() { return s_instance; }
    static T& get()
    {
        assert(s_instance != nullptr);
        return *s_instance;
    }

protected:
    Singleton()
    {
        assert(s_instance == nullptr);
        s_instance = static_cast<T*>(this);
    }
    ~Singleton() { s_instance = nullptr; }

private:
    static inline T* s_instance = nullptr;
};
