#pragma once

#include "game/quests/QuestBase.h"

#include <vector>

struct HotkeyRecord;

// A quest as the client shows it: the shared quest data, its announcements
// and the client's own completion of the hotkey tutorial.
class QuestClient : public QuestBase {
public:
    // Where quest notices appear: centred on the virtual screen, 5 s, kind 1.
    static constexpr float kTextX = 320.0f;
    static constexpr float kTextY = 200.0f;
    static constexpr float kTextLifetime = 5.0f;
    static constexpr int kTextKind = 1;

    void onReset() override;
    // The client game state's game values.
    GameBase* getGameBase() const override;
    // The game section's named values stand for the world's NPCs.
    int getNpcCount() const override;
    std::string getNpcNameAt(int index) const override;
    NpcType getNpcType(int index) const override;

    // Once per frame for a quest the local player holds; hotkeys is the
    // player's hotkey table, null without a local player.
    void update(const std::vector<HotkeyRecord>* hotkeys);

    bool isAnnounced() const { return m_announced; }
    int getLastShownProgress() const { return m_lastShownProgress; }
    // Set by the game state when the slot is filled.
    int slot = -1;

private:
    void show(const std::string& text) const;

    bool m_announced = false;
    int m_lastShownProgress = -1;
};
