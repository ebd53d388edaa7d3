#pragma once

#include "game/covenants/ActorCovenant.h"

#include <cstdio>
#include <string>

// The real computer-run covenant, writing every offer it sends and every
// answer it gets into a shared transcript.
class RecordingActorCovenant : public ActorCovenant {
public:
    explicit RecordingActorCovenant(std::string& log) : transcript(log) {}

    void sendOffer(Covenant* to, const TradeOffer& offer) override
    {
        if (to && !offer.terms.empty())
            line("offer " + std::to_string(index) + "->" + std::to_string(to->index) + " " + describe(offer));
        ActorCovenant::sendOffer(to, offer);
    }
    void receiveOfferResult(Covenant* from, const TradeOffer& offer, bool accepted, int code) override
    {
        if (from)
            line("answer " + std::to_string(from->index) + "->" + std::to_string(index) + " " +
                 (accepted ? "accepted " : "refused ") + std::to_string(code) + " " + describe(offer));
        ActorCovenant::receiveOfferResult(from, offer, accepted, code);
    }

    static std::string describe(const TradeOffer& offer)
    {
        std::string text = "type " + std::to_string(offer.type);
        for (const TradeTerm& t : offer.terms)
            text += " {" + std::to_string(t.side) + "," + std::to_string(t.kind) + "," +
                    std::to_string(t.value) + "}";
        return text;
    }

private:
    void line(const std::string& text)
    {
        transcript += text;
        transcript += '\n';
    }

    std::string& transcript;
};
