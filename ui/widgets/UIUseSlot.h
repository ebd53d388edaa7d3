#pragma once

#include "ui/widgets/UIWidget.h"

#include <array>
#include <memory>

class UISlotBase;

// One place of the hot bar: it refers to an item or a skill the player put
// there and uses it on a right click or its hot key. The reference is a slot
// widget of its own (never in a menu's list) and is kept in the player's
// hot-bar records, so it is saved with the character.
class UIUseSlot : public UIWidget {
public:
    static constexpr int kMaxIndex = 63;

    UIUseSlot();
    ~UIUseSlot() override;

    // A copy fills its own content again when its setup finishes.
    void copyFrom(const UIUseSlot& other);

    void draw() override;
    void update(float seconds) override;
    void activate() override;
    void onClick(int button, bool down, int x, int y) override;
    bool getTooltip(UITooltip& out) override;
    void onGameStart() override;
    void finishSetup() override { onGameStart(); }
    void endDrag() override;
    bool parseParm(const std::string& keyword, TextReader& reader) override;
    bool acceptsDrop(UIWidget* target) override;

    // Fills the place from a reference {kind, a, b, entry id}; with the
    // check on the player hears when it cannot be used.
    void fill(const std::array<int, 4>& record, bool check);
    // Lays what is being dragged (a slot of a menu or another place's
    // content) here; false when nothing that fits is dragged.
    bool placeDragged(UIWidget* dragged);
    // Empties the place and its record.
    void clear();
    void writeRecord();
    UISlotBase* getContent() const { return m_content.get(); }
    int getIndex() const { return m_index; }
    // An item reference whose item ran out (kept by its entry).
    bool hasRunOut() const;

private:
    void playUseSlotSound() const;

    std::unique_ptr<UISlotBase> m_content;
    // -1 when the menu gave no valid place.
    int m_index = -1;
};
