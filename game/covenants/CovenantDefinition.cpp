#include "game/covenants/CovenantDefinition.h"

#include "engine/core/ColorSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameData.h"

#include <algorithm>
#include <string_view>

namespace {

const char* const kDifficultyNames[CovenantDefinition::kDifficultyCount] = {"Easy", "Average", "Hard"};
const char* const kCurveEnds[4] = {"StartX", "StartY", "EndX", "EndY"};

// The family member names of a kind, in index order.
std::vector<std::string> familyNames(std::string_view kind)
{
    std::vector<std::string> names;
    if (kind == "Difficulty") {
        for (const char* n : kDifficultyNames)
            names.emplace_back(n);
    } else if (kind == "ClassChance") {
        for (int i = 0; i < CovenantDefinition::kClassChanceCount; ++i)
            names.push_back(getCharacterClassTypeName(i));
    } else if (kind == "Treaty") {
        for (int i = 0; i < kCovenantTreatyCount; ++i)
            names.push_back(getCovenantTreatyName(i));
    } else if (kind == "Route") {
        for (int i = 0; i < kTradeRouteCount; ++i)
            names.push_back(getTradeRouteName(i));
    }
    return names;
}

template <size_t N>
void readFamily(const DefinitionReader& r, const char* prefix, const char* kind, std::array<float, N>& out)
{
    std::vector<std::string> names = familyNames(kind);
    for (size_t i = 0; i < N && i < names.size(); ++i)
        out[i] = r.getFloat(std::string(prefix) + names[i]);
}

void readKey(const DefinitionReader& r, const char* key, const char*, float& out)
{
    out = r.getFloat(key);
}

void readKey(const DefinitionReader& r, const char* key, const char*, int& out)
{
    out = r.getInt(key);
}

void readKey(const DefinitionReader& r, const char* key, const char*, GameTime& out)
{
    out = GameTime(0, 0, r.getInt(key), 0.0f);
    out.normalize();
}

void readKey(const DefinitionReader& r, const char* key, const char*, LinearChance& out)
{
    float v[4];
    for (int i = 0; i < 4; ++i)
        v[i] = r.getFloat(std::string(key) + kCurveEnds[i]);
    out = LinearChance::through(v[0], v[1], v[2], v[3]);
}

template <size_t N>
void readKey(const DefinitionReader& r, const char* key, const char* kind, std::array<float, N>& out)
{
    readFamily(r, key, kind, out);
}

} // namespace

LinearChance LinearChance::through(float startX, float startY, float endX, float endY)
{
    LinearChance line;
    if (startX == endX)
        return line;
    line.slope = (startY - endY) / (startX - endX);
    line.intercept = startY - startX * line.slope;
    return line;
}

void CovenantDefinition::loadFromDatabase()
{
    load(getEntry());
}

void CovenantDefinition::load(const DatabaseEntry* entry)
{
    DefinitionReader r(entry);
    if (entry && getEntry() != entry)
        setEntry(entry, r.entryName());
    shortName = r.getString("ShortName");
    smallCrestName = r.getString("SmallCrestName");
    crestName = r.getString("CrestName");
    color = r.has("Color") ? parseColorType(r.getString("Color")) : 0;

#define COVENANT_READ(kind, key) readKey(r, #key, #kind, key);
    COVENANT_DEFINITION_KEYS(COVENANT_READ)
#undef COVENANT_READ

    traits = r.getStringList("Trait");
    baseStartItems.clear();
    for (const std::string& name : r.getStringList("BaseStartItem")) {
        const DatabaseEntry* item = DefinitionReader::findEntry(name);
        if (!item)
            debugPrint(2, "%s: BaseStartItem %s names no database entry\n", r.where("BaseStartItem").c_str(),
                       name.c_str());
        baseStartItems.push_back(item);
    }
    moodMaxValues = r.getFloatList("MoodMaxValue");
    moodNames = r.getStringList("MoodName");
    if (moodMaxValues.size() != moodNames.size())
        debugPrint(2, "%s: %zu MoodMaxValue items but %zu MoodName items\n", r.where("MoodName").c_str(),
                   moodMaxValues.size(), moodNames.size());
}

const std::vector<std::string>& CovenantDefinition::loadedKeys()
{
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> out = {"ShortName", "SmallCrestName", "CrestName",    "Color",
                                        "Trait",     "BaseStartItem",  "MoodMaxValue", "MoodName"};
        auto add = [&out](std::string_view kind, const char* key) {
            if (kind == "Curve") {
                for (const char* end : kCurveEnds)
                    out.push_back(std::string(key) + end);
                return;
            }
            std::vector<std::string> names = familyNames(kind);
            if (names.empty())
                out.emplace_back(key);
            for (const std::string& n : names)
                out.push_back(key + n);
        };
#define COVENANT_KEY(kind, key) add(#kind, #key);
        COVENANT_DEFINITION_KEYS(COVENANT_KEY)
#undef COVENANT_KEY
        return out;
    }();
    return keys;
}

float CovenantDefinition::roll(float min, float max)
{
    return min + randomFloat(0) * (max - min);
}

float CovenantDefinition::rollRelationChangeAlliance() const
{
    return roll(RelationChangeMinAlliance, RelationChangeMaxAlliance);
}

float CovenantDefinition::rollRelationChangeNormal() const
{
    return roll(RelationChangeMinNormal, RelationChangeMaxNormal);
}

float CovenantDefinition::rollRelationChangeDemand() const
{
    return roll(RelationChangeMinDemand, RelationChangeMaxDemand);
}

float CovenantDefinition::rollRelationChangeDemandRejected() const
{
    return roll(RelationChangeMinDemandRejected, RelationChangeMaxDemandRejected);
}

float CovenantDefinition::rollRelationChangeTradeIgnored() const
{
    return roll(RelationChangeMinTradeIgnored, RelationChangeMaxTradeIgnored);
}

float CovenantDefinition::rollRelationChangeDemandOfFriend() const
{
    return roll(RelationChangeMinDemandOfFriend, RelationChangeMaxDemandOfFriend);
}

float CovenantDefinition::rollRelationChangeTradeWithEnemy() const
{
    return roll(RelationChangeMinTradeWithEnemy, RelationChangeMaxTradeWithEnemy);
}

float CovenantDefinition::rollRelationChangeKilledEnemy() const
{
    return roll(RelationChangeMinKilledEnemy, RelationChangeMaxKilledEnemy);
}

float CovenantDefinition::rollRelationChangeKilledThreateningMonster() const
{
    return roll(RelationChangeMinKilledThreateningMonster, RelationChangeMaxKilledThreateningMonster);
}

float CovenantDefinition::rollQuestXpMult() const
{
    return roll(QuestXpMultMin, QuestXpMultMax);
}

float CovenantDefinition::rollSharedRaidSuccessRelation() const
{
    return roll(SharedRaidSuccessMinRelation, SharedRaidSuccessMaxRelation);
}

float CovenantDefinition::rollSharedRaidFailureRelation() const
{
    return roll(SharedRaidFailureMinRelation, SharedRaidFailureMaxRelation);
}

float CovenantDefinition::rollTradeRouteStartChange(int size) const
{
    float v = familyValue(RelationChangeTradeRouteStart, size);
    float w = RelationChangeTradeRouteVariance;
    return roll(v - w * v, v + w * v);
}

float CovenantDefinition::getRelationChangeCancelledTradeRoute(int size) const
{
    return familyValue(RelationChangeCancelledTradeRoute, size);
}

float CovenantDefinition::getRelationForTradeRoute(int size) const
{
    return familyValue(RelationForTradeRoute, size);
}

std::string CovenantDefinition::getTraitName(int i) const
{
    return i >= 0 && i < static_cast<int>(traits.size()) ? traits[static_cast<size_t>(i)] : std::string();
}

float CovenantDefinition::getOfferChance(int choice, bool demand, bool gift, int treaty) const
{
    switch (choice) {
    case 0:
        return demand ? DemandChanceInfluence : gift ? GiftChanceInfluence : 0.0f;
    case 6:
        return TradeChanceItem;
    case 7:
        return demand ? DemandChanceCrystals : gift ? GiftChanceCrystals : 0.0f;
    case 10:
        break;
    default:
        return 0.0f;
    }
    if (!demand && gift)
        return 0.0f;
    switch (static_cast<CovenantTreaty>(treaty)) {
    case CovenantTreaty::Peace:
        return demand ? DemandChancePeace : TradeChancePeace;
    case CovenantTreaty::War:
        return demand ? DemandChanceWar : TradeChanceWar;
    case CovenantTreaty::BreakTreaty:
        return demand ? DemandChanceBreakTreaty : TradeChanceBreakTreaty;
    case CovenantTreaty::BreakTradeRoute:
        return demand ? DemandChanceBreakTradeRoute : TradeChanceBreakTradeRoute;
    default:
        return 0.0f;
    }
}

int CovenantDefinition::getStartNumRecruits(int level) const
{
    int count = floorToInt(StartNumRecruitsPerLevel * static_cast<float>(level));
    const GameData* data = GameData::instance();
    return data ? std::min(count, data->rules().maxRecruits) : count;
}

int CovenantDefinition::rollStartRecruitLevel(int level) const
{
    float p = roll(StartRecruitMinLevelPercent, StartRecruitMaxLevelPercent);
    return std::max(1, floorToInt(p * static_cast<float>(level) + 0.5f));
}

int CovenantDefinition::getStartMoney(int level) const
{
    const GameData* data = GameData::instance();
    if (!data)
        return 0;
    return floorToInt(data->expectedMoneyAtLevel(level) *
                      (StartMoneyDropsBase + StartMoneyDropsPerLevel * static_cast<float>(level)));
}

std::string CovenantDefinition::getMoodName(float value) const
{
    for (size_t i = 0; i < moodMaxValues.size(); ++i)
        if (moodMaxValues[i] > value)
            return i < moodNames.size() ? moodNames[i] : std::string();
    return "";
}

float CovenantDefinition::getStartingRelation(int otherDefinition) const
{
    const GameData* data = GameData::instance();
    if (!data || !getEntry())
        return 50.0f;
    const auto& definitions = data->getCovenantDefinitions();
    if (otherDefinition < 0 || otherDefinition >= static_cast<int>(definitions.size()) ||
        !definitions[static_cast<size_t>(otherDefinition)].definition)
        return 50.0f;
    return DefinitionReader(getEntry())
        .getFloat("StartingRelation" + definitions[static_cast<size_t>(otherDefinition)].name);
}
