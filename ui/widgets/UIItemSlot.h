#pragma once

#include "engine/core/Color.h"
#include "engine/resources/ResourceHandle.h"
#include "ui/widgets/UISlotBase.h"

#include <string>

class DatabaseEntry;
class ItemBase;

// One entry of an inventory: an equipment place, a bag entry, a stash,
// vendor or loot entry. The slot shows the item there and turns the
// player's clicks and drags into requests for the server; it never changes
// an inventory itself, and refuses what the rules forbid on the spot.
class UIItemSlot : public UISlotBase {
public:
    static constexpr int kRepurchaseFirst = 22;
    static constexpr int kRepurchaseLast = 23;

    UIItemSlot();
    ~UIItemSlot() override;

    void copyFrom(const UIItemSlot& other);

    void draw() override;
    void update(float seconds) override;
    void activate() override;
    void onClick(int button, bool down, int x, int y) override;
    bool getTooltip(UITooltip& out) override;
    void endDrag() override;
    bool parseParm(const std::string& keyword, TextReader& reader) override;
    void getText(std::string& out) const override;
    bool acceptsDrop(UIWidget* target) override;

    void getSource(int& kind, int& a, int& b) const override;
    void setSource(int group, int entry) override;
    void clearSource() override;
    int getSourceEntryId() const override;
    void setSourceEntryId(int id) override;
    bool refreshSource() override;
    bool forceUse(EntityClient* entity) override;

    // The item at the slot's place now; null when none (looked up each time).
    const ItemBase* getItem() const;
    // The group a bag in this slot opens: only Main 0 … 3 and Loot 0 … 7
    // carry bags; -1 otherwise.
    int getBagGroup() const;
    int getGroup() const { return m_group; }
    int getEntry() const { return m_entry; }
    int getSlotType() const { return m_slotType; }
    void setSlotType(int type) { m_slotType = type; }
    void setGroup(int group) { m_group = group; }
    bool isVendorSlot() const { return m_vendor; }
    // The price a vendor slot asks for its item; 0 without one.
    int getBuyPrice() const;
    // Sells the item of this slot to the interaction entity.
    void sell();
    // Buys the item of this vendor slot.
    void buy();
    // The icon shown for the item (a gambler's stock hides what it is).
    std::string getIconName(const ItemBase& item) const;

private:
    bool mayGiveUpItem() const;
    bool bagCanTake(const UIItemSlot* dragged) const;
    bool isGamblerStock() const;
    void dropOn(UIItemSlot& dragged);
    void playGameSound(const char* name) const;
    void drawOverlays(const ItemBase* item);

    int m_group = 0;
    int m_entry = -1;
    int m_slotType = 19;
    bool m_vendor = false;
    bool m_repurchase = false;
    ResourceHandle m_highlight;
    ResourceHandle m_highlightBad;
    ResourceHandle m_outline;
    ResourceHandle m_unidentified;
    const DatabaseEntry* m_sourceEntry = nullptr;
    // The item shown last frame, by object and entry (an address alone may
    // be a new item at a freed place).
    const ItemBase* m_lastItem = nullptr;
    const DatabaseEntry* m_lastEntry = nullptr;
    bool m_onlyDrop = false;
    std::string m_emptyTexture;
    Color m_baseColour;
    bool m_hintGiven = false;
};
