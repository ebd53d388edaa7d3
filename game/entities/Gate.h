#pragma once

#include "engine/object/SafePtr.h"
#include "game/entities/Entity.h"

// A way to travel: a level's own gate (kind 0), a linked gate (1), a level
// connection (2), a secret passage end (3) or a town gate (4). Only players
// of a covenant use gates.
class Gate : public Entity {
public:
    static constexpr int kLevelGate = 0;
    static constexpr int kLinked = 1;
    static constexpr int kConnection = 2;
    static constexpr int kSecret = 3;
    static constexpr int kTown = 4;

    Gate();
    ~Gate() override;

    // The linked object's position (i32 zone, f32 x, f32 y), or -1, 0, 0.
    void writeSnapshot(ByteBuffer& out) const override;
    void beginUse(Entity* user) override;

    int getKind() const { return m_kind; }
    void setKind(int kind) { m_kind = kind; }
    Entity* getLinked() const { return m_linked.get(); }
    // The partner's kind (-1 without a gate there).
    int getLinkedKind() const;
    void setLinked(Entity* linked) { m_linked = linked; }
    bool isFound() const { return m_found; }
    void setFound(bool found) { m_found = found; }
    // A computer covenant's raid gate at its target: the raiders' way in.
    bool isRaidGate() const { return m_raidGate; }
    int getOwnerCovenant() const { return m_ownerCovenant; }
    void setRaidGateOf(int covenantIndex)
    {
        m_raidGate = true;
        m_ownerCovenant = covenantIndex;
    }

private:
    int m_kind = 0;
    SafePtr<Entity> m_linked;
    bool m_found = false;
    bool m_raidGate = false;
    int m_ownerCovenant = -1;
};
