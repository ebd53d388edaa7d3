#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/Direction.h"
#include "engine/data/Database.h"
#include "engine/object/ClassRegistry.h"
#include "engine/object/EventSystem.h"
#include "engine/resources/Skin.h"
#include "game/definitions/GameEnums.h"
#include "graphics/effects/EffectResourceTypes.h"
#include "graphics/effects/EffectSystem.h"
#include "graphics/render/ModelRenderSurface.h"
#include "graphics/shaders/Shader.h"
#include "graphics/text/FontResource.h"
#include "sound/SoundChannel.h"
#include "sound/SoundFileWriter.h"
#include "sound/SoundResourceTypes.h"
#include "sound/SoundSystem.h"
#include "support/DrawnEntityMirror.h"
#include "support/RecordingSoundDriver.h"
#include "support/RenderScene.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

constexpr const char* kItems = R"(
Base {
    BaseOnly 1
    ShowOnBody 1
    TagName "tag_helmet"
}
Helm {
    Base Base
    UseModelName "Models/Test/tip.mdl"
    Unique 1
    ItemSet "Gear"
    Scale 0.5
}
SetRing {
    Base Base
    UseModelName "Models/Test/tip.mdl"
    ItemSet "Gear"
}
Plain {
    Base Base
}
Picture {
    Base Base
    UseModelName "Textures/tip.tga"
}
Dropped {
    UseModelName "Models/Test/tip.mdl"
}
Chest {
    Base Base
    SkinTextureName "Models/BoxMan/body"
    SkinTextureNameWalker "Models/BoxMan/head"
}
Axe {
    Base Base
    UseModelName "Models/Test/tip.mdl"
    TagName "tag_weapon"
}
Sword {
    Base Base
    UseModelName "Models/Items/shortSword.mdl"
    TagName "tag_weapon"
}
)";

constexpr const char* kEffects = R"(
Burning {
    VictimShader "Textures/fx/burning.tga"
}
Frozen {
    VictimShader "Textures/fx/frozen.tga"
    VictimShaderOnChild 1
}
)";

constexpr const char* kMonsters = R"(
Walker {
    Name "Walker"
    BodySurfaces -1 -1 -1 -1 0
}
)";

class EntityClientDrawTest : public ::testing::Test {
protected:
    EntityClientDrawTest()
    {
        database.addSubDatabase("Items", "items.dbl", kItems);
        database.addSubDatabase("Monsters", "monsters.dbl", kMonsters);
        database.addSubDatabase("StatusEffects", "effects.dbl", kEffects);
        database.resolveBases();
        classes.registerClass("Listener", "", nullptr, nullptr);
        GameClient::registerCommands();
        tip = scene.writeTwoBoneModel("tip");
        scene.model(tip);
    }
    ~EntityClientDrawTest() override { GameClient::destroy(); }

    int item(const char* name) { return database.findEntry(name)->getId(); }
    // A mirror in the client's table, standing at (x, y) facing along x.
    DrawnEntityMirror& add(int number, const std::string& model, float x = 100.0f, float y = 50.0f)
    {
        auto mirror = std::make_unique<DrawnEntityMirror>();
        DrawnEntityMirror& m = *mirror;
        m.setEntityNumber(number);
        m.setClassRecord(classes.findClass("EntityClient"));
        m.setModel(model);
        m.setPosition(ZonePosition(-1, x, y));
        m.setRotationMatrix({1, 0, 0, 0, 1, 0, 0, 0, 1});
        m.setAnimationState(0, 0.0f);
        GameClient::instance()->setEntity(number, std::move(mirror));
        return m;
    }
    static Vec3 at(const ZonePosition3& p) { return {p.x, p.y, p.z}; }
    // The queued surfaces of one entity drawn alone that show the test model.
    std::vector<const ModelRenderSurface*> tips(DrawnEntityMirror& e)
    {
        scene.queue.beginFrame();
        e.drawAtOwnPlace();
        std::vector<const ModelRenderSurface*> found;
        for (RenderSurface* s : scene.queue.getQueued()) {
            auto* m = dynamic_cast<const ModelRenderSurface*>(s);
            if (m && m->model == scene.model(tip)) {
                found.push_back(m);
            }
        }
        return found;
    }

    RenderScene scene;
    Database database;
    EventSystem events;
    ClassRegistry classes;
    int tip = -1;
};

TEST_F(EntityClientDrawTest, TheItemDecidesTheWornModelItsTagAndGlow)
{
    DrawnEntityMirror& m = add(1, "Models/BoxMan/boxman.mdl");
    ASSERT_TRUE(m.setAttachmentEntry(0, item("Helm")));
    const AttachmentSlot* helm = m.getAttachmentSlot(0);
    ASSERT_TRUE(helm->model.isValid());
    EXPECT_EQ(helm->tagName, "tag_helmet");
    EXPECT_FLOAT_EQ(helm->scale, 0.5f);
    EXPECT_EQ(helm->glow, 6); // unique wins over the set
    // The same entry again changes nothing and loads nothing.
    int references = scene.resources.getRefCount(helm->model.getIndex());
    EXPECT_FALSE(m.setAttachmentEntry(0, item("Helm")));
    EXPECT_EQ(scene.resources.getRefCount(helm->model.getIndex()), references);

    ASSERT_TRUE(m.setAttachmentEntry(2, item("SetRing")));
    EXPECT_EQ(m.getAttachmentSlot(2)->glow, 5);
    for (const char* bare : {"Plain", "Picture"}) {
        m.setAttachmentEntry(2, item(bare));
        EXPECT_FALSE(m.getAttachmentSlot(2)->model.isValid()) << bare;
    }
    // Not shown on the body, but on the ground.
    m.setAttachmentEntry(2, item("Dropped"));
    EXPECT_FALSE(m.getAttachmentSlot(2)->model.isValid());
    m.setAttachmentEntry(EntityClient::kGroundSlot, item("Dropped"));
    EXPECT_TRUE(m.getAttachmentSlot(EntityClient::kGroundSlot)->model.isValid());

    // The slot copy takes its own reference.
    AttachmentSlot copy;
    references = scene.resources.getRefCount(helm->model.getIndex());
    copyAttachmentSlot(copy, *helm);
    EXPECT_EQ(copy.glow, 6);
    EXPECT_EQ(scene.resources.getRefCount(helm->model.getIndex()), references + 1);

    // An entry number past the items names nothing: the slot is emptied.
    EXPECT_TRUE(m.setAttachmentEntry(0, item("Helm") + 1000));
    EXPECT_FALSE(helm->model.isValid());
    EXPECT_EQ(helm->glow, 0);
}

TEST_F(EntityClientDrawTest, WornItemsRetextureTheBodySurfaceOfTheirSlot)
{
    DrawnEntityMirror& m = add(1, "Models/BoxMan/boxman.mdl");
    m.setEntry(database.findEntry("Walker"));
    m.setNpc(true, false);
    const Skin* own = m.getModel()->getSkin();
    m.setAttachmentEntry(4, item("Chest"));
    ASSERT_NE(m.getSkinCopy(), nullptr);
    EXPECT_EQ(m.getSkinCopy()->findSurface(0)->shaderName, "Models/BoxMan/head");
    EXPECT_EQ(m.getSkinCopy()->findSurface(1)->shaderName, own->findSurface(1)->shaderName);
    // Off again: back to the body's own texture, the model's skin untouched.
    m.setAttachmentEntry(4, item("Plain"));
    EXPECT_EQ(m.getSkinCopy()->findSurface(0)->shaderName, own->findSurface(0)->shaderName);
    EXPECT_EQ(own->findSurface(0)->shaderName, "Models/BoxMan/body");
    // A plain NPC is retextured only by its chest slot.
    m.setAttachmentEntry(5, item("Chest"));
    EXPECT_EQ(m.getSkinCopy()->findSurface(0)->shaderName, own->findSurface(0)->shaderName);
}

// Tags use the whole frame the skinning draws: between two frames the tag
// of a bone and a vertex on that bone are one point.
TEST_F(EntityClientDrawTest, TagsAndSkinnedVerticesAgreeBetweenFrames)
{
    DrawnEntityMirror& m = add(1, "Models/Test/tip.mdl");
    for (float time : {0.5f, 1.5f}) {
        m.setAnimationState(0, time);
        ZonePosition3 tag;
        Matrix3 turn;
        ASSERT_TRUE(m.getTagTransform(1, tag, turn));
        scene.queue.beginFrame();
        scene.backend.batches.clear();
        m.drawAtOwnPlace();
        scene.draw();
        ASSERT_FALSE(scene.backend.batches.empty());
        const auto& p = scene.backend.batches[0].positions;
        // Vertex 3 sits on the bone; the mirror stands at (100, 50) unturned.
        EXPECT_TRUE(at(tag).nearlyEquals(Vec3(p[9] + 100, p[10] + 50, p[11]), 1e-4f)) << time;
    }
}

// Over the eight walk frames a worn weapon hangs at its tag of the whole
// frame the body is skinned at, half a frame on or not.
TEST_F(EntityClientDrawTest, AWornWeaponFollowsTheWalkFrameByFrame)
{
    DrawnEntityMirror& m = add(1, "Models/BoxMan/boxman.mdl");
    ASSERT_TRUE(m.setAttachmentEntry(2, item("Axe")));
    scene.graphics.getVar("r_shadows").setString("0");
    const int walk = m.findAnimation("walk");
    const int tag = m.findAttachPoint("tag_weapon");
    ASSERT_GE(walk, 0);
    ASSERT_GE(tag, 0);
    int swung = 0;
    Vec3 before;
    for (int frame = 0; frame < 8; ++frame) {
        ZonePosition3 whole;
        Matrix3 turn;
        m.setAnimationState(walk, static_cast<float>(frame));
        ASSERT_TRUE(m.getTagTransform(tag, whole, turn));
        m.setAnimationState(walk, static_cast<float>(frame) + 0.5f);
        const std::vector<const ModelRenderSurface*> axe = tips(m);
        ASSERT_EQ(axe.size(), 1u) << frame;
        EXPECT_TRUE(at(axe[0]->position).nearlyEquals(at(whole), 1e-4f)) << frame;
        auto* body = static_cast<const ModelRenderSurface*>(scene.queue.getQueued()[0]);
        ASSERT_EQ(body->model, m.getModel());
        EXPECT_EQ(body->animation, walk);
        EXPECT_EQ(ModelRenderSurface::frameOf(body->time, 8), frame);
        swung += frame > 0 && !at(whole).nearlyEquals(before, 1e-3f) ? 1 : 0;
        before = at(whole);
    }
    EXPECT_GT(swung, 0) << "the walk moves the weapon's tag";
}

// The local player's own helmet is hidden by "ui_drawPlayerHelmet" 0;
// everyone else keeps theirs.
TEST_F(EntityClientDrawTest, OnlyTheLocalPlayerTakesItsHelmetOff)
{
    Client client;
    ASSERT_TRUE(client.startGame(false));
    client.getLocalPlayer()->setEntityNumber(1);
    DrawnEntityMirror& own = add(1, "Models/BoxMan/boxman.mdl");
    DrawnEntityMirror& other = add(2, "Models/BoxMan/boxman.mdl", 300.0f);
    own.setAttachmentEntry(0, item("Helm"));
    other.setAttachmentEntry(0, item("Helm"));
    scene.graphics.getVar("r_shadows").setString("0");
    EXPECT_FALSE(tips(own).empty());
    scene.vars.setVar("ui_drawPlayerHelmet", "0");
    EXPECT_TRUE(tips(own).empty());
    EXPECT_FALSE(tips(other).empty());
}

// The own character, what it wears and what hangs on it are drawn again
// with the outline of its map colour, green; nobody else is outlined.
TEST_F(EntityClientDrawTest, OnlyTheOwnCharacterIsOutlinedInItsMapColour)
{
    Client client;
    ASSERT_TRUE(client.startGame(false));
    client.getLocalPlayer()->setEntityNumber(1);
    scene.graphics.acquireStandardTextures();
    const int green = scene.graphics.getOutlineTexture(EntityClient::kMapGreen);
    ASSERT_GE(green, 0);
    EXPECT_NE(scene.resources.getFileName(green).find("OutlineGreen"), std::string::npos);
    std::set<const Resource*> outlines;
    for (int kind = 0; kind <= 8; ++kind) {
        outlines.insert(scene.resources.get(scene.graphics.getOutlineTexture(kind)));
    }

    DrawnEntityMirror& own = add(1, "Models/BoxMan/boxman.mdl");
    DrawnEntityMirror& held = add(2, "Models/Test/tip.mdl");
    held.setParent(1, own.findAttachPoint("tag_shield"));
    DrawnEntityMirror& other = add(3, "Models/BoxMan/boxman.mdl", 300.0f);
    for (DrawnEntityMirror* e : {&own, &other}) {
        e->setAttachmentEntry(0, item("Helm"));
    }
    ASSERT_EQ(own.getMapColorCode(), EntityClient::kMapGreen);
    scene.graphics.getVar("r_shadows").setString("0");
    // Per entity: surfaces drawn with the green outline, and with any outline.
    auto outlined = [&](DrawnEntityMirror& e) {
        scene.queue.beginFrame();
        e.drawAtOwnPlace();
        std::pair<int, int> counts{0, 0};
        for (RenderSurface* s : scene.queue.getQueued()) {
            counts.first += s->shader == scene.resources.get(green);
            counts.second += outlines.count(s->shader) != 0;
        }
        return counts;
    };
    // The body's two meshes and the helmet.
    EXPECT_EQ(outlined(own), std::make_pair(3, 3));
    EXPECT_EQ(outlined(held), std::make_pair(1, 1));
    EXPECT_EQ(outlined(other), std::make_pair(0, 0));
}

// Floating numbers take their colour from whose they are and what they say;
// experience is shown only with "ui_showXpNumbers".
TEST_F(EntityClientDrawTest, FloatingNumbersTakeTheirColoursAndXpItsSetting)
{
    FrameGameValues values;
    for (const char* name : {"small", "normal", "large", "title"}) {
        values.fontNames.push_back(std::string("fonts/") + name + ".fnt");
    }
    scene.graphics.setGameValues(values);
    for (int i = 0; i < 4; ++i) {
        auto* font = scene.resources.getAs<FontResource>(scene.graphics.getFontHandle(i));
        ASSERT_NE(font, nullptr);
        font->texture = scene.resources.load("Textures/Fonts/" + font->name + ".sdr", FontResource::kSubType);
    }
    Client client;
    ASSERT_TRUE(client.startGame(false));
    client.getLocalPlayer()->setEntityNumber(1);
    scene.vars.setVar("ui_inGameHealthBars", "0");
    DrawnEntityMirror& own = add(1, "Models/Test/tip.mdl");
    DrawnEntityMirror& other = add(2, "Models/Test/tip.mdl");
    auto colours = [&] {
        std::vector<uint8_t> out;
        for (const auto& batch : scene.backend.batches) {
            for (const auto& stage : batch.stages) {
                out.insert(out.end(), stage.colours.begin(), stage.colours.end());
            }
        }
        scene.backend.batches.clear();
        return out;
    };
    auto drawn = [&](DrawnEntityMirror& e, const char* text) {
        e.clearFloatingTexts();
        e.addFloatingText(text);
        scene.backend.batches.clear();
        e.drawOverheadText();
        return colours();
    };
    auto inColour = [&](ColorType type, const char* text) {
        const Color c = ColorSystem::getColor(type);
        const float rgb[3] = {c.r, c.g, c.b};
        scene.backend.batches.clear();
        scene.graphics.drawText(scene.graphics.getFontHandle(1), text, 0, 0, rgb, true, 1.0f);
        return colours();
    };
    struct Case {
        DrawnEntityMirror* entity;
        const char* text;
        ColorType colour;
    };
    for (const Case& c : {Case{&other, "+12", ColorType::Yellow}, Case{&other, "12", ColorType::White},
                          Case{&own, "12", ColorType::Red}, Case{&own, "+12", ColorType::Green}}) {
        const std::vector<uint8_t> expected = inColour(c.colour, c.text);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(drawn(*c.entity, c.text), expected) << c.text << " over " << c.entity->getEntityNumber();
    }
    EXPECT_FALSE(drawn(other, "35xp").empty());
    scene.vars.setVar("ui_showXpNumbers", "0");
    EXPECT_TRUE(drawn(other, "35xp").empty());
    EXPECT_FALSE(drawn(other, "35").empty());
}

TEST_F(EntityClientDrawTest, AttachParentsThatCycleCountAsNone)
{
    DrawnEntityMirror& five = add(5, "Models/Test/tip.mdl", 10, 20);
    DrawnEntityMirror& six = add(6, "Models/Test/tip.mdl", 30, 40);
    five.setParent(6, 1);
    six.setParent(5, 1);
    ZonePosition3 p;
    Matrix3 turn;
    five.getWorldTransform(p, turn);
    EXPECT_EQ(at(p), Vec3(10, 20, 0));
    // A real parent places the child on its tag.
    six.setParent(-1, -1);
    five.getWorldTransform(p, turn);
    ZonePosition3 tag;
    ASSERT_TRUE(six.getTagTransform(1, tag, turn));
    EXPECT_EQ(at(p), at(tag));
}

TEST_F(EntityClientDrawTest, DrawQueuesBodyShadowAndWornModelsAtTheirTags)
{
    DrawnEntityMirror& m = add(1, "Models/BoxMan/boxman.mdl");
    m.setAttachmentEntry(0, item("Helm"));
    scene.graphics.getVar("r_shadows").setString("2");
    const int shadow = scene.shader("Models/BoxMan/body");
    scene.queue.setShadowShader(shadow);
    scene.queue.beginFrame();
    m.drawAtOwnPlace();
    auto& queued = scene.queue.getQueued();
    // Body (two meshes) and its shadow, then the helmet and its shadow.
    ASSERT_EQ(queued.size(), 6u);
    auto* worn = static_cast<ModelRenderSurface*>(queued[4]);
    EXPECT_EQ(worn->model, scene.model(tip));
    ZonePosition3 tag;
    Matrix3 turn;
    ASSERT_TRUE(m.getTagTransform(m.findAttachPoint("tag_helmet"), tag, turn));
    EXPECT_TRUE(at(worn->position).nearlyEquals(at(tag), 1e-4f));
    EXPECT_FLOAT_EQ(worn->scale, 0.5f);
    EXPECT_EQ(static_cast<Resource*>(queued[5]->shader), scene.resources.get(shadow));

    // Flag bit 10 hides the shadows; bit 0 the whole entity.
    m.setFlags(1u << 10);
    scene.queue.beginFrame();
    m.drawAtOwnPlace();
    EXPECT_EQ(queued.size(), 3u);
    m.setFlags(1u);
    scene.queue.beginFrame();
    m.drawAtOwnPlace();
    EXPECT_TRUE(queued.empty());
}

TEST_F(EntityClientDrawTest, StatusEffectsOverlayTheBodyWhatItWearsAndWhatHangsOnIt)
{
    DrawnEntityMirror& m = add(1, "Models/BoxMan/boxman.mdl");
    DrawnEntityMirror& rider = add(2, "Models/Test/tip.mdl");
    rider.setParent(1, m.findAttachPoint("tag_shield"));
    m.setAttachmentEntry(0, item("Helm"));
    scene.graphics.getVar("r_shadows").setString("0");
    m.addStatusEffect(database.findEntry("Burning"));
    m.addStatusEffect(database.findEntry("Frozen"));
    auto drawn = [&](DrawnEntityMirror& e) {
        scene.queue.beginFrame();
        e.drawAtOwnPlace();
        std::map<const Resource*, int> perShader;
        for (RenderSurface* s : scene.queue.getQueued()) {
            ++perShader[s->shader];
        }
        return perShader;
    };
    auto& resources = scene.resources;
    const Resource* burning = resources.get(resources.findEntry("Textures/fx/burning.sdr", 5));
    const Resource* frozen = resources.get(resources.findEntry("Textures/fx/frozen.sdr", 5));
    ASSERT_NE(burning, nullptr);
    // Each overlay: the body's two meshes and the helmet.
    auto own = drawn(m);
    EXPECT_EQ(own[burning], 3);
    EXPECT_EQ(own[frozen], 3);
    // Only the overlay meant for them reaches what hangs on the entity.
    auto child = drawn(rider);
    EXPECT_EQ(child[burning], 0);
    EXPECT_EQ(child[frozen], 1);
}

TEST_F(EntityClientDrawTest, TheClientDrawsEveryMirrorThatIsToBeSeen)
{
    Client client;
    add(999, "Models/Test/tip.mdl", 20.0f);
    add(0, "Models/Test/tip.mdl", 10.0f);
    add(500, "Models/Test/tip.mdl", 30.0f).setFlags(1u); // not drawn
    scene.graphics.getVar("r_shadows").setString("0");
    scene.queue.beginFrame();
    client.drawEntities();
    std::vector<float> places;
    for (RenderSurface* s : scene.queue.getQueued()) {
        places.push_back(static_cast<ModelRenderSurface*>(s)->position.x);
    }
    // In number order (no local player yet to go first).
    EXPECT_EQ(places, (std::vector<float>{10.0f, 20.0f}));
}

TEST_F(EntityClientDrawTest, QuestSignsShowAboveLivingNpcsOnly)
{
    DrawnEntityMirror& m = add(1, "Models/Test/tip.mdl");
    m.setQuestSigns(false, false, true);
    scene.graphics.getVar("r_shadows").setString("0");
    auto particles = [&] {
        scene.queue.beginFrame();
        m.drawAtOwnPlace();
        size_t count = 0;
        for (RenderSurface* s : scene.queue.getQueued()) {
            count += dynamic_cast<ModelRenderSurface*>(s) ? 0 : 1;
        }
        return count;
    };
    EXPECT_EQ(particles(), 1u);
    // Arrived (flag bit 8): no sign; dead: none either.
    m.setFlags(1u << 8);
    EXPECT_EQ(particles(), 0u);
    m.setFlags(0);
    m.setMaxHealth(10);
    m.setHealth(0);
    EXPECT_EQ(particles(), 0u);
    // A rescued NPC shows it only at full fade (or with flag bit 9).
    m.setHealth(10);
    m.setQuestSigns(true, false, false);
    m.setFade(0.5f);
    EXPECT_EQ(particles(), 0u);
    m.setFlags(1u << 9);
    EXPECT_EQ(particles(), 1u);
}

TEST_F(EntityClientDrawTest, AnimationEventsPlayAndStopTheEntitysSounds)
{
    registerSoundResourceTypes(scene.resources);
    std::vector<int16_t> samples(2205, 1000);
    scene.dir.write("Sounds/ping.wav", "");
    writeFileBytes(scene.dir.path() / "Sounds/ping.wav", SoundFileWriter::makeWave(samples, 1, 22050, 16));
    SoundSystem sound;
    RecordingSoundDriver driver;
    ASSERT_TRUE(sound.init(&driver));
    scene.writeTwoBoneModel("noisy", "event frame 0 sound\nevent frame 1 loopSound \"ping.wav\"\n"
                                     "event exit stopLoopSound\n");
    DrawnEntityMirror& m = add(7, "Models/Test/noisy.mdl");
    auto owned = [&] {
        int count = 0;
        for (int i = 0; i < SoundSystem::kChannelCount; ++i) {
            const SoundChannel* c = sound.getChannel(i);
            count += c && c->inUse && c->owner == 7 && c->looping ? 1 : 0;
        }
        return count;
    };
    // A sound event without its file name plays nothing.
    m.onAnimationEvent(0, EntityBase::kEventFrame, 0);
    EXPECT_EQ(owned(), 0);
    m.onAnimationEvent(0, EntityBase::kEventFrame, 1);
    EXPECT_EQ(owned(), 1);
    m.onAnimationEvent(0, EntityBase::kEventLeave, -1);
    EXPECT_EQ(owned(), 0);
    sound.shutdown();
}

TEST_F(EntityClientDrawTest, AnAttackSwingsTheHandsAndTheWornWeaponsTrailsAndStrikesSparks)
{
    registerEffectResourceTypes(scene.resources);
    EffectSystem effects;
    DrawnEntityMirror& m = add(9, "Models/BoxMan/boxman.mdl");
    const int hand = toIndex(EquipedLocation::HandPrimary);
    ASSERT_TRUE(m.setAttachmentEntry(hand, item("Sword")));
    const int attack = m.findAnimation("attack");
    ASSERT_GE(attack, 0);

    m.onAnimationEvent(attack, EntityBase::kEventEnter, -1);
    ASSERT_EQ(effects.getSwipes().size(), 2u);
    const SwipeInstance* own = effects.getSwipes()[0];
    const SwipeInstance* worn = effects.getSwipes()[1];
    EXPECT_TRUE(own->active);
    EXPECT_EQ(own->location, SwipeInstance::kOwnModel);
    EXPECT_EQ(own->attachPointA, m.findAttachPoint("tag_weapon"));
    EXPECT_EQ(own->attachPointB, m.findAttachPoint("tag_weaponTip"));
    EXPECT_GE(own->attachPointB, 0);
    EXPECT_TRUE(worn->active);
    EXPECT_EQ(worn->location, hand);
    EXPECT_EQ(worn->attachPointA, m.findTagInAttachment(hand, "root"));
    EXPECT_EQ(worn->attachPointB, m.findTagInAttachment(hand, "tag_tip"));
    EXPECT_GE(worn->attachPointA, 0);
    EXPECT_GE(worn->attachPointB, 0);

    m.onAnimationEvent(attack, EntityBase::kEventFrame, 3);
    ASSERT_EQ(effects.getEffects().size(), 1u);
    const EffectInstance* sparks = effects.getEffects()[0];
    EXPECT_EQ(sparks->particles.size(), 8u);
    EXPECT_FALSE(sparks->active) << "a burst leaves the instance as it was";
    scene.graphics.getRenderQueue().beginFrame();
    effects.update(0.03f);
    effects.update(0.03f);
    effects.draw(scene.graphics.getRenderQueue());
    EXPECT_EQ(scene.graphics.getRenderQueue().getQueued().size(), 10u) << "eight sparks and the two trails";

    m.onAnimationEvent(attack, EntityBase::kEventLeave, -1);
    EXPECT_FALSE(own->active);
    EXPECT_FALSE(worn->active);
}

// The animations the server's state starts: one that replaces another ends
// it first, so what the old one started on entry (the cast's glow and beam)
// stops with it, and the new one's entry events follow.
TEST_F(EntityClientDrawTest, AnAnimationTheServerReplacesFiresItsExitBeforeTheNewEntry)
{
    registerEffectResourceTypes(scene.resources);
    EffectSystem effects;
    DrawnEntityMirror& m = add(9, "Models/BoxMan/boxman.mdl");
    const int idle = m.findAnimation("idle");
    const int cast = m.findAnimation("cast");
    ASSERT_GE(cast, 0);
    m.applyAnimation(idle, 0);
    m.update(0.05f);
    m.applyAnimation(cast, 0);
    m.update(0.05f);
    ASSERT_EQ(effects.getBeams().size(), 1u);
    ASSERT_EQ(effects.getEffects().size(), 1u);
    const BeamInstance* beam = effects.getBeams()[0];
    const EffectInstance* glow = effects.getEffects()[0];
    EXPECT_TRUE(beam->active);
    EXPECT_TRUE(glow->active);
    EXPECT_EQ(beam->attachPoint, m.findAttachPoint("tag_weapon"));
    EXPECT_GE(beam->attachPoint, 0);
    // Still casting: nothing stops.
    m.applyAnimation(cast, 0);
    m.update(0.05f);
    EXPECT_TRUE(beam->active);
    // The server moves on to the walk before the cast has run its frames.
    m.applyAnimation(m.findAnimation("walk"), 0);
    m.update(0.05f);
    EXPECT_FALSE(beam->active);
    EXPECT_FALSE(glow->active);
}

} // namespace
