#pragma once

#include "ui/widgets/UIWidget.h"

class EntityClient;

// A widget that shows one thing the player can hold or use (an item or a
// skill) and that a hot-bar place can hold. The source names what is shown:
// kind 0 an item {group, entry}, kind 1 a skill {tree, skill}.
class UISlotBase : public UIWidget {
public:
    virtual void getSource(int& kind, int& a, int& b) const = 0;
    virtual void setSource(int a, int b) = 0;
    virtual void clearSource() = 0;
    // The database entry of an item source, -1 when none.
    virtual int getSourceEntryId() const = 0;
    virtual void setSourceEntryId(int id) = 0;
    // Finds what the source showed again; false when it is gone.
    virtual bool refreshSource() = 0;
    virtual bool forceUse(EntityClient* entity) { return false; }
    // Tells the player when the source cannot be used.
    virtual void checkAvailable() {}

    // A drag let go over no widget: force use on the entity under the mouse.
    void endDrag() override;

    bool isStandalone() const { return m_standalone; }
    void setStandalone(bool on) { m_standalone = on; }
    bool isHeldByHotBar() const { return m_heldByHotBar; }
    void setHeldByHotBar(bool on) { m_heldByHotBar = on; }

protected:
    void copySlotFrom(const UISlotBase& other)
    {
        copyBaseFrom(other);
        m_standalone = other.m_standalone;
        m_heldByHotBar = other.m_heldByHotBar;
    }

    bool m_standalone = true;
    bool m_heldByHotBar = false;
};
