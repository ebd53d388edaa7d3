#pragma once

#include "game/entities/Entity.h"

// A hidden passage: at night, lit only by red torches, it opens once per
// player a way into the world's secret level.
class Secret : public Entity {
public:
    // Bits of a 32-bit stat.
    static constexpr int kMaxBit = 31;
    // The torch search around the secret.
    static constexpr float kTorchRadius = 100.0f;

    Secret();
    ~Secret() override;

    void loadFromDatabase() override;
    void onPlaced() override;
    void use(Entity* user) override;

    int getSecretIndex() const { return m_secretIndex; }
    int getStatIndex() const { return m_statIndex; }
    int getBitIndex() const { return m_bitIndex; }
    // Night, no story-chain quest in the Game's list, and at least one lit
    // torch near with every lit torch there red.
    bool conditionsHold() const;

private:
    // Gates to a random spot of the secret level; false without one.
    bool makePassage();

    int m_secretIndex = 0;
    int m_statIndex = -1;
    int m_bitIndex = -1;
};
