#include "engine/console/VirtualKeys.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/KeyNames.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(KeyNamesTest, NamesAndCodesRoundTrip)
{
    EXPECT_EQ(keyNameToCode("Escape"), 0x01);
    EXPECT_EQ(keyNameToCode("SPACE"), 0x39);
    EXPECT_EQ(keyNameToCode("f12"), 0x58);
    EXPECT_EQ(keyNameToCode("up"), 0xC8);
    EXPECT_EQ(keyNameToCode("q"), 0x10);
    EXPECT_EQ(keyNameToCode("0"), 0x0B);
    EXPECT_EQ(keyNameToCode("nosuchkey"), -1);
    EXPECT_EQ(keyNameToCode(""), -1);
    EXPECT_EQ(keyCodeToName(0x01), "Esc");
    EXPECT_EQ(keyCodeToName(0x1E), "A");
    EXPECT_EQ(keyCodeToName(0x54), "");
    EXPECT_EQ(keyCodeToName(-1), "");
    EXPECT_EQ(keyCodeToName(300), "");

    int named = 0;
    for (int code = 0; code < 256; ++code) {
        std::string name = keyCodeToConfigName(code);
        if (name.empty()) {
            EXPECT_EQ(keyCodeToName(code), "") << code;
            continue;
        }
        ++named;
        EXPECT_EQ(keyNameToCode(name), code) << name;
        EXPECT_NE(keyCodeToName(code), "") << name;
        EXPECT_EQ(keyNameToCode(name, true), -1) << name << " must not read as a mouse button";
    }
    EXPECT_GT(named, 90);
}

TEST(KeyNamesTest, MouseButtonsAreSeparateFromKeys)
{
    EXPECT_EQ(keyNameToCode("mouse1", true), 0);
    EXPECT_EQ(keyNameToCode("Mouse5", true), 4);
    EXPECT_EQ(keyNameToCode("mouse6", true), -1);
    EXPECT_EQ(keyNameToCode("mouse1", false), -1);
    EXPECT_EQ(keyCodeToName(1, true), "Right Mouse");
    EXPECT_EQ(keyCodeToName(5, true), "");
    EXPECT_EQ(keyCodeToConfigName(2, true), "mouse3");
}

namespace {
struct VirtualKeysTest : ::testing::Test {
    LogCapture log;
    CommandSystem commands;
    VirtualKeys keys;
    std::vector<std::string> ran;

    void SetUp() override
    {
        keys.declareAction("inventory", keyNameToCode("i"), false, "toggleMenu Inventory");
        keys.declareAction("attack", 1, true, "attackCommand");
        keys.declareAction("quickSave", keyNameToCode("f5"), false, "saveGame");
        keys.declareAction("hotKeyOnly", keyNameToCode("h"), false, "");
        commands.registerCommand([this](const CommandArgs& a) { ran.push_back("toggleMenu " + a[0]); },
                                 "toggleMenu", "", "menuName", "s", false, 0);
        commands.registerCommand([this](const CommandArgs&) { ran.push_back("saveGame"); }, "saveGame", "",
                                 "", "", true, 0);
    }
};
} // namespace

TEST_F(VirtualKeysTest, FindKeyGivesIndexOrVirtualCode)
{
    EXPECT_EQ(keys.findKey("inventory", false), 0);
    EXPECT_EQ(keys.findKey("ATTACK", false), 1);
    EXPECT_EQ(keys.findKey("attack", true), 257);
    EXPECT_EQ(keys.findKey("missing", true), -1);
}

TEST_F(VirtualKeysTest, IsBoundToTellsKeysFromButtonsAndRawCodes)
{
    int inventory = keys.findKey("inventory", true);
    int attack = keys.findKey("attack", true);
    EXPECT_TRUE(keys.isBoundTo(inventory, keyNameToCode("i"), false));
    EXPECT_FALSE(keys.isBoundTo(inventory, keyNameToCode("i"), true));
    EXPECT_FALSE(keys.isBoundTo(inventory, keyNameToCode("j"), false));
    EXPECT_TRUE(keys.isBoundTo(attack, 1, true));
    EXPECT_FALSE(keys.isBoundTo(attack, 1, false));
    // Raw key codes (below 256) never name a virtual key.
    EXPECT_FALSE(keys.isBoundTo(0, keyNameToCode("i"), false));
    EXPECT_FALSE(keys.isBoundTo(256 + 99, 1, false));
    EXPECT_EQ(keys.getBoundKeyName(inventory), "I");
    EXPECT_EQ(keys.getBoundKeyName(attack), "Right Mouse");
    EXPECT_EQ(keys.getBoundKeyName(0), "");
    EXPECT_EQ(keys.getBoundKeyName(256 + 4), "");
}

TEST_F(VirtualKeysTest, BindKeyRefusesTakenAndNamelessKeysAndChangesNothing)
{
    int inventory = keys.findKey("inventory", true);
    EXPECT_FALSE(keys.bindKey("inventory", keyNameToCode("f5"), false)); // quickSave's
    EXPECT_FALSE(keys.bindKey("inventory", 0x54, false));                // no display name
    EXPECT_FALSE(keys.bindKey("inventory", 7, true));                    // no such button
    EXPECT_FALSE(keys.bindKey("nobody", keyNameToCode("k"), false));
    EXPECT_TRUE(keys.isBoundTo(inventory, keyNameToCode("i"), false));

    // The same key again, a button in place of a key, and a key a button
    // code shares with: all allowed.
    EXPECT_TRUE(keys.bindKey("inventory", keyNameToCode("i"), false));
    EXPECT_TRUE(keys.bindKey("inventory", 1 + 1, true));
    EXPECT_TRUE(keys.isBoundTo(inventory, 2, true));
    EXPECT_TRUE(keys.bindKey("quickSave", keyNameToCode("i"), false));
    EXPECT_EQ(keys.findActionForKey(keyNameToCode("f5"), false), -1);
}

TEST_F(VirtualKeysTest, KeyDownRunsTheLineButNotAsTheProgram)
{
    keys.onKey(keyNameToCode("i"), false);
    EXPECT_TRUE(ran.empty());
    keys.onKey(keyNameToCode("i"), true);
    EXPECT_EQ(ran, (std::vector<std::string>{"toggleMenu Inventory"}));
    // saveGame is internal only: a key binding cannot run it.
    keys.onKey(keyNameToCode("f5"), true);
    keys.onKey(keyNameToCode("h"), true);
    keys.onKey(keyNameToCode("z"), true);
    EXPECT_EQ(ran.size(), 1u);
    // A mouse-button binding is no keyboard key.
    keys.onKey(1, true);
    EXPECT_EQ(ran.size(), 1u);
}
