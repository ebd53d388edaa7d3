#pragma once

#include "engine/core/ZonePosition.h"
#include "engine/object/SafePtr.h"
#include "game/entities/Timer.h"
#include "game/quests/QuestBase.h"

#include <cstdint>
#include <string>
#include <vector>

class DatabaseEntry;
class Entity;

// One running quest of the server's world, or a player's copy of one held in
// a quest slot. The shared record is QuestBase; this adds what the server
// keeps: the quest's entities, its event state and the player's-copy flag.
class Quest : public QuestBase {
public:
    // An entity carrying a spreading effect, with the two numbers it is saved by.
    struct Carrier {
        SafePtr<Entity> entity;
        int32_t covenantIndex = -1;
        int32_t slot = -1;
    };

    explicit Quest(bool playerCopy = false);
    ~Quest() override;
    Quest(const Quest&) = delete;
    Quest& operator=(const Quest&) = delete;

    // ---- QuestBase slots
    void onReset() override;
    // The Game's shared base; null without a Game.
    GameBase* getGameBase() const override;
    // The Game keeps no town NPCs yet: no slots.
    int getNpcCount() const override { return 0; }
    std::string getNpcNameAt(int index) const override { return std::string(); }
    NpcType getNpcType(int index) const override { return NpcType::None; }

    bool isPlayerCopy() const { return m_playerCopy; }
    // In use: the slot holds a quest (its level is not -1).
    bool isInUse() const { return level != -1; }

    int npcSlot = 0;
    int secondIndex = -1;
    bool setupFailed = false;
    float eventValue = 0.0f;
    std::string text;
    uint32_t eventCounter = 0;
    SafePtr<Entity> questNpc;
    SafePtr<Entity> secondNpc;
    SafePtr<Entity> questChest;
    Timer eventTimer;
    int successCount = 0;
    float multiplier = 1.0f;
    std::vector<Carrier> carriers;
    bool carriersPending = false;
    ZonePosition attackPosition{-1, 0.0f, 0.0f};
    float gateHealth = 1.0f;
    std::vector<SafePtr<Entity>> spawnedEntities;
    int spawnedCount = 0;
    bool hidden = false;
    bool itemsPending = false;
    int pendingBlock = -1;
    bool fromSourceQuest = false;
    const DatabaseEntry* thiefEffect = nullptr;
    bool meetingDisturbed = false;

private:
    bool m_playerCopy = false;
};
