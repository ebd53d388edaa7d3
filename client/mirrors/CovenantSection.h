#pragma once

#include "engine/core/ZonePosition.h"
#include "game/covenants/RelationRecord.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// One covenant section of message 3, parsed whole (CovenantClient::parseSection)
// before anything is applied.
struct CovenantSection {
    int32_t definition = -1;
    std::string name;
    ZonePosition home;
    bool destroyed = false;
    // InfluenceAdventure, InfluenceCompetition, InfluenceWorld, InfluenceTransferred.
    std::array<int32_t, 4> influence{};
    int32_t guardCosts = 0;
    int32_t people = 0;
    int32_t items = 0;
    int32_t lifeStone = 0;
    int32_t house = 0;
    int32_t money = 0;
    int32_t level = 1;
    int32_t lifestoneHealth = 0;
    int32_t lifestoneMaxHealth = 0;
    // One per covenant of the message (relation, treaty, route and its start).
    std::vector<RelationRecord> relations;
    int32_t questState = 0;
    // Indices into the game definitions' trait list.
    std::vector<int32_t> traits;
    int32_t leaderGold = 0;
    bool beingRaided = false;
    int32_t raidTarget = -1;
};
