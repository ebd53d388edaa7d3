#pragma once

#include "engine/core/Singleton.h"
#include "engine/object/ClassRecord.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The registry of event-receiving classes, each with its parent. The root
// class "Listener" exists from the start. At start-up every class declares
// its events, then every class binds its handlers.
class ClassRegistry : public Singleton<ClassRegistry> {
public:
    ClassRegistry();
    ~ClassRegistry();

    // The record of that class, created when missing. An empty parent name
    // makes a root class; an unknown one is logged and also gives a root.
    // Registering a class again updates its parent and operations.
    ClassRecord* registerClass(const std::string& name, const std::string& parentName,
                               ClassRecord::Operation declareEvents, ClassRecord::Operation bindHandlers);
    ClassRecord* findClass(std::string_view name) const;
    size_t getCount() const { return m_classes.size(); }

    // Every class's declare operation, in registration order.
    void declareAllEvents();
    // Every class's bind operation, in registration order.
    void bindAllHandlers();

private:
    std::vector<std::unique_ptr<ClassRecord>> m_classes;
};
