#pragma once

#include "engine/resources/ResourceHandle.h"
#include "game/definitions/ItemBase.h"

// An item in one of the client's inventory mirrors: the shared item data
// plus its use and drop sounds and the client's use request.
class ItemClient : public ItemBase {
public:
    ItemClient() = default;
    ~ItemClient() override;

    // The entry's item data, then "UseSoundName", "DropSoundName" (an empty
    // name releases the sound held) and "ShowSkillHint".
    void loadFromDatabase() override;
    // False without a local player mirror; the item timers join with it.
    bool isUsable() const override;
    // Food takes the game's value V1, drink V2, anything else 1.
    float getTypeMultiplier() const override;
    GameBase* getGameBase() const override;

    // Queues "useItem <group> <slot>", then plays the use sound.
    static void use(ItemClient& item, int group, int slot);
    // The drop sound (an item activated or moved).
    static void playSound(const ItemClient& item);

    const ResourceHandle& getUseSound() const { return m_useSound; }
    const ResourceHandle& getDropSound() const { return m_dropSound; }
    bool showsSkillHint() const { return m_showSkillHint; }

private:
    ResourceHandle m_useSound;
    ResourceHandle m_dropSound;
    bool m_showSkillHint = false;
};
