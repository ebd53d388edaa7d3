// The real program under Xvfb, driven by the mouse and keys from the start
// screen into both editors: a tile painted on a new block, the area saved
// under a typed name and read back, blocks chosen from the block list, and
// BoxMan drawn in the model editor.
#include "support/WindowedGame.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/ScreenProjection.h"
#include "editors/Editor.h"
#include "editors/ModelEditor.h"
#include "engine/app/Application.h"
#include "engine/console/UserVarSystem.h"
#include "engine/data/Localization.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "game/world/AreaBlock.h"
#include "game/world/AreaResource.h"
#include "graphics/FrameHooks.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/render/ParticleRenderSurface.h"
#include "graphics/render/RenderQueue.h"
#include "graphics/render/SwipeRenderSurface.h"
#include "graphics/text/TextEventList.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/maps/WorldMap.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIFilePicker.h"
#include "ui/widgets/UIList.h"
#include "ui/widgets/UIScrollBar.h"
#include "ui/widgets/UITextInput.h"
#include "ui/widgets/UITextureList.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>

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
    std::string var(const char* name) { return UserVarSystem::get().findVar(name)->getString(); }

    // A picker's list run to its end by the held down arrow, by the thumb
    // and by the wheel, and its last row picked into the variable.
    void scrollToTheEnd(const char* name, const char* variable)
    {
        auto* files = dynamic_cast<UITextureList*>(widget(name));
        ASSERT_TRUE(files && files->isVisible()) << name;
        UIScrollBar* bar = files->getScrollBar();
        ASSERT_NE(bar, nullptr);
        const int count = static_cast<int>(files->getEntries().size());
        const int rows = files->getVisibleRows();
        ASSERT_GT(count, rows) << name;
        ASSERT_EQ(files->getFirstVisible(), 0);
        auto atEnd = [&] { return files->getLastVisible() == count - 1; };
        const Vec2 at = bar->getScreenPosition();
        const int bx = static_cast<int>(at.x + bar->getSize().x / 2);
        const int downY = static_cast<int>(at.y + bar->getSize().y) - 4;
        ASSERT_EQ(bar->hitPart(static_cast<float>(bx), static_cast<float>(downY)), 2);
        const Vec2 list = files->getScreenPosition();
        const int lx = static_cast<int>(list.x) + 60, ly = static_cast<int>(list.y) + 12;

        game.moveTo(bx, downY);
        game.button(bx, downY, true);
        EXPECT_TRUE(game.frameUntil(atEnd, 3000)) << name << " held arrow: " << files->getFirstVisible();
        game.button(bx, downY, false);
        const int end = files->getFirstVisible();
        game.wheel(lx, ly, 1);
        EXPECT_EQ(files->getFirstVisible(), end - 1) << name << ": a wheel step up shows one row more";

        auto dragThumbTo = [&](int y) {
            const int ty = static_cast<int>(at.y + bar->getThumbStart() + bar->getThumbLength() / 2);
            ASSERT_EQ(bar->hitPart(static_cast<float>(bx), static_cast<float>(ty)), 5);
            game.moveTo(bx, ty);
            game.button(bx, ty, true);
            game.moveTo(bx, y);
            game.button(bx, y, false);
        };
        dragThumbTo(static_cast<int>(at.y));
        EXPECT_EQ(files->getFirstVisible(), 0) << name << ": thumb dragged to the top";
        dragThumbTo(static_cast<int>(at.y + bar->getSize().y) - 1);
        EXPECT_TRUE(atEnd()) << name << ": thumb dragged to the end: " << files->getFirstVisible();
        int lastY = -1;
        for (int y = ly; y < static_cast<int>(list.y + files->getSize().y) && lastY < 0; ++y) {
            lastY = files->entryAt(static_cast<float>(lx), static_cast<float>(y)) == count - 1 ? y + 4 : -1;
        }
        ASSERT_GE(lastY, 0) << name;
        game.click(lx, lastY);
        EXPECT_EQ(var(variable), files->resourceName(count - 1)) << name;

        game.wheel(lx, ly, count);
        EXPECT_EQ(files->getFirstVisible(), 0) << name << ": wheel up runs back to the top";
        int steps = 0;
        while (!atEnd() && steps < count) {
            game.wheel(lx, ly, -1);
            ++steps;
        }
        EXPECT_EQ(steps, count - rows) << name << ": one row a wheel step down to the last page";
        game.wheel(lx, ly, 1);
        EXPECT_EQ(files->getFirstVisible(), count - rows - 1) << name;
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
    // The second row: a light floor, the first is near black.
    const int rowX = static_cast<int>(list.x) + 12, rowY = static_cast<int>(list.y) + 12 + 28;
    w.game.click(rowX + 40, rowY);
    const std::string chosen = UserVarSystem::get().findVar("EditorTexture")->getString();
    ASSERT_EQ(chosen, textures->resourceName(1));

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

    // A second, empty block; then each block chosen in the block list, its
    // row clicked and Choose: the view shows the chosen one, block 0 with
    // its painted cell.
    w.clickWidget("Editor::NewBlock");
    ASSERT_EQ(Editor::get().getCurrentBlock(), 1);
    for (int block : {0, 1, 0}) {
        SCOPED_TRACE(block);
        w.clickWidget("Editor::SelectBlock");
        ASSERT_TRUE(ui.findMenu("EditorPickBlock")->isActive());
        auto* blocks = dynamic_cast<UIList*>(w.widget("EditorPickBlock::Blocks"));
        ASSERT_TRUE(blocks && blocks->isVisible());
        ASSERT_TRUE(w.game.frameUntil([&] { return blocks->getItems().size() == 2; }));
        const Vec2 rows = blocks->getScreenPosition();
        int rowY = -1;
        for (int y = static_cast<int>(rows.y); y < static_cast<int>(rows.y + blocks->getSize().y) && rowY < 0;
             ++y) {
            rowY = blocks->itemAt(rows.x + 8.0f, static_cast<float>(y)) == block ? y + 4 : -1;
        }
        ASSERT_GE(rowY, 0);
        w.game.click(static_cast<int>(rows.x) + 8, rowY);
        EXPECT_EQ(w.var("EditorBlockIndex"), std::to_string(block));
        w.clickWidget("EditorPickBlock::Choose");
        EXPECT_FALSE(ui.findMenu("EditorPickBlock")->isActive());
        ASSERT_EQ(Editor::get().getCurrentBlock(), block);
        w.game.moveTo(630, 470);
        const Picture view = w.settledShot(points);
        const Rgb cell = patch(view, px, py);
        if (block == 0) {
            EXPECT_LT(distance(cell, painted), distance(cell, empty)) << "the painted cell of block 0";
        } else {
            EXPECT_LT(distance(cell, empty), distance(cell, painted)) << "the empty cell of block 1";
        }
    }
    w.clickWidget("Editor::Save");
    EXPECT_TRUE(Editor::get().isSaved());

    // Exit: saved, so it leaves without asking.
    w.clickWidget("Editor::Exit");
    EXPECT_FALSE(Editor::get().isActive());
    EXPECT_FALSE(ui.findMenu("EditorExitConfirm")->isVisible());
    EXPECT_TRUE(ui.findMenu("Main")->isVisible());

    // Main -> Model editor, BoxMan chosen in the model list.
    w.clickWidget("Main::ModelEditor");
    ASSERT_TRUE(ModelEditor::get().isActive());
    // Every label of the editor's panel fits the width of its button.
    for (const auto& label : ui.findMenu("ModelEditor")->getWidgets()) {
        label->prepareDraw();
        const std::string text = Localization::get().translateCopy(label->getTextValue());
        if (text.empty() || label->getSize().x <= 0.0f) {
            continue;
        }
        EXPECT_LE(ui.getDrawing()->layoutText(label->getFont(), text).x, label->getSize().x) << text;
    }
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

    // The preview's camera fits the model to its rectangle: a figure, not a
    // speck, on its black ground.
    {
        UIWidget* preview = w.widget("ModelEditor::Preview");
        ASSERT_NE(preview, nullptr);
        const Vec2 corner = preview->getScreenPosition(), size = preview->getSize();
        int lit = 0, all = 0;
        for (int y = static_cast<int>(corner.y); y < static_cast<int>(corner.y + size.y); ++y) {
            for (int x = static_cast<int>(corner.x); x < static_cast<int>(corner.x + size.x); ++x, ++all) {
                const uint8_t* c = pixelAt(shown, x, y);
                lit += std::max({c[0], c[1], c[2]}) > 40 ? 1 : 0;
            }
        }
        EXPECT_GT(lit * 12, all) << lit << " of " << all << " points of the preview show the model";
    }
    // Each model's thumbnail stays in its element box: the strips between
    // the rows look the same with the list hidden; BoxMan's own box does not.
    {
        const Vec2 list = models->getScreenPosition();
        std::vector<std::array<int, 2>> column;
        for (int y = static_cast<int>(list.y); y < static_cast<int>(list.y + models->getSize().y); y += 4) {
            column.push_back({static_cast<int>(list.x) + 12, y});
        }
        models->setVisible(false);
        const Picture bare = w.settledShot(column);
        models->setVisible(true);
        const Picture listed = w.settledShot(column);
        auto differs = [&](int x, int y) {
            const uint8_t *a = pixelAt(listed, x, y), *b = pixelAt(bare, x, y);
            return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > 30;
        };
        const int first = models->getFirstVisible();
        for (int row = first; row <= models->getLastVisible(); ++row) {
            const int top = static_cast<int>(list.y) + (row - first) * 28;
            int inside = 0, between = 0;
            for (int x = static_cast<int>(list.x) + 1; x < static_cast<int>(list.x) + 23; ++x) {
                for (int y = top + 1; y < top + 23; ++y) {
                    inside += differs(x, y) ? 1 : 0;
                }
                for (int y = top + 25; y < top + 28; ++y) {
                    between += differs(x, y) ? 1 : 0;
                }
            }
            EXPECT_EQ(between, 0) << "below row " << row << " ("
                                  << models->getEntries()[static_cast<size_t>(row)].file << ")";
            if (row == boxman) {
                EXPECT_GT(inside, 20) << "BoxMan's thumbnail";
            }
        }
    }

    // BoxMan's attack: its weapon trail and sparks are drawn in the editor's
    // own view (the frame's effects pass does not run under it).
    for (int i = 0; i < 8 && w.var("modelEditorAnim") != "attack"; ++i) {
        w.clickWidget("ModelEditor::NextAnim");
    }
    ASSERT_EQ(w.var("modelEditorAnim"), "attack");
    w.clickWidget("ModelEditor::Play");
    auto effectSurfaces = [] {
        ModelEditor::get().draw();
        int effects = 0;
        for (const RenderSurface* queued : GraphicsSystem::get().getRenderQueue().getQueued()) {
            effects += dynamic_cast<const ParticleRenderSurface*>(queued) ||
                               dynamic_cast<const SwipeRenderSurface*>(queued)
                           ? 1
                           : 0;
        }
        return effects;
    };
    EXPECT_TRUE(w.game.frameUntil([&] { return effectSurfaces() > 0; })) << "the attack's effects drawn";
}

// At 800 x 600 over a running game: the editor replaces the game's menus, a
// new block's four corner cells take clicks at their projected centres, both
// pickers' lists scroll to their last rows, and leaving gives the game back.
TEST(EditorsOverAGameXvfbTest, TheBlockFitsItsViewAndThePickersScroll)
{
    EditorsWindow w;
    if (!w.game.start("compressedTextures 0\nr_screenshotType 1\nblendedTiles 0\nPlayerName "
                      "\"Wren\"\nr_width 800\nr_height 600\n")) {
        GTEST_SKIP() << "no X server can be started";
    }
    UISystem& ui = UISystem::get();
    Application::runConsoleLine("start both 0");
    ASSERT_TRUE(w.game.waitForGame()) << w.game.logTail();
    const char* gameMenus[] = {"Hud", "Status", "HotBar"};
    for (const char* name : gameMenus) {
        ASSERT_TRUE(ui.findMenu(name)->isVisible()) << name;
    }

    // The texts over the entities belong to the game's view: drawn with it,
    // not over the world map that replaces it.
    FrameHooks& hooks = GraphicsSystem::get().getFrameHooks();
    struct Counted {
        FrameHooks& hooks;
        std::function<void()> drawn;
        int passes = 0;
        ~Counted() { hooks.drawOverheadTexts = drawn; }
    } overheads{hooks, hooks.drawOverheadTexts};
    hooks.drawOverheadTexts = [&overheads] {
        ++overheads.passes;
        overheads.drawn();
    };
    w.game.moveTo(320, 200);
    ASSERT_TRUE(w.game.frameUntil([&] { return overheads.passes > 0; }));
    w.game.key(SDL_SCANCODE_M);
    ASSERT_TRUE(w.game.frameUntil([] { return WorldMap::get().isShown(); }));
    const int beforeMap = overheads.passes;
    for (int i = 0; i < 5; ++i) {
        w.game.frame();
    }
    EXPECT_EQ(overheads.passes, beforeMap) << "texts over entities drawn over the world map";
    w.game.key(SDL_SCANCODE_M);
    ASSERT_TRUE(w.game.frameUntil([] { return !WorldMap::get().isShown(); }));

    // The help buttons offered to the player leave with the game's menus
    // and come back with them.
    auto helpButtons = [&ui] {
        int shown = 0;
        for (const auto& menu : ui.getMenus()) {
            const std::string& name = menu->getName();
            const size_t end = name.size() >= 6 ? name.size() - 6 : 0;
            shown += end > 0 && name.compare(end, 6, "Button") == 0 &&
                     ui.findHelpTopic(name.substr(0, end)) >= 0 && menu->isActive();
        }
        return shown;
    };
    if (helpButtons() == 0) {
        ui.addHelpTopicButton(0);
    }
    const int offered = helpButtons();
    ASSERT_GT(offered, 0);

    Application::runConsoleLine("editor 1");
    ASSERT_TRUE(Editor::get().isActive());
    for (const char* name : gameMenus) {
        EXPECT_FALSE(ui.findMenu(name)->isActive()) << name << " over the editor";
    }
    EXPECT_EQ(helpButtons(), 0) << "help buttons over the editor";
    // A message of the game while the editor shows is not drawn over it.
    {
        w.game.moveTo(630, 470);
        GraphicsSystem::get().getTextEvents().clear();
        const Picture quiet = w.game.stillShot();
        ASSERT_TRUE(w.game.settled);
        GameClient::get().showErrorMessage("A line under the editor", false);
        w.game.frame();
        ASSERT_FALSE(GraphicsSystem::get().getTextEvents().events().empty());
        const Picture message = w.game.stillShot();
        EXPECT_TRUE(message.rgb == quiet.rgb) << "a text event drawn over the editor";
        GraphicsSystem::get().getTextEvents().clear();
    }

    w.clickWidget("Editor::NewBlock");
    ASSERT_EQ(Editor::get().getCurrentBlock(), 0);
    const AreaResource& area = *Editor::get().getArea();
    ASSERT_EQ(area.getBlockWidth(), 16);
    w.clickWidget("Editor::TextureMode");
    w.clickWidget("Editor::TextureDir");
    ASSERT_TRUE(ui.findMenu("EditorTextures")->isActive());
    w.scrollToTheEnd("EditorTextures::Files", "EditorTexture");
    w.clickWidget("EditorTextures::Back");
    ASSERT_FALSE(ui.findMenu("EditorTextures")->isActive());
    const std::string chosen = w.var("EditorTexture");

    // The cells' centres through the editor's own view of the block.
    const Editor::View view = Editor::get().fitView();
    EXPECT_GT(view.zoom, 1.0f) << "the block is larger than the free view at zoom 1";
    ViewParameters parameters = Client::get().getViewParameters();
    parameters.zoom = view.zoom;
    const ScreenProjection projection(ZonePosition(view.target.zone, view.target.x, view.target.y),
                                      parameters);
    const float s = 32.0f;
    const int last = area.getBlockWidth() - 1;
    std::vector<std::array<int, 2>> corners{{0, 0}, {last, 0}, {0, last}, {last, last}}, points;
    for (const auto& c : corners) {
        const Vec2 p = projection.worldToScreen(
            ZonePosition(-1, Editor::kOrigin + (c[0] + 0.5f) * s, Editor::kOrigin + (c[1] + 0.5f) * s), true);
        points.push_back({static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))});
    }
    w.game.moveTo(630, 470);
    const Picture before = w.settledShot(points);
    for (size_t i = 0; i < corners.size(); ++i) {
        w.game.click(points[i][0], points[i][1]);
        EXPECT_TRUE(area.getCellTile(0, corners[i][0], corners[i][1]).isValid())
            << "corner " << corners[i][0] << "," << corners[i][1] << " at " << points[i][0] << ","
            << points[i][1];
    }
    w.game.moveTo(630, 470);
    const Picture after = w.settledShot(points);
    for (const auto& p : points) {
        EXPECT_GT(distance(patch(after, p[0], p[1]), patch(before, p[0], p[1])), 30)
            << "painted under " << p[0] << "," << p[1];
    }

    w.clickWidget("Editor::ObjectMode");
    w.clickWidget("Editor::ObjectDir");
    ASSERT_TRUE(ui.findMenu("EditorPickObjectDir")->isActive());
    w.scrollToTheEnd("EditorPickObjectDir::Files", "EditorObject");
    EXPECT_EQ(w.var("EditorObject").rfind("Models/Objects/", 0), 0u) << w.var("EditorObject");
    w.clickWidget("EditorPickObjectDir::Back");
    EXPECT_EQ(w.var("EditorTexture"), chosen);

    // Unsaved: Exit asks, and leaving gives the game its menus back.
    w.clickWidget("Editor::Exit");
    ASSERT_TRUE(ui.findMenu("EditorExitConfirm")->isActive());
    w.clickWidget("EditorExitConfirm::Leave");
    EXPECT_FALSE(Editor::get().isActive());
    for (const char* name : gameMenus) {
        EXPECT_TRUE(ui.findMenu(name)->isActive()) << name << " back with the game";
    }
    EXPECT_EQ(helpButtons(), offered) << "the help buttons back with the game";
    EXPECT_FALSE(ui.findMenu("Main")->isVisible()) << "the game goes on";
    EXPECT_TRUE(GameClient::get().isLoaded());
}

} // namespace
