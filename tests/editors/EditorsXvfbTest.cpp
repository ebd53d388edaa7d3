// The real program under Xvfb, driven by the mouse and keys from the start
// screen into both editors: a tile painted on a new block, the area saved
// under a typed name and read back, and BoxMan drawn in the model editor.
#include "support/WindowedGame.h"

#include "editors/Editor.h"
#include "editors/ModelEditor.h"
#include "engine/console/UserVarSystem.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "game/world/AreaBlock.h"
#include "game/world/AreaResource.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIFilePicker.h"
#include "ui/widgets/UITextInput.h"
#include "ui/widgets/UITextureList.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

namespace {

using Rgb = std::array<int, 3>;

// The mean colour of a 5 x 5 pixel patch about an interface point.
Rgb patch(const Picture& p, int x, int y)
{
    Rgb sum{0, 0, 0};
    const int cx = x * p.width / 640, cy = y * p.height / 480;
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            const uint8_t* c = p.at(cx + dx, cy + dy);
            for (int i = 0; i < 3; ++i) {
                sum[static_cast<size_t>(i)] += c[i];
            }
        }
    }
    for (int& v : sum) {
        v /= 25;
    }
    return sum;
}

int distance(const Rgb& a, const Rgb& b)
{
    return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
}

struct EditorsWindow {
    WindowedGame game;

    UIWidget* widget(const char* name)
    {
        UIWidget* w = UISystem::get().findWidget(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void clickWidget(const char* name)
    {
        if (UIWidget* w = widget(name)) {
            const Vec2 at = w->getScreenPosition();
            game.click(static_cast<int>(at.x + w->getSize().x / 2),
                       static_cast<int>(at.y + w->getSize().y / 2));
        }
    }
    // An interface point over a block cell, away from the panels.
    bool pointOver(int column, int row, int& x, int& y)
    {
        for (y = 10; y < 410; y += 2) {
            for (x = 10; x < 430; x += 2) {
                int c = -1, r = -1;
                if (Editor::get().findCell(static_cast<float>(x), static_cast<float>(y), c, r) &&
                    c == column && r == row) {
                    x += 3; // into the cell, off its outline
                    y += 3;
                    return true;
                }
            }
        }
        return false;
    }
    // Loads finished and two shots in a row alike at the sampled points.
    Picture settledShot(const std::vector<std::array<int, 2>>& points)
    {
        ResourceSystem::get().waitForQueueEmpty();
        Picture last = game.shot();
        for (int tries = 0; tries < 20; ++tries) {
            ResourceSystem::get().waitForQueueEmpty();
            Picture next = game.shot();
            bool same = true;
            for (const auto& p : points) {
                same = same && distance(patch(last, p[0], p[1]), patch(next, p[0], p[1])) <= 3;
            }
            last = next;
            if (same) {
                break;
            }
        }
        return last;
    }
};

TEST(EditorsXvfbTest, PaintSaveAndLeaveTheAreaEditorThenShowBoxMan)
{
    EditorsWindow w;
    if (!w.game.start("compressedTextures 0\nr_screenshotType 1\nblendedTiles 0\n")) {
        GTEST_SKIP() << "no X server can be started";
    }
    UISystem& ui = UISystem::get();
    w.game.frame();
    ASSERT_TRUE(ui.findMenu("Main")->isVisible());

    // Main -> Area editor: the editor's menu in place of the start screen.
    w.clickWidget("Main::AreaEditor");
    ASSERT_TRUE(Editor::get().isActive()) << w.game.logTail();
    EXPECT_TRUE(ui.findMenu("Editor")->isActive());
    EXPECT_FALSE(ui.findMenu("Main")->isVisible());

    w.clickWidget("Editor::NewBlock");
    ASSERT_EQ(Editor::get().getCurrentBlock(), 0);
    w.clickWidget("Editor::TextureMode");
    auto* textures = dynamic_cast<UITextureList*>(w.widget("Editor::TextureList"));
    ASSERT_TRUE(textures && textures->isVisible() && !textures->getEntries().empty());
    const Vec2 list = textures->getScreenPosition();
    const int rowX = static_cast<int>(list.x) + 12, rowY = static_cast<int>(list.y) + 12;
    w.game.click(rowX + 40, rowY);
    const std::string chosen = UserVarSystem::get().findVar("EditorTexture")->getString();
    ASSERT_EQ(chosen, textures->resourceName(0));

    int px = 0, py = 0, nx = 0, ny = 0;
    ASSERT_TRUE(w.pointOver(3, 3, px, py));
    ASSERT_TRUE(w.pointOver(4, 3, nx, ny));
    const std::vector<std::array<int, 2>> points{{px, py}, {nx, ny}, {rowX, rowY}};
    w.game.moveTo(630, 470); // the pointer on the panel: no outline over the two cells
    const Picture before = w.settledShot(points);
    w.game.click(px, py);
    ASSERT_TRUE(Editor::get().getArea()->getCellTile(0, 3, 3).isValid()) << "the click painted the cell";
    w.game.moveTo(630, 470);
    const Picture after = w.settledShot(points);
    const Rgb thumb = patch(after, rowX, rowY);
    const Rgb painted = patch(after, px, py), empty = patch(before, px, py);
    EXPECT_GT(distance(painted, empty), 30) << "the painted cell changed";
    EXPECT_LT(distance(painted, thumb), distance(empty, thumb)) << "towards the texture's colour";
    EXPECT_LE(distance(patch(after, nx, ny), patch(before, nx, ny)), 6)
        << "the neighbour keeps the empty tile";

    // Save as, with a typed name.
    w.clickWidget("Editor::SaveAs");
    ASSERT_TRUE(ui.findMenu("EditorSaveAs")->isActive());
    auto* picker = dynamic_cast<UIFilePicker*>(w.widget("EditorSaveAs::Picker"));
    ASSERT_TRUE(picker && picker->getNameInput());
    const Vec2 box = picker->getNameInput()->getScreenPosition();
    w.game.click(static_cast<int>(box.x) + 8, static_cast<int>(box.y) + 6);
    w.game.type("e2e");
    w.game.key(SDL_SCANCODE_PERIOD);
    w.game.type("ara");
    const Vec2 ok = picker->getOkButton()->getScreenPosition();
    w.game.click(static_cast<int>(ok.x) + 6, static_cast<int>(ok.y) + 6);
    ASSERT_TRUE(w.game.frameUntil([&] {
        return std::filesystem::exists(w.game.user.file("Levels/e2e.ara"));
    })) << UserVarSystem::get().findVar("EditorAreaFileName")->getString()
        << "\n"
        << w.game.logTail();
    EXPECT_TRUE(Editor::get().isSaved());
    ResourceHandle written = ResourceSystem::get().load("Levels/e2e.ara");
    auto* back = ResourceSystem::get().getAs<AreaResource>(written);
    ASSERT_TRUE(back && back->getBlockCount() == 1);
    EXPECT_TRUE(*back->getBlock(0) == *Editor::get().currentBlock());

    // Exit: saved, so it leaves without asking.
    w.clickWidget("Editor::Exit");
    EXPECT_FALSE(Editor::get().isActive());
    EXPECT_FALSE(ui.findMenu("EditorExitConfirm")->isVisible());
    EXPECT_TRUE(ui.findMenu("Main")->isVisible());

    // Main -> Model editor, BoxMan chosen in the model list.
    w.clickWidget("Main::ModelEditor");
    ASSERT_TRUE(ModelEditor::get().isActive());
    auto* models = dynamic_cast<UITextureList*>(w.widget("ModelEditor::ModelList"));
    ASSERT_TRUE(models && models->isVisible());
    int boxman = -1;
    for (int i = 0; i < static_cast<int>(models->getEntries().size()) && boxman < 0; ++i) {
        boxman = models->getEntries()[static_cast<size_t>(i)].file == "Models/BoxMan/boxman.mdl" ? i : -1;
    }
    ASSERT_GE(boxman, 0);
    ASSERT_LE(boxman, models->getLastVisible()) << "BoxMan's row shows";
    std::vector<std::array<int, 2>> view;
    for (int y = 120; y < 380; y += 10) {
        for (int x = 200; x < 440; x += 10) {
            view.push_back({x, y});
        }
    }
    const Picture empty_view = w.settledShot(view);
    const Vec2 at = models->getScreenPosition();
    w.game.click(static_cast<int>(at.x) + 60, static_cast<int>(at.y) + 12 + boxman * 28);
    ASSERT_TRUE(w.game.frameUntil([] { return ModelEditor::get().getModel() != nullptr; }));
    w.game.moveTo(630, 470);
    const Picture shown = w.settledShot(view);
    int changed = 0, blue = 0;
    for (int y = 60; y < 396; y += 2) {
        for (int x = 10; x < 440; x += 2) {
            const Rgb now = patch(shown, x, y);
            if (distance(now, patch(empty_view, x, y)) > 30) {
                ++changed;
                // The body's blue cloth.
                blue += now[2] > now[0] + 30 && now[2] > now[1] ? 1 : 0;
            }
        }
    }
    EXPECT_GT(changed, 100) << "BoxMan drawn in the view";
    EXPECT_GT(blue, 20) << "in BoxMan's colours";
}

} // namespace
