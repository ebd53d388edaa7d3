// Playing from the client: what a click on each kind of mirror does, the
// menus of the actions, the command handlers, skill requests and answers,
// item comparison and titles.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/StateMessage.h"
#include "client/commands/PlayerCommands.h"
#include "client/mirrors/CovenantClient.h"
#include "client/mirrors/InventoryClient.h"
#include "client/mirrors/ItemClient.h"
#include "client/mirrors/QuestClient.h"
#include "client/mirrors/RecruitClient.h"
#include "client/mirrors/SkillClient.h"
#include "client/mirrors/SkillListClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/core/ColorCodes.h"
#include "engine/core/DebugSystem.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/Money.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/quests/QuestDefinition.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillLoaders.h"
#include "support/ClientMessageBytes.h"
#include "support/JoinedClient.h"
#include "support/RecordingClientUi.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <set>

namespace {

constexpr int kPlayer = 0;

class PlayerActionsTest : public ::testing::Test {
protected:
    PlayerActionsTest()
    {
        GameClient::registerCommands();
        ui.install(client.getUi());
        client.setTextEventSink([this](const ClientTextEvent& e) { texts.push_back(e); });
        EXPECT_TRUE(client.startGame(false));
        player = client.getLocalPlayer();
        covenant = client.getPlayerCovenant();
        covenant->index = 0;
        covenant->name = "Red Hand";
        player->setPlayerEntityNumber(kPlayer);
        own = &add(kPlayer, "ClassWarrior", 0, 100.0f, 100.0f);
        player->setCovenantIndex(0);
        player->setPosition(ZonePosition(0, 100.0f, 100.0f));
        player->setName("Aldric");
    }
    ~PlayerActionsTest() override { GameClient::destroy(); }

    EntityClient& add(int number, const char* entry, int covenantIndex, float x, float y,
                      EntityTypeSection section = {}, int health = 100)
    {
        EntityUpdateRecord r;
        r.number = static_cast<uint32_t>(number);
        const DatabaseEntry* found = world.database.findEntry(entry);
        EXPECT_NE(found, nullptr) << entry;
        r.entryId = found ? static_cast<uint32_t>(found->getId()) : kMessageEndMark;
        r.covenant = covenantIndex;
        r.position = ZonePosition(0, x, y);
        r.health = health;
        r.maxHealth = 100;
        r.solid = 1;
        r.typeSection = section;
        GameClient::get().readEntityUpdate(r);
        return *GameClient::get().getEntity(number);
    }
    static EntityTypeSection sentient(int interaction, std::vector<int32_t> quests = {})
    {
        EntityTypeSection s;
        s.kind = EntityTypeSection::Kind::Sentient;
        s.equipped.fill(-1);
        s.interaction = interaction;
        s.quests = std::move(quests);
        s.level = 5;
        return s;
    }
    static EntityTypeSection valued(EntityTypeSection::Kind kind, int value)
    {
        EntityTypeSection s;
        s.kind = kind;
        s.value = value;
        return s;
    }
    const std::vector<std::string>& queued() const { return client.getQueuedCommands(); }
    bool run(const std::string& line) { return CommandSystem::get().execute(line, nullptr, false, true); }

    // The skill definitions load with the game data.
    struct Loaders {
        Loaders() { registerSkillLoaders(); }
    } loaders;
    TestWorld world{true, false};
    Client client;
    RecordingClientUi ui{{"QuestGivers", "Vendors", "Alt", "Money", "Lifestone"}};
    std::vector<ClientTextEvent> texts;
    PlayerClient* player = nullptr;
    PlayerCovenantClient* covenant = nullptr;
    EntityClient* own = nullptr;
};

TEST_F(PlayerActionsTest, MouseActionsColoursAndMapsOfShippedEntries)
{
    // Covenant 1 is at war with the player's, covenant 2 at peace.
    GameClient::get().getCovenant(1, true)->setRelationState(0, 2);
    GameClient::get().getCovenant(2, true);
    player->partyMembers = {30, 31, 32};

    struct Case {
        const char* what;
        EntityClient* e;
        int acting, walking, guarded, colour;
        bool miniMap, worldMap;
    };
    EntityClient& goblin = add(10, "GoblinWarrior", -1, 300, 300, sentient(0));
    EntityClient& enemy = add(11, "GoblinWarrior", 1, 300, 340, sentient(0));
    EntityClient& peaceful = add(12, "GoblinWarrior", 2, 300, 380, sentient(0));
    EntityClient& dead = add(13, "GoblinWarrior", -1, 300, 420, sentient(0), 0);
    EntityClient& warmaster = add(14, "NpcWarmaster", -1, 200, 300, sentient(1, {4}));
    EntityClient& smith = add(15, "NpcVendorWeapon", -1, 200, 340, sentient(1, {5}));
    EntityClient& recruit = add(32, "RecruitWarrior", 0, 200, 380, sentient(0));
    EntityClient& fading = add(16, "ShortSword", -1, 400, 100, valued(EntityTypeSection::Kind::Item, 0));
    fading.setFade(0.99f);
    EntityClient& sword = add(17, "ShortSword", -1, 400, 140, valued(EntityTypeSection::Kind::Item, 0));
    EntityClient& money = add(18, "Money", -1, 400, 180, valued(EntityTypeSection::Kind::Money, 250));
    EntityClient& letter = add(19, "QuestSealedLetter", -1, 400, 220,
                               valued(EntityTypeSection::Kind::QuestItem, own->getEntryId()));
    EntityClient& closed = add(20, "ChestWooden", -1, 500, 100, valued(EntityTypeSection::Kind::Chest, 1));
    EntityClient& open = add(21, "ChestWooden", -1, 500, 140, valued(EntityTypeSection::Kind::Chest, 0));
    EntityTypeSection noTarget;
    noTarget.kind = EntityTypeSection::Kind::Gate;
    noTarget.gateTarget = ZonePosition(-1, 0, 0);
    EntityClient& townGate = add(22, "ObjectTownGate", -1, 500, 180, noTarget);
    EntityClient& levelGate = add(48, "ObjectGate", -1, 500, 260, noTarget);
    EntityClient& hidden = add(23, "GoblinWarrior", -1, 500, 220, sentient(0));
    hidden.setFlags(1u << 10);
    EntityClient& ownStone = add(26, "ObjectLifestone", 0, 600, 300);
    EntityClient& enemyStone = add(27, "ObjectLifestone", 1, 600, 340);
    EntityClient& door = add(28, "DoorWooden", -1, 600, 380);
    EntityClient& renegade = add(29, "NpcRenegadeWarrior", -1, 600, 420, sentient(0));
    EntityClient& wouldBe = add(33, "RecruitRogue", -1, 700, 300, sentient(1));
    EntityClient& idleWouldBe = add(34, "RecruitMage", -1, 700, 340, sentient(0));
    EntityClient& theirRecruit = add(35, "RecruitWarrior", 2, 700, 380, sentient(1));
    EntityClient& hostileRecruit = add(36, "RecruitWarrior", 1, 700, 420, sentient(1));
    EntityClient& ownPedestal = add(37, "ObjectPedestal", 0, 800, 300);
    EntityClient& theirPedestal = add(38, "ObjectPedestal", 2, 800, 340);
    EntityClient& captive = add(39, "NpcRescueWarrior", -1, 800, 380, sentient(0));
    EntityClient& deliveryWarrior = add(40, "NpcDeliveryWarrior", -1, 900, 300, sentient(0));
    EntityClient& deliveryRogue = add(41, "NpcDeliveryRogue", -1, 900, 340, sentient(0));
    EntityClient& deliveryPriest = add(42, "NpcDeliveryPriest", -1, 900, 380, sentient(0));
    EntityClient& deliveryMage = add(43, "NpcDeliveryMage", -1, 900, 420, sentient(0));
    EntityClient& escortWarrior = add(44, "NpcEscortWarrior", -1, 1000, 300, sentient(0));
    EntityClient& escortRogue = add(45, "NpcEscortRogue", -1, 1000, 340, sentient(0));
    EntityClient& escortPriest = add(46, "NpcEscortPriest", -1, 1000, 380, sentient(0));
    EntityClient& escortMage = add(47, "NpcEscortMage", -1, 1000, 420, sentient(0));
    EntityClient& takenWarmaster = add(49, "NpcWarmaster", -1, 1100, 300, sentient(1, {4}));
    takenWarmaster.setFlags(1u << 9);
    EntityClient& takenSmith = add(50, "NpcVendorWeapon", -1, 1100, 340, sentient(1, {5}));
    takenSmith.setFlags(1u << 9);

    const std::vector<Case> cases = {
        {"goblin", &goblin, 2, 2, 4, EntityClient::kMapRed, true, false},
        {"goblin at war", &enemy, 2, 2, 4, EntityClient::kMapRed, true, false},
        {"goblin at peace", &peaceful, 17, 4, 17, EntityClient::kMapOrange, true, false},
        {"dead goblin", &dead, 0, 0, 0, EntityClient::kMapNone, false, false},
        {"warmaster", &warmaster, 24, 4, 24, EntityClient::kMapBlue, true, false},
        {"weaponsmith", &smith, 22, 4, 22, EntityClient::kMapCyan, true, false},
        {"recruit in place 2", &recruit, 8, 4, 8, EntityClient::kMapGreen, true, true},
        {"item fading in", &fading, 0, 0, 0, EntityClient::kMapNone, false, false},
        {"item", &sword, 23, 4, 23, EntityClient::kMapNone, false, false},
        {"money", &money, 23, 4, 23, EntityClient::kMapNone, false, false},
        {"own quest item", &letter, 23, 4, 23, EntityClient::kMapWhite, true, true},
        {"closed chest", &closed, 19, 4, 19, EntityClient::kMapNone, false, false},
        {"open chest", &open, 0, 0, 0, EntityClient::kMapNone, false, false},
        {"town gate", &townGate, 19, 4, 19, EntityClient::kMapCyan, true, false},
        // A level gate shows on the mini-map like the town's.
        {"level gate", &levelGate, 19, 4, 19, EntityClient::kMapCyan, true, false},
        {"flag bit 10", &hidden, 0, 0, 0, EntityClient::kMapRed, false, false},
        {"own life stone", &ownStone, 19, 4, 19, EntityClient::kMapNone, false, false},
        {"enemy life stone", &enemyStone, 2, 4, 2, EntityClient::kMapRed, true, false},
        {"door", &door, 20, 4, 20, EntityClient::kMapCyan, true, false},
        {"renegade", &renegade, 2, 2, 2, EntityClient::kMapRed, true, false},
        {"would-be recruit", &wouldBe, 24, 4, 24, EntityClient::kMapBlue, true, false},
        {"would-be recruit not free to talk", &idleWouldBe, 4, 4, 4, EntityClient::kMapBlue, true, false},
        {"recruit of a house at peace", &theirRecruit, 6, 4, 6, EntityClient::kMapOrange, true, false},
        {"recruit of a house at war", &hostileRecruit, 2, 2, 2, EntityClient::kMapRed, true, false},
        {"own pedestal", &ownPedestal, 16, 4, 16, EntityClient::kMapNone, false, false},
        {"pedestal of a house at peace", &theirPedestal, 17, 4, 17, EntityClient::kMapOrange, true, false},
        // A captive is freed through its rescue window, not fought.
        {"captive", &captive, 26, 4, 26, EntityClient::kMapBlue, true, false},
        // So is a package's addressee and a traveller to be escorted.
        {"delivery warrior", &deliveryWarrior, 27, 4, 27, EntityClient::kMapBlue, true, false},
        {"delivery rogue", &deliveryRogue, 27, 4, 27, EntityClient::kMapBlue, true, false},
        {"delivery priest", &deliveryPriest, 27, 4, 27, EntityClient::kMapBlue, true, false},
        {"delivery mage", &deliveryMage, 27, 4, 27, EntityClient::kMapBlue, true, false},
        {"escort warrior", &escortWarrior, 28, 4, 28, EntityClient::kMapBlue, true, false},
        {"escort rogue", &escortRogue, 28, 4, 28, EntityClient::kMapBlue, true, false},
        {"escort priest", &escortPriest, 28, 4, 28, EntityClient::kMapBlue, true, false},
        {"escort mage", &escortMage, 28, 4, 28, EntityClient::kMapBlue, true, false},
        // A kidnapped townsperson is freed like a captive, a smith too.
        {"kidnapped warmaster", &takenWarmaster, 26, 4, 26, EntityClient::kMapBlue, true, false},
        {"kidnapped weaponsmith", &takenSmith, 26, 4, 26, EntityClient::kMapCyan, true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.e->getMouseAction(true, false), c.acting) << c.what;
        EXPECT_EQ(c.e->getMouseAction(false, false), c.walking) << c.what;
        EXPECT_EQ(c.e->getMapColorCode(), c.colour) << c.what;
        EXPECT_EQ(c.e->isShownOnMap(false), c.miniMap) << c.what;
        EXPECT_EQ(c.e->isShownOnMap(true), c.worldMap) << c.what;
    }
    // Hints, new quests and friends.
    // Alt labels every ground item (money and quest items too) and closed chest.
    struct Hint {
        const char* what;
        const EntityClient* e;
        bool chest, expected;
    };
    const std::vector<Hint> hints = {
        {"closed chest", &closed, true, true},
        {"item", &sword, true, true},
        {"item fading in", &fading, true, false},
        {"money", &money, true, true},
        {"quest item", &letter, true, true},
        {"town gate", &townGate, true, false},
        {"goblin", &goblin, false, true},
        {"dead goblin", &dead, false, false},
        {"money as a monster", &money, false, false},
    };
    for (const Hint& h : hints) {
        EXPECT_EQ(h.e->isHintTarget(h.chest), h.expected) << h.what;
    }
    EXPECT_TRUE(warmaster.hasNewQuestForPlayer());
    EXPECT_FALSE(recruit.hasNewQuestForPlayer());
    EXPECT_TRUE(recruit.isFriendly());
    EXPECT_TRUE(own->isFriendly());
    EXPECT_FALSE(enemy.isFriendly());

    // The guard state (the player stealthed) spares what only attacks, unless forced.
    player->setFlags(EntityBase::kFlagHidden);
    for (const Case& c : cases) {
        EXPECT_EQ(c.e->getMouseAction(true, false), c.guarded) << c.what;
    }
    EXPECT_EQ(goblin.getMouseAction(true, true), 2);
    EXPECT_TRUE(player->isEnemy(&goblin));
    EXPECT_FALSE(player->isEnemy(&warmaster));

    // Hover texts, short and long.
    std::string text;
    recruit.getTooltipText(text, false, true, true);
    EXPECT_NE(text.find("Drop food (F3) or healing potion (F8)"), std::string::npos) << text;
    recruit.getTooltipText(text, true, true, true);
    EXPECT_EQ(text.find("Drop food"), std::string::npos) << text;
    // A recruit of the covenant outside the party: no keys, each word once.
    add(51, "RecruitWarrior", 0, 1100, 380, sentient(0)).getTooltipText(text, false, true, true);
    EXPECT_NE(text.find("\nDrop food or healing potion\non recruit to heal"), std::string::npos) << text;
    money.getTooltipText(text, true, true, true);
    EXPECT_EQ(text, formatMoney(250));
    letter.getTooltipText(text, false, true, true);
    EXPECT_NE(text.find("Pickup to reduce experience penalty by half"), std::string::npos) << text;
    townGate.getTooltipText(text, true, true, true);
    EXPECT_EQ(text, "Town Gate");
    GameClient::get().getCovenant(1, false)->name = "Ashen Vow";
    ownStone.getTooltipText(text, false, true, true);
    EXPECT_EQ(text.find("Life Stone\nRed Hand\nSlowly heals characters when used"), 0u) << text;
    EXPECT_NE(text.find("Left click to use"), std::string::npos) << text;
    enemyStone.getTooltipText(text, false, true, true);
    EXPECT_EQ(text.find("Life Stone\nAshen Vow"), 0u) << text;
    EXPECT_NE(text.find("Left click to attack"), std::string::npos) << text;
    enemyStone.getTooltipText(text, true, true, true);
    EXPECT_EQ(text, "Life Stone");
    door.getTooltipText(text, true, true, true);
    EXPECT_EQ(text, "Door");
    door.getTooltipText(text, false, true, true);
    EXPECT_NE(text.find("Left click to use"), std::string::npos) << text;
    player->action = PlayerClient::kActionUse;
    player->target = &door;
    EXPECT_EQ(door.getMouseAction(true, false), 21) << "already in use";
    player->action = 0;
    goblin.getTooltipText(text, true, false, true);
    EXPECT_NE(text.find("Goblin"), std::string::npos);
    sword.getTooltipText(text, true, false, true); // not a monster without the any-entity flag
    EXPECT_EQ(text, "");
    // A quality outside the text list names no quality; quality 7 of an
    // entry without a base's base keeps the name it reaches.
    EntityClient& odd = add(24, "ShortSword", -1, 600, 100, valued(EntityTypeSection::Kind::Item, 99));
    odd.getTooltipText(text, true, true, true);
    EXPECT_EQ(text, "Short Sword" + formatColorCode(145));
    // A known quality colours the name in its rarity's colour (no word of its own).
    EntityClient& rare = add(26, "ShortSword", -1, 600, 180, valued(EntityTypeSection::Kind::Item, 3));
    rare.getTooltipText(text, true, true, true);
    EXPECT_EQ(text, formatColorCode(5) + "Short Sword" + formatColorCode(145));
    EntityClient& bare = add(25, "ItemBase", -1, 600, 140, valued(EntityTypeSection::Kind::Item, 7));
    bare.getTooltipText(text, true, true, true);
    EXPECT_EQ(text, world.data->rules().itemQualityText[7] + formatColorCode(145)) << "ItemBase has no name";
    own->getTooltipText(text, false, true, true);
    EXPECT_EQ(text, "Aldric (your character)");

    // The left-click line says what a left click in reach does: the renegade
    // and the recruit of a house at war are fought, a pedestal opens its
    // house's window, as does a guard of a house at peace.
    struct LeftClick {
        const char* what;
        const EntityClient* e;
        const char* line;
    };
    const LeftClick leftClicks[] = {
        {"goblin", &goblin, "\nLeft click to attack"},
        {"goblin at peace", &peaceful, "\nLeft click to see their house"},
        {"warmaster", &warmaster, "\nLeft click to talk"},
        {"weaponsmith", &smith, "\nLeft click to buy and sell"},
        {"renegade", &renegade, "\nLeft click to attack"},
        {"recruit of a house at war", &hostileRecruit, "\nLeft click to attack"},
        {"recruit of a house at peace", &theirRecruit, "\nLeft click to talk"},
        {"captive", &captive, "\nLeft click to talk"},
        {"own pedestal", &ownPedestal, "\nLeft click to manage guards"},
        {"pedestal of a house at peace", &theirPedestal, "\nLeft click to see their house"},
    };
    for (const LeftClick& c : leftClicks) {
        c.e->getTooltipText(text, false, true, true);
        const size_t at = text.find("\nLeft click");
        ASSERT_NE(at, std::string::npos) << c.what << ": " << text;
        EXPECT_EQ(text.substr(at, text.find('\n', at + 1) - at), c.line) << c.what;
        EXPECT_EQ(text.find("\nLeft click", at + 1), std::string::npos) << c.what << ": one line only";
    }

    // The local player mirror itself, the target that selecting oneself
    // gives, has no entry of its own and still names the player.
    ASSERT_EQ(player->getEntry(), nullptr);
    player->getTooltipText(text, true, true, false);
    EXPECT_EQ(text, "Aldric");
    ui.simpleTips = false;
    smith.getTooltipText(text, false, true, true);
    EXPECT_EQ(text.find("Left click"), std::string::npos) << text;
}

TEST_F(PlayerActionsTest, GateTextsNameTheNearestCovenantAndSelfAttachedMirrorsKeepTheirColour)
{
    covenant->housePosition = ZonePosition(0, 2000.0f, 2000.0f);
    CovenantClient* near = GameClient::get().getCovenant(1, true);
    near->name = "Ashen Vow";
    near->housePosition = ZonePosition(0, 900.0f, 900.0f);
    GameClient::get().getCovenant(2, true)->housePosition = ZonePosition(-1, 0.0f, 0.0f); // no home
    player->returnPosition = ZonePosition(0, 1000.0f, 1000.0f);
    player->secondPosition = ZonePosition(0, 50.0f, 50.0f);
    EntityTypeSection toReturn;
    toReturn.kind = EntityTypeSection::Kind::Gate;
    toReturn.gateTarget = player->returnPosition;
    EntityClient& gate = add(40, "ObjectPlayerGate", 0, 300, 300, toReturn);
    std::string text;
    gate.getTooltipText(text, true, true, true);
    EXPECT_EQ(text, "Gate to Ashen Vow");
    EXPECT_EQ(gate.getMouseAction(true, false), 14);         // the player's own covenant's gate
    near->housePosition = ZonePosition(0, 5000.0f, 5000.0f); // now the player's house is nearer
    gate.getTooltipText(text, true, true, true);
    EXPECT_EQ(text, "Gate to Red Hand");

    EntityClient& self = add(41, "GoblinWarrior", -1, 300, 300, sentient(0));
    self.setParent(41, 0);
    EXPECT_EQ(self.getAttachParent(), nullptr);
    EXPECT_EQ(self.getMapColorCode(), EntityClient::kMapRed);
    EntityClient& other = add(42, "GoblinWarrior", 0, 300, 300, sentient(0));
    other.setParent(43, 0);
    EntityClient& back = add(43, "GoblinWarrior", 0, 300, 300, sentient(0));
    back.setParent(42, 0); // two attached to each other: no parent, own colour
    EXPECT_EQ(other.getMapColorCode(), EntityClient::kMapGreen);
}

TEST_F(PlayerActionsTest, ClicksOpenAndCloseTheMenusOfTheirActions)
{
    EntityClient& warmaster = add(14, "NpcWarmaster", -1, 130, 100, sentient(1, {4}));
    EntityClient& smith = add(15, "NpcVendorWeapon", -1, 100, 130, sentient(1, {5}));
    player->selectEntity(&warmaster);
    player->selectEntity(&warmaster);
    EXPECT_EQ(player->action, 24);
    EXPECT_EQ(ui.menus, (std::vector<std::string>{"push QuestNpcMenu"}));
    EXPECT_EQ(ui.buttons, (std::vector<std::string>{"QuestGivers"}));
    ui.menus.clear();
    player->selectEntity(&smith);
    EXPECT_EQ(player->action, 22);
    EXPECT_EQ(ui.menus,
              (std::vector<std::string>{"hide GetQuest", "hide QuestNpcMenu", "hide NpcPotentialRecruitMenu",
                                        "push VendorMenuWithQuests"}));
    EXPECT_EQ(ui.buttons.back(), "Vendors");

    // One who would join (no talk of its own, recruit kind): its recruit window.
    EntityClient& wouldBe = add(18, "RecruitPriest", -1, 130, 130, sentient(1));
    ui.menus.clear();
    player->selectEntity(&wouldBe);
    EXPECT_EQ(player->action, 24);
    EXPECT_EQ(ui.menus,
              (std::vector<std::string>{"hide Buy-sell", "hide VendorMenu", "hide VendorMenuWithQuests",
                                        "hide BagControl", "hide GetQuest", "push NpcPotentialRecruitMenu"}));
    EXPECT_EQ(ui.buttons.back(), "Vendors") << "no quest givers' help for a recruit";
    player->selectEntity(&smith);

    // From afar the player walks; in reach the action becomes the target's own.
    EntityClient& far = add(16, "NpcWarmaster", -1, 300, 100, sentient(1, {4}));
    player->selectEntity(&far);
    EXPECT_EQ(player->action, PlayerClient::kActionApproach);
    player->setPosition(
        ZonePosition(0, far.getPosition().x - far.getRadius() - player->getRadius() - 47.0f, 100));
    player->update(0.0f);
    EXPECT_EQ(player->action, 24);

    // A right click targets without a menu; selectPlayer closes the menus.
    ui.menus.clear();
    player->setTarget(&smith, true);
    EXPECT_EQ(player->target.get(), &smith);
    EXPECT_EQ(player->action, 0);
    EXPECT_EQ(ui.menus, (std::vector<std::string>{"hide GetQuest", "hide QuestNpcMenu",
                                                  "hide NpcPotentialRecruitMenu"}));
    ASSERT_TRUE(run("selectPlayer"));
    EXPECT_EQ(player->target.get(), player);

    // A pick-up sends its line and leaves no action behind.
    EntityClient& sword = add(17, "ShortSword", -1, player->getPosition().x + 10.0f, 100,
                              valued(EntityTypeSection::Kind::Item, 0));
    player->selectEntity(&sword);
    EXPECT_EQ(player->action, 0);
    EXPECT_EQ(queued().back(), "pickupEntity 17");
}

TEST_F(PlayerActionsTest, TheMoveButtonHookLeavesWithTheButtonAndWithTheMirror)
{
    EXPECT_TRUE(player->onMouseButton(0, true, 320.0f, 240.0f));
    EXPECT_TRUE(player->isMoveButtonHeld());
    EXPECT_TRUE(player->hasDestination());
    // While held, the client's button hook is the mirror's: the release reaches it.
    client.onButtonPress(0, false, 320, 240);
    EXPECT_FALSE(player->isMoveButtonHeld());
    EXPECT_TRUE(player->onMouseButton(0, true, 320.0f, 240.0f));
    client.endGame();                         // the mirror goes while the button is held
    client.onButtonPress(0, false, 320, 240); // no hook calls a deleted mirror
    EXPECT_FALSE(client.hasLocalPlayer());
}

TEST_F(PlayerActionsTest, CommandTranscript)
{
    world.vars.setVar("SelectedQuest", "5");
    world.vars.setVar("QuestToSkip", "7");
    EntityClient& npc = add(17, "RecruitWarrior", -1, 120, 100, sentient(0));
    EntityClient& member = add(30, "RecruitWarrior", 0, 140, 100, sentient(0));
    covenant->recruits[2] = std::make_unique<RecruitClient>();
    covenant->recruits[2]->entityNumber = 30;
    // Party places: 31 has no mirror, the third place is empty.
    player->partyMembers = {31, 30, -1};
    GameClient::get().setCurrentCovenant(3);

    ASSERT_TRUE(run("ClientAcceptQuest"));
    ASSERT_TRUE(run("ClientSkipPlayerQuest"));
    player->setTarget(&npc, true);
    ASSERT_TRUE(run("npcRecruit 1"));
    ASSERT_TRUE(run("npcDirectInvite")); // no recruit: nothing
    player->setTarget(&member, true);
    ASSERT_TRUE(run("npcDirectInvite"));
    ASSERT_TRUE(run("npcDirectKick"));
    ASSERT_TRUE(run("clientForceFood 1"));
    ASSERT_TRUE(run("clientForcePotion 0")); // no mirror for 31: nothing
    ASSERT_TRUE(run("npcRemove 1"));
    ASSERT_TRUE(run("npcRemove 2"));  // an empty place: nothing
    ASSERT_TRUE(run("npcRemove 3"));  // past the party: nothing
    ASSERT_TRUE(run("npcRemove -1")); // before it: nothing
    ASSERT_TRUE(run("War"));
    ASSERT_TRUE(run("startRumorClient 2"));
    ASSERT_TRUE(run("warp 3 100 200.5"));
    ASSERT_TRUE(run("ClientIncrementAttribute Strength"));
    EXPECT_EQ(queued(),
              (std::vector<std::string>{"acceptQuest 5", "skipQuest -1", "recruit 17 1", "invite 2",
                                        "kickout 2", "forceFood 30", "removeNpc 30", "declareWar 3",
                                        "startRumor 3 2", "warpConfirm 3 100.0 200.5", "IncAtrb Strength"}));
    EXPECT_EQ(player->getPosition().zone, 3);
    EXPECT_FLOAT_EQ(player->getPosition().y, 200.5f);
    EXPECT_EQ(PlayerCommands::getSelectedRecruit(), covenant->recruits[2].get());
    // A party place selects its member; an empty place or one past the party
    // leaves the target as it is.
    player->setTarget(&npc, true);
    for (const char* line : {"selectPartyMember 2", "selectPartyMember 3", "selectPartyMember 0"}) {
        ASSERT_TRUE(run(line));
        EXPECT_EQ(player->target.get(), &npc) << line;
    }
    ASSERT_TRUE(run("selectPartyMember 1"));
    EXPECT_EQ(player->target.get(), &member);

    EXPECT_EQ(PlayerCommands::skillLevelFor(2, 10), 3);
    EXPECT_EQ(PlayerCommands::skillLevelFor(0, 0), 1);
    EXPECT_EQ(PlayerCommands::skillLevelFor(-5, 10), -1);
    std::vector<std::string> printed;
    int sink = DebugSystem::get().addSink([&](int, const std::string& t) { printed.push_back(t); });
    ASSERT_TRUE(run("calculateSkillLevel 2 10"));
    ASSERT_TRUE(run("calculateSkillLevel -5 10"));
    DebugSystem::get().removeSink(sink);
    ASSERT_EQ(printed.size(), 2u);
    EXPECT_EQ(printed[0], "Skill level = 3\n");
    EXPECT_NE(printed[1].find("Usage"), std::string::npos);

    ASSERT_TRUE(run("itemTimer 0 5"));
    ASSERT_TRUE(run("itemTimer 9 5"));
    EXPECT_EQ(player->getItemTimerRemaining(0), 0.0f);
    ASSERT_TRUE(run("itemTimer 1 10.0"));
    EXPECT_FLOAT_EQ(player->getItemTimerRemaining(1), 10.0f);
    // A running timer blocks the items of its kind only, and none once no time is left.
    ItemClient health, power;
    health.setItemEntry(world.database.findEntry("MinorHealthPotion"));
    power.setItemEntry(world.database.findEntry("MinorPowerPotion"));
    EXPECT_FALSE(health.isUsable());
    EXPECT_TRUE(power.isUsable());
    player->getItemTimer(1).remaining = 0.0f;
    EXPECT_TRUE(health.isUsable());
    ASSERT_TRUE(run("warpDir 5"));
    EXPECT_EQ(player->getDirection(), 5);
    ASSERT_TRUE(run("warpDir 9"));
    EXPECT_EQ(player->getDirection(), 5);

    ASSERT_TRUE(run("timer 30 3.0 7"));
    EXPECT_TRUE(ui.menus.empty());
    ASSERT_TRUE(run("timer 0 3.0 7"));
    EXPECT_EQ(ui.menus, (std::vector<std::string>{"remove PlayerDead"}));
}

TEST_F(PlayerActionsTest, AvailableQuestsSkipHeldAndMissingOnes)
{
    // The world lists quests 0 and 2; the player holds 0; 1 and 9 are missing.
    ByteBuffer joined;
    joined.writeInt(uint32_t(5));
    for (uint32_t value : {0u, 0u, 0u, 0u, 0xFFFFFFFFu}) {
        joined.writeInt(value);
    }
    client.dispatchMessage(joined, NetAddress());
    ClientMessageBytes::StateValues s;
    s.game.quests = {1, -1, 1};
    ByteBuffer bytes = ClientMessageBytes::state(s);
    client.dispatchMessage(bytes, NetAddress());
    ASSERT_EQ(GameClient::get().getQuestCount(), 3u);
    player->quests[0]->level = 1;
    player->quests[0]->id = 0;
    EntityClient& giver = add(14, "NpcWarmaster", -1, 130, 100, sentient(1, {0, 1, 2, 9}));
    player->setTarget(&giver, true);
    std::vector<ListEntry> list;
    PlayerCommands::getAvailableQuests(list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].value, "2");
    EXPECT_FALSE(list[0].name.empty());
}

TEST_F(PlayerActionsTest, ItemComparisonWalksRecruitSlotsAndHouseSlots)
{
    const auto item = [&](const char* name) {
        auto made = std::make_unique<ItemClient>();
        made->setItemEntry(world.database.findEntry(name));
        return made;
    };
    auto ring = item("CopperRing");
    ASSERT_EQ(ring->getDefaultEquipLocation(), EquipedLocation::Ring1);
    InventoryGroup* equipment = player->inventory->getOwnGroup(1);
    ASSERT_NE(equipment, nullptr);
    equipment->setItem(10, item("CopperRing").release());
    equipment->setItem(11, item("CopperRing").release());
    std::string text;
    player->getEquipTooltip(ring.get(), text, TooltipContext{});
    std::string header = formatColorCode(8) + "Currently equipped\n";
    ASSERT_EQ(text.rfind(header, 0), 0u) << text;
    size_t body = text.find(formatColorCode(145));
    ASSERT_NE(body, std::string::npos);
    EXPECT_NE(text.find("\n\n", body), std::string::npos) << text;

    // Hovered in a gambler's stock, what is worn is still described as the
    // player's own: with its magic, without the stock's price or hints.
    auto sword = item("ShortSword");
    sword->applyModifierName(world.database.findEntry("ModOfTheBear"));
    sword->addMagicProperty(world.database.findEntry("ModOfTheBear"), 1.0f);
    sword->setIdentified(true);
    std::string own;
    sword->getTooltip(player, TooltipContext{TooltipAtVendor}, own);
    ASSERT_NE(own.find("Strength"), std::string::npos) << own;
    equipment->setItem(static_cast<int>(EquipedLocation::HandPrimary), sword.release());
    auto stock = item("ShortSword");
    text.clear();
    player->getEquipTooltip(stock.get(), text,
                            TooltipContext{TooltipAtVendor | TooltipVendorStock | TooltipGambleHidden});
    EXPECT_NE(text.find(own), std::string::npos) << text;
    EXPECT_EQ(text.find("Price:"), std::string::npos) << text;

    // No recruits: the arrows keep the player.
    player->scrollItemComparison(1);
    EXPECT_EQ(player->tooltipRecruitIndex, -1);
    player->scrollItemComparison(-1);
    EXPECT_EQ(player->tooltipRecruitIndex, -1);
    covenant->recruits[0] = std::make_unique<RecruitClient>();
    covenant->recruits[2] = std::make_unique<RecruitClient>();
    covenant->recruits[2]->name = "Brin";
    std::vector<int> seen;
    for (int i = 0; i < 3; ++i) {
        player->scrollItemComparison(1);
        seen.push_back(player->tooltipRecruitIndex);
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 2, -1}));
    player->scrollItemComparison(-1);
    EXPECT_EQ(player->tooltipRecruitIndex, 2);

    text.clear();
    auto mantle = item("PaddedMantle");
    player->getEquipTooltip(mantle.get(), text, TooltipContext{});
    EXPECT_NE(text.find("Equipped by Brin\n"), std::string::npos);
    EXPECT_NE(text.find("  Recruit can't hold this type of item"), std::string::npos) << text;
    for (const char* name : {"ChainShirt", "ShortSword", "Buckler"}) {
        text.clear();
        auto worn = item(name);
        player->getEquipTooltip(worn.get(), text, TooltipContext{});
        EXPECT_NE(text.find("  None"), std::string::npos) << name;
    }

    player->tooltipMode = 19;
    player->tooltipGuardSlot = 3;
    player->scrollItemComparison(1);
    EXPECT_EQ(player->tooltipGuardSlot, 0);
    player->scrollItemComparison(-1);
    EXPECT_EQ(player->tooltipGuardSlot, 3);
}

TEST_F(PlayerActionsTest, RanksAndTitles)
{
    const std::vector<std::pair<int, const char*>> ranks = {
        {9, "Apprentice"}, {10, "Amateur"}, {24, "Amateur"}, {25, "Expert"},
        {49, "Expert"},    {50, "Master"},  {99, "Master"},  {100, "Grandmaster"}};
    for (const auto& [level, rank] : ranks) {
        player->stats.set(PlayerClient::kStatLevel, level);
        EXPECT_EQ(player->getSkillRankName(), rank) << level;
    }
    player->stats.set(PlayerClient::kStatLevel, 25);
    player->stats.set(PlayerClient::kStatClass, 0);
    EXPECT_EQ(player->getTitle(), "Aldric Level 25 Expert Warrior");
    auto coins = std::make_unique<ItemClient>();
    coins->setItemEntry(world.database.findEntry("Money"));
    player->offerItemHelp(coins.get());
    EXPECT_EQ(ui.buttons, (std::vector<std::string>{"Alt", "Money"}));
}

TEST_F(PlayerActionsTest, SkillsWaitForTheServersAnswer)
{
    const CharacterClass* warrior = world.data->findCharacterClassById(0);
    ASSERT_NE(warrior, nullptr);
    player->stats.set(PlayerClient::kStatClass, 0);
    player->skills->rebuild(player, warrior);
    ASSERT_FALSE(player->skills->getSkills().empty());
    SkillBase* skill = player->skills->getSkills().front();
    const SkillDefinition* definition = skill->getDefinition();
    ASSERT_NE(definition, nullptr);
    auto* own = dynamic_cast<SkillClient*>(skill);
    ASSERT_NE(own, nullptr);
    int id = static_cast<int>(definition->getEntry()->getId());

    own->waiting = true;
    ASSERT_TRUE(run("usedSkill " + std::to_string(id) + " 0"));
    EXPECT_FALSE(own->waiting);
    EXPECT_FALSE(skill->getUseTimer().running);
    own->waiting = true;
    ASSERT_TRUE(run("usedSkill " + std::to_string(id) + " 1"));
    EXPECT_FALSE(own->waiting);
    EXPECT_TRUE(skill->getUseTimer().running);
    EXPECT_FLOAT_EQ(skill->getUseTimer().remaining, definition->getReuseTime(skill->getLevel()));
    ASSERT_TRUE(run("usedSkill -1 1"));

    // The plain attack with a target attacks and sends nothing.
    EntityClient& goblin = add(10, "GoblinWarrior", -1, 130, 100, sentient(0));
    player->setTarget(&goblin, true);
    size_t before = queued().size();
    player->useSkill(0, 0);
    EXPECT_EQ(player->action, PlayerClient::kActionAttack);
    EXPECT_EQ(queued().size(), before);

    // A skill that stops attacking, still waiting, refuses the attack.
    player->setAction(0, true, true);
    const_cast<SkillDefinition*>(definition)->stopAttacking = true;
    own->waiting = true;
    EXPECT_FALSE(player->setAction(PlayerClient::kActionAttack, true, true));
    own->waiting = false;
    EXPECT_TRUE(player->setAction(PlayerClient::kActionAttack, true, true));
    const_cast<SkillDefinition*>(definition)->stopAttacking = false;
}

TEST_F(PlayerActionsTest, MessageOneCarriesTheCurrentActionAndForcedCovenant)
{
    EntityClient& goblin = add(10, "GoblinWarrior", -1, 130, 100, sentient(0));
    player->setTarget(&goblin, true);
    EXPECT_EQ(player->getTargetEntityNumber(true), 10);
    player->autoAttackEntity = 10;
    EXPECT_EQ(player->getCurrentAction(), PlayerClient::kActionAutoAttack);
    world.vars.setVar("ui_autoAttack", "0");
    EXPECT_EQ(player->getCurrentAction(), 0);
}

// A trading window holds the player while it is up; closed, it leaves no
// hold behind, whatever the player had targeted.
TEST_F(PlayerActionsTest, TheTradingHoldEndsWithItsWindow)
{
    EntityClient& goblin = add(10, "GoblinWarrior", -1, 130, 100, sentient(0));
    struct Row {
        const char* what;
        EntityClient* target;
        bool held;
        int expected;
    };
    const Row rows[] = {
        {"held, with a target", &goblin, true, PlayerClient::kActionForced},
        {"let go, with a target", &goblin, false, 0},
        {"held, with none", nullptr, true, PlayerClient::kActionForced},
        {"let go, with none", nullptr, false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        player->setTarget(row.target, true);
        player->uiForcedAction = true;
        player->update(0.0f);
        player->uiForcedAction = row.held;
        player->update(0.0f);
        EXPECT_EQ(player->action, row.expected);
        EXPECT_EQ(player->target.get(), row.target);
    }
}

TEST_F(PlayerActionsTest, TheQuestClockTicksOncePerWholeSecondUnderAMinute)
{
    QuestDefinition timed;
    timed.maxTime = 600.0f;
    QuestClient* quest = player->quests[0].get();
    ASSERT_NE(quest, nullptr);
    quest->level = 1;
    quest->id = 3;
    quest->definition = &timed;
    quest->goal = 5;
    ASSERT_TRUE(player->isQuestSlotActive(0));
    std::vector<int> shown;
    for (float left : {61.0f, 59.9f, 59.2f, 58.7f, 58.1f, 12.0f}) {
        quest->deadline = GameTime(0, 0, 0, left);
        player->update(0.0f);
        shown.push_back(player->lastQuestSecondsShown);
    }
    EXPECT_EQ(shown, (std::vector<int>{-1, 59, 59, 58, 58, 12}));
    quest->setCompleted(); // a finished quest has no clock
    quest->deadline = GameTime(0, 0, 0, 5.0f);
    player->update(0.0f);
    EXPECT_EQ(player->lastQuestSecondsShown, 12);
}

TEST_F(PlayerActionsTest, ShippedPeopleWhoDoNotTalk)
{
    std::set<std::string> silent;
    for (const auto& type : world.data->getMonsterTypes()) {
        const MonsterArchetype* archetype = type->archetype;
        if (archetype && archetype->npc && world.database.getInt(type->getEntry(), "Talks", 0) == 0) {
            silent.insert(type->getEntryName());
        }
    }
    // Recruits speak through the recruit menus, the captive through its rescue.
    EXPECT_EQ(silent, (std::set<std::string>{"RecruitMage", "RecruitPriest", "RecruitRogue", "RecruitWarrior",
                                             "StoryShankarCaptive"}));
}

TEST_F(PlayerActionsTest, ASkillAskedForOutOfRangeWalksFirstAndLeavesOnceInRange)
{
    const CharacterClass* warrior = world.data->findCharacterClassById(0);
    ASSERT_NE(warrior, nullptr);
    player->stats.set(PlayerClient::kStatClass, 0);
    player->stats.set(toIndex(CharacterStat::Power), 100);
    player->skills->rebuild(player, warrior);
    SkillBase* skill = player->skills->findByTreeSlot(0, 1);
    ASSERT_NE(skill, nullptr);
    auto* definition = const_cast<SkillDefinition*>(skill->getDefinition());
    ASSERT_TRUE(definition && definition->needsEnemy);
    const bool kept = definition->canAutoAttack;
    definition->canAutoAttack = true;

    EntityClient& goblin = add(10, "GoblinWarrior", -1, 600, 100, sentient(0));
    player->setTarget(&goblin, true);
    const size_t before = queued().size();
    player->useSkill(0, 1);
    EXPECT_EQ(player->action, PlayerClient::kActionAttack);
    EXPECT_EQ(player->pendingSkillTree, 0);
    EXPECT_EQ(player->pendingSkillIndex, 1);
    EXPECT_EQ(queued().size(), before);
    player->update(0.0f); // still far: nothing leaves
    EXPECT_EQ(queued().size(), before);

    player->setPosition(ZonePosition(0, 600.0f - goblin.getRadius() - player->getRadius() - 20.0f, 100.0f));
    player->update(0.0f);
    ASSERT_EQ(queued().size(), before + 1);
    EXPECT_EQ(queued().back().rfind("useSkill 0 1 -1 ", 0), 0u) << queued().back();
    EXPECT_EQ(player->pendingSkillTree, -1);
    player->update(0.0f);
    EXPECT_EQ(queued().size(), before + 1);
    definition->canAutoAttack = kept;
}

TEST_F(PlayerActionsTest, QuestSlotAndGateQueries)
{
    QuestDefinition timed;
    timed.maxTime = 600.0f;
    for (int slot : {1, 4}) {
        QuestClient* quest = player->quests[static_cast<size_t>(slot)].get();
        quest->level = 1;
        quest->id = 10 + slot;
        quest->goal = 5;
        quest->definition = &timed;
        quest->deadline = GameTime(0, 0, slot == 4 ? 2 : 9, 0.0f);
    }
    EXPECT_EQ(player->findMostUrgentQuest(), 4);
    player->quests[4]->progress = 5; // complete: no clock, but counted as done
    EXPECT_EQ(player->findMostUrgentQuest(), 1);
    EXPECT_TRUE(player->hasCompletedQuestFor({3, 14}));
    EXPECT_FALSE(player->hasCompletedQuestFor({11}));
    // The complete slot is the one its giver takes back.
    EntityClient& warmaster = add(14, "NpcWarmaster", -1, 130, 100, sentient(1));
    EntityClient& vendor = add(15, "NpcVendorBasic", -1, 160, 100, sentient(1));
    timed.returnNpcType = static_cast<NpcType>(warmaster.getNpcType());
    EXPECT_EQ(player->findCompletedQuestSlot(&warmaster), 4);
    EXPECT_EQ(player->findCompletedQuestSlot(&vendor), -1);
    player->quests[4]->progress = 0;
    EXPECT_EQ(player->findCompletedQuestSlot(&warmaster), -1);
    player->quests[4]->progress = 5;
    EXPECT_EQ(player->getQuestSlotDescription(0), "");
    EXPECT_EQ(player->getQuestSlotDescription(9), "");

    player->levelGates.getRecords() = {{7, 0, 1, 2}, {7, 1, 0, 1}};
    std::vector<ListEntry> rows;
    player->fillGateList(rows);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].value.size() + rows[1].value.size(), 2u);
    EXPECT_NE(rows[0].value, rows[1].value);
    EXPECT_EQ(rows[0].enabled, rows[0].value == "0");
}

TEST(PlayerInputTest, AnActionForcedWhilePausedCarriesTheCurrentCovenant)
{
    TestWorld world{true, false};
    JoinedClient client;
    ASSERT_TRUE(client.startGame(false));
    client.join();
    ASSERT_TRUE(client.isJoined());
    PlayerClient* player = client.getLocalPlayer();
    GameClient::get().setCurrentCovenant(3);
    int action = -1;
    int target = -2;
    client.getInputAction(action, target);
    EXPECT_EQ(action, 0);
    EXPECT_EQ(target, -1);
    player->uiForcedAction = true;
    client.getInputAction(action, target);
    EXPECT_EQ(action, 0) << "forced only while paused";
    world.vars.setVar("paused", "1");
    ASSERT_TRUE(client.isPaused());
    client.getInputAction(action, target);
    EXPECT_EQ(action, PlayerClient::kActionForced);
    EXPECT_EQ(target, 3);
}

} // namespace
