// How a computer covenant grows: recruiting wandering actors (replacing its
// strongest member when full) and buying better guards from the town.
#include "game/covenants/ActorCovenant.h"

#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Localization.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/GameFormulas.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/ItemData.h"
#include "game/entities/Actor.h"
#include "game/entities/Item.h"
#include "game/entities/Recruit.h"
#include "game/entities/Vendor.h"
#include "game/quests/QuestBase.h"
#include "game/world/Game.h"

#include <cmath>

namespace {
constexpr int kHouse = static_cast<int>(InventoryGroupIndex::House);
constexpr int kMoney = static_cast<int>(CovenantStat::Money);

int statOf(const Actor* actor, CharacterStat stat)
{
    return actor ? actor->getStat(toIndex(stat)) : 0;
}

bool isStrongerActor(const Actor* a, const Actor* b)
{
    const int la = statOf(a, CharacterStat::Level);
    const int lb = statOf(b, CharacterStat::Level);
    return la > lb || (la == lb && statOf(a, CharacterStat::Xp) > statOf(b, CharacterStat::Xp));
}

// The recruiting chance's class: the three class rows fold onto one.
int recruitClassIndex(const Actor& candidate)
{
    const CharacterClass* record = candidate.getCharacterClass();
    const int k = record ? record->getIndex() : 0;
    if (k >= 0 && k <= 3)
        return k;
    if (k >= 4 && k <= 7)
        return k - 4;
    if (k >= 8 && k <= 11)
        return k - 8;
    return 0;
}

const char* levelSuffix(int level)
{
    return level >= 10 && level <= 19 ? "th" : ordinalSuffix(level);
}
} // namespace

int ActorCovenant::findStrongestMember() const
{
    int best = -1;
    for (int slot = 0; slot < getRecruitSlotCount(); ++slot) {
        const Recruit* recruit = getRecruit(slot);
        const Actor* actor = recruit && !recruit->hero ? recruit->getActor() : nullptr;
        if (!actor)
            continue;
        if (best < 0 || isStrongerActor(actor, getRecruitActor(best)))
            best = slot;
    }
    return best;
}

bool ActorCovenant::isStrongerThanMembers(const Actor* candidate) const
{
    const int strongest = findStrongestMember();
    return candidate && strongest >= 0 && isStrongerActor(candidate, getRecruitActor(strongest));
}

bool ActorCovenant::tryRecruit(Actor* candidate, bool alreadyInWorld, const QuestBase* withQuest)
{
    if (!candidate || (candidate->getMaxHealth() > 0 && candidate->getHealth() <= 0))
        return false;
    // Someone another covenant took in meanwhile (the player may recruit
    // this covenant's quest candidate) stays theirs: one body, one covenant.
    if (candidate->getCovenant())
        return false;
    const float p = CovenantDefinition::familyValue(def().ClassRecruitChance, recruitClassIndex(*candidate));
    if (withQuest) {
        if (questCandidateLoaded) {
            questCandidateLoaded = false;
            questCandidate = candidate;
        } else if (questCandidate.get() != candidate) {
            questCandidate = candidate;
            questCandidateWilling =
                randomFloat(0) < p && (hasRoomForRecruit() || isStrongerThanMembers(candidate));
        }
        if (!questCandidateWilling || !withQuest->isComplete())
            return false;
    } else if (!(randomFloat(0) < p)) {
        return false;
    }

    const GameData* data = GameData::instance();
    const int maxRecruits = data ? data->rules().maxRecruits : getRecruitSlotCount();
    int replaced = -1;
    if (getRecruitCount() >= maxRecruits) {
        if (!isStrongerThanMembers(candidate)) {
            if (withQuest)
                questCandidateWilling = false;
            return false;
        }
        replaced = findStrongestMember();
    }
    // The candidate enters the Game before any member leaves: a full table
    // refuses it with nothing changed.
    Game* game = Game::instance();
    if (!alreadyInWorld && (!game || game->addEntity(candidate) < 0)) {
        delete candidate;
        return false;
    }
    if (replaced >= 0)
        removeRecruit(replaced);
    if (addRecruit(candidate) < 0)
        return false;

    if (withQuest) {
        if (game)
            game->closeQuest(withQuest->id, index);
    } else if (game) {
        const int level = statOf(candidate, CharacterStat::Level);
        const CharacterClass* record = candidate->getCharacterClass();
        game->sendGameMessage(wrapText("RecruitedWanderingRecruit", "%s %s %d %s %s",
                                       game->getCovenantColoredName(index).c_str(),
                                       candidate->getName().c_str(), level, levelSuffix(level),
                                       record ? record->name.c_str() : ""),
                              3);
    }
    // A member is no would-be recruit: its record could not bring the
    // marker's bonus back after a load.
    if (const DatabaseEntry* marker = findEntryByName("EnhancementRecruitBasic")) {
        candidate->removeStatusEffect(marker);
        candidate->updateStatusEffects(0.0f); // gone now, not at its next step
    }
    const ZonePosition home = getHouseSpot(candidate);
    candidate->warp(home);
    candidate->setHomePosition(home);
    return true;
}

int ActorCovenant::getQuestState() const
{
    return quest && quest->level != -1 && questCandidateWilling ? quest->progress : 0;
}

void ActorCovenant::upgradeGuard()
{
    if (guardChangeTimer.running && !guardChangeTimer.isExpired())
        return;
    guardChangeTimer.startRandom();
    const int income = sumRelationValues();
    if (income < 0)
        return;
    Game* game = Game::instance();
    const Actor* trainer = game ? game->getTownNpc(toIndex(NpcType::VendorGuard)) : nullptr;
    if (!trainer || (trainer->getMaxHealth() > 0 && trainer->getHealth() <= 0))
        return;
    const Sentient* leader = getLeader();
    if (!leader)
        return;
    std::unique_ptr<Item> guard = Vendor::createGuardItem(leader->getStat(toIndex(CharacterStat::Level)));
    if (!guard)
        return;
    const int slot = slotForNewGuard();
    const ItemBase* old = getHouseItem(slot);
    const int oldPrice = old ? old->getPrice(1) : 0;
    const int newPrice = guard->getPrice(1);
    if (oldPrice > newPrice)
        return;
    const int sale = static_cast<int>(std::floor(lerpByLevel(static_cast<float>(oldPrice)) *
                                                 static_cast<float>(oldPrice) * def().SellPercent));
    const int crystals = stats.get(kMoney);
    if (static_cast<long long>(newPrice) > static_cast<long long>(crystals) + sale)
        return;
    if (guard->getUpkeep() > (old ? old->getUpkeep() : 0) + income)
        return;
    const CovenantDefinition& d = def();
    if (static_cast<float>(sale) * d.MinGuardBoost > static_cast<float>(newPrice) &&
        static_cast<float>(newPrice) * d.IgnoreMinGuardBoostMult > static_cast<float>(crystals))
        return;
    InventoryGroup* house = inventory ? inventory->getOwnGroup(kHouse) : nullptr;
    if (!house || slot < 0 || slot >= house->getSize())
        return;
    if (old) {
        addCrystals(sale);
        dismissGuard(slot);
        // The sold item goes with its guard, so the new one finds the slot empty.
        removeItem(kHouse, slot);
    }
    addCrystals(-std::min(newPrice, stats.get(kMoney)));
    ItemBase* placed = guard.release();
    house->setItem(slot, placed);
    createGuard(placed, slot);
    updateStats();
}
