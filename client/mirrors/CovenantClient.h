#pragma once

#include "client/mirrors/CovenantSection.h"
#include "engine/resources/ResourceHandle.h"
#include "game/covenants/CovenantBase.h"

#include <string>
#include <vector>

class ByteBuffer;
class CovenantTrait;
class InventoryClient;

// The client's copy of one computer-run covenant, refreshed from its
// section of every state message.
class CovenantClient : public CovenantBase {
public:
    static constexpr const char* kEliminatedSound = "Sounds/covenantEliminated.ogg";

    explicit CovenantClient(int covenantIndex);
    ~CovenantClient() override;

    // Parses one section; covenantCount relation entries follow the fixed
    // part. False, with the field named, when the bytes do not fit, a
    // relation entry is refused, a trait id is outside the trait list or the
    // raid target is neither -1 nor a covenant of the message.
    static bool parseSection(ByteBuffer& in, uint32_t covenantCount, CovenantSection& out,
                             std::string& field);
    // Applies a parsed section; the eliminated sound plays when the flag is
    // newly set after the first section.
    void readSection(const CovenantSection& section);

    // The stat AbsoluteInfluence.
    int getInfluence() const override;
    // A trade route's value at the client's game time, capped by the other
    // covenant's influence curve; 0 without that covenant's mirror.
    int getRelationValue(int cap, int other, int tradeRoute, const GameTime& since) const override;

    // Trait i, or null outside the list.
    const CovenantTrait* getTrait(int i) const;
    int getTraitCount() const { return static_cast<int>(m_traits.size()); }
    // The rules' name for the relation toward covenant i; empty without a definition.
    std::string getRelationName(int other) const;

    InventoryClient& getInventory();
    bool isReceived() const { return m_received; }
    int getQuestState() const { return m_questState; }
    int getLeaderGold() const { return m_leaderGold; }
    bool isBeingRaided() const { return m_beingRaided; }

private:
    std::vector<const CovenantTrait*> m_traits;
    ResourceHandle m_eliminatedSound;
    bool m_received = false;
    int m_questState = 0;
    int m_leaderGold = 0;
    bool m_beingRaided = false;
};
