#pragma once

class Actor;
class Entity;

// Whether a follower may act on its leader: no covenant, or the leader is in
// zone 0 (a raiding covenant keeps its members with the raid elsewhere).
bool leaderRaidGate(const Actor* owner, const Entity* leader);
