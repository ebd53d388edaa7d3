#pragma once

#include "engine/resources/ResourceHandle.h"
#include "game/skills/StatusEffectBase.h"

// A status effect shown on an entity mirror: the shared definition plus the
// visual settings the mirror reads (victim shader, frozen animation, the
// lost-effect sound).
class StatusEffectClient : public StatusEffectBase {
public:
    StatusEffectClient() = default;
    ~StatusEffectClient() override;

    // Stores the level; reloads only on a new entry. Then reads the visual
    // settings from the entry (the source is not used here).
    void setEntry(const DatabaseEntry* entry, int level, Entity* source) override;
    using StatusEffectBase::setEntry;

    const ResourceHandle& getVictimShader() const { return m_victimShader; }
    bool isVictimShaderOnChild() const { return m_victimShaderOnChild; }
    bool freezesAnimation() const { return m_freezeAnim; }
    bool playsLostEffectSound() const { return m_playLostEffectSound; }
    // How often the definition was loaded (a second set-up with one entry loads nothing).
    int getLoadCount() const { return m_loads; }

    // Entity mirror bookkeeping while a message's effect list is matched.
    bool seen = false;

    void loadFromDatabase() override;

private:
    ResourceHandle m_victimShader;
    bool m_victimShaderOnChild = false;
    bool m_freezeAnim = false;
    bool m_playLostEffectSound = false;
    int m_loads = 0;
};
