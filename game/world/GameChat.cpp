// What the town's people say: their introduction, a line of their chat list
// for the player's level, and now and then an event line they picked up
// when something happened in the world.
#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "engine/data/Localization.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/GameRules.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/quests/NpcChat.h"
#include "game/world/Game.h"
#include "game/world/Weather.h"

#include <cmath>

namespace {

constexpr int kAny = 1;
constexpr int kRain = 11;
constexpr int kLevelStat = toIndex(CharacterStat::Level);
// The town's rain counts from this intensity.
constexpr float kRainIntensity = 0.2f;

const MonsterArchetype* npcRecord(const Actor* npc)
{
    const MonsterType* type = npc ? npc->getMonsterType() : nullptr;
    return type ? type->archetype : nullptr;
}

// The key with the player's name as its argument.
std::string withName(const std::string& key, const Player* player)
{
    return wrapText(key.c_str(), "%s", player->getName().c_str());
}

} // namespace

std::string Game::chatArguments(const std::string& wrapped)
{
    // "$$" + "" + "~<...@@>~" + "$$" from a wrap of the empty key.
    return wrapped.size() >= 4 ? wrapped.substr(2, wrapped.size() - 4) : std::string();
}

std::string Game::chooseNpcChat(Actor* npc, const Player* player, int dialogType, const NpcChat** chosen)
{
    if (chosen) {
        *chosen = nullptr;
    }
    const MonsterArchetype* record = npcRecord(npc);
    const GameData* data = GameData::instance();
    if (!npc || !player || !record || !data) {
        return {};
    }
    const float level = static_cast<float>(player->getStat(kLevelStat));
    const int npcType = npc->getNpcType();
    if (!npc->introGiven && dialogType == kAny) {
        npc->introGiven = true;
        return withName(record->introText, player);
    }
    if (dialogType == kAny && randomFloat() < m_settings.dynamicChatChance && hasDynamicChat(npcType)) {
        return takeDynamicChat(npcType);
    }
    auto matches = [&](const NpcChat* entry) {
        const int wanted = dialogType == kAny ? 0 : dialogType;
        return entry && entry->dialogType == wanted && entry->minLevel <= level && level <= entry->maxLevel;
    };
    std::vector<const NpcChat*> entries;
    for (const std::string& name : record->npcChats) {
        entries.push_back(data->findNpcChat(name));
    }
    float total = 0.0f;
    for (const NpcChat* entry : entries) {
        if (matches(entry)) {
            total += entry->getWeight();
        }
    }
    if (total <= 0.0f) {
        return {};
    }
    const float target = randomFloat() * total;
    float sum = 0.0f;
    for (const NpcChat* entry : entries) {
        if (!matches(entry)) {
            continue;
        }
        sum += entry->getWeight();
        if (sum > target) {
            if (chosen) {
                *chosen = entry;
            }
            const std::string key = entry->pickText();
            return entry->dynamic || key.empty() ? key : withName(key, player);
        }
    }
    return {};
}

void Game::triggerNpcChat(int dialogType, const std::string& eventText, int npcTypeFilter)
{
    const Player* player = getFirstPlayer();
    if (!player) {
        return;
    }
    for (int slot = 0; slot < getTownNpcCount(); ++slot) {
        Actor* npc = getTownNpcAt(slot);
        if (!npc || (npcTypeFilter != 0 && npc->getNpcType() != npcTypeFilter)) {
            continue;
        }
        const NpcChat* entry = nullptr;
        const std::string line = chooseNpcChat(npc, player, dialogType, &entry);
        if (line.empty() || !entry) {
            continue;
        }
        if (randomFloat() < entry->dynamicChance) {
            addDynamicChat(npc->getNpcType(), wrapTextPair(line, eventText), entry->dynamicTimeLimit);
        }
    }
}

void Game::raiseNpcChat(ChatDialogType type, const std::string& subject, int npcType)
{
    const std::string text =
        subject.empty() ? std::string() : chatArguments(wrapText("", "%s", subject.c_str()));
    triggerNpcChat(toIndex(type), text, npcType);
}

void Game::raiseNpcChat(ChatDialogType type, const std::string& first, const std::string& second, int npcType)
{
    triggerNpcChat(toIndex(type), chatArguments(wrapText("", "%s %s", first.c_str(), second.c_str())),
                   npcType);
}

void Game::addDynamicChat(int npcType, const std::string& text, float seconds)
{
    const DynamicChatLine line{static_cast<uint32_t>(npcType), text, seconds};
    for (DynamicChatLine& record : m_dynamicChats) {
        if (record.secondsLeft <= 0.0f) {
            record = line;
            return;
        }
    }
    m_dynamicChats.push_back(line);
}

void Game::updateDynamicChats(float seconds)
{
    for (DynamicChatLine& record : m_dynamicChats) {
        if (record.secondsLeft > 0.0f) {
            record.secondsLeft -= seconds;
        }
    }
}

bool Game::hasDynamicChat(int npcType) const
{
    for (const DynamicChatLine& record : m_dynamicChats) {
        if (record.key == static_cast<uint32_t>(npcType) && record.secondsLeft > 0.0f) {
            return true;
        }
    }
    return false;
}

std::string Game::takeDynamicChat(int npcType)
{
    DynamicChatLine* best = nullptr;
    for (DynamicChatLine& record : m_dynamicChats) {
        if (record.key == static_cast<uint32_t>(npcType) && record.secondsLeft > 0.0f &&
            (!best || record.secondsLeft > best->secondsLeft)) {
            best = &record;
        }
    }
    if (!best) {
        return {};
    }
    best->secondsLeft = 0.0f;
    return best->text;
}

void Game::writeDynamicChats(ByteBuffer& out) const
{
    int32_t live = 0;
    for (const DynamicChatLine& record : m_dynamicChats) {
        live += record.secondsLeft > 0.0f ? 1 : 0;
    }
    out.writeInt(live);
    for (const DynamicChatLine& record : m_dynamicChats) {
        if (record.secondsLeft > 0.0f) {
            record.write(out);
        }
    }
}

bool Game::readDynamicChats(ByteBuffer& in)
{
    // A line is at least its key, the text's zero and the seconds.
    const uint32_t count = in.readCount(9);
    if (in.failed()) {
        return false;
    }
    std::vector<DynamicChatLine> lines(count);
    for (DynamicChatLine& line : lines) {
        if (!line.read(in)) {
            return false;
        }
    }
    m_dynamicChats = std::move(lines);
    return true;
}

void Game::updateWeatherChat(float seconds)
{
    const int before = m_weather->getActiveFronts();
    m_weather->update(seconds);
    if (m_weather->getActiveFronts() == before) {
        return;
    }
    const GameRules& rules = worldRules();
    const ZonePosition centre{0, std::floor(rules.townCenterPosition.x) * rules.tileSize,
                              std::floor(rules.townCenterPosition.y) * rules.tileSize};
    float rain = 0.0f;
    Vec2 wind;
    m_weather->getIntensityAt(centre, rain, wind);
    if (rain > kRainIntensity) {
        triggerNpcChat(kRain, std::string(), 0);
    }
}
