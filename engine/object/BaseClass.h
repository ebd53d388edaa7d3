#pragma once

#include "engine/core/MemorySystem.h"

// Root of the engine's object hierarchy: BaseClass <- SimpleData <- SafeClass
// <- Listener. Objects are deleted through a BaseClass pointer; their memory is
// counted in the "General" category.
class BaseClass : public MemoryCounted<MemCategory::General> {
public:
    BaseClass() = default;
    BaseClass(const BaseClass&) = default;
    BaseClass& operator=(const BaseClass&) = default;
    virtual ~BaseClass();
};
