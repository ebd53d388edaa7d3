#include "game/covenants/Covenant.h"

#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/definitions/GameData.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/MonsterType.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Actor.h"
#include "game/entities/Item.h"
#include "game/entities/ItemGround.h"
#include "game/entities/Recruit.h"
#include "game/world/Game.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"

#include <algorithm>
#include <cmath>

namespace {
float tileSize()
{
    return worldRules().tileSize;
}

// Guard posts in tiles from the house position.
constexpr float kGuardPostX[Covenant::kGuardSlots] = {-2.0f, 3.0f, -2.0f, 3.0f};
constexpr float kGuardPostY[Covenant::kGuardSlots] = {3.0f, 3.0f, -3.0f, -3.0f};
// Rings searched around a guard post.
constexpr int kPostRings = 4;

bool isGuardEntity(const Entity* entity)
{
    const Actor* actor = dynamic_cast<const Actor*>(entity);
    return actor && actor->isCovenantGuard();
}
} // namespace

// ---- Life stone

void Covenant::setLifestone(Entity* stone)
{
    lifestone = stone;
    refreshedStoneMaximum = -1;
    if (!stone)
        return;
    housePosition = stone->getPosition();
    stone->setCovenantIndex(index);
}

float Covenant::lifestoneFraction() const
{
    int maximum = getLifestoneMaxHealth();
    return maximum > 0 ? static_cast<float>(getLifestoneHealth()) / static_cast<float>(maximum) : 0.0f;
}

void Covenant::onMemberDied(Sentient* member)
{
    if (!member || isGuardEntity(member) || !lifestone.get())
        return;
    int health = getLifestoneHealth();
    int floorHealth = static_cast<int>(std::floor(0.25 * getLifestoneMaxHealth()));
    if (health > floorHealth)
        setLifestoneHealth(std::max(health - member->getMaxHealth(), floorHealth));
}

float Covenant::getResurrectTime(const Entity* member) const
{
    if (destroyed)
        return -1.0f;
    if (!member || isGuardEntity(member))
        return 0.0f;
    const CovenantDefinition* d = getDefinition();
    float minTime = d ? d->MinRezTime : 0.0f;
    float maxTime = d ? d->MaxRezTime : 0.0f;
    if (member == getLeader())
        return minTime * (d ? d->HeroRezTimeMult : 0.0f);
    return minTime + (1.0f - lifestoneFraction()) * (maxTime - minTime);
}

ZonePosition Covenant::getPositionNearLifestone() const
{
    const Entity* stone = lifestone.get();
    if (!stone)
        return ZonePosition(-1, 0.0f, 0.0f);
    ZonePosition spot = stone->getPosition();
    spot.x += 200.0f;
    spot.normalize();
    spot = snapToGrid(spot);
    spot.normalize();
    return spot;
}

// ---- Guards

ZonePosition Covenant::guardPost(int slot) const
{
    if (slot < 0 || slot >= kGuardSlots)
        return housePosition;
    ZonePosition post = housePosition;
    post.x += kGuardPostX[slot] * tileSize();
    post.y += kGuardPostY[slot] * tileSize();
    post.normalize();
    return post;
}

void Covenant::createGuard(ItemBase* guardItem, int slot)
{
    if (!guardItem || !guardItem->getGuardType() || destroyed || slot < 0 || slot >= kGuardSlots)
        return;
    const GameData* data = GameData::instance();
    const MonsterType* type =
        data ? data->findMonsterTypeByEntryId(guardItem->getGuardType()->getId()) : nullptr;
    SpawnSystem* spawn = SpawnSystem::instance();
    Game* game = Game::instance();
    if (!type || !spawn || !game)
        return;
    Actor* guard =
        spawn->spawnMonster(type, housePosition.zone, MonsterRarity::Normal, type->getMinLevel(), true);
    if (!guard)
        return;
    guard->setFlags(guard->getFlags() & ~Actor::kFlagHidden);
    guard->setCovenantIndex(index);
    guard->setCovenantGuard(true);
    ZonePosition post = guardPost(slot);
    // A post the town's ground blocks: the nearest free place around it.
    game->findFreeSpotNear(guardPost(slot), kPostRings, post, guard, true);
    guard->setPosition(post);
    guard->setSecondaryPosition(post);
    guard->setHomePosition(post);
    if (guardItem->getGuardHealth() < guard->getMaxHealth())
        guard->setHealth(guardItem->getGuardHealth());
    if (game->addEntity(guard) < 0) {
        delete guard;
        return;
    }
    dismissGuard(slot);
    guards[static_cast<size_t>(slot)] = guard;
}

void Covenant::seatGuards()
{
    Game* game = Game::instance();
    World* world = World::instance();
    if (!game || !world)
        return;
    for (int slot = 0; slot < kGuardSlots; ++slot) {
        auto* guard = dynamic_cast<Actor*>(guards[static_cast<size_t>(slot)].get());
        if (!guard)
            continue;
        // Only a guard still on its very post, which could not be checked
        // while its level was unbuilt (a loaded world's guards).
        const ZonePosition post = guardPost(slot);
        const ZonePosition& at = guard->getPosition();
        if (at.zone != post.zone || at.x != post.x || at.y != post.y || !world->isLevelLoaded(post.zone) ||
            !world->isCircleBlocked(post, guard->getRadius()))
            continue;
        ZonePosition spot = post;
        if (!game->findFreeSpotNear(post, kPostRings, spot, guard, false))
            continue;
        guard->setPosition(spot);
        guard->setSecondaryPosition(spot);
        guard->setHomePosition(spot);
    }
}

void Covenant::dismissGuard(int slot)
{
    if (slot < 0 || slot >= kGuardSlots)
        return;
    // A guard let go is no longer the house's, even while it waits for its
    // deletion: it names the covenant no more, as a member let go does.
    if (Entity* guard = guards[static_cast<size_t>(slot)].get()) {
        guard->setCovenantIndex(-1);
        guard->scheduleDelete(0.0f);
    }
    guards[static_cast<size_t>(slot)] = nullptr;
}

void Covenant::fadeOutGuard(int slot)
{
    if (slot < 0 || slot >= kGuardSlots)
        return;
    if (Entity* guard = guards[static_cast<size_t>(slot)].get())
        Entity::fadeOutAndDelete(guard, 5.0f);
    guards[static_cast<size_t>(slot)] = nullptr;
}

void Covenant::removeAllGuards()
{
    for (int slot = 0; slot < kGuardSlots; ++slot) {
        removeItem(kHouseGroup, slot);
        dismissGuard(slot);
    }
    computeGuardCosts();
}

Entity* Covenant::getGuard(int slot) const
{
    return slot >= 0 && slot < kGuardSlots ? guards[static_cast<size_t>(slot)].get() : nullptr;
}

void Covenant::releaseGuard(int slot)
{
    if (slot < 0 || slot >= kGuardSlots)
        return;
    if (Entity* guard = guards[static_cast<size_t>(slot)].get()) {
        guard->setCovenantIndex(-1);
        if (Actor* actor = dynamic_cast<Actor*>(guard))
            actor->setCovenantGuard(false);
    }
    if (ItemBase* item = getHouseItem(slot)) {
        item->setBrokenFree(true);
        item->updateStackValue();
    }
    guards[static_cast<size_t>(slot)] = nullptr;
    // The freed guard's item is paid for no more.
    updateStats();
}

int Covenant::slotForNewGuard() const
{
    int best = -1;
    int bestPrice = 0;
    for (int slot = 0; slot < kGuardSlots; ++slot) {
        const ItemBase* item = getHouseItem(slot);
        if (!item || !item->getGuardType() || item->hasBrokenFree())
            return slot;
        // The cheapest guard: prices compared with prices, the first kept on ties.
        int price = item->getPrice(1);
        if (best < 0 || price < bestPrice) {
            best = slot;
            bestPrice = price;
        }
    }
    return best;
}

// ---- Relics and pedestals

void Covenant::createPedestals()
{
    Game* game = Game::instance();
    const Database* database = Database::instance();
    if (!game)
        return;
    const DatabaseEntry* entry = database ? database->findEntry("ObjectPedestal") : nullptr;
    const std::vector<Vec2>& offsets = game->settings().pedestalOffsets;
    for (int i = 0; i < kRelicSlots; ++i) {
        if (i >= static_cast<int>(offsets.size())) {
            debugPrint(2, "Covenant %d: no \"PedestalOffset\" %d in the rules; no pedestal there\n", index,
                       i);
            continue;
        }
        Entity* pedestal = Entity::createEntity(entry, "", nullptr, "", 1.0f);
        if (!pedestal)
            continue;
        ZonePosition spot = housePosition;
        spot.x += offsets[static_cast<size_t>(i)].x;
        spot.y += offsets[static_cast<size_t>(i)].y;
        spot.normalize();
        pedestal->setPosition(spot);
        pedestal->setSecondaryPosition(spot);
        pedestal->setCovenantIndex(index);
        if (Entity* old = pedestals[static_cast<size_t>(i)].get())
            old->scheduleDelete(0.0f);
        pedestals[static_cast<size_t>(i)] = pedestal;
    }
}

Entity* Covenant::getPedestal(int i) const
{
    return i >= 0 && i < kRelicSlots ? pedestals[static_cast<size_t>(i)].get() : nullptr;
}

void Covenant::showHouseRelics()
{
    for (int slot = kFirstRelicSlot; slot < kHouseSlots; ++slot) {
        ItemBase* relic = getHouseItem(slot);
        if (relic && relic->getItemType() == ItemType::Relic)
            createRelicDisplay(relic, slot);
    }
}

void Covenant::createRelicDisplay(ItemBase* relic, int slot)
{
    int i = slot - kFirstRelicSlot;
    if (!relic || destroyed || i < 0 || i >= kRelicSlots)
        return;
    Entity* pedestal = pedestals[static_cast<size_t>(i)].get();
    Game* game = Game::instance();
    if (!pedestal || !game)
        return;
    // The display shows a copy: the relic itself stays in the house group.
    auto shown = std::make_unique<Item>();
    shown->copyFrom(*relic);
    auto* display = new ItemGround();
    if (const DatabaseEntry* entry = relic->getEntry())
        display->setEntry(entry, entry->getName());
    display->setItem(shown.release());
    display->setPosition(pedestal->getPosition());
    display->setSecondaryPosition(pedestal->getPosition());
    if (game->addEntity(display) < 0) {
        delete display;
        return;
    }
    display->setParent(pedestal->getEntityNumber(), pedestal->findAttachPoint("tag_relic"));
    removeRelicDisplay(slot);
    relicDisplays[static_cast<size_t>(i)] = display;
}

void Covenant::removeRelicDisplay(int slot)
{
    int i = slot - kFirstRelicSlot;
    if (i < 0 || i >= kRelicSlots)
        return;
    if (Entity* display = relicDisplays[static_cast<size_t>(i)].get())
        display->scheduleDelete(0.0f);
    relicDisplays[static_cast<size_t>(i)] = nullptr;
}

Entity* Covenant::getRelicDisplay(int slot) const
{
    int i = slot - kFirstRelicSlot;
    return i >= 0 && i < kRelicSlots ? relicDisplays[static_cast<size_t>(i)].get() : nullptr;
}

int Covenant::relicSlotToReplace() const
{
    int best = -1;
    int bestWorth = 0;
    for (int slot = kFirstRelicSlot; slot < kHouseSlots; ++slot) {
        const ItemBase* relic = getHouseItem(slot);
        if (!relic)
            return slot;
        int worth = itemWorth(relic);
        if (best < 0 || worth < bestWorth) {
            best = slot;
            bestWorth = worth;
        }
    }
    return best;
}

bool Covenant::isMember(const Entity* entity) const
{
    if (!entity)
        return false;
    if (entity == getLeader() || entity == getExtraMember())
        return true;
    for (const std::unique_ptr<Recruit>& recruit : recruits) {
        if (recruit && recruit->getActor() == entity)
            return true;
    }
    return false;
}

bool Covenant::isHouseEntity(const Entity* entity) const
{
    if (!entity)
        return false;
    if (entity == lifestone.get())
        return true;
    for (const SafePtr<Entity>& guard : guards) {
        if (guard.get() == entity)
            return true;
    }
    return false;
}
