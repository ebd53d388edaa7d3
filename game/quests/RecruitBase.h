#pragma once

#include "engine/object/BaseClass.h"
#include "game/skills/CounterList.h"

#include <cstdint>
#include <memory>
#include <vector>

class ByteBuffer;
class InventoryBase;

// The record of one recruit of a covenant that outlives the recruit's actor:
// its database entry and generation seed, its character stats, inventory,
// kept database entries and skills. Byte form in docs/formats.md ("Recruit
// record").
class RecruitBase : public BaseClass {
public:
    static constexpr int kStatCount = 112;
    // Data versions that changed the record: 112 stats from 13 on.
    static constexpr int kVersionFullStats = 13;

    // A plain inventory.
    RecruitBase();
    // Takes the inventory of the derived class's item kind.
    explicit RecruitBase(std::unique_ptr<InventoryBase> ownedInventory);
    ~RecruitBase() override;
    RecruitBase(const RecruitBase&) = delete;
    RecruitBase& operator=(const RecruitBase&) = delete;

    virtual void write(ByteBuffer& buffer) const;
    // False, record unchanged, for a short or damaged record (the caller
    // logs and rejects). A kept entry whose name is unknown is dropped with
    // a level-2 line; an unknown skill name reads as -1 in its place.
    virtual bool read(ByteBuffer& buffer, int dataVersion);

    int getSkillCount() const { return static_cast<int>(skills.size()); }
    // -1 outside the list.
    int getSkill(int i) const;

    CounterList stats;
    std::unique_ptr<InventoryBase> inventory;
    std::vector<int32_t> entryList; // database entry ids, each naming an entry
    std::vector<int32_t> skills;    // SkillDefinition entry ids; -1 for an empty place
    int32_t typeEntry = -1;         // the actor's monster or NPC entry
    int32_t seed = 0;               // the actor's generation seed
};
