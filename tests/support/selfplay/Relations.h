#pragma once

// The relations screen: offers of the computer covenants answered on its
// trade-request page, and the player's own war and raid declared there and
// ended with its "Stop raid".
#include "support/selfplay/Part.h"

#include <optional>

class Gate;

namespace selfplay {

class Relations : public Part {
public:
    explicit Relations(Bot& bot);

    // A pending offer is answered on the trade-request page of the relations
    // screen, opened by the Hud's Relations button; some are accepted, some
    // rejected.
    bool answerOffer();

    // From a fixed minute on, its war and raid (see warAndRaid) until done.
    bool declareWar();

    // Its raid declared, the player ends it once its raiders are spent or
    // kOwnRaidMinutes after the declaration (a game minute when its push is
    // due): the relations screen, the target's crest, its raid page and the
    // page's "Stop raid", a step a frame.
    bool endOwnRaid();

    // Its war and raid are behind it: the raid was never declared, or its
    // "Stop raid" was clicked (which carries the player home).
    bool ownRaidOver() const;

    // On its way to its raid: the level of the raid's gate at home.
    std::optional<int> raidGateLevel() const;

    // Its own raid a game minute after it was declared (the player by the
    // target's stone, the raid not yet ended).
    bool inOwnRaid() const;

    // A new offer, for the trace.
    void countOffers();
    // Its raid declared.
    void countDeclared(Figures& figures);
    // After "stopRaid" the server ends the raid and tells every player
    // "<raider> has stopped raiding <target>"; within a game minute, or
    // it is a fault.
    void checkOwnRaidEnded();

private:
    // At a fixed minute the player declares war on the covenant it is on
    // worst terms with and raids it: the relations screen, the covenant's
    // crest, the War button of its page, the raid page and its StartRaid;
    // then the raid gate that opens beside the player takes it to the target's
    // life stone, where the raid is declared.
    bool warAndRaid();

    // The linked gate whose partner stands by the raid target's life stone.
    const Gate* raidHomeGate() const;

    static constexpr int kWarDone = 6;
    static constexpr int kOwnRaidMinutes = 2;

    int m_nextOfferLook = 0;
    int m_offersAnswered = 0;
    int m_acceptsClicked = 0;
    int m_rejectsClicked = 0;
    int m_pendingOffer = -1;
    bool m_relationsOpened = false;
    int m_warFrame = 5 * kFramesPerMinute;
    int m_warStage = 0;
    int m_raidTarget = -1;
    int m_raidGateSince = 0;
    int m_deathsAtRaid = 0; // the player's deaths when it set out on its raid
    bool m_raidDeclared = false;
    int m_ownRaidDeclaredAt = -1;
    int m_stopRaidAt = -1;    // the frame it clicked "Stop raid"
    int m_stopRaidSince = -1; // the frame it set out to
    int m_stopRaidTarget = -1;
    size_t m_stopRaidLogFrom = 0; // the message log's length then
    bool m_ownRaidEnded = false;
};

} // namespace selfplay
