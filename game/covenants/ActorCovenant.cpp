#include "game/covenants/ActorCovenant.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/covenants/CovenantTrait.h"
#include "game/definitions/GameData.h"
#include "game/definitions/InventoryGroup.h"
#include "game/entities/Actor.h"
#include "game/entities/Inventory.h"
#include "game/entities/Item.h"
#include "game/entities/Recruit.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestBase.h"
#include "game/world/Game.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kWar = static_cast<int>(CovenantTreaty::War);
constexpr int kStash = static_cast<int>(InventoryGroupIndex::Stash);
constexpr int kHouse = static_cast<int>(InventoryGroupIndex::House);

const char* const kRelicEntries[3] = {"Relic1", "Relic2", "Relic3"};
} // namespace

ActorCovenant::ActorCovenant()
{
    for (Timer* timer : {&battleTimer, &adventureTimer, &restTimer, &relationChangeTimer, &adventureTypeTimer,
                         &stopRaidTimer, &guardChangeTimer}) {
        timers.add(timer);
        timer->listed = true;
    }
    inventory->getSlot(kStash)->setSize(kStashSize);
    inventory->getSlot(kHouse)->setSize(kHouseSize);
    const GameData* data = GameData::instance();
    resizeRecruitSlots((data ? data->rules().maxRecruits : 0) + 1);
    if (Game* game = Game::instance(); game && game->hooks().createCovenantQuest)
        quest = game->hooks().createCovenantQuest();
}

void ActorCovenant::clearQuestRecord()
{
    if (quest)
        quest->reset();
}

void ActorCovenant::copyQuestRecord(const Quest& source)
{
    if (quest)
        quest->copyFrom(const_cast<Quest*>(&source));
}

void ActorCovenant::countQuestKill(Entity* victim)
{
    // An empty record (level -1) counts nothing.
    if (auto* record = dynamic_cast<Quest*>(quest.get()))
        record->countKill(victim);
}

ActorCovenant::~ActorCovenant()
{
    // The records go first: each schedules its actor's deletion.
    for (auto& recruit : recruits)
        recruit.reset();
}

const CovenantDefinition& ActorCovenant::def() const
{
    static const CovenantDefinition empty;
    const CovenantDefinition* d = getDefinition();
    return d ? *d : empty;
}

Covenant* ActorCovenant::covenantAt(int other) const
{
    const Game* game = Game::instance();
    return game ? game->getCovenant(other) : nullptr;
}

float ActorCovenant::relationTo(int other) const
{
    return other >= 0 && other < getRelationCount() ? getRelation(other) : 0.0f;
}

// ---- Set-up

void ActorCovenant::initNew(const ZonePosition& position, int level, int newDifficulty)
{
    const CovenantDefinition& d = def();
    housePosition = snapToGrid(position);
    housePosition.normalize();
    difficulty = newDifficulty;
    difficultyModifier =
        d.MinDifficultyModifier + randomFloat(0) * (d.MaxDifficultyModifier - d.MinDifficultyModifier);
    createLifestone(-1, -1);
    createPedestals();
    chooseTraits();
    createStartingRecruits(level);
    addMoney(d.getStartMoney(level));

    const SpawnSystem* spawns = SpawnSystem::instance();
    if (level > 0 && spawns) {
        for (const auto& recruit : recruits) {
            Actor* actor = recruit ? recruit->getActor() : nullptr;
            if (!actor)
                continue;
            for (const DatabaseEntry* kind : d.baseStartItems) {
                if (!kind)
                    continue;
                std::unique_ptr<Item> item =
                    spawns->createBestItemOfKind(actor->getStat(toIndex(CharacterStat::Level)), kind);
                if (!item)
                    continue;
                item->updateStackValue();
                storeItem(item.release());
            }
        }
    }
    if (level > 5 && d.StartNumRandomItems > 0 && spawns) {
        for (int i = 0; i < d.StartNumRandomItems; ++i) {
            std::unique_ptr<Item> item = spawns->createRandomItem(
                level, d.StartRandomItemMagicChance, d.StartRandomItemMinSpread, d.StartRandomItemMaxSpread,
                -1.0f, -1, false, 0, nullptr, ItemRarity::Normal);
            if (!item)
                continue;
            item->setIdentified(true);
            storeItem(item.release());
        }
    }
    const int relics =
        std::min(4, static_cast<int>(std::floor(d.StartNumRelicsPerLevel * static_cast<float>(level))));
    const Database* database = Database::instance();
    for (int i = 0; i < relics; ++i) {
        float r = randomFloat(0);
        const char* name = r < 0.33f ? kRelicEntries[0] : r < 0.67f ? kRelicEntries[1] : kRelicEntries[2];
        const DatabaseEntry* entry = database ? database->findEntry(name) : nullptr;
        if (!entry || !spawns) {
            debugPrint(2, "Covenant %d: no relic entry %s\n", index, name);
            continue;
        }
        std::unique_ptr<Item> item =
            spawns->createRandomItem(level, 0, -1, -1, -1.0f, -1, false, 0, entry, ItemRarity::Normal);
        if (!item)
            continue;
        item->setIdentified(true);
        storeItem(item.release());
    }
    // A new covenant starts with its members whole.
    for (const auto& recruit : recruits) {
        if (Actor* actor = recruit ? recruit->getActor() : nullptr)
            actor->setHealth(actor->getMaxHealth());
    }
    if (getLifestone()) {
        updateStats();
        setLifestoneHealth(getLifestoneMaxHealth());
    }
    const World* world = World::instance();
    knownLevels.assign(static_cast<size_t>(world ? world->getLevelCount() : 0), false);
    setTimerIntervals();
}

float ActorCovenant::startingRelationTo(int other) const
{
    const Game* game = Game::instance();
    const int count = game ? game->getCovenantCount() : 0;
    if (other == index)
        return 100.0f;
    const GameData* data = GameData::instance();
    if (other == count)
        return def().getStartingRelation(data ? data->findCovenantDefinition("Human") : -1);
    const Covenant* covenant = covenantAt(other);
    if (!covenant)
        return 50.0f;
    return def().getStartingRelation(covenant->definitionIndex);
}

void ActorCovenant::initRelations()
{
    Game* game = Game::instance();
    const int count = game ? game->getCovenantCount() : 0;
    const CovenantDefinition& d = def();
    for (int i = 0; i <= count && i < kMaxCovenants; ++i) {
        float r = startingRelationTo(i);
        const bool hasRecord = ensureRelation(i);
        if (hasRecord)
            setRelation(i, std::clamp(r, 0.0f, 100.0f));
        if (game)
            game->announceDiplomacy(index, i, static_cast<int>(CovenantTreaty::Peace), false);
        float hate = d.NaturalHateMult * d.MaxNaturalHate;
        const float relation = hasRecord ? getRelation(i) : 0.0f;
        if (!hasRecord || relation < 49.0f)
            hate *= d.EnemyNaturalHateMult;
        else if (relation > 51.0f)
            hate *= d.FriendNaturalHateMult;
        memoryOf(i).naturalHate = randomFloat(0) * hate;
    }
}

void ActorCovenant::createLifestone(int health, int maxHealth)
{
    const Database* database = Database::instance();
    const DatabaseEntry* entry = database ? database->findEntry("ObjectLifestone") : nullptr;
    if (!entry) {
        debugPrint(2, "Covenant %d: no \"ObjectLifestone\" entry; no life stone\n", index);
        return;
    }
    Entity* stone = Entity::createEntity(entry, "", nullptr, "", 1.0f);
    if (!stone)
        return;
    stone->setPosition(housePosition);
    stone->setSecondaryPosition(housePosition);
    stone->setMaxHealth(maxHealth);
    stone->setHealth(health);
    stone->setCovenantIndex(index);
    if (Entity* old = lifestone.get(); old && old != stone)
        old->scheduleDelete(0.0f);
    setLifestone(stone);
}

bool ActorCovenant::embodyRecruit(Recruit* recruit, bool restore)
{
    Game* game = Game::instance();
    Actor* actor = recruit->createActor(this, restore);
    if (!actor)
        return false;
    ZonePosition spot = getHouseSpot(actor);
    actor->setPosition(spot);
    actor->setSecondaryPosition(spot);
    actor->setHomePosition(spot);
    if (!game || game->addEntity(actor) < 0) {
        recruit->detachActor();
        delete actor;
        return false;
    }
    return true;
}

void ActorCovenant::createRecruit(int level, bool hero)
{
    const SpawnSystem* spawns = SpawnSystem::instance();
    auto recruit = std::make_unique<Recruit>();
    recruit->covenantIndex = index;
    recruit->hero = hero;
    Actor* temporary = spawns ? spawns->createRecruitActor(chooseRecruitClass(), level) : nullptr;
    if (!temporary) {
        debugPrint(2, "Covenant %d: no recruit actor of level %d\n", index, level);
        return;
    }
    recruit->saveFromActor(temporary);
    delete temporary;
    const int slot = firstFreeRecruitSlot();
    if (slot < 0)
        return;
    Recruit* placed = recruit.get();
    recruits[static_cast<size_t>(slot)] = std::move(recruit);
    embodyRecruit(placed, false);
    recruitCount = getRecruitCount();
}

void ActorCovenant::createStartingRecruits(int level)
{
    if (destroyed)
        return;
    const CovenantDefinition& d = def();
    const int n = d.getStartNumRecruits(level);
    for (int i = 0; i < n; ++i)
        createRecruit(d.rollStartRecruitLevel(level), false);
    createRecruit(std::max(level, 1), true);
}

void ActorCovenant::chooseTraits()
{
    const CovenantDefinition& d = def();
    traits.clear();
    if (d.NumTraits <= 0)
        return;
    const GameData* data = GameData::instance();
    if (!data)
        return;
    const auto& all = data->getCovenantTraits();
    auto held = [&](const CovenantTrait* t) {
        return std::find(traits.begin(), traits.end(), t) != traits.end();
    };
    for (const std::string& name : d.traits) {
        for (const auto& loaded : all) {
            if (loaded.definition && loaded.name == name) {
                traits.push_back(loaded.definition);
                break;
            }
        }
    }
    // A definition may ask more traits than can be drawn: stop once none is
    // left to draw, and after a bounded number of draws.
    auto drawable = [&] {
        for (const auto& loaded : all) {
            if (loaded.definition && !held(loaded.definition) && !loaded.definition->conflictsWithAny(traits))
                return true;
        }
        return false;
    };
    const int maxDraws = 20 * d.NumTraits;
    for (int draws = 0; static_cast<int>(traits.size()) < d.NumTraits && draws < maxDraws && !all.empty();
         ++draws) {
        if (!drawable())
            break;
        size_t pick =
            std::min(all.size() - 1, static_cast<size_t>(randomFloat(0) * static_cast<float>(all.size())));
        const CovenantTrait* trait = all[pick].definition;
        if (!trait || held(trait) || trait->conflictsWithAny(traits))
            continue;
        traits.push_back(trait);
    }
}

void ActorCovenant::setTimerIntervals()
{
    const CovenantDefinition& d = def();
    auto set = [](Timer& timer, float base, float spread) {
        timer.min = base - base * spread;
        timer.max = base + base * spread;
    };
    const float battle = CovenantDefinition::familyValue(d.TimeBetweenSimilatedBattles, difficulty) *
                         getMultiplier(static_cast<int>(CovenantMultiplier::Adventure)) /
                         (difficultyModifier != 0.0f ? difficultyModifier : 1.0f);
    set(battleTimer, battle, 0.1f);
    set(adventureTimer, d.TimePerAdventure, 0.25f);
    set(restTimer, d.TimeBetweenAdventures, 0.25f);
    set(relationChangeTimer, d.TimeBetweenRandomRelationChanges, 0.1f);
    set(adventureTypeTimer, d.AdventureTypeTime, 0.1f);
    set(stopRaidTimer, d.StopRaidTime, 0.1f);
    set(guardChangeTimer, d.TimeBetweenGuardChanges, 0.1f);
}

void ActorCovenant::deleteRecruit(Recruit* recruit)
{
    for (auto& slot : recruits) {
        if (slot.get() == recruit) {
            slot.reset();
            recruitCount = getRecruitCount();
            return;
        }
    }
}

Recruit* ActorCovenant::findHeroRecruit() const
{
    for (const auto& recruit : recruits) {
        if (recruit && recruit->hero)
            return recruit.get();
    }
    return nullptr;
}

// ---- Small overrides

void ActorCovenant::onTreatyChanged(int other)
{
    if (getRelationState(other) != kWar)
        return;
    const CovenantDefinition& d = def();
    changeRelationScaled(other,
                         d.RelationChangeMinWarStart +
                             randomFloat(0) * (d.RelationChangeMaxWarStart - d.RelationChangeMinWarStart),
                         false);
}

void ActorCovenant::countPeople()
{
    long long sum = 0;
    for (const auto& recruit : recruits) {
        if (recruit)
            sum += peopleValueOfRecruit(recruit.get());
    }
    stats.set(static_cast<int>(CovenantStat::People), static_cast<int>(std::min<long long>(sum, INT32_MAX)));
}

void ActorCovenant::countItems()
{
    long long sum = 0;
    for (const auto& recruit : recruits) {
        if (!recruit)
            continue;
        if (Actor* actor = recruit->getActor())
            sum += inventoryGroupWorth(actor->getInventory());
        else if (recruit->inventory)
            sum += inventoryGroupWorth(recruit->inventory.get());
    }
    stats.set(static_cast<int>(CovenantStat::Items), static_cast<int>(std::min<long long>(sum, INT32_MAX)));
}

bool ActorCovenant::isMemberBusy(const Entity* member) const
{
    const Recruit* recruit = findRecruitByActor(dynamic_cast<const Actor*>(member));
    if (!recruit)
        return false;
    return isRaiding() || isBeingRaided() || recruit->away != 0;
}

void ActorCovenant::onRaidStarted(Covenant* target)
{
    if (!target)
        return;
    const CovenantDefinition& d = def();
    changeRelationScaled(target->index,
                         d.RelationChangeMinRaidStart +
                             randomFloat(0) * (d.RelationChangeMaxRaidStart - d.RelationChangeMinRaidStart),
                         false);
    withdrawOffer(target, false);
}

Sentient* ActorCovenant::getLeader() const
{
    const Recruit* hero = findHeroRecruit();
    return hero ? hero->getActor() : nullptr;
}

ItemBase* ActorCovenant::getItem(int group, int slot) const
{
    const InventoryGroup* g = inventory->getOwnGroup(group);
    return g && slot >= 0 && slot < g->getSize() ? g->getItem(slot) : nullptr;
}

void ActorCovenant::removeItem(int group, int slot)
{
    InventoryGroup* g = inventory->getOwnGroup(group);
    if (g && slot >= 0 && slot < g->getSize())
        g->destroyItemAt(slot);
}

ZonePosition ActorCovenant::getTownVisitPosition() const
{
    return townVisitPosition;
}

float ActorCovenant::getMultiplier(int kind) const
{
    float product = Covenant::getMultiplier(kind);
    for (const CovenantTrait* trait : traits)
        product *= trait->getMultiplier(kind);
    return product;
}

int ActorCovenant::getTraitId(int i) const
{
    if (i < 0 || i >= static_cast<int>(traits.size()))
        return -1;
    const GameData* data = GameData::instance();
    if (!data)
        return -1;
    const auto& all = data->getCovenantTraits();
    for (size_t k = 0; k < all.size(); ++k) {
        if (all[k].definition == traits[static_cast<size_t>(i)])
            return static_cast<int>(k);
    }
    return -1;
}

void ActorCovenant::onRecruitAdded(Actor* actor)
{
    if (!actor)
        return;
    std::vector<const DatabaseEntry*> effects;
    memberEffects(effects);
    for (const DatabaseEntry* effect : effects)
        actor->addStatusEffect(effect, actor, 15);
}

void ActorCovenant::memberEffects(std::vector<const DatabaseEntry*>& out) const
{
    for (const CovenantTrait* trait : traits) {
        if (trait->statusEffect)
            out.push_back(trait->statusEffect);
    }
}

float ActorCovenant::lootShareFor(const Entity* killer) const
{
    // Only a recruit's kill shares its loot with the covenant.
    return findRecruitByActor(dynamic_cast<const Actor*>(killer)) ? 0.5f : 0.0f;
}

void ActorCovenant::takeLoot(Actor* victim)
{
    takeLootFromActor(victim);
}
