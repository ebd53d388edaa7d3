#include "engine/core/ColorSystem.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"

#include <cstdlib>
#include <string>

const char* const kColorTypeNames[kColorCount] = {
    "White",       "Red",        "Green",        "Blue",       "Grey",         "Yellow",      "Orange",
    "Purple",      "Cyan",       "Magenta",      "Black",      "Brown",        "Pink",        "LightGreen",
    "LightBlue",   "DarkRed",    "DarkGreen",    "DarkBlue",   "LightGrey",    "Maroon",      "Olive",
    "Navy",        "Teal",       "Lime",         "Aquamarine", "Bronze",       "Copper",      "Brass",
    "Ivory",       "Beige",      "Tan",          "Khaki",      "DarkCyan",     "DarkMagenta", "DarkYellow",
    "DarkGrey",    "DarkOrange", "DarkPurple",   "DarkBrown",  "DarkPink",     "LightRed",    "LightYellow",
    "LightOrange", "LightCyan",  "LightMagenta", "LightBrown", "PaleGreen",    "PaleBlue",    "PaleYellow",
    "PaleRed",     "Crimson",    "Scarlet",      "Vermilion",  "Rust",         "Coral",       "Salmon",
    "Peach",       "Apricot",    "Amber",        "Honey",      "Mustard",      "Gold",        "Lemon",
    "Chartreuse",  "Emerald",    "Jade",         "Mint",       "Forest",       "Moss",        "SeaGreen",
    "Turquoise",   "Azure",      "SkyBlue",      "SteelBlue",  "RoyalBlue",    "Cobalt",      "Sapphire",
    "Indigo",      "Violet",     "Lavender",     "Lilac",      "Plum",         "Orchid",      "Mauve",
    "Amethyst",    "Fuchsia",    "Rose",         "Raspberry",  "Cherry",       "Wine",        "Burgundy",
    "Blood",       "Ruby",       "Garnet",       "Topaz",      "MediumPurple", "MediumBlue",  "MediumGreen",
    "MediumRed",   "MediumGrey", "Sand",         "Wheat",      "Cream",        "Bone",        "Parchment",
    "Ash",         "Slate",      "Charcoal",     "Smoke",      "Steel",        "Iron",        "Pewter",
    "Platinum",    "Pearl",      "Snow",         "Frost",      "Ice",          "Flame",       "Ember",
    "Fire",        "Poison",     "Seafoam",      "Lightning",  "Shadow",       "Holy",        "Arcane",
    "Nature",      "Umber",      "Silver",       "Sienna",     "Ochre",        "Sepia",       "Chestnut",
    "Mahogany",    "Walnut",     "Chocolate",    "Coffee",     "Caramel",      "Cinnamon",    "Ginger",
    "Tangerine",   "Pumpkin",    "Saffron",      "Marigold",   "Daffodil",     "Pop",         "Highlight",
    "LightPurple", "Dimmed",
};

namespace {

struct TableEntry {
    float r, g, b;
};

// Index, name and RGB are listed in docs/formats.md; keep the two in step.
const TableEntry kTable[kColorCount] = {
    {1.0f, 1.0f, 1.0f},       // White
    {1.0f, 0.45f, 0.45f},     // Red: light enough for 4.5:1 on the interface's dark grounds
    {0.0f, 1.0f, 0.0f},       // Green
    {0.3f, 0.5f, 1.0f},       // Blue
    {0.502f, 0.502f, 0.502f}, // Grey
    {1.0f, 1.0f, 0.0f},       // Yellow
    {1.0f, 0.5f, 0.0f},       // Orange
    {0.627f, 0.125f, 0.941f}, // Purple
    {0.0f, 1.0f, 1.0f},       // Cyan
    {1.0f, 0.0f, 1.0f},       // Magenta
    {0.0f, 0.0f, 0.0f},       // Black
    {0.6f, 0.4f, 0.2f},       // Brown
    {1.0f, 0.753f, 0.796f},   // Pink
    {0.565f, 0.933f, 0.565f}, // LightGreen
    {0.678f, 0.847f, 0.902f}, // LightBlue
    {0.545f, 0.0f, 0.0f},     // DarkRed
    {0.0f, 0.392f, 0.0f},     // DarkGreen
    {0.0f, 0.0f, 0.545f},     // DarkBlue
    {0.827f, 0.827f, 0.827f}, // LightGrey
    {0.502f, 0.0f, 0.0f},     // Maroon
    {0.502f, 0.502f, 0.0f},   // Olive
    {0.0f, 0.0f, 0.502f},     // Navy
    {0.0f, 0.502f, 0.502f},   // Teal
    {0.75f, 1.0f, 0.0f},      // Lime
    {0.498f, 1.0f, 0.831f},   // Aquamarine
    {0.804f, 0.498f, 0.196f}, // Bronze
    {0.8f, 0.52f, 0.26f},     // Copper: money, 4.5:1 on the dark panels and buttons
    {0.71f, 0.651f, 0.259f},  // Brass
    {1.0f, 1.0f, 0.941f},     // Ivory
    {0.961f, 0.961f, 0.863f}, // Beige
    {0.824f, 0.706f, 0.549f}, // Tan
    {0.941f, 0.902f, 0.549f}, // Khaki
    {0.0f, 0.545f, 0.545f},   // DarkCyan
    {0.545f, 0.0f, 0.545f},   // DarkMagenta
    {0.6f, 0.6f, 0.0f},       // DarkYellow
    {0.333f, 0.333f, 0.333f}, // DarkGrey
    {1.0f, 0.549f, 0.0f},     // DarkOrange
    {0.4f, 0.1f, 0.5f},       // DarkPurple
    {0.396f, 0.263f, 0.129f}, // DarkBrown
    {0.906f, 0.329f, 0.502f}, // DarkPink
    {1.0f, 0.4f, 0.4f},       // LightRed
    {1.0f, 1.0f, 0.6f},       // LightYellow
    {1.0f, 0.75f, 0.45f},     // LightOrange
    {0.6f, 1.0f, 1.0f},       // LightCyan
    {1.0f, 0.6f, 1.0f},       // LightMagenta
    {0.8f, 0.6f, 0.4f},       // LightBrown
    {0.596f, 0.984f, 0.596f}, // PaleGreen
    {0.686f, 0.933f, 0.933f}, // PaleBlue
    {1.0f, 1.0f, 0.8f},       // PaleYellow
    {1.0f, 0.8f, 0.8f},       // PaleRed
    {0.863f, 0.078f, 0.235f}, // Crimson
    {1.0f, 0.141f, 0.0f},     // Scarlet
    {0.89f, 0.259f, 0.204f},  // Vermilion
    {0.718f, 0.255f, 0.055f}, // Rust
    {1.0f, 0.498f, 0.314f},   // Coral
    {0.98f, 0.502f, 0.447f},  // Salmon
    {1.0f, 0.855f, 0.725f},   // Peach
    {0.984f, 0.808f, 0.694f}, // Apricot
    {1.0f, 0.749f, 0.0f},     // Amber
    {0.922f, 0.694f, 0.2f},   // Honey
    {1.0f, 0.859f, 0.345f},   // Mustard
    {1.0f, 0.843f, 0.0f},     // Gold
    {1.0f, 0.969f, 0.0f},     // Lemon
    {0.498f, 1.0f, 0.0f},     // Chartreuse
    {0.314f, 0.784f, 0.471f}, // Emerald
    {0.0f, 0.659f, 0.42f},    // Jade
    {0.243f, 0.706f, 0.537f}, // Mint
    {0.133f, 0.545f, 0.133f}, // Forest
    {0.541f, 0.604f, 0.357f}, // Moss
    {0.18f, 0.545f, 0.341f},  // SeaGreen
    {0.251f, 0.878f, 0.816f}, // Turquoise
    {0.0f, 0.498f, 1.0f},     // Azure
    {0.529f, 0.808f, 0.922f}, // SkyBlue
    {0.275f, 0.51f, 0.706f},  // SteelBlue
    {0.255f, 0.412f, 0.882f}, // RoyalBlue
    {0.0f, 0.278f, 0.671f},   // Cobalt
    {0.059f, 0.322f, 0.729f}, // Sapphire
    {0.294f, 0.0f, 0.51f},    // Indigo
    {0.933f, 0.51f, 0.933f},  // Violet
    {0.902f, 0.902f, 0.98f},  // Lavender
    {0.784f, 0.635f, 0.784f}, // Lilac
    {0.867f, 0.627f, 0.867f}, // Plum
    {0.855f, 0.439f, 0.839f}, // Orchid
    {0.878f, 0.69f, 1.0f},    // Mauve
    {0.6f, 0.4f, 0.8f},       // Amethyst
    {0.8f, 0.2f, 0.8f},       // Fuchsia
    {1.0f, 0.0f, 0.498f},     // Rose
    {0.89f, 0.043f, 0.365f},  // Raspberry
    {0.871f, 0.192f, 0.388f}, // Cherry
    {0.447f, 0.184f, 0.216f}, // Wine
    {0.502f, 0.0f, 0.125f},   // Burgundy
    {0.541f, 0.012f, 0.012f}, // Blood
    {0.878f, 0.067f, 0.373f}, // Ruby
    {0.6f, 0.1f, 0.15f},      // Garnet
    {1.0f, 0.784f, 0.486f},   // Topaz
    {0.576f, 0.439f, 0.859f}, // MediumPurple
    {0.0f, 0.0f, 0.804f},     // MediumBlue
    {0.235f, 0.702f, 0.443f}, // MediumGreen
    {0.8f, 0.2f, 0.2f},       // MediumRed
    {0.6f, 0.6f, 0.6f},       // MediumGrey
    {0.761f, 0.698f, 0.502f}, // Sand
    {0.961f, 0.871f, 0.702f}, // Wheat
    {1.0f, 0.992f, 0.816f},   // Cream
    {0.89f, 0.855f, 0.788f},  // Bone
    {0.945f, 0.914f, 0.824f}, // Parchment
    {0.698f, 0.745f, 0.71f},  // Ash
    {0.439f, 0.502f, 0.565f}, // Slate
    {0.212f, 0.271f, 0.31f},  // Charcoal
    {0.451f, 0.51f, 0.463f},  // Smoke
    {0.6f, 0.62f, 0.66f},     // Steel
    {0.396f, 0.4f, 0.42f},    // Iron
    {0.588f, 0.659f, 0.631f}, // Pewter
    {0.898f, 0.894f, 0.886f}, // Platinum
    {0.918f, 0.878f, 0.784f}, // Pearl
    {1.0f, 0.98f, 0.98f},     // Snow
    {0.82f, 0.93f, 1.0f},     // Frost
    {0.65f, 0.85f, 1.0f},     // Ice
    {0.886f, 0.345f, 0.133f}, // Flame
    {0.9f, 0.3f, 0.1f},       // Ember
    {1.0f, 0.35f, 0.0f},      // Fire
    {0.4f, 0.8f, 0.1f},       // Poison
    {0.47f, 0.85f, 0.75f},    // Seafoam
    {0.8f, 0.85f, 1.0f},      // Lightning
    {0.2f, 0.2f, 0.25f},      // Shadow
    {1.0f, 0.95f, 0.7f},      // Holy
    {0.6f, 0.4f, 1.0f},       // Arcane
    {0.3f, 0.7f, 0.2f},       // Nature
    {0.388f, 0.318f, 0.278f}, // Umber
    {0.753f, 0.753f, 0.753f}, // Silver
    {0.627f, 0.322f, 0.176f}, // Sienna
    {0.8f, 0.467f, 0.133f},   // Ochre
    {0.439f, 0.259f, 0.078f}, // Sepia
    {0.584f, 0.271f, 0.208f}, // Chestnut
    {0.753f, 0.251f, 0.0f},   // Mahogany
    {0.467f, 0.333f, 0.2f},   // Walnut
    {0.824f, 0.412f, 0.118f}, // Chocolate
    {0.435f, 0.306f, 0.216f}, // Coffee
    {0.776f, 0.525f, 0.259f}, // Caramel
    {0.8f, 0.45f, 0.2f},      // Cinnamon
    {0.69f, 0.396f, 0.0f},    // Ginger
    {0.949f, 0.522f, 0.0f},   // Tangerine
    {1.0f, 0.459f, 0.094f},   // Pumpkin
    {0.957f, 0.769f, 0.188f}, // Saffron
    {0.918f, 0.635f, 0.129f}, // Marigold
    {1.0f, 1.0f, 0.192f},     // Daffodil
    {1.0f, 1.0f, 1.0f},       // Pop
    {1.0f, 1.0f, 0.5f},       // Highlight
    {0.8f, 0.6f, 1.0f},       // LightPurple
    {0.35f, 0.35f, 0.35f},    // Dimmed
};

int findColorName(std::string_view name)
{
    for (int i = 0; i < kColorCount; ++i) {
        if (equalsNoCase(name, kColorTypeNames[i])) {
            return i;
        }
    }
    return -1;
}

// "r,g,b" or "r,g,b,a" of plain decimal numbers; false on anything else.
bool parseComponents(std::string_view text, Color& out)
{
    float values[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    int count = 0;
    size_t start = 0;
    while (true) {
        size_t comma = text.find(',', start);
        std::string part(
            text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (count == 4 || part.empty()) {
            return false;
        }
        char* end = nullptr;
        float v = std::strtof(part.c_str(), &end);
        if (end != part.c_str() + part.size() || v != v) {
            return false;
        }
        values[count++] = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
        if (comma == std::string_view::npos) {
            break;
        }
        start = comma + 1;
    }
    if (count < 3) {
        return false;
    }
    out = Color(values[0], values[1], values[2], values[3]);
    return true;
}

} // namespace

Color ColorSystem::getColor(int index)
{
    if (index < 0 || index >= kColorCount) {
        index = 0;
    }
    const TableEntry& e = kTable[index];
    return Color(e.r, e.g, e.b);
}

const char* ColorSystem::getName(int index)
{
    return (index >= 0 && index < kColorCount) ? kColorTypeNames[index] : "";
}

int parseColorType(std::string_view name, int defaultIndex)
{
    int index = findColorName(name);
    if (index < 0) {
        debugPrint(3, "Unknown %s name %.*s\n", "ColorType", static_cast<int>(name.size()), name.data());
        return defaultIndex;
    }
    return index;
}

Color parseColor(std::string_view text)
{
    if (text.empty()) {
        return ColorSystem::getColor(0);
    }
    int index = findColorName(text);
    if (index >= 0) {
        return ColorSystem::getColor(index);
    }
    Color c;
    if (parseComponents(text, c)) {
        return c;
    }
    debugPrint(2, "Unknown colour %.*s\n", static_cast<int>(text.size()), text.data());
    return ColorSystem::getColor(0);
}
