// Influence moved between covenants and the world, the averages it is
// measured against, and the rumours that move it.
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Localization.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/GameRules.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "game/world/ServerLink.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>
#include <utility>

namespace {

// The amount of influence a transfer moves: a drawn fraction of the average,
// capped by what the covenant has.
int influenceAmount(const Game& game, const Covenant& covenant, float minFraction, float maxFraction)
{
    const int base = game.getAverageCovenantStat(static_cast<int>(CovenantStat::AbsoluteInfluence));
    const float fraction = minFraction + randomFloat() * (maxFraction - minFraction);
    // In float, as the fraction is: 200 x 0.1f is 20, not just above it.
    const double raw = std::ceil(static_cast<double>(static_cast<float>(base) * fraction));
    if (!std::isfinite(raw) || raw <= 0.0) {
        return 0;
    }
    const int amount = static_cast<int>(std::min(raw, static_cast<double>(std::numeric_limits<int>::max())));
    return std::min(amount, std::max(0, covenant.getInfluence()));
}

int32_t saturatingAdd(int32_t value, int delta)
{
    const int64_t sum = static_cast<int64_t>(value) + delta;
    return static_cast<int32_t>(
        std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

} // namespace

int Game::takeCovenantInfluence(Covenant* covenant, float minFraction, float maxFraction)
{
    if (!covenant) {
        return 0;
    }
    const int amount = influenceAmount(*this, *covenant, minFraction, maxFraction);
    if (amount > 0) {
        covenant->influence.transferred = saturatingAdd(covenant->influence.transferred, -amount);
    }
    return amount;
}

int Game::giveCovenantInfluence(Covenant* covenant, float minFraction, float maxFraction)
{
    if (!covenant) {
        return 0;
    }
    const int amount = influenceAmount(*this, *covenant, minFraction, maxFraction);
    if (amount > 0) {
        covenant->influence.transferred = saturatingAdd(covenant->influence.transferred, amount);
    }
    return amount;
}

int Game::getAverageCovenantStat(int index) const
{
    int64_t sum = 0;
    int64_t count = 0;
    for (int i = 0; i < getCovenantCount(); ++i) {
        const Covenant* covenant = getCovenant(i);
        if (!covenant || covenant->destroyed) {
            continue;
        }
        sum += index == static_cast<int>(CovenantStat::AbsoluteInfluence) ? covenant->influence.total()
                                                                          : covenant->stats.get(index);
        ++count;
    }
    return count ? static_cast<int>(sum / count) : 0;
}

void Game::resolveRumor(int rumorLevel, Covenant* spreader, Covenant* target)
{
    const GameData* data = GameData::instance();
    // A rumour about one's own covenant is no rumour: nothing is paid.
    if (!spreader || !target || spreader == target || !data) {
        return;
    }
    const GameRules& rules = data->rules();
    const int cost = data->getRumorCost(rumorLevel, target->level);
    const int money = toIndex(CovenantStat::Money);
    if (spreader->stats.get(money) < cost) {
        return;
    }
    spreader->stats.set(money, std::max(0, spreader->stats.get(money) - cost));
    const float chance = rumorLevel >= 0 && rumorLevel < static_cast<int>(rules.rumorChance.size())
                             ? rules.rumorChance[static_cast<size_t>(rumorLevel)]
                             : 0.0f;
    const float lo = rules.rumorMinPercentChange;
    const float hi = rules.rumorMaxPercentChange;
    const char* key = "RumorSuccess";
    int amount = 0;
    bool learns = false;
    if (chance > randomFloat()) {
        amount = takeCovenantInfluence(target, lo, hi);
    } else {
        switch (data->pickRumorFailure()) {
        case 0:
            key = "RumorPartialFailure";
            amount = takeCovenantInfluence(target, lo, hi);
            learns = true;
            break;
        case 1:
            key = "RumorCompleteFailure";
            learns = true;
            break;
        case 2:
            key = "RumorUnknownBackfire";
            amount = giveCovenantInfluence(target, lo, hi);
            break;
        default:
            key = "RumorCompleteBackfire";
            amount = giveCovenantInfluence(target, lo, hi);
            learns = true;
            break;
        }
    }
    // Early in a world covenants hold little influence: a rumour that moves
    // none says so instead of telling of a loss or gain of 0.
    if (amount <= 0) {
        constexpr std::pair<const char*, const char*> kNothingMoved[] = {
            {"RumorSuccess", "RumorSuccessNoInfluence"},
            {"RumorPartialFailure", "RumorPartialFailureNoInfluence"},
            {"RumorUnknownBackfire", "RumorUnknownBackfireNoInfluence"},
            {"RumorCompleteBackfire", "RumorCompleteBackfireNoInfluence"}};
        for (const auto& [moved, none] : kNothingMoved) {
            if (std::string_view(key) == moved) {
                key = none;
            }
        }
    }
    const Player* first = getFirstPlayer();
    const bool ours = first && first->getCovenant() == spreader;
    sendGameMessage(wrapText(key, "%s %s %s", getCovenantColoredName(target->index).c_str(),
                             formatThousands(std::max(0, amount)).c_str(),
                             getCovenantColoredName(spreader->index).c_str()),
                    ours ? 2 : 3);
    if (learns) {
        target->onRumorStarted(spreader);
    }
}
