#pragma once

#include "engine/core/Color.h"
#include "engine/core/Singleton.h"

#include <string_view>

// Names of the colour table's entries; the value is the table index (and the
// number in a colour code). Pop is no colour: it ends a coloured stretch.
enum class ColorType : int {
    White = 0,
    Red = 1,
    Green = 2,
    Blue = 3,
    Grey = 4,
    Yellow = 5,
    Orange = 6,
    Purple = 7,
    Cyan = 8,
    Magenta = 9,
    Black = 10,
    Brown = 11,
    Pink = 12,
    LightGreen = 13,
    LightBlue = 14,
    DarkRed = 15,
    DarkGreen = 16,
    DarkBlue = 17,
    LightGrey = 18,
    Maroon = 19,
    Olive = 20,
    Navy = 21,
    Teal = 22,
    Lime = 23,
    Aquamarine = 24,
    Bronze = 25,
    Copper = 26,
    Brass = 27,
    Ivory = 28,
    Beige = 29,
    Tan = 30,
    Khaki = 31,
    DarkCyan = 32,
    DarkMagenta = 33,
    DarkYellow = 34,
    DarkGrey = 35,
    DarkOrange = 36,
    DarkPurple = 37,
    DarkBrown = 38,
    DarkPink = 39,
    LightRed = 40,
    LightYellow = 41,
    LightOrange = 42,
    LightCyan = 43,
    LightMagenta = 44,
    LightBrown = 45,
    PaleGreen = 46,
    PaleBlue = 47,
    PaleYellow = 48,
    PaleRed = 49,
    Crimson = 50,
    Scarlet = 51,
    Vermilion = 52,
    Rust = 53,
    Coral = 54,
    Salmon = 55,
    Peach = 56,
    Apricot = 57,
    Amber = 58,
    Honey = 59,
    Mustard = 60,
    Gold = 61,
    Lemon = 62,
    Chartreuse = 63,
    Emerald = 64,
    Jade = 65,
    Mint = 66,
    Forest = 67,
    Moss = 68,
    SeaGreen = 69,
    Turquoise = 70,
    Azure = 71,
    SkyBlue = 72,
    SteelBlue = 73,
    RoyalBlue = 74,
    Cobalt = 75,
    Sapphire = 76,
    Indigo = 77,
    Violet = 78,
    Lavender = 79,
    Lilac = 80,
    Plum = 81,
    Orchid = 82,
    Mauve = 83,
    Amethyst = 84,
    Fuchsia = 85,
    Rose = 86,
    Raspberry = 87,
    Cherry = 88,
    Wine = 89,
    Burgundy = 90,
    Blood = 91,
    Ruby = 92,
    Garnet = 93,
    Topaz = 94,
    MediumPurple = 95,
    MediumBlue = 96,
    MediumGreen = 97,
    MediumRed = 98,
    MediumGrey = 99,
    Sand = 100,
    Wheat = 101,
    Cream = 102,
    Bone = 103,
    Parchment = 104,
    Ash = 105,
    Slate = 106,
    Charcoal = 107,
    Smoke = 108,
    Steel = 109,
    Iron = 110,
    Pewter = 111,
    Platinum = 112,
    Pearl = 113,
    Snow = 114,
    Frost = 115,
    Ice = 116,
    Flame = 117,
    Ember = 118,
    Fire = 119,
    Poison = 120,
    Seafoam = 121,
    Lightning = 122,
    Shadow = 123,
    Holy = 124,
    Arcane = 125,
    Nature = 126,
    Umber = 127,
    Silver = 128,
    Sienna = 129,
    Ochre = 130,
    Sepia = 131,
    Chestnut = 132,
    Mahogany = 133,
    Walnut = 134,
    Chocolate = 135,
    Coffee = 136,
    Caramel = 137,
    Cinnamon = 138,
    Ginger = 139,
    Tangerine = 140,
    Pumpkin = 141,
    Saffron = 142,
    Marigold = 143,
    Daffodil = 144,
    Pop = 145,
    Highlight = 146,
    LightPurple = 147,
    Dimmed = 148,
};

constexpr int kColorCount = 149;

// The names in index order, for name tables and parsing.
extern const char* const kColorTypeNames[kColorCount];

// The colour table: 149 RGB colours, compiled in.
class ColorSystem : public Singleton<ColorSystem> {
public:
    ColorSystem() = default;

    // RGB of an index 0 .. 148 (alpha 1); any other index gives colour 0.
    static Color getColor(int index);
    static Color getColor(ColorType type) { return getColor(static_cast<int>(type)); }
    static const char* getName(int index);
};

// Index of a colour name (case-insensitive); logs "Unknown ColorType name"
// and gives the default when absent.
int parseColorType(std::string_view name, int defaultIndex = 0);

// A colour from a colour-table name (case-insensitive) or one token of
// numeric components "r,g,b" or "r,g,b,a" (each clamped to 0..1, alpha 1 when
// absent). An empty text gives colour 0 silently; anything else that does not
// parse gives colour 0 and a log line.
Color parseColor(std::string_view text);
