#include "client/Client.h"
#include "client/GameClient.h"
#include "client/StateMessage.h"
#include "engine/core/ByteBuffer.h"

QuestClient* GameClient::getQuest(int slot) const
{
    if (slot < 0 || static_cast<size_t>(slot) >= m_quests.size()) {
        return nullptr;
    }
    return m_quests[static_cast<size_t>(slot)].get();
}

// The lists of offered quests carry the quest's slot as their value, which
// is what "acceptQuest" takes, so the text shown is read by slot too.
QuestClient* GameClient::getOfferedQuest(int index) const
{
    return getQuest(index);
}

void GameClient::readQuests(const GameSectionRecord& game)
{
    // A shorter list deletes the slots past its end.
    m_quests.resize(game.quests.size());
    for (size_t q = 0; q < game.quests.size(); ++q) {
        const QuestSlotRecord& record = game.quests[q];
        std::unique_ptr<QuestClient>& slot = m_quests[q];
        if (!record.present) {
            slot.reset();
            continue;
        }
        bool made = !slot;
        if (made) {
            slot = std::make_unique<QuestClient>();
            slot->reset();
        }
        // Checked by the same reader when the message was parsed.
        ByteBuffer image(record.image);
        slot->read(image, true, false, 0);
        slot->slot = static_cast<int>(q);
        if (made && slot->type == static_cast<int>(QuestType::Recruit)) {
            if (Client* client = Client::instance()) {
                client->showHelpTopic("Recruit");
            }
        }
    }
}

bool GameClient::hasOpenTownQuest(bool townAttack, bool siege) const
{
    for (const auto& quest : m_quests) {
        if (!quest || quest->invalid || quest->isComplete()) {
            continue;
        }
        if ((townAttack && quest->type == toIndex(QuestType::TownAttack)) ||
            (siege && quest->type == toIndex(QuestType::Siege))) {
            return true;
        }
    }
    return false;
}
