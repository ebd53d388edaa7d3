#include "client/WeatherClient.h"

#include "client/Client.h"
#include "client/player/PlayerClient.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "engine/resources/ResourceSystem.h"
#include "game/world/AreaDefinition.h"
#include "game/world/World.h"
#include "sound/SoundSystem.h"

#include <algorithm>
#include <cmath>

namespace {

// Uniform within ±fraction of base, from the client's own stream.
float visualRange(float base, float fraction)
{
    return base + base * fraction * (2.0f * randomFloat(WeatherClient::kRandomStream) - 1.0f);
}

// A sound by name; none in a run without sound types (headless).
ResourceHandle loadSound(const std::string& name)
{
    ResourceSystem* resources = ResourceSystem::instance();
    return resources ? resources->loadIfTyped(name) : ResourceHandle();
}

int localPlayerNumber()
{
    Client* client = Client::instance();
    return client ? client->getPlayerSlot() : -1;
}

} // namespace

float getCurrentAreaWeatherIntensity()
{
    Client* client = Client::instance();
    const PlayerClient* player = client ? client->getLocalPlayer() : nullptr;
    World* world = World::instance();
    if (!player || !world) {
        return 0.0f;
    }
    int level = player->getPosition().zone;
    if (level < 0 || level >= world->getLevelCount()) {
        return 0.0f;
    }
    const AreaDefinition* area = world->getLevelDefinition(level);
    return area ? area->weatherIntensityMult : 0.0f;
}

WeatherClient::WeatherClient()
{
    load();
}

WeatherClient::~WeatherClient() = default;

void WeatherClient::load()
{
    const Database* db = Database::instance();
    const DatabaseEntry* entry = db ? db->findEntry("Weather") : nullptr;
    if (!entry) {
        return;
    }
    Settings s;
    s.lowestSunlightMult = db->getFloat(entry, "LowestSunlightMult");
    ResourceHandle light = loadSound(db->getString(entry, "SoundLightRain"));
    ResourceHandle medium = loadSound(db->getString(entry, "SoundMediumRain"));
    ResourceHandle hard = loadSound(db->getString(entry, "SoundHardRain"));
    ResourceHandle thunder = loadSound(db->getString(entry, "SoundThunder"));
    s.lightRainMinIntensity = db->getFloat(entry, "LightRainMinIntensity");
    s.mediumRainMinIntensity = db->getFloat(entry, "MediumRainMinIntensity");
    s.hardRainMinIntensity = db->getFloat(entry, "HardRainMinIntensity");
    s.rainSoundFadeTime = db->getFloat(entry, "RainSoundFadeTime");
    s.lightningCheckTime = db->getFloat(entry, "LightningCheckTime");
    s.baseLightningChance = db->getFloat(entry, "BaseLightningChance");
    s.maxLightningIntensity = db->getFloat(entry, "MaxLightningIntensity");
    s.lightningPatterns = db->getStringList(entry, "LightningString");
    s.maxThunderTime = db->getFloat(entry, "MaxThunderTime");
    setSettings(s);
    setSounds(std::move(light), std::move(medium), std::move(hard), std::move(thunder));
}

void WeatherClient::setSettings(const Settings& s)
{
    m_lowestSunlightMult = s.lowestSunlightMult;
    m_lightRainMinIntensity = s.lightRainMinIntensity;
    m_mediumRainMinIntensity = s.mediumRainMinIntensity;
    m_hardRainMinIntensity = s.hardRainMinIntensity;
    m_rainSoundFadeTime = s.rainSoundFadeTime;
    m_lightningCheckTime = s.lightningCheckTime;
    m_baseLightningChance = s.baseLightningChance;
    m_maxLightningIntensity = s.maxLightningIntensity;
    m_maxThunderTime = s.maxThunderTime;
    m_lightningPatterns = s.lightningPatterns;
}

void WeatherClient::setSounds(ResourceHandle light, ResourceHandle medium, ResourceHandle hard,
                              ResourceHandle thunder)
{
    m_lightRainSound = std::move(light);
    m_mediumRainSound = std::move(medium);
    m_hardRainSound = std::move(hard);
    m_thunderSound = std::move(thunder);
}

void WeatherClient::restartLightningTimer()
{
    m_lightningTimer.start(visualRange(m_lightningCheckTime, 0.1f));
}

void WeatherClient::update(float seconds)
{
    m_lightningTimer.advance(seconds);
    Client* client = Client::instance();
    if (!client || !client->getLocalPlayer()) {
        return;
    }
    const int owner = localPlayerNumber();
    float intensity = getCurrentAreaWeatherIntensity() * m_intensity;

    if (intensity > m_hardRainMinIntensity) {
        playRainSound(m_hardRainSound, owner);
    } else if (intensity > m_mediumRainMinIntensity) {
        playRainSound(m_mediumRainSound, owner);
    } else if (intensity > m_lightRainMinIntensity) {
        playRainSound(m_lightRainSound, owner);
    } else {
        stopRainSound(owner);
        m_lightningTimer.running = false;
    }

    // A pattern plays 20 letters a second, 'a' dark and later letters brighter.
    m_lightningBrightness = 0.0f;
    if (!m_lightningPattern.empty()) {
        m_lightningElapsed += seconds;
        double k = std::floor(static_cast<double>(m_lightningElapsed) * 20.0);
        if (k < static_cast<double>(m_lightningPattern.size())) {
            char letter = m_lightningPattern[static_cast<size_t>(k)];
            m_lightningBrightness = static_cast<float>(letter - 'a') / 26.0f * m_maxLightningIntensity;
        } else {
            m_lightningPattern.clear();
        }
    }

    for (float& delay : m_thunderDelays) {
        if (delay >= 0.0f) {
            delay -= seconds;
            if (delay < 0.0f) {
                playThunder(owner);
            }
        }
    }

    if (intensity > 0.0f && !m_lightningTimer.running) {
        restartLightningTimer();
    }
    if (m_lightningTimer.running && m_lightningTimer.remaining <= 0.0f) {
        float r = randomFloat(kRandomStream);
        intensity = getCurrentAreaWeatherIntensity() * m_intensity;
        if (r < m_baseLightningChance * intensity) {
            if (!m_lightningPatterns.empty()) {
                size_t count = m_lightningPatterns.size();
                size_t pick = static_cast<size_t>(randomFloat(kRandomStream) * static_cast<float>(count));
                startFlash(m_lightningPatterns[std::min(pick, count - 1)]);
            }
            // Above a multiplier of 1 the delay would be negative, which marks
            // a free place: the thunder would be lost.
            float delay = std::max(0.0f, (1.0f - intensity) * m_maxThunderTime);
            bool placed = false;
            for (float& slot : m_thunderDelays) {
                if (slot < 0.0f) {
                    slot = delay;
                    placed = true;
                    break;
                }
            }
            if (!placed) {
                m_thunderDelays.push_back(delay);
            }
        }
        restartLightningTimer();
    }
}

void WeatherClient::playRainSound(const ResourceHandle& sound, int owner)
{
    if (m_currentRainSound.isValid() && m_currentRainSound == sound) {
        return;
    }
    stopRainSound(owner);
    m_rainSoundId =
        (m_rainSoundId == -1 || m_rainSoundId == kSecondRainSoundId) ? kFirstRainSoundId : kSecondRainSoundId;
    if (SoundSystem* system = SoundSystem::instance()) {
        system->playOwnerSound(sound, true, ZonePosition3(-1, 0.0f, 0.0f, 0.0f), 0.0f, m_rainSoundFadeTime,
                               owner, m_rainSoundId);
    }
    m_currentRainSound = sound;
}

void WeatherClient::stopRainSound(int owner)
{
    if (!m_currentRainSound.isValid()) {
        return;
    }
    if (SoundSystem* system = SoundSystem::instance()) {
        if (SoundChannel* channel = system->findChannelByOwner(owner, m_rainSoundId)) {
            channel->fadeOut(m_rainSoundFadeTime);
        }
    }
    m_currentRainSound.release();
}

void WeatherClient::playThunder(int owner)
{
    SoundSystem* system = SoundSystem::instance();
    if (!system || !system->isInitialized() || !m_thunderSound.isValid()) {
        return;
    }
    if (SoundChannel* channel = system->findFreeChannel()) {
        system->playSound(channel, ZonePosition3(-1, 0.0f, 0.0f, 0.0f), m_thunderSound, owner, 0, false, 0.0f,
                          0.0f);
    }
}
