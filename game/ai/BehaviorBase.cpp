#include "game/ai/BehaviorBase.h"

#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/entities/Actor.h"
#include "game/entities/Timer.h"

#include <string>

void BehaviorBase::printInfo() const
{
    debugPrintRaw("Current behavior: %s\n", getActorBehaviorName(getType()).c_str());
}

void BehaviorBase::addTimer(Timer& timer)
{
    m_timers.add(&timer);
    timer.listed = true;
}

void BehaviorBase::setOwnerSprinting(bool sprint)
{
    if (m_owner->isSprinting() != sprint) {
        m_owner->setSprinting(sprint);
        m_owner->updateStats(false);
    }
}

void BehaviorBase::findData(const MonsterArchetype* monsterClass)
{
    const Database* db = Database::instance();
    const DatabaseEntry* classEntry = monsterClass ? monsterClass->getEntry() : nullptr;
    if (!db || !classEntry) {
        return;
    }
    const std::string typeName = getActorBehaviorName(getType());
    const std::string dataName = db->getString(classEntry, typeName + "Data");
    bool loaded = false;
    if (!dataName.empty()) {
        if (const DatabaseEntry* data = db->findEntry(dataName)) {
            loadData(data);
            loaded = true;
        } else {
            debugPrint(3, "%s:%d: Couldn't find behavior data %s\n", classEntry->getFileName().c_str(),
                       classEntry->getLine(), dataName.c_str());
        }
    }
    if (!loaded) {
        if (const DatabaseEntry* defaults = db->findEntry("BehaviorDataDefault" + typeName)) {
            loadData(defaults);
        }
    }
    loadStrings(classEntry);
}
