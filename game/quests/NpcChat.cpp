#include "game/quests/NpcChat.h"

#include "engine/core/Random.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameEnums.h"

NpcChat::~NpcChat() = default;

void NpcChat::loadFromDatabase()
{
    if (!getEntry())
        return;
    DefinitionReader r(getEntry());
    dialogType = toIndex(lookupChatDialogType(r.getString("DialogType")));
    minLevel = r.getFloat("MinLevel");
    maxLevel = r.getFloat("MaxLevel");
    dynamicChance = r.getFloat("DynamicChance");
    dynamicTimeLimit = r.getFloat("DynamicTimeLimit");
    chancePerChat = r.getFloat("ChanceEachChat");
    chatTexts = r.getStringList("ChatText");
    dynamic = r.getInt("Dynamic") != 0;
}

bool NpcChat::matches(int askedType, int level) const
{
    if (askedType == toIndex(ChatDialogType::Any)) {
        if (dialogType != toIndex(ChatDialogType::Normal))
            return false;
    } else if (dialogType != askedType) {
        return false;
    }
    float l = static_cast<float>(level);
    return minLevel <= l && maxLevel >= l;
}

float NpcChat::getWeight() const
{
    return chancePerChat * static_cast<float>(chatTexts.size());
}

std::string NpcChat::pickText() const
{
    if (chatTexts.empty())
        return "";
    int n = static_cast<int>(chatTexts.size());
    int i = static_cast<int>(randomFloat(0) * static_cast<float>(n));
    if (i >= n)
        i = n - 1;
    return chatTexts[static_cast<size_t>(i)];
}
