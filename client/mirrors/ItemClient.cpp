#include "client/mirrors/ItemClient.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/resources/ResourceSystem.h"

namespace {

// The named sound, or none (the old handle released) for an empty name.
void loadSound(const Database& db, const DatabaseEntry* entry, const char* key, ResourceHandle& out)
{
    std::string name = db.getString(entry, key);
    ResourceSystem* resources = ResourceSystem::instance();
    out = !name.empty() && resources ? resources->loadIfTyped(name) : ResourceHandle();
}

} // namespace

ItemClient::~ItemClient() = default;

void ItemClient::loadFromDatabase()
{
    ItemBase::loadFromDatabase();
    const Database* db = Database::instance();
    const DatabaseEntry* entry = getItemEntry();
    if (!db || !entry) {
        return;
    }
    loadSound(*db, entry, "UseSoundName", m_useSound);
    loadSound(*db, entry, "DropSoundName", m_dropSound);
    m_showSkillHint = db->getInt(entry, "ShowSkillHint", 0) != 0;
}

bool ItemClient::isUsable() const
{
    const Client* client = Client::instance();
    if (!client || !client->hasLocalPlayer()) {
        return false;
    }
    // A running item timer of the item's kind blocks it until no time is left.
    const PlayerClient* player = client->getLocalPlayer();
    if (player && player->getItemTimerRemaining(getInt("ItemTimer")) > 0.0f) {
        return false;
    }
    return ItemBase::isUsable();
}

float ItemClient::getTypeMultiplier() const
{
    const GameClient* game = GameClient::instance();
    if (!game) {
        return 1.0f;
    }
    switch (getItemType()) {
    case ItemType::Food:
        return game->getScaleFactor1();
    case ItemType::Drink:
        return game->getScaleFactor2();
    default:
        return 1.0f;
    }
}

GameBase* ItemClient::getGameBase() const
{
    return GameClient::instance();
}

void ItemClient::use(ItemClient& item, int group, int slot)
{
    Client* client = Client::instance();
    if (!client) {
        return;
    }
    client->queueServerCommand(formatString("useItem %d %d", group, slot));
    client->playInterfaceSound(item.m_useSound);
}

void ItemClient::playSound(const ItemClient& item)
{
    if (const Client* client = Client::instance()) {
        client->playInterfaceSound(item.m_dropSound);
    }
}
