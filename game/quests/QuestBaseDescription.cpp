// A quest's title and journal description, as text keys with arguments for
// the translation files and fixed English lines.
#include "engine/core/ColorCodes.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/data/Localization.h"
#include "game/definitions/GameFormulas.h"
#include "game/definitions/Money.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/quests/QuestBase.h"
#include "game/quests/QuestDefinition.h"

#include <array>

namespace {

const char* const kNpcClassNames[] = {"Warrior", "Rogue", "Priest", "Mage"};

// "th" for 10 to 19 (of every hundred), else by the last digit.
const char* ordinal(int n)
{
    int lastTwo = (n < 0 ? -n : n) % 100;
    return lastTwo >= 10 && lastTwo <= 19 ? "th" : ordinalSuffix(n);
}

std::string nameOf(const MonsterType* type)
{
    return type ? type->getName() : std::string();
}

std::string questItemNameOf(const MonsterType* type)
{
    return type && type->archetype ? type->archetype->questItemName : std::string();
}

bool isUniqueOrLegend(const MonsterType* type)
{
    return type && (type->unique || type->legend);
}

const char* bossKey(QuestType type, bool title)
{
    switch (type) {
    case QuestType::BossKnight:
        return title ? "QuestTitleTuren" : "QuestTextTuren";
    case QuestType::BossLord:
        return title ? "QuestTitleShankar" : "QuestTextShankar";
    case QuestType::BossPrince:
        return title ? "QuestTitleCiglio" : "QuestTextCiglio";
    default:
        return title ? "QuestTitleDraaien" : "QuestTextDraaien";
    }
}

} // namespace

const std::string* QuestBase::textListEntry(int index) const
{
    if (!definition || index < 0 || index >= static_cast<int>(definition->textList.size()))
        return nullptr;
    return &definition->textList[static_cast<size_t>(index)];
}

std::string QuestBase::npcNameArgument()
{
    // Argument values cannot carry text keys: the NPC type key inside the
    // name is translated here, or loses its markers without translations.
    const Localization* localization = Localization::instance();
    const std::string& name = getNpcName();
    return localization ? localization->translateCopy(name) : stripTextKeyMarkers(name);
}

std::string QuestBase::titleArgument()
{
    const Localization* localization = Localization::instance();
    const std::string title = getTitle(false, -1, false);
    return localization ? localization->translateCopy(title) : stripTextKeyMarkers(title);
}

std::string QuestBase::typeText() const
{
    return getMonsterTypeText(0, true, false, 1, false);
}

std::string QuestBase::getTitle(bool simple, int playerLevelIndex, bool withState)
{
    if (level == -1 || !definition || (!getMonsterType(0) && definition->needsMonsterType))
        return wrapText("QuestSlotEmpty");
    std::string out;
    bool complete = isComplete();
    if (!simple && playerLevelIndex != -1 && !failed && !complete &&
        (playerLevelIndex == getTargetLevel() || playerLevelIndex == getSecondTargetLevel()))
        out += wrapText("QuestTitlePlayerInQuestLevel");

    const MonsterType* mt = getMonsterType(0);
    const std::string* listEntry = textListEntry(npcChoice);
    const std::string entryText = listEntry ? *listEntry : std::string();
    switch (static_cast<QuestType>(type)) {
    case QuestType::Recruit:
        if (simple)
            return wrapText("QuestTitleRecruitSimple");
        out += wrapText("QuestTitleRecruit");
        break;
    case QuestType::MonsterQuestItem:
    case QuestType::ArmorsmithMonsterQuestItem:
    case QuestType::WeaponsmithMonsterQuestItem:
        out += wrapText("QuestTitleMonsterQuestItem", "%d %s %s%s", goal, nameOf(mt).c_str(),
                        questItemNameOf(mt).c_str(), goal > 1 ? "s" : "");
        break;
    case QuestType::StoryDraaienNullifier:
        out +=
            wrapText("QuestTitleDraaienNullifier", "%s %s", typeText().c_str(), questItemNameOf(mt).c_str());
        break;
    case QuestType::DeadlyPoison: {
        std::string who;
        if (simple)
            who = npcChoice >= 0 && npcChoice < getNpcCount() ? getNpcNameAt(npcChoice) : std::string();
        else
            who = npcNameArgument();
        out += wrapText("QuestTitleDeadlyPoison", "%s", who.c_str());
        break;
    }
    case QuestType::Petrify:
        out += wrapText("QuestTitlePetrify", "%s", npcNameArgument().c_str());
        break;
    case QuestType::Plague:
        out += wrapText("QuestTitlePlague");
        break;
    case QuestType::LevelQuestItem:
    case QuestType::ArmorsmithLevelQuestItem:
    case QuestType::WeaponsmithLevelQuestItem:
        out += wrapText("QuestTitleLevelQuestItem", "%d %s", goal, getItemName(goal).c_str());
        break;
    case QuestType::StoryTurenGraves:
        out += wrapText("QuestTitleTurenGraves", "%d %s", goal, getItemName(goal).c_str());
        break;
    case QuestType::StoryCiglioFindItem:
        out += wrapText("QuestTitleCiglioFindItem", "%d %s", goal, getItemName(goal).c_str());
        break;
    case QuestType::PoisonedSupply:
        out += wrapText("QuestTitlePoisonedSupply", "%s", entryText.c_str());
        break;
    case QuestType::KillMonsterGroup:
        out += wrapText("QuestTitleMonsterGroup", "%s", typeText().c_str());
        break;
    case QuestType::Meeting:
        out += wrapText("QuestTitleMeeting", "%s %s", typeText().c_str(),
                        getMonsterTypeText(1, true, false, 1, false).c_str());
        break;
    case QuestType::StoryShankarLuteKefah:
        out += wrapText("QuestTitleShankarLuteKefah");
        break;
    case QuestType::ClearLevel:
        out += wrapText("QuestTitleClearLevel", "%d %s", goal, getLevelText(false, true).c_str());
        break;
    case QuestType::ScoutLocation:
        out += wrapText("QuestTitleScoutLocation", "%s", getLevelText(false, true).c_str());
        break;
    case QuestType::RescueNpc:
        out += wrapText("QuestTitleRescueNpc", "%s", npcName.c_str());
        break;
    case QuestType::StoryShankarRescue:
        out += wrapText("QuestTitleShankarRescue", "%s", npcName.c_str());
        break;
    case QuestType::Escort:
        out += wrapText("QuestTitleEscort", "%s", npcName.c_str());
        break;
    case QuestType::Kidnapping:
        out += wrapText(failed ? "QuestTitleKindappingFailed" : "QuestTitleKindapping", "%s",
                        npcNameArgument().c_str());
        break;
    case QuestType::Siege:
        out += wrapText("QuestTitleSiege");
        break;
    case QuestType::TreasureMap:
        out += wrapText("QuestTitleTreasureMap");
        break;
    case QuestType::Thief:
        out += wrapText("QuestTitleThief");
        break;
    case QuestType::Delivery:
        out += wrapText(simple ? "QuestTitleDeliverySimple" : "QuestTitleDelivery", "%s", npcName.c_str());
        break;
    case QuestType::Uprising:
        out += wrapText("QuestTitleUprising", "%s", nameOf(mt).c_str());
        break;
    case QuestType::WarAgainstBarbarians:
        out += wrapText("QuestTitleWarAgainstBarbarians", "%s", typeText().c_str());
        break;
    case QuestType::StoryTurenArmy:
        out += wrapText("QuestTitleTurenArmy", "%s", typeText().c_str());
        break;
    case QuestType::StoryCiglioHorde:
        out += wrapText("QuestTitleCiglioHorde", "%s", typeText().c_str());
        break;
    case QuestType::StoryDraaienArmy:
        out += wrapText("QuestTitleDraaienArmy", "%s", typeText().c_str());
        break;
    case QuestType::Renegade:
    case QuestType::RenegadeAttack:
        out += wrapText("QuestTitleRenegade", "%s", npcName.c_str());
        break;
    case QuestType::GhostRevenge:
        out += wrapText("QuestTitleGhostRevenge", "%s", npcName.c_str());
        break;
    case QuestType::Revenge:
        out += wrapText("QuestTitleRevenge", "%s %s", npcName.c_str(), entryText.c_str());
        break;
    case QuestType::TutorialEquipWeapon:
    case QuestType::TutorialGetQuest:
    case QuestType::TutorialUseSlot:
    case QuestType::TutorialInvestigateHouse:
    case QuestType::TutorialTalkToQuestGivers:
    case QuestType::TutorialTalkToVendors:
    case QuestType::TutorialCovenantTrade:
        out += wrapText(("QuestTitle" + getQuestTypeName(type)).c_str());
        break;
    case QuestType::MonsterScout:
        out += wrapText("QuestTitleMonsterScout", "%s", nameOf(mt).c_str());
        break;
    case QuestType::StoryKillTurenScout:
        out += wrapText("QuestTitleKillTurenScout", "%s", typeText().c_str());
        break;
    case QuestType::StoryKillShankarPartner:
        out += wrapText("QuestTitleKillShankarPartner", "%s", typeText().c_str());
        break;
    case QuestType::StoryKillCiglioGuard:
        out += wrapText("QuestTitleKillCiglioGuard", "%s %s", typeText().c_str(), typeText().c_str());
        break;
    case QuestType::StoryKillDraaienMage:
        out += wrapText("QuestTitleKillDraaienMage", "%s %s", typeText().c_str(), typeText().c_str());
        break;
    default:
        if (isBoss() &&
            isAny({QuestType::BossKnight, QuestType::BossLord, QuestType::BossPrince, QuestType::BossKing})) {
            out += wrapText(bossKey(static_cast<QuestType>(type), true), "%s", typeText().c_str());
        } else if (isUniqueOrLegend(mt)) {
            out += wrapText("QuestTitleKillUniqueMonster", "%s", typeText().c_str());
        } else {
            int count = goal;
            if (is(QuestType::MonsterQuest))
                count = targets.empty() ? 0 : targets[0].needed;
            out += wrapText("QuestTitleKillMonsters", "%d %s", count,
                            getMonsterTypeText(0, true, true, count, false).c_str());
        }
        break;
    }
    if (!simple && withState) {
        if (complete)
            out += " " + wrapText("QuestCompleted");
        else if (failed)
            out += " " + wrapText("QuestFailed");
    }
    return out;
}

std::string QuestBase::mainText(const std::string& playerName)
{
    const MonsterType* mt = getMonsterType(0);
    const std::string* variant = textListEntry(textVariant);
    const char* variantKey = variant ? variant->c_str() : nullptr;
    const std::string* listEntry = textListEntry(npcChoice);
    const std::string entryText = listEntry ? *listEntry : std::string();
    const char* pronoun = isNpcMale() ? "he" : "she";
    std::string out;
    bool killSentence = false;
    auto targetLines = [this, &out] {
        for (const QuestTarget& target : targets)
            out += getTargetLine(target);
    };

    switch (static_cast<QuestType>(type)) {
    case QuestType::Recruit: {
        int npcClass = rollNpcClass();
        out = wrapText("QuestTextRecruit", "%s %d%s %s", npcName.c_str(), recruitLevel, ordinal(recruitLevel),
                       kNpcClassNames[npcClass]);
        break;
    }
    case QuestType::StoryDraaienNullifier:
        out = wrapText("QuestTextDraaienNullifier", "%s %s %s", typeText().c_str(),
                       questItemNameOf(mt).c_str(), playerName.c_str());
        break;
    case QuestType::DeadlyPoison:
    case QuestType::Petrify:
        out = wrapText(is(QuestType::Petrify) ? "QuestTextPetrify" : "QuestTextDeadlyPoison", "%s %d %s %s%s",
                       npcNameArgument().c_str(), goal, nameOf(mt).c_str(), questItemNameOf(mt).c_str(),
                       goal > 1 ? "s" : "");
        break;
    case QuestType::Kidnapping:
        if (failed) {
            out = wrapText("QuestTextKidnappingFailed", "%s", npcNameArgument().c_str());
        } else if (variantKey) {
            out = wrapText(isNpcMale() ? "QuestMalePronounKidnapping" : "QuestFemalePronounKidnapping");
            out += wrapText(variantKey, "%s %s %s", pronoun, npcNameArgument().c_str(), typeText().c_str());
        }
        break;
    case QuestType::StoryTurenGraves:
    case QuestType::StoryCiglioFindItem:
        out = wrapText(is(QuestType::StoryTurenGraves) ? "QuestTextTurenGraves" : "QuestTextCiglioFindItem",
                       "%d %s", goal, getItemName(goal).c_str());
        break;
    case QuestType::PoisonedSupply:
        out = wrapText("QuestTextPoisonedSupply", "%s %d %s", entryText.c_str(), goal,
                       getItemName(goal).c_str());
        break;
    case QuestType::StoryShankarLuteKefah:
        out = wrapText("QuestTextShankarLuteKefah");
        targetLines();
        break;
    case QuestType::StoryShankarRescue:
        out = wrapText("QuestTextShankarRescue", "%s", npcName.c_str());
        break;
    case QuestType::StoryKillTurenScout:
        out = wrapText("QuestTextKillTurenScout", "%s %s %s", typeText().c_str(),
                       getLevelText(false, false).c_str(), playerName.c_str());
        break;
    case QuestType::StoryKillShankarPartner:
        out = wrapText("QuestTextKillShankarPartner", "%s", typeText().c_str());
        break;
    case QuestType::StoryKillCiglioGuard:
    case QuestType::StoryKillDraaienMage:
        out = wrapText(is(QuestType::StoryKillCiglioGuard) ? "QuestTextKillCiglioGuard"
                                                           : "QuestTextKillDraaienMage",
                       "%s %s", typeText().c_str(), getLevelText(false, false).c_str());
        break;
    case QuestType::Revenge:
        out = wrapText("QuestTextRevenge", "%s %s %s %s", npcNameArgument().c_str(),
                       indefiniteArticle(entryText), entryText.c_str(), typeText().c_str());
        break;
    case QuestType::TutorialEquipWeapon:
    case QuestType::TutorialGetQuest:
    case QuestType::TutorialUseSlot:
    case QuestType::TutorialInvestigateHouse:
    case QuestType::TutorialTalkToQuestGivers:
    case QuestType::TutorialTalkToVendors:
    case QuestType::TutorialCovenantTrade:
        out = wrapText(("QuestText" + getQuestTypeName(type)).c_str());
        break;
    case QuestType::StoryTurenArmy:
    case QuestType::StoryCiglioHorde:
        out = wrapText(is(QuestType::StoryTurenArmy) ? "QuestTextTurenArmy" : "QuestTextCiglioHorde",
                       "%s %d %s", typeText().c_str(), goal, getLevelText(false, false).c_str());
        break;
    case QuestType::StoryDraaienArmy:
        out = wrapText("QuestTextDraaienArmy", "%s %d", typeText().c_str(), goal);
        break;
    case QuestType::Renegade:
    case QuestType::RenegadeAttack:
        if (variantKey) {
            bool male = isNpcMale();
            bool attack = is(QuestType::RenegadeAttack);
            out = wrapText(
                formatString("Quest%sPronounRenegade%s1", male ? "Male" : "Female", attack ? "Attack" : "")
                    .c_str());
            out += wrapText(
                formatString("Quest%sPronounRenegade%s2", male ? "Male" : "Female", attack ? "Attack" : "")
                    .c_str());
            out += wrapText(variantKey, "%s %s %s", npcName.c_str(), pronoun, typeText().c_str());
        }
        break;
    case QuestType::MonsterQuestItem:
    case QuestType::ArmorsmithMonsterQuestItem:
    case QuestType::WeaponsmithMonsterQuestItem:
    case QuestType::Plague:
        if (variantKey)
            out = wrapText(variantKey, "%d %s %s%s", goal, nameOf(mt).c_str(), questItemNameOf(mt).c_str(),
                           goal > 1 ? "s" : "");
        break;
    case QuestType::LevelQuestItem:
    case QuestType::ArmorsmithLevelQuestItem:
    case QuestType::WeaponsmithLevelQuestItem:
        if (variantKey)
            out = wrapText(variantKey, "%d %s", goal, getItemName(goal).c_str());
        break;
    case QuestType::KillMonsterGroup:
        if (variantKey)
            out = wrapText(variantKey, "%s", typeText().c_str());
        targetLines();
        break;
    case QuestType::Meeting:
        if (variantKey)
            out = wrapText(variantKey, "%s %s %s", getLevelText(false, false).c_str(), typeText().c_str(),
                           getMonsterTypeText(1, true, false, 1, false).c_str());
        targetLines();
        break;
    case QuestType::Escort:
        if (variantKey)
            out = wrapText(variantKey, "%s %s %s", npcName.c_str(), getLevelText(false, false).c_str(),
                           getLevelText(true, false).c_str());
        break;
    case QuestType::ClearLevel:
        if (variantKey)
            out = wrapText(variantKey, "%s %d", getLevelText(false, false).c_str(), goal);
        break;
    case QuestType::GhostRevenge: {
        std::string text = typeText();
        if (variantKey)
            out = wrapText(variantKey, "%s %s %s %s", npcName.c_str(), indefiniteArticle(nameOf(mt)),
                           text.c_str(), getLevelText(false, false).c_str());
        break;
    }
    case QuestType::MonsterQuest:
        if (variantKey)
            out = wrapText(variantKey, "%s %d", typeText().c_str(), targets.empty() ? 0 : targets[0].needed);
        break;
    case QuestType::WarAgainstBarbarians:
    case QuestType::Uprising:
    case QuestType::Assassin:
    case QuestType::MonsterScout:
        if (variantKey)
            out = wrapText(variantKey, "%s", typeText().c_str());
        break;
    case QuestType::KillMonsters:
        // The variant speaks of the kind as a whole, in the plural unless it
        // is one named monster; two blanks part it from the kill sentence.
        if (variantKey)
            out = wrapText(variantKey, "%s",
                           getMonsterTypeText(0, true, !isUniqueOrLegend(mt), 2, true).c_str()) +
                  "  ";
        killSentence = true;
        break;
    default:
        if (variantKey && !isBoss())
            out = wrapText(variantKey);
        killSentence = true;
        break;
    }

    if (killSentence && mt) {
        out += "Kill ";
        if (!isBoss())
            appendFormat(out, "%d ", goal);
        out += getMonsterTypeText(0, true, true, goal, false);
        if (isUniqueOrLegend(mt))
            appendFormat(out, " (%s)", mt->title.c_str());
        out += ".";
        if (isBoss())
            out += wrapText(bossKey(static_cast<QuestType>(type), false), "%s", typeText().c_str());
    }
    return out;
}

std::string QuestBase::getDescription(int playerLevel, const GameTime& now, const std::string& playerName)
{
    if (level == -1 || !definition)
        return "";
    computeTargetLevels();
    std::string out = mainText(playerName);

    if (is(QuestType::TutorialInvestigateHouse)) {
        static const char* const kUses[] = {"gate",  "lifestone", "pedestal",
                                            "stash", "bookshelf", "covenant stash"};
        for (size_t i = 0; i < 6; ++i) {
            bool done = i < targets.size() && targets[i].count > 0;
            appendFormat(out, "Use %s%s\n", kUses[i], done ? " (completed)" : "");
        }
    } else if (isAny({QuestType::TutorialTalkToQuestGivers, QuestType::TutorialTalkToVendors})) {
        static const NpcType kGivers[] = {NpcType::Warmaster, NpcType::Apothecary, NpcType::Steward};
        static const NpcType kVendors[] = {NpcType::VendorBasic, NpcType::VendorWeapon, NpcType::VendorArmor,
                                           NpcType::VendorGuard, NpcType::Gambler};
        bool givers = is(QuestType::TutorialTalkToQuestGivers);
        size_t n = givers ? 3 : 5;
        for (size_t i = 0; i < n; ++i) {
            NpcType npc = givers ? kGivers[i] : kVendors[i];
            bool done = i < targets.size() && targets[i].count > 0;
            appendFormat(out, "Talk to the $$NpcType%s$$%s", getNpcTypeName(toIndex(npc)).c_str(),
                         done ? " (completed)\n" : "\n");
        }
    }
    out += "\n";

    bool complete = isComplete();
    if (definition->maxTime != 0.0f && !complete)
        appendFormat(out, "Time left: %s\n", formatTimeLeft(static_cast<float>(getTimeLeft(now))).c_str());

    if (targetLevel != -1) {
        if (isBoss())
            out += "Location: ";
        else if (!isAny({QuestType::ClearLevel, QuestType::ScoutLocation, QuestType::LevelQuestItem,
                         QuestType::ArmorsmithLevelQuestItem, QuestType::WeaponsmithLevelQuestItem,
                         QuestType::StoryTurenGraves, QuestType::StoryCiglioFindItem}))
            out += "Known location: ";
        out += getLevelText(false, false) + "\n";
    }
    if (level > 0)
        appendFormat(out, "Quest level: %d\n", level);

    if (complete)
        out += "Progress: " + formatColorCode(61) + "completed" + formatColorCode(0) + "\n";
    else if (hasProgress())
        out += getProgressText(true);
    out += "\n";

    if (definition->returnForReward) {
        if (definition->returnToMonster)
            appendFormat(out, "Talk to the %s in %s when the quest is completed.\n", typeText().c_str(),
                         getLevelText(false, false).c_str());
        else if (definition->returnToSpecificNpc)
            appendFormat(out, "Talk to the %s in %s when the quest is completed.\n", npcName.c_str(),
                         getLevelText(false, false).c_str());
        else
            appendFormat(out, "Talk to the $$NpcType%s$$ when the quest is completed.\n",
                         getNpcTypeName(toIndex(definition->returnNpcType)).c_str());
    }

    long long xp = static_cast<long long>(static_cast<double>(xpReward) *
                                          experienceMultiplierBetweenLevels(level, playerLevel));
    // An item the quest always gives is named where the random ones are.
    const Database* db = Database::instance();
    const std::string item =
        definition->itemReward && db ? db->getString(definition->itemReward, "Name") : std::string();
    if (xp > 0 || moneyReward > 0 || definition->armorReward || definition->weaponReward || !item.empty()) {
        std::vector<std::string> parts;
        if (xp != 0)
            parts.push_back(formatString("%lld XP", xp));
        if (moneyReward != 0)
            parts.push_back(formatMoney(moneyReward));
        if (definition->armorReward)
            parts.push_back("a random piece of armor");
        if (definition->weaponReward)
            parts.push_back("a random weapon");
        if (!item.empty())
            parts.push_back(item);
        out += "Reward: ";
        for (size_t i = 0; i < parts.size(); ++i)
            out += (i ? " & " : "") + parts[i];
        out += "\n";
    }

    if (is(QuestType::Recruit))
        out += "You will fail this quest if another covenant recruits this npc first or the time expires!\n";
    else if (isAny({QuestType::RescueNpc, QuestType::Escort, QuestType::Kidnapping}))
        out += "You will fail this quest if the npc dies!\n";
    else if (is(QuestType::Delivery))
        out += "You will fail this quest if the npc dies or the time expires!\n";
    return out;
}
