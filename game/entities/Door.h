#pragma once

#include "engine/object/SafePtr.h"
#include "game/entities/Entity.h"

#include <memory>

class Trap;

// A door of a level, of one leaf or two (the second stands one grid cell
// away and passes its use to the first). Both leaves share solid; opening
// may set off the door's trap; it does not close on someone standing in it.
class Door : public Entity {
public:
    enum State { Closed, Open, Opening, Closing };

    Door();
    ~Door() override;

    void loadFromDatabase() override;
    void update(float dt) override;
    // Stat 10: the depth of the door's level, 1 outside levels.
    int getStat(int index) const override;
    // The second leaf of a double door, then the trap roll.
    void onPlaced() override;
    void use(Entity* user) override;
    bool isHostileTo(const Entity* other) const override;

    int getState() const { return m_state; }
    bool isDoubleWide() const { return m_doubleWide; }
    bool isPrimary() const { return m_primary; }
    Door* getTwin() const { return m_twin.get(); }
    Trap* getTrap() const { return m_trap.get(); }
    float getTrapChance() const { return m_trapChance; }

private:
    void setSolidBoth(bool solid);

    int m_state = Closed;
    bool m_doubleWide = false;
    bool m_primary = true;
    SafePtr<Door> m_twin;
    float m_trapChance = 0.0f;
    std::unique_ptr<Trap> m_trap;
};
