#pragma once

#include "game/covenants/TradeOffer.h"

// The offer a covenant has pending with one other covenant. The computer-run
// covenant drives the timer and the wait; storing an offer arms it.
struct PendingOffer {
    static constexpr int kStored = 4;

    TradeOffer offer;
    float timeLeft = 0.0f;
    bool active = false;
    float wait = 0.0f; // seconds between re-sends
    int resendsLeft = 0; // kStored when an offer is stored
};
