#pragma once

#include <string>

// Money texts. Amounts are in copper: 100 copper make a silver, 100 silver a gold.
constexpr int kCopperPerSilver = 100;
constexpr int kCopperPerGold = 10000;

// Colour indices of the money parts and the colour that closes each part.
constexpr int kGoldColor = 61;
constexpr int kSilverColor = 128;
constexpr int kCopperColor = 26;
constexpr int kPopColor = 145;

// "^c061" "12GP" "^c145" " " … for each non-zero part; 0 gives the copper
// part "0CP"; a negative amount is "-" followed by the text of its magnitude.
std::string formatMoney(long long copper);

// Only the largest non-zero part, coloured like formatMoney ("12GP").
std::string formatMoneyShort(long long copper);

// A covenant's crystals: "1 crystal", "1,250 crystals".
std::string formatCrystals(long long amount);
