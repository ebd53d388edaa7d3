// What a click on a mirror would do for the local player, its colour on the
// maps and the small tests the hover texts, icons and hints share.
#include "client/mirrors/EntityClient.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/QuestClient.h"
#include "client/mirrors/StatusEffectClient.h"
#include "client/player/PlayerClient.h"
#include "engine/core/ColorSystem.h"
#include "engine/data/DatabaseEntryType.h"

namespace {

constexpr uint32_t kFlagBit9 = 1u << 9;
constexpr uint32_t kFlagBit10 = 1u << 10;

constexpr int type(DatabaseEntryType t)
{
    return static_cast<int>(t);
}

PlayerClient* localPlayer()
{
    Client* client = Client::instance();
    return client ? client->getLocalPlayer() : nullptr;
}

int playerCovenant()
{
    Client* client = Client::instance();
    return client ? client->getPlayerCovenantIndex() : -1;
}

} // namespace

bool EntityClient::isOwnCharacter() const
{
    const PlayerClient* player = localPlayer();
    return player &&
           (this == player || (getEntityNumber() >= 0 && getEntityNumber() == player->getEntityNumber()));
}

bool EntityClient::isRescueNpc() const
{
    // A kidnapped townsperson (bit 9) is one to free, whatever its kind:
    // townsfolk are not rescue NPCs by their kind, or none could be talked to.
    return (m_canBeRescued && getFadeValue() >= 1.0f) || hasFlag(kFlagBit9);
}

bool EntityClient::isDeliveryNpc() const
{
    return m_canReceiveDelivery && getFadeValue() >= 1.0f;
}

bool EntityClient::isEscortNpc() const
{
    return m_canBeEscorted && getFadeValue() >= 1.0f;
}

bool EntityClient::isQuestTarget() const
{
    const PlayerClient* player = localPlayer();
    if (!player) {
        return false;
    }
    if (!isRescueNpc() && !isDeliveryNpc() && !isEscortNpc() && !hasFlag(kFlagBit9)) {
        for (int slot = 0; slot < PlayerClient::kQuestSlots; ++slot) {
            const QuestClient* quest = player->isQuestSlotActive(slot) ? player->getQuestSlot(slot) : nullptr;
            if (!quest || !quest->isComplete()) {
                continue;
            }
            for (int32_t offered : m_offeredQuests) {
                if (offered == quest->id) {
                    return true;
                }
            }
        }
        return false;
    }
    return getFadeValue() < 1.0f;
}

bool EntityClient::hasNewQuestForPlayer() const
{
    const PlayerClient* player = localPlayer();
    if (getCovenantIndex() != -1 || !player) {
        return false;
    }
    for (int32_t offered : m_offeredQuests) {
        if (!player->hasQuest(offered)) {
            return true;
        }
    }
    return false;
}

bool EntityClient::isHostile() const
{
    int covenant = getCovenantIndex();
    int player = playerCovenant();
    const GameClient* game = GameClient::instance();
    if (covenant < 0 || player < 0 || !game) {
        return false;
    }
    int state = game->getTreatyState(covenant, player);
    return state == 2 || state == 3;
}

bool EntityClient::isAttackable() const
{
    return getMouseAction(true, true) == PlayerClient::kActionAttack;
}

int EntityClient::getPartyPlace() const
{
    const PlayerClient* player = localPlayer();
    if (!player || getEntityNumber() < 0) {
        return -1;
    }
    size_t places = std::min<size_t>(player->partyMembers.size(), PlayerClient::kPartyPlaces);
    for (size_t i = 0; i < places; ++i) {
        if (player->partyMembers[i] == getEntityNumber()) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool EntityClient::isOwnDrop() const
{
    const PlayerClient* player = localPlayer();
    const EntityClient* mirror = player ? player->getServerMirror() : nullptr;
    return m_type == type(DatabaseEntryType::QuestItem) && mirror && m_questTarget &&
           m_questTarget == mirror->getEntry();
}

bool EntityClient::isFriendly() const
{
    int covenant = getCovenantIndex();
    return covenant == -1 || covenant == playerCovenant() || isOwnCharacter();
}

void EntityClient::collectStatusEffects(std::vector<StatusEffectClient*>& out) const
{
    for (const auto& effect : m_effects) {
        out.push_back(effect.get());
    }
}

bool EntityClient::hasBlockingStatusEffect() const
{
    for (const auto& effect : m_effects) {
        if (effect->damageBreaks) {
            return true;
        }
    }
    return false;
}

int EntityClient::getMouseAction(bool acting, bool force) const
{
    const auto approach = [acting](int code) { return acting ? code : 4; };
    const PlayerClient* player = localPlayer();
    const bool guard = !force && player && player->hasFlag(kFlagHidden);
    const int covenant = getCovenantIndex();
    const int own = playerCovenant();
    const bool ownCovenant = covenant >= 0 && covenant == own;

    if (hasFlag(kFlagBit10)) {
        return 0;
    }
    if (m_type == type(DatabaseEntryType::Item)) {
        return getFadeValue() > 0.99f ? approach(PlayerClient::kActionPickup) : 0;
    }
    if (m_type == type(DatabaseEntryType::Money) || m_type == type(DatabaseEntryType::QuestItem)) {
        return approach(PlayerClient::kActionPickup);
    }
    if (m_type == type(DatabaseEntryType::Chest)) {
        return isClosed() ? approach(19) : 0;
    }
    if (isDead()) {
        return 0;
    }
    if (m_vendor && !isRescueNpc()) {
        if (m_interaction > 0.0f && acting) {
            return m_givesQuests && isQuestTarget() ? 25 : 22;
        }
        return 4;
    }
    if (m_npc) {
        // The player's own people are never attack targets, whatever their archetype allows.
        if (isHostile() || (m_canAttack && !ownCovenant)) {
            return PlayerClient::kActionAttack;
        }
        if (!acting) {
            return 4;
        }
        if (isRescueNpc()) {
            return 26;
        }
        if (isDeliveryNpc()) {
            return 27;
        }
        if (isEscortNpc()) {
            return 28;
        }
        if (m_canBeRescued || m_canReceiveDelivery || m_canBeEscorted) {
            return 0;
        }
        if (m_givesQuests && covenant == -1) {
            if (m_interaction <= 0.0f) {
                return 4;
            }
            return isQuestTarget() ? 25 : 24;
        }
        if (ownCovenant) {
            if (!player) {
                return 0;
            }
            return getPartyPlace() >= 0 ? 8 : 9;
        }
        if (covenant == -1) {
            return 5;
        }
        return getPartyPlace() >= 0 ? 7 : 6;
    }
    if (m_stash) {
        return approach(m_bookshelf ? 11 : 10);
    }
    if (m_pedestal) {
        return approach(ownCovenant ? 16 : 17);
    }
    if (m_npcList) {
        return approach(12);
    }
    if (m_gate) {
        if (!acting) {
            return 4;
        }
        if (ownCovenant) {
            return 14;
        }
        return player && !player->isCurrentLevelGateActive() ? PlayerClient::kActionNoMenu : 19;
    }
    if (m_type == type(DatabaseEntryType::Trap)) {
        return 0;
    }
    if (m_canAttack && !ownCovenant) {
        if (!m_offeredQuests.empty()) {
            return acting ? (isQuestTarget() ? 25 : 24) : 4;
        }
        if (covenant >= 0 && !isHostile()) {
            return approach(17);
        }
        return guard ? 4 : PlayerClient::kActionAttack;
    }
    if (m_lifeStone) {
        if (!acting) {
            return 4;
        }
        return ownCovenant ? PlayerClient::kActionLifeStone : PlayerClient::kActionAttack;
    }
    if (m_toggleUsable) {
        if (!acting) {
            return 4;
        }
        if (m_useOnlyWhenSolid && !isSolid()) {
            return 0;
        }
        bool inUse = player && player->action == PlayerClient::kActionUse && player->target.get() == this;
        return inUse ? 21 : PlayerClient::kActionUse;
    }
    if (!isSolid()) {
        return 0;
    }
    if (isOwnCharacter()) {
        return 4;
    }
    if (ownCovenant) {
        return approach(16);
    }
    return guard ? 4 : 0;
}

const EntityClient* EntityClient::getTopAttachParent() const
{
    const EntityClient* top = this;
    for (int depth = 0; depth < kMaxAttachDepth; ++depth) {
        const EntityClient* parent = top->getAttachParent();
        if (!parent) {
            break;
        }
        top = parent;
    }
    return top;
}

int EntityClient::getMapColorCode() const
{
    const EntityClient& e = *getTopAttachParent();
    const bool chest = e.m_type == type(DatabaseEntryType::Chest);
    if (e.m_stash || e.m_npcList || (e.m_usable && !chest) || e.m_vendor || e.m_toggleUsable) {
        return kMapCyan;
    }
    if (e.isOwnCharacter()) {
        return kMapGreen;
    }
    if (e.isOwnDrop()) {
        return kMapWhite;
    }
    const int covenant = e.getCovenantIndex();
    const int own = playerCovenant();
    if (covenant >= 0 && covenant != own) {
        return e.isHostile() ? kMapRed : kMapOrange;
    }
    if (!e.m_npc) {
        if (e.m_type != type(DatabaseEntryType::MonsterType) || e.isDead()) {
            return kMapNone;
        }
        if (e.m_offeredQuests.empty()) {
            return covenant >= 0 && covenant == own ? kMapGreen : kMapRed;
        }
        return kMapBlue;
    }
    if (e.getPartyPlace() >= 0 || (covenant >= 0 && covenant == own)) {
        return kMapGreen;
    }
    if (e.m_npcRenegade || e.m_npcThief) {
        return kMapRed;
    }
    return kMapBlue;
}

bool EntityClient::getMapColor(Color& out) const
{
    int code = getMapColorCode();
    if (!m_drawBlip || code == kMapNone) {
        return false;
    }
    out = ColorSystem::getColor(code);
    return true;
}

bool EntityClient::isShownOnMap(bool worldMap) const
{
    if (m_hideFromMiniMap || getFadeValue() <= 0.0f) {
        return false;
    }
    if (!(getMaxHealth() < 1 || isAlive()) || getAttachParent() || getMapColorCode() == kMapNone ||
        hasFlag(kFlagBit10)) {
        return false;
    }
    if (!worldMap) {
        return true;
    }
    return (m_npc && getPartyPlace() >= 0) || isOwnDrop();
}

bool EntityClient::isHintTarget(bool chest) const
{
    if (m_hideFromMiniMap) {
        return false;
    }
    if (chest) {
        // Money and quest items lie on the ground like any item and get a label too.
        const bool groundItem = m_type == type(DatabaseEntryType::Item) ||
                                m_type == type(DatabaseEntryType::Money) ||
                                m_type == type(DatabaseEntryType::QuestItem);
        return (groundItem && getFadeValue() > 0.99f) ||
               (m_type == type(DatabaseEntryType::Chest) && isSolid());
    }
    return m_type == type(DatabaseEntryType::MonsterType) && (getMaxHealth() < 1 || isAlive());
}
