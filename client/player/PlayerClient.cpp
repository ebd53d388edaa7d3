#include "client/player/PlayerClient.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/InventoryClient.h"
#include "client/mirrors/QuestClient.h"
#include "client/mirrors/RecruitClient.h"
#include "client/mirrors/SkillListClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/core/DebugSystem.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/ItemBase.h"
#include "game/world/World.h"
#include "sound/SoundSystem.h"

#include <cmath>

namespace {

const char* const kSoundNames[7] = {"Sounds/Items/identifying.ogg", "Sounds/Items/doneIdentifying.ogg",
                                    "Sounds/openingChest.ogg",      "Sounds/searchingSecretStash.ogg",
                                    "Sounds/search_dead_body.ogg",  "Sounds/creatingGate.ogg",
                                    "Sounds/timeTick.ogg"};

} // namespace

PlayerSection::PlayerSection() = default;
PlayerSection::~PlayerSection() = default;
PlayerSection::PlayerSection(PlayerSection&&) noexcept = default;
PlayerSection& PlayerSection::operator=(PlayerSection&&) noexcept = default;

PlayerClient::PlayerClient()
    : inventory(std::make_unique<InventoryClient>()), skills(std::make_unique<SkillListClient>())
{
    inventory->setOwner(this);
    for (auto& quest : quests) {
        quest = std::make_unique<QuestClient>();
        quest->reset();
    }
    for (int i = 0; i < kQuestSlots; ++i) {
        quests[static_cast<size_t>(i)]->slot = i;
    }
    hotkeyTable.push_back(HotkeyRecord{{1, 0, 0, 0}});
    if (ResourceSystem* resources = ResourceSystem::instance()) {
        for (size_t i = 0; i < m_sounds.size(); ++i) {
            m_sounds[i] = resources->loadIfTyped(kSoundNames[i]);
        }
    }
    for (Timer& timer : m_itemTimers) {
        m_timers.add(&timer);
        timer.listed = true;
    }
    buildUseHints();
    reset();
}

PlayerClient::~PlayerClient()
{
    // A hook left behind would call a deleted mirror at the next button event.
    releaseMoveHook();
}

void PlayerClient::reset()
{
    m_secondaryPosition = m_position;
    playIdle();
    m_atWaypoint = true;
    m_hasDestination = false;
    m_needsPath = false;
    m_walkingStep = false;
    m_path.clear();
    m_followEntity = nullptr;
    releaseMoveHook();
    action = 0;
    menuEntity = -1;
    lastMenuEntity = -1;
    returnPosition = ZonePosition(-1, 0.0f, 0.0f);
    secondPosition = ZonePosition(-1, 0.0f, 0.0f);
    partyMembers.clear();
    for (auto& quest : quests) {
        quest->reset();
        quest->level = -1;
    }
    serverMirror = nullptr;
    target = nullptr;
    autoAttackEntity = -1;
    levelGates.clear();
    covenantGates.clear();
    m_identityKnown = false;
    uiForcedAction = false;
    tooltipRecruitIndex = -1;
    tooltipGuardSlot = 0;
    tooltipRelicSlot = 0;
    pendingSkillTree = -1;
    pendingSkillIndex = -1;
}

// ---- Entity operations

void PlayerClient::setPosition(const ZonePosition& position)
{
    if (position.zone == m_position.zone && std::fabs(position.x - m_position.x) < 0.01f &&
        std::fabs(position.y - m_position.y) < 0.01f) {
        return;
    }
    m_position = position;
    if (World* world = World::instance()) {
        int level = -1;
        world->updatePlayerView(-1, position, level);
    }
}

int PlayerClient::getStat(int index) const
{
    return index >= 0 && index < stats.getCount() ? stats.get(index) : 0;
}

ItemBase* PlayerClient::getItem(int group, int slot) const
{
    return inventory->getItemAt(group, slot);
}

InventoryBase* PlayerClient::getInventory()
{
    return inventory.get();
}

bool PlayerClient::hasRoomInGroup(int group) const
{
    const InventoryGroup* own = inventory->getOwnGroup(group);
    return own && own->hasRoom();
}

float PlayerClient::getMovement() const
{
    return static_cast<float>(stats.get(kStatMovement));
}

void PlayerClient::setModelFromDefinition(int classIndex)
{
    EntityClient::setModelFromDefinition(classIndex);
}

void PlayerClient::setPlayerEntityNumber(int number)
{
    setEntityNumber(number);
    GameClient* game = GameClient::instance();
    serverMirror = game ? game->getEntity(number) : nullptr;
}

void PlayerClient::syncWithServerMirror()
{
    GameClient* game = GameClient::instance();
    EntityClient* mirror = game ? game->getEntity(getEntityNumber()) : nullptr;
    if (!mirror || mirror == this) {
        return;
    }
    mirror->setPosition(m_position);
    setLightColor(mirror->getLightColor());
    setLightFalloff(mirror->getLightFalloff());
    for (int slot = 0; slot < kAttachmentSlots; ++slot) {
        setAttachmentEntry(slot, mirror->getAttachmentEntry(slot));
    }
    setFade(mirror->getFade());
    setCovenantIndex(mirror->getCovenantIndex());
    // Its health is the server's: the target bar reads it here when the
    // player has itself selected.
    setMaxHealth(mirror->getMaxHealth());
    setHealth(mirror->getHealth());
}

// ---- Values for the global statistics

int PlayerClient::sumGroupValue(int group) const
{
    const InventoryGroup* own = inventory->getOwnGroup(group);
    if (!own) {
        return 0;
    }
    int total = 0;
    for (int i = 0; i < own->getSize(); ++i) {
        const ItemBase* item = own->getItem(i);
        if (!item) {
            continue;
        }
        int value = item->getCachedValue() >= 0 ? item->getCachedValue() : item->calculateValue();
        double term = static_cast<double>(value) * item->getTypeMultiplier();
        if (item->getQuantity() > 1) {
            term *= item->getQuantity();
        }
        total += static_cast<int>(std::floor(term));
    }
    return total;
}

int PlayerClient::sumInventoryValue() const
{
    int total = 0;
    for (int group = 0; group <= 14; ++group) {
        total += sumGroupValue(group);
    }
    return total;
}

// ---- Queries

bool PlayerClient::isQuestSlotActive(int slot) const
{
    return slot >= 0 && slot < kQuestSlots && quests[static_cast<size_t>(slot)]->level != -1;
}

QuestClient* PlayerClient::getQuestSlot(int slot) const
{
    return isQuestSlotActive(slot) ? quests[static_cast<size_t>(slot)].get() : nullptr;
}

int PlayerClient::getQuestSlotId(int slot) const
{
    QuestClient* quest = getQuestSlot(slot);
    return quest ? quest->id : -1;
}

bool PlayerClient::hasQuest(int id) const
{
    for (int slot = 0; slot < kQuestSlots; ++slot) {
        if (getQuestSlotId(slot) == id) {
            return true;
        }
    }
    return false;
}

std::string PlayerClient::getQuestSlotTitle(int slot) const
{
    QuestClient* quest = getQuestSlot(slot);
    return quest ? quest->getTitle(false, stats.get(kStatLevel)) : std::string();
}

int PlayerClient::countActiveQuests() const
{
    int count = 0;
    for (int slot = 0; slot < kQuestSlots; ++slot) {
        count += isQuestSlotActive(slot) ? 1 : 0;
    }
    return count;
}

bool PlayerClient::hasCompletedQuest() const
{
    for (int slot = 0; slot < kQuestSlots; ++slot) {
        if (QuestClient* quest = getQuestSlot(slot); quest && quest->isComplete()) {
            return true;
        }
    }
    return false;
}

float PlayerClient::getItemTimerRemaining(int type) const
{
    if (type <= 0 || type >= kItemTimers) {
        return 0.0f;
    }
    const Timer& timer = m_itemTimers[static_cast<size_t>(type)];
    return timer.running && timer.remaining > 0.0f ? timer.remaining : 0.0f;
}

bool PlayerClient::isPartyMember(int entityNumber) const
{
    for (int32_t member : partyMembers) {
        if (member == entityNumber) {
            return true;
        }
    }
    return false;
}

void PlayerClient::showHelpTopic(const std::string& name)
{
    Client* client = Client::instance();
    if (!client) {
        return;
    }
    const ClientUi& ui = client->getUi();
    int topic = ui.findTopic(name);
    // A chain of read topics that comes back on itself ends after one round.
    int limit = ui.topicCount();
    for (int steps = 0; topic >= 0 && steps < limit; ++steps) {
        bool read =
            static_cast<size_t>(topic) < readHelpTopics.size() && readHelpTopics[static_cast<size_t>(topic)];
        if (!read) {
            ui.addButton(topic);
            return;
        }
        topic = ui.nextTopic(topic);
    }
}

void PlayerClient::setHelpTopicRead(int index)
{
    if (index < 0 || index > 100000) {
        return;
    }
    if (static_cast<size_t>(index) >= readHelpTopics.size()) {
        readHelpTopics.resize(static_cast<size_t>(index) + 1, false);
    }
    readHelpTopics[static_cast<size_t>(index)] = true;
    if (Client* client = Client::instance()) {
        const ClientUi& ui = client->getUi();
        int next = ui.nextTopic(index);
        if (next >= 0 && (static_cast<size_t>(next) >= readHelpTopics.size() ||
                          !readHelpTopics[static_cast<size_t>(next)])) {
            ui.addButton(next);
        }
    }
}

void PlayerClient::setAllHelpTopicsRead()
{
    if (Client* client = Client::instance()) {
        size_t count = static_cast<size_t>(std::max(0, client->getUi().topicCount()));
        if (readHelpTopics.size() < count) {
            readHelpTopics.resize(count);
        }
    }
    std::fill(readHelpTopics.begin(), readHelpTopics.end(), true);
}

void PlayerClient::resetHelpTopics()
{
    std::fill(readHelpTopics.begin(), readHelpTopics.end(), false);
    if (Client* client = Client::instance()) {
        int start = client->getUi().startTopic();
        if (start >= 0) {
            client->getUi().addButton(start);
        }
    }
}

bool PlayerClient::setHotkey(int index, const HotkeyRecord& record)
{
    if (index < 0 || index >= kMaxHotkeys) {
        debugPrint(2, "Hotkey %d is outside 0 … %d\n", index, kMaxHotkeys - 1);
        return false;
    }
    if (static_cast<size_t>(index) >= hotkeyTable.size()) {
        hotkeyTable.resize(static_cast<size_t>(index) + 1, HotkeyRecord{{2, -1, -1, 0}});
    }
    hotkeyTable[static_cast<size_t>(index)] = record;
    return true;
}

HotkeyRecord PlayerClient::getHotkey(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= hotkeyTable.size()) {
        return HotkeyRecord{{2, -1, -1, 0}};
    }
    return hotkeyTable[static_cast<size_t>(index)];
}

void PlayerClient::toggleWeaponSet()
{
    activeWeaponSet = activeWeaponSet == 0 ? 1 : 0;
}

void PlayerClient::stepRecruit(int step)
{
    Client* client = Client::instance();
    PlayerCovenantClient* covenant = client ? client->getPlayerCovenant() : nullptr;
    EntityClient* current = target.get();
    GameClient* game = GameClient::instance();
    if (!covenant || !current || !game) {
        return;
    }
    int slots = covenant->getRecruitSlotCount();
    if (slots <= 0) {
        return;
    }
    int slot = covenant->findRecruitSlot(current->getEntityNumber());
    // At most one pass over the slots: nothing found changes nothing.
    for (int steps = 0; steps < slots; ++steps) {
        slot = ((slot + step) % slots + slots) % slots;
        RecruitClient* recruit = covenant->getRecruit(slot);
        EntityClient* entity = recruit ? game->getEntity(recruit->entityNumber) : nullptr;
        if (entity) {
            target = entity;
            return;
        }
    }
}

bool PlayerClient::isGateActivated(int zone) const
{
    const World* world = World::instance();
    const WorldSize* size = world ? world->getWorldSize() : nullptr;
    const GateRecord* record = size ? levelGates.find(size->entryId, zone) : nullptr;
    return record && record->activated != 0;
}

bool PlayerClient::isCurrentLevelGateActive() const
{
    const World* world = World::instance();
    const WorldSize* size = world ? world->getWorldSize() : nullptr;
    const GateRecord* record = size ? levelGates.find(size->entryId, m_position.zone) : nullptr;
    return !record || record->activated != 0;
}
