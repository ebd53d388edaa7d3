#include "engine/data/DatabaseEntry.h"

#include "engine/core/StringUtil.h"

#include <mutex>

const std::string DatabaseEntry::kNoFileName;

namespace {
// One builder at a time: two threads reading the same entry first build once.
std::mutex g_derivedMutex;
} // namespace

namespace {
void deleteDerivedList(const DatabaseEntry::Derived* values)
{
    while (values) {
        const DatabaseEntry::Derived* next = values->next;
        delete values;
        values = next;
    }
}
} // namespace

DatabaseEntry::~DatabaseEntry()
{
    deleteDerivedList(m_derived.load(std::memory_order_relaxed));
}

const DatabaseEntry::Derived&
DatabaseEntry::buildDerived(const std::function<bool(const Derived*)>& isKind,
                            const std::function<std::unique_ptr<Derived>()>& build) const
{
    std::lock_guard<std::mutex> lock(g_derivedMutex);
    const Derived* head = m_derived.load(std::memory_order_acquire);
    for (const Derived* values = head; values; values = values->next)
        if (isKind(values))
            return *values;
    std::unique_ptr<Derived> made = build();
    made->next = head;
    const Derived* values = made.release();
    m_derived.store(values, std::memory_order_release);
    return *values;
}

void DatabaseEntry::dropDerived()
{
    // Most entries have none (every entry at load).
    if (m_derived.load(std::memory_order_acquire) == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> lock(g_derivedMutex);
    deleteDerivedList(m_derived.exchange(nullptr, std::memory_order_acq_rel));
}

int DatabaseEntry::getTypeInherited() const
{
    for (const DatabaseEntry* entry = this; entry != nullptr; entry = entry->m_base) {
        if (entry->m_type != 0) {
            return entry->m_type;
        }
    }
    return 0;
}

bool DatabaseEntry::isDerivedFrom(const DatabaseEntry* base) const
{
    if (base == nullptr) {
        return false;
    }
    for (const DatabaseEntry* entry = this; entry != nullptr; entry = entry->m_base) {
        if (entry == base) {
            return true;
        }
    }
    return false;
}

const DatabaseField* DatabaseEntry::findOwnField(std::string_view key) const
{
    for (const DatabaseField& field : m_fields) {
        if (equalsNoCase(field.key, key)) {
            return &field;
        }
    }
    return nullptr;
}
