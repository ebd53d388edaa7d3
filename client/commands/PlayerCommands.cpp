#include "client/commands/PlayerCommands.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/QuestClient.h"
#include "client/mirrors/RecruitClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/resources/ResourceSystem.h"
#include "game/world/Level.h"
#include "game/world/World.h"

#include <cstdlib>

namespace PlayerCommands {
namespace {

Client* client()
{
    return Client::instance();
}

PlayerClient* player()
{
    Client* c = client();
    return c ? c->getLocalPlayer() : nullptr;
}

std::string userVar(const char* name)
{
    UserVarSystem* vars = UserVarSystem::instance();
    const UserVar* var = vars ? vars->findVar(name) : nullptr;
    return var ? var->getString() : std::string();
}

void queue(const std::string& line)
{
    if (Client* c = client()) {
        c->queueServerCommand(line);
    }
}

int argInt(const CommandArgs& args, size_t i)
{
    return i < args.size() ? std::atoi(args[i].c_str()) : 0;
}

EntityClient* selectedNpc()
{
    PlayerClient* p = player();
    return p ? p->getSelectedNpc() : nullptr;
}

// The recruit slot that names the selected NPC, -1 when it is no recruit.
int recruitIndex()
{
    Client* c = client();
    PlayerCovenantClient* covenant = c ? c->getPlayerCovenant() : nullptr;
    EntityClient* npc = selectedNpc();
    return covenant && npc ? covenant->findRecruitSlot(npc->getEntityNumber()) : -1;
}

// Party member n's mirror: none without a local player or outside the party.
EntityClient* partyMember(int n)
{
    Client* c = client();
    return c ? c->getEntityByIndex(n) : nullptr;
}

void queueForNpc(const char* pattern)
{
    if (EntityClient* npc = player() ? selectedNpc() : nullptr) {
        queue(formatString(pattern, npc->getEntityNumber()));
    }
}

void queueForMember(const char* pattern, const CommandArgs& args)
{
    if (EntityClient* member = partyMember(argInt(args, 0))) {
        queue(formatString(pattern, member->getEntityNumber()));
    }
}

int currentCovenant()
{
    const GameClient* game = GameClient::instance();
    return game ? game->getCurrentCovenant() : -1;
}

} // namespace

void acceptQuest(const CommandArgs&)
{
    queue("acceptQuest " + userVar("SelectedQuest"));
}

void declineQuest(const CommandArgs&)
{
    queue("declineQuest " + userVar("QuestToDecline"));
}

void skipQuest(const CommandArgs&)
{
    queue("skipQuest " + userVar("SelectedQuest"));
}

void skipPlayerQuest(const CommandArgs&)
{
    PlayerClient* p = player();
    if (!p) {
        return;
    }
    int slot = std::atoi(userVar("QuestToSkip").c_str());
    queue(formatString("skipQuest %d", p->getQuestSlotId(slot)));
}

void incrementAttribute(const CommandArgs& args)
{
    queue("IncAtrb " + (args.empty() ? std::string() : args[0]));
    // The sound answers the press at once, before the server does.
    Client* c = client();
    GameClient* game = GameClient::instance();
    if (c && game) {
        c->playInterfaceSound(game->getSound(GameClient::kAttributeIncreaseSound));
    }
}

void declareWar(const CommandArgs&)
{
    queue(formatString("declareWar %d", currentCovenant()));
}

void startRumor(const CommandArgs& args)
{
    queue(formatString("startRumor %d %s", currentCovenant(), args.empty() ? "" : args[0].c_str()));
}

void switchItemSet(const CommandArgs&)
{
    if (PlayerClient* p = player()) {
        p->toggleWeaponSet();
        queue("switchItemSet");
    }
}

void recruit(const CommandArgs& args)
{
    EntityClient* npc = player() ? selectedNpc() : nullptr;
    if (!npc) {
        return;
    }
    std::string flag = args.empty() ? std::string() : toLowerCopy(args[0]);
    int join = flag == "1" || flag == "true" ? 1 : 0;
    queue(formatString("recruit %d %d", npc->getEntityNumber(), join));
}

void directInvite(const CommandArgs&)
{
    int index = player() ? recruitIndex() : -1;
    if (index >= 0) {
        queue(formatString("invite %d", index));
    }
}

void directKick(const CommandArgs&)
{
    int index = player() ? recruitIndex() : -1;
    if (index >= 0) {
        queue(formatString("kickout %d", index));
    }
}

void directRemove(const CommandArgs&)
{
    queueForNpc("removeNpc %d");
}

void removeNpc(const CommandArgs& args)
{
    queueForMember("removeNpc %d", args);
}

void forceFood(const CommandArgs& args)
{
    queueForMember("forceFood %d", args);
}

void forcePotion(const CommandArgs& args)
{
    queueForMember("forcePotion %d", args);
}

void rescue(const CommandArgs&)
{
    queueForNpc("rescue %d");
}

void delivery(const CommandArgs&)
{
    queueForNpc("delivery %d");
}

void escort(const CommandArgs&)
{
    queueForNpc("escort %d");
}

void warp(const CommandArgs& args)
{
    PlayerClient* p = player();
    if (!p || args.size() < 3) {
        return;
    }
    ZonePosition to(argInt(args, 0), static_cast<float>(std::atof(args[1].c_str())),
                    static_cast<float>(std::atof(args[2].c_str())));
    p->warpTo(to);
    queue(formatString("warpConfirm %d %.1f %.1f", to.zone, static_cast<double>(to.x),
                       static_cast<double>(to.y)));
}

void selectPlayer(const CommandArgs&)
{
    PlayerClient* p = player();
    if (!p || p->target.get() == p) {
        return;
    }
    p->openNpcMenu(PlayerClient::kActionNone, nullptr);
    p->menuEntity = -1;
    p->lastMenuEntity = -1;
    p->target = p;
}

void selectPartyMember(const CommandArgs& args)
{
    PlayerClient* p = player();
    if (EntityClient* member = p ? partyMember(argInt(args, 0)) : nullptr) {
        p->setTarget(member, true);
    }
}

void selectPrevRecruit(const CommandArgs&)
{
    if (PlayerClient* p = player()) {
        p->selectPreviousRecruit();
    }
}

void selectNextRecruit(const CommandArgs&)
{
    if (PlayerClient* p = player()) {
        p->selectNextRecruit();
    }
}

void selectFirstRecruit(const CommandArgs&)
{
    PlayerClient* p = player();
    if (!p) {
        return;
    }
    const EntityClient* before = p->target.get();
    p->selectFirstRecruit(true);
    if (p->target.get() == before) {
        p->selectFirstRecruit(false);
    }
}

void nextTarget(const CommandArgs&)
{
    if (PlayerClient* p = player()) {
        p->selectNextTarget();
    }
}

void selectLifestone(const CommandArgs& args)
{
    PlayerClient* p = player();
    GameClient* game = GameClient::instance();
    if (!p || !game) {
        return;
    }
    int covenant = argInt(args, 0);
    for (int number = 0; number < GameClient::kEntityCount; ++number) {
        EntityClient* entity = game->getEntity(number);
        if (entity && entity->isLifeStone() && entity->getCovenantIndex() == covenant) {
            p->setTarget(entity, true);
        }
    }
}

void prevItemComparison(const CommandArgs&)
{
    if (PlayerClient* p = player()) {
        p->scrollItemComparison(-1);
    }
}

void nextItemComparison(const CommandArgs&)
{
    if (PlayerClient* p = player()) {
        p->scrollItemComparison(1);
    }
}

void npcEquipment(const CommandArgs&)
{
    PlayerClient* p = player();
    EntityClient* selected = p ? p->target.get() : nullptr;
    if (selected && selected->getEntityNumber() >= 0) {
        p->openNpcMenu(15, selected);
    }
}

int skillLevelFor(int baseCost, int points)
{
    if (baseCost < 0) {
        return -1;
    }
    int level = 0;
    int cost = baseCost;
    // A base of 0 buys its first level free; the cost then rises, so this ends.
    while (points >= cost) {
        points -= cost;
        cost += 1;
        level += 1;
    }
    return level;
}

void calculateSkillLevel(const CommandArgs& args)
{
    DebugSystem* debug = DebugSystem::instance();
    int level = skillLevelFor(argInt(args, 0), argInt(args, 1));
    if (!debug) {
        return;
    }
    if (level < 0) {
        debug->printRaw("Usage: calculateSkillLevel baseCost skillPoints (baseCost 0 or more)\n");
        return;
    }
    debug->printRaw(formatString("Skill level = %d\n", level));
}

void reloadCollision(const CommandArgs&)
{
    if (ResourceSystem* resources = ResourceSystem::instance()) {
        resources->reloadExtension("mdl");
    }
    if (World* world = World::instance()) {
        for (int i = 0; i < world->getLevelCount(); ++i) {
            if (Level* level = world->getLevel(i)) {
                level->clearGrids();
            }
        }
    }
}

void timer(const CommandArgs& args)
{
    GameClient* game = GameClient::instance();
    int number = argInt(args, 0);
    EntityClient* entity = game ? game->getEntity(number) : nullptr;
    if (!entity) {
        return;
    }
    int kind = argInt(args, 2);
    entity->startProgress(args.size() > 1 ? static_cast<float>(std::atof(args[1].c_str())) : 0.0f, kind);
    Client* c = client();
    if (c && kind == EntityClient::kProgressResurrecting && number >= 0 && number == c->getPlayerSlot()) {
        c->getUi().takeOffStack("PlayerDead");
    }
}

void usedSkill(const CommandArgs& args)
{
    if (PlayerClient* p = player()) {
        p->onSkillUsed(argInt(args, 0), argInt(args, 1) != 0);
    }
}

void itemTimer(const CommandArgs& args)
{
    PlayerClient* p = player();
    int index = argInt(args, 0);
    // 0 is "no timer"; the server knows four.
    if (!p || index < 1 || index >= PlayerClient::kItemTimers || args.size() < 2) {
        return;
    }
    p->getItemTimer(index).start(static_cast<float>(std::atof(args[1].c_str())));
}

void warpDir(const CommandArgs& args)
{
    PlayerClient* p = player();
    int direction = argInt(args, 0);
    if (p && direction >= 0 && direction <= 7) {
        p->setDirection(direction);
        p->warpDirection = direction;
    }
}

void getAvailableQuests(std::vector<ListEntry>& list)
{
    PlayerClient* p = player();
    EntityClient* npc = p ? p->getSelectedNpc() : nullptr;
    GameClient* game = GameClient::instance();
    if (!npc || !game) {
        return;
    }
    for (int32_t q : npc->getOfferedQuests()) {
        if (p->hasQuest(q)) {
            continue;
        }
        QuestClient* quest =
            q >= 0 && static_cast<size_t>(q) < game->getQuestCount() ? game->getQuest(q) : nullptr;
        if (!quest) {
            continue;
        }
        ListEntry entry;
        entry.name = quest->getTitle(false, p->getStat(PlayerClient::kStatLevel));
        entry.value = formatString("%d", q);
        list.push_back(std::move(entry));
    }
}

void getPlayerQuests(std::vector<ListEntry>& list)
{
    PlayerClient* p = player();
    for (int slot = 0; p && slot < PlayerClient::kQuestSlots; ++slot) {
        if (p->isQuestSlotActive(slot)) {
            ListEntry entry;
            entry.name = p->getQuestSlotTitle(slot);
            entry.value = formatString("%d", slot);
            list.push_back(std::move(entry));
        }
    }
}

RecruitClient* getSelectedRecruit()
{
    Client* c = client();
    PlayerCovenantClient* covenant = c ? c->getPlayerCovenant() : nullptr;
    EntityClient* npc = selectedNpc();
    if (!covenant || !npc) {
        return nullptr;
    }
    int index = covenant->findRecruitSlot(npc->getEntityNumber());
    if (index >= 0) {
        return covenant->getRecruit(index);
    }
    RecruitClient* candidate = covenant->recruitCandidate.get();
    return candidate && candidate->entityNumber >= 0 && candidate->entityNumber == npc->getEntityNumber()
               ? candidate
               : nullptr;
}

} // namespace PlayerCommands
