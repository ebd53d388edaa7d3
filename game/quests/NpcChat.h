#pragma once

#include "engine/object/SimpleData.h"

#include <string>
#include <vector>

// One chat entry of the town characters (database type "NpcChat"): a dialog
// type, a level band, texts and a weight; dynamic entries are handed to a
// character for a while after an event.
class NpcChat : public SimpleData {
public:
    NpcChat() = default;
    ~NpcChat() override;

    // Reads the stored entry; an unknown "DialogType" is logged by the name
    // table and reads as Normal.
    void loadFromDatabase() override;

    // The dialog type asked for (Any matches Normal entries only) and the
    // level inside minLevel … maxLevel, both inclusive.
    bool matches(int dialogType, int level) const;
    // chancePerChat × the number of texts.
    float getWeight() const;
    // One text drawn from stream 0 (no draw without texts, then "").
    std::string pickText() const;

    int dialogType = 0; // ChatDialogType
    float minLevel = 0.0f;
    float maxLevel = 0.0f;
    float dynamicChance = 0.0f;
    float dynamicTimeLimit = 0.0f;
    float chancePerChat = 0.0f;
    std::vector<std::string> chatTexts;
    bool dynamic = false;
};
