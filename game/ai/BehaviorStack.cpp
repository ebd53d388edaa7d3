#include "game/ai/BehaviorStack.h"

#include "engine/data/Database.h"
#include "game/ai/BehaviorBase.h"
#include "game/ai/BehaviorFactory.h"
#include "game/definitions/GameEnums.h"

BehaviorStack::BehaviorStack() = default;
BehaviorStack::~BehaviorStack() = default;

void BehaviorStack::load(const MonsterArchetype* monsterClass, const std::string& name)
{
    m_monsterClass = monsterClass;
    const Database* db = Database::instance();
    const DatabaseEntry* entry = db ? db->findEntry(name) : nullptr;
    if (!entry) {
        return;
    }
    for (const std::string& typeName : db->getStringList(entry, "Behavior")) {
        // An unknown name is logged by the lookup and reads as Sleep.
        int type = static_cast<int>(parseActorBehavior(typeName));
        std::unique_ptr<BehaviorBase> behavior = createBehavior(type);
        if (!behavior) {
            continue;
        }
        behavior->findData(monsterClass);
        m_behaviors.push_back(std::move(behavior));
    }
}

void BehaviorStack::createInstances(Actor* actor, BehaviorList& list) const
{
    for (const std::unique_ptr<BehaviorBase>& prototype : m_behaviors) {
        if (!prototype) {
            continue;
        }
        std::unique_ptr<BehaviorBase> instance = createBehavior(prototype->getType());
        if (!instance) {
            continue;
        }
        instance->copyFrom(*prototype);
        instance->setOwner(actor);
        list.push_back(std::move(instance));
    }
}
