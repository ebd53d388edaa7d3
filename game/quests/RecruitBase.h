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
    // The stat that holds the points of skill i, where a monster's set-up
    // puts them: 11 + i when its class spends skill points, else stat 10
    // (its level); -1 for a place past the last skill stat.
    int skillPointsStat(int i) const;

    CounterList stats;
    std::unique_ptr<InventoryBase> inventory;
    std::vector<int32_t> entryList; // database entry ids, each naming an entry
    std::vector<int32_t> skills;    // SkillDefinition entry ids; -1 for an empty place
    int32_t typeEntry = -1;         // the actor's monster or NPC entry
    int32_t seed = 0;               // the actor's generation seed

protected:
    // A record read whole but not yet taken over.
    struct Parsed {
        int32_t typeEntry = -1;
        CounterList stats;
        std::unique_ptr<InventoryBase> inventory;
        std::vector<int32_t> entryList;
        int32_t seed = 0;
        std::vector<int32_t> skills;
    };
    // An empty inventory of the record's item kind.
    virtual std::unique_ptr<InventoryBase> makeInventory() const;
    // Reads the record into `parsed`, leaving this one untouched; false on a
    // short or damaged record.
    bool parse(ByteBuffer& buffer, int dataVersion, Parsed& parsed) const;
    void take(Parsed&& parsed);
};
