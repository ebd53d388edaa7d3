#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "engine/resources/ResourceSystem.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/LightingSystem.h"
#include "sound/LevelSoundBankResource.h"
#include "sound/SoundSystem.h"

#include <algorithm>

namespace {

bool areaEditorActive()
{
    GraphicsSystem* graphics = GraphicsSystem::instance();
    return graphics && graphics->getFrameHooks().areaEditorActive();
}

// Moves a channel toward its target by at most step.
float approach(float value, float target, float step)
{
    return value < target ? std::min(target, value + step) : std::max(target, value - step);
}

} // namespace

int GameClient::getCurrentLevel() const
{
    Client* client = Client::instance();
    if (!client || !client->isConnected() || !client->getLocalPlayer() || areaEditorActive()) {
        return -1;
    }
    return client->getLocalPlayer()->getPosition().zone;
}

void GameClient::updateAmbientLight(float seconds)
{
    World* world = World::instance();
    const int current = getCurrentLevel();
    const Level* level = world && current >= 0 ? world->getLevel(current) : nullptr;
    // Without a current level there is no target: the light stops fading.
    if (level) {
        const Color target = level->getSunColor(m_valueV4);
        const float fade = level->definition ? level->definition->colorTransitionTime : 0.0f;
        Color& c = m_ambientColor;
        if (c.r != target.r || c.g != target.g || c.b != target.b) {
            if (fade > 0.0f && m_ambientFadeTime > 0.0f) {
                float step = seconds / fade;
                c.r = approach(c.r, target.r, step);
                c.g = approach(c.g, target.g, step);
                c.b = approach(c.b, target.b, step);
            } else {
                c.r = target.r;
                c.g = target.g;
                c.b = target.b;
            }
        }
        m_ambientFadeTime = fade;
    }

    Color used = m_ambientColor;
    const float w = getCurrentAreaWeatherIntensity() * m_weatherClient->getIntensity();
    if (w > 0.0f) {
        float factor = (1.0f + m_weatherClient->getLightningBrightness()) -
                       w * (1.0f - m_weatherClient->getLowestSunlightMult());
        used.r *= factor;
        used.g *= factor;
        used.b *= factor;
    }
    if (used.r == 0.0f && used.g == 0.0f && used.b == 0.0f) {
        return;
    }
    if (LightingSystem* lighting = LightingSystem::instance()) {
        lighting->addLight(ZonePosition(-1, 0.0f, 0.0f), Color(used.r, used.g, used.b), 0.0f, 2);
    }
}

const ResourceHandle& GameClient::getLevelSoundBank(int level) const
{
    static const ResourceHandle none;
    if (level < 0 || static_cast<size_t>(level) >= m_levelSoundBanks.size()) {
        return none;
    }
    return m_levelSoundBanks[static_cast<size_t>(level)];
}

void GameClient::onLevelBuilt(int level)
{
    World* world = World::instance();
    if (!world || level < 0) {
        return;
    }
    const std::string name = world->getLevelSoundFile(level);
    if (name.empty()) {
        return;
    }
    size_t count = std::max(static_cast<size_t>(world->getLevelCount()), static_cast<size_t>(level) + 1);
    if (m_levelSoundBanks.size() < count) {
        m_levelSoundBanks.resize(count);
    }
    // None in a run without sound types (headless).
    m_levelSoundBanks[static_cast<size_t>(level)] = loadKnownType(name);
}

void GameClient::onLevelRemoved(int level)
{
    if (level < 0 || static_cast<size_t>(level) >= m_levelSoundBanks.size()) {
        return;
    }
    m_levelSoundBanks[static_cast<size_t>(level)].release();
}

void GameClient::releaseLevelSoundBanks()
{
    // No handle outlives the world that named it.
    m_levelSoundBanks.clear();
    if (!m_currentAmbientBank.empty()) {
        if (SoundSystem* sound = SoundSystem::instance()) {
            sound->stopAmbientSound();
        }
        m_currentAmbientBank.clear();
    }
}

void GameClient::updateAmbientSound(float seconds)
{
    const int current = getCurrentLevel();
    Client* client = Client::instance();
    SoundSystem* sound = SoundSystem::instance();
    if (current < 0 || !client || client->getPlayerSlot() == -1 || !sound) {
        return;
    }
    const ResourceHandle& handle = getLevelSoundBank(current);
    if (!handle.isValid() || !handle.isLoaded()) {
        return;
    }
    auto* bank = handle.getAs<LevelSoundBankResource>();
    if (!bank) {
        return;
    }
    sound->updateAmbientSounds(bank, seconds);
    const std::string name = handle.getFileName();
    if (name != m_currentAmbientBank) {
        sound->stopAmbientSound();
        sound->startAmbientSound(bank);
        m_currentAmbientBank = name;
    }
}
