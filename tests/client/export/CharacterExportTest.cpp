// The character's exports: the converters and escaping by table, the
// sheets of a scripted character against their kept pages, the files and
// their notices, and the page by mail without a clipboard.
#include "client/export/CharacterExport.h"
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/export/CharacterSheet.h"
#include "client/export/ExportMarkup.h"
#include "client/mirrors/InventoryClient.h"
#include "client/mirrors/ItemClient.h"
#include "client/mirrors/SkillListClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/CommandSystem.h"
#include "engine/core/ColorCodes.h"
#include "engine/data/Localization.h"
#include "engine/platform/Platform.h"
#include "engine/platform/Shell.h"
#include "engine/platform/SystemInfo.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/Money.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillLoaders.h"
#include "support/JoinedClient.h"
#include "support/TestSupport.h"
#include "support/TestWorld.h"
#include "support/XvfbDisplay.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

using namespace ExportMarkup;

std::string html(std::string text, bool dark)
{
    convertColorCodesToHtml(text, dark);
    return text;
}

std::string forum(std::string text)
{
    convertColorCodesToVbulletin(text);
    return text;
}

std::string c(int n)
{
    return formatColorCode(n);
}

TEST(ExportMarkup, ColourCodesBecomeTagsOfTheirTarget)
{
    EXPECT_EQ(html(c(145), true), "<FONT color=#CCCCCC>");
    EXPECT_EQ(html(c(145), false), "<FONT color=#000000>");
    EXPECT_EQ(html(c(5), false), "<FONT color=#bfbf00>");
    EXPECT_EQ(html(c(5), true), "<FONT color=#ffff00>");
    std::string ten;
    for (int i = 0; i < 10; ++i) {
        ten += c(1) + "x";
    }
    const std::string red = html(c(1), true);
    std::string expected;
    for (int i = 0; i < 10; ++i) {
        expected += red + "x";
    }
    EXPECT_EQ(html(ten, true), expected);
    EXPECT_EQ(html(c(1) + "a" + c(145) + "b" + c(1), true), red + "a<FONT color=#CCCCCC>b" + red);
    // Other codes are left for the strip step; a caret that starts no code stays.
    std::string font = html("^f004A", true);
    EXPECT_EQ(font, "^f004A");
    stripColorCodes(font);
    EXPECT_EQ(font, "A");
    EXPECT_EQ(html("^cab1", true), "^cab1");

    EXPECT_EQ(forum(c(7)), "[COLOR=\"Gray\"]");
    EXPECT_EQ(forum(c(95) + c(147)), "[COLOR=\"Purple\"][COLOR=\"Purple\"]");
    EXPECT_EQ(forum(c(145)), "[/COLOR]");
    std::string money = forum(formatMoney(20304));
    stripColorCodes(money);
    EXPECT_EQ(
        money,
        "[COLOR=\"SandyBrown\"]2GP[/COLOR] [COLOR=\"Silver\"]3SP[/COLOR] [COLOR=\"Sienna\"]4CP[/COLOR]");

    EXPECT_EQ(htmlText("[b]Blade & <Co>[/b] 'q' \"d\"\n"),
              "[b]Blade &amp; &lt;Co&gt;[/b] &#39;q&#39; &quot;d&quot;\n");
    EXPECT_EQ(forumText("[b]Blade & <Co>[/b]"), "(b)Blade & <Co>(/b)");
}

class CharacterExportTest : public ::testing::Test {
protected:
    CharacterExportTest()
    {
        world.database.addSubDatabase(
            "ExportTest", "exporttest.dbl",
            "ExportBlade {\n    Base ShortSword\n    Name \"[b]Blade & <Co>[/b]\"\n}\n");
        client.setTextEventSink([this](const ClientTextEvent& e) { texts.push_back(e); });
        world.vars.setVar("playerName", "Aldric");
        EXPECT_TRUE(client.startGame(false));
        client.join();
        player = client.getLocalPlayer();
        player->setName("Aldric");
        auto mirror = std::make_unique<EntityClient>();
        mirror->setHealth(120);
        mirror->setMaxHealth(150);
        GameClient::get().setEntity(0, std::move(mirror));
        player->setPlayerEntityNumber(0);
        player->stats.set(PlayerClient::kStatClass, 0);
        player->stats.set(80, 40);
        player->stats.set(81, 60);
        player->stats.set(PlayerClient::kStatMinDamage, 10);
        player->stats.set(PlayerClient::kStatMaxDamage, 20);
        player->stats.set(PlayerClient::kStatAttackTime, 1500);
        player->stats.set(PlayerClient::kStatLevel, 25);
        player->skills->rebuild(player, world.data->findCharacterClassById(0));
        auto* blade = new ItemClient();
        blade->setItemEntry(world.database.findEntry("ExportBlade"));
        player->inventory->getOwnGroup(1)->setItem(14, blade);
        client.getPlayerCovenant()->name = "Red Hand";
    }
    std::filesystem::path user(const std::string& name) const { return world.temp.path() / name; }
    // The page against its kept copy (GLOAM_UPDATE_GOLDEN=1 writes it anew).
    void compareKept(const std::string& page, const char* file)
    {
        const std::string path = testDataPath(std::string("client/export/") + file);
        if (std::getenv("GLOAM_UPDATE_GOLDEN")) {
            std::ofstream(path, std::ios::binary) << page;
        }
        std::vector<uint8_t> kept = readFileBytes(path);
        ASSERT_FALSE(kept.empty()) << path << " is missing; run with GLOAM_UPDATE_GOLDEN=1";
        EXPECT_EQ(page, std::string(kept.begin(), kept.end())) << file;
    }

    struct Loaders {
        Loaders() { registerSkillLoaders(); }
    } loaders;
    TestWorld world{true, false};
    // The labels are translated as the program translates them.
    struct English {
        English() { EXPECT_TRUE(localization.load("english")); }
        Localization localization;
    } english;
    JoinedClient client;
    PlayerClient* player = nullptr;
    std::vector<ClientTextEvent> texts;
};

} // namespace

TEST_F(CharacterExportTest, TheSheetsOfAScriptedCharacter)
{
    std::string dark;
    buildCharacterHtml(dark, true);
    std::string light;
    buildCharacterHtml(light, false);
    std::string text;
    buildCharacterVbulletin(text);
    compareKept(dark, "dark.htm");
    compareKept(light, "light.htm");
    compareKept(text, "forum.txt");

    for (const char* expected :
         {"Health: 120 / 150<br>", "Rage: 40 / 60<br><br>", "DPS: 10.0<br>",
          "<h2><center>Level 25 Expert Warrior</center></h2>", "[b]Blade &amp; &lt;Co&gt;[/b]"}) {
        EXPECT_NE(dark.find(expected), std::string::npos) << expected;
    }
    const SkillBase* basic = nullptr;
    for (const SkillBase* skill : player->skills->getSkills()) {
        basic = !basic && skill->getDefinition() && skill->getDefinition()->isBasic() ? skill : basic;
    }
    ASSERT_NE(basic, nullptr);
    EXPECT_NE(dark.find(basic->getDefinition()->baseName + " lvl 1<br>"), std::string::npos);
    EXPECT_EQ(dark.find("Physical"), std::string::npos) << "ResistancePhysical is not listed";
    EXPECT_EQ(dark.find("$$"), std::string::npos) << "every label translated";
    EXPECT_NE(dark.find("<body bgcolor=\"#000000\" text=\"#CCCCCC\">"), std::string::npos);
    EXPECT_EQ(light.find("<body"), std::string::npos);
    EXPECT_NE(light.find("</body></html>"), std::string::npos);
    EXPECT_EQ(text.rfind("[SIZE=\"3\"][B][CENTER]Aldric", 0), 0u);
    EXPECT_NE(text.find("(b)Blade & <Co>(/b)"), std::string::npos);
    EXPECT_EQ(text.find("<br>"), std::string::npos);

    // Every class's sheet has its labels translated.
    for (const auto& characterClass : world.data->getCharacterClasses()) {
        player->stats.set(PlayerClient::kStatClass, characterClass->getIndex());
        std::string page;
        buildCharacterHtml(page, true);
        ASSERT_FALSE(page.empty()) << characterClass->name;
        EXPECT_EQ(page.find("$$"), std::string::npos) << characterClass->name;
    }
}

TEST_F(CharacterExportTest, FilesAndTheirNotices)
{
    ASSERT_TRUE(world.commands.execute("exportHtml character", nullptr, false, true));
    EXPECT_TRUE(texts.empty());
    EXPECT_FALSE(std::filesystem::exists(user("Aldric.htm")));
    ASSERT_TRUE(world.commands.execute("exportHtml Character", nullptr, false, true));
    EXPECT_TRUE(std::filesystem::exists(user("Aldric.htm")));
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "Character Exported to HTML");
    EXPECT_EQ(texts[0].x, 320.0f);
    EXPECT_EQ(texts[0].y, 240.0f);
    EXPECT_EQ(texts[0].lifetime, 1.0f);
    EXPECT_EQ(texts[0].kind, 0);
    ASSERT_TRUE(world.commands.execute("exportVbulletin", nullptr, false, true));
    EXPECT_TRUE(std::filesystem::exists(user("Aldric.txt")));

    // A name the rule refuses writes nothing and says so.
    texts.clear();
    player->setName("a<b");
    ASSERT_TRUE(world.commands.execute("exportHtml Character", nullptr, false, true));
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "Could not export character!");
    // The file cannot replace a directory of its name: the same notice, no success.
    player->setName("Aldric");
    std::filesystem::remove(user("Aldric.htm"));
    std::filesystem::create_directories(user("Aldric.htm.tmp"));
    std::filesystem::create_directories(user("Aldric.htm"));
    texts.clear();
    ASSERT_TRUE(world.commands.execute("exportHtml Character", nullptr, false, true));
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "Could not export character!");

    // The covenant page with no name and no definition has an empty title.
    client.getPlayerCovenant()->name.clear();
    ASSERT_EQ(CharacterExport::exportCovenantHtml(), CharacterExport::Result::Written);
    std::vector<uint8_t> page = readFileBytes(user("covenant.htm"));
    EXPECT_NE(std::string(page.begin(), page.end()).find("<title></title>\n"), std::string::npos);
}

namespace {
std::vector<std::string> opened;
bool recordOpener(const std::string& url)
{
    opened.push_back(url);
    return true;
}
} // namespace

TEST_F(CharacterExportTest, WithoutAClipboardNoMailIsOpened)
{
    opened.clear();
    setUrlOpener(&recordOpener);
    ASSERT_TRUE(world.commands.execute("emailCharHtml", nullptr, false, true));
    setUrlOpener(nullptr);
    EXPECT_TRUE(opened.empty());
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "Opening email");
    EXPECT_EQ(texts[1].text, "Could not export character!");
}

namespace {
class CharacterExportXvfbTest : public CharacterExportTest {};
} // namespace

TEST_F(CharacterExportXvfbTest, TheLightPageGoesToTheClipboardAndTheMailOpens)
{
    XvfbDisplay display;
    if (!display.start()) {
        GTEST_SKIP() << "no X display and no Xvfb";
    }
    std::unique_ptr<SystemInfo> info;
    if (!SystemInfo::instance()) {
        info = std::make_unique<SystemInfo>();
    }
    std::atomic<bool> running{true};
    Platform platform(&running);
    std::string error;
    Platform::WindowOptions options;
    options.openGL = false;
    ASSERT_TRUE(platform.createWindow(options, error)) << error;
    opened.clear();
    setUrlOpener(&recordOpener);
    ASSERT_TRUE(world.commands.execute("emailCharHtml", nullptr, false, true));
    setUrlOpener(nullptr);
    EXPECT_EQ(readClipboardText().rfind("<html><head><title>Aldric", 0), 0u);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].rfind("mailto:?subject=My%20Gloamreach%20character&body=Highlight%20this", 0), 0u)
        << opened[0];
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "Opening email");
    EXPECT_EQ(texts[1].text, "Opening email");
}
