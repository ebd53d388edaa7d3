#include "game/entities/Recruit.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/DatabaseEntryType.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameData.h"
#include "game/definitions/ItemBase.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Inventory.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillListBase.h"
#include "game/skills/StatusEffect.h"
#include "game/world/Game.h"
#include "game/world/World.h"

#include <algorithm>

namespace {
// Kept entries and skills of one section; more cannot be a recruit's.
constexpr uint32_t kMaxSectionList = 256;

int entryIdOf(const Actor* actor)
{
    const DatabaseEntry* entry = actor ? actor->getEntry() : nullptr;
    return entry ? entry->getId() : -1;
}

void skillIdsOf(const Actor* actor, std::vector<int32_t>& out)
{
    out.clear();
    const SkillListBase* list = actor ? actor->getSkillList() : nullptr;
    if (!list)
        return;
    for (const SkillBase* skill : list->getSkills()) {
        const SkillDefinition* definition = skill ? skill->getDefinition() : nullptr;
        const DatabaseEntry* entry = definition ? definition->getEntry() : nullptr;
        out.push_back(entry ? entry->getId() : -1);
    }
}

bool readList(ByteBuffer& in, std::vector<int32_t>& out)
{
    if (in.remaining() < 4)
        return false;
    uint32_t count = static_cast<uint32_t>(in.readInt());
    if (count > kMaxSectionList || in.remaining() < static_cast<size_t>(count) * 4)
        return false;
    out.resize(count);
    for (uint32_t i = 0; i < count; ++i)
        out[i] = in.readInt();
    return in.ok();
}
} // namespace

Recruit::Recruit() : RecruitBase(std::make_unique<Inventory>()) {}

Recruit::~Recruit()
{
    Actor* body = actor.get();
    const Game* game = Game::instance();
    int number = body ? body->getEntityNumber() : -1;
    if (body && game && game->getEntity(number) == body)
        body->scheduleDelete(0.0f);
}

void Recruit::write(ByteBuffer& buffer) const
{
    const_cast<Recruit*>(this)->saveFromActor(actor.get());
    RecruitBase::write(buffer);
    buffer.writeInt(static_cast<int32_t>(hero ? 1 : 0));
}

bool Recruit::read(ByteBuffer& buffer, int dataVersion)
{
    // Parsed aside, so a bad record leaves this one as it was.
    Parsed parsed;
    if (!parse(buffer, dataVersion, parsed) || buffer.remaining() < 4)
        return false;
    int32_t heroFlag = buffer.readInt();
    if (!buffer.ok())
        return false;
    take(std::move(parsed));
    hero = heroFlag != 0;
    return true;
}

std::unique_ptr<InventoryBase> Recruit::makeInventory() const
{
    return std::make_unique<Inventory>();
}

void Recruit::saveFromActor(const Actor* source)
{
    if (!source)
        return;
    typeEntry = entryIdOf(source);
    // A curse or a sprint is the moment's: the record keeps what a body made
    // from it has, so a save, a load and a save agree.
    // With nothing passing, the body's own stats are those already.
    const std::vector<StatusEffect*> lasting = lastingEffects(*source);
    if (!source->isSprinting() && lasting.size() == source->getStatusEffects().size())
        stats.copyFrom(source->getStats());
    else
        stats.copyFrom(source->walkingStatsWith(lasting));
    inventory->copyFrom(*const_cast<Actor*>(source)->getInventory());
    skillIdsOf(source, skills);
}

std::vector<StatusEffect*> Recruit::lastingEffects(const Actor& body) const
{
    std::vector<const DatabaseEntry*> given;
    const GameData* data = GameData::instance();
    Actor::startingEffects(data ? data->findMonsterTypeByEntryId(entryIdOf(&body)) : nullptr, given);
    const Database* database = Database::instance();
    for (int32_t id : entryList) {
        if (const DatabaseEntry* entry = database ? database->getEntryByIndex(id) : nullptr)
            given.push_back(entry);
    }
    if (const DatabaseEntry* enhancement = DefinitionReader::findEntry(enhancementNameFor(body)))
        given.push_back(enhancement);
    const Game* game = Game::instance();
    if (const Covenant* covenant = game ? game->getCovenant(covenantIndex) : nullptr)
        covenant->memberEffects(given);

    std::vector<StatusEffect*> lasting;
    for (StatusEffect* effect : body.getStatusEffects()) {
        if (effect && std::find(given.begin(), given.end(), effect->getEntry()) != given.end())
            lasting.push_back(effect);
    }
    return lasting;
}

Actor* Recruit::createActor(Covenant* covenant, bool restoreSkills)
{
    const GameData* data = GameData::instance();
    const MonsterType* type = data ? data->findMonsterTypeByEntryId(typeEntry) : nullptr;
    if (!type) {
        debugPrint(2, "Recruit: no monster type of entry %d; no actor made\n", typeEntry);
        return nullptr;
    }
    // One recompute once everything is back, not one per effect and skill.
    // A restored recruit keeps its gear, so its set-up hands out no items and
    // reads none of the stats it builds: those recomputes are held too.
    Actor* body = restoreSkills ? new Actor(Actor::HeldStats{}) : new Actor();
    // Built at the saved level before the saved stats replace the built ones.
    body->initFromMonsterType(type, std::max(1, stats.get(toIndex(CharacterStat::Level))), restoreSkills);
    if (!restoreSkills)
        body->deferStatUpdates();
    body->replaceStats(stats);
    body->getInventory()->copyFrom(*inventory);
    // The kept list holds every enhancement the last body had, its type's
    // and the recruit enhancement among them: each is given once, or every
    // resume would stack one more.
    const Database* database = Database::instance();
    for (int32_t id : entryList) {
        const DatabaseEntry* entry = database ? database->getEntryByIndex(id) : nullptr;
        if (entry && !body->hasStatusEffect(entry))
            body->addStatusEffect(entry, body, 15);
    }
    if (restoreSkills && body->getSkillList()) {
        // Each skill goes back to the place its points were saved in: an
        // unplaced skill reads no points and would fall to level 0.
        for (size_t i = 0; i < skills.size(); ++i) {
            const DatabaseEntry* entry = database ? database->getEntryByIndex(skills[i]) : nullptr;
            const SkillDefinition* definition = entry ? data->findSkillDefinition(entry->getName()) : nullptr;
            if (!definition || body->getSkillList()->findByDefinition(definition))
                continue;
            const int stat = skillPointsStat(static_cast<int>(i));
            const int offset = stat - toIndex(CharacterStat::Skill1);
            if (stat < 0)
                body->getSkillList()->addSkill(definition, body, -1, -1);
            else
                body->getSkillList()->addSkill(definition, body, offset / SkillBase::kSlotCount,
                                               offset % SkillBase::kSlotCount);
        }
    }
    if (restoreSkills) {
        if (body->getNameIndex() != seed)
            body->setNameSeed(seed);
    } else {
        seed = body->getNameIndex();
    }
    body->setHero(hero);
    attachActor(body, false);
    if (covenant)
        covenant->onRecruitAdded(body);
    body->updateStats(false);
    body->resumeStatUpdates();
    body->setHealth(body->getMaxHealth());
    return body;
}

std::string Recruit::enhancementNameFor(const Actor& body) const
{
    const CharacterClass* characterClass = body.getCharacterClass();
    return std::string("EnhancementRecruit") + (hero ? "Hero" : "Basic") +
           (characterClass ? characterClass->name : std::string());
}

void Recruit::attachActor(Actor* newActor, bool skipEnhancement)
{
    // A body let go is no member, even while it waits for its deletion or
    // fades: it names the covenant no more.
    if (Actor* old = actor.get();
        old && old != newActor && covenantIndex >= 0 && old->getCovenantIndex() == covenantIndex)
        old->setCovenantIndex(-1);
    actor = newActor;
    if (!newActor || skipEnhancement)
        return;
    newActor->setCovenantIndex(covenantIndex);
    // A body made from a kept list holds it already.
    const DatabaseEntry* enhancement = DefinitionReader::findEntry(enhancementNameFor(*newActor));
    if (enhancement && !newActor->hasStatusEffect(enhancement))
        newActor->addStatusEffect(enhancement, newActor, 15);
    seed = newActor->getNameIndex();
}

void Recruit::dismissActor()
{
    Actor* body = actor.get();
    saveFromActor(body);
    if (body)
        body->scheduleDelete(0.0f);
    attachActor(nullptr, false);
}

void Recruit::setLevel(int level)
{
    levelIndex = level;
    const Game* game = Game::instance();
    if (Covenant* covenant = game ? game->getCovenant(covenantIndex) : nullptr)
        covenant->setLevelFound(this, level);
}

int Recruit::targetDepth(int change) const
{
    const World* world = World::instance();
    int depth = 1;
    if (levelIndex < 0) {
        const Actor* body = actor.get();
        if (!body)
            return -1;
        depth = body->getStat(toIndex(CharacterStat::Level));
    } else if (world && levelIndex < world->getLevelCount()) {
        depth = world->getLevelMonsterLevel(levelIndex);
    }
    return std::max(1, depth + change);
}

void Recruit::moveToRandomLevel(int change)
{
    int depth = targetDepth(change);
    const World* world = World::instance();
    if (depth < 0 || !world)
        return;
    int level = world->pickLevelForMonsterLevel(depth, randomFloat(0), false);
    if (level >= 0)
        setLevel(level);
}

int Recruit::getStat(int stat) const
{
    if (const Actor* body = actor.get())
        return body->getStat(stat);
    return stats.get(stat);
}

ItemBase* Recruit::getEquippedItem(int slot) const
{
    int group = toIndex(InventoryGroupIndex::Equipment);
    if (Actor* body = actor.get())
        return body->getInventory()->getItemAt(group, slot);
    return inventory->getItemAt(group, slot);
}

int Recruit::bestSlotForItem(const ItemBase* item) const
{
    const int none = toIndex(EquipedLocation::None);
    Actor* body = actor.get();
    if (!item || !body) {
        return none;
    }
    const EquipedLocation first = item->getDefaultEquipLocation();
    if (first == EquipedLocation::None) {
        return none;
    }
    const EquipedLocation second = InventoryBase::secondEquipLocation(*item);
    InventoryBase* inventory = body->getInventory();
    const int equipment = toIndex(InventoryGroupIndex::Equipment);
    const ItemBase* primary = inventory->getItemAt(equipment, toIndex(EquipedLocation::HandPrimary));
    const int worth = Covenant::itemWorth(item);
    int best = none;
    int bestWorth = 0;
    for (EquipedLocation slot : {first, second}) {
        if (slot == EquipedLocation::None ||
            !body->canUseItemType(toIndex(InventoryBase::slotTypeOfLocation(toIndex(slot))))) {
            continue;
        }
        // Two hands are refused before an empty slot is taken: a free main
        // hand beside a shield does not hold a two-handed weapon.
        if (item->getItemType() == ItemType::HandBoth &&
            inventory->getItemAt(equipment, toIndex(EquipedLocation::HandSecondary))) {
            return -1;
        }
        if (slot == EquipedLocation::HandSecondary && primary &&
            primary->getItemType() == ItemType::HandBoth) {
            return -1;
        }
        const ItemBase* current = inventory->getItemAt(equipment, toIndex(slot));
        if (!current) {
            return toIndex(slot);
        }
        const int currentWorth = Covenant::itemWorth(current);
        if (currentWorth < worth && (best == none || currentWorth < bestWorth)) {
            best = toIndex(slot);
            bestWorth = currentWorth;
        }
    }
    return best;
}

void Recruit::writeSection(ByteBuffer& out) const
{
    const Actor* body = actor.get();
    if (!body) {
        // The record keeps its entries, name and skills for the client's join.
        out.writeInt(typeEntry);
        stats.write(out);
        inventory->write(out, false);
        out.writeInt(static_cast<int32_t>(-1));
        out.writeInt(static_cast<uint32_t>(entryList.size()));
        for (int32_t id : entryList)
            out.writeInt(id);
        out.writeInt(seed);
        out.writeInt(static_cast<uint32_t>(skills.size()));
        for (int32_t id : skills)
            out.writeInt(id);
        return;
    }
    out.writeInt(static_cast<int32_t>(entryIdOf(body)));
    body->getStats().write(out);
    const_cast<Actor*>(body)->getInventory()->write(out, false);
    out.writeInt(static_cast<int32_t>(body->getEntityNumber()));
    std::vector<int32_t> kept;
    for (const StatusEffect* effect : body->getStatusEffects()) {
        const DatabaseEntry* entry = effect ? effect->getEntry() : nullptr;
        if (entry && !effect->ended &&
            entry->getType() == static_cast<int>(DatabaseEntryType::MonsterEnhancement))
            kept.push_back(entry->getId());
    }
    out.writeInt(static_cast<uint32_t>(kept.size()));
    for (int32_t id : kept)
        out.writeInt(id);
    out.writeInt(static_cast<int32_t>(body->getNameIndex()));
    std::vector<int32_t> ids;
    skillIdsOf(body, ids);
    out.writeInt(static_cast<uint32_t>(ids.size()));
    for (int32_t id : ids)
        out.writeInt(id);
}

bool Recruit::readSection(ByteBuffer& in)
{
    if (in.remaining() < 4)
        return false;
    int32_t type = in.readInt();
    CounterList readStats(kStatCount);
    if (!readStats.read(in, kStatCount))
        return false;
    auto readInventory = std::make_unique<Inventory>();
    if (!readInventory->read(in, true, false, InventoryBase::kImageVersion, "recruit section"))
        return false;
    std::vector<int32_t> readEntries;
    std::vector<int32_t> readSkills;
    if (!readList(in, readEntries) || in.remaining() < 4)
        return false;
    int32_t readSeed = in.readInt();
    if (!readList(in, readSkills) || !in.ok())
        return false;
    typeEntry = type;
    stats = readStats;
    inventory = std::move(readInventory);
    entryList = std::move(readEntries);
    seed = readSeed;
    skills = std::move(readSkills);
    return true;
}
