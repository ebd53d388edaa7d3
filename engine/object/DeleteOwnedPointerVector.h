#pragma once

#include <vector>

// Deletes every non-null element (through its virtual destructor) and
// empties the vector.
template <class T> void deleteOwnedPointerVector(std::vector<T*>& pointers)
{
    for (T* p : pointers) {
        delete p;
    }
    pointers.clear();
}
