// The Game's quests over time: the initial quests of a new world, new quests
// and events on their timers, old quests retired, the story chain, and every
// quest's periodic check.
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/definitions/GameData.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/Game.h"

#include <algorithm>
#include <set>

namespace {

constexpr int kLevelStat = toIndex(CharacterStat::Level);

// Counts a generation in progress, so deleted quests wait for its end.
class Generating {
public:
    explicit Generating(int& depth) : m_depth(depth) { ++m_depth; }
    ~Generating() { --m_depth; }
    Generating(const Generating&) = delete;
    Generating& operator=(const Generating&) = delete;

private:
    int& m_depth;
};

void restartIfDone(Timer& timer)
{
    if (!timer.running || timer.remaining <= 0.0f) {
        timer.startRandom();
    }
}

} // namespace

void Game::updateQuests(float seconds)
{
    Player* player = getFirstPlayer();
    if (!player) {
        return;
    }
    if (m_initialQuestsPending) {
        createInitialQuests();
    }
    Settings& s = m_settings;
    for (Timer* timer : {&s.newQuestTimer, &s.newEventTimer, &s.deleteOldQuestsTimer}) {
        if (!timer->listed) {
            timer->advance(seconds);
        }
    }
    if (s.newQuestTimer.isExpired()) {
        const int active = countActiveQuests();
        float chance = 0.0f;
        for (size_t i = 0; i < s.questThresholds.size() && i < s.questChances.size(); ++i) {
            if (active < s.questThresholds[i]) {
                chance = s.questChances[i];
                break;
            }
        }
        if (m_leftTown && chance > randomFloat()) {
            generateQuests(0, nullptr, -1);
        }
        // A story quest that could not be made stalled the chain: it is
        // tried again now rather than only when the player next joins.
        if (m_chainWaiting) {
            m_chainWaiting = false;
            advanceQuestChain(player);
        }
    }
    if (s.newEventTimer.isExpired() && m_leftTown) {
        // A house of the town left empty (its keeper died of poison, stayed
        // stone or was taken) gets its newcomer at the next event time. Left
        // to the draw it would wait a day of play, and a town without its
        // warmaster takes in no story quest.
        if (!emptyTownNpcSlots().empty()) {
            generateQuests(toIndex(QuestType::NewNpc), nullptr, -1);
        } else if (s.eventChance > randomFloat()) {
            generateEvent();
        }
    }
    deleteOldQuests();
    for (Timer* timer : {&s.newQuestTimer, &s.newEventTimer, &s.deleteOldQuestsTimer}) {
        restartIfDone(*timer);
    }
    forEachQuest([seconds](Quest& quest) { quest.think(nullptr, seconds); });
}

void Game::createInitialQuests()
{
    if (!m_worldGenerated) {
        return;
    }
    const Settings& s = m_settings;
    const int span = std::max(0, s.maxInitialQuests - s.minInitialQuests);
    const int n =
        s.minInitialQuests + std::min(span, static_cast<int>(randomFloat() * static_cast<float>(span + 1)));
    for (int i = 0; i < n; ++i) {
        generateQuests(0, nullptr, -1);
    }
    for (const std::string& name : s.beginningQuests) {
        generateQuests(toIndex(parseQuestType(name)), nullptr, -1);
    }
    const Player* player = getFirstPlayer();
    if (player && !player->getFlags65().empty() && !player->getFlags65()[0]) {
        generateQuests(toIndex(QuestType::TutorialEquipWeapon), nullptr, -1);
    }
    m_initialQuestsPending = false;
}

Quest* Game::generateEvent()
{
    const GameData* data = GameData::instance();
    if (!data) {
        return nullptr;
    }
    auto quest = std::make_unique<Quest>();
    const int type = toIndex(data->randomEventType());
    const int level = pickQuestLevel(-1);
    if (type == 0 || !quest->setup(level, m_clock, Random::next(1), type, 0)) {
        return nullptr;
    }
    Quest* made = nullptr;
    {
        Generating generating(m_questGenerationDepth);
        quest->rollChoices(false);
        quest->setUp(0, nullptr);
        quest->randomizeParameters();
        if (quest->invalid) {
            // What a failed set-up put into the world goes with it.
            quest->removeFromWorld();
        } else if (quest->definition && !quest->definition->eventOnly) {
            made = getQuest(addQuest(std::move(quest)));
        }
    }
    flushDeletedQuests();
    generateWaitingFollowUps();
    return made;
}

Quest* Game::generateUniqueMonsterQuest(Actor* monster)
{
    auto quest = std::make_unique<Quest>();
    const int level = pickQuestLevel(-1);
    if (!monster ||
        !quest->setup(level, m_clock, Random::next(1), toIndex(QuestType::UniqueMonsterSpotted), 0)) {
        return nullptr;
    }
    Quest* made = nullptr;
    {
        Generating generating(m_questGenerationDepth);
        quest->rollChoices(false);
        quest->setUpFromEntity(monster);
        quest->randomizeParameters();
        if (quest->invalid) {
            // The monster was the world's before: it stays, unmarked.
            monster->setQuestActor(false);
            quest->questNpc = nullptr;
        } else {
            made = getQuest(addQuest(std::move(quest)));
        }
    }
    flushDeletedQuests();
    generateWaitingFollowUps();
    return made;
}

void Game::deleteOldQuests()
{
    const Player* player = getFirstPlayer();
    Timer& timer = m_settings.deleteOldQuestsTimer;
    if (!player || !timer.isExpired() || countActiveQuests() < m_settings.deleteOldQuestsThreshold) {
        return;
    }
    const int ceiling = player->getStat(kLevelStat) - m_settings.deleteOldQuestsLevelDiff;
    Quest* oldest = nullptr;
    for (int i = 0; i < getQuestTableSize(); ++i) {
        Quest* quest = getQuest(i);
        if (quest && quest->definition && quest->definition->canRemoveFromAge && quest->level <= ceiling &&
            !player->hasQuest(i) && (!oldest || quest->level < oldest->level)) {
            oldest = quest;
        }
    }
    if (oldest) {
        deleteQuest(oldest->id);
    }
}

bool Game::isChainQuestSolved(const QuestDefinition& definition, const Player& player) const
{
    if (definition.questSolvedBit == -1) {
        return false;
    }
    const std::vector<bool>& bits = player.getFlags65();
    const int bit = getSolvedBitBase() + definition.questSolvedBit;
    return bit >= 0 && bit < static_cast<int>(bits.size()) && bits[static_cast<size_t>(bit)];
}

int Game::chainQuestFrom(int type, const std::function<bool(const QuestDefinition&)>& passOver) const
{
    const GameData* data = GameData::instance();
    std::set<int> seen;
    while (data && type > 0 && seen.insert(type).second) {
        const QuestDefinition* definition = data->getQuestDefinition(type);
        if (!definition) {
            return 0;
        }
        if (!passOver(*definition)) {
            return type;
        }
        type = definition->nextQuestType();
    }
    return 0;
}

void Game::advanceQuestChain(Player* player)
{
    const GameData* data = GameData::instance();
    if (!player || !data || m_initialQuestsPending || m_settings.beginningQuests.empty()) {
        return;
    }
    for (int i = 0; i < getQuestTableSize(); ++i) {
        const Quest* quest = getQuest(i);
        if (quest && quest->open && quest->definition && quest->definition->questSolvedBit != -1) {
            return;
        }
    }
    // The first story quest the player has not solved; entries that are no
    // story quests are walked past.
    const int type = chainQuestFrom(
        toIndex(parseQuestType(m_settings.beginningQuests.front())), [&](const QuestDefinition& definition) {
            return definition.questSolvedBit == -1 || isChainQuestSolved(definition, *player);
        });
    if (type > 0) {
        generateQuests(type, nullptr, -1);
    }
}
