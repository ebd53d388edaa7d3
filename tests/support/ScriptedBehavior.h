#pragma once

#include "engine/data/DatabaseEntry.h"
#include "engine/object/Event.h"
#include "game/ai/BehaviorBase.h"
#include "game/entities/Timer.h"

#include <functional>
#include <string>
#include <vector>

// A behaviour whose answers the test sets and whose calls it records in a
// shared journal ("<name>.start", "<name>.notify 4 7", …).
class ScriptedBehavior : public BehaviorBase {
public:
    ScriptedBehavior(std::string name, std::vector<std::string>* journal, int type = 1)
        : m_name(std::move(name)), m_journal(journal), m_type(type)
    {
        addTimer(timer);
    }

    void copyFrom(const BehaviorBase& prototype) override
    {
        if (const auto* other = behaviorAs<ScriptedBehavior>(prototype)) {
            parameter = other->parameter;
        }
    }
    void loadData(const DatabaseEntry* entry) override
    {
        dataEntry = entry ? entry->getName() : "";
        record("loadData " + dataEntry);
    }
    void loadStrings(const DatabaseEntry* entry) override { record("loadStrings " + entry->getName()); }
    int getType() const override { return m_type; }
    bool canStart() override
    {
        record("canStart");
        return startable;
    }
    bool canContinue() override
    {
        record("canContinue");
        return continuable;
    }
    bool isUninterruptible() override { return uninterruptible; }
    void start() override
    {
        record("start");
        if (onStart) {
            onStart();
        }
    }
    void stop() override
    {
        record("stop");
        if (onStop) {
            onStop();
        }
    }
    void update(float dt) override
    {
        record("update");
        updated += dt;
    }
    void notify(int code, int data) override
    {
        record("notify " + std::to_string(code) + " " + std::to_string(data));
    }
    void notifyInactive(int code, int data) override
    {
        record("inactive " + std::to_string(code) + " " + std::to_string(data));
    }
    void onEvent(Event& event) override
    {
        record("event " + event.getName() + " " + std::to_string(event.readInt()));
    }

    bool startable = false;
    bool continuable = true;
    bool uninterruptible = false;
    float parameter = 0.0f;
    float updated = 0.0f;
    std::string dataEntry;
    Timer timer;
    std::function<void()> onStart;
    std::function<void()> onStop;

private:
    void record(const std::string& what)
    {
        if (m_journal) {
            m_journal->push_back(m_name + "." + what);
        }
    }

    std::string m_name;
    std::vector<std::string>* m_journal;
    int m_type;
};
