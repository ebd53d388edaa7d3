#include "game/covenants/Covenant.h"

#include "game/covenants/CovenantDefinition.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/ItemBase.h"
#include "game/entities/Actor.h"
#include "game/entities/Inventory.h"
#include "game/entities/Recruit.h"
#include "game/entities/Sentient.h"
#include "game/world/Game.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

namespace {
int stat(CovenantStat s)
{
    return static_cast<int>(s);
}

int clampToInt(double value)
{
    if (!(value == value))
        return 0;
    return static_cast<int>(std::clamp(value, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}
} // namespace

Covenant::Covenant()
{
    multipliers.fill(1.0f);
    inventory = std::make_unique<Inventory>();
    const GameData* data = GameData::instance();
    resizeRecruitSlots(data ? data->rules().maxRecruits : 0);
}

Covenant::~Covenant() = default;

// ---- CovenantBase slots

void Covenant::setLifestoneHealth(int health)
{
    if (Entity* stone = lifestone.get())
        stone->setHealth(health);
}

int Covenant::getLifestoneHealth() const
{
    const Entity* stone = lifestone.get();
    return stone ? stone->getHealth() : 0;
}

void Covenant::setLifestoneMaxHealth(int health)
{
    Entity* stone = lifestone.get();
    if (!stone)
        return;
    stone->setMaxHealth(health);
    if (stone->getHealth() > health)
        stone->setHealth(health);
    refreshedStoneMaximum = -1;
}

int Covenant::getLifestoneMaxHealth() const
{
    const Entity* stone = lifestone.get();
    return stone ? stone->getMaxHealth() : 0;
}

int Covenant::getInfluence() const
{
    return influence.total();
}

int Covenant::sumRelationValues() const
{
    return clampToInt(
        std::floor(static_cast<double>(getMultiplier(static_cast<int>(CovenantMultiplier::Taxes))) *
                   CovenantBase::sumRelationValues()));
}

float Covenant::getMultiplier(int kind) const
{
    return kind >= 0 && kind < static_cast<int>(multipliers.size()) ? multipliers[static_cast<size_t>(kind)]
                                                                    : 1.0f;
}

bool Covenant::isExcludedFromKillCredit() const
{
    const Game* game = Game::instance();
    const Covenant* player = game ? game->getPlayerCovenant() : nullptr;
    return player && linkedCovenant != -1 && linkedCovenant == player->index;
}

// ---- Stats

InventoryGroup* Covenant::getHouseGroup() const
{
    return inventory ? inventory->getOwnGroup(kHouseGroup) : nullptr;
}

ItemBase* Covenant::getHouseItem(int slot) const
{
    const InventoryGroup* house = slot >= 0 && slot < kHouseSlots ? getHouseGroup() : nullptr;
    return house && slot < house->getSize() ? house->getItem(slot) : nullptr;
}

int Covenant::itemWorth(const ItemBase* item)
{
    if (!item)
        return 0;
    double worth = item->calculateValue();
    if (item->isStack())
        worth *= item->getQuantity();
    worth *= item->getTypeMultiplier();
    return clampToInt(std::ceil(worth));
}

int Covenant::inventoryGroupWorth(InventoryBase* source)
{
    if (!source)
        return 0;
    long long total = 0;
    for (int slot = 0; slot < 18; ++slot)
        total += itemWorth(source->getItemAt(toIndex(InventoryGroupIndex::Equipment), slot));
    return static_cast<int>(std::min<long long>(total, INT_MAX));
}

int Covenant::peopleValueOfActor(const Sentient* actor)
{
    if (!actor)
        return 0;
    double level = actor->getStat(toIndex(CharacterStat::Level));
    int needed = actor->getStat(toIndex(CharacterStat::XpNeeded));
    double f = needed > 0 ? static_cast<double>(actor->getStat(toIndex(CharacterStat::Xp))) / needed : 0.0;
    return clampToInt((level + f) * (level + f));
}

int Covenant::peopleValueOfRecruit(const Recruit* recruit)
{
    if (!recruit)
        return 0;
    double level = recruit->getStat(toIndex(CharacterStat::Level));
    int needed = recruit->getStat(toIndex(CharacterStat::XpNeeded));
    double f = needed > 0 ? static_cast<double>(recruit->getStat(toIndex(CharacterStat::Xp))) / needed : 0.0;
    return clampToInt((level + f) * (level + f));
}

void Covenant::countPeople()
{
    stats.set(stat(CovenantStat::People), 0);
}

void Covenant::countItems()
{
    stats.set(stat(CovenantStat::Items), 0);
}

void Covenant::refreshPowerStats()
{
    countPeople();
    countItems();
    const Entity* stone = lifestone.get();
    long long stoneSum = stone ? static_cast<long long>(stone->getHealth()) + stone->getMaxHealth() : 0;
    stats.set(stat(CovenantStat::LifeStone),
              static_cast<int>(std::clamp<long long>(stoneSum, INT_MIN, INT_MAX)));
    stats.set(stat(CovenantStat::House), covenantItemsWorth(false));
}

void Covenant::zeroPowerStats()
{
    for (CovenantStat s : {CovenantStat::House, CovenantStat::AbsoluteInfluence, CovenantStat::People,
                           CovenantStat::Items, CovenantStat::LifeStone})
        stats.set(stat(s), 0);
}

void Covenant::collectMembers(std::vector<Sentient*>& out) const
{
    for (const std::unique_ptr<Recruit>& recruit : recruits) {
        if (recruit && recruit->getActor())
            out.push_back(recruit->getActor());
    }
    if (Sentient* extra = getExtraMember())
        out.push_back(extra);
}

void Covenant::updateStats()
{
    // The relics are found once for all the multipliers (each member's
    // recompute lands here).
    std::array<const ItemBase*, kHouseSlots> relics{};
    size_t relicCount = 0;
    for (int slot = kFirstRelicSlot; slot < kHouseSlots; ++slot) {
        if (const ItemBase* relic = getHouseItem(slot))
            relics[relicCount++] = relic;
    }
    for (int k = 0; k < static_cast<int>(multipliers.size()); ++k) {
        float product = 1.0f;
        for (size_t r = 0; r < relicCount; ++r)
            product *= relics[r]->getCovenantMultiplier(static_cast<CovenantMultiplier>(k));
        multipliers[static_cast<size_t>(k)] = product;
    }
    computeGuardCosts();

    std::vector<Sentient*> members;
    collectMembers(members);
    int highest = 0;
    long long sum = 0;
    bestArmor = 0;
    bestDefense = 0;
    bestResistances.fill(0);
    for (const Sentient* member : members) {
        highest = std::max(highest, member->getMaxHealth());
        sum += member->getMaxHealth();
        bestArmor = std::max(bestArmor, member->getStat(toIndex(CharacterStat::Armor)));
        int defense = static_cast<int>(0.75 * member->getStat(toIndex(CharacterStat::Defense)));
        bestDefense = std::max(bestDefense, defense);
        for (int i = 0; i < 6; ++i) {
            int value = member->getStat(toIndex(CharacterStat::ResistancePhysical) + i);
            bestResistances[static_cast<size_t>(i)] =
                std::max(bestResistances[static_cast<size_t>(i)], value);
        }
    }
    const CovenantDefinition* d = getDefinition();
    float regenMult = d ? d->LifestoneRegenMult : 0.0f;
    float healthMult = d ? d->LifestoneHealthMult : 0.0f;
    lifestoneRegen = clampToInt(std::ceil(static_cast<double>(regenMult) * highest));
    int maximum = clampToInt(
        std::floor(static_cast<double>(getMultiplier(static_cast<int>(CovenantMultiplier::LifeStone))) *
                   static_cast<double>(sum) * healthMult));
    // A destroyed covenant with no body left (none is made for it on
    // loading) has nothing to sum: its stone keeps the pair it has, so a
    // save reads back as it was written.
    Entity* stone = destroyed && members.empty() ? nullptr : lifestone.get();
    if (stone) {
        const int before = stone->getMaxHealth();
        if (before < 0) {
            stone->setHealth(maximum);
        } else if (!destroyed && before == refreshedStoneMaximum && maximum > before) {
            // Members that grow (a level, a class, a recruit) raise the stone's
            // health with its maximum; otherwise the stone would fall in share
            // and sound a danger nobody caused.
            stone->setHealth(std::min(stone->getHealth() + (maximum - before), maximum));
        }
        stone->setMaxHealth(maximum);
        if (stone->getHealth() > maximum)
            stone->setHealth(maximum);
        refreshedStoneMaximum = maximum;
    }
}

int Covenant::getLifestoneStat(int statIndex) const
{
    if (statIndex == toIndex(CharacterStat::Defense))
        return bestDefense;
    if (statIndex == toIndex(CharacterStat::Armor))
        return bestArmor;
    int resistance = statIndex - toIndex(CharacterStat::ResistancePhysical);
    return getBestResistance(resistance);
}

void Covenant::addRelicStatBonus(int statIndex, int& value, int group) const
{
    // Relics count as equipment: plain values (0) and item-field values (1).
    if (group != 0 && group != 1)
        return;
    if (statIndex < 0 || statIndex >= kCharacterStatCount)
        return;
    for (int slot = kFirstRelicSlot; slot < kHouseSlots; ++slot) {
        if (const ItemBase* relic = getHouseItem(slot))
            value += relic->getStatBonus(static_cast<CharacterStat>(statIndex));
    }
}

void Covenant::addRelicStatBonuses(int group, std::vector<int>& totals) const
{
    if (group != 0 && group != 1)
        return;
    for (int slot = kFirstRelicSlot; slot < kHouseSlots; ++slot) {
        if (const ItemBase* relic = getHouseItem(slot))
            relic->addStatBonuses(totals, [](int) { return false; });
    }
}

int Covenant::getRelationToEntity(const Entity* entity) const
{
    if (!entity)
        return 2;
    const Covenant* other = entity->getCovenant();
    if (other == this)
        return 4;
    int otherIndex = entity->getCovenantIndex();
    if (otherIndex < 0 || otherIndex >= kMaxCovenants || otherIndex >= getRelationCount())
        return 2;
    int treaty = getRelationState(otherIndex);
    return treaty == static_cast<int>(CovenantTreaty::War) || treaty == static_cast<int>(CovenantTreaty::Raid)
               ? 0
               : 2;
}

void Covenant::onMemberItemChanged(Entity* member, ItemBase*)
{
    if (!member || member->getCovenant() != this)
        return;
    const Actor* actor = dynamic_cast<const Actor*>(member);
    if (actor && actor->isCovenantGuard())
        updateStats();
}
