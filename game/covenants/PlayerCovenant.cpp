#include "game/covenants/PlayerCovenant.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Direction.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/InventoryGroup.h"
#include "game/entities/Actor.h"
#include "game/entities/Gate.h"
#include "game/entities/Inventory.h"
#include "game/entities/Item.h"
#include "game/entities/Player.h"
#include "game/entities/Recruit.h"
#include "game/entities/Stash.h"
#include "game/world/Game.h"

#include <algorithm>
#include <cmath>
#include <set>

PlayerCovenant::PlayerCovenant() : funStats(kFunStatCount)
{
    if (InventoryGroup* stash = inventory->getSlot(kStashGroup); stash && stash->getSize() != kStashBags)
        stash->setSize(kStashBags);
    recruitCount = 0;
    recruitPreview = std::make_unique<Recruit>();
    resetState();
    setDefinitionByName("Human");
}

PlayerCovenant::~PlayerCovenant()
{
    resetState();
}

void PlayerCovenant::resetState()
{
    gate = nullptr;
    raidTarget = -1;
    destroyed = false;
    alarmUntil = GameTime();
}

Sentient* PlayerCovenant::getLeader() const
{
    return player.get();
}

Gate* PlayerCovenant::getGate() const
{
    return dynamic_cast<Gate*>(gate.get());
}

// ---- The join's covenant section

bool PlayerCovenant::parseJoinSection(ByteBuffer& in, std::string& field)
{
    parsed.reset();
    auto section = std::make_unique<ParsedSection>();
    auto fail = [&field](const char* name) {
        field = name;
        return false;
    };
    section->saved = in.readUInt() != 0;
    if (in.failed())
        return fail("covenant saved flag");
    section->name = in.readString();
    if (in.failed())
        return fail("covenant name");
    if (section->saved) {
        section->inventory = std::make_unique<Inventory>();
        if (!section->inventory->read(in, true, false, 0, "join covenant inventory"))
            return fail("covenant inventory");
        const int slots = getRecruitSlotCount();
        uint32_t count = in.readCount(8);
        if (in.failed() || count > static_cast<uint32_t>(slots))
            return fail("covenant recruit count");
        std::set<int> seen;
        for (uint32_t i = 0; i < count; ++i) {
            int slot = static_cast<int>(in.readUInt());
            if (in.failed() || slot < 0 || slot >= slots || !seen.insert(slot).second)
                return fail("covenant recruit slot");
            auto recruit = std::make_unique<Recruit>();
            if (!recruit->readSection(in))
                return fail("covenant recruit");
            section->recruits.emplace_back(slot, std::move(recruit));
        }
        section->stats = CounterList(kCovenantStatCount);
        if (!section->stats.read(in) || in.failed())
            return fail("covenant stats");
        section->lifestoneHealth = static_cast<int>(in.readUInt());
        section->lifestoneMaxHealth = static_cast<int>(in.readUInt());
        if (in.failed())
            return fail("covenant life stone");
    }
    parsed = std::move(section);
    return true;
}

void PlayerCovenant::applyJoinSection()
{
    if (!parsed)
        return;
    std::unique_ptr<ParsedSection> section = std::move(parsed);
    createHouseObjects();
    name = section->name;
    if (!section->saved) {
        setLifestoneMaxHealth(-1);
        setLifestoneHealth(std::min(getLifestoneHealth(), -1));
        giveStartingBag();
        return;
    }
    inventory = std::move(section->inventory);
    if (InventoryGroup* stash = inventory->getSlot(kStashGroup); stash && stash->getSize() != kStashBags)
        stash->setSize(kStashBags);
    recruitCount = static_cast<int>(section->recruits.size());
    for (auto& [slot, recruit] : section->recruits) {
        recruit->covenantIndex = index;
        Recruit* placed = recruit.get();
        recruits[static_cast<size_t>(slot)] = std::move(recruit);
        if (!destroyed)
            placeRecruitActor(placed);
    }
    stats.copyFrom(section->stats);
    setLifestoneMaxHealth(section->lifestoneMaxHealth);
    setLifestoneHealth(std::min(section->lifestoneHealth, section->lifestoneMaxHealth));
}

bool PlayerCovenant::initNew(ByteBuffer& in, std::string& field)
{
    if (!parseJoinSection(in, field))
        return false;
    applyJoinSection();
    return true;
}

void PlayerCovenant::placeRecruitActor(Recruit* recruit)
{
    Game* game = Game::instance();
    Actor* actor = recruit && game ? recruit->createActor(this, true) : nullptr;
    if (!actor)
        return;
    ZonePosition spot = getHouseSpot(actor);
    actor->setPosition(spot);
    actor->setSecondaryPosition(spot);
    actor->setHomePosition(spot);
    if (game->addEntity(actor) < 0) {
        recruit->detachActor();
        delete actor;
    }
}

void PlayerCovenant::giveStartingBag()
{
    const Database* database = Database::instance();
    const DatabaseEntry* entry = database ? database->findEntry("Bag1") : nullptr;
    InventoryGroup* stash = inventory->getSlot(kStashGroup);
    if (!entry || !stash)
        return;
    ItemBase* bag = inventory->createItem();
    bag->setItemEntry(entry);
    bag->updateStackValue();
    // An item that finds no place is not kept.
    if (!stash->addItem(bag))
        delete bag;
}

// ---- House

Entity* PlayerCovenant::addHouseObject(Entity* object, const char* entryName, int dx, int dy)
{
    Game* game = Game::instance();
    const GameData* data = GameData::instance();
    if (!game || !data) {
        delete object;
        return nullptr;
    }
    const GameRules& rules = data->rules();
    const float cellX = std::floor(rules.startPosition.x * static_cast<float>(rules.levelTileWidth)) + dx;
    const float cellY = std::floor(rules.startPosition.y * static_cast<float>(rules.levelTileHeight)) + dy;
    ZonePosition at = snapToGrid(ZonePosition(0, rules.tileOrigin.x + cellX * rules.tileSize,
                                              rules.tileOrigin.y + cellY * rules.tileSize));
    at.normalize();
    object->setEntryByName(entryName);
    object->setPosition(at);
    object->setSecondaryPosition(at);
    object->setCovenantIndex(index);
    return object;
}

void PlayerCovenant::createHouseObjects()
{
    Game* game = Game::instance();
    if (!game)
        return;
    auto add = [game](Entity* object) -> Entity* {
        if (!object)
            return nullptr;
        if (game->addEntity(object) < 0) {
            delete object;
            return nullptr;
        }
        return object;
    };
    struct StashPlace {
        const char* entry;
        int dy;
    };
    for (const StashPlace& place : {StashPlace{"ObjectCovenantStash", -2}, StashPlace{"ObjectBookshelf", 0},
                                    StashPlace{"ObjectPlayerStash", 2}}) {
        Entity* stash = addHouseObject(new Stash(), place.entry, -5, place.dy);
        if (stash)
            stash->setDirection(static_cast<int>(Direction::North));
        add(stash);
    }
    Entity* stone = addHouseObject(new Entity(), "ObjectLifestone", 0, 0);
    if (stone) {
        stone->setMaxHealth(-1);
        stone->setHealth(std::min(stone->getHealth(), -1));
    }
    if ((stone = add(stone)))
        setLifestone(stone);
    gate = nullptr;
    if (Entity* made = add(addHouseObject(new Gate(), "ObjectGate", 3, 0))) {
        static_cast<Gate*>(made)->setKind(Gate::kLinked);
        gate = made;
    }
    createPedestals();
}

namespace {

ZonePosition spotAround(const Entity* object, const Entity* requester)
{
    if (!object)
        return ZonePosition(-1, 0.0f, 0.0f);
    const Game* game = Game::instance();
    ZonePosition spot;
    for (int ring = 0; game && ring <= 5; ++ring) {
        if (game->findFreeSpotOnRing(object->getPosition(), ring, spot, requester, false, true, 0))
            return spot;
    }
    return object->getPosition();
}

} // namespace

ZonePosition PlayerCovenant::getSpotNearGate(const Entity* requester) const
{
    return spotAround(gate.get(), requester);
}

ZonePosition PlayerCovenant::getSpotNearLifestone(const Entity* requester) const
{
    return spotAround(lifestone.get(), requester);
}

void PlayerCovenant::sendRecruitHome(Actor* actor)
{
    if (!actor || !findRecruitByActor(actor))
        return;
    ZonePosition spot = getHouseSpot(actor);
    actor->warp(spot);
    actor->setHomePosition(spot);
}

// ---- A new world

void PlayerCovenant::restoreInWorld()
{
    resetState();
    // The covenants at its old indices are gone: it meets the new ones afresh.
    clearRelations();
    pendingOffers.fill(PendingOffer());
    linkedCovenant = -1;
    createHouseObjects();
    for (const std::unique_ptr<Recruit>& recruit : recruits) {
        if (!recruit)
            continue;
        recruit->covenantIndex = index;
        placeRecruitActor(recruit.get());
    }
    resetHouse();
    // The relics the house keeps are shown on the new house's pedestals
    // (their displays went with the old world; the guards went for good).
    showHouseRelics();
}

void PlayerCovenant::resetHouse()
{
    stats.set(static_cast<int>(CovenantStat::Money), 0);
    influence = InfluenceCounters();
    updateStats();
    refreshPowerStats();
    if (getLifestone())
        setLifestoneHealth(getLifestoneMaxHealth());
    for (int slot = 0; slot < kGuardSlots; ++slot) {
        removeItem(kHouseGroup, slot);
        dismissGuard(slot);
    }
    // The guards' upkeep goes with them.
    computeGuardCosts();
}

void PlayerCovenant::saveRecruits()
{
    for (const std::unique_ptr<Recruit>& recruit : recruits)
        if (recruit && recruit->getActor())
            recruit->saveFromActor(recruit->getActor());
}
