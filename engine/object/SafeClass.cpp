#include "engine/object/SafeClass.h"

SafeClass::~SafeClass()
{
    SafePtrBase* p = m_safePtrs;
    m_safePtrs = nullptr;
    while (p) {
        SafePtrBase* next = p->m_next;
        p->m_target = nullptr;
        p->m_prev = p->m_next = nullptr;
        p = next;
    }
}

size_t SafeClass::getSafePtrCount() const
{
    size_t n = 0;
    for (const SafePtrBase* p = m_safePtrs; p; p = p->m_next) {
        ++n;
    }
    return n;
}
