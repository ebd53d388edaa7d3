#pragma once

class Actor;
class Entity;

// How close to the raided covenant's house a raider counts as at the raid.
inline constexpr float kNearRaidDistance = 750.0f;

// Whether a follower may act on its leader: the owner has no covenant, its
// covenant has no raid target, or the leader stands in zone 0.
bool leaderRaidGate(const Actor* owner, const Entity* leader);

// The entity's covenant is raiding, the raided covenant exists, the entity
// takes part in the raid and stands nearer than kNearRaidDistance to the
// raided covenant's house.
bool isNearRaidTarget(const Entity* entity);
