// The icon above an entity on the shipped data: another covenant's crest,
// nothing over the player's own covenant, and the quest signs in their order.
#include "client/mirrors/CovenantClient.h"
#include "client/mirrors/QuestClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/definitions/GameData.h"
#include "support/ClientMessageBytes.h"
#include "support/DrawnEntityMirror.h"
#include "support/JoinedClient.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kCompleted = "Textures/Icons/questCompleted.tga";
constexpr const char* kAvailable = "Textures/Icons/questAvailable.tga";

TEST(EntityClientIcon, CrestsAndQuestSignsFollowTheirOrder)
{
    TestWorld world{true, false};
    JoinedClient client;
    ASSERT_TRUE(client.startGame(false));
    client.join();
    ClientMessageBytes::StateValues state;
    state.game.covenants = 3;
    ByteBuffer bytes = ClientMessageBytes::state(state);
    client.dispatchMessage(bytes, NetAddress());
    client.getPlayerCovenant()->index = 2;
    GameClient::get().getCovenant(1, false)->setDefinitionByName("Ironbound");
    const std::string crest = GameClient::get().getCovenant(1)->getDefinition()->crestName;
    ASSERT_FALSE(crest.empty());

    // The player holds quest 42, finished, and quest 43, still running.
    PlayerClient& player = *client.getLocalPlayer();
    player.quests[0]->level = 1;
    player.quests[0]->id = 42;
    player.quests[1]->level = 1;
    player.quests[1]->id = 43;
    player.quests[1]->goal = 3;

    struct Case {
        const char* what;
        int covenant;
        std::vector<int32_t> offered;
        bool npc, rescue, delivery, escort;
        uint32_t flags;
        float fade;
        const char* icon;
    };
    const Case cases[] = {
        {"another covenant's member", 1, {}, true, false, false, false, 0, 1.0f, crest.c_str()},
        {"an own covenant's member", 2, {}, true, false, false, false, 0, 1.0f, ""},
        {"a member offering quests", 1, {44}, true, false, false, false, 0, 1.0f, crest.c_str()},
        {"a finished quest's giver", -1, {42, 44}, true, false, false, false, 0, 1.0f, kCompleted},
        {"an NPC with a new quest", -1, {43, 44}, true, false, false, false, 0, 1.0f, kAvailable},
        {"an NPC of held quests", -1, {43}, true, false, false, false, 0, 1.0f, ""},
        {"a monster with a quest", -1, {44}, false, false, false, false, 0, 1.0f, ""},
        {"a rescued NPC", -1, {}, true, true, false, false, 0, 1.0f, kCompleted},
        {"a rescue NPC fading in", -1, {}, true, true, false, false, 0, 0.5f, ""},
        {"a rescue NPC marked", -1, {}, true, true, false, false, 1u << 9, 0.5f, kCompleted},
        {"a kidnapped townsperson", -1, {}, true, false, false, false, 1u << 9, 1.0f, kCompleted},
        {"a delivery NPC", -1, {}, true, false, true, false, 0, 1.0f, kCompleted},
        {"an escort", -1, {}, true, false, false, true, 0, 1.0f, kCompleted},
        {"an escort that arrived", -1, {}, true, false, false, true, 1u << 8, 1.0f, ""},
        {"nobody in particular", -1, {}, true, false, false, false, 0, 1.0f, ""},
    };
    for (const Case& c : cases) {
        DrawnEntityMirror e;
        e.setEntityNumber(10);
        e.setCovenantIndex(c.covenant);
        e.setOfferedQuests(c.offered);
        e.setNpc(c.npc, false);
        e.setQuestSigns(c.rescue, c.delivery, c.escort);
        e.setFlags(c.flags);
        e.setFade(c.fade);
        EXPECT_EQ(e.getOverheadIconName(), c.icon) << c.what;
        // Dead, none of them shows anything.
        e.setMaxHealth(10);
        e.setHealth(0);
        EXPECT_EQ(e.getOverheadIconName(), "") << c.what << ", dead";
        e.setHealth(10);
        EXPECT_EQ(e.getOverheadIconName(), c.icon) << c.what << ", alive";
    }

    // A covenant with a small crest shows that one; its large crest is kept
    // for the covenant's pages.
    CovenantDefinition* definition =
        GameData::get().getCovenantDefinition(GameData::get().findCovenantDefinition("Ironbound"));
    ASSERT_NE(definition, nullptr);
    definition->smallCrestName = "Textures/Icons/smallCrest.tga";
    DrawnEntityMirror member;
    member.setEntityNumber(11);
    member.setCovenantIndex(1);
    EXPECT_EQ(member.getOverheadIconName(), "Textures/Icons/smallCrest.tga");
    definition->smallCrestName.clear();
    EXPECT_EQ(member.getOverheadIconName(), crest);
}

} // namespace
