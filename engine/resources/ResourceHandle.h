#pragma once

#include <string>

class Resource;

// A counted reference to a resource entry: an index into the resource table,
// -1 for none. Copies add a reference, assignment releases the old entry and
// references the new one, destruction and release() drop the reference. When
// the resource system no longer exists nothing is counted.
class ResourceHandle {
public:
    ResourceHandle() = default;
    ~ResourceHandle();
    ResourceHandle(const ResourceHandle& other);
    ResourceHandle(ResourceHandle&& other) noexcept;
    ResourceHandle& operator=(const ResourceHandle& other);
    ResourceHandle& operator=(ResourceHandle&& other) noexcept;

    // Wraps an index whose reference the caller already holds.
    static ResourceHandle adopt(int index);

    int getIndex() const { return m_index; }
    bool isValid() const { return m_index >= 0; }
    void release();

    std::string getFileName() const;
    // The object, waiting for the loader when it is not loaded yet.
    Resource* get() const;
    template <class T> T* getAs() const { return dynamic_cast<T*>(get()); }
    bool isLoaded() const;

    bool operator==(const ResourceHandle& other) const { return m_index == other.m_index; }

private:
    int m_index = -1;
};
