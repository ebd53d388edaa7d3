#include "engine/input/Input.h"
#include "engine/input/KeyCodes.h"

#include <SDL_scancode.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class InputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(input.start(false));
        input.setLineRunner([this](const std::string& line) { lines.push_back(line); });
    }
    Input input;
    std::vector<std::string> lines;
};

TEST(KeyCodesTest, ScancodesMapToDirectInputPositions)
{
    EXPECT_EQ(sdlScancodeToDik(SDL_SCANCODE_A), 30);
    EXPECT_EQ(sdlScancodeToDik(SDL_SCANCODE_ESCAPE), 0x01);
    EXPECT_EQ(sdlScancodeToDik(SDL_SCANCODE_0), 0x0B);
    EXPECT_EQ(sdlScancodeToDik(SDL_SCANCODE_M), 0x32);
    EXPECT_EQ(sdlScancodeToDik(SDL_SCANCODE_F10), 0x44);
    EXPECT_EQ(sdlScancodeToDik(SDL_SCANCODE_F11), 0x57);
    EXPECT_EQ(sdlScancodeToDik(SDL_SCANCODE_KP_PERIOD), 0x53);
    EXPECT_EQ(sdlScancodeToDik(SDL_SCANCODE_KP_ENTER), 0x9C);
    EXPECT_EQ(sdlScancodeToDik(SDL_SCANCODE_RCTRL), 0x9D);
    EXPECT_EQ(sdlScancodeToDik(SDL_SCANCODE_PRINTSCREEN), 0xB7);
    EXPECT_EQ(sdlScancodeToDik(SDL_SCANCODE_RALT), 0xB8);
    EXPECT_EQ(sdlScancodeToDik(SDL_SCANCODE_APPLICATION), 0xDD);
    EXPECT_EQ(sdlScancodeToDik(SDL_SCANCODE_F13), 0);
    EXPECT_EQ(sdlScancodeToDik(-1), 0);
    EXPECT_EQ(sdlScancodeToDik(SDL_NUM_SCANCODES), 0);
}

TEST_F(InputTest, KeysRunAsKeyPressLinesAndKeepHeldAndPressedArrays)
{
    input.queueKey(DIK_A, true, false);
    input.queueKey(DIK_A, true, true); // automatic repeat
    input.queueKey(DIK_LSHIFT, true, false);
    EXPECT_FALSE(input.isKeyHeld(DIK_A)); // nothing changes before the poll
    input.poll();
    EXPECT_EQ(lines, (std::vector<std::string>{"keyPress 30 1 0", "keyPress 30 1 1", "keyPress 42 1 0"}));
    EXPECT_TRUE(input.isKeyHeld(DIK_A));
    EXPECT_TRUE(input.wasKeyPressed(DIK_A));
    EXPECT_EQ(input.getHeldKeys()[DIK_LSHIFT], 1);

    input.clearPressed();
    input.queueKey(DIK_A, true, true);
    input.queueKey(DIK_A, false, false);
    lines.clear();
    input.poll();
    EXPECT_EQ(lines, (std::vector<std::string>{"keyPress 30 1 1", "keyPress 30 0 0"}));
    EXPECT_FALSE(input.wasKeyPressed(DIK_A)); // a repeat is no new press
    EXPECT_FALSE(input.isKeyHeld(DIK_A));

    // Codes outside the table are ignored.
    input.queueKey(0, true, false);
    input.queueKey(256, true, false);
    lines.clear();
    input.poll();
    EXPECT_TRUE(lines.empty());
}

TEST_F(InputTest, ButtonsAndWheelRunAsTheirLines)
{
    input.setMousePosition(700, -3); // clamped into 640 × 480
    EXPECT_EQ(input.getMouseX(), 639);
    EXPECT_EQ(input.getMouseY(), 0);
    input.queueButton(0, true, 320, 240);
    input.queueButton(0, true, 320, 240); // no change: no line
    input.queueWheel(2);
    input.queueWheel(-1);
    input.queueButton(0, false, 321, 241);
    input.queueButton(4, true, 1, 2);
    input.queueButton(5, true, 1, 2);   // no sixth button
    input.queueKey(DIK_Q, true, false); // after the buttons, in its turn
    input.poll();
    EXPECT_EQ(lines, (std::vector<std::string>{"buttonPress 0 1 320 240", "mouseScrollUp", "mouseScrollUp",
                                               "mouseScrollDown", "buttonPress 0 0 321 241",
                                               "buttonPress 4 1 1 2", "keyPress 16 1 0"}));
    EXPECT_TRUE(input.wasButtonPressed(0));
    EXPECT_FALSE(input.isButtonHeld(0));
    EXPECT_TRUE(input.isButtonHeld(4));

    // The frame's poll runs keys and buttons in the order they came: a press
    // made while Alt was held, Alt let go in the same frame, meets Alt held.
    input.queueKey(DIK_LMENU, true, false);
    input.poll();
    bool altAtPress = false;
    input.setLineRunner([&](const std::string& line) {
        lines.push_back(line);
        if (line.rfind("buttonPress 0 1", 0) == 0) {
            altAtPress = input.isKeyHeld(DIK_LMENU);
        }
    });
    input.queueButton(0, true, 5, 6);
    input.queueKey(DIK_LMENU, false, false);
    input.queueButton(0, false, 5, 6);
    lines.clear();
    input.poll();
    EXPECT_EQ(lines,
              (std::vector<std::string>{"buttonPress 0 1 5 6", "keyPress 56 0 0", "buttonPress 0 0 5 6"}));
    EXPECT_TRUE(altAtPress);
    EXPECT_FALSE(input.isKeyHeld(DIK_LMENU));
}

TEST_F(InputTest, FocusLossReleasesEveryHeldKeyAndButton)
{
    input.queueKey(DIK_A, true, false);
    input.queueKey(DIK_LCONTROL, true, false);
    input.queueButton(1, true, 10, 20);
    input.poll();
    input.queueKey(DIK_SPACE, true, false); // down, not yet polled
    input.setMousePosition(50, 60);
    input.focusLost();
    lines.clear();
    input.poll();
    EXPECT_EQ(lines, (std::vector<std::string>{"keyPress 57 1 0", "keyPress 29 0 0", "keyPress 30 0 0",
                                               "keyPress 57 0 0", "buttonPress 1 0 50 60"}));
    for (int k = 0; k < Input::kNumKeys; ++k) {
        EXPECT_FALSE(input.isKeyHeld(k)) << k;
    }
    EXPECT_FALSE(input.isButtonHeld(1));

    // After a video restart nothing is held and nothing waits.
    input.queueKey(DIK_A, true, false);
    input.poll();
    input.queueKey(DIK_Q, true, false);
    input.reset();
    lines.clear();
    input.poll();
    EXPECT_TRUE(lines.empty());
    EXPECT_FALSE(input.isKeyHeld(DIK_A));
}

TEST_F(InputTest, ScanCodeToCharFollowsEitherShiftKey)
{
    EXPECT_EQ(Input::scanCodeToChar(DIK_A, false), 'a');
    EXPECT_EQ(Input::scanCodeToChar(DIK_A, true), 'A');
    EXPECT_EQ(Input::scanCodeToChar(0x02, true), '!');
    EXPECT_EQ(Input::scanCodeToChar(0x0B, false), '0');
    EXPECT_EQ(Input::scanCodeToChar(0x28, true), '"');
    EXPECT_EQ(Input::scanCodeToChar(0x2B, false), '\\');
    EXPECT_EQ(Input::scanCodeToChar(0x35, true), '?');
    EXPECT_EQ(Input::scanCodeToChar(DIK_TAB, false), '\t');
    EXPECT_EQ(Input::scanCodeToChar(DIK_SPACE, true), ' ');
    EXPECT_EQ(Input::scanCodeToChar(0x4F, false), '1'); // keypad 1
    EXPECT_EQ(Input::scanCodeToChar(0x4E, false), '+');
    EXPECT_EQ(Input::scanCodeToChar(0xB5, false), '/'); // keypad divide, the last code
    EXPECT_EQ(Input::scanCodeToChar(DIK_RETURN, false), 0);
    EXPECT_EQ(Input::scanCodeToChar(DIK_ESCAPE, false), 0); // below 2
    EXPECT_EQ(Input::scanCodeToChar(182, false), 0);
    EXPECT_EQ(Input::scanCodeToChar(DIK_UP, false), 0);

    EXPECT_EQ(input.scanCodeToChar(0x10), 'q');
    input.queueKey(DIK_RSHIFT, true, false);
    input.poll();
    EXPECT_EQ(input.scanCodeToChar(0x10), 'Q');
}

} // namespace
