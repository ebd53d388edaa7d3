// Clicks, targets and the action the local player is busy with; each action
// opens its menus and closes them again when it changes.
#include "client/player/PlayerClient.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/RecruitClient.h"
#include "client/mirrors/SkillClient.h"
#include "client/mirrors/SkillListClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/StringUtil.h"
#include "game/definitions/GameData.h"
#include "game/skills/SkillDefinition.h"

namespace {

// A user variable the interface owns, made with its default when missing.
bool uiFlag(const char* name, const char* fallback)
{
    UserVarSystem* vars = UserVarSystem::instance();
    return vars && vars->getVar(name, fallback, UserVarSystem::kCreate).getBool();
}

void setUserVar(const char* name, const char* value)
{
    if (UserVarSystem* vars = UserVarSystem::instance()) {
        vars->setVar(name, value);
    }
}

} // namespace

void PlayerClient::releaseMoveHook()
{
    if (!moveButtonHeld) {
        return;
    }
    moveButtonHeld = false;
    if (Client* client = Client::instance()) {
        client->setButtonHook(nullptr);
    }
}

const EntityClient* PlayerClient::pickExclusion() const
{
    // The player itself stays pickable beside a selected person it would
    // not attack. With itself selected (this mirror or its own slot's) it is
    // left out, so a click at its side chooses what stands there.
    const EntityClient* current = target.get();
    const EntityClient* mirror = serverMirror.get();
    bool self = current == this || (current && current == mirror) ||
                (current && getEntityNumber() >= 0 && current->getEntityNumber() == getEntityNumber());
    bool keepSelf =
        current && !self && current->isSelectable() && current->getMouseAction(true, false) != kActionAttack;
    return keepSelf ? nullptr : this;
}

bool PlayerClient::onMouseButton(int button, bool pressed, float x, float y)
{
    Client* client = Client::instance();
    if (!client) {
        return false;
    }
    if (button == 0 && !pressed) {
        releaseMoveHook();
        return false;
    }
    if (!pressed) {
        return false;
    }
    EntityClient* picked = client->pickEntity(x, y, pickExclusion());
    if (button == 1) {
        if (!picked) {
            return false;
        }
        setTarget(picked, true);
        return true;
    }
    if (button != 0) {
        return false;
    }
    if (picked) {
        selectEntity(picked);
        return true;
    }
    setDestination(client->screenToWorld(x, y), true);
    setAction(kActionNone, true, true);
    if (!moveButtonHeld) {
        moveButtonHeld = true;
        client->setButtonHook([this](int b, bool down, int bx, int by) {
            onMouseButton(b, down, static_cast<float>(bx), static_cast<float>(by));
        });
    }
    return true;
}

void PlayerClient::setTarget(EntityClient* entity, bool clearAction)
{
    if (entity == target.get()) {
        return;
    }
    if (clearAction) {
        setAction(kActionNone, true, true);
    }
    pendingSkillTree = -1;
    pendingSkillIndex = -1;
    target = entity;
}

void PlayerClient::selectEntity(EntityClient* entity)
{
    if (!entity) {
        return;
    }
    if (entity != target.get()) {
        setAction(kActionNone, true, true);
        pendingSkillTree = -1;
        pendingSkillIndex = -1;
        target = entity;
    }
    setAction(entity->getMouseAction(isTargetInReach(), false), false, true);
}

EntityClient* PlayerClient::getTarget(bool allowAutoAttack) const
{
    EntityClient* current = target.get();
    if (current && !current->isDead()) {
        return current;
    }
    if (allowAutoAttack && getCurrentAction() == kActionAutoAttack) {
        GameClient* game = GameClient::instance();
        return game ? game->getEntity(autoAttackEntity) : nullptr;
    }
    return nullptr;
}

int PlayerClient::getTargetEntityNumber(bool allowAutoAttack) const
{
    const EntityClient* entity = getTarget(allowAutoAttack);
    return entity ? entity->getEntityNumber() : -1;
}

int PlayerClient::getCurrentAction() const
{
    if (action == kActionNone && autoAttackEntity >= 0 && !movedThisFrame && uiFlag("ui_autoAttack", "1")) {
        return kActionAutoAttack;
    }
    Client* client = Client::instance();
    if (uiForcedAction && client && client->isPaused()) {
        return kActionForced;
    }
    return action;
}

bool PlayerClient::setAction(int code, bool allowWhileStealthed, bool force)
{
    EntityClient* current = target.get();
    if (code == kActionAttack) {
        if (!allowWhileStealthed && hasFlag(kFlagHidden)) {
            return false;
        }
        if (!force && current && current->hasBlockingStatusEffect()) {
            return false;
        }
        for (SkillBase* skill : skills->getSkills()) {
            const auto* own = dynamic_cast<const SkillClient*>(skill);
            const SkillDefinition* definition = skill->getDefinition();
            if (own && own->waiting && definition && definition->stopAttacking &&
                (definition->basicSkill || skill->getLevel() > 0)) {
                return false;
            }
        }
    }
    int number = current ? current->getEntityNumber() : -1;
    if (code == action && (!force || number == menuEntity)) {
        return false;
    }
    closeActionMenus(action);
    action = code;
    lastMenuEntity = menuEntity;
    menuEntity = number;
    openActionMenus(code);
    return true;
}

// The menus of each action are named here as they are written in the menu
// list, one literal per name, so the data check finds every one.
void PlayerClient::closeActionMenus(int code)
{
    Client* client = Client::instance();
    if (!client) {
        return;
    }
    const ClientUi& ui = client->getUi();
    switch (code) {
    case 1:
        ui.close("PlayerDead");
        break;
    // The talking menus leave the stack by name.
    case 5:
        ui.takeOffStack("NpcMenu");
        break;
    case 6:
        ui.takeOffStack("NpcUnavailableMenu");
        break;
    case 7:
        ui.takeOffStack("NpcSharedAdventureMenu");
        break;
    case 8:
        ui.close("NpcInPartyMenu");
        break;
    case 9:
        ui.close("NpcInCovenantMenu");
        break;
    case 10:
        ui.close({"Stash", "stashBag0", "stashBag1", "stashBag2", "stashBag3", "stashBag4", "stashBag5",
                  "stashBag6", "stashBag7"});
        break;
    case 11:
        ui.close("Bookshelf");
        break;
    case 12:
        ui.close("NpcList");
        break;
    case 13:
        ui.close("GateList");
        break;
    case 14:
        setUserVar("drawWorldMap", "0");
        break;
    case 15:
        ui.close({"NpcEquipmentFull", "NpcEquipment", "NpcEquipmentOnly"});
        break;
    case 16:
        ui.close("House");
        break;
    case 17:
        ui.close("HouseEnemy");
        break;
    case 22:
        ui.close({"Buy-sell", "VendorMenu", "VendorMenuWithQuests", "BagControl", "GetQuest"});
        break;
    case 24:
        ui.close({"GetQuest", "QuestNpcMenu", "NpcPotentialRecruitMenu"});
        break;
    case 25:
        ui.close("SolveQuest");
        break;
    case 26:
        ui.close("NpcRescueMenu");
        break;
    case 27:
        ui.close("NpcDeliveryMenu");
        break;
    case 28:
        ui.close("NpcEscortMenu");
        break;
    default:
        break;
    }
}

void PlayerClient::openActionMenus(int code)
{
    Client* client = Client::instance();
    if (!client) {
        return;
    }
    const ClientUi& ui = client->getUi();
    EntityClient* current = target.get();
    switch (code) {
    case 1:
        ui.openOnStack("PlayerDead");
        break;
    case 5:
        ui.openOnStack("NpcMenu");
        break;
    case 6:
        ui.openOnStack("NpcUnavailableMenu");
        break;
    case 7:
        ui.openOnStack("NpcSharedAdventureMenu");
        break;
    case 8:
        if (!uiFlag("ui_disablePartyMemberDialog", "0")) {
            ui.openOnStack("NpcInPartyMenu");
        }
        break;
    case 9:
        ui.openOnStack("NpcInCovenantMenu");
        break;
    case 10:
        ui.openOnStack("Stash");
        showHelpTopic(current && current->isPlayerStash() ? "Stash" : "SharedStash");
        break;
    case 11:
        ui.openOnStack("Bookshelf");
        showHelpTopic("Bookshelf");
        break;
    case 12:
        ui.openOnStack("NpcList");
        break;
    case 13:
        ui.openOnStack("GateList");
        break;
    case 14:
        setUserVar("drawWorldMap", "1");
        showHelpTopic("CovenantGate");
        break;
    case 15: {
        int covenant = current ? current->getCovenantIndex() : -1;
        if (current && current->isSentient()) {
            ui.openOnStack("NpcEquipmentFull");
        } else if (covenant == -1 || covenant == client->getPlayerCovenantIndex()) {
            ui.openOnStack("NpcEquipment");
        } else {
            ui.openOnStack("NpcEquipmentOnly");
        }
        break;
    }
    case 16:
        ui.openOnStack("House");
        showHelpTopic("HouseLayout");
        break;
    case 17:
        ui.openOnStack("HouseEnemy");
        break;
    case 19:
        if (current && current->isLifeStone()) {
            showHelpTopic("Lifestone");
        }
        break;
    case 22:
        if (current && current->talks() && current->givesQuests()) {
            ui.openOnStack("VendorMenuWithQuests");
        } else if (current && current->talks()) {
            ui.openOnStack("VendorMenu");
        } else {
            ui.openOnStack("Buy-sell");
            ui.show("BagControl");
        }
        if (current) {
            int kind = current->getNpcType();
            if (kind >= 6 && kind <= 8) {
                showHelpTopic("Vendors");
            } else if (kind == 10) {
                showHelpTopic("Gambler");
            } else if (kind == 9) {
                showHelpTopic("GuardVendor");
            }
        }
        break;
    case kActionPickup:
        if (current) {
            client->queueServerCommand(formatString("pickupEntity %d", current->getEntityNumber()));
        }
        if (GameClient* game = GameClient::instance()) {
            client->playInterfaceSound(game->getSound(GameClient::kItemPickupSound));
        }
        action = kActionNone;
        break;
    case 24:
        if (current && current->talks()) {
            ui.openOnStack("QuestNpcMenu");
        } else if (current && current->getNpcType() == 4) {
            ui.openOnStack("NpcPotentialRecruitMenu");
        } else {
            ui.openOnStack("GetQuest");
        }
        if (current && current->getNpcType() >= 1 && current->getNpcType() <= 3) {
            showHelpTopic("QuestGivers");
        }
        break;
    case 25:
        if (current) {
            ui.openOnStack("SolveQuest");
        }
        break;
    case 26:
        ui.openOnStack("NpcRescueMenu");
        break;
    case 27:
        ui.openOnStack("NpcDeliveryMenu");
        break;
    case 28:
        ui.openOnStack("NpcEscortMenu");
        break;
    default:
        break;
    }
}

void PlayerClient::openNpcMenu(int code, EntityClient* entity)
{
    if (entity && entity != target.get()) {
        pendingSkillTree = -1;
        pendingSkillIndex = -1;
        target = entity;
    }
    setAction(code, true, true);
}

EntityClient* PlayerClient::getSelectedNpc() const
{
    if (EntityClient* current = target.get()) {
        return current;
    }
    GameClient* game = GameClient::instance();
    if (!game) {
        return nullptr;
    }
    if (EntityClient* menu = game->getEntity(menuEntity)) {
        return menu;
    }
    return game->getEntity(lastMenuEntity);
}

void PlayerClient::selectNextTarget()
{
    GameClient* game = GameClient::instance();
    const GameData* data = GameData::instance();
    if (!game) {
        return;
    }
    float reach = data ? data->rules().maxSelectedEntityDistance : 0.0f;
    const EntityClient* current = target.get();
    int start = current ? current->getEntityNumber() : -1;
    for (int step = 1; step <= GameClient::kEntityCount; ++step) {
        int number = (start + step) % GameClient::kEntityCount;
        if (number < 0) {
            number += GameClient::kEntityCount;
        }
        EntityClient* entity = number == getEntityNumber() ? nullptr : game->getEntity(number);
        if (entity && entity != current && entity->getMouseAction(true, false) == kActionAttack &&
            (reach <= 0.0f || distanceToEntity(entity, false) <= reach)) {
            setTarget(entity, true);
            return;
        }
    }
}

void PlayerClient::selectFirstRecruit(bool inParty)
{
    Client* client = Client::instance();
    PlayerCovenantClient* covenant = client ? client->getPlayerCovenant() : nullptr;
    GameClient* game = GameClient::instance();
    if (!covenant || !game) {
        return;
    }
    for (int slot = 0; slot < covenant->getRecruitSlotCount(); ++slot) {
        RecruitClient* recruit = covenant->getRecruit(slot);
        EntityClient* entity = recruit ? game->getEntity(recruit->entityNumber) : nullptr;
        if (entity && (!inParty || isPartyMember(entity->getEntityNumber()))) {
            setTarget(entity, true);
            return;
        }
    }
}
