#include "game/world/Game.h"

#include "engine/core/ColorCodes.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Localization.h"
#include "game/covenants/Covenant.h"
#include "game/covenants/CovenantNames.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Player.h"
#include "game/world/ServerLink.h"

#include <cmath>

namespace {
constexpr int kPeace = static_cast<int>(CovenantTreaty::Peace);
constexpr int kWar = static_cast<int>(CovenantTreaty::War);
constexpr int kRaid = static_cast<int>(CovenantTreaty::Raid);
constexpr int kNonAggression = static_cast<int>(CovenantTreaty::NonAggressionPact);
constexpr int kMutualProtection = static_cast<int>(CovenantTreaty::MutualProtectionPact);
constexpr int kAlliance = static_cast<int>(CovenantTreaty::Alliance);

bool isTreaty(int state)
{
    return state == kNonAggression || state == kMutualProtection || state == kAlliance;
}

bool isWarLike(int state)
{
    return state == kWar || state == kRaid;
}

bool isProtection(int state)
{
    return state == kMutualProtection || state == kAlliance;
}

std::string treatyName(int treaty)
{
    return GameData::instance() ? GameData::get().getColoredTreatyName(treaty) : std::string();
}

// As an argument of a translated text: argument values cannot carry text
// keys, so the name is translated here, and its colour is closed.
std::string treatyArgument(int treaty)
{
    const Localization* localization = Localization::instance();
    std::string name = treatyName(treaty);
    return (localization ? localization->translateCopy(name) : stripTextKeyMarkers(name)) +
           formatColorCode(145);
}

std::string routeName(int size)
{
    return GameData::instance() ? GameData::get().getColoredTradeRouteName(size) : std::string();
}

bool isLive(const Covenant* covenant)
{
    return covenant && !covenant->destroyed;
}
} // namespace

Covenant* Game::getPlayerCovenant() const
{
    const Player* player = getFirstPlayer();
    return player ? player->getCovenant() : nullptr;
}

bool Game::isPlayerCovenant(const Covenant* covenant) const
{
    return covenant == getPlayerCovenant();
}

bool Game::isPlayerTargetingCovenant(const Covenant* covenant) const
{
    const Player* player = getFirstPlayer();
    return player && player->getTargetCovenant() == covenant;
}

std::string Game::getCovenantColoredName(int index) const
{
    return coloredName(getCovenant(index));
}

int Game::addCovenant(std::unique_ptr<Covenant> covenant)
{
    if (!covenant)
        return -1;
    if (static_cast<int>(m_covenants.size()) >= CovenantBase::kMaxCovenants) {
        debugPrint(3, "addCovenant: the list already holds %d covenants; the new one is refused\n",
                   CovenantBase::kMaxCovenants);
        return -1;
    }
    covenant->index = static_cast<int>(m_covenants.size());
    // The player's covenant of a loaded world takes back its saved standing.
    if (m_parked.pending && covenant->isPlayerCovenant()) {
        covenant->influence.adventure = m_parked.values[0];
        covenant->influence.competition = m_parked.values[1];
        covenant->influence.world = m_parked.values[2];
        covenant->influence.transferred = m_parked.values[3];
        for (size_t i = 0; i < m_parked.states.size(); ++i) {
            covenant->setRelationState(static_cast<int>(i), m_parked.states[i]);
            covenant->setRelationSubState(static_cast<int>(i), m_parked.routes[i]);
        }
        covenant->linkedCovenant = m_parked.linked;
        m_parked = ParkedRelations();
    }
    m_covenants.push_back(std::move(covenant));
    return static_cast<int>(m_covenants.size()) - 1;
}

void Game::sendGameMessage(const std::string& text, int type)
{
    ::sendGameMessage(text, type);
}

void Game::sendCovenantMessage(const Covenant* covenant, const std::string& text, int mode)
{
    const Covenant* player = getPlayerCovenant();
    if (!player)
        return;
    int type = mode;
    if (mode == 0) {
        type = covenant == player ? 2 : 3;
    } else if (mode == 1) {
        type = covenant == player || (covenant && player->hasProtectionPact(covenant->index)) ? 2 : 3;
    }
    sendGameMessage(text, type);
}

void Game::announceDiplomacy(int a, int b, int state, bool silent)
{
    Covenant* first = getCovenant(a);
    Covenant* second = getCovenant(b);
    if (!first || !second || first == second || first->destroyed || second->destroyed)
        return;
    if (!m_playerDiplomacy && isPlayerCovenant(first) && getPlayerCovenant())
        m_playerDiplomacy = true;
    if (state == kWar && (first->raidTarget == b || second->raidTarget == a)) {
        state = kRaid;
        silent = true;
    }
    int former = first->getRelationState(b);
    int formerBack = second->getRelationState(a);
    if (former == state && formerBack == state)
        return;
    if (isTreaty(formerBack) && (state == kPeace || state == kWar || state == kRaid))
        notifyTreatyBroken(a, b);
    first->setRelationState(b, state);
    second->setRelationState(a, state);

    if (!silent) {
        std::string nameA = coloredName(first);
        std::string nameB = coloredName(second);
        if (state == kWar) {
            sendCovenantMessage(second, nameA + " declares " + treatyName(kWar) + " on " + nameB, 0);
        } else if (state == kPeace && isTreaty(former)) {
            sendGameMessage(nameA + " has cancelled their " + treatyName(former) + " with " + nameB, 3);
        } else if (state == kPeace) {
            sendGameMessage(nameA + " and " + nameB + " declare peace", 3);
        } else if (state == kAlliance) {
            sendGameMessage(nameA + " and " + nameB + " have forged an " + treatyName(kAlliance), 3);
        } else if (state == kNonAggression || state == kMutualProtection) {
            sendGameMessage(nameA + " and " + nameB + " have signed a " + treatyName(state), 3);
        }
    }

    if (state == kWar || state == kRaid) {
        onWarDeclared(a, b);
    } else if (state == kPeace) {
        first->forgetCovenantTargets(second);
        second->forgetCovenantTargets(first);
    } else if (state == kMutualProtection) {
        onMutualProtectionSigned(a, b);
    } else if (state == kAlliance) {
        onAllianceSigned(a, b);
    }
}

void Game::onWarDeclared(int aggressor, int victim)
{
    Covenant* a = getCovenant(aggressor);
    Covenant* b = getCovenant(victim);
    if (!a || !b)
        return;
    announceTradeRoute(aggressor, victim, 0, true);
    b->onWarStarted(a);

    auto honour = [this](Covenant* x, int treaty, Covenant* partner, Covenant* enemy) {
        announceDiplomacy(x->index, enemy->index, kWar, true);
        std::string text = wrapText("DeclareWarHonorTreaty", "%s %s %s %s %s", coloredName(x).c_str(),
                                    treatyArgument(treaty).c_str(), coloredName(partner).c_str(),
                                    treatyArgument(kWar).c_str(), coloredName(enemy).c_str());
        sendCovenantMessage(enemy, text, 0);
    };
    for (int i = 0; i < getCovenantCount(); ++i) {
        Covenant* x = getCovenant(i);
        if (!isLive(x) || x == a || x == b || isWarLike(a->getRelationState(i)))
            continue;
        int bx = b->getRelationState(i);
        int ax = a->getRelationState(i);
        if (bx == kMutualProtection && ax != kMutualProtection && ax != kAlliance)
            honour(x, kMutualProtection, b, a);
        else if (bx == kAlliance && ax != kAlliance)
            honour(x, kAlliance, b, a);
    }
    for (int i = 0; i < getCovenantCount(); ++i) {
        Covenant* x = getCovenant(i);
        if (!isLive(x) || x == a || x == b || isWarLike(b->getRelationState(i)))
            continue;
        if (a->getRelationState(i) == kAlliance && b->getRelationState(i) != kAlliance)
            honour(x, kAlliance, a, b);
    }
    playSoundAtPlayer("Sounds/declaredWar.ogg");
}

void Game::notifyTreatyBroken(int a, int b)
{
    Covenant* first = getCovenant(a);
    Covenant* second = getCovenant(b);
    if (!first || !second)
        return;
    int former = second->getRelationState(a);
    for (int i = 0; i < getCovenantCount(); ++i) {
        Covenant* c = getCovenant(i);
        if (isLive(c))
            c->onTreatyCancelled(c == first ? second : first, first, former);
    }
}

void Game::notifyTradeRouteCancelled(int a, int b)
{
    Covenant* first = getCovenant(a);
    Covenant* second = getCovenant(b);
    if (!first || !second)
        return;
    int former = first->getRelationSubState(b);
    for (int i = 0; i < getCovenantCount(); ++i) {
        Covenant* c = getCovenant(i);
        if (isLive(c))
            c->onTradeRouteCancelled(c == first ? second : first, first, former);
    }
}

void Game::notifyOtherCovenants(int a, int b)
{
    Covenant* first = getCovenant(a);
    Covenant* second = getCovenant(b);
    for (int i = 0; i < getCovenantCount(); ++i) {
        Covenant* c = getCovenant(i);
        if (isLive(c) && i != a && i != b)
            c->onSharedAdventureProgress(first, second);
    }
}

namespace {
void callInProtectors(Game& game, int a, int b, bool allianceOnly)
{
    auto protects = [allianceOnly](int state) {
        return allianceOnly ? state == kAlliance : isProtection(state);
    };
    for (int i = 0; i < game.getCovenantCount(); ++i) {
        Covenant* x = game.getCovenant(i);
        if (!isLive(x))
            continue;
        if (x->raidTarget == a && !protects(x->getRelationState(b)))
            game.announceDiplomacy(i, b, kWar, false);
        if (x->raidTarget == b && !protects(x->getRelationState(a)))
            game.announceDiplomacy(i, a, kWar, false);
    }
}
} // namespace

void Game::onMutualProtectionSigned(int a, int b)
{
    callInProtectors(*this, a, b, false);
}

void Game::onAllianceSigned(int a, int b)
{
    callInProtectors(*this, a, b, true);
}

void Game::announceTradeRoute(int a, int b, int size, bool silent)
{
    Covenant* first = getCovenant(a);
    Covenant* second = getCovenant(b);
    if (!first || !second || first == second || first->destroyed || second->destroyed)
        return;
    int former = first->getRelationSubState(b);
    int formerBack = second->getRelationSubState(a);
    bool cancelled = size == 0 && (former != 0 || formerBack != 0);
    if (cancelled)
        notifyTradeRouteCancelled(a, b); // the partners still hold the former size
    first->setTradeRoute(b, size, m_clock);
    second->setTradeRoute(a, size, m_clock);
    if (silent)
        return;
    if (cancelled) {
        sendCovenantMessage(second,
                            coloredName(first) + " cancelled " + routeName(former) + " Trade Route with " +
                                coloredName(second),
                            0);
    } else if (former != size || formerBack != size) {
        sendCovenantMessage(second,
                            coloredName(first) + " and " + coloredName(second) + " start " + routeName(size) +
                                " Trade Route",
                            0);
    }
}

void Game::announceRaidStart(int raider, int target)
{
    Covenant* r = getCovenant(raider);
    Covenant* t = getCovenant(target);
    if (!r || !t || r == t)
        return;
    sendCovenantMessage(t,
                        coloredName(r) + " is " + formatColorCode(worldRules().raidColorIndex) + "raiding" +
                            formatColorCode(145) + " " + coloredName(t),
                        1);
    r->onRaidStarted(t);
    announceDiplomacy(raider, target, kRaid, false);
    playSoundAtPlayer("Sounds/startedRaid.ogg");
}

void Game::announceRaidEnd(int raider, int target)
{
    Covenant* r = getCovenant(raider);
    Covenant* t = getCovenant(target);
    if (!r || !t || r == t)
        return;
    r->raidTarget = -1;
    if (r->destroyed || t->destroyed)
        return;
    if (r->getRelationState(target) != kRaid)
        return;
    sendGameMessage(coloredName(r) + " has stopped raiding " + coloredName(t), 3);
    if (t->raidTarget != raider)
        announceDiplomacy(raider, target, kWar, true);
    t->onRaidRepelled(r);
    if (r->destroyed || t->destroyed)
        return;
    // Named after who stood where: the player's raid repelled, or the player's house held.
    const Player* player = getFirstPlayer();
    const Covenant* own = player ? player->getCovenant() : nullptr;
    const ChatDialogType told = own == r   ? ChatDialogType::CovenantDefendedPlayerRaid
                                : own == t ? ChatDialogType::PlayerDefendedRaid
                                           : ChatDialogType::CovenantDefendedRaid;
    raiseNpcChat(told, coloredName(r), coloredName(t));
}

void Game::announceLifestoneDanger(int covenant, float fraction)
{
    const Covenant* c = getCovenant(covenant);
    if (!isLive(c))
        return;
    if (fraction < 0.25f)
        sendGameMessage(coloredName(c) + " covenant's life stone is in danger", 3);
    else if (fraction < 0.5f)
        sendGameMessage(coloredName(c) + " covenant's life stone is threatened", 3);
}

void Game::resetRelationStatesWith(int covenant)
{
    Covenant* c = getCovenant(covenant);
    for (int i = 0; i < getCovenantCount(); ++i) {
        Covenant* other = getCovenant(i);
        if (!other || other == c)
            continue;
        other->setRelationState(covenant, kPeace);
        if (c)
            c->setRelationState(i, kPeace);
    }
}

void Game::resetRelationSubStatesWith(int covenant)
{
    Covenant* c = getCovenant(covenant);
    for (int i = 0; i < getCovenantCount(); ++i) {
        Covenant* other = getCovenant(i);
        if (!other || other == c)
            continue;
        other->setRelationSubState(covenant, static_cast<int>(TradeRoute::None));
        if (c)
            c->setRelationSubState(i, static_cast<int>(TradeRoute::None));
    }
}

void Game::onCovenantDestroyed(Covenant* destroyed, Covenant* destroyer)
{
    if (!destroyed)
        return;
    if (!destroyer) {
        sendGameMessage(coloredName(destroyed) + " destroyed by monsters", 3);
        onCovenantEnded(destroyed, nullptr);
        return;
    }
    int before = destroyer->influence.competition;
    addDestructionInfluence(destroyed->influence, destroyer->influence,
                            destroyer->getMultiplier(static_cast<int>(CovenantMultiplier::Influence)));
    long long gain = static_cast<long long>(destroyer->influence.competition) - before;
    sendGameMessage(coloredName(destroyer) + " destroys " + coloredName(destroyed) + " (gains " +
                        formatThousands(gain) + " influence)",
                    3);
    onCovenantEnded(destroyed, destroyer);
}

void Game::announcePeaceRejected(const Covenant* rejecting, const Covenant* proposing, bool silent)
{
    if (!silent)
        sendGameMessage(coloredName(rejecting) + " rejects peace treaty from " + coloredName(proposing), 3);
}
