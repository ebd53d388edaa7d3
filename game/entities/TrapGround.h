#pragma once

#include "game/entities/Entity.h"
#include "game/entities/Timer.h"

#include <memory>

class Trap;

// A trap lying in a level: every think period it looks for someone within
// its trigger distance (the nearest player, or with hitsAnyone any living
// character) and sets its trap off; once the trap is done it deletes itself.
class TrapGround : public Entity {
public:
    TrapGround();
    ~TrapGround() override;

    void loadFromDatabase() override;
    void update(float dt) override;
    int getStat(int index) const override { return index == 10 ? m_level : 0; }
    void onPlaced() override;
    void setLevel(int level) override { m_level = level; }
    // What its trap fires at: every living character.
    bool isHostileTo(const Entity* other) const override;

    // The trap's attempt with the touch time as the longest delay; a town
    // trap whose attempt failed keeps watching.
    void trigger(Entity* victim);

    Trap* getTrap() const { return m_trap.get(); }
    bool isTriggered() const { return m_triggered; }
    const Timer& getThinkTimer() const { return m_thinkTimer; }
    bool isTownTrap() const { return m_townTrap; }
    void setTownTrap(bool townTrap) { m_townTrap = townTrap; }
    bool hitsAnyone() const { return m_hitsAnyone; }
    void setHitsAnyone(bool hitsAnyone) { m_hitsAnyone = hitsAnyone; }
    float getTriggerDistance() const { return m_triggerDistance; }

private:
    void watch();

    bool m_triggered = false;
    std::unique_ptr<Trap> m_trap;
    float m_maxTouchTime = 0.0f;
    float m_triggerDistance = 0.0f;
    Timer m_thinkTimer;
    bool m_townTrap = false;
    bool m_hitsAnyone = false;
    bool m_removing = false;
};
