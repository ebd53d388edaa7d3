#include "QuestFixture.h"

#include "game/definitions/Money.h"
#include "game/quests/QuestDefinition.h"

namespace {

class QuestTexts : public QuestFixture {
protected:
    QuestTexts()
    {
        // Kill quests name their monster type in the progress line.
        if (loaded)
            for (QuestType t : {QuestType::KillMonsters, QuestType::Recruit})
                data->getQuestDefinition(toIndex(t))->needsMonsterType = true;
    }
    void makeKillMonsters(TestQuest& q)
    {
        q.setUpType = monster("GoblinScout");
        roll(q, QuestType::KillMonsters);
        q.progress = 2;
    }
    static bool has(const std::string& text, const std::string& part)
    {
        return text.find(part) != std::string::npos;
    }
    const GameTime eight{0, 8, 0, 0.0f};
};

// Title and description up to the quest level of every type, rolled as the
// golden rolls (GoblinScout; Grabnak as the second target of the list types;
// three town NPCs; no translations, so NPC type keys lose their markers).
struct GoldenText {
    QuestType type;
    const char* title;
    const char* head;
};

const GoldenText kGoldenTexts[] = {
    {QuestType::BossKnight, "$$QuestTitleTuren~<^c007Goblin Scout^c145@@>~$$",
     "Kill ^c007Goblin Scout^c145.$$QuestTextTuren~<^c007Goblin Scout^c145@@>~$$\nTime left: 19.7 "
     "minutes\nLocation: ^c002Level5^c145\nQuest level: 10"},
    {QuestType::BossLord, "$$QuestTitleShankar~<^c007Goblin Scout^c145@@>~$$",
     "Kill ^c007Goblin Scout^c145.$$QuestTextShankar~<^c007Goblin Scout^c145@@>~$$\nTime left: 19.7 "
     "minutes\nLocation: ^c002Level6^c145\nQuest level: 10"},
    {QuestType::BossPrince, "$$QuestTitleCiglio~<^c007Goblin Scout^c145@@>~$$",
     "Kill ^c007Goblin Scout^c145.$$QuestTextCiglio~<^c007Goblin Scout^c145@@>~$$\nTime left: 19.7 "
     "minutes\nLocation: ^c002Level7^c145\nQuest level: 10"},
    {QuestType::BossKing, "$$QuestTitleDraaien~<^c007Goblin Scout^c145@@>~$$",
     "Kill ^c007Goblin Scout^c145.$$QuestTextDraaien~<^c007Goblin Scout^c145@@>~$$\nTime left: 19.7 "
     "minutes\nLocation: ^c002Level8^c145\nQuest level: 10"},
    {QuestType::KillMonsters, "$$QuestTitleKillMonsters~<5@@Goblin Scouts@@>~$$",
     "$$QuestFixtureText0~<Goblin Scouts@@>~$$  Kill 5 Goblin Scouts.\nTime left: 11.7 minutes\nKnown "
     "location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::UniqueMonsterSpotted, "$$QuestTitleKillMonsters~<1@@Goblin Scout@@>~$$",
     "$$QuestFixtureText0$$Kill 1 Goblin Scout.\nTime left: 19.7 minutes\nKnown location: "
     "^c002Level3^c145\nQuest level: 10"},
    {QuestType::Assassin, "$$QuestTitleKillMonsters~<1@@Goblin Scout@@>~$$",
     "$$QuestFixtureText0~<Goblin Scout@@>~$$\nTime left: 19.7 minutes\nKnown location: "
     "^c002Level0^c145\nQuest level: 10"},
    {QuestType::MonsterQuestItem, "$$QuestTitleMonsterQuestItem~<5@@Goblin Scout@@Goblin Ears@@>~$$",
     "$$QuestFixtureText0~<5@@Goblin Scout@@Goblin Ears@@>~$$\nTime left: 11.7 minutes\nKnown location: "
     "^c002Level3^c145\nQuest level: 10"},
    {QuestType::LevelQuestItem, "$$QuestTitleLevelQuestItem~<3@@Relics@@>~$$",
     "$$QuestFixtureText0~<3@@Relics@@>~$$\nTime left: 11.7 minutes\n^c002Level3^c145\nQuest level: 10"},
    {QuestType::TownTraps, "$$QuestTitleKillMonsters~<3@@Goblin Scouts@@>~$$",
     "Kill 3 Goblin Scouts.\nTime left: 12.8 minutes\nKnown location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::Recruit, "$$QuestTitleRecruit$$",
     "$$QuestTextRecruit~<Thermund@@8th@@Mage@@>~$$\nTime left: 11.7 minutes\nKnown location: "
     "^c002Level3^c145\nQuest level: 10"},
    {QuestType::KillMonsterGroup, "$$QuestTitleMonsterGroup~<Goblin Scout@@>~$$",
     "$$QuestFixtureText0~<Goblin Scout@@>~$$Kill Goblin Scout\nKill ^c005Grabnak^c145 (goblin warlord)"},
    {QuestType::RescueNpc, "$$QuestTitleRescueNpc~<Thermund@@>~$$",
     "$$QuestFixtureText0$$Kill 1 Goblin Scout.\nTime left: 19.7 minutes\nKnown location: "
     "^c002Level3^c145\nQuest level: 10"},
    {QuestType::ClearLevel, "$$QuestTitleClearLevel~<3@@^c002Level3^c145@@>~$$",
     "$$QuestFixtureText0~<^c002Level3^c145@@3@@>~$$\nTime left: 11.7 minutes\n^c002Level3^c145\nQuest "
     "level: 10"},
    {QuestType::ScoutLocation, "$$QuestTitleScoutLocation~<^c002Level3^c145@@>~$$",
     "$$QuestFixtureText0$$Kill 1 Goblin Scout.\nTime left: 19.7 minutes\n^c002Level3^c145\nQuest level: 10"},
    {QuestType::Delivery, "$$QuestTitleDelivery~<Thermund@@>~$$",
     "$$QuestFixtureText0$$Kill 1 Goblin Scout.\nTime left: 19.7 minutes\nKnown location: "
     "^c002Level3^c145\nQuest level: 10"},
    {QuestType::CrystalGain, "$$QuestTitleKillMonsters~<1@@Goblin Scout@@>~$$",
     "Kill 1 Goblin Scout.\nTime left: 12.8 minutes\nKnown location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::CrystalLoss, "$$QuestTitleKillMonsters~<1@@Goblin Scout@@>~$$",
     "Kill 1 Goblin Scout.\nTime left: 12.8 minutes\nKnown location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::InfluenceGain, "$$QuestTitleKillMonsters~<1@@Goblin Scout@@>~$$",
     "Kill 1 Goblin Scout.\nTime left: 12.8 minutes\nKnown location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::InfluenceLoss, "$$QuestTitleKillMonsters~<1@@Goblin Scout@@>~$$",
     "Kill 1 Goblin Scout.\nTime left: 12.8 minutes\nKnown location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::Uprising, "$$QuestTitleUprising~<Goblin Scout@@>~$$",
     "$$QuestFixtureText0~<Goblin Scout@@>~$$\nTime left: 11.7 minutes\nKnown location: "
     "^c002Level3^c145\nQuest level: 10"},
    {QuestType::Renegade, "$$QuestTitleRenegade~<Thermund@@>~$$",
     "$$QuestMalePronounRenegade1$$$$QuestMalePronounRenegade2$$$$QuestFixtureText0~<Thermund@@he@@Goblin "
     "Scout@@>~$$\nTime left: 19.7 minutes\nKnown location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::RenegadeAttack, "$$QuestTitleRenegade~<Thermund@@>~$$",
     "$$QuestMalePronounRenegadeAttack1$$$$QuestMalePronounRenegadeAttack2$$$$QuestFixtureText0~<Thermund@@"
     "he@@Goblin Scout@@>~$$\nTime left: 19.7 minutes\nKnown location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::GhostRevenge, "$$QuestTitleGhostRevenge~<Thermund@@>~$$",
     "$$QuestFixtureText0~<Thermund@@a@@Goblin Scout@@^c002Level3^c145@@>~$$\nTime left: 19.7 minutes\nKnown "
     "location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::Revenge, "$$QuestTitleRevenge~<Thermund@@QuestFixtureText0@@>~$$",
     "$$QuestTextRevenge~<Thermund@@a@@QuestFixtureText0@@Goblin Scout@@>~$$\nTime left: 19.7 minutes\nKnown "
     "location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::War, "$$QuestTitleKillMonsters~<1@@Goblin Scout@@>~$$",
     "Kill 1 Goblin Scout.\nTime left: 12.8 minutes\nKnown location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::Escort, "$$QuestTitleEscort~<Thermund@@>~$$",
     "$$QuestFixtureText0~<Thermund@@^c002Level3^c145@@^c002Level4^c145@@>~$$\nTime left: 19.7 "
     "minutes\nKnown location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::TreasureMap, "$$QuestTitleTreasureMap$$",
     "$$QuestFixtureText0$$Kill 1 Goblin Scout.\nTime left: 12.8 minutes\nKnown location: "
     "^c002Level3^c145\nQuest level: 10"},
    {QuestType::MonsterQuest, "$$QuestTitleKillMonsters~<5@@Goblin Scouts@@>~$$",
     "$$QuestFixtureText0~<Goblin Scout@@5@@>~$$\nTime left: 11.2 minutes\nKnown location: "
     "^c002Level3^c145\nQuest level: 10"},
    {QuestType::PoisonedSupply, "$$QuestTitlePoisonedSupply~<QuestFixtureText0@@>~$$",
     "$$QuestTextPoisonedSupply~<QuestFixtureText0@@3@@Relics@@>~$$\nTime left: 11.7 minutes\nKnown "
     "location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::DeadlyPoison, "$$QuestTitleDeadlyPoison~<Mara (NpcTypeApothecary)@@>~$$",
     "$$QuestTextDeadlyPoison~<Mara (NpcTypeApothecary)@@5@@Goblin Scout@@Goblin Ears@@>~$$\nTime left: 11.7 "
     "minutes\nKnown location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::Petrify, "$$QuestTitlePetrify~<Mara (NpcTypeApothecary)@@>~$$",
     "$$QuestTextPetrify~<Mara (NpcTypeApothecary)@@5@@Goblin Scout@@Goblin Ears@@>~$$\nTime left: 11.7 "
     "minutes\nKnown location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::Plague, "$$QuestTitlePlague$$",
     "$$QuestFixtureText0~<5@@Goblin Scout@@Goblin Ears@@>~$$\nTime left: 11.7 minutes\nKnown location: "
     "^c002Level3^c145\nQuest level: 10"},
    {QuestType::NewNpc, "$$QuestTitleKillMonsters~<1@@Goblin Scout@@>~$$",
     "Kill 1 Goblin Scout.\nTime left: 12.8 minutes\nKnown location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::TownAttack, "$$QuestTitleKillMonsters~<1@@Goblin Scout@@>~$$",
     "Kill 1 Goblin Scout.\nTime left: 12.8 minutes\nKnown location: ^c002Level0^c145\nQuest level: 10"},
    {QuestType::GuardBreaksFree, "$$QuestTitleKillMonsters~<1@@Goblin Scout@@>~$$",
     "Kill 1 Goblin Scout.\nTime left: 12.8 minutes\nKnown location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::TutorialEquipWeapon, "$$QuestTitleTutorialEquipWeapon$$",
     "$$QuestTextTutorialEquipWeapon$$\nTime left: 19.7 minutes\nKnown location: ^c002Level3^c145\nQuest "
     "level: 10"},
    {QuestType::TutorialUseSlot, "$$QuestTitleTutorialUseSlot$$",
     "$$QuestTextTutorialUseSlot$$\nTime left: 19.7 minutes\nKnown location: ^c002Level3^c145\nQuest level: "
     "10"},
    {QuestType::TutorialInvestigateHouse, "$$QuestTitleTutorialInvestigateHouse$$",
     "$$QuestTextTutorialInvestigateHouse$$Use gate\nUse lifestone\nUse pedestal\nUse stash\nUse "
     "bookshelf\nUse covenant stash"},
    {QuestType::TutorialTalkToQuestGivers, "$$QuestTitleTutorialTalkToQuestGivers$$",
     "$$QuestTextTutorialTalkToQuestGivers$$Talk to the $$NpcTypeWarmaster$$\nTalk to the "
     "$$NpcTypeApothecary$$\nTalk to the $$NpcTypeSteward$$"},
    {QuestType::TutorialTalkToVendors, "$$QuestTitleTutorialTalkToVendors$$",
     "$$QuestTextTutorialTalkToVendors$$Talk to the $$NpcTypeVendorBasic$$\nTalk to the "
     "$$NpcTypeVendorWeapon$$\nTalk to the $$NpcTypeVendorArmor$$\nTalk to the $$NpcTypeVendorGuard$$\nTalk "
     "to the $$NpcTypeGambler$$"},
    {QuestType::TutorialCovenantTrade, "$$QuestTitleTutorialCovenantTrade$$",
     "$$QuestTextTutorialCovenantTrade$$\nTime left: 19.7 minutes\nKnown location: ^c002Level3^c145\nQuest "
     "level: 10"},
    {QuestType::Thief, "$$QuestTitleThief$$",
     "$$QuestFixtureText0$$Kill 1 Goblin Scout.\nTime left: 19.7 minutes\nKnown location: "
     "^c002Level0^c145\nQuest level: 10"},
    {QuestType::Kidnapping, "$$QuestTitleKindapping~<Mara (NpcTypeApothecary)@@>~$$",
     "$$QuestMalePronounKidnapping$$$$QuestFixtureText2~<he@@Mara (NpcTypeApothecary)@@Goblin "
     "Scout@@>~$$\nTime left: 19.7 minutes\nKnown location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::Siege, "$$QuestTitleSiege$$",
     "$$QuestFixtureText2$$Kill 3 Goblin Scouts.\nTime left: 19.7 minutes\nKnown location: "
     "^c002Level1^c145\nQuest level: 10"},
    {QuestType::WanderingVendor, "$$QuestTitleKillMonsters~<1@@Goblin Scout@@>~$$",
     "Kill 1 Goblin Scout.\nTime left: 12.8 minutes\nKnown location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::MonsterScout, "$$QuestTitleMonsterScout~<Goblin Scout@@>~$$",
     "$$QuestFixtureText0~<Goblin Scout@@>~$$\nTime left: 19.7 minutes\nKnown location: "
     "^c002Level0^c145\nQuest level: 10"},
    {QuestType::ArmorsmithMonsterQuestItem,
     "$$QuestTitleMonsterQuestItem~<5@@Goblin Scout@@Goblin Ears@@>~$$",
     "$$QuestFixtureText0~<5@@Goblin Scout@@Goblin Ears@@>~$$\nTime left: 11.7 minutes\nKnown location: "
     "^c002Level3^c145\nQuest level: 10"},
    {QuestType::WeaponsmithMonsterQuestItem,
     "$$QuestTitleMonsterQuestItem~<5@@Goblin Scout@@Goblin Ears@@>~$$",
     "$$QuestFixtureText0~<5@@Goblin Scout@@Goblin Ears@@>~$$\nTime left: 11.7 minutes\nKnown location: "
     "^c002Level3^c145\nQuest level: 10"},
    {QuestType::ArmorsmithLevelQuestItem, "$$QuestTitleLevelQuestItem~<3@@Relics@@>~$$",
     "$$QuestFixtureText0~<3@@Relics@@>~$$\nTime left: 11.7 minutes\n^c002Level3^c145\nQuest level: 10"},
    {QuestType::WeaponsmithLevelQuestItem, "$$QuestTitleLevelQuestItem~<3@@Relics@@>~$$",
     "$$QuestFixtureText0~<3@@Relics@@>~$$\nTime left: 11.7 minutes\n^c002Level3^c145\nQuest level: 10"},
    {QuestType::StoryKillTurenScout, "$$QuestTitleKillTurenScout~<Goblin Scout@@>~$$",
     "$$QuestTextKillTurenScout~<Goblin Scout@@^c002Level3^c145@@Ann@@>~$$\nTime left: 19.7 minutes\nKnown "
     "location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::StoryTurenArmy, "$$QuestTitleTurenArmy~<Goblin Scout@@>~$$",
     "$$QuestTextTurenArmy~<Goblin Scout@@5@@^c002Level3^c145@@>~$$\nTime left: 11.7 minutes\nKnown "
     "location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::StoryTurenGraves, "$$QuestTitleTurenGraves~<3@@Relics@@>~$$",
     "$$QuestTextTurenGraves~<3@@Relics@@>~$$\nTime left: 11.7 minutes\n^c002Level3^c145\nQuest level: 10"},
    {QuestType::StoryShankarLuteKefah, "$$QuestTitleShankarLuteKefah$$",
     "$$QuestTextShankarLuteKefah$$Kill Goblin Scout\nKill ^c005Grabnak^c145 (goblin warlord)"},
    {QuestType::StoryKillShankarPartner, "$$QuestTitleKillShankarPartner~<Goblin Scout@@>~$$",
     "$$QuestTextKillShankarPartner~<Goblin Scout@@>~$$\nTime left: 19.7 minutes\nKnown location: "
     "^c002Level3^c145\nQuest level: 10"},
    {QuestType::StoryShankarRescue, "$$QuestTitleShankarRescue~<Thermund@@>~$$",
     "$$QuestTextShankarRescue~<Thermund@@>~$$\nTime left: 19.7 minutes\nKnown location: "
     "^c002Level3^c145\nQuest level: 10"},
    {QuestType::StoryCiglioFindItem, "$$QuestTitleCiglioFindItem~<3@@Relics@@>~$$",
     "$$QuestTextCiglioFindItem~<3@@Relics@@>~$$\nTime left: 11.7 minutes\n^c002Level3^c145\nQuest "
     "level: 10"},
    {QuestType::StoryKillCiglioGuard, "$$QuestTitleKillCiglioGuard~<Goblin Scout@@Goblin Scout@@>~$$",
     "$$QuestTextKillCiglioGuard~<Goblin Scout@@^c002Level3^c145@@>~$$\nTime left: 19.7 minutes\nKnown "
     "location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::StoryCiglioHorde, "$$QuestTitleCiglioHorde~<Goblin Scout@@>~$$",
     "$$QuestTextCiglioHorde~<Goblin Scout@@5@@^c002Level3^c145@@>~$$\nTime left: 11.7 minutes\nKnown "
     "location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::StoryKillDraaienMage, "$$QuestTitleKillDraaienMage~<Goblin Scout@@Goblin Scout@@>~$$",
     "$$QuestTextKillDraaienMage~<Goblin Scout@@^c002Level3^c145@@>~$$\nTime left: 19.7 minutes\nKnown "
     "location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::StoryDraaienNullifier, "$$QuestTitleDraaienNullifier~<Goblin Scout@@Goblin Ear@@>~$$",
     "$$QuestTextDraaienNullifier~<Goblin Scout@@Goblin Ear@@Ann@@>~$$\nTime left: 19.7 minutes\nKnown "
     "location: ^c002Level3^c145\nQuest level: 10"},
    {QuestType::StoryDraaienArmy, "$$QuestTitleDraaienArmy~<Goblin Scout@@>~$$",
     "$$QuestTextDraaienArmy~<Goblin Scout@@5@@>~$$\nTime left: 11.7 minutes\nKnown location: "
     "^c002Level3^c145\nQuest level: 10"},
    {QuestType::WarAgainstBarbarians, "$$QuestTitleWarAgainstBarbarians~<Goblin Scout@@>~$$",
     "$$QuestFixtureText0~<Goblin Scout@@>~$$\nTime left: 11.7 minutes\nKnown location: "
     "^c002Level3^c145\nQuest level: 10"},
    {QuestType::Meeting, "$$QuestTitleMeeting~<Goblin Scout@@^c005Grabnak^c145@@>~$$",
     "$$QuestFixtureText0~<^c002Level3^c145@@Goblin Scout@@^c005Grabnak^c145@@>~$$Kill Goblin Scout\nKill "
     "^c005Grabnak^c145 (goblin warlord)"},
    {QuestType::TutorialGetQuest, "$$QuestTitleTutorialGetQuest$$",
     "$$QuestTextTutorialGetQuest$$\nTime left: 19.7 minutes\nKnown location: ^c002Level3^c145\nQuest level: "
     "10"},
};

} // namespace

TEST_F(QuestTexts, GoldenTitlesAndDescriptionsForEveryType)
{
    ASSERT_TRUE(loaded);
    ASSERT_EQ(std::size(kGoldenTexts), 66u);
    // The target level's area asks for relics.
    world.levels[3].questItem = database.findEntry("FixtureRelic");
    for (const GoldenText& g : kGoldenTexts) {
        SCOPED_TRACE(getQuestTypeName(toIndex(g.type)));
        TestQuest q;
        q.npcs = {{"Mara", NpcType::Apothecary}, {"Jorn", NpcType::None}, {"Edda", NpcType::Steward}};
        q.setUpType = monster("GoblinScout");
        if (g.type == QuestType::KillMonsterGroup || g.type == QuestType::Meeting ||
            g.type == QuestType::MonsterQuest || g.type == QuestType::StoryShankarLuteKefah ||
            g.type == QuestType::War)
            q.setUpTargets = {monster("GoblinScout"), monster("GrabnakTheCruel")};
        roll(q, g.type);
        EXPECT_EQ(q.getTitle(false, -1), g.title);
        std::string description = q.getDescription(10, eight, "Ann");
        EXPECT_EQ(description.substr(0, description.find("\n\n")), g.head);
    }
}

TEST_F(QuestTexts, KillMonstersTitleProgressAndDescription)
{
    ASSERT_TRUE(loaded);
    TestQuest q;
    makeKillMonsters(q);
    EXPECT_EQ(q.getTitle(false, -1), "$$QuestTitleKillMonsters~<5@@Goblin Scouts@@>~$$");
    EXPECT_EQ(q.getProgressText(false), "Progress: 3 left to kill\n");
    EXPECT_EQ(q.getProgressText(true), "3 Goblin Scouts left to kill\n");

    std::string description = q.getDescription(8, eight, "Ann");
    EXPECT_TRUE(has(description, "$$QuestFixtureText0~<Goblin Scouts@@>~$$  Kill 5 Goblin Scouts."))
        << description;
    EXPECT_TRUE(has(description, "Time left: 11.7 minutes\n")) << description;
    EXPECT_TRUE(has(description, "Known location: ^c002Level3^c145\n")) << description;
    EXPECT_TRUE(has(description, "Quest level: 10\n"));
    EXPECT_TRUE(has(description, "3 Goblin Scouts left to kill\n"));
    // trunc(63 × 1.25 × 1.25) for a level-8 player.
    EXPECT_TRUE(has(description, "Reward: 98 XP & " + formatMoney(157) + "\n")) << description;

    // The player in the quest's level; complete; failed.
    EXPECT_EQ(q.getTitle(false, 3),
              "$$QuestTitlePlayerInQuestLevel$$$$QuestTitleKillMonsters~<5@@Goblin Scouts@@>~$$");
    EXPECT_EQ(q.getTitle(true, 3), "$$QuestTitleKillMonsters~<5@@Goblin Scouts@@>~$$");
    q.setCompleted();
    EXPECT_EQ(q.getTitle(false, 3), "$$QuestTitleKillMonsters~<5@@Goblin Scouts@@>~$$ $$QuestCompleted$$");
    description = q.getDescription(8, eight, "Ann");
    EXPECT_TRUE(has(description, "Progress: ^c061completed^c000\n"));
    EXPECT_FALSE(has(description, "Time left"));
    q.fail();
    EXPECT_EQ(q.getTitle(false, 3), "$$QuestTitleKillMonsters~<5@@Goblin Scouts@@>~$$ $$QuestFailed$$");
    EXPECT_EQ(q.getProgressText(false), "Progress: ^c001failed^c145\n");
}

TEST_F(QuestTexts, RecruitAndKidnapping)
{
    ASSERT_TRUE(loaded);
    TestQuest recruit;
    recruit.setUpType = monster("GoblinScout");
    roll(recruit, QuestType::Recruit);
    EXPECT_EQ(recruit.getTitle(false, -1), "$$QuestTitleRecruit$$");
    recruit.setCompleted();
    EXPECT_EQ(recruit.getTitle(true, -1), "$$QuestTitleRecruitSimple$$");
    std::string description = recruit.getDescription(10, eight, "Ann");
    EXPECT_EQ(description.rfind("$$QuestTextRecruit~<Thermund@@8th@@Mage@@>~$$", 0), 0u) << description;
    EXPECT_TRUE(has(description,
                    "You will fail this quest if another covenant recruits this npc first or the "
                    "time expires!\n"));

    TestQuest kidnap;
    kidnap.npcs = {{"Mara", NpcType::Apothecary}, {"Jorn", NpcType::None}, {"Edda", NpcType::Steward}};
    kidnap.setUpType = monster("GoblinScout");
    roll(kidnap, QuestType::Kidnapping); // npcChoice trunc(0.25568 × 3) = 0
    EXPECT_EQ(kidnap.getTitle(false, -1), "$$QuestTitleKindapping~<Mara (NpcTypeApothecary)@@>~$$");
    EXPECT_TRUE(has(kidnap.getDescription(10, eight, "Ann"),
                    "$$QuestMalePronounKidnapping$$$$QuestFixtureText2~<he@@"));
    kidnap.fail();
    EXPECT_EQ(kidnap.getTitle(true, -1), "$$QuestTitleKindappingFailed~<Mara (NpcTypeApothecary)@@>~$$");
    EXPECT_TRUE(has(kidnap.getDescription(10, eight, "Ann"), "$$QuestTextKidnappingFailed"));
    EXPECT_TRUE(has(kidnap.getDescription(10, eight, "Ann"), "You will fail this quest if the npc dies!\n"));
}

TEST_F(QuestTexts, TargetLinesAndNames)
{
    ASSERT_TRUE(loaded);
    TestQuest group;
    group.setUpTargets = {monster("GrabnakTheCruel"), monster("GoblinScout")};
    roll(group, QuestType::KillMonsterGroup);
    group.targets[0].count = 1;
    group.targets[1] = {1, 3, monster("GoblinScout"), 0};
    EXPECT_EQ(group.getTargetLine(group.targets[0]), "Kill ^c005Grabnak^c145 (goblin warlord) (completed)\n");
    EXPECT_EQ(group.getTargetLine(group.targets[1]), "Kill 3 Goblin Scouts (1 killed)\n");
    EXPECT_EQ(group.getTargetLine(QuestTarget{0, 1, monster("GoblinScout"), 0}), "Kill Goblin Scout\n");
    EXPECT_EQ(group.getMonsterTypeText(0, true, false, 1, true), "^c005Grabnak^c145, a goblin warlord,");
    EXPECT_EQ(group.getMonsterTypeText(0, false, false, 1, false), "Grabnak");
    EXPECT_EQ(group.getMonsterTypeText(2, true, true, 3, true), ""); // outside the list
    EXPECT_EQ(group.getProgressText(true), "1 monster in group left to kill\n");
    EXPECT_EQ(group.getProgressText(false), "Progress: 1 monster in group left to kill\n");
    EXPECT_TRUE(
        has(group.getDescription(10, eight, "Ann"), "Kill ^c005Grabnak^c145 (goblin warlord) (completed)\n"));

    TestQuest legend;
    legend.setUpType = monster("SkeletonLord");
    roll(legend, QuestType::UniqueMonsterSpotted);
    EXPECT_EQ(legend.getTitle(false, -1), "$$QuestTitleKillUniqueMonster~<^c006Skeleton Lord^c145@@>~$$");

    // Boss quests colour their type with the boss colour and add their key.
    TestQuest boss;
    boss.setUpType = monster("GoblinScout");
    roll(boss, QuestType::BossKnight);
    EXPECT_EQ(boss.getTitle(true, -1), "$$QuestTitleTuren~<^c007Goblin Scout^c145@@>~$$");
    std::string description = boss.getDescription(10, eight, "Ann");
    EXPECT_TRUE(
        has(description, "Kill ^c007Goblin Scout^c145.$$QuestTextTuren~<^c007Goblin Scout^c145@@>~$$"))
        << description;
    EXPECT_TRUE(has(description, "Location: ^c002Level5^c145\n"));
}

TEST_F(QuestTexts, LevelTextsAndItemNames)
{
    ASSERT_TRUE(loaded);
    TestQuest q;
    EXPECT_EQ(q.getLevelText(false, false), "^c002^c145");
    int town = world.addLevel("Town");
    int cellar = world.addLevel("Cellar", true, town);
    world.pickResults[10] = cellar;
    q.setUpType = monster("GoblinScout");
    roll(q, QuestType::LevelQuestItem);
    EXPECT_EQ(q.getLevelText(false, false), "^c002Cellar (under Town)^c145");
    EXPECT_EQ(q.getLevelText(false, true), "^c002Cellar^c145");
    EXPECT_EQ(q.getItemName(2), ""); // no area item
    const DatabaseEntry* ear = database.findEntry("FixtureKillMonsters");
    world.levels[static_cast<size_t>(cellar)].questItem = ear;
    // The entry has no quest item names: empty, with the plural suffix only.
    EXPECT_EQ(q.getItemName(1), "");
    EXPECT_EQ(q.getItemName(2), "s");
    EXPECT_TRUE(q.isTargetOnLevel(cellar));
    EXPECT_FALSE(q.isTargetOnLevel(town));
    EXPECT_TRUE(q.isQuestItem(ear));
}

// The quest roll on the shipped database.
class ShippedQuestTexts : public QuestFixture {
protected:
    ShippedQuestTexts() : QuestFixture(gameDataPath()) {}
};

// The progress line of an item quest names the monster type once, then the
// item its kind carries: the shipped item names do not repeat the kind.
TEST_F(ShippedQuestTexts, ItemQuestProgressNamesTheTypeThenItsItem)
{
    ASSERT_TRUE(loaded);
    struct Case {
        const char* type;
        int left;
        const char* expected;
    };
    const Case cases[] = {
        {"CaveSpider", 6, "6 Cave Spider Fangs left to find\n"},
        {"CaveSpider", 1, "1 Cave Spider Fang left to find\n"},
        {"GoblinScout", 3, "3 Goblin Scout Ears left to find\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        TestQuest q;
        q.setUpType = monster(c.type);
        ASSERT_NE(q.setUpType, nullptr);
        roll(q, QuestType::MonsterQuestItem);
        // Two found of a goal that leaves the case's count to find.
        q.goal = c.left + 2;
        q.progress = 2;
        EXPECT_EQ(q.getProgressText(true), c.expected);
    }
}

TEST_F(QuestTexts, TownTrapsAndMissingPieces)
{
    ASSERT_TRUE(loaded);
    TestQuest traps;
    roll(traps, QuestType::TownTraps);
    EXPECT_EQ(traps.getTitle(false, -1), "$$QuestTitleKillMonsters~<3@@@@>~$$");
    std::string description = traps.getDescription(10, eight, "Ann");
    EXPECT_FALSE(has(description, "Kill"));
    EXPECT_FALSE(has(description, "$$QuestFixtureText"));
    EXPECT_FALSE(has(description, "Reward: "));
    EXPECT_EQ(description.rfind("\nTime left: ", 0), 0u) << description;

    // A definition that needs a type shows an empty slot without one.
    TestQuest recruit;
    roll(recruit, QuestType::Recruit);
    EXPECT_EQ(recruit.getTitle(false, -1), "$$QuestSlotEmpty$$");
    EXPECT_EQ(recruit.getProgressText(true), "");

    // Poisoned supply and revenge read their TextList entry only inside the list.
    TestQuest supply;
    roll(supply, QuestType::PoisonedSupply);
    EXPECT_EQ(supply.getTitle(false, -1), "$$QuestTitlePoisonedSupply~<QuestFixtureText0@@>~$$");
    supply.npcChoice = 7;
    EXPECT_EQ(supply.getTitle(false, -1), "$$QuestTitlePoisonedSupply~<@@>~$$");
}

TEST_F(QuestTexts, OrdinalsAndTheBuiltTextsLeaveEveryStreamAlone)
{
    ASSERT_TRUE(loaded);
    for (auto [level, text] : {std::pair{11, "11th"},
                               {12, "12th"},
                               {13, "13th"},
                               {21, "21st"},
                               {22, "22nd"},
                               {3, "3rd"},
                               {112, "112th"},
                               {101, "101st"}}) {
        TestQuest recruit;
        recruit.setUpType = monster("GoblinScout");
        roll(recruit, QuestType::Recruit);
        recruit.recruitLevel = level;
        EXPECT_TRUE(has(recruit.getDescription(10, eight, "Ann"), std::string("@@") + text + "@@")) << text;
    }

    for (int s = 0; s < Random::kStreamCount; ++s)
        Random::setState(s, 1000u + static_cast<uint32_t>(s));
    std::vector<std::unique_ptr<TestQuest>> quests;
    for (int t = 0; t < kQuestTypeCount; ++t) {
        quests.push_back(std::make_unique<TestQuest>());
        TestQuest& q = *quests.back();
        q.npcs = {{"Mara", NpcType::Apothecary}};
        q.setUpType = monster("GrabnakTheCruel");
        q.setUpTargets = t == toIndex(QuestType::Meeting) ? std::vector<MonsterType*>{monster("GoblinScout")}
                                                          : std::vector<MonsterType*>{};
        if (t != 0)
            roll(q, static_cast<QuestType>(t));
    }
    std::array<uint32_t, Random::kStreamCount> before{};
    for (int s = 0; s < Random::kStreamCount; ++s)
        before[static_cast<size_t>(s)] = Random::getState(s);
    for (auto& q : quests) {
        for (bool failed : {false, true}) {
            q->failed = failed;
            q->getTitle(false, 3);
            q->getTitle(true, -1);
            q->getDescription(8, eight, "Ann");
            q->getProgressText(true);
            q->getProgressText(false);
        }
        q->isNpcMale();
        q->getNpcName();
    }
    for (int s = 0; s < Random::kStreamCount; ++s)
        EXPECT_EQ(Random::getState(s), before[static_cast<size_t>(s)]) << s;
}
