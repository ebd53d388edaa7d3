#include "client/mirrors/MonsterTexts.h"

#include "client/mirrors/EntityClient.h"
#include "engine/core/ColorCodes.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"

namespace {

const std::string& rarityColor(int rarity)
{
    static const std::string none;
    const GameData* data = GameData::instance();
    if (!data || rarity < 0 || rarity >= kMonsterRarityCount) {
        return none;
    }
    return data->rules().monsterRarityColor[static_cast<size_t>(rarity)];
}

bool isChampion(int rarity)
{
    return rarity == 1 || rarity == 2;
}

bool isElite(int rarity)
{
    return rarity == 3 || rarity == 4;
}

} // namespace

const char* levelSuffix(int level)
{
    int lastTwo = (level < 0 ? -level : level) % 100;
    if (lastTwo >= 11 && lastTwo <= 13) {
        return "th";
    }
    return ordinalSuffix(level);
}

void getMonsterRankText(std::string& out, int rarity, int level, const std::string& monsterName, bool flagA,
                        bool flagB, bool flagC)
{
    out.clear();
    if (rarity != 0) {
        out += rarityColor(rarity);
    }
    if (flagB) {
        if (flagC && !flagA) {
            if (isElite(rarity)) {
                out += "Elite ";
            }
            out += monsterName;
            if (isChampion(rarity)) {
                out += " Champion";
            }
        } else {
            out += monsterName;
        }
        return;
    }
    if (!flagC || flagA) {
        return;
    }
    if (level > 0) {
        out += formatString("lvl %d", level);
        if (rarity != 0) {
            out += ' ';
        }
    }
    static constexpr const char* kWords[kMonsterRarityCount] = {"",      "Champion", "Champion", "Elite",
                                                                "Elite", "Unique",   "Legend",   "Boss"};
    if (rarity > 0 && rarity < kMonsterRarityCount) {
        out += kWords[rarity];
    }
}

std::string formatMonsterDescription(int entryId, uint32_t record, bool withPlayerLevel)
{
    const GameData* data = GameData::instance();
    const MonsterType* type = entryId != -1 && data ? data->findMonsterTypeByEntryId(entryId) : nullptr;
    if (!type) {
        return "None";
    }
    int level = static_cast<int>(record & 0xFF);
    int rarity = static_cast<int>((record >> 8) & 0xFF);
    int playerLevel = static_cast<int>((record >> 16) & 0xFF);
    std::string text;
    // The player's own people gone bad: their archetype's renegade and thief flags.
    const MonsterArchetype* archetype = type->archetype;
    if (archetype && archetype->npcRenegade) {
        text = "Barbarian Renegade";
    } else if (archetype && archetype->npcThief) {
        text = "Barbarian Thief";
    } else {
        if (rarity != 0) {
            text += rarityColor(rarity);
        }
        if (isElite(rarity)) {
            text += "Elite ";
        }
        text += type->getName();
        if (isChampion(rarity)) {
            text += " Champion";
        }
    }
    if (rarity != 0) {
        text += formatColorCode(kColorCodePop);
    }
    if (!text.empty()) {
        text += formatString(" (Lvl %d)", level);
        if (withPlayerLevel) {
            text += formatString(" at Lvl %d", playerLevel);
        }
    }
    return text;
}

void EntityClient::getDisplayName(std::string& out, bool withName, bool withTitle) const
{
    out.clear();
    if (!m_entry) {
        return;
    }
    if (withName) {
        if (!m_generatedName.empty()) {
            out += m_generatedName;
        } else if (const Database* db = Database::instance()) {
            out += db->getString(m_entry, "Name");
        }
        if (m_npcGhost) {
            out += "'s ghost";
        }
    }
    if (!withTitle || m_npcGhost || m_npcType == static_cast<int>(NpcType::OneShot)) {
        return;
    }
    if (m_npcRenegade) {
        out += " the Renegade";
    } else if (m_npcThief) {
        out += " the Thief";
    } else if (m_npcType != static_cast<int>(NpcType::None) &&
               m_npcType != static_cast<int>(NpcType::Recruit)) {
        out += formatString(" the $$NpcType%s$$", getNpcTypeName(m_npcType).c_str());
    } else {
        const GameData* data = GameData::instance();
        const CharacterClass* characterClass =
            data && m_archetype ? data->findCharacterClassById(m_archetype->characterClass) : nullptr;
        out += formatString(" (%d%s lvl %s)", m_level, levelSuffix(m_level),
                            characterClass ? characterClass->name.c_str() : "");
    }
}
