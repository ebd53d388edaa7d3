// Monsters and things of the shipped data, through the real server and
// client in this process, windowed under Xvfb at 1024 x 768: a monster
// holding a weapon, whose body and weapon the client queues at the body's
// weapon tag and which on screen changes nothing outside its own rectangle;
// and what models fire as their animations start and end: a caster's glow
// and beam drawn while it casts, a torch's loop heard while it burns.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/EntityClient.h"
#include "client/player/PlayerClient.h"
#include "engine/app/Application.h"
#include "engine/data/Database.h"
#include "engine/resources/MeshSetResource.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/entities/Torch.h"
#include "game/skills/Skill.h"
#include "game/skills/SkillListBase.h"
#include "game/world/Game.h"
#include "game/world/Weather.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/effects/EffectSystem.h"
#include "graphics/render/ModelRenderSurface.h"
#include "graphics/render/RenderQueue.h"
#include "sound/SoundDriver.h"
#include "sound/SoundSystem.h"
#include "support/AwakeMonster.h"
#include "support/WindowedGame.h"
#include "ui/UISystem.h"
#include "ui/maps/MiniMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct Rect {
    int x0, y0, x1, y1;
    bool has(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

// A screen rectangle of a model (640 x 480 points) in pixels of the shot,
// grown by `grow` pixels.
bool modelRect(const Picture& p, const ModelResource& model, int animation, const ZonePosition3& at,
               float scale, int grow, Rect& out)
{
    float r[4];
    if (!GraphicsSystem::get().getModelScreenRect(model, animation, at, 0, scale, r)) {
        return false;
    }
    out = {static_cast<int>(r[0] * p.width / 640.0f) - grow,
           static_cast<int>(r[1] * p.height / 480.0f) - grow,
           static_cast<int>(std::ceil(r[2] * p.width / 640.0f)) + grow,
           static_cast<int>(std::ceil(r[3] * p.height / 480.0f)) + grow};
    return true;
}

// The other drawn entities (townsfolk, the player), grown for their walk.
std::vector<Rect> othersRects(const Picture& p, int except)
{
    std::vector<Rect> rects;
    for (int number = 0; number < 1000; ++number) {
        const EntityClient* e = number == except ? nullptr : GameClient::get().getEntity(number);
        const ModelResource* model = e ? e->getModel() : nullptr;
        ZonePosition3 at;
        Matrix3 turn;
        Rect r;
        if (model) {
            e->getWorldTransform(at, turn);
            if (modelRect(p, *model, e->getAnimation(), at, e->getScale(), 16, r)) {
                rects.push_back(r);
            }
        }
    }
    return rects;
}

// The mirror stands where the server's entity stands. Once paused, the last
// step's state still reaches the mirror a frame or so later; on a slow
// machine that step is long and moves a walking monster far.
bool caughtUp(const Actor& held, int number)
{
    const EntityClient* e = GameClient::get().getEntity(number);
    const ZonePosition a = held.getPosition();
    return e && e->getPosition().zone == a.zone && std::abs(e->getPosition().x - a.x) < 0.01f &&
           std::abs(e->getPosition().y - a.y) < 0.01f;
}

TEST(ArmedMonsterXvfbTest, AGoblinWithAHandAxeDrawsBodyAndAxeInsideItsRectangle)
{
    WindowedGame screen;
    // Exact colours, full brightness (no day or night change between the
    // shots) and no ground shadows: only the model itself is compared.
    if (!screen.start("compressedTextures 0\nr_screenshotType 1\nr_width 1024\nr_height 768\n"
                      "r_fullbright 1\nr_shadows 0\nui_inGameHealthBars 0\nPlayerName \"Wren\"\n")) {
        GTEST_SKIP() << "no X server can be started";
    }
    Application::runConsoleLine("start both 0");
    ASSERT_TRUE(screen.waitForGame()) << screen.logTail();
    Game& game = Game::get();
    Player* player = game.getFirstPlayer();
    ASSERT_NE(player, nullptr);
    ASSERT_TRUE(screen.frameUntil([] { return Client::get().getPlayerSlot() >= 0; }))
        << "the server names the local player";
    Weather::Settings still = game.weather().settings();
    still.maxFronts = 0;
    game.weather().setSettings(still);
    game.weather().clear();

    // The mouse away from everything (no tooltip), no texts on screen.
    screen.moveTo(620, 300);
    ZonePosition beside = player->getPosition();
    beside.addOffset(64.0f, 0.0f);
    Actor* goblin = addAwakeMonster(game, GameData::get().findMonsterType("GoblinWarrior"), 4, beside);
    ASSERT_NE(goblin, nullptr);
    ASSERT_TRUE(goblin->giveItem("HandAxe", false));
    const int number = goblin->getEntityNumber();

    // Its mirror with the axe in a slot, the axe and the body loaded.
    const ModelResource* body = nullptr;
    const ModelResource* axe = nullptr;
    int axeSlot = -1;
    auto armed = [&] {
        const EntityClient* e = GameClient::get().getEntity(number);
        body = e ? e->getModel() : nullptr;
        axe = nullptr;
        axeSlot = -1;
        for (int s = 0; e && s < EntityClient::kAttachmentSlots; ++s) {
            const AttachmentSlot* slot = e->getAttachmentSlot(s);
            if (slot && slot->model.getFileName() == "Models/Items/handAxe.mdl" && slot->model.isLoaded()) {
                axe = ResourceSystem::get().getAs<ModelResource>(slot->model);
                axeSlot = s;
            }
        }
        return body && axe && e->getAnimation() >= 0 && e->getFadeValue() == 1.0f && body->getMeshSet() &&
               ResourceSystem::get().getStatistics().queued == 0 &&
               ResourceSystem::get().getStatistics().loading == 0;
    };
    ASSERT_TRUE(screen.frameUntil(armed, 1200)) << "the goblin's state with its axe";
    // From here the world stands still; the server goes on sending its state.
    Application::runConsoleLine("set paused 1");
    GraphicsSystem::get().clearTextEvents();
    screen.frame();
    ASSERT_TRUE(screen.frameUntil([&] { return caughtUp(*goblin, number); }))
        << "the goblin's mirror reaches the server's place";
    const EntityClient& mirror = *GameClient::get().getEntity(number);
    EXPECT_EQ(mirror.getAttachmentSlot(axeSlot)->tagName, "tag_weapon");

    // The queued frame: every mesh of the body, and the axe at the body's
    // weapon tag of the frame drawn.
    int bodyMeshes = 0, axeMeshes = 0;
    ZonePosition3 at;
    Matrix3 turn;
    mirror.getWorldTransform(at, turn);
    ZonePosition3 tag;
    Matrix3 tagTurn;
    ASSERT_TRUE(mirror.getTagTransform(body->findAttachPoint("tag_weapon"), tag, tagTurn));
    for (RenderSurface* s : GraphicsSystem::get().getRenderQueue().getQueued()) {
        const auto* m = dynamic_cast<ModelRenderSurface*>(s);
        if (!m || m->shadowPass) {
            continue;
        }
        bodyMeshes +=
            m->model == body && m->position.zone == at.zone && m->position.x == at.x && m->position.y == at.y;
        // Another wanderer with an axe may be in view on a slow machine:
        // only this goblin's axe, at its weapon tag, counts.
        axeMeshes += m->model == axe && m->position.zone == tag.zone &&
                     std::abs(m->position.x - tag.x) < 0.01f && std::abs(m->position.y - tag.y) < 0.01f &&
                     std::abs(m->position.z - tag.z) < 0.01f;
    }
    EXPECT_EQ(bodyMeshes, body->getMeshSet()->getNumMeshes());
    EXPECT_EQ(axeMeshes, axe->getMeshSet() ? axe->getMeshSet()->getNumMeshes() : -1);

    // Settled shots: two alike frames in a row.
    const Picture with = screen.stillShot();
    Rect inside, held;
    ASSERT_TRUE(modelRect(with, *body, mirror.getAnimation(), at, mirror.getScale(), 2, inside));
    ASSERT_TRUE(modelRect(with, *axe, 0, tag, mirror.getScale(), 2, held));
    const Vec2 centre = Client::get().worldToScreen(ZonePosition(at.zone, at.x, at.y), true);
    EXPECT_TRUE(inside.has(static_cast<int>(centre.x * with.width / 640.0f),
                           static_cast<int>(centre.y * with.height / 480.0f)))
        << "the rectangle lies at the goblin's projected place";
    const std::vector<Rect> others = othersRects(with, number);

    game.deleteEntity(goblin, true);
    ASSERT_TRUE(screen.frameUntil([&] { return GameClient::get().getEntity(number) == nullptr; }))
        << "the goblin's removal reaches the client";
    GraphicsSystem::get().clearTextEvents(); // the server's notices of the fight
    const Picture without = screen.stillShot();

    // Nothing changes in a band of 80 pixels around the two rectangles, but
    // for the other entities.
    const Rect band{std::min(inside.x0, held.x0) - 80, std::min(inside.y0, held.y0) - 80,
                    std::max(inside.x1, held.x1) + 80, std::max(inside.y1, held.y1) + 80};
    int differing = 0, strays = 0;
    for (int y = std::max(0, band.y0); y < std::min(with.height, band.y1); ++y) {
        for (int x = std::max(0, band.x0); x < std::min(with.width, band.x1); ++x) {
            const uint8_t *a = with.at(x, y), *b = without.at(x, y);
            if (std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) <= 12) {
                continue;
            }
            if (inside.has(x, y) || held.has(x, y)) {
                ++differing;
            } else if (std::none_of(others.begin(), others.end(),
                                    [&](const Rect& r) { return r.has(x, y); })) {
                ++strays;
            }
        }
    }
    EXPECT_GT(differing, (inside.x1 - inside.x0) * (inside.y1 - inside.y0) / 10) << "the goblin is drawn";
    EXPECT_EQ(strays, 0) << "nothing changes outside the goblin and its axe";

    // A goblin under the mini-map, at its default opacity: drawn there
    // while the map is off, hidden by it while it is on; only its marker
    // changes the map.
    const UISettings& settings = UISystem::get().getSettings();
    const Vec2 mask{settings.miniMapMaskPosition.x + settings.miniMapMaskSize.x / 2.0f,
                    settings.miniMapMaskPosition.y + settings.miniMapMaskSize.y / 2.0f};
    const float disc = settings.miniMapMaskSize.x / 2.0f * 63.0f / 64.0f - 4.0f;
    Application::runConsoleLine("set paused 0");
    const ZonePosition underMap = Client::get().screenToWorld(mask.x, mask.y + 20.0f);
    Actor* under = addAwakeMonster(game, GameData::get().findMonsterType("GoblinWarrior"), 4, underMap);
    ASSERT_NE(under, nullptr);
    const int underNumber = under->getEntityNumber();
    ASSERT_TRUE(screen.frameUntil(
        [&] {
            const EntityClient* e = GameClient::get().getEntity(underNumber);
            return e && e->getModel() && e->getAnimation() >= 0 && e->getFadeValue() == 1.0f &&
                   ResourceSystem::get().getStatistics().queued == 0 &&
                   ResourceSystem::get().getStatistics().loading == 0;
        },
        1200))
        << "the goblin under the map";
    Application::runConsoleLine("set paused 1");
    // Awake, it walked towards the player while its model came in, as far
    // as the frames that took; paused, it is set back under the map.
    Entity::teleportNear(under, underMap);
    ASSERT_TRUE(screen.frameUntil([&] { return caughtUp(*under, underNumber); }))
        << "the goblin's mirror reaches the server's place";
    GraphicsSystem::get().clearTextEvents();
    const EntityClient& shown = *GameClient::get().getEntity(underNumber);
    shown.getWorldTransform(at, turn);
    const Picture mapped = screen.stillShot();
    Rect body2;
    ASSERT_TRUE(modelRect(mapped, *shown.getModel(), shown.getAnimation(), at, shown.getScale(), 0, body2));
    Application::runConsoleLine("set miniMapOn 0");
    const Picture unmapped = screen.stillShot();
    Application::runConsoleLine("set miniMapOn 1");
    // The markers on the map, on the interface.
    std::vector<Vec2> markers;
    {
        const MiniMap& mini = MiniMap::get();
        const ZonePosition target = mini.getLastCentre();
        for (const MapLabel& label : mini.getLabels()) {
            const Vec2 place = mini.markerPlace(label);
            ZonePosition p(target.zone, target.x + mini.getPlacement().x + place.x * mini.getScale(),
                           target.y + mini.getPlacement().y + place.y * mini.getScale());
            p.needsNormalizing = false;
            markers.push_back(Client::get().worldToScreen(p, true));
        }
    }
    game.deleteEntity(under, true);
    ASSERT_TRUE(screen.frameUntil([&] { return GameClient::get().getEntity(underNumber) == nullptr; }));
    GraphicsSystem::get().clearTextEvents();
    const Picture gone = screen.stillShot();
    Application::runConsoleLine("set miniMapOn 0");
    const Picture goneUnmapped = screen.stillShot();
    Application::runConsoleLine("set miniMapOn 1");
    // Its bounds' rectangle stands at its place but at no facing or frame:
    // one that turned or walked before the pause (a slow machine's long
    // steps) is drawn partly beside it. So what the goblin changes is
    // counted over the whole disc, where nothing else moves while paused;
    // the rectangle tells that it stands under the map.
    int covered = 0, drawnOff = 0, showing = 0;
    for (int y = 0; y < mapped.height; ++y) {
        for (int x = 0; x < mapped.width; ++x) {
            const float ix = (x + 0.5f) * 640.0f / mapped.width, iy = (y + 0.5f) * 480.0f / mapped.height;
            if (std::hypot(ix - mask.x, iy - mask.y) > disc ||
                std::any_of(markers.begin(), markers.end(),
                            [&](const Vec2& m) { return std::hypot(m.x - ix, m.y - iy) < 10.0f; })) {
                continue;
            }
            covered += body2.has(x, y) ? 1 : 0;
            auto differs = [](const uint8_t* a, const uint8_t* b) {
                return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > 12;
            };
            drawnOff += differs(unmapped.at(x, y), goneUnmapped.at(x, y)) ? 1 : 0;
            showing += differs(mapped.at(x, y), gone.at(x, y)) ? 1 : 0;
        }
    }
    ASSERT_GT(covered, 100) << "the goblin stands under the map";
    EXPECT_GT(drawnOff * 10, covered) << "the goblin is drawn there without the map";
    EXPECT_EQ(showing, 0) << "the goblin shows through the map";
}

// A cult initiate casting its bolt plays the "cast" animation of the box
// man: a glow at its hand and a beam ahead of it start with the animation,
// are drawn (the beam's line is lit in a shot and dark in a shot after),
// and stop when the animation ends. A torch's flame loops from the moment
// its mirror burns ("idle") and stops when the torch is put out.
TEST(ArmedMonsterXvfbTest, ACastersGlowAndBeamLastAsItsCastAndATorchSoundsWhileItBurns)
{
    WindowedGame screen;
    if (!screen.start("compressedTextures 0\nr_screenshotType 1\nr_width 1024\nr_height 768\n"
                      "r_fullbright 1\nr_shadows 0\nui_inGameHealthBars 0\nPlayerName \"Wren\"\n")) {
        GTEST_SKIP() << "no X server can be started";
    }
    Application::runConsoleLine("start both 0");
    ASSERT_TRUE(screen.waitForGame()) << screen.logTail();
    Game& game = Game::get();
    Player* player = game.getFirstPlayer();
    ASSERT_NE(player, nullptr);
    ASSERT_TRUE(screen.frameUntil([] { return Client::get().getPlayerSlot() >= 0; }));
    Weather::Settings still = game.weather().settings();
    still.maxFronts = 0;
    game.weather().setSettings(still);
    game.weather().clear();
    screen.moveTo(620, 300);

    // The torch first: a lit one beside the player; its loop is a channel
    // the torch owns, looping and playing.
    SoundSystem& sound = SoundSystem::get();
    ASSERT_TRUE(sound.isInitialized());
    const DatabaseEntry* torchEntry = Database::get().findEntry("TorchWall");
    ASSERT_NE(torchEntry, nullptr);
    auto* torch = new Torch();
    torch->setEntry(torchEntry, torchEntry->getName());
    torch->loadFromDatabase();
    ZonePosition torchAt = player->getPosition();
    torchAt.addOffset(-64.0f, 32.0f);
    torch->setPosition(torchAt);
    torch->setSecondaryPosition(torchAt);
    ASSERT_GE(game.addEntity(torch), 0);
    torch->onPlaced();
    const int torchNumber = torch->getEntityNumber();
    auto flame = [&]() -> const SoundChannel* {
        for (int i = 0; i < SoundSystem::kChannelCount; ++i) {
            const SoundChannel* c = sound.getChannel(i);
            if (c && c->inUse && c->owner == torchNumber && c->looping &&
                c->resource.getFileName() == "Sounds/Objects/torchFlame.wav") {
                return c;
            }
        }
        return nullptr;
    };
    auto torchPlays = [&](const char* animation) {
        const EntityClient* e = GameClient::get().getEntity(torchNumber);
        return e && e->getModel() && e->getAnimation() == e->findAnimation(animation);
    };
    ASSERT_TRUE(screen.frameUntil([&] {
        const SoundChannel* c = flame();
        return torchPlays("idle") && c && SoundSystem::getDriver()->isPlaying(c->source);
    })) << "the burning torch is silent";
    torch->use(player);
    ASSERT_FALSE(torch->isLit());
    ASSERT_TRUE(screen.frameUntil([&] { return torchPlays("off"); })) << "the torch never went out";
    EXPECT_EQ(flame(), nullptr) << "the torch's flame goes on sounding once it is out";
    torch->use(player);
    EXPECT_TRUE(screen.frameUntil([&] { return torchPlays("idle") && flame(); })) << "lit again, silent";
    game.deleteEntity(torch, true);

    // The caster, awake beside the player, told of it; its bolt is asked
    // for now and then until its mirror casts with a beam and a glow on.
    ZonePosition beside = player->getPosition();
    beside.addOffset(120.0f, 0.0f);
    Actor* caster = addAwakeMonster(game, GameData::get().findMonsterType("CultInitiate"), 5, beside);
    ASSERT_NE(caster, nullptr);
    caster->alert(player);
    const int number = caster->getEntityNumber();
    auto* bolt = dynamic_cast<Skill*>(caster->getSkillList()->findByName("CultistCultBolt"));
    ASSERT_NE(bolt, nullptr);
    const EffectSystem& effects = EffectSystem::get();
    auto mirror = [&] { return GameClient::get().getEntity(number); };
    auto casting = [&] {
        const EntityClient* e = mirror();
        return e && e->getModel() && e->getAnimation() >= 0 && e->getAnimation() == e->findAnimation("cast");
    };
    auto beamOn = [&]() -> const BeamInstance* {
        for (const BeamInstance* b : effects.getBeams()) {
            if (mirror() && b->entity == mirror() && b->definitionName == "spellBeam.bem") {
                return b;
            }
        }
        return nullptr;
    };
    auto glowOn = [&]() -> const EffectInstance* {
        for (const EffectInstance* e : effects.getEffects()) {
            if (mirror() && e->entity == mirror() && e->definitionName == "castGlow.eff") {
                return e;
            }
        }
        return nullptr;
    };
    int frames = 0;
    ASSERT_TRUE(screen.frameUntil(
        [&] {
            const EntityClient* e = mirror();
            if (casting() && beamOn() && beamOn()->active && glowOn() && glowOn()->active &&
                !glowOn()->particles.empty()) {
                return true;
            }
            if (e && e->getFadeValue() == 1.0f && !casting() && ++frames % 40 == 1 && caster->isAlive()) {
                bolt->use(caster, nullptr, Skill::kStageRequest, true);
            }
            return false;
        },
        2400))
        << "the caster never cast with its glow and beam";
    Application::runConsoleLine("set paused 1");
    GraphicsSystem::get().clearTextEvents();
    // The beam's line on the screen, from the hand to its far end, once the
    // caster's mirror stands where the server's caster stands. Its world
    // points are kept: the view may have moved by the later shot, which is
    // read at the same points of the world. (Nothing settles while paused:
    // the gate's pane and the braziers shimmer on.)
    ASSERT_TRUE(screen.frameUntil([&] { return caughtUp(*caster, number); }));
    ASSERT_TRUE(casting());
    const BeamInstance* beam = beamOn();
    ASSERT_NE(beam, nullptr);
    const ZonePosition3 start = beam->start, end = beam->end;
    struct Line {
        Vec2 from, to;
    };
    auto lineOnScreen = [&] {
        auto at = [](const ZonePosition3& p) {
            return Client::get().screenPositionOf(ZonePosition(p.zone, p.x, p.y), p.z);
        };
        return Line{at(start), at(end)};
    };
    const Line shown = lineOnScreen();
    ASSERT_GT(std::hypot(shown.to.x - shown.from.x, shown.to.y - shown.from.y), 25.0f)
        << "the beam runs along the screen";
    const Picture with = screen.shot();

    // The cast ends, and with it the glow and the beam, while the caster
    // stands on.
    Application::runConsoleLine("set paused 0");
    ASSERT_TRUE(screen.frameUntil([&] { return !casting(); })) << "the cast never ended";
    ASSERT_NE(mirror(), nullptr);
    EXPECT_TRUE(beamOn() == nullptr || !beamOn()->active) << "the beam outlasts the cast";
    EXPECT_TRUE(glowOn() == nullptr || !glowOn()->active) << "the glow outlasts the cast";

    // Without the caster, its effects faded, the same part of the world.
    game.deleteEntity(caster, true);
    ASSERT_TRUE(screen.frameUntil([&] {
        return mirror() == nullptr && std::none_of(effects.getBeams().begin(), effects.getBeams().end(),
                                                   [](const BeamInstance* b) { return b->alpha > 0.0f; });
    }));
    Application::runConsoleLine("set paused 1");
    GraphicsSystem::get().clearTextEvents();
    const Line later = lineOnScreen();
    const Picture without = screen.shot();
    // Along the far two thirds of the line (clear of the caster's body),
    // some pixel within the beam's jag of each point is lit blue-white.
    auto pixelOf = [](const Picture& p, const Vec2& from, const Vec2& to, float t, int dx,
                      int dy) -> const uint8_t* {
        const int x = static_cast<int>((from.x + (to.x - from.x) * t) * p.width / 640.0f) + dx;
        const int y = static_cast<int>((from.y + (to.y - from.y) * t) * p.height / 480.0f) + dy;
        return x >= 0 && y >= 0 && x < p.width && y < p.height ? p.at(x, y) : nullptr;
    };
    int lit = 0, points = 0;
    for (float t = 0.35f; t <= 0.95f; t += 0.05f, ++points) {
        bool found = false;
        for (int dy = -8; dy <= 8 && !found; ++dy) {
            for (int dx = -8; dx <= 8 && !found; ++dx) {
                const uint8_t* w = pixelOf(with, shown.from, shown.to, t, dx, dy);
                const uint8_t* o = pixelOf(without, later.from, later.to, t, dx, dy);
                found = w && o && w[2] >= w[0] && (w[0] + w[1] + w[2]) - (o[0] + o[1] + o[2]) > 90;
            }
        }
        lit += found ? 1 : 0;
    }
    EXPECT_GE(lit * 4, points * 3) << lit << " of " << points << " points of the beam's line lit";
    Application::runConsoleLine("set paused 0");
}

} // namespace
