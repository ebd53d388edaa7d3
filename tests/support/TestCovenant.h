#pragma once

#include "engine/object/SafePtr.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameData.h"
#include "game/entities/Player.h"
#include "game/entities/Sentient.h"
#include "game/world/Game.h"

#include <memory>
#include <string>
#include <vector>

// The real covenant with a leader and a kind the test sets, recording the
// notifications that only the computer-run and the player's covenants act on.
class TestCovenant : public Covenant {
public:
    struct Cancelled {
        const Covenant* partner;
        const Covenant* canceller;
        int former;
    };

    Sentient* getLeader() const override { return leader.get(); }
    void onTreatyCancelled(Covenant* partner, Covenant* canceller, int treaty) override
    {
        treaties.push_back({partner, canceller, treaty});
    }
    void onTradeRouteCancelled(Covenant* partner, Covenant* canceller, int size) override
    {
        routes.push_back({partner, canceller, size});
    }
    void onWarStarted(Covenant*) override { ++warsStarted; }
    void onRaidRepelled(Covenant*) override { ++raidsRepelled; }
    void onDealBetween(const TradeOffer&, Covenant*, Covenant*) override { ++dealsHeard; }
    void receiveOffer(Covenant* from, const TradeOffer& offer) override { offers.push_back(offer); }
    void onKill(Entity* victim, Entity* credited) override { kills.push_back({victim, credited}); }
    void onAttackNoticed(Entity* attacker, Entity* victim) override
    {
        attacksNoticed.push_back({attacker, victim});
    }
    void receiveOfferResult(Covenant*, const TradeOffer& offer, bool accepted, int code) override
    {
        answers.push_back({offer, accepted, code});
    }
    void sendDiplomacyResult(Covenant*, int code) override { results.push_back(code); }
    void sendRelationChange(Covenant*, float change) override { relationChanges.push_back(change); }
    void offerExpired(int other) override { expired.push_back(other); }
    void onRumorStarted(Covenant* starter) override { rumorsFrom.push_back(starter); }

    struct Answer {
        TradeOffer offer;
        bool accepted;
        int code;
    };
    std::vector<Answer> answers;
    std::vector<int> results;
    std::vector<float> relationChanges;
    std::vector<int> expired;
    std::vector<Covenant*> rumorsFrom;

    SafePtr<Sentient> leader;
    std::vector<Cancelled> treaties;
    std::vector<Cancelled> routes;
    std::vector<TradeOffer> offers;
    std::vector<std::pair<Entity*, Entity*>> kills;          // victim, credited
    std::vector<std::pair<Entity*, Entity*>> attacksNoticed; // attacker, victim
    int warsStarted = 0;
    int raidsRepelled = 0;
    int dealsHeard = 0;
};

// A new test covenant on the named definition, owned by the game.
inline TestCovenant& addTestCovenant(Game& game, const std::string& definition)
{
    auto covenant = std::make_unique<TestCovenant>();
    TestCovenant& added = *covenant;
    added.setDefinitionByName(definition);
    game.addCovenant(std::move(covenant));
    return added;
}

// The game's first player, at the position, leading the covenant.
inline Player* addPlayerLeading(Game& game, TestCovenant& covenant, const ZonePosition& at)
{
    auto* player = new Player();
    player->setPosition(at);
    if (game.addEntity(player) < 0) {
        delete player;
        return nullptr;
    }
    player->setCovenantIndex(covenant.index);
    covenant.leader = player;
    return player;
}

// A test covenant that counts as the player's, so a loaded world's saved
// standing is handed to it when it is added.
class TestPlayerCovenant : public TestCovenant {
public:
    bool isPlayerCovenant() const override { return true; }
};

// "Aldric" at the start position, leading a Human covenant of his own that
// counts as the player's.
inline Player* addAldricLeading(Game& game)
{
    auto* covenant = new TestPlayerCovenant();
    covenant->setDefinitionByName("Human");
    game.addCovenant(std::unique_ptr<Covenant>(covenant));
    Player* player = addPlayerLeading(game, *covenant, GameData::get().getStartPosition());
    if (player)
        player->setName("Aldric");
    return player;
}
