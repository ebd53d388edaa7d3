#include "game/definitions/Money.h"

#include "engine/core/ColorCodes.h"
#include "engine/core/StringUtil.h"

namespace {

struct MoneyParts {
    bool negative = false;
    unsigned long long gold = 0;
    unsigned silver = 0;
    unsigned copper = 0;
};

MoneyParts splitMoney(long long amount)
{
    MoneyParts parts;
    parts.negative = amount < 0;
    // Negating LLONG_MIN overflows; the unsigned magnitude does not.
    unsigned long long magnitude = parts.negative ? 0ULL - static_cast<unsigned long long>(amount)
                                                  : static_cast<unsigned long long>(amount);
    parts.gold = magnitude / kCopperPerGold;
    parts.silver = static_cast<unsigned>((magnitude / kCopperPerSilver) % 100);
    parts.copper = static_cast<unsigned>(magnitude % kCopperPerSilver);
    return parts;
}

void appendPart(std::string& out, int color, unsigned long long value, const char* unit)
{
    if (!out.empty() && out != "-")
        out += ' ';
    out += formatColorCode(color);
    appendFormat(out, "%llu%s", value, unit);
    out += formatColorCode(kPopColor);
}

} // namespace

std::string formatMoney(long long copper)
{
    MoneyParts parts = splitMoney(copper);
    std::string out = parts.negative ? "-" : "";
    if (parts.gold != 0)
        appendPart(out, kGoldColor, parts.gold, "GP");
    if (parts.silver != 0)
        appendPart(out, kSilverColor, parts.silver, "SP");
    if (parts.copper != 0 || (parts.gold == 0 && parts.silver == 0))
        appendPart(out, kCopperColor, parts.copper, "CP");
    return out;
}

std::string formatMoneyShort(long long copper)
{
    MoneyParts parts = splitMoney(copper);
    std::string out = parts.negative ? "-" : "";
    if (parts.gold != 0)
        appendPart(out, kGoldColor, parts.gold, "GP");
    else if (parts.silver != 0)
        appendPart(out, kSilverColor, parts.silver, "SP");
    else
        appendPart(out, kCopperColor, parts.copper, "CP");
    return out;
}

std::string formatCrystals(long long amount)
{
    return formatThousands(amount) + (amount == 1 ? " crystal" : " crystals");
}
