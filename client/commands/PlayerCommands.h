#pragma once

#include "engine/console/CommandRecord.h"

#include <vector>

class RecruitClient;

// The console commands behind the game menus' buttons and key bindings, and
// the lines the server sends back about the player. Most turn a choice into a
// line for the server; each one needing the local player, its selected NPC,
// a party member or a recruit does nothing without it.
namespace PlayerCommands {

void acceptQuest(const CommandArgs& args);
void declineQuest(const CommandArgs& args);
void skipQuest(const CommandArgs& args);
void skipPlayerQuest(const CommandArgs& args);
void incrementAttribute(const CommandArgs& args);
void declareWar(const CommandArgs& args);
void startRumor(const CommandArgs& args);
void switchItemSet(const CommandArgs& args);
void recruit(const CommandArgs& args);
void directInvite(const CommandArgs& args);
void directKick(const CommandArgs& args);
void directRemove(const CommandArgs& args);
void removeNpc(const CommandArgs& args);
void forceFood(const CommandArgs& args);
void forcePotion(const CommandArgs& args);
void rescue(const CommandArgs& args);
void delivery(const CommandArgs& args);
void escort(const CommandArgs& args);
void warp(const CommandArgs& args);

void selectPlayer(const CommandArgs& args);
void selectPartyMember(const CommandArgs& args);
void selectPrevRecruit(const CommandArgs& args);
void selectNextRecruit(const CommandArgs& args);
void selectFirstRecruit(const CommandArgs& args);
void nextTarget(const CommandArgs& args);
void selectLifestone(const CommandArgs& args);
void prevItemComparison(const CommandArgs& args);
void nextItemComparison(const CommandArgs& args);
void npcEquipment(const CommandArgs& args);
void calculateSkillLevel(const CommandArgs& args);
void reloadCollision(const CommandArgs& args);

// Lines from the server.
void timer(const CommandArgs& args);
void usedSkill(const CommandArgs& args);
void itemTimer(const CommandArgs& args);
void warpDir(const CommandArgs& args);

// The quests the selected NPC offers that the player does not hold.
void getAvailableQuests(std::vector<ListEntry>& list);
// The quests the local player holds, in slot order; each row's value is its slot.
void getPlayerQuests(std::vector<ListEntry>& list);

// Levels bought with the points when each costs one more than the last; -1
// for a negative base cost.
int skillLevelFor(int baseCost, int points);
// The selected NPC's recruit record, or the covenant's candidate when it is
// that NPC; none otherwise.
RecruitClient* getSelectedRecruit();

} // namespace PlayerCommands
