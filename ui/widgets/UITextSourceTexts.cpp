#include "ui/widgets/UIWidget.h"

#include "engine/core/ColorCodes.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Localization.h"
#include "game/covenants/CovenantBase.h"
#include "game/covenants/CovenantNames.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "ui/UIValueTables.h"
#include "ui/widgets/WidgetReads.h"

// The long texts of the text sources: a covenant's taxes and relations, the
// player covenant's progress towards winning, rumours and power sources.

namespace {

constexpr int kTreatyAlliance = 6;

std::string key(const char* name, int value)
{
    return wrapText(name, "%d", value);
}

} // namespace

std::string UIWidget::covenantTaxesText(const CovenantBase& covenant)
{
    ClientView* view = widgetClientView();
    std::string out = formatString("Base Taxes: %d\n", covenant.getBaseIncome());
    bool trade = false;
    for (int i = 0; view && i < view->getCovenantCount(); ++i) {
        if (covenant.getRelationSubState(i) != 0) {
            out += formatString("Trade with %s: %d\n", coloredName(view->getCovenant(i)).c_str(),
                                covenant.getTradeRouteIncomeWith(i));
            trade = true;
        }
    }
    if (!trade) {
        out += "No trade routes\n";
    }
    int guards = covenant.getGuardCosts();
    out += guards > 0 ? formatString("Guard Costs: -%d\n", guards) : std::string("Guard Costs: 0\n");
    return out;
}

std::string UIWidget::relationWithPlayerText(const UIWidget& widget)
{
    ClientView* view = widgetClientView();
    const CovenantBase* covenant = widget.getCovenant();
    if (!view || !covenant || !view->getPlayerCovenant() || covenant->destroyed) {
        return std::string();
    }
    int own = widget.getCovenantIndex();
    if (own == -1) {
        own = covenant->index;
    }
    if (own == view->getPlayerCovenantIndex()) {
        return std::string();
    }
    // The player's covenant is the last of the list.
    int count = view->getCovenantCount();
    std::string out = formatString("Relation with %s %.1f (max 100.0)\n", covenant->getDisplayName().c_str(),
                                   static_cast<double>(covenant->getRelation(count - 1)));
    for (int i = 0; i < count - 1; ++i) {
        const CovenantBase* other = view->getCovenant(i);
        if (i == own || !other || other->destroyed) {
            continue;
        }
        out += formatString("  with %s %.1f\n", coloredName(other).c_str(),
                            static_cast<double>(covenant->getRelation(i)));
    }
    return out;
}

std::string UIWidget::winText(int source)
{
    ClientView* view = widgetClientView();
    const CovenantBase* own = view ? view->getPlayerCovenant() : nullptr;
    if (!own) {
        return std::string();
    }
    const int ownIndex = view->getPlayerCovenantIndex();
    int destroyed = 0, remaining = 0, allies = 0;
    for (int i = 0; i < view->getCovenantCount(); ++i) {
        const CovenantBase* covenant = view->getCovenant(i);
        if (i == ownIndex || !covenant) {
            continue;
        }
        if (covenant->destroyed) {
            ++destroyed;
        } else {
            ++remaining;
            allies += covenant->getRelationState(ownIndex) == kTreatyAlliance ? 1 : 0;
        }
    }
    int rank = 0;
    for (int place = 0; place < CovenantBase::kMaxCovenants && rank == 0; ++place) {
        int index = view->getCovenantIndexByPower(place);
        if (index == -1) {
            break;
        }
        rank = index == ownIndex ? place + 1 : 0;
    }
    auto destroyedPart = [&] {
        return destroyed == 1 ? key("WinProgressOneDestroyed", destroyed)
                              : key("WinProgressDestroyed", destroyed);
    };
    auto alliancePart = [&] {
        return allies == 1 ? key("WinProgressOneAlliance", allies) : key("WinProgressAlliance", allies);
    };
    const int unallied = remaining - allies;
    auto destroyAllyPart = [&] {
        return unallied == 1 ? key("WinRemainingOneDestroyAlly", unallied)
                             : key("WinRemainingDestroyAlly", unallied);
    };
    switch (source) {
    case UITextSource::MilitaryWinProgress:
        return wrapText("WinProgress") + destroyedPart();
    case UITextSource::MilitaryWinRemaining:
        return wrapText("ForMilitaryWin") + (remaining == 1 ? key("WinRemainingOneDestroy", remaining)
                                                            : key("WinRemainingDestroy", remaining));
    case UITextSource::DiplomaticWinProgress: {
        // Ranks 10 … 19 are all "th".
        const char* suffix = rank / 10 == 1 ? "th" : ordinalSuffix(rank);
        return wrapText("WinProgress") + destroyedPart() + wrapText("WinProgressSeperator") + alliancePart() +
               wrapText("WinProgressSeperator") + wrapText("WinProgressRank", "%d%s", rank, suffix);
    }
    case UITextSource::AllianceWinProgress:
        return wrapText("WinProgress") + destroyedPart() + wrapText("WinProgressSeperator") + alliancePart();
    case UITextSource::DiplomaticWinRemaining:
        return wrapText("ForDiplomaticWin") + destroyAllyPart() +
               (rank != 1 ? wrapText("WinRemainingRank") : "");
    case UITextSource::AllianceWinRemaining:
        return wrapText("ForAllianceWin") + destroyAllyPart();
    default:
        return std::string();
    }
}

std::string UIWidget::rumorText(int kind)
{
    ClientView* view = widgetClientView();
    const GameData* data = GameData::instance();
    const CovenantBase* own = view ? view->getPlayerCovenant() : nullptr;
    const CovenantBase* partner = view ? view->getCovenant(view->getCurrentCovenant()) : nullptr;
    if (!own || !partner || !data || kind < 0 || kind > 2) {
        return std::string();
    }
    int cost = data->getRumorCost(kind, partner->level);
    bool tooDear = cost > own->stats.get(static_cast<int>(CovenantStat::Money));
    std::string prefix = tooDear ? formatColorCode(1) : std::string();
    return formatString("$$RumorText%d$$", kind + 1) + wrapText("RumorCost", "%s%d", prefix.c_str(), cost);
}

std::string UIWidget::powerSourcesText(const CharacterClass& type)
{
    const std::pair<const char*, float> gains[] = {
        {"PowerSourceOnHit", type.powerGainOnHit},
        {"PowerSourceOnDamage", type.powerGainOnDamage},
        {"PowerSourceOnBlockOrParry", type.powerGainOnBlockOrParry},
        {"PowerSourceOnCriticalHit", type.powerGainOnCriticalHit},
        {"PowerSourceOnCrushingBlow", type.powerGainOnCrushingBlow},
        {"PowerSourceOnDeepWounds", type.powerGainOnDeepWounds},
        {"PowerSourceOnKill", type.powerGainOnKill},
    };
    std::string out;
    for (const auto& [name, value] : gains) {
        if (value > 0.0f) {
            out += wrapText(name, "%s %.1f", type.powerName.c_str(), static_cast<double>(value));
        }
    }
    return out;
}
