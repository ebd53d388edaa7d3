// The picture as the window shows it, under Xvfb on the shipped data:
// images through the real menus stand upright, the window takes each size
// chosen in the video options, and in a running game the icons over skills,
// status effects and entities, the silhouette, the debug boxes of the
// attach points and the night light.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/CovenantClient.h"
#include "client/mirrors/EntityClient.h"
#include "client/player/PlayerClient.h"
#include "engine/app/Application.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/data/Database.h"
#include "engine/platform/Platform.h"
#include "engine/resources/ResourceSystem.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillDefinition.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/Weather.h"
#include "game/world/World.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/LightingSystem.h"
#include "graphics/render/ModelRenderSurface.h"
#include "graphics/render/ParticleRenderSurface.h"
#include "graphics/render/RenderQueue.h"
#include "graphics/shaders/Shader.h"
#include "support/AwakeMonster.h"
#include "support/WindowedGame.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIDropDownBox.h"
#include "ui/widgets/UIScrollBar.h"
#include "ui/widgets/UISkillSlot.h"
#include "ui/widgets/UIStatusEffectIcons.h"
#include "ui/widgets/UIUseSlot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

bool isLight(const uint8_t* c, int floor = 180)
{
    return c[0] >= floor && c[1] >= floor && c[2] >= floor;
}

// Pixels of the shot with every channel at least `floor`, row by row, over
// an interface box.
std::vector<int> lightPerRow(const Picture& p, float x0, float y0, float x1, float y1, int floor)
{
    const int px0 = static_cast<int>(std::ceil(x0 * p.width / 640.0f));
    const int px1 = static_cast<int>(x1 * p.width / 640.0f);
    const int py0 = static_cast<int>(std::ceil(y0 * p.height / 480.0f));
    const int py1 = static_cast<int>(y1 * p.height / 480.0f);
    std::vector<int> rows;
    for (int y = py0; y < py1; ++y) {
        int n = 0;
        for (int x = px0; x < px1; ++x) {
            n += isLight(p.at(x, y), floor);
        }
        rows.push_back(n);
    }
    return rows;
}

// The light pixels of the first and the last row that has any.
std::pair<int, int> firstAndLastInked(const std::vector<int>& rows)
{
    auto first = std::find_if(rows.begin(), rows.end(), [](int n) { return n > 0; });
    auto last = std::find_if(rows.rbegin(), rows.rend(), [](int n) { return n > 0; });
    if (first == rows.end()) {
        return {0, 0};
    }
    return {*first, *last};
}

Vec2 centreOf(const UIWidget& widget)
{
    Vec2 at = widget.getScreenPosition();
    return {at.x + widget.getSize().x / 2.0f, at.y + widget.getSize().y / 2.0f};
}

void clickOn(WindowedGame& window, const UIWidget* widget)
{
    ASSERT_NE(widget, nullptr);
    const Vec2 c = centreOf(*widget);
    window.click(static_cast<int>(c.x), static_cast<int>(c.y));
}

// The colour of a generated 32-bit image at a point (x to the right, y down
// from the top), read from its file: rows are stored bottom first.
struct IconPixels {
    int width = 0, height = 0;
    std::vector<uint8_t> bytes;
    bool read(const std::string& name)
    {
        std::ifstream in(generatedDataPath() + "/" + name, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (bytes.size() < 18 || bytes[2] != 2 || (bytes[16] != 32 && bytes[16] != 24)) {
            return false;
        }
        width = bytes[12] | bytes[13] << 8;
        height = bytes[14] | bytes[15] << 8;
        return bytes.size() >= 18u + bytes[0] + static_cast<size_t>(width * height * (bytes[16] / 8));
    }
    void at(int x, int y, int out[3]) const
    {
        const int n = bytes[16] / 8;
        const size_t o = 18u + bytes[0] + static_cast<size_t>(((height - 1 - y) * width + x) * n);
        out[0] = bytes[o + 2];
        out[1] = bytes[o + 1];
        out[2] = bytes[o];
    }
};

// How far a drawn colour is from the nearest colour of the image's middle,
// each scaled by `shade` (a tint that darkens evenly): the largest channel
// difference.
int distanceToMiddle(const IconPixels& icon, const uint8_t* drawn, float shade = 1.0f)
{
    int best = 1000;
    for (int y = icon.height / 2 - 3; y <= icon.height / 2 + 2; ++y) {
        for (int x = icon.width / 2 - 3; x <= icon.width / 2 + 2; ++x) {
            int c[3];
            icon.at(x, y, c);
            int worst = 0;
            for (int k = 0; k < 3; ++k) {
                worst = std::max(worst, std::abs(drawn[k] - static_cast<int>(c[k] * shade)));
            }
            best = std::min(best, worst);
        }
    }
    return best;
}

int brightness(const uint8_t* c)
{
    return c[0] + c[1] + c[2];
}

// A monster standing still where it is put: not hidden, and not active, so
// it neither walks nor fights until its first look around (about half a
// second of game time), which wakes it.
Actor* addStillMonster(Game& game, const char* type, const ZonePosition& at)
{
    Actor* actor = addAwakeMonster(game, GameData::get().findMonsterType(type), 1, at);
    if (actor) {
        actor->setActiveNow(false);
    }
    return actor;
}

bool loaderIdleNow()
{
    const ResourceSystem::Statistics s = ResourceSystem::get().getStatistics();
    return s.queued + s.loading == 0;
}

template <class T> std::vector<const T*> queued()
{
    std::vector<const T*> out;
    for (RenderSurface* s : GraphicsSystem::get().getRenderQueue().getQueued()) {
        if (auto* t = dynamic_cast<const T*>(s)) {
            out.push_back(t);
        }
    }
    return out;
}

std::string shaderName(const RenderSurface& s)
{
    const auto* shader = static_cast<const Resource*>(s.shader);
    return shader ? shader->getFileName() : std::string();
}

TEST(PictureXvfbTest, ImagesStandUprightAndTheWindowTakesEachChosenSize)
{
    WindowedGame window;
    if (!window.start("compressedTextures 0\nr_screenshotType 1\nfps 0\n")) {
        GTEST_SKIP() << "no X server can be started";
    }
    UISystem& ui = UISystem::get();
    window.moveTo(630, 470);

    // The scroll bar of the saved characters' list: its up arrow (apex at
    // the image's top) is narrow at its top row and wide at its bottom. No
    // character is saved, so the bar, hidden while the rows fit, is shown.
    clickOn(window, ui.findWidget("Main::LoadCharacter"));
    UIMenu* load = ui.findMenu("LoadCharacter");
    ASSERT_TRUE(load && load->isActive());
    UIScrollBar* bar = nullptr;
    for (const auto& widget : load->getWidgets()) {
        bar = bar ? bar : dynamic_cast<UIScrollBar*>(widget.get());
    }
    ASSERT_NE(bar, nullptr);
    bar->setHideIfNotNeeded(false);
    ASSERT_TRUE(window.waitForLoads(100));
    Picture shot = window.stillShot();
    const Vec2 barAt = bar->getScreenPosition();
    const float side = bar->getSize().x;
    const auto [apex, base] =
        firstAndLastInked(lightPerRow(shot, barAt.x, barAt.y, barAt.x + side, barAt.y + side, 180));
    EXPECT_GT(apex, 0) << "the arrow is drawn";
    EXPECT_LT(apex, base) << "the up arrow points up";

    // A menu of the test's own: a shipped image with a light top edge tiled
    // three times down, and a line of capital T on black.
    auto menu = std::make_unique<UIMenu>();
    TextReader reader(
        "name PictureCheck\n"
        "Widget {\n tiled 1\n texture Textures/UI/tab.tga\n position 40 40\n size 128 96\n}\n"
        "Widget {\n texture Textures/black.tga\n position 240 40\n size 200 40\n drawOrder -1\n}\n"
        "Widget {\n text \"TTTTTT\"\n font large\n position 250 48\n size 180 30\n}\n",
        "PictureCheck.mnu");
    menu->parse(reader);
    ui.addMenu(std::move(menu));
    ui.pushMenuByName("PictureCheck");
    ASSERT_TRUE(window.waitForLoads(100));
    shot = window.stillShot();
    {
        // Down a column of the tiles: the image's light edge (170, 140, 90)
        // and its fill (44, 36, 24). Each repeat starts with its edge: the
        // first edge row is the tiles' first row, and the last repeat ends
        // in fill.
        const int x = static_cast<int>(100 * shot.width / 640.0f);
        // The dark fill is told from the dark background around the tiles
        // only by a close match.
        auto near = [](const uint8_t* c, int r, int g, int b, int within = 24) {
            return std::abs(c[0] - r) < within && std::abs(c[1] - g) < within && std::abs(c[2] - b) < within;
        };
        int first = -1, last = -1, firstEdge = -1, lastEdge = -1, edgeRuns = 0;
        bool inEdge = false;
        for (int y = 0; y < shot.height * 200 / 480; ++y) {
            const bool edge = near(shot.at(x, y), 170, 140, 90);
            if (edge || near(shot.at(x, y), 44, 36, 24, 8)) {
                first = first < 0 ? y : first;
                last = y;
            }
            if (edge) {
                firstEdge = firstEdge < 0 ? y : firstEdge;
                lastEdge = y;
            }
            edgeRuns += edge && !inEdge;
            inEdge = edge;
        }
        EXPECT_EQ(edgeRuns, 3) << "three repeats";
        EXPECT_LE(firstEdge - first, 1) << "the first repeat starts with its light edge";
        EXPECT_GE(last - lastEdge, 20 * shot.height / 480) << "the last repeat ends in its fill";
    }
    const auto [bar0, stem] = firstAndLastInked(lightPerRow(shot, 240, 40, 440, 80, 128));
    EXPECT_GT(bar0, 2 * stem) << "the T's bar stands above its stem";
    ui.removeFromMenuStack(ui.findMenu("PictureCheck"));

    // Options, video page: 1024 and Apply, then 800 and Apply.
    ui.removeFromMenuStack(load);
    window.frame();
    clickOn(window, ui.findWidget("Main::Options"));
    ASSERT_TRUE(ui.findMenu("Options")->isActive());
    UserVarSystem& vars = UserVarSystem::get();
    struct Step {
        const char* button;
        int width, height;
    };
    for (const Step& step : {Step{"Size1024", 1024, 768}, Step{"Size800", 800, 600}}) {
        clickOn(window, ui.findWidget(std::string("OptionsVideo::") + step.button));
        ASSERT_EQ(vars.findVar("r_width")->getInt(), step.width);
        clickOn(window, ui.findWidget("OptionsVideo::Apply"));
        window.frame();
        int w = 0, h = 0;
        Platform::get().getWindowSize(w, h);
        EXPECT_EQ(w, step.width) << step.button;
        EXPECT_EQ(h, step.height) << step.button;
        GraphicsSystem::get().getDrawableSize(w, h);
        EXPECT_EQ(w, step.width) << step.button << ": drawable";
        EXPECT_EQ(h, step.height) << step.button << ": drawable";
        // The display mode box names the window's size.
        auto* modes = dynamic_cast<UIDropDownBox*>(ui.findWidget("OptionsVideo::DisplayMode"));
        ASSERT_NE(modes, nullptr);
        EXPECT_EQ(modes->getCurrentText(), std::to_string(step.width) + "x" + std::to_string(step.height));
    }
    EXPECT_EQ(vars.findVar("r_width")->getString(), "800");
    // The menus follow the new size: a click at the 640 button's place hits it.
    clickOn(window, ui.findWidget("OptionsVideo::Size640"));
    EXPECT_EQ(vars.findVar("r_width")->getInt(), 640);
}

// A new warrior in the town: the icons of its skills on the skill page and
// the hot bar, a poison's icon in the status row, the crest over another
// covenant's member and none over its own, the quest sign over a quest
// giver, its green silhouette, the boxes of "showTags"; then in the
// meadows, a monster away from every light seen by night and by day.
TEST(PictureGameXvfbTest, IconsSilhouetteTagBoxesAndTheNightLight)
{
    WindowedGame window;
    if (!window.start("compressedTextures 0\nr_screenshotType 1\nfps 0\nui_inGameHealthBars 0\n"
                      "PlayerName \"Wren\"\nPlayerClass \"$$ClassWarrior$$\"\n")) {
        GTEST_SKIP() << "no X server can be started";
    }
    // The same world on every run: not every world has the meadows that
    // the night light is looked at in.
    Random::setState(0, 20261208u);
    Application::runConsoleLine("start both 0");
    ASSERT_TRUE(window.waitForGame()) << window.logTail();
    Game& game = Game::get();
    Player* player = game.getFirstPlayer();
    ASSERT_NE(player, nullptr);
    ASSERT_TRUE(window.frameUntil([] { return Client::get().getPlayerSlot() >= 0; }));
    Weather::Settings still = game.weather().settings();
    still.maxFronts = 0;
    game.weather().setSettings(still);
    game.weather().clear();
    game.setTimeOfDay(12.0);
    UISystem& ui = UISystem::get();
    window.moveTo(630, 470);

    // The skill page: every slot with a skill shows its own icon.
    window.key(SDL_SCANCODE_K);
    UIMenu* tree = ui.findMenu("SkillsTree0");
    ASSERT_TRUE(tree && window.frameUntil([&] { return tree->isActive(); }));
    std::vector<const UISkillSlot*> slots;
    for (const auto& widget : tree->getWidgets()) {
        const auto* slot = dynamic_cast<const UISkillSlot*>(widget.get());
        if (slot && slot->getSkill() && slot->isVisible()) {
            slots.push_back(slot);
        }
    }
    ASSERT_GE(slots.size(), 3u);
    ASSERT_TRUE(window.waitForLoads(100));
    Picture page = window.stillShot();
    const UISkillSlot* learned = nullptr;
    for (const UISkillSlot* slot : slots) {
        const std::string& name = slot->getSkill()->getDefinition()->textureName;
        IconPixels icon;
        ASSERT_TRUE(icon.read(name)) << slot->getSkill()->getDefinition()->name << ": " << name;
        const Vec2 c = centreOf(*slot);
        // The best of the pixels around the middle (the shot's scale
        // rounds the middle either way).
        const uint8_t* drawn = pixelAt(page, static_cast<int>(c.x), static_cast<int>(c.y));
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const uint8_t* p = pixelAt(page, static_cast<int>(c.x) + dx, static_cast<int>(c.y) + dy);
                drawn = distanceToMiddle(icon, p) < distanceToMiddle(icon, drawn) ? p : drawn;
            }
        }
        EXPECT_LE(distanceToMiddle(icon, drawn), 40)
            << slot->getSkill()->getDefinition()->name << " drawn " << int(drawn[0]) << "," << int(drawn[1])
            << "," << int(drawn[2]);
        if (!learned && slot->getLevel() >= 1) {
            learned = slot;
        }
    }
    // Dragged to the hot bar's first place it keeps its icon there (dimmed
    // evenly while it cannot be used).
    ASSERT_NE(learned, nullptr);
    auto* first = dynamic_cast<UIUseSlot*>(ui.findWidget("HotBar::Use0"));
    ASSERT_NE(first, nullptr);
    clickOn(window, learned);
    ASSERT_EQ(ui.getDragWidget(), learned);
    clickOn(window, first);
    ASSERT_NE(first->getContent(), nullptr);
    window.key(SDL_SCANCODE_K);
    window.moveTo(630, 470);
    ASSERT_TRUE(window.waitForLoads(100));
    {
        IconPixels icon;
        ASSERT_TRUE(icon.read(learned->getSkill()->getDefinition()->textureName));
        const Picture bar = window.stillShot();
        const Vec2 c = centreOf(*first);
        const uint8_t* drawn = pixelAt(bar, static_cast<int>(c.x), static_cast<int>(c.y));
        int best = 1000;
        for (float shade = 0.3f; shade <= 1.0f; shade += 0.05f) {
            best = std::min(best, distanceToMiddle(icon, drawn, shade));
        }
        EXPECT_LE(best, 30) << "the hot bar's icon, drawn " << int(drawn[0]) << "," << int(drawn[1]) << ","
                            << int(drawn[2]);
    }

    // A poison on the player: its icon in the status row.
    player->addStatusEffectByName("StatusEffectBasicPoison", nullptr, 1);
    auto* effects = dynamic_cast<UIStatusEffectIcons*>(ui.findWidget("Status::PlayerEffects"));
    ASSERT_NE(effects, nullptr);
    ASSERT_TRUE(window.frameUntil([&] { return effects->getIconCount() > 0; })) << "no effect shown";
    ASSERT_TRUE(window.waitForLoads(100));
    {
        IconPixels icon;
        ASSERT_TRUE(icon.read("Textures/Icons/Effects/StatusEffectBasicPoison.tga"));
        const Picture row = window.shot();
        const Vec2 at = effects->getScreenPosition();
        const uint8_t* drawn = pixelAt(row, static_cast<int>(at.x + 8), static_cast<int>(at.y + 9));
        EXPECT_LE(distanceToMiddle(icon, drawn), 60)
            << "the poison's icon, drawn " << int(drawn[0]) << "," << int(drawn[1]) << "," << int(drawn[2]);
    }

    // Another covenant's member beside the player, and a member of the
    // player's own; a quest new to the player on a town NPC.
    Client& client = Client::get();
    const int own = client.getPlayerCovenantIndex();
    int other = -1;
    for (int i = 0; i < static_cast<int>(GameClient::get().getCovenantCount()) && other < 0; ++i) {
        const CovenantClient* c = GameClient::get().getCovenant(i);
        other = i != own && c && c->getDefinition() && !c->getDefinition()->crestName.empty() ? i : -1;
    }
    ASSERT_GE(other, 0) << "a computer covenant";
    ZonePosition spot = player->getPosition();
    spot.addOffset(96.0f, -48.0f);
    Actor* stranger = addStillMonster(game, "RecruitWarrior", spot);
    ASSERT_NE(stranger, nullptr);
    stranger->setCovenantIndex(other);
    spot.addOffset(-192.0f, 0.0f);
    Actor* friendOf = addStillMonster(game, "RecruitWarrior", spot);
    ASSERT_NE(friendOf, nullptr);
    friendOf->setCovenantIndex(own);
    // A quest the server makes itself, until one has a giver in the town
    // that the client sees (its table number is what the giver offers).
    int questId = -1;
    int giverNumber = -1;
    for (int tries = 0; tries < 20 && giverNumber < 0; ++tries) {
        const Quest* quest = game.generateQuests(0, nullptr, -1);
        for (int i = 0; quest && i < game.getQuestTableSize(); ++i) {
            questId = game.getQuest(i) == quest ? i : questId;
        }
        for (int n = 0; quest && n < 1000 && giverNumber < 0; ++n) {
            auto* actor = dynamic_cast<Actor*>(game.getEntity(n));
            const std::vector<int> offered = actor ? game.collectQuestsOfferedBy(actor) : std::vector<int>();
            const bool seen = GameClient::get().getEntity(n) != nullptr;
            giverNumber =
                seen && std::find(offered.begin(), offered.end(), questId) != offered.end() ? n : -1;
        }
    }
    ASSERT_GE(giverNumber, 0) << "a quest with a giver in the town";
    // The giver stands still in view, before the player, for its sign's picture.
    ZonePosition beforePlayer = player->getPosition();
    beforePlayer.addOffset(0.0f, -110.0f);
    {
        auto* giverActor = dynamic_cast<Actor*>(game.getEntity(giverNumber));
        ASSERT_NE(giverActor, nullptr);
        Entity::teleportNear(giverActor, beforePlayer);
        giverActor->setActiveNow(false);
    }
    auto mirror = [](const Actor* a) { return GameClient::get().getEntity(a->getEntityNumber()); };
    const EntityClient* giver = nullptr;
    ASSERT_TRUE(window.frameUntil([&] {
        giver = GameClient::get().getEntity(giverNumber);
        const auto& offered = giver ? giver->getOfferedQuests() : std::vector<int32_t>();
        giver = std::find(offered.begin(), offered.end(), questId) != offered.end() ? giver : nullptr;
        const Vec2 off = giver ? ZonePosition::getLocal(giver->getPosition(), beforePlayer) : Vec2();
        return giver && std::hypot(off.x - beforePlayer.x, off.y - beforePlayer.y) < 64.0f &&
               mirror(stranger) && mirror(friendOf) && mirror(stranger)->getFadeValue() == 1.0f &&
               mirror(stranger)->getCovenantIndex() == other && mirror(friendOf)->getCovenantIndex() == own &&
               loaderIdleNow();
    })) << "the members and the quest reach the client: giver "
        << (giver != nullptr) << " mirrored " << (GameClient::get().getEntity(giverNumber) != nullptr)
        << ", stranger " << (mirror(stranger) ? mirror(stranger)->getCovenantIndex() : -9) << " fade "
        << (mirror(stranger) ? mirror(stranger)->getFadeValue() : -1.0f) << ", friend "
        << (mirror(friendOf) ? mirror(friendOf)->getCovenantIndex() : -9) << ", own " << own << ", other "
        << other << "; quest " << questId << " given by " << giverNumber;
    Application::runConsoleLine("set paused 1");
    window.frame();
    window.frame();
    const std::string crest = GameClient::get().getCovenant(other)->getDefinition()->crestName;
    auto iconsAt = [](const EntityClient& e) {
        std::vector<std::string> names;
        ZonePosition3 at;
        Matrix3 turn;
        e.getWorldTransform(at, turn);
        for (const ParticleRenderSurface* p : queued<ParticleRenderSurface>()) {
            if (p->position.zone == at.zone && std::abs(p->position.x - at.x) < 0.01f &&
                std::abs(p->position.y - at.y) < 0.01f && p->position.z > at.z) {
                names.push_back(shaderName(*p));
            }
        }
        return names;
    };
    auto sdr = [](const std::string& image) { return image.substr(0, image.size() - 4) + ".sdr"; };
    EXPECT_EQ(iconsAt(*mirror(stranger)), std::vector<std::string>{sdr(crest)});
    EXPECT_TRUE(iconsAt(*mirror(friendOf)).empty());
    EXPECT_TRUE(iconsAt(*client.getPlayerEntity()).empty());
    EXPECT_EQ(iconsAt(*giver), std::vector<std::string>{"Textures/Icons/questAvailable.sdr"});
    {
        // The crest's own colour where it stands over the member.
        const Picture shot = window.stillShot();
        ZonePosition3 at;
        Matrix3 turn;
        mirror(stranger)->getWorldTransform(at, turn);
        const Vec2 place = client.screenPositionOf(ZonePosition(at.zone, at.x, at.y),
                                                   at.z + mirror(stranger)->getIconHeight());
        IconPixels image;
        ASSERT_TRUE(image.read(crest));
        const uint8_t* drawn = pixelAt(shot, static_cast<int>(place.x), static_cast<int>(place.y));
        EXPECT_LE(distanceToMiddle(image, drawn), 48)
            << "the crest at " << place.x << "," << place.y << ", drawn " << int(drawn[0]) << ","
            << int(drawn[1]) << "," << int(drawn[2]);
    }

    {
        // The quest sign stands upright: down the column through its middle
        // the yellow bar comes first and the smaller dot below it.
        const Picture shot = window.stillShot();
        ZonePosition3 at;
        Matrix3 turn;
        giver->getWorldTransform(at, turn);
        const Vec2 place =
            client.screenPositionOf(ZonePosition(at.zone, at.x, at.y), at.z + giver->getIconHeight());
        const float sx = static_cast<float>(shot.width) / 640.0f,
                    sy = static_cast<float>(shot.height) / 480.0f;
        auto yellow = [&](int x, int y) {
            if (x < 0 || y < 0 || x >= shot.width || y >= shot.height) {
                return false;
            }
            // The sign's yellow over its dark disc; not the ground's tan.
            const uint8_t* p = shot.at(x, y);
            return p[0] > 130 && p[0] - p[2] > 95;
        };
        // The column of the sign with the most yellow: the bar's middle.
        const int cx = static_cast<int>(place.x * sx), cy = static_cast<int>(place.y * sy);
        const int reach = static_cast<int>(14.0f * sy);
        int column = cx, most = 0;
        for (int x = cx - reach; x <= cx + reach; ++x) {
            int count = 0;
            for (int y = cy - reach; y <= cy + reach; ++y) {
                count += yellow(x, y);
            }
            column = count > most ? x : column;
            most = std::max(most, count);
        }
        std::vector<std::pair<int, int>> runs; // first row, length
        for (int y = cy - reach; y <= cy + reach; ++y) {
            if (!yellow(column, y)) {
                continue;
            }
            if (!runs.empty() && runs.back().first + runs.back().second == y) {
                ++runs.back().second;
            } else {
                runs.push_back({y, 1});
            }
        }
        ASSERT_TRUE(place.x > 0.0f && place.x < 640.0f && place.y > 0.0f && place.y < 480.0f)
            << "the sign off the screen at " << place.x << "," << place.y;
        ASSERT_GE(runs.size(), 2u) << "the sign's bar and dot at " << place.x << "," << place.y;
        EXPECT_GT(runs.front().second, runs.back().second)
            << "bar " << runs.front().second << " rows above, dot " << runs.back().second << " rows below";
    }

    // The own character's silhouette in its map colour, green.
    EntityClient* self = client.getPlayerEntity();
    ASSERT_EQ(self->getMapColorCode(), EntityClient::kMapGreen);
    const Resource* green = ResourceSystem::get().get(GraphicsSystem::get().getOutlineTexture(2));
    ASSERT_NE(green, nullptr);
    int outlined = 0;
    for (const ModelRenderSurface* m : queued<ModelRenderSurface>()) {
        outlined += m->model == self->getModel() && static_cast<const Resource*>(m->shader) == green;
    }
    EXPECT_GT(outlined, 0) << "the green outline over the own character";

    // "showTags": boxes on the attach points, around the character only.
    const Picture plain = window.stillShot();
    Application::runConsoleLine("set showTags 1");
    const Picture tagged = window.stillShot();
    Application::runConsoleLine("set showTags 0");
    {
        ZonePosition3 at;
        Matrix3 turn;
        self->getWorldTransform(at, turn);
        const Vec2 feet = client.screenPositionOf(ZonePosition(at.zone, at.x, at.y), 0.0f);
        int near = 0, far = 0;
        for (int y = 0; y < plain.height; ++y) {
            for (int x = 0; x < plain.width; ++x) {
                const uint8_t *a = plain.at(x, y), *b = tagged.at(x, y);
                if (a[0] == b[0] && a[1] == b[1] && a[2] == b[2]) {
                    continue;
                }
                const float ix = x * 640.0f / plain.width, iy = y * 480.0f / plain.height;
                (std::abs(ix - feet.x) < 80 && iy < feet.y + 20 && iy > feet.y - 160 ? near : far) += 1;
            }
        }
        EXPECT_GT(near, 20) << "boxes drawn over the character (" << far << " changed elsewhere)";
    }
    Application::runConsoleLine("set paused 0");

    // The meadows: a monster 200 units or more from every light, by night
    // and by day, the same spot and the same kind.
    World& world = World::get();
    int meadows = -1;
    for (int i = 0; i < world.getLevelCount() && meadows < 0; ++i) {
        const Level* level = world.getLevel(i);
        meadows = level && level->definition && level->definition->entryName == "AreaMeadows" ? i : -1;
    }
    if (meadows < 0) {
        std::string names;
        for (int i = 0; i < world.getLevelCount(); ++i) {
            const Level* level = world.getLevel(i);
            names += level && level->definition ? level->definition->entryName + " " : "- ";
        }
        ADD_FAILURE() << world.getLevelCount() << " levels: " << names;
    }
    ASSERT_GE(meadows, 0);
    ASSERT_TRUE(
        CommandSystem::get().execute(formatString("warp %d 2048 2048", meadows), nullptr, false, true));
    ASSERT_TRUE(window.frameUntil(
        [&] {
            return client.getPlayerPosition().zone == meadows && player->getPosition().zone == meadows &&
                   loaderIdleNow();
        },
        1200))
        << window.logTail();
    // The meadows' own creatures that a player there wakes go: while the
    // light settles a busy machine gives them the time to come and fight,
    // pushing the player and its light about and shooting lit arrows.
    for (int n = 0; n < Game::kMaxEntities; ++n) {
        auto* creature = dynamic_cast<Actor*>(game.getEntity(n));
        if (creature && creature->getCovenantIndex() != player->getCovenantIndex() &&
            creature->getPosition().zone == meadows &&
            ZonePosition::distanceTo(creature->getPosition(), player->getPosition()) <
                creature->getActivationDistance() + 200.0f) {
            game.deleteEntity(creature, true);
        }
    }
    // Where the monster's feet are on the screen (interface units).
    Vec2 feet;
    auto monsterBrightness = [&](double hours, const char* when) {
        game.setTimeOfDay(hours);
        // The ambient light settles (the area fades its colour over seconds).
        const Color before = GameClient::get().getAmbientColor();
        const Level& level = *world.getLevel(meadows);
        const Color target = level.getSunColor(static_cast<float>(hours));
        EXPECT_TRUE(window.frameUntil([&] { return GameClient::get().getAmbientColor() == target; }, 600))
            << when << ": from " << before.r << " to " << target.r;
        // The monster comes while the game stands still, and its model loads
        // then; a frame or two of game time draw it (a new mirror has no
        // pose before it), and it is shot and goes with the game still
        // again. It wakes after half a second of game time, however long a
        // busy machine takes to show it, and would come at the player.
        Application::runConsoleLine("set paused 1");
        ZonePosition at = player->getPosition();
        at.addOffset(220.0f, 0.0f);
        Actor* monster = addStillMonster(game, "GoblinWarrior", at);
        EXPECT_NE(monster, nullptr);
        if (!monster) {
            Application::runConsoleLine("set paused 0");
            return std::make_pair(Picture(), Picture());
        }
        // Held by its number: the server may remove it while frames run.
        const int number = monster->getEntityNumber();
        auto alive = [&] { return game.getEntity(number) == monster; };
        EXPECT_TRUE(window.frameUntil([&] {
            return !alive() || (GameClient::get().getEntity(number) && loaderIdleNow());
        })) << when;
        Application::runConsoleLine("set paused 0");
        EXPECT_TRUE(window.frameUntil([&] {
            const EntityClient* e = GameClient::get().getEntity(number);
            if (!alive() || !e) {
                return true;
            }
            ZonePosition3 place;
            Matrix3 turn;
            e->getWorldTransform(place, turn);
            const auto drawn = queued<ModelRenderSurface>();
            return e->getFadeValue() == 1.0f &&
                   std::any_of(drawn.begin(), drawn.end(), [&](const ModelRenderSurface* m) {
                       return m->model == e->getModel() && m->position.zone == place.zone &&
                              std::hypot(m->position.x - place.x, m->position.y - place.y) < 1.0f;
                   });
        })) << when;
        Application::runConsoleLine("set paused 1");
        window.frame();
        // What its first frames asked for (its skin's images) is in.
        EXPECT_TRUE(window.waitForLoads()) << when;
        if (!alive() || !GameClient::get().getEntity(number)) {
            ADD_FAILURE() << when << ": the monster was removed\n" << window.logTail();
            Application::runConsoleLine("set paused 0");
            return std::make_pair(Picture(), Picture());
        }
        EXPECT_LT(ZonePosition::distanceTo(monster->getPosition(), at), 1.0f)
            << when << ": the monster moved";
        const EntityClient& seen = *GameClient::get().getEntity(number);
        ZonePosition3 where;
        Matrix3 turn;
        seen.getWorldTransform(where, turn);
        const ZonePosition standing(where.zone, where.x, where.y);
        feet = client.screenPositionOf(standing, 0.0f);
        LightingSystem& lights = LightingSystem::get();
        for (int i = 0; i < lights.getCount(); ++i) {
            const LightRecord& light = lights.getLight(i);
            if (light.type == 0) {
                EXPECT_GE(ZonePosition::distanceTo(light.position, standing), 200.0f)
                    << when << ": light " << i;
            }
        }
        const Picture with = window.stillShot();
        if (!alive()) {
            ADD_FAILURE() << when << ": the monster was removed while shot\n" << window.logTail();
            Application::runConsoleLine("set paused 0");
            return std::make_pair(Picture(), Picture());
        }
        game.deleteEntity(monster, true);
        EXPECT_TRUE(window.frameUntil([&] { return GameClient::get().getEntity(number) == nullptr; }));
        const Picture without = window.stillShot();
        Application::runConsoleLine("set paused 0");
        return std::make_pair(with, without);
    };
    const auto noonShots = monsterBrightness(12.0, "noon");
    const auto nightShots = monsterBrightness(0.0, "midnight");
    ASSERT_GT(noonShots.first.width, 0);
    for (const Picture* p : {&noonShots.second, &nightShots.first, &nightShots.second}) {
        ASSERT_EQ(p->width, noonShots.first.width);
        ASSERT_EQ(p->height, noonShots.first.height);
    }
    // The monster's pixels: where a pair of shots differs (by day, or by
    // night) about the monster's place, measured alike in both shots with
    // the monster. The box leaves out the player, whose idle sway and own
    // light would count as the monster's.
    double noon = 0.0, night = 0.0;
    int count = 0;
    auto differs = [](const Picture& a, const Picture& b, int x, int y) {
        const uint8_t *p = a.at(x, y), *q = b.at(x, y);
        return std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]) > 12;
    };
    for (int y = 0; y < noonShots.first.height; ++y) {
        for (int x = 0; x < noonShots.first.width; ++x) {
            const float ix = x * 640.0f / noonShots.first.width, iy = y * 480.0f / noonShots.first.height;
            if (std::abs(ix - feet.x) > 60.0f || iy < feet.y - 120.0f || iy > feet.y + 20.0f) {
                continue;
            }
            if (differs(noonShots.first, noonShots.second, x, y) ||
                differs(nightShots.first, nightShots.second, x, y)) {
                noon += brightness(noonShots.first.at(x, y));
                night += brightness(nightShots.first.at(x, y));
                ++count;
            }
        }
    }
    EXPECT_GT(count, 50) << "the monster is drawn";
    EXPECT_GE(night, noon / 3.0) << "night " << night / std::max(count, 1) << ", noon "
                                 << noon / std::max(count, 1);
    EXPECT_LT(night, noon) << "night is darker";
}

} // namespace
