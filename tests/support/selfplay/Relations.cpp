#include "support/selfplay/Relations.h"

#include "client/Client.h"
#include "client/mirrors/CovenantClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/CommandSystem.h"
#include "engine/core/StringUtil.h"
#include "game/covenants/Covenant.h"
#include "game/covenants/PlayerCovenant.h"
#include "game/entities/Gate.h"
#include "support/PlayedGame.h"
#include "support/selfplay/Bot.h"
#include "ui/UISystem.h"
#include "ui/menus/RelationsCovenantEntry.h"
#include "ui/menus/UIRelationsMenu.h"
#include "ui/widgets/UIWidget.h"

#include <algorithm>

namespace selfplay {

Relations::Relations(Bot& bot) : Part(bot) {}

bool Relations::declareWar()
{
    return frame() >= m_warFrame && m_warStage < kWarDone && warAndRaid();
}

std::optional<int> Relations::raidGateLevel() const
{
    if (m_warStage == 5) {
        if (const Gate* gate = raidHomeGate()) {
            return gate->getPosition().zone;
        }
    }
    return std::nullopt;
}

bool Relations::ownRaidOver() const
{
    const Covenant* own = player()->getCovenant();
    return m_warStage >= kWarDone &&
           (m_ownRaidDeclaredAt < 0 || m_stopRaidAt >= 0 || !own || own->raidTarget < 0);
}

bool Relations::inOwnRaid() const
{
    const Covenant* own = player()->getCovenant();
    return own && own->isRaiding() && m_raidDeclared && m_ownRaidDeclaredAt >= 0 &&
           frame() - m_ownRaidDeclaredAt >= kFramesPerMinute;
}

void Relations::countOffers()
{
    const PlayerCovenantClient* offers = Client::get().getPlayerCovenant();
    const int pending = offers ? offers->findPendingOffer() : -1;
    if (pending >= 0 && pending != m_pendingOffer) {
        trace(formatString("is offered a deal by covenant %d", pending).c_str());
    }
    m_pendingOffer = pending;
}

void Relations::countDeclared(Figures& figures)
{
    figures.acceptsClicked = m_acceptsClicked;
    figures.rejectsClicked = m_rejectsClicked;
    const auto* mine = dynamic_cast<const PlayerCovenant*>(player()->getCovenant());
    const bool declared = mine && mine->isRaidAnnounced();
    if (declared && !m_raidDeclared) {
        ++figures.raidsByPlayer;
        m_ownRaidDeclaredAt = frame();
        trace("declares its raid");
    }
    m_raidDeclared = declared;
}

bool Relations::answerOffer()
{
    PlayerCovenantClient* own = Client::get().getPlayerCovenant();
    if (m_relationsOpened && (!own || own->findPendingOffer() < 0)) {
        // The offer went before it was answered: the screen closes again.
        m_relationsOpened = false;
        if (menuShown("CovenantRelations")) {
            clickWidget(shownWidget("Hud::Relations"));
        }
        return true;
    }
    if (!own || own->findPendingOffer() < 0 || frame() < m_nextOfferLook) {
        return false;
    }
    m_nextOfferLook = frame() + 10;
    if (!menuShown("CovenantRelations")) {
        m_relationsOpened = true;
        if (!clickWidget(shownWidget("Hud::Relations"))) {
            fault() << "the Hud has no Relations button to open the relations screen";
        }
        return true;
    }
    // Open on another page (its raid, its war), the screen's buttons for
    // the offer are not on show: it is closed, and opens again on the offer.
    auto* relations = dynamic_cast<UIRelationsMenu*>(UISystem::get().findMenu("CovenantRelations"));
    if (relations && (relations->getCurrentPage() != relations->getPage(UIRelationsMenu::TradeRequest) ||
                      relations->getTalkCovenant() != own->findPendingOffer())) {
        clickWidget(shownWidget("Hud::Relations"));
        m_relationsOpened = false;
        return true;
    }
    // Every other offer is accepted, the first by chance.
    if (m_offersAnswered == 0) {
        m_offersAnswered = 2 + m_ctx.random.below(2);
    }
    const bool accept = m_offersAnswered++ % 2 == 0;
    const char* button = accept ? "RelationsTradeRequest::Accept" : "RelationsTradeRequest::Reject";
    if (!clickWidget(shownWidget(button))) {
        fault() << "an offer is pending but the trade-request page has no " << button << " button";
        m_nextOfferLook = frame() + kFramesPerMinute;
    } else {
        ++(accept ? m_acceptsClicked : m_rejectsClicked);
    }
    trace(button);
    // Back to the game: the Hud's button closes the screen again.
    clickWidget(shownWidget("Hud::Relations"));
    m_relationsOpened = false;
    m_nextOfferLook = frame() + 40;
    return true;
}

const Gate* Relations::raidHomeGate() const
{
    const Covenant* target = Game::get().getCovenant(m_raidTarget);
    if (!target) {
        return nullptr;
    }
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        const auto* gate = dynamic_cast<const Gate*>(Game::get().getEntity(i));
        const Entity* far = gate ? gate->getLinked() : nullptr;
        if (gate && gate->getKind() == Gate::kLinked && far &&
            ZonePosition::distanceTo(far->getPosition(), target->housePosition) < 400.0f &&
            ZonePosition::distanceTo(gate->getPosition(), target->housePosition) >= 400.0f) {
            return gate;
        }
    }
    return nullptr;
}

bool Relations::warAndRaid()
{
    auto* relations = dynamic_cast<UIRelationsMenu*>(UISystem::get().findMenu("CovenantRelations"));
    const Covenant* own = player()->getCovenant();
    if (!relations || !own) {
        m_warStage = kWarDone;
        return false;
    }
    if (frame() > m_warFrame + 6 * kFramesPerMinute) {
        // A raid it never came to is called off, not left waiting to
        // break out when it next passes the target's house, at peace
        // by then or not.
        const auto* mine = dynamic_cast<const PlayerCovenant*>(own);
        if (own->raidTarget >= 0 && mine && !mine->isRaidAnnounced() && !executeCommandLine("stopRaid")) {
            fault() << "frame " << frame() << ": the command stopRaid is unknown";
        }
        trace("gives up its raid");
        m_warStage = kWarDone;
        return false;
    }
    const bool shown = relations->isActive();
    switch (m_warStage) {
    case 0:
        if (!shown) {
            clickWidget(shownWidget("Hud::Relations"));
        }
        m_warStage = 1;
        return true;
    case 1: {
        if (!shown || relations->getCurrentPage() != relations->getPage(UIRelationsMenu::Main)) {
            m_warStage = 0;
            if (shown) {
                clickWidget(shownWidget("Hud::Relations"));
            }
            return true;
        }
        GameClient& client = GameClient::get();
        const int mine = Client::get().getPlayerCovenantIndex();
        int worst = -1;
        for (int i = 0; i < static_cast<int>(client.getCovenantCount()); ++i) {
            const CovenantClient* other = client.getCovenant(i);
            if (i == mine || !other || other->destroyed) {
                continue;
            }
            if (worst < 0 || client.getRelationValue(i, mine) < client.getRelationValue(worst, mine)) {
                worst = i;
            }
        }
        // The circle of crests is laid out by the screen's update, which
        // the headless program never runs: once here, as a shown frame would.
        relations->update(static_cast<float>(PlayedGame::kFrameMs / 1000.0));
        UIWidget* crest = worst >= 0 ? relations->getEntry(worst).picture : nullptr;
        if (!crest) {
            m_warStage = kWarDone;
            return false;
        }
        const Vec2 at = crest->getScreenPosition();
        const int x = static_cast<int>(at.x + crest->getSize().x / 2.0f);
        const int y = static_cast<int>(at.y + crest->getSize().y / 2.0f);
        relations->handleMouseButton(0, true, x, y);
        relations->handleMouseButton(0, false, x, y);
        m_raidTarget = worst;
        m_warStage = 2;
        trace(formatString("talks to covenant %d", worst).c_str());
        return true;
    }
    case 2:
        if (relations->getCurrentPage() != relations->getPage(UIRelationsMenu::Diplomacy) ||
            relations->getTalkCovenant() != m_raidTarget) {
            fault() << "a click on covenant " << m_raidTarget << "'s crest does not open its page";
            m_warStage = kWarDone;
            return false;
        }
        [[fallthrough]];
    case 3:
    case 4: {
        // The page's covenant becomes the current one with the screen's
        // update (see above).
        relations->update(static_cast<float>(PlayedGame::kFrameMs / 1000.0));
        const char* button = m_warStage == 2   ? "RelationsDiplomacy::War"
                             : m_warStage == 3 ? "RelationsDiplomacy::Raid"
                                               : "RelationsRaid::StartRaid";
        if (!clickWidget(shownWidget(button))) {
            fault() << "the relations screen shows no " << button << " button";
            m_warStage = kWarDone;
            return false;
        }
        trace(formatString("%s (current covenant %d, talk %d)", button,
                           GameClient::get().getCurrentCovenant(), relations->getTalkCovenant())
                  .c_str());
        ++m_warStage;
        if (m_warStage == 5) {
            m_raidGateSince = frame();
            m_deathsAtRaid = m_ctx.deaths;
        }
        return true;
    }
    default: {
        if (shown) {
            clickWidget(shownWidget("Hud::Relations"));
            return true;
        }
        const Covenant* target = Game::get().getCovenant(m_raidTarget);
        // A death on the way ends it (the player rises at home); one before
        // it set out does not.
        if (own->raidTarget < 0 || !target || m_ctx.deaths > m_deathsAtRaid) {
            trace("its raid is over");
            m_warStage = kWarDone;
            return false;
        }
        if (ZonePosition::distanceTo(player()->getPosition(), target->housePosition) < 250.0f) {
            trace("reaches its raid's target");
            m_warStage = kWarDone;
            return false;
        }
        // The raid's gate at home leads to the target's life stone, also when
        // the target's house stands on the player's level; the journey takes
        // the player home first.
        const Gate* gate = raidHomeGate();
        const bool byGate = gate && gate->getPosition().zone == player()->getPosition().zone &&
                            ZonePosition::distanceTo(player()->getPosition(), target->housePosition) > 600.0f;
        if (!byGate && player()->getPosition().zone == target->housePosition.zone) {
            m_bot.walker.walkTo(target->housePosition);
            return true;
        }
        if (!gate) {
            trace("finds no raid gate");
            m_warStage = kWarDone;
            return false;
        }
        if (gate->getPosition().zone != player()->getPosition().zone) {
            return false;
        }
        EntityClient* clickable = mirrorOf(gate->getEntityNumber());
        if (!clickable || distance(gate->getPosition(), player()->getPosition()) > 200.0f) {
            m_bot.walker.walkTo(gate->getPosition());
            return true;
        }
        if (mirror()->getTarget(false) != clickable || mirror()->action == PlayerClient::kActionNone) {
            mirror()->selectEntity(clickable);
            m_ctx.usedGateAt = frame();
        }
        return true;
    }
    }
}

bool Relations::endOwnRaid()
{
    const Covenant* own = player()->getCovenant();
    if (m_ownRaidDeclaredAt < 0 || m_stopRaidAt >= 0 || !own || own->raidTarget < 0) {
        return false;
    }
    int alive = 0, dead = 0;
    own->countRaidParty(alive, dead);
    const bool spent = dead > 0 && alive == 0;
    // A push that is due waits for the raid's end, which carries the player
    // home: the raid ends soon after the minute of its save point.
    const int length =
        m_bot.push.due() ? kFramesPerMinute + kFramesPerMinute / 6 : kOwnRaidMinutes * kFramesPerMinute;
    if (!spent && frame() - m_ownRaidDeclaredAt < length) {
        return false;
    }
    if (m_stopRaidSince < 0) {
        m_stopRaidSince = frame();
    } else if (frame() - m_stopRaidSince > kFramesPerMinute) {
        fault() << "frame " << frame() << ": for a game minute the relations screen gave no Stop raid";
        m_stopRaidAt = frame();
        return false;
    }
    auto* relations = dynamic_cast<UIRelationsMenu*>(UISystem::get().findMenu("CovenantRelations"));
    if (!relations) {
        return false;
    }
    const int target = own->raidTarget;
    UIMenu* page = relations->getCurrentPage();
    if (!relations->isActive()) {
        clickWidget(shownWidget("Hud::Relations"));
    } else if (page == relations->getPage(UIRelationsMenu::Raid) && relations->getTalkCovenant() == target &&
               shownWidget("RelationsRaid::StopRaid")) {
        m_stopRaidAt = frame();
        m_stopRaidTarget = target;
        m_stopRaidLogFrom = Client::get().getMessageLog().size();
        clickWidget(shownWidget("RelationsRaid::StopRaid"));
        trace(
            formatString("ends its raid on covenant %d (%d raiders standing, %d fallen)", target, alive, dead)
                .c_str());
    } else if (page == relations->getPage(UIRelationsMenu::Diplomacy) &&
               relations->getTalkCovenant() == target) {
        clickWidget(shownWidget("RelationsDiplomacy::Raid"));
    } else if (page == relations->getPage(UIRelationsMenu::Main)) {
        // The circle is laid out by the screen's update (see warAndRaid).
        relations->update(static_cast<float>(PlayedGame::kFrameMs / 1000.0));
        UIWidget* crest = relations->getEntry(target).picture;
        const Vec2 at = crest->getScreenPosition();
        const int x = static_cast<int>(at.x + crest->getSize().x / 2.0f);
        const int y = static_cast<int>(at.y + crest->getSize().y / 2.0f);
        relations->handleMouseButton(0, true, x, y);
        relations->handleMouseButton(0, false, x, y);
        relations->update(static_cast<float>(PlayedGame::kFrameMs / 1000.0));
    } else if (!page || !clickWidget(shownWidget(page->getName() + "::Back"))) {
        return false;
    }
    return true;
}

void Relations::checkOwnRaidEnded()
{
    if (m_stopRaidAt < 0 || m_ownRaidEnded) {
        return;
    }
    const Covenant* own = player()->getCovenant();
    const Covenant* target = Game::get().getCovenant(m_stopRaidTarget);
    const std::vector<std::string>& log = Client::get().getMessageLog();
    bool told = false;
    for (size_t i = std::min(m_stopRaidLogFrom, log.size()); own && target && i < log.size() && !told; ++i) {
        const std::string& line = log[i];
        const size_t at = line.find(" has stopped raiding ");
        told = at != std::string::npos && line.find(own->getDisplayName()) < at &&
               line.find(target->getDisplayName(), at) != std::string::npos;
    }
    if (own && own->raidTarget < 0 && told) {
        m_ownRaidEnded = true;
        trace("its raid has ended");
        return;
    }
    if (frame() - m_stopRaidAt > kFramesPerMinute) {
        m_ownRaidEnded = true;
        fault() << "frame " << frame() << ": a game minute after stopRaid its raid on covenant "
                << m_stopRaidTarget << (own && own->raidTarget >= 0 ? " still lasts" : " ended")
                << (told ? "" : ", and no \"has stopped raiding\" line came");
    }
}

} // namespace selfplay
