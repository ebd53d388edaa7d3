#pragma once

#include "game/entities/Entity.h"

#include <memory>

class Trap;

// A chest of a level: opened over a timed action, it drops its items (or,
// as a secret chest, opens a way to the next secret level), then fades out.
// It may hold a trap that its opening sets off.
class Chest : public Entity {
public:
    Chest();
    ~Chest() override;

    void loadFromDatabase() override;
    void update(float dt) override;
    int getStat(int index) const override { return index == 10 ? m_level : 0; }
    // u32 closed.
    void writeSnapshot(ByteBuffer& out) const override;
    void beginUse(Entity* user) override;
    void use(Entity* user) override;
    void endUse(Entity* user) override;
    // What its trap fires at: every living character.
    bool isHostileTo(const Entity* other) const override;

    // The trap, secret and facing rolls for a chest of that level.
    void setUpInLevel(int levelIndex);

    bool isClosed() const { return m_closed; }
    float getItemChance() const { return m_itemChance; }
    int getMinItems() const { return m_minItems; }
    int getMaxItems() const { return m_maxItems; }
    int getIncreasedMagicChance() const { return m_increasedMagicChance; }
    float getTrapChance() const { return m_trapChance; }
    float getSecretLevelChance() const { return m_secretLevelChance; }
    Trap* getTrap() const { return m_trap.get(); }
    // Gives the chest a trap of that entry (replacing any).
    void setTrap(const DatabaseEntry* entry);
    bool isSecretChest() const { return m_secretChest; }
    void setSecretChest(bool secret) { m_secretChest = secret; }
    bool notifiesQuests() const { return m_notifiesQuests; }
    void setNotifiesQuests(bool notifies) { m_notifiesQuests = notifies; }
    bool isWorldRewardChest() const { return m_worldRewardChest; }
    void setWorldRewardChest(bool reward) { m_worldRewardChest = reward; }
    // A level's bonus chest: opening it marks the level's chest as taken.
    bool isBonusChest() const { return m_bonusChest; }
    void setBonusChest(bool bonus) { m_bonusChest = bonus; }
    int getTimedAction() const { return m_timedAction; }

private:
    // Links two secret gates to a random spot of the next secret level.
    // False when no secret level is left to open; the chest then gives items.
    bool openSecretLevel();

    bool m_closed = true;
    float m_itemChance = 1.0f;
    float m_trapChance = 0.0f;
    int m_minItems = 1;
    int m_maxItems = 1;
    int m_increasedMagicChance = 0;
    std::unique_ptr<Trap> m_trap;
    float m_secretLevelChance = 0.0f;
    bool m_secretChest = false;
    bool m_notifiesQuests = false;
    bool m_worldRewardChest = false;
    bool m_bonusChest = false;
    bool m_anyDirection = false;
    int m_timedAction = 0;
    bool m_fading = false;
};
