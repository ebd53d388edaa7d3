#pragma once

#include "engine/object/SafePtr.h"
#include "game/quests/RecruitBase.h"

#include <cstdint>
#include <vector>

class Actor;
class ByteBuffer;
class Covenant;
class ItemBase;
class StatusEffect;

// One follower of a covenant: a record that outlives its actor. While the
// recruit is embodied the actor is the truth and the record is refreshed
// from it before it is written or the actor goes.
class Recruit : public RecruitBase {
public:
    Recruit();
    // Schedules "delete" for an actor that is still in the Game's table.
    ~Recruit() override;

    // The record's save form: RecruitBase's, then the hero flag (i32).
    void write(ByteBuffer& buffer) const override;
    // False, record unchanged, on a short or damaged record.
    bool read(ByteBuffer& buffer, int dataVersion) override;

    // Copies type, stats, inventory and skills from the actor; nothing
    // without one. The stats are those a body made from the record has: as
    // the actor's, walking and without the effects that pass with it.
    void saveFromActor(const Actor* actor);
    // The actor's effects that a body made from the record is given again
    // (createActor): every actor's regeneration, its class's and type's
    // enhancements, the kept entries, the recruit enhancement and the
    // covenant's own. The rest pass with the actor.
    std::vector<StatusEffect*> lastingEffects(const Actor& actor) const;
    // A new actor from the record (not yet in the Game's table); null when
    // the type is unknown.
    Actor* createActor(Covenant* covenant, bool restoreSkills);
    // Binds the actor; unless skipEnhancement it joins the covenant and gets
    // the recruit enhancement ("EnhancementRecruit" + "Hero"/"Basic" + class).
    // The body it replaces names that covenant no more.
    void attachActor(Actor* newActor, bool skipEnhancement);
    // Saves the record, deletes the actor and unbinds it.
    void dismissActor();
    // Unbinds without saving or deleting: the actor stays in the world.
    void detachActor() { actor = nullptr; }
    Actor* getActor() const { return actor.get(); }

    void setLevel(int level);
    // The depth a move by change looks for: the level's monster level (the
    // actor's "Level" outside levels, 1 for an unknown level) + change, at
    // least 1; -1 outside levels without an actor.
    int targetDepth(int change) const;
    // Asks the world for a random level at the recruit's depth + change.
    void moveToRandomLevel(int change);
    int getStat(int stat) const;
    ItemBase* getEquippedItem(int slot) const;
    // The equipment slot the embodied recruit would wear the item in: an
    // empty usable slot first, else the one whose item is worth least and
    // less than the new one; "None" (17) when none fits, -1 when a
    // two-handed item meets an off-hand one.
    int bestSlotForItem(const ItemBase* item) const;

    // The form exchanged with the client (docs/formats.md "Recruit section").
    void writeSection(ByteBuffer& out) const;
    // Checked reads with bounded counts; false, record unchanged, on a short
    // or bad section.
    bool readSection(ByteBuffer& in);

    // The name of the recruit enhancement entry for the body's class.
    std::string enhancementNameFor(const Actor& body) const;

    int covenantIndex = -1;
    SafePtr<Actor> actor;
    uint8_t away = 0; // on a raid or away from the house
    int levelIndex = -1;
    int32_t wins = 0;
    int32_t losses = 0;
    bool hero = false;
    bool relocate = false; // not saved

protected:
    std::unique_ptr<InventoryBase> makeInventory() const override;
};
