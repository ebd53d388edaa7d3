// The pieces quest texts are built from: the progress line, target lines and
// the names of target levels, monster types and quest items. A missing type,
// level or item gives an empty name without colour codes.
#include "engine/core/ColorCodes.h"
#include "engine/core/StringUtil.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/quests/QuestBase.h"
#include "game/quests/QuestDefinition.h"
#include "game/quests/QuestWorld.h"

#include <algorithm>
#include <climits>

namespace {

constexpr int kColorPlain = 145;

std::string rarityColor(int rarity)
{
    const GameData* data = GameData::instance();
    if (!data || rarity < 0 || rarity >= kMonsterRarityCount)
        return "";
    return data->rules().monsterRarityColor[static_cast<size_t>(rarity)];
}

bool isUniqueOrLegend(const MonsterType* type)
{
    return type && (type->unique || type->legend);
}

int rarityOf(const MonsterType* type)
{
    return type && type->unique ? toIndex(MonsterRarity::Unique) : toIndex(MonsterRarity::Legend);
}

std::string questItemNameOf(const MonsterType* type)
{
    return type && type->archetype ? type->archetype->questItemName : std::string();
}

} // namespace

std::string QuestBase::getProgressText(bool withNames)
{
    if (!definition)
        return "";
    const MonsterType* type = getMonsterType(0);
    if (is(QuestType::Siege)) {
        const GameData* data = GameData::instance();
        type = data ? data->findMonsterType(definition->monsterType) : nullptr;
    }
    if (!type && definition->needsMonsterType)
        return "";
    if (failed && !withNames)
        return "Progress: " + formatColorCode(1) + "failed" + formatColorCode(kColorPlain) + "\n";

    // Counters come from saves and messages: subtract in a wider type.
    const long long left = static_cast<long long>(goal) - progress;
    long long remaining = left;
    if (is(QuestType::MonsterQuest))
        remaining = targets.empty() ? 0 : static_cast<long long>(targets[0].needed) - targets[0].count;
    const int remainingCount = static_cast<int>(std::clamp<long long>(remaining, INT_MIN, INT_MAX));

    std::string out;
    if (isAny({QuestType::MonsterQuestItem, QuestType::DeadlyPoison, QuestType::Plague, QuestType::Petrify,
               QuestType::ArmorsmithMonsterQuestItem, QuestType::WeaponsmithMonsterQuestItem,
               QuestType::StoryDraaienNullifier})) {
        if (withNames)
            out = formatString("%lld %s %s%s", left, type ? type->getName().c_str() : "",
                               questItemNameOf(type).c_str(), remaining > 1 ? "s" : "");
        else
            out = formatString("Progress: %lld", remaining);
        return out + " left to find\n";
    }
    if (isAny({QuestType::LevelQuestItem, QuestType::PoisonedSupply, QuestType::ArmorsmithLevelQuestItem,
               QuestType::WeaponsmithLevelQuestItem, QuestType::StoryTurenGraves,
               QuestType::StoryCiglioFindItem})) {
        if (withNames)
            out = formatString("%lld %s", remaining, getItemName(remainingCount).c_str());
        else
            out = formatString("Progress: %lld", remaining);
        return out + " left to find\n";
    }
    if (isAny({QuestType::KillMonsterGroup, QuestType::StoryShankarLuteKefah, QuestType::Meeting})) {
        long long open = std::count_if(targets.begin(), targets.end(),
                                       [](const QuestTarget& t) { return t.count < t.needed; });
        out = formatString("%lld monster%s in group left to kill\n", open, pluralSuffix(open));
        return withNames ? out : "Progress: " + out;
    }
    if (is(QuestType::ClearLevel))
        return formatString("%lld monster%s left to kill\n", left, pluralSuffix(left));
    if (isBoss() ||
        isAny({QuestType::ScoutLocation, QuestType::Renegade, QuestType::Escort, QuestType::TreasureMap,
               QuestType::GhostRevenge, QuestType::Revenge, QuestType::UniqueMonsterSpotted,
               QuestType::Kidnapping, QuestType::RenegadeAttack, QuestType::Assassin, QuestType::MonsterScout,
               QuestType::StoryKillTurenScout, QuestType::StoryKillShankarPartner,
               QuestType::StoryKillCiglioGuard, QuestType::StoryKillDraaienMage,
               QuestType::WarAgainstBarbarians}) ||
        !definition->needsMonsterType)
        return "";
    if (withNames)
        out = formatString("%lld %s", remaining,
                           getMonsterTypeText(0, true, true, remainingCount, false).c_str());
    else
        out = formatString("Progress: %lld", remaining);
    return out + " left to kill\n";
}

std::string QuestBase::getTargetLine(const QuestTarget& target) const
{
    const MonsterType* type = target.monsterType;
    bool special = isUniqueOrLegend(type);
    std::string out = "Kill ";
    if (target.needed > 1)
        appendFormat(out, "%d ", target.needed);
    if (special)
        out += rarityColor(rarityOf(type));
    if (type)
        out += type->getName();
    if (special)
        out += formatColorCode(kColorPlain);
    if (target.needed > 1)
        out += "s";
    if (special)
        appendFormat(out, " (%s)", type->title.c_str());
    // A blank before the state: glued, it read "Scouts(1 killed)".
    if (!targets.empty() && target.count > 0) {
        if (target.count < target.needed)
            appendFormat(out, " (%d killed)", target.count);
        else
            out += " (completed)";
    }
    return out + "\n";
}

std::string QuestBase::getLevelText(bool second, bool shortForm)
{
    int index = second ? getSecondTargetLevel() : getTargetLevel();
    std::string out = formatColorCode(2) + questworld::levelName(index);
    if (!shortForm && questworld::isBelowGround(index)) {
        int above = questworld::levelAbove(index);
        if (above != -1)
            appendFormat(out, " (under %s)", questworld::levelName(above).c_str());
    }
    return out + formatColorCode(kColorPlain);
}

std::string QuestBase::getMonsterTypeText(int index, bool coloured, bool plural, int count,
                                          bool withTitle) const
{
    const MonsterType* type = getMonsterType(index);
    if (!type)
        return "";
    bool special = isUniqueOrLegend(type);
    std::string out;
    if (coloured) {
        if (isBoss())
            out += rarityColor(toIndex(MonsterRarity::Boss));
        else if (special)
            out += rarityColor(rarityOf(type));
    }
    if (plural && count > 1 && !type->pluralName.empty())
        out += type->pluralName;
    else
        out += type->getName() + (plural && count > 1 ? "s" : "");
    if (coloured && (isBoss() || special))
        out += formatColorCode(kColorPlain);
    if (withTitle && !isBoss() && special)
        appendFormat(out, ", %s %s,", indefiniteArticle(type->title), type->title.c_str());
    return out;
}

std::string QuestBase::getItemName(int count)
{
    if (definition && definition->defaultItem) {
        std::string name = DefinitionReader(definition->defaultItem).getString("Name");
        return count > 1 ? name + "s" : name;
    }
    const DatabaseEntry* item = questworld::areaQuestItem(getTargetLevel());
    if (!item)
        return "";
    DefinitionReader r(item);
    if (count > 1) {
        std::string plural = r.getString("QuestItemNamePlural");
        if (!plural.empty())
            return plural;
        return r.getString("QuestItemName") + pluralSuffix(count);
    }
    return r.getString("QuestItemName");
}
