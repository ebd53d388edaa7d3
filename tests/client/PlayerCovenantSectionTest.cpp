// The server's player-covenant section read by the client's scanner and by
// its covenant mirror's parser, field by field and to the last byte.
#include "client/StateSectionScanner.h"
#include "client/mirrors/RecruitClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/core/ByteBuffer.h"
#include "game/covenants/CovenantLoaders.h"
#include "game/covenants/PlayerCovenant.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/entities/Recruit.h"
#include "game/skills/SkillLoaders.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

namespace {

struct Loaders {
    Loaders()
    {
        registerSkillLoaders();
        registerCovenantLoaders();
    }
};

// The bytes as hex, 32 to a line.
std::string hexLines(const ByteBuffer& bytes)
{
    std::string out;
    static const char* digits = "0123456789abcdef";
    for (size_t i = 0; i < bytes.size(); ++i) {
        out += digits[bytes.data()[i] >> 4];
        out += digits[bytes.data()[i] & 15];
        out += (i % 32 == 31 || i + 1 == bytes.size()) ? '\n' : ' ';
    }
    return out;
}

} // namespace

TEST(PlayerCovenantSection, EveryCaseReadsToItsEndOnTheClient)
{
    Loaders loaders;
    TestWorld world;
    world.game->resizeForWorld(1);
    auto made = std::make_unique<PlayerCovenant>();
    PlayerCovenant& covenant = *made;
    ASSERT_GE(world.game->addCovenant(std::move(made)), 0);
    ByteBuffer join;
    join.writeInt(0u);
    join.writeString("");
    std::string field;
    ASSERT_TRUE(covenant.initNew(join, field)) << field;
    covenant.funStats.set(0, 1);
    covenant.funStats.set(3, 4);
    world.game->setClock(GameTime(1, 2, 3, 4.0f));
    Actor* candidate = nullptr;

    struct Case {
        const char* name;
        std::function<void()> change;
        std::function<void(const PlayerCovenantSection&)> check;
    };
    const Case cases[] = {
        {"no recruits, no raid, no preview", [] {},
         [&](const PlayerCovenantSection& s) {
             EXPECT_EQ(s.name, "Human") << "the definition's name for an empty one";
             EXPECT_EQ(s.covenantIndex, covenant.index);
             EXPECT_TRUE(s.recruits.empty());
             EXPECT_EQ(s.funStats, (std::array<int32_t, 4>{1, 0, 0, 4}));
             EXPECT_FALSE(s.raiding);
             EXPECT_EQ(s.raidTarget, -1);
             EXPECT_FALSE(s.hasCandidate);
             EXPECT_FALSE(s.houseAttacked);
         }},
        {"alarm stamp equal to the clock", [&] { covenant.alarmUntil = world.game->getClock(); },
         [](const PlayerCovenantSection& s) { EXPECT_FALSE(s.houseAttacked); }},
        {"alarm stamp a second later",
         [&] {
             GameTime later = world.game->getClock();
             later.addSeconds(1.0f);
             covenant.alarmUntil = later;
         },
         [](const PlayerCovenantSection& s) { EXPECT_TRUE(s.houseAttacked); }},
        {"a recruit and a raid target",
         [&] {
             Actor* actor = new Actor();
             ASSERT_GE(world.game->addEntity(actor), 0);
             ASSERT_GE(covenant.addRecruit(actor), 0);
             covenant.raidTarget = 0;
         },
         [](const PlayerCovenantSection& s) {
             ASSERT_EQ(s.recruits.size(), 1u);
             EXPECT_TRUE(s.raiding);
             EXPECT_EQ(s.raidTarget, 0);
         }},
        {"a recruit candidate under the player's eye",
         [&] {
             auto* player = new Player();
             player->setPosition(ZonePosition(0, 300.0f, 300.0f));
             ASSERT_GE(world.game->addEntity(player), 0);
             player->setCovenantIndex(covenant.index);
             covenant.player = player;
             const MonsterType* type = nullptr;
             for (const auto& t : world.data->getMonsterTypes())
                 if (t->getEntryName() == "RecruitMage")
                     type = t.get();
             ASSERT_NE(type, nullptr);
             candidate = new Actor();
             candidate->initFromMonsterType(type, 3);
             candidate->setPosition(ZonePosition(0, 340.0f, 300.0f));
             ASSERT_GE(world.game->addEntity(candidate), 0);
             player->setAction(0, static_cast<uint32_t>(candidate->getEntityNumber()));
             covenant.updateRecruitPreview();
             ASSERT_NE(covenant.getRecruitPreview()->getActor(), nullptr);
         },
         [&](const PlayerCovenantSection& s) {
             ASSERT_TRUE(s.hasCandidate);
             RecruitClient mirror;
             ByteBuffer image(s.candidate);
             ASSERT_TRUE(mirror.readImage(image));
             EXPECT_TRUE(image.atEnd());
             EXPECT_EQ(mirror.entityNumber, candidate->getEntityNumber());
             EXPECT_EQ(mirror.typeEntry, static_cast<int32_t>(candidate->getEntry()->getId()));
         }},
        {"the candidate looked away from",
         [&] {
             covenant.player->setAction(0, 0xFFFFFFFFu);
             covenant.updateRecruitPreview();
         },
         [](const PlayerCovenantSection& s) {
             EXPECT_FALSE(s.hasCandidate);
             EXPECT_TRUE(s.candidate.empty());
         }},
        {"no life stone",
         [&] {
             world.game->deleteEntity(covenant.getLifestone(), true);
             world.game->update(0.0f);
         },
         [](const PlayerCovenantSection& s) {
             EXPECT_EQ(s.lifestoneHealth, 0);
             EXPECT_EQ(s.lifestoneMaxHealth, 0);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.change();
        ByteBuffer out;
        covenant.writeSnapshot(out);
        ByteBuffer scan(out.data(), out.size());
        ByteRange range;
        ASSERT_TRUE(StateSectionScanner::scanPlayerCovenantSection(scan, range, field)) << field;
        EXPECT_EQ(range.end, out.size());
        ByteBuffer parse(out.data(), out.size());
        PlayerCovenantSection section;
        ASSERT_TRUE(
            PlayerCovenantClient::parseSection(parse, world.data->rules().maxRecruits, section, field))
            << field;
        EXPECT_EQ(parse.remaining(), 0u);
        c.check(section);
        if (&c == &cases[0]) {
            // The no-recruit case's bytes are kept (GLOAM_UPDATE_GOLDEN=1 rewrites them).
            const std::string path = std::string(GLOAM_SOURCE_DIR) + "/testdata/covenants/player-section.hex";
            if (std::getenv("GLOAM_UPDATE_GOLDEN"))
                std::ofstream(path, std::ios::binary) << hexLines(out);
            std::ifstream file(path, std::ios::binary);
            std::stringstream kept;
            kept << file.rdbuf();
            ASSERT_FALSE(kept.str().empty()) << path << " is missing; run with GLOAM_UPDATE_GOLDEN=1";
            EXPECT_EQ(hexLines(out), kept.str());
        }
    }
}
