// Covenants as the player reads them, in the headless program on the shipped
// data with the real server: the diplomacy lines arrive translated, and the
// client names every covenant by its display name.
#include "client/Client.h"
#include "client/GameClient.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ColorCodes.h"
#include "engine/data/Localization.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameEnums.h"
#include "game/world/Game.h"
#include "support/HeadlessMenus.h"
#include "ui/UISystem.h"
#include "ui/menus/UIRelationsMenu.h"
#include "ui/widgets/UIWidget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

class CovenantNames : public HeadlessMenus {
protected:
    static std::string readable(const std::string& text)
    {
        return stripColorCodesCopy(Localization::get().translateCopy(text));
    }
};

} // namespace

// A war declared on a covenant whose ally honours their alliance: the line
// reads translated, with the covenants' display names.
TEST_F(CovenantNames, AnHonouredAllianceReadsTranslated)
{
    // Three computer covenants: an aggressor, its victim and the victim's ally.
    UserVarSystem::instance()->getVar("NumAiCovenants", "", UserVarSystem::kCreate).setString("3");
    ASSERT_NO_FATAL_FAILURE(newCharacter());
    Game& game = *Game::instance();
    const int own = game.getPlayerCovenant()->index;
    std::vector<int> others;
    for (int i = 0; i < game.getCovenantCount(); ++i) {
        if (i != own && game.getCovenant(i) && !game.getCovenant(i)->destroyed) {
            others.push_back(i);
        }
    }
    ASSERT_GE(others.size(), 3u);
    const int aggressor = others[0], victim = others[1], ally = others[2];
    Covenant* a = game.getCovenant(aggressor);
    Covenant* b = game.getCovenant(victim);
    Covenant* x = game.getCovenant(ally);
    const int peace = toIndex(CovenantTreaty::Peace);
    const int alliance = toIndex(CovenantTreaty::Alliance);
    for (Covenant* c : {a, b, x}) {
        for (Covenant* d : {a, b, x}) {
            if (c != d) {
                c->setRelationState(d->index, peace);
            }
        }
    }
    b->setRelationState(ally, alliance);
    x->setRelationState(victim, alliance);
    Client::instance()->clearMessageLog();
    game.onWarDeclared(aggressor, victim);

    const std::string expected = x->getDisplayName() + " honours its Alliance with " + b->getDisplayName() +
                                 " and declares War on " + a->getDisplayName();
    // The ally's war may pull in its own allies: their lines come too.
    std::vector<std::string> honoured;
    const bool arrived = frameUntil([&] {
        honoured.clear();
        for (const std::string& logged : Client::instance()->getMessageLog()) {
            if (readable(logged).find(" honours its ") != std::string::npos) {
                honoured.push_back(readable(logged));
            }
        }
        return std::find(honoured.begin(), honoured.end(), expected) != honoured.end();
    });
    std::string all;
    for (const std::string& line : honoured) {
        all += "\n  " + line;
        EXPECT_EQ(line.find('$'), std::string::npos) << line;
    }
    EXPECT_TRUE(arrived) << expected << " not among:" << all;
}

// The rankings' names and the talked-to crest's tooltip take the display
// name ("Gilded Scale"), never the entry's ("GildedScale").
TEST_F(CovenantNames, TheClientNamesCovenantsByTheirDisplayNames)
{
    // Four of the five covenants: at least one of the two whose display
    // name has a blank in it stands in every world.
    UserVarSystem::instance()->getVar("NumAiCovenants", "", UserVarSystem::kCreate).setString("4");
    ASSERT_NO_FATAL_FAILURE(newCharacter());
    Game& game = *Game::instance();
    GameClient& client = GameClient::get();
    const int own = Client::instance()->getPlayerCovenantIndex();
    int shortNamed = 0;
    int other = -1;
    for (int i = 0; i < game.getCovenantCount(); ++i) {
        const Covenant* covenant = game.getCovenant(i);
        if (i == own || !covenant || covenant->destroyed) {
            continue;
        }
        SCOPED_TRACE(covenant->getName());
        other = other < 0 ? i : other;
        shortNamed += covenant->getDisplayName() != covenant->getName();
        EXPECT_EQ(stripColorCodesCopy(client.getColoredCovenantName(i)), covenant->getDisplayName());
    }
    EXPECT_GT(shortNamed, 0) << "no covenant with a display name of its own";
    ASSERT_GE(other, 0);

    click("Hud::Relations");
    step();
    auto* relations = dynamic_cast<UIRelationsMenu*>(ui->findMenu("CovenantRelations"));
    ASSERT_NE(relations, nullptr);
    UIWidget* crest = relations->getEntry(other).picture;
    ASSERT_NE(crest, nullptr);
    clickCentre(*crest);
    step();
    ASSERT_EQ(relations->getCurrentPage(), relations->getPage(UIRelationsMenu::Diplomacy));
    UIWidget* talked = relations->findWidget("TalkPicture");
    ASSERT_NE(talked, nullptr);
    UITooltip tooltip;
    ASSERT_TRUE(talked->getTooltip(tooltip));
    const std::string text = readable(tooltip.text + tooltip.secondText);
    EXPECT_NE(text.find("Relation with " + game.getCovenant(other)->getDisplayName()), std::string::npos)
        << text;
}
