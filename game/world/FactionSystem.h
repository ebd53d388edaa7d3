#pragma once

#include "engine/object/BaseClass.h"
#include "game/world/Faction.h"
#include "game/world/GameSystem.h"

#include <memory>
#include <string>
#include <vector>

class ByteBuffer;
class Entity;

// The factions read from the database (entries of type Faction), their
// reputations toward each other and the wars between them. A reputation
// turns into an attitude (kHate … kLove) that decides who attacks whom;
// kills move reputations. One exists at a time; it registers itself with
// the game systems when made.
class FactionSystem : public GameSystem, public BaseClass {
public:
    // Attitudes of getRelation.
    static constexpr int kHate = 0; // also: at war
    static constexpr int kDislike = 1;
    static constexpr int kNeutral = 2;
    static constexpr int kLike = 3;
    static constexpr int kLove = 4;

    // Reads the "FactionSystem" entry and the factions.
    FactionSystem();
    ~FactionSystem() override;

    static FactionSystem* instance() { return s_instance; }

    // The "FactionSystem" entry; a missing one is passed over silently.
    void loadSettings();
    // Every Faction entry in database order, with its reputations.
    void loadFactions();
    // Deletes every faction.
    void clear();

    Faction* getOrAddFaction(const std::string& name);
    Faction* findFaction(const std::string& name) const;
    int getFactionId(const std::string& name) const;
    // Null for an id outside the list.
    Faction* getFaction(int id) const;
    int getFactionCount() const { return static_cast<int>(m_factions.size()); }

    // Faction a's reputation toward b: 50 when either id is -1 or a has no
    // record; the entry's value; 100 toward itself; a's default.
    float getReputation(int a, int b) const;
    void setReputation(int a, int b, float value);
    // Adds delta, clamped to 0 … 100.
    void changeReputation(int a, int b, float delta);
    // Through each entity's faction name; 50 when either is missing.
    float getReputationBetween(const Entity* a, const Entity* b) const;
    // The observer's attitude toward the other (kHate … kLove); neutral
    // when either is missing or has no faction.
    int getRelation(const Entity* observer, const Entity* other) const;
    // The attitude a reputation stands for (a value on a threshold falls
    // into the higher class).
    int attitudeOf(float reputation) const;

    void declareWar(int a, int b);
    void makePeace(int a, int b);
    bool isAtWar(int a, int b) const;
    bool canGoToWar(int a, int b) const;

    // flag 0 only: the victim's faction likes the killer's less, and so do
    // the factions that like the victim's.
    void onKill(Entity* killer, Entity* victim, int flag) override;

    // The faction block of the world save.
    void write(ByteBuffer& out) const;
    // Refuses a cut or damaged block whole (logged, nothing changed). Saved
    // factions that no longer exist are read and dropped, and so are
    // entries toward them.
    bool read(ByteBuffer& in);

    float getChangePerKill() const { return m_changePerKill; }
    float getMaxHateReputation() const { return m_maxHateReputation; }
    float getMaxDislikeReputation() const { return m_maxDislikeReputation; }
    float getMinLikeReputation() const { return m_minLikeReputation; }
    float getMinLoveReputation() const { return m_minLoveReputation; }
    const std::string& getPlayerFactionName() const { return m_playerFactionName; }
    const std::string& getNpcFactionName() const { return m_npcFactionName; }
    int getPlayerFactionId() const { return m_playerFactionId; }
    int getNpcFactionId() const { return m_npcFactionId; }

private:
    std::vector<std::unique_ptr<Faction>> m_factions;
    float m_changePerKill = 0.0f;
    float m_maxHateReputation = 0.0f;
    float m_maxDislikeReputation = 0.0f;
    float m_minLikeReputation = 0.0f;
    float m_minLoveReputation = 0.0f;
    std::string m_playerFactionName;
    std::string m_npcFactionName;
    int m_playerFactionId = -1;
    int m_npcFactionId = -1;

    static inline FactionSystem* s_instance = nullptr;
};

// Makes the one FactionSystem; a second call does nothing.
void createFactionSystem();
void destroyFactionSystem();
