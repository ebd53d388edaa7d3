#pragma once

// Root of the engine's object hierarchy: BaseClass <- SimpleData <- SafeClass
// <- Listener. Objects are deleted through a BaseClass pointer.
class BaseClass {
public:
    BaseClass() = default;
    BaseClass(const BaseClass&) = default;
    BaseClass& operator=(const BaseClass&) = default;
    virtual ~BaseClass();
};
