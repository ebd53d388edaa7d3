// The Game's quest table: numbering, deletion, the queries other systems ask
// and the making of new quests.
//
// A quest may be deleted from inside one of its own operations or from a
// walk over the table. deleteQuest therefore only takes it out of the table;
// the object itself waits in m_deletedQuests until no walk runs.
#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Chest.h"
#include "game/entities/Entity.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/Game.h"
#include "game/world/World.h"

#include <algorithm>
#include <set>

namespace {

// Quests generated while another is generated, set up, failed or removed.
constexpr int kMaxGenerationDepth = 8;

constexpr int kLevelStat = toIndex(CharacterStat::Level);

// Counts a walk of the table; the outermost one destroys what was deleted.
class DepthGuard {
public:
    explicit DepthGuard(int& depth) : m_depth(depth) { ++m_depth; }
    ~DepthGuard() { --m_depth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

private:
    int& m_depth;
};

} // namespace

void Game::installQuestHooks()
{
    // A computer-run covenant keeps a copy of the recruit quest it pursues.
    m_hooks.createCovenantQuest = [] { return std::unique_ptr<QuestBase>(std::make_unique<Quest>(true)); };
    installQuestRunningHooks();
}

// ---- Table ---------------------------------------------------------------------

int Game::addQuest(std::unique_ptr<Quest> quest)
{
    if (!quest) {
        return -1;
    }
    Quest* added = quest.get();
    int number = -1;
    for (size_t i = 0; i < m_quests.size(); ++i) {
        if (!m_quests[i]) {
            number = static_cast<int>(i);
            m_quests[i] = std::move(quest);
            break;
        }
    }
    if (number < 0) {
        number = static_cast<int>(m_quests.size());
        m_quests.push_back(std::move(quest));
    }
    added->id = number;
    added->onNumbered();
    added->announce();
    return number;
}

Quest* Game::getQuest(int number) const
{
    if (number < 0 || number >= static_cast<int>(m_quests.size())) {
        return nullptr;
    }
    Quest* quest = m_quests[static_cast<size_t>(number)].get();
    return quest && !quest->isDeleted() ? quest : nullptr;
}

void Game::deleteQuest(int number)
{
    Quest* quest = getQuest(number);
    if (!quest) {
        return;
    }
    // Out of the table first: whatever the removal starts sees it gone.
    std::unique_ptr<Quest> owned = std::move(m_quests[static_cast<size_t>(number)]);
    owned->markDeleted();
    dropQuestFromPlayers(number);
    DepthGuard guard(m_questWalkDepth);
    owned->removeFromWorld();
    m_deletedQuests.push_back(std::move(owned));
}

void Game::flushDeletedQuests()
{
    if (m_questWalkDepth == 0 && m_questGenerationDepth == 0) {
        // A destructor may not start new deletions, but be safe about it.
        std::vector<std::unique_ptr<Quest>> doomed;
        doomed.swap(m_deletedQuests);
    }
}

void Game::forEachQuest(const std::function<void(Quest&)>& visit)
{
    std::vector<Quest*> snapshot;
    snapshot.reserve(m_quests.size());
    for (const std::unique_ptr<Quest>& quest : m_quests) {
        snapshot.push_back(quest.get());
    }
    {
        DepthGuard guard(m_questWalkDepth);
        for (size_t i = 0; i < snapshot.size(); ++i) {
            // Still in its entry: deleted quests wait in m_deletedQuests until
            // the walk ends, so their addresses cannot be taken by a new one.
            Quest* quest = snapshot[i];
            if (quest && i < m_quests.size() && m_quests[i].get() == quest && !quest->isDeleted()) {
                visit(*quest);
            }
        }
    }
    flushDeletedQuests();
}

void Game::clearQuests()
{
    m_quests.clear();
    m_initialQuestsPending = false;
    m_waitingFollowUps.clear(); // follow-ups of the world that goes
    m_chainWaiting = false;
    if (m_questWalkDepth == 0) {
        m_deletedQuests.clear();
    }
}

void Game::deleteQuestIfUnheld(int number)
{
    if (!isQuestHeldByPlayer(number)) {
        deleteQuest(number);
    }
}

void Game::solveQuest(int number, Player* player)
{
    Quest* quest = getQuest(number);
    if (!quest) {
        return;
    }
    {
        DepthGuard guard(m_questWalkDepth);
        quest->solve(player);
        deleteQuest(number);
    }
    flushDeletedQuests();
}

void Game::closeQuest(int number, int covenantIndex)
{
    Quest* quest = getQuest(number);
    if (!quest) {
        return;
    }
    {
        DepthGuard guard(m_questWalkDepth);
        quest->closeForCovenant(covenantIndex);
        quest->open = false;
        dropQuestFromPlayers(number);
        deleteQuestIfUnheld(number);
    }
    flushDeletedQuests();
}

void Game::finishQuest(int number)
{
    if (Quest* quest = getQuest(number)) {
        {
            DepthGuard guard(m_questWalkDepth);
            quest->finish();
        }
        flushDeletedQuests();
    }
}

namespace {
// The slot of a player that holds a copy of the Game quest; -1 when none.
int slotHolding(const Player& player, int number)
{
    for (int s = 0; s < Player::kQuestSlots; ++s) {
        const Quest* slot = player.getQuest(s);
        if (slot && slot->isInUse() && slot->id == number) {
            return s;
        }
    }
    return -1;
}
} // namespace

void Game::dropQuestFromPlayers(int number)
{
    Quest* quest = getQuest(number);
    const GameData* data = GameData::instance();
    for (Player* player : m_players) {
        if (!player) {
            continue;
        }
        int s = slotHolding(*player, number);
        if (s < 0) {
            continue;
        }
        Quest* copy = player->getQuest(s);
        // The slot empties in this very step, so the client never sees the
        // failure its quest list would announce: the player is told here.
        if (quest && quest->failed && !copy->failed) {
            player->sendMessage(3, copy->getTitle(true, -1) + " quest failed");
            if (data && !data->rules().questFailedSound.empty()) {
                playSound(data->rules().questFailedSound, player->getPosition(), player->getEntityNumber());
            }
        }
        copy->reset();
    }
}

void Game::refreshQuestForPlayers(int number)
{
    for (Player* player : m_players) {
        if (!player) {
            continue;
        }
        int s = slotHolding(*player, number);
        if (s >= 0) {
            player->getQuest(s)->updateProgress();
        }
    }
}

void Game::notifyPlayersOfQuest(int number)
{
    // The players' copies follow the Game quest; the client sees them in the
    // next player section.
    refreshQuestForPlayers(number);
}

bool Game::isQuestHeldByPlayer(int number) const
{
    return std::any_of(m_players.begin(), m_players.end(),
                       [number](const Player* p) { return p && slotHolding(*p, number) >= 0; });
}

bool Game::isQuestCompletedByPlayer(int number) const
{
    return std::any_of(m_players.begin(), m_players.end(),
                       [number](const Player* p) { return p && p->isQuestComplete(number); });
}

// ---- Queries -------------------------------------------------------------------

int Game::countActiveQuests() const
{
    int n = 0;
    for (int i = 0; i < getQuestTableSize(); ++i) {
        const Quest* quest = getQuest(i);
        if (quest && quest->definition && quest->definition->activeQuest) {
            ++n;
        }
    }
    return n;
}

bool Game::hasOpenQuestOfType(int type) const
{
    for (int i = 0; i < getQuestTableSize(); ++i) {
        const Quest* quest = getQuest(i);
        if (quest && quest->type == type && quest->open && !quest->isComplete()) {
            return true;
        }
    }
    return false;
}

bool Game::hasDuplicateQuest(const Quest& quest) const
{
    for (int i = 0; i < getQuestTableSize(); ++i) {
        const Quest* other = getQuest(i);
        if (other && other != &quest && other->open && other->isDuplicateOf(quest)) {
            return true;
        }
    }
    return false;
}

Quest* Game::findQuestByGiver(const Entity* giver, int type) const
{
    if (!giver) {
        return nullptr;
    }
    for (int i = 0; i < getQuestTableSize(); ++i) {
        Quest* quest = getQuest(i);
        if (quest && quest->type == type && quest->getQuestEntity() == giver) {
            return quest;
        }
    }
    return nullptr;
}

Quest* Game::findRecruitQuest() const
{
    for (int i = 0; i < getQuestTableSize(); ++i) {
        Quest* quest = getQuest(i);
        if (quest && quest->type == toIndex(QuestType::Recruit)) {
            return quest;
        }
    }
    return nullptr;
}

bool Game::isLevelQuestTarget(int level) const
{
    for (int i = 0; i < getQuestTableSize(); ++i) {
        Quest* quest = getQuest(i);
        if (quest && quest->isTargetOnLevel(level)) {
            return true;
        }
    }
    return false;
}

std::vector<int> Game::collectQuestsOfferedBy(Actor* npc) const
{
    std::vector<int> numbers;
    if (!npc) {
        return numbers;
    }
    const NpcType npcType = static_cast<NpcType>(npc->getNpcType());
    for (int i = 0; i < getQuestTableSize(); ++i) {
        const Quest* quest = getQuest(i);
        // A finished quest stays on its giver's list: the client's quest-target
        // test finds the quest to hand in there.
        if (quest && quest->open && !quest->failed && quest->isGivenBy(npcType, npc)) {
            numbers.push_back(i);
        }
    }
    return numbers;
}

bool Game::isMonsterTypeUsedByQuest(const MonsterType* type) const
{
    if (!type) {
        return true;
    }
    for (int i = 0; i < getQuestTableSize(); ++i) {
        const Quest* quest = getQuest(i);
        if (quest && quest->level != -1 && quest->usesMonsterType(type)) {
            return true;
        }
    }
    return false;
}

std::vector<MonsterType*> Game::collectUnusedMonsterTypes(int kind, int minLevel, int maxLevel) const
{
    std::vector<MonsterType*> out;
    int mask = 0;
    switch (kind) {
    case 5:
        mask = 4;
        break;
    case 6:
        mask = 8;
        break;
    case 7:
        mask = 48;
        break;
    default:
        return out;
    }
    const GameData* data = GameData::instance();
    if (!data) {
        return out;
    }
    std::vector<MonsterType*> all;
    data->collectMonsterTypes(mask, minLevel, maxLevel, all);
    for (MonsterType* type : all) {
        if (!isMonsterTypeUsedByQuest(type)) {
            out.push_back(type);
        }
    }
    return out;
}

Covenant* Game::pickRandomCovenant() const
{
    std::vector<Covenant*> alive;
    for (const std::unique_ptr<Covenant>& covenant : m_covenants) {
        if (covenant && !covenant->destroyed) {
            alive.push_back(covenant.get());
        }
    }
    if (alive.empty()) {
        return nullptr;
    }
    return alive[static_cast<size_t>(randomInt(static_cast<int>(alive.size())))];
}

void Game::clearActorCovenantQuests()
{
    for (const std::unique_ptr<Covenant>& covenant : m_covenants) {
        if (covenant) {
            covenant->clearQuestRecord();
        }
    }
}

void Game::copyQuestToActorCovenants(Quest* quest)
{
    if (!quest) {
        return;
    }
    for (const std::unique_ptr<Covenant>& covenant : m_covenants) {
        if (covenant) {
            covenant->copyQuestRecord(*quest);
        }
    }
}

bool Game::isPlayerInTown() const
{
    const Player* player = getFirstPlayer();
    return player && player->getPosition().zone == 0;
}

int Game::getSolvedBitBase() const
{
    const World* world = World::instance();
    return world ? world->getTutorialBaseIndex() : 1;
}

// ---- Making quests -------------------------------------------------------------

int Game::pickQuestLevel(int requested) const
{
    const Player* player = getFirstPlayer();
    if (!player) {
        return std::max(0, requested);
    }
    const int playerLevel = player->getStat(kLevelStat);
    int low = playerLevel - m_settings.easyQuestLevelDiff;
    int high = playerLevel;
    if (playerLevel >= m_settings.minLevelForHardQuests) {
        high += m_settings.hardQuestLevelDiff;
    }
    if (const World* world = World::instance(); world && world->getMaxMonsterLevel() > 0) {
        low = std::max(low, world->getMinMonsterLevel());
        high = std::min(high, world->getMaxMonsterLevel());
    }
    // A character above the world: the world's top level, never a window
    // turned upside down.
    if (low > high) {
        return high;
    }
    if (requested == -1) {
        int span = high - low + 1;
        int pick = static_cast<int>(randomFloat() * static_cast<float>(span));
        return low + std::min(pick, span - 1);
    }
    return std::clamp(requested, low, high);
}

Quest* Game::generateQuests(int type, QuestBase* source, int requestedLevel)
{
    if (m_questGenerationDepth >= kMaxGenerationDepth) {
        debugPrint(2, "Quest of type %d (%s) not made: quests nested deeper than %d\n", type,
                   getQuestTypeName(type).c_str(), kMaxGenerationDepth);
        return nullptr;
    }
    const GameData* data = GameData::instance();
    if (!data) {
        return nullptr;
    }
    Quest* made = nullptr;
    const int asked = type;
    {
        DepthGuard generating(m_questGenerationDepth);
        const int tries = type == 0 ? m_settings.createQuestTries : 1;
        int level = requestedLevel;
        for (int t = 0; t < tries && !made; ++t) {
            const int thisType = type != 0 ? type : toIndex(data->randomQuestType());
            level = pickQuestLevel(level);
            const uint32_t seed = Random::next(1);
            auto quest = std::make_unique<Quest>();
            if (!quest->setup(level, m_clock, seed, thisType, 0)) {
                continue;
            }
            quest->rollChoices(false);
            quest->setUp(0, source);
            quest->randomizeParameters();
            if (quest->definition && quest->definition->eventOnly) {
                // What the set-up did to the world stays; the record goes.
                break;
            }
            if (quest->invalid) {
                quest->removeFromWorld();
                type = 0;
                continue;
            }
            int number = addQuest(std::move(quest));
            made = getQuest(number);
        }
    }
    const QuestDefinition* askedDefinition = asked != 0 ? data->getQuestDefinition(asked) : nullptr;
    if (!made && askedDefinition && askedDefinition->questSolvedBit != -1) {
        m_chainWaiting = true;
    }
    flushDeletedQuests();
    generateWaitingFollowUps();
    return made;
}

void Game::generateFollowUpQuest(int type)
{
    if (const Player* player = getFirstPlayer()) {
        type = chainQuestFrom(
            type, [&](const QuestDefinition& definition) { return isChainQuestSolved(definition, *player); });
        if (type <= 0) {
            return;
        }
    }
    if (m_questGenerationDepth > 0 || m_generatingFollowUps) {
        m_waitingFollowUps.push_back(type);
        return;
    }
    generateQuests(type, nullptr, -1);
}

void Game::generateWaitingFollowUps()
{
    if (m_questGenerationDepth > 0 || m_generatingFollowUps) {
        return;
    }
    m_generatingFollowUps = true;
    std::set<int> made;
    while (!m_waitingFollowUps.empty()) {
        const int type = m_waitingFollowUps.front();
        m_waitingFollowUps.erase(m_waitingFollowUps.begin());
        if (made.insert(type).second) {
            generateQuests(type, nullptr, -1);
        }
    }
    m_generatingFollowUps = false;
}

void Game::endTutorial(bool deleteQuests)
{
    // The tutor is the tutorial's guide.
    if (Actor* guide = m_tutor.get()) {
        Entity::fadeOutAndDelete(guide, 5.0f);
    }
    m_tutor = nullptr;
    if (!deleteQuests) {
        return;
    }
    forEachQuest([this](Quest& quest) {
        if (quest.definition && quest.definition->returnNpcType == NpcType::Tutor) {
            deleteQuest(quest.id);
        }
    });
}

void Game::resizeQuestTable(int size)
{
    if (size > static_cast<int>(m_quests.size())) {
        m_quests.resize(static_cast<size_t>(size));
    }
}

void Game::restoreQuest(int number, std::unique_ptr<Quest> quest)
{
    if (number < 0 || !quest) {
        return;
    }
    if (number >= static_cast<int>(m_quests.size())) {
        m_quests.resize(static_cast<size_t>(number) + 1);
    }
    quest->id = number;
    Quest* restored = quest.get();
    m_quests[static_cast<size_t>(number)] = std::move(quest);
    restored->onNumbered();
}

// ---- World notices -------------------------------------------------------------

void Game::onChestOpened(Entity* chest, Entity* opener)
{
    if (const auto* bonus = dynamic_cast<const Chest*>(chest); bonus && bonus->isBonusChest()) {
        const int level = bonus->getPosition().zone;
        if (level >= 0 && level < static_cast<int>(m_levelFlags1.size())) {
            m_levelFlags1[static_cast<size_t>(level)] = true;
        }
        return;
    }
    forEachQuest([chest, opener](Quest& quest) {
        if (quest.level != -1) {
            quest.onTreasureChestOpened(chest, opener);
        }
    });
}

void Game::onGateUsed(Player* player, const ZonePosition& from, const ZonePosition& to)
{
    forEachQuest([player, &from, &to](Quest& quest) {
        if (quest.level != -1) {
            quest.followWarp(player, from, to);
        }
    });
}

void Game::onQuestLevelActivated(int level)
{
    forEachQuest([level](Quest& quest) {
        if (quest.targetLevel == -1) {
            quest.computeTargetLevels();
        }
        if (quest.targetLevel == level) {
            quest.onPlayerEnteredLevel();
        }
    });
}

void Game::writeQuestList(ByteBuffer& out) const
{
    out.writeInt(static_cast<int32_t>(m_quests.size()));
    for (size_t i = 0; i < m_quests.size(); ++i) {
        const Quest* quest = getQuest(static_cast<int>(i));
        out.writeBool(quest != nullptr);
        if (quest) {
            quest->QuestBase::write(out, false);
        }
    }
}
