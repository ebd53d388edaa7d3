// The hover text of a mirror: its name line and, unless short, what it is and
// what a click does.
#include "client/mirrors/EntityClient.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/CovenantClient.h"
#include "client/mirrors/MonsterTexts.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/core/ColorCodes.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntryType.h"
#include "game/definitions/GameData.h"
#include "game/definitions/Money.h"
#include "game/world/World.h"

namespace {

constexpr int kHintColor = static_cast<int>(ColorType::Highlight);

constexpr int type(DatabaseEntryType t)
{
    return static_cast<int>(t);
}

std::string entryName(const DatabaseEntry* entry)
{
    const Database* db = Database::instance();
    return db && entry ? db->getString(entry, "Name") : std::string();
}

std::string levelName(int level)
{
    const World* world = World::instance();
    return world && level >= 0 ? world->getLevelName(level) : std::string();
}

std::string covenantName(int index)
{
    Client* client = Client::instance();
    if (client && client->getPlayerCovenant() && index == client->getPlayerCovenantIndex()) {
        return client->getPlayerCovenant()->getDisplayName();
    }
    const GameClient* game = GameClient::instance();
    const CovenantClient* covenant = game && index >= 0 ? game->getCovenant(index) : nullptr;
    return covenant ? covenant->getDisplayName() : std::string();
}

bool samePlace(const ZonePosition& a, const ZonePosition& b)
{
    return a.zone == b.zone && a.x == b.x && a.y == b.y;
}

// A block of hint lines between two colour codes.
struct Hints {
    std::string& text;
    bool shown;
    bool open = false;

    void add(const char* line)
    {
        if (!shown) {
            return;
        }
        if (!open) {
            text += formatColorCode(kHintColor);
            open = true;
        }
        text += line;
    }
    ~Hints()
    {
        if (open) {
            text += formatColorCode(kColorCodePop);
        }
    }
};

} // namespace

void EntityClient::getTooltipText(std::string& out, bool shortText, bool anyEntity, bool withName) const
{
    out.clear();
    // The local player's own mirror has no entry of its own: its name is
    // the player's (it is the target that selecting oneself gives).
    const bool own = isOwnCharacter();
    if (!m_entry && !own) {
        return;
    }
    if (!anyEntity && m_type != type(DatabaseEntryType::MonsterType) && !own) {
        return;
    }
    Client* client = Client::instance();
    const PlayerClient* player = client ? client->getLocalPlayer() : nullptr;
    const bool tips = !shortText && (!client || client->getUi().simpleTips());
    const Database* db = Database::instance();
    Hints hints{out, tips};

    if (own) {
        if (anyEntity && player) {
            out += player->getGeneratedName();
        }
        if (withName) {
            out += " (your character)";
        }
        return;
    }
    if (m_type == type(DatabaseEntryType::Item)) {
        const GameData* data = GameData::instance();
        if (data && m_quality >= 0 && m_quality < kItemRarityCount) {
            out += data->rules().itemQualityText[static_cast<size_t>(m_quality)];
        }
        // Qualities 5 and 6 show the base's name, 7 the base's base; a
        // missing base keeps the entry's own.
        const DatabaseEntry* named = m_entry;
        int depth = m_quality == 7 ? 2 : (m_quality == 5 || m_quality == 6 ? 1 : 0);
        for (int i = 0; i < depth && named->getBase(); ++i) {
            named = named->getBase();
        }
        out += entryName(named);
        out += formatColorCode(kColorCodePop);
        hints.add("\nLeft click to pick up");
        hints.add("\nHold down Alt to see all items on ground");
        return;
    }
    if (m_type == type(DatabaseEntryType::Money)) {
        out += formatMoney(m_money);
        hints.add("\nLeft click to pick up");
        hints.add("\nHold down Alt to see all items on ground");
        return;
    }
    if (m_type == type(DatabaseEntryType::QuestItem)) {
        if (m_questTarget && m_questArchetype) {
            if (entryType(m_questTarget) == type(DatabaseEntryType::MonsterType)) {
                out += entryName(m_questTarget) + " ";
            }
            out += db ? db->getString(m_questArchetype, "QuestItemName") : std::string();
        } else {
            out += entryName(m_entry);
        }
        hints.add("\nLeft click to pick up");
        hints.add("\nHold down Alt to see all items on ground");
        if (isOwnDrop()) {
            hints.add("\nPickup to reduce experience penalty by half");
        }
        return;
    }
    if (m_type == type(DatabaseEntryType::Chest)) {
        std::string color = db ? db->getString(m_entry, "Color") : std::string();
        if (!color.empty()) {
            out += formatColorCode(parseColorType(color));
        }
        out += entryName(m_entry);
        hints.add("\nLeft click to open");
        return;
    }
    if (m_gate) {
        const int zone = getPosition().zone;
        if (!m_hasGateTarget || m_gateTarget.zone < 0) {
            if (zone == 0) {
                out += m_townGate ? "Town Gate" : "Covenant Gate";
            } else {
                out += formatString("%s Gate", levelName(zone).c_str());
            }
        } else if (m_gateTarget.zone == 0) {
            const GameClient* game = GameClient::instance();
            if (!player) {
                out += "Gate to home";
            } else if (samePlace(m_gateTarget, player->returnPosition)) {
                const CovenantBase* nearest = game ? game->findNearestCovenant(m_gateTarget) : nullptr;
                out += formatString("Gate to %s", nearest ? nearest->getDisplayName().c_str() : "");
            } else if (samePlace(m_gateTarget, player->secondPosition)) {
                out += formatString("Gate to %s", levelName(0).c_str());
            } else {
                out += "Gate to home";
            }
        } else {
            out += formatString("%s to %s", entryName(m_entry).c_str(), levelName(m_gateTarget.zone).c_str());
        }
        bool toActivate = (!m_hasGateTarget || m_gateTarget.zone < 0) && zone != 0 &&
                          (!player || !player->isCurrentLevelGateActive());
        hints.add(toActivate ? "\nLeft click to activate" : "\nLeft click to use");
        return;
    }
    if (m_lifeStone) {
        out += entryName(m_entry);
        const int covenant = getCovenantIndex();
        if (!shortText && covenant >= 0) {
            out += "\n" + covenantName(covenant);
        }
        if (covenant >= 0 && client && covenant == client->getPlayerCovenantIndex()) {
            if (!shortText) {
                out += "\nSlowly heals characters when used";
            }
            hints.add("\nLeft click to use");
        } else {
            hints.add("\nLeft click to attack");
        }
        return;
    }
    if (m_toggleUsable) {
        out += entryName(m_entry);
        hints.add("\nLeft click to use");
        return;
    }

    if (m_npc) {
        std::string name;
        getDisplayName(name, true, true);
        out += name;
    } else {
        std::string name;
        getMonsterRankText(name, m_rank, m_level, entryName(m_entry), false, true, true);
        out += name;
        if (m_rank != 0) {
            out += formatColorCode(kColorCodePop);
        }
    }
    if (shortText) {
        return;
    }
    if (m_stash) {
        out += m_bookshelf     ? "$$BookshelfDesc$$"
               : m_playerStash ? "$$PlayerStashDesc$$"
                               : "$$SharedStashDesc$$";
    }
    const int covenant = getCovenantIndex();
    if (covenant >= 0) {
        out += "\n" + covenantName(covenant);
    }
    const int place = getPartyPlace();
    if (m_npc && place >= 0) {
        out += formatString("\nDrop food (F%d) or healing potion (F%d)\non recruit to heal", place + 1,
                            place + 6);
    } else if (m_npc && covenant >= 0 && client && covenant == client->getPlayerCovenantIndex()) {
        out += "\nDrop food or healing potion\non recruit to heal";
    }
    if (!m_textFile.empty()) {
        hints.add("\nPress H for description");
    }
    // The left-click line names what a click in reach does: a renegade or a
    // hostile covenant's person is fought, not talked to; a pedestal and a
    // covenant's guard at peace open a house's window.
    const int onClick = getMouseAction(true, true);
    if (m_gambler) {
        hints.add("\nLeft click to gamble");
    } else if (m_vendor) {
        hints.add("\nLeft click to buy and sell");
    } else if (m_npcList) {
        hints.add("\nLeft click to manage npcs");
    } else if (m_stash) {
        hints.add("\nLeft click to open");
    } else if (onClick == PlayerClient::kActionAttack) {
        hints.add("\nLeft click to attack");
    } else if (m_npc || !m_offeredQuests.empty()) {
        hints.add("\nLeft click to talk");
    } else if (onClick == PlayerClient::kActionOwnHouse) {
        hints.add("\nLeft click to manage guards");
    } else if (onClick == PlayerClient::kActionOtherHouse) {
        hints.add("\nLeft click to see their house");
    }
    hints.add("\nRight click to select only");
}
