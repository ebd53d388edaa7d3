#pragma once

#include "game/entities/EntityBase.h"

#include <cstdint>
#include <string>

// The client's mirror of one server entity, held in the client game state's
// entity table by entity number. Only what the game state and the picking
// use is here; the mirror's sections and drawing come with its readers.
class EntityClient : public EntityBase {
public:
    EntityClient() = default;
    ~EntityClient() override = default;

    // Through the resource manager (models, attachments).
    void loadResource(const std::string& name, ResourceHandle& out) override;

    // The action a click on this entity proposes (0: none).
    virtual int getMouseAction() const = 0;

    float getSelectRadius() const { return m_selectRadius; }
    void setSelectRadius(float radius) { m_selectRadius = radius; }
    // The counter of the last state message that named this entity.
    uint32_t getUpdateCounter() const { return m_updateCounter; }
    void setUpdateCounter(uint32_t counter) { m_updateCounter = counter; }

protected:
    float m_selectRadius = 0.0f;
    uint32_t m_updateCounter = 0;
};
