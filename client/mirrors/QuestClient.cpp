#include "client/mirrors/QuestClient.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/HotkeyRecord.h"
#include "engine/core/StringUtil.h"

void QuestClient::onReset()
{
    m_announced = false;
    m_lastShownProgress = -1;
}

GameBase* QuestClient::getGameBase() const
{
    return GameClient::instance();
}

int QuestClient::getNpcCount() const
{
    const GameClient* game = GameClient::instance();
    return game ? static_cast<int>(game->getNamedNumbers().size()) : 0;
}

std::string QuestClient::getNpcNameAt(int index) const
{
    const GameClient* game = GameClient::instance();
    if (!game || index < 0 || static_cast<size_t>(index) >= game->getNamedNames().size()) {
        return {};
    }
    return game->getNamedNames()[static_cast<size_t>(index)];
}

NpcType QuestClient::getNpcType(int index) const
{
    const GameClient* game = GameClient::instance();
    if (!game || index < 0 || static_cast<size_t>(index) >= game->getNamedNumbers().size()) {
        return NpcType::None;
    }
    uint32_t number = game->getNamedNumbers()[static_cast<size_t>(index)];
    return number < static_cast<uint32_t>(kNpcTypeCount) ? static_cast<NpcType>(number) : NpcType::None;
}

void QuestClient::show(const std::string& text) const
{
    if (const Client* client = Client::instance()) {
        client->addTextEvent(text, kTextX, kTextY, kTextLifetime, kTextKind, true, false);
    }
}

void QuestClient::update(const std::vector<HotkeyRecord>* hotkeys)
{
    if (id == -1) {
        return;
    }
    // Quests about a town NPC need one of the named values; a choice outside
    // them is drawn again once.
    if (isAny({QuestType::DeadlyPoison, QuestType::Petrify, QuestType::Kidnapping})) {
        auto outside = [this] { return npcChoice < 0 || npcChoice >= getNpcCount(); };
        if (outside()) {
            rollChoices(true);
            if (outside()) {
                return;
            }
        }
    }
    Client* client = Client::instance();
    const GameClient* game = GameClient::instance();
    // The hotkey tutorial is finished by the client's own test: a filled slot
    // and an empty one.
    if (is(QuestType::TutorialUseSlot) && hotkeys && !isComplete()) {
        int filled = 0;
        int empty = 0;
        for (const HotkeyRecord& record : *hotkeys) {
            filled += record.values[0] == 1 && (record.values[1] != 0 || record.values[2] != 0) ? 1 : 0;
            empty += record.values[0] == 0 ? 1 : 0;
        }
        if (filled >= 1 && empty >= 1) {
            setCompleted();
            if (client) {
                client->queueServerCommand(formatString("completeQuest %d", id));
            }
        }
    }
    if (!m_announced && isComplete()) {
        show("Quest completed");
        if (client && game) {
            client->playInterfaceSound(game->getSound(GameClient::kQuestCompleteSound));
        }
        m_announced = true;
    } else if (!m_announced && failed) {
        show(formatString("%s quest failed", getTitle(true, -1).c_str()));
        if (client && game) {
            client->playInterfaceSound(game->getSound(GameClient::kQuestFailedSound));
        }
        m_announced = true;
    }
    // A treasure map counts in its first target; without one, the quest's counter.
    int shown = is(QuestType::MonsterQuest) && !targets.empty() ? targets.front().count : progress;
    if (shown != m_lastShownProgress && !isComplete()) {
        show(getProgressText(true));
        m_lastShownProgress = shown;
    }
}
