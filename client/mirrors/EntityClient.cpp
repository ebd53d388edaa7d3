#include "client/mirrors/EntityClient.h"
#include "client/player/PlayerClient.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/StatusEffectClient.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/resources/ResourceSystem.h"
#include "engine/resources/Skin.h"
#include "game/definitions/GameData.h"
#include "graphics/LightingSystem.h"

EntityClient::EntityClient()
{
    m_attachments.fill(-1);
}

EntityClient::~EntityClient() = default;

int EntityClient::getEntryId() const
{
    return m_entry ? m_entry->getId() : -1;
}

int EntityClient::entryType(const DatabaseEntry* entry)
{
    return entry ? entry->getTypeInherited() : 0;
}

void EntityClient::loadResource(const std::string& name, ResourceHandle& out)
{
    ResourceSystem* resources = ResourceSystem::instance();
    out = resources ? resources->loadIfTyped(name) : ResourceHandle();
}

void EntityClient::releaseModel()
{
    m_model.release();
}

void EntityClient::holdResource(const std::string& name)
{
    if (name.empty()) {
        return;
    }
    ResourceHandle handle;
    loadResource(name, handle);
    if (handle.isValid()) {
        m_definitionResources.push_back(std::move(handle));
    }
}

// ---- Attach chain ----------------------------------------------------------------

EntityClient* EntityClient::getAttachParent() const
{
    const GameClient* game = GameClient::instance();
    if (m_parentEntity == -1 || !game) {
        return nullptr;
    }
    // Hung on the local player's number: the local player mirror.
    const Client* client = Client::instance();
    EntityClient* parent = client && client->getLocalPlayer() && m_parentEntity == client->getPlayerSlot()
                               ? client->getPlayerEntity()
                               : game->getEntity(m_parentEntity);
    // A chain that does not end within the limit (a cycle among them)
    // counts as none.
    const EntityClient* walk = parent;
    for (int depth = 0; walk; ++depth) {
        if (walk == this || depth >= kMaxAttachDepth) {
            static bool logged = false;
            if (!logged) {
                logged = true;
                debugPrint(2, "Entity %d: attach chain longer than %d or cyclic, taken as unattached\n",
                           m_entityNumber, kMaxAttachDepth);
            }
            return nullptr;
        }
        walk = walk->m_parentEntity == -1 ? nullptr : game->getEntity(walk->m_parentEntity);
    }
    return parent;
}

float EntityClient::getScale() const
{
    float scale = m_scale * m_scaleMultiplier;
    if (const EntityClient* parent = getAttachParent()) {
        scale *= parent->getScale();
    }
    return scale;
}

float EntityClient::getFadeValue() const
{
    float fade = m_fade;
    if (const EntityClient* parent = getAttachParent()) {
        fade *= parent->getFadeValue();
    }
    return fade;
}

bool EntityClient::canAnimate() const
{
    for (const auto& effect : m_effects) {
        if (effect->freezesAnimation()) {
            return false;
        }
    }
    return true;
}

// ---- Attachments -----------------------------------------------------------------

bool EntityClient::setAttachmentEntry(int slot, int entryId)
{
    if (slot < 0 || slot >= kAttachmentSlots) {
        return false;
    }
    int& stored = m_attachments[static_cast<size_t>(slot)];
    if (stored == entryId) {
        return false;
    }
    stored = entryId;
    readAttachment(slot);
    return true;
}

int EntityClient::getAttachmentEntry(int slot) const
{
    return slot >= 0 && slot < kAttachmentSlots ? m_attachments[static_cast<size_t>(slot)] : -1;
}

void EntityClient::setRotationMatrix(const std::array<float, 9>& matrix)
{
    m_rotation = matrix;
    m_hasRotation = true;
}

// ---- Per frame -------------------------------------------------------------------

void EntityClient::addFloatingText(const std::string& text)
{
    const GameClient* game = GameClient::instance();
    m_floatingTexts.push_back({game ? game->getGameTime() : GameTime(), text});
}

void EntityClient::startProgress(float length, int kind)
{
    m_progressTimer = 0.0f;
    m_progressLength = length > 0.0f ? length : 0.0f;
    m_progressKind = m_progressLength > 0.0f ? kind : 0;
}

void EntityClient::update(float dt)
{
    EntityBase::update(dt);
    // The entity's own light joins this frame's lights (a light without a
    // radius is refused by the lighting system). The local player's entry
    // leaves it to the local player mirror, which carries it where the
    // player walks.
    const Client* client = Client::instance();
    const bool carriedByPlayer = client && m_entityNumber >= 0 && m_entityNumber == client->getPlayerSlot();
    if (LightingSystem* lighting = LightingSystem::instance(); lighting && !carriedByPlayer) {
        EntityLightRecord light;
        light.position = getPosition();
        light.offsetX = getLightOffset().x;
        light.offsetY = getLightOffset().y;
        light.colour[0] = getLightColor().x;
        light.colour[1] = getLightColor().y;
        light.colour[2] = getLightColor().z;
        light.radius = getLightFalloff();
        lighting->addEntityLight(&light);
    }
    const GameClient* game = GameClient::instance();
    if (game && !m_floatingTexts.empty()) {
        const GameData* data = GameData::instance();
        double lifetime = data ? data->rules().floatingTextLifetime : 1.0;
        double now = game->getGameTime().toSeconds();
        size_t expired = 0;
        while (expired < m_floatingTexts.size() &&
               m_floatingTexts[expired].time.toSeconds() + lifetime <= now) {
            ++expired;
        }
        m_floatingTexts.erase(m_floatingTexts.begin(), m_floatingTexts.begin() + static_cast<long>(expired));
    }
    if (m_progressLength > 0.0f) {
        m_progressTimer += dt;
        bool died = m_maxHealth > 0 && m_health < 1 && m_progressKind != kProgressResurrecting;
        if (m_progressTimer >= m_progressLength || died) {
            m_progressTimer = 0.0f;
            m_progressLength = 0.0f;
            m_progressKind = 0;
        }
    }
    if (m_gate) {
        const Client* client = Client::instance();
        const PlayerClient* player = client ? client->getLocalPlayer() : nullptr;
        bool active =
            m_position.zone == -1 || m_hasGateTarget || (player && player->isGateActivated(m_position.zone));
        playAnimation(active ? "active" : "idle", kServerPriority, kModeLoop, false);
    }
}
