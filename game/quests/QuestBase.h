#pragma once

#include "engine/core/GameTime.h"
#include "game/definitions/GameEnums.h"
#include "game/quests/QuestTarget.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

class ByteBuffer;
class DatabaseEntry;
class Entity;
class GameBase;
class MonsterType;
class QuestDefinition;

// The state of one quest that server and client share. Everything random
// about a quest is drawn again from its seed on random stream 3, so a copy,
// a saved quest and a client's mirror roll the same goal, rewards, NPC and
// texts. The server quest and the client mirror derive from it.
class QuestBase {
public:
    QuestBase();
    virtual ~QuestBase();

    // ---- Subclass hooks
    virtual void onReset() {}
    virtual void setUpFromEntity(Entity* entity) {}
    // Creates the quest's NPCs and targets (flag 1 when restoring); the source
    // is the quest this one follows or copies, null when read back.
    virtual void setUp(int flag, QuestBase* source) {}
    virtual void fail() { failed = true; }
    virtual GameBase* getGameBase() const = 0;
    // True when the NPC type is not None and takes this quest back.
    virtual bool isGivenBy(NpcType npcType, Entity* entity) const;
    virtual int getNpcCount() const = 0;
    virtual std::string getNpcNameAt(int index) const = 0;
    virtual NpcType getNpcType(int index) const = 0;

    // ---- Life cycle
    // Empties the record; type, id, definition and the times stay.
    void reset();
    // False and no change when level, seed and type equal the record's;
    // otherwise resets and, unless level is -1 or the type has no
    // definition, stores the values (value into progress) and returns true.
    bool setup(int newLevel, const GameTime& start, uint32_t newSeed, int newType, int value);
    void rollChoices(bool keepGoal);
    void randomizeParameters();
    // A player's copy of a generated quest.
    void copyFrom(QuestBase* source);

    bool isComplete() const;
    void setCompleted();
    bool hasProgress() const;
    bool isBoss() const;
    // Target i of the multi-target types (null outside the list), else monsterType.
    MonsterType* getMonsterType(int index) const;
    void recordKill(const MonsterType* killed, int killZone);
    // Its monster's kills count only on its target level (armies, uprisings,
    // a level to clear).
    bool countsKillsOnTargetLevelOnly() const;

    void computeTargetLevels();
    int getTargetLevel();
    int getSecondTargetLevel();
    bool isTargetOnLevel(int levelIndex);
    // Seconds until the deadline; 0.0 when it has passed or there is none.
    double getTimeLeft(const GameTime& now) const;
    bool isQuestItem(const DatabaseEntry* itemEntry);

    // ---- The quest NPC
    // 0 … 3: Warrior, Rogue, Priest, Mage. Computed from npcSeed without
    // touching the shared streams.
    int rollNpcClass() const;
    bool isNpcMale() const;
    std::string generateNpcName() const;
    const std::string& getNpcName();

    // ---- Byte format
    void write(ByteBuffer& buffer, bool byName) const;
    // The whole record is checked before anything is applied: false, and
    // the quest untouched, when it is cut short or holds a value out of range.
    bool read(ByteBuffer& buffer, bool rebuild, bool byName, int version);
    // The bytes of an empty record (level -1), for a holder without a quest.
    static void writeEmpty(ByteBuffer& buffer);
    // Checks a record as read does and keeps nothing; false when it is cut
    // short or holds a value out of range.
    static bool skip(ByteBuffer& buffer, bool byName, int version);

    // ---- Texts
    std::string getProgressText(bool withNames);
    std::string getTargetLine(const QuestTarget& target) const;
    std::string getLevelText(bool second, bool shortForm);
    std::string getMonsterTypeText(int index, bool coloured, bool plural, int count, bool withTitle) const;
    std::string getItemName(int count);
    // withState false leaves out the "(completed)" or "(failed)" ending.
    std::string getTitle(bool simple, int playerLevelIndex, bool withState = true);
    // The title as an argument value of a message: translated here, since
    // argument values cannot carry text keys. Without the state ending: the
    // message itself says the quest was taken, solved or skipped.
    std::string titleArgument();
    std::string getDescription(int playerLevel, const GameTime& now, const std::string& playerName);

    const QuestDefinition* definition = nullptr;
    std::vector<QuestTarget> targets;
    int level = -1; // -1 = empty slot
    uint32_t seed = 0;
    int type = 0; // QuestType
    int id = 0;
    int npcChoice = 0;
    int textVariant = -1;
    bool invalid = false;
    int progress = 0;
    int goal = 0;
    bool open = true;
    MonsterType* monsterType = nullptr;
    int xpReward = 0;
    int moneyReward = 0;
    float placeRoll = 0.0f;
    int targetLevel = -1;
    int secondTargetLevel = -1;
    uint32_t npcSeed = 0;
    std::string npcName;
    int recruitLevel = 0;
    bool failed = false;
    GameTime startTime;
    GameTime deadline;

protected:
    bool is(QuestType t) const { return type == toIndex(t); }
    bool isAny(std::initializer_list<QuestType> types) const;

private:
    void rollRewards(int rank);
    void addReward(int count, int rank);
    void rollItemRewards(int count);
    // The goal range of kill and item quests from the target's spawn chance.
    void spawnScaledRange(const MonsterType* target, int& lo, int& hi) const;
    float difficultyTimeMult() const;
    // The TextList entry at an index; null outside the list.
    const std::string* textListEntry(int index) const;
    std::string typeText() const;
    std::string npcNameArgument();
    std::string mainText(const std::string& playerName);
};
