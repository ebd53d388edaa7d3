#pragma once

#include "engine/core/GameTime.h"
#include "engine/core/ZonePosition.h"
#include "engine/object/BaseClass.h"
#include "game/covenants/RelationRecord.h"
#include "game/skills/CounterList.h"

#include <array>
#include <memory>
#include <string>

class ByteBuffer;
class CovenantDefinition;
class InventoryBase;

// What every covenant shares, on the server and in the client's mirror: its
// identity, house, covenant stats, life-stone pair, raid target and the
// relation table towards the other covenants (indices 0 … 31). An index
// outside 0 … 31 is no error: getters give neutral values, setters do nothing.
class CovenantBase : public BaseClass {
public:
    static constexpr int kMaxCovenants = 32;
    // Bytes of one relation entry of the state message and of one saved record.
    static constexpr size_t kRelationEntryBytes = 28;
    static constexpr size_t kRelationSavedBytes = 44;

    CovenantBase();
    ~CovenantBase() override;
    CovenantBase(const CovenantBase&) = delete;
    CovenantBase& operator=(const CovenantBase&) = delete;

    // ---- Virtual slots, in order
    virtual void setDefinitionIndex(int definition);
    // Stores through setDefinitionIndex; -1 for an unknown name.
    virtual void setDefinitionByName(const std::string& definitionName);
    // Called once after a record's treaty or trade route really changed.
    virtual void onTreatyChanged(int other);
    virtual void onTradeRouteChanged(int other);
    virtual void setLifestoneHealth(int health);
    virtual int getLifestoneHealth() const;
    virtual void setLifestoneMaxHealth(int health);
    virtual int getLifestoneMaxHealth() const;
    // The sum of the influence counters (the base has none: 0).
    virtual int getInfluence() const;
    // Crystal change per tax period: base income + every route's income -
    // guard costs (can be negative).
    virtual int sumRelationValues() const;
    // Income of one trade route (the base has none: 0).
    virtual int getRelationValue(int cap, int other, int tradeRoute, const GameTime& since) const;
    virtual bool isPlayerCovenant() const;

    // ---- Relation table. Records appear on first use of an index, each at
    // relation 50, Peace, no route, zero stamps.
    bool ensureRelation(int other) const;
    // Forgets every record (a covenant carried into a new world).
    void clearRelations() { m_relationCount = 0; }
    int getRelationCount() const { return m_relationCount; }
    // The record of an index, created when in range; null outside 0 … 31.
    const RelationRecord* getRelationRecord(int other) const;

    float getRelation(int other) const;
    // Clamped to 0 … 100; a NaN changes nothing (level-2 line).
    void setRelation(int other, float value);
    void changeRelation(int other, float delta);
    int getRelationState(int other) const;
    // On a change: stores the treaty, stamps zero, then calls onTreatyChanged.
    void setRelationState(int other, int treaty);
    void setRelationStateAt(int other, int treaty, const GameTime& time);
    GameTime getRelationStateTime(int other) const;
    int getRelationSubState(int other) const;
    // On a change: stores the size, stamps zero, then calls onTradeRouteChanged.
    void setRelationSubState(int other, int tradeRoute);
    void setTradeRoute(int other, int tradeRoute, const GameTime& start);
    GameTime getTradeRouteTime(int other) const;

    // False for a destroyed covenant; War or Raid.
    bool isHostile(int other) const;
    // A pact: NonAggressionPact, MutualProtectionPact or Alliance.
    bool hasPact(int other) const;
    bool hasProtectionPact(int other) const;
    // A pact or a trade route.
    bool isFriendly(int other) const;

    // ---- Relation byte forms
    // State-message entry (28 bytes): f32 relation, i32 treaty, i32 route,
    // GameTime route start. Past index 31: 0.0, 1, 0, zero.
    void writeRelationEntry(ByteBuffer& buffer, int other) const;
    // Stores through setRelation, setRelationState and setTradeRoute; an
    // index outside 0 … 31 only consumes the bytes. False, nothing stored,
    // for a short buffer, a NaN relation, a treaty outside 0 … 10, a route
    // outside 0 … 5 or a time stamp whose seconds are not finite.
    bool readRelationEntry(ByteBuffer& buffer, int other);
    // Saved record (44 bytes): f32 relation, i32 treaty, GameTime treaty
    // stamp, i32 route, GameTime route stamp.
    void writeRelationSaved(ByteBuffer& buffer, int other) const;
    // Restores the record as saved (relation clamped) without calling
    // onTreatyChanged or onTradeRouteChanged; refuses as readRelationEntry.
    bool readRelationSaved(ByteBuffer& buffer, int other);

    // ---- Identity and figures
    // The covenant's definition, null when the slot is empty.
    const CovenantDefinition* getDefinition() const;
    std::string getName() const;
    std::string getDefinitionName() const;
    std::string getDefinitionShortName() const;
    // The definition's short name, else the own name, else the definition name.
    std::string getDisplayName() const;
    int getColorType() const;
    // floor(sum of the rules' power multipliers x House, AbsoluteInfluence,
    // People, Items, LifeStone + 0.5).
    int computePower() const;
    // Never negative.
    int getBaseIncome() const;
    int getTradeRouteIncomeWith(int other) const;
    int getGuardCosts() const;
    // The Money covenant stat (crystals) += amount.
    void addCrystals(int amount);

    CounterList stats;
    std::unique_ptr<InventoryBase> inventory; // created by the derived class
    std::string name;
    ZonePosition housePosition;
    int index = -1;
    int definitionIndex = -1;
    bool destroyed = false;
    int recruitCount = 0;
    int lifestoneHealth = 0;
    int lifestoneMaxHealth = 0;
    int raidTarget = -1;
    int level = 1;

private:
    RelationRecord* record(int other) const;
    static bool validEntry(float relation, int treaty, int route);

    // Records 0 … m_relationCount - 1 exist. Creating one is not a change of
    // the covenant's state (a new record reads as the defaults), so the
    // getters may create.
    mutable std::array<RelationRecord, kMaxCovenants> m_relations{};
    mutable int m_relationCount = 0;
};
