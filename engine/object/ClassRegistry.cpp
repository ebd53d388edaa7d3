#include "engine/object/ClassRegistry.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"

ClassRegistry::ClassRegistry()
{
    m_classes.push_back(std::make_unique<ClassRecord>("Listener"));
}

ClassRegistry::~ClassRegistry() = default;

ClassRecord* ClassRegistry::findClass(std::string_view name) const
{
    for (const auto& c : m_classes) {
        if (equalsNoCase(c->getName(), name)) {
            return c.get();
        }
    }
    return nullptr;
}

ClassRecord* ClassRegistry::registerClass(const std::string& name, const std::string& parentName,
                                          ClassRecord::Operation declareEvents,
                                          ClassRecord::Operation bindHandlers)
{
    ClassRecord* record = findClass(name);
    if (!record) {
        m_classes.push_back(std::make_unique<ClassRecord>(name));
        record = m_classes.back().get();
    }
    if (!parentName.empty()) {
        ClassRecord* parent = findClass(parentName);
        if (!parent) {
            debugPrint(3, "Class %s: unknown parent class %s\n", name.c_str(), parentName.c_str());
        } else if (parent->isA(record)) {
            debugPrint(3, "Class %s cannot derive from %s: the chain would loop\n", name.c_str(),
                       parentName.c_str());
        } else {
            record->setParent(parent);
        }
    }
    record->setOperations(std::move(declareEvents), std::move(bindHandlers));
    return record;
}

void ClassRegistry::declareAllEvents()
{
    for (size_t i = 0; i < m_classes.size(); ++i) {
        m_classes[i]->declareEvents();
    }
}

void ClassRegistry::bindAllHandlers()
{
    for (size_t i = 0; i < m_classes.size(); ++i) {
        m_classes[i]->bindHandlers();
    }
}
