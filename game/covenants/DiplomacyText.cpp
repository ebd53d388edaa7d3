#include "game/covenants/DiplomacyText.h"

#include "engine/core/ColorCodes.h"
#include "engine/core/Random.h"
#include "game/covenants/CovenantBase.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameEnums.h"

#include <vector>

namespace {

// The colour index a response's line is shown in; -1 for none.
int responseColor(int response)
{
    switch (static_cast<CovenantResponse>(response)) {
    case CovenantResponse::OfferGood:
    case CovenantResponse::Gift:
        return 2;
    case CovenantResponse::OfferClose:
        return 5;
    case CovenantResponse::OfferBad:
    case CovenantResponse::Demand:
    case CovenantResponse::TradeRejected:
    case CovenantResponse::DemandRejected:
    case CovenantResponse::DemandRejectedConfirmation:
        return 1;
    default:
        return -1;
    }
}

} // namespace

std::string getRandomResponseText(const CovenantBase* covenant, std::string_view key, int stream)
{
    const CovenantDefinition* definition = covenant ? covenant->getDefinition() : nullptr;
    if (!definition || !definition->getEntry())
        return "";
    std::vector<std::string> lines = DefinitionReader(definition->getEntry()).getStringList(key);
    if (lines.empty())
        return "";
    int pick = randomInt(stream, static_cast<int>(lines.size()));
    if (pick < 0 || pick >= static_cast<int>(lines.size()))
        pick = 0;
    return lines[static_cast<size_t>(pick)];
}

std::string getDiplomacyResponseText(const CovenantBase* covenant, int response, std::string_view suffix,
                                     int stream)
{
    if (response < 0 || response >= kCovenantResponseCount)
        return "";
    std::string key = "DiplomacyTextResponse" + getCovenantResponseName(response);
    key += suffix;
    std::string text = getRandomResponseText(covenant, key, stream);
    if (text.empty())
        return suffix.empty() ? std::string() : getDiplomacyResponseText(covenant, response, {}, stream);
    int color = responseColor(response);
    return color < 0 ? text : formatColorCode(color) + text;
}
