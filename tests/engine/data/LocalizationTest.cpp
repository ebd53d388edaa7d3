#include "engine/data/Localization.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/files/FileSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

struct LoadedTranslations {
    TempDir user;
    LogCapture capture;
    FileSystem fileSystem;
    Localization localization;

    explicit LoadedTranslations(const std::string& language = "english")
        : fileSystem(testDataPath("locdata"), user.file("user"))
    {
        EXPECT_TRUE(localization.load(language));
    }
    std::string tr(const std::string& text) const { return localization.translateCopy(text); }
};

size_t countOf(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + part.size())) {
        ++n;
    }
    return n;
}

} // namespace

TEST(Localization, PlainKeysOverridesAndMissingKeys)
{
    LoadedTranslations t;
    EXPECT_EQ(t.tr("$$FullQuestSlots$$"), "Your quest log is full.");
    EXPECT_EQ(t.tr("An $$questslotempty$$ slot"), "An Empty slot");
    EXPECT_EQ(t.tr("no keys here"), "no keys here");
    // npcChat.trn and quests.trn override global.trn.
    EXPECT_EQ(t.tr(wrapText("NpcTypeSmith")), "Blacksmith");
    EXPECT_EQ(t.tr("$$QuestTitleRecruitSimple$$"), "Recruit a hero");
    EXPECT_EQ(t.tr(wrapTextPair("HelpText", "Move")), "Click to move.");
    EXPECT_EQ(t.tr(wrapTextPair("HelpTitle", "Move") + "/" + wrapTextPair("RumorText", "1")),
              "Moving/They say the well is haunted");
    // A missing key becomes the bare key; unmatched markers stay as text.
    EXPECT_EQ(t.tr("[$$NoSuchKey$$]"), "[NoSuchKey]");
    EXPECT_EQ(t.tr("$$Dollars$$"), "costs $$ 5");
    EXPECT_EQ(t.tr("a $$ b $$"), "a $$ b $$");
    EXPECT_EQ(t.tr("end $$"), "end $$");
    EXPECT_EQ(t.tr("$$$$HelpTitleMove$$"), "$$Moving");
    EXPECT_EQ(t.tr("$$Open~<a@@b"), "$$Open~<a@@b");
    EXPECT_EQ(t.capture.count(3), 0u);
}

TEST(Localization, ArgumentsInOrderReorderedAndNested)
{
    LoadedTranslations t;
    std::string wrapped = wrapText("QuestTitleMonsterQuestItem", "%d %s %s%s", 3, "Goblin", "Ear", "s");
    EXPECT_EQ(wrapped, "$$QuestTitleMonsterQuestItem~<3@@Goblin@@Ears@@>~$$");
    EXPECT_EQ(t.tr(wrapped), "Bring 3 Ears of the Goblin");
    EXPECT_EQ(t.tr(wrapText("QuestAnnounceCrystalGain", "%s %d %s", "Ann", 5, "Bob")),
              "Ann gained 5 crystals from Bob");
    EXPECT_EQ(t.tr(wrapText("QuestAnnounceCrystalLoss", "%s %d %s", "Ann", 5, "Bob")),
              "Bob took 5 crystals from Ann");
    // A key inside a translation, and the arguments around it.
    EXPECT_EQ(t.tr(wrapText("DeclareWarHonorTreaty", "%s %s", "Red Hand", "Azure")),
              "Red Hand declares war on Azure, breaking the Honour Treaty");
    EXPECT_EQ(t.tr("$$QuestTitlePlayerInQuestLevel~<Ann@@>~$$"), "Ann is in ");
    EXPECT_EQ(t.tr(wrapText("Percent", "%s", "Ann")), "100% sure, Ann");
    // Two keys with arguments in one text.
    std::string two =
        wrapText("QuestTitleRecruit", "%s", "Ann") + " & " + wrapText("QuestTitleRecruit", "%s", "Bo");
    EXPECT_EQ(t.tr(two), "Recruit Ann & Recruit Bo");

    std::string out;
    wrapText(out, "QuestSlotEmpty", nullptr);
    EXPECT_EQ(out, "$$QuestSlotEmpty$$");
    wrapText(out, "K", "%5.1f|%-3d|%x|%c|%%|%lu", 2.25, 7, 255u, 'z', 12ul);
    EXPECT_EQ(out, "$$K~<  2.2|7  |ff|z|%|12@@>~$$");
}

TEST(Localization, NewlinesStayEscapedUntilTheCallerUnescapes)
{
    LoadedTranslations t;
    std::string text = t.tr("$$PlayerStashDesc$$");
    EXPECT_EQ(text, "Your stash.\\nItems here are safe.");
    unescapeNewlines(text);
    EXPECT_EQ(text, "Your stash.\nItems here are safe.");
}

TEST(Localization, SelfReferencingKeysEnd)
{
    LoadedTranslations t;
    std::string loop = t.tr("$$SelfLoop$$");
    EXPECT_EQ(countOf(loop, "again"), static_cast<size_t>(Localization::kMaxPasses));
    EXPECT_EQ(loop.find("$$"), std::string::npos);
    EXPECT_TRUE(loop.ends_with("SelfLoop"));
    std::string ping = t.tr("$$PingA$$");
    EXPECT_TRUE(ping == "PingA" || ping == "PingB") << ping;
    // Four copies per pass would reach 4^8 keys: the length limit stops it.
    std::string grow = t.tr("$$Grow$$");
    EXPECT_GT(countOf(grow, "Grow"), 4096u);
    EXPECT_LE(grow.size(), 2 * Localization::kMaxTextLength + 100);
    EXPECT_EQ(grow.find("$$"), std::string::npos);
    EXPECT_TRUE(t.capture.contains("did not settle", 2));
}

TEST(Localization, UnclosedArgumentListsAreScannedOnce)
{
    LoadedTranslations t;
    // Each unclosed "~<" used to search to the end of the text again: with
    // 400,000 of them the pass took minutes.
    std::string open;
    for (int i = 0; i < 400000; ++i) {
        open += "$$a~<";
    }
    EXPECT_EQ(t.tr(open), open);
    // Closed far behind them (keys are translated up to the length limit
    // only), then a real key after it.
    open.resize(12000 * 5);
    std::string late = open + ">~ " + wrapText("QuestTitleRecruit", "%s", "Ann");
    std::string translated = t.tr(late);
    EXPECT_TRUE(translated.starts_with("$$a~<$$a~<")) << translated.substr(0, 40);
    EXPECT_TRUE(translated.ends_with(">~ Recruit Ann")) << translated.substr(translated.size() - 40);
    EXPECT_EQ(t.capture.count(3), 0u);
}

TEST(Localization, LongArgumentValuesAreReducedInOnePass)
{
    // Reducing from the front again after each change took minutes on a
    // value of a million characters.
    std::string dollars(1000000, '$');
    EXPECT_EQ(wrapText("K", "%s", dollars.c_str()), "$$K~<$@@>~$$");
    std::string mixed;
    for (int i = 0; i < 200000; ++i) {
        mixed += ">~<@";
    }
    // ">~<" reduces to "~" whichever pair goes first; "@" stays single.
    std::string expected;
    for (int i = 0; i < 200000; ++i) {
        expected += "~@";
    }
    EXPECT_EQ(wrapText("K", "%s", mixed.c_str()), "$$K~<" + expected + "@@>~$$");
}

TEST(Localization, TypedNamesCannotBreakTheMarkup)
{
    LoadedTranslations t;
    std::string wrapped = wrapText("QuestAnnounceCrystalLoss", "%s %d %s", "Ann@@Bob~<", 5, "$$Cy>~");
    EXPECT_EQ(wrapped, "$$QuestAnnounceCrystalLoss~<Ann@Bob~@@5@@$Cy~@@>~$$");
    EXPECT_EQ(t.tr(wrapped), "$Cy~ took 5 crystals from Ann@Bob~");
    EXPECT_EQ(t.tr(wrapText("QuestTitleRecruit", "%s", "$$FullQuestSlots$$")), "Recruit $FullQuestSlots$");
    EXPECT_EQ(t.tr(wrapText("QuestTitleRecruit", "%s", "@@@@")), "Recruit @");
    // A value ending in '@' keeps it; an empty value keeps its place.
    const struct {
        const char* first;
        const char* last;
        const char* shown;
    } values[] = {
        {"Ann@", "Bo", "Ann@ gained 2 crystals from Bo"},
        {"", "Bo", " gained 2 crystals from Bo"},
        {"Ann", "", "Ann gained 2 crystals from "},
        {"Ann@", "", "Ann@ gained 2 crystals from "},
        {"", "", " gained 2 crystals from "},
    };
    for (const auto& v : values)
        EXPECT_EQ(t.tr(wrapText("QuestAnnounceCrystalGain", "%s %d %s", v.first, 2, v.last)), v.shown)
            << "'" << v.first << "', '" << v.last << "'";
    EXPECT_EQ(t.tr("$$QuestAnnounceCrystalGain~<@@@@Bo@@>~$$"), " gained  crystals from Bo");
}

TEST(Localization, TranslateFormatIsSafeAgainstAnyTranslation)
{
    LoadedTranslations t;
    EXPECT_EQ(translateFormat("$$GoldText$$", 12, "a sword"), "You have 12 gold and a sword");
    EXPECT_EQ(translateFormat("[%s] $$QuestSlotEmpty$$ %05.2f", std::string("x"), 3.14159),
              "[x] Empty 03.14");
    // Mismatched kinds are converted; missing arguments print nothing.
    EXPECT_EQ(translateFormat("$$GoldText$$", "7", 3), "You have 7 gold and 3");
    EXPECT_EQ(translateFormat("$$GoldText$$"), "You have  gold and ");
    EXPECT_EQ(translateFormat("%n%s%*d|%.*s", "a", 4, 2, 1, "xyz"), "a   2|x");
    EXPECT_EQ(translateFormat("%1000000000d", 1).size(), 4096u);
    // Digit runs past the integer range saturate instead of wrapping to a
    // huge left-justified width.
    EXPECT_EQ(translateFormat("%55555555555555555A", 2.5).size(), 4096u);
    EXPECT_LE(translateFormat("%.99999999999999999f", 2.5).size(), 4100u);
    EXPECT_EQ(translateFormat("100%% %q", 1), "100% %q");
    char buffer[] = "mutable";
    char* text = buffer;
    const char* none = nullptr;
    EXPECT_EQ(translateFormat("%s|%s|%s|%u", text, none, std::string_view("view"), true),
              "mutable|(null)|view|1");
}

TEST(Localization, SecondLanguageThroughTheUserVariable)
{
    TempDir user;
    LogCapture capture;
    FileSystem fileSystem(testDataPath("locdata"), user.file("user"));
    UserVarSystem vars;
    Localization localization;
    vars.setVar("loc_language", "german");
    EXPECT_TRUE(localization.loadCurrentLanguage());
    EXPECT_EQ(localization.getLanguage(), "german");
    EXPECT_EQ(localization.translateCopy("$$FullQuestSlots$$"), "Dein Questbuch ist voll.");
    EXPECT_EQ(localization.translateCopy("$$QuestSlotEmpty$$"), "Schl\xfcssel");
    EXPECT_EQ(localization.translateCopy("$$HelpTitleMove$$"), "HelpTitleMove");
    EXPECT_TRUE(capture.contains("loc/german/npcChat.trn not found", 2));

    vars.setVar("loc_language", "../english");
    EXPECT_TRUE(localization.loadCurrentLanguage());
    EXPECT_EQ(localization.getLanguage(), "english");
    EXPECT_EQ(localization.translateCopy("$$HelpTitleMove$$"), "Moving");
    EXPECT_FALSE(localization.load("klingon"));
    EXPECT_EQ(localization.getCount(), 0u);
}

TEST(Localization, MalformedTranslationFilesAreLogged)
{
    LogCapture capture;
    Localization localization;
    localization.addTranslations(
        "Lonely\nKey \"two words\" extra\n\"Quoted Key\" \"ok\"\nLast \"open quote\n", "bad.trn");
    EXPECT_TRUE(capture.contains("bad.trn:1: key Lonely has no text", 3));
    EXPECT_TRUE(capture.contains("bad.trn:2:", 2));
    EXPECT_EQ(localization.translateCopy("$$Key$$|$$Last$$"), "two words|open quote");
    EXPECT_NE(localization.findTranslation("quoted key"), nullptr);
}
