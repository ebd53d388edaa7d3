#include "sound/SoundSystem.h"

#include "engine/console/UserVarSystem.h"
#include "engine/core/Clock.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/MathUtil.h"
#include "engine/core/Random.h"
#include "engine/platform/SystemInfo.h"
#include "engine/resources/ResourceSystem.h"
#include "sound/LevelSoundBankResource.h"
#include "sound/MusicResource.h"
#include "sound/SoundBankResource.h"
#include "sound/SoundClientQueries.h"
#include "sound/SoundDriver.h"

#include <algorithm>

std::atomic<SoundDriver*> SoundSystem::s_driver{nullptr};

namespace {

const char* const kSpeakerTypes[] = {
    "Dolby", "HeadPhones", "Mono", "Quad", "Stereo", "Surround", "Dts", "Prologic2", "Prologic2Interior"};

// Until the client installs its answers: no position, not paused, no
// entities.
class DefaultClientQueries : public SoundClientQueries {
public:
    ZonePosition3 getListenerPosition() const override { return ZonePosition3(-1, 0.0f, 0.0f, 0.0f); }
    bool isPaused() const override { return false; }
    bool findEntityPosition(int, ZonePosition3&) const override { return false; }
    int getLocalPlayerEntity() const override { return -1; }
};

const DefaultClientQueries kDefaultQueries;

GameTime now()
{
    Clock* clock = Clock::instance();
    return clock ? clock->getGameTime() : GameTime();
}

Resource* lookUp(const ResourceHandle& handle)
{
    ResourceSystem* resources = ResourceSystem::instance();
    return resources && handle.isValid() ? resources->get(handle) : nullptr;
}

} // namespace

const char* speakerTypeName(int type)
{
    if (type < 0 || type >= static_cast<int>(std::size(kSpeakerTypes))) {
        return "";
    }
    return kSpeakerTypes[type];
}

SoundSystem::SoundSystem() = default;

SoundSystem::~SoundSystem()
{
    if (s_driver.load() == m_driver) {
        s_driver = nullptr;
    }
}

SoundDriver* SoundSystem::getDriver()
{
    return s_driver.load();
}

void SoundSystem::setClientQueries(const SoundClientQueries* queries)
{
    m_queries = queries;
}

const SoundClientQueries& SoundSystem::getClientQueries() const
{
    return m_queries ? *m_queries : kDefaultQueries;
}

void SoundSystem::setBusyCursorQuery(std::function<bool()> isBusy)
{
    m_isBusy = std::move(isBusy);
}

void SoundSystem::registerVariables()
{
    UserVarSystem* vars = UserVarSystem::instance();
    if (!vars) {
        return;
    }
    m_cpuUsage = vars->getVar("s_cpuUsage", "0", UserVarSystem::kCreate);
    m_soundsPlaying = vars->getVar("s_soundsPlaying", "0", UserVarSystem::kCreate);
    m_initSound = vars->getVar("s_initSound", "1", UserVarSystem::kCreate);
    m_volumeMaster = vars->getVar("s_volumeMaster", "1.0", UserVarSystem::kCreate);
    m_volumeSfx = vars->getVar("s_volumeSfx", "1.0", UserVarSystem::kCreate);
    m_volumeMusic = vars->getVar("s_volumeMusic", "1.0", UserVarSystem::kCreate);
    m_soundDevice = vars->getVar("s_soundDevice", "0", UserVarSystem::kCreate);
}

bool SoundSystem::init(SoundDriver* driver)
{
    if (!driver) {
        return false;
    }
    registerVariables();
    m_masterVolume = 1.0f;
    m_effectsVolume = 1.0f;
    m_musicVolume = 1.0f;
    if (m_initSound.isValid() && !m_initSound.getBool()) {
        debugPrint(2, "Skipped sound system initialization\n");
        return true;
    }
    m_driver = driver;
    if (!driver->init()) {
        return false;
    }
    m_sourceCount = driver->getSourceCount();
    debugPrintRaw("Sound system initialized\n");
    driver->postInit();

    m_channels.assign(kChannelCount, SoundChannel());
    for (int i = 0; i < kChannelCount; ++i) {
        m_channels[static_cast<size_t>(i)].index = i;
    }
    m_sourceMap.assign(static_cast<size_t>(std::max(0, m_sourceCount)), -1);

    m_speakerTypeValue = 4;
    if (UserVarSystem* vars = UserVarSystem::instance()) {
        m_speakerType = vars->getVar("s_speakerType", speakerTypeName(4), UserVarSystem::kCreate);
    }
    driver->setSpeakerType(m_speakerTypeValue);

    m_initialized = true;
    s_driver = driver;
    return true;
}

void SoundSystem::shutdown()
{
    for (auto& channel : m_channels) {
        stopChannel(&channel);
    }
    // Dropping the channels releases their resources while the driver is
    // still open.
    m_channels.clear();
    m_sourceMap.clear();
    m_musicChannel = -1;
    s_driver = nullptr;
    if (m_driver) {
        m_driver->shutdown();
    }
    m_driver = nullptr;
    m_initialized = false;
}

SoundChannel* SoundSystem::getChannel(int index)
{
    if (index < 0 || index >= static_cast<int>(m_channels.size())) {
        return nullptr;
    }
    return &m_channels[static_cast<size_t>(index)];
}

int SoundSystem::getSourceMapEntry(int source) const
{
    if (source < 0 || source >= static_cast<int>(m_sourceMap.size())) {
        return -1;
    }
    return m_sourceMap[static_cast<size_t>(source)];
}

float SoundSystem::getEffectiveVolume(const SoundChannel& channel) const
{
    if (channel.looping && m_paused) {
        return 0.0f;
    }
    return channel.volume * (channel.soundClass == kSoundClassMusic ? m_musicVolume : m_effectsVolume);
}

bool SoundSystem::stepFade(SoundChannel& channel)
{
    GameTime t = now();
    float elapsed = static_cast<float>((t - channel.fadeStamp).toSeconds());
    channel.volume += channel.fadeRate * elapsed;
    channel.fadeStamp = t;
    if (channel.fadingIn && channel.volume >= channel.fadeTarget) {
        channel.volume = channel.fadeTarget;
        channel.fadingIn = false;
    }
    if (channel.fadingOut && channel.volume <= 0.0f) {
        channel.volume = 0.0f;
        channel.fadingOut = false;
        stopChannel(&channel);
        return false;
    }
    return true;
}

void SoundSystem::applyClassVolume(int firstClass, int lastClass)
{
    for (auto& channel : m_channels) {
        if (!channel.inUse || channel.soundClass < firstClass || channel.soundClass > lastClass) {
            continue;
        }
        if ((channel.fadingIn || channel.fadingOut) && !stepFade(channel)) {
            continue;
        }
        m_driver->setSourceGain(channel.handle, getEffectiveVolume(channel));
    }
}

void SoundSystem::update()
{
    if (!m_initialized) {
        return;
    }
    const SoundClientQueries& queries = getClientQueries();

    // 1. Volumes.
    SystemInfo* info = SystemInfo::instance();
    bool active = !info || info->isActive();
    if (!active && !m_muted) {
        m_driver->setMasterGain(0.0f);
        m_muted = true;
    } else if (active && m_muted) {
        m_driver->setMasterGain(m_masterVolume);
        m_muted = false;
    }
    if (m_volumeMaster.isValid() && m_volumeMaster.hasChanged()) {
        // OpenAL refuses a negative gain and would keep the old one.
        m_masterVolume = std::max(0.0f, m_volumeMaster.getFloat());
        m_volumeMaster.clearChanged();
        m_driver->setMasterGain(m_masterVolume);
    }
    if (m_volumeSfx.isValid() && m_volumeSfx.hasChanged()) {
        m_effectsVolume = m_volumeSfx.getFloat();
        m_volumeSfx.clearChanged();
        applyClassVolume(kSoundClassPositional, kSoundClassStream);
    }
    if (m_volumeMusic.isValid() && m_volumeMusic.hasChanged()) {
        m_musicVolume = m_volumeMusic.getFloat();
        m_volumeMusic.clearChanged();
        applyClassVolume(kSoundClassMusic, kSoundClassMusic);
    }
    bool paused = queries.isPaused();
    if (paused != m_paused) {
        m_paused = paused;
        applyClassVolume(kSoundClassPositional, kSoundClassStream);
    }

    // 2. Statistics lines.
    if (m_cpuUsage.isValid() && m_cpuUsage.getBool()) {
        debugPrintRaw("Sound CPU percent = %.1f%%\n", m_driver->getCpuUsage());
    }
    if (m_soundsPlaying.isValid() && m_soundsPlaying.getBool()) {
        debugPrintRaw("# sound playing = %d\n", m_driver->getPlayingSourceCount());
    }

    // 3. Channels.
    for (auto& channel : m_channels) {
        updateChannel(channel);
    }

    // 4. Speaker type.
    if (m_speakerType.isValid() && m_speakerType.hasChanged()) {
        m_speakerTypeValue = m_speakerType.getInt();
        m_speakerType.clearChanged();
        m_driver->setSpeakerType(m_speakerTypeValue);
    }

    // 5. Listener; 6. streams, held while the busy cursor shows.
    m_driver->setListener(queries.getListenerPosition());
    if (!(m_isBusy && m_isBusy())) {
        m_driver->updateStreams();
    }
}

void SoundSystem::updateChannel(SoundChannel& channel)
{
    if (!channel.inUse) {
        return;
    }
    if (channel.fadingIn || channel.fadingOut) {
        if (!stepFade(channel)) {
            return;
        }
        m_driver->setSourceGain(channel.handle, getEffectiveVolume(channel));
    }
    if (channel.buffer == 0 && !channel.stream) {
        return;
    }
    if (!m_driver->isPlaying(channel.handle)) {
        stopChannel(&channel);
        return;
    }
    updatePosition(channel);
    if (channel.looping) {
        ZonePosition3 ignored;
        if (channel.owner == -1 || !getClientQueries().findEntityPosition(channel.owner, ignored)) {
            stopChannel(&channel);
        }
    }
}

void SoundSystem::updatePosition(SoundChannel& channel)
{
    if (!m_driver->isPositionalClass(channel.soundClass)) {
        return;
    }
    ZonePosition3 position;
    if (channel.owner != -1 && getClientQueries().findEntityPosition(channel.owner, position)) {
        position.z = 0.0f;
        channel.position = position;
    }
    m_driver->setSourcePosition(channel.handle, channel.position);
}

SoundChannel* SoundSystem::findFreeChannel()
{
    for (size_t i = kFirstEffectChannel; i < m_channels.size(); ++i) {
        if (!m_channels[i].inUse) {
            return &m_channels[i];
        }
    }
    return nullptr;
}

bool SoundSystem::resolveSound(SoundChannel& channel, const ResourceHandle& handle)
{
    channel.reset();
    Resource* resource = lookUp(handle);
    SoundResource* sound = nullptr;
    bool fromBank = false;
    if (auto* bank = dynamic_cast<SoundBankResource*>(resource)) {
        if (bank->hasFailedToLoad()) {
            return false;
        }
        channel.minDist = bank->getMinDist();
        channel.maxDist = bank->getMaxDist();
        channel.volume = bank->getVolume();
        // A pitch of 0 or below never ends or is refused.
        channel.pitch = std::max(kMinPitch, bank->getPitch());
        sound = bank->pickSound();
        fromBank = true;
        if (!sound) {
            return false;
        }
    }
    if (auto* music = dynamic_cast<MusicResource*>(fromBank ? sound : resource)) {
        if (music->hasFailedToLoad()) {
            return false;
        }
        channel.soundClass = kSoundClassStream;
        channel.stream = music->getStream();
    } else {
        if (!fromBank) {
            sound = dynamic_cast<SoundResource*>(resource);
        }
        if (!sound || sound->hasFailedToLoad()) {
            return false;
        }
        channel.buffer = sound->getBuffer();
        channel.sampleRate = sound->getSampleRate();
        channel.soundClass = sound->isStereo() ? kSoundClassFlat : kSoundClassPositional;
    }
    channel.fadingIn = false;
    channel.fadingOut = false;
    channel.resource = handle;
    return true;
}

void SoundSystem::playSound(SoundChannel* channel, const ZonePosition3& position,
                            const ResourceHandle& handle, int owner, int soundId, bool loop,
                            float minDistOverride, float fadeIn)
{
    if (!m_initialized || !channel) {
        return;
    }
    if (channel->inUse) {
        stopChannel(channel);
    }
    if (!resolveSound(*channel, handle)) {
        return;
    }
    channel->owner = owner;
    channel->soundId = soundId;
    channel->position = position;
    if (minDistOverride > 0.0f) {
        channel->minDist = minDistOverride;
    }
    if (fadeIn > 0.0f) {
        channel->fadeTarget = channel->volume;
        channel->fadingIn = true;
        channel->fadeStamp = now();
        channel->volume = 0.0f;
        channel->fadeRate = 1.0f / fadeIn;
    }
    const int soundClass = channel->soundClass;
    if ((soundClass != kSoundClassStream && channel->buffer == 0) ||
        (soundClass == kSoundClassStream && !channel->stream)) {
        channel->buffer = 0;
        channel->stream = nullptr;
        return;
    }
    if (soundClass == kSoundClassStream && !m_driver->allowsSharedStreams()) {
        for (auto& other : m_channels) {
            if (&other != channel && other.inUse && other.stream && other.resource == handle) {
                stopChannel(&other);
            }
        }
    }
    int first = 0, count = 0;
    m_driver->getSourceRange(soundClass, first, count);
    int source = -1;
    for (int s = first; s < first + count; ++s) {
        if (s >= 0 && s < static_cast<int>(m_sourceMap.size()) && m_sourceMap[static_cast<size_t>(s)] == -1) {
            source = s;
            break;
        }
    }
    if (source < 0) {
        channel->buffer = 0;
        channel->stream = nullptr;
        return;
    }
    m_sourceMap[static_cast<size_t>(source)] = channel->index;
    channel->source = source;
    channel->handle = soundClass == kSoundClassStream ? m_driver->bindStreamSource(source, channel->stream)
                                                      : m_driver->bindBufferSource(source, channel->buffer);
    if (channel->handle == -1) {
        m_sourceMap[static_cast<size_t>(source)] = -1;
        channel->buffer = 0;
        channel->stream = nullptr;
        return;
    }
    if (m_driver->isPositionalClass(soundClass)) {
        updatePosition(*channel);
        m_driver->setReferenceDistance(channel->handle, channel->minDist, channel->maxDist);
    }
    // Every play sets the pitch: a source serves all three classes.
    if (soundClass != kSoundClassPositional) {
        channel->pitch = 1.0f;
    }
    m_driver->setPitch(channel->handle, channel->sampleRate, channel->pitch);
    if (soundClass == kSoundClassStream) {
        m_driver->setStreamLooping(channel->handle, channel->stream, loop);
    } else {
        m_driver->setLooping(channel->handle, loop);
    }
    channel->looping = loop;
    m_driver->setSourceGain(channel->handle, getEffectiveVolume(*channel));
    if (soundClass == kSoundClassStream) {
        m_driver->playStream(channel->handle, channel->stream);
    } else {
        m_driver->playBuffer(channel->handle, channel->buffer);
    }
    channel->inUse = true;
}

void SoundSystem::playOwnerSound(const ResourceHandle& handle, bool loop, const ZonePosition3& position,
                                 float minDist, float fadeIn, int owner, int soundId)
{
    if (!handle.isValid()) {
        return;
    }
    if (owner != -1 && soundId > 0) {
        stopOwnerSound(owner, soundId);
    }
    if (SoundChannel* channel = findFreeChannel()) {
        playSound(channel, position, handle, owner, soundId, loop, minDist, fadeIn);
    }
}

void SoundSystem::stopOwnerSound(int owner, int soundId)
{
    stopChannel(findChannelByOwner(owner, soundId));
}

SoundChannel* SoundSystem::findChannelByOwner(int owner, int soundId)
{
    for (auto& channel : m_channels) {
        if (channel.inUse && !channel.fadingOut && channel.owner == owner && channel.soundId == soundId) {
            return &channel;
        }
    }
    return nullptr;
}

void SoundSystem::stopChannelsOfResource(const ResourceHandle& handle)
{
    for (auto& channel : m_channels) {
        if (channel.inUse && channel.resource == handle) {
            stopChannel(&channel);
        }
    }
}

void SoundSystem::stopChannel(SoundChannel* channel)
{
    if (!channel || !channel->inUse) {
        return;
    }
    if (m_driver) {
        if (channel->stream) {
            m_driver->stopSource(channel->handle, channel->stream);
        } else if (channel->buffer != 0) {
            m_driver->stopAndDetach(channel->handle);
        }
    }
    channel->stream = nullptr;
    channel->buffer = 0;
    channel->inUse = false;
    if (channel->source >= 0 && channel->source < static_cast<int>(m_sourceMap.size()) &&
        m_sourceMap[static_cast<size_t>(channel->source)] == channel->index) {
        m_sourceMap[static_cast<size_t>(channel->source)] = -1;
    }
}

void SoundSystem::playMusic(const ResourceHandle& handle, float fadeIn)
{
    if (!m_initialized) {
        return;
    }
    auto* music = dynamic_cast<MusicResource*>(lookUp(handle));
    if (!music || music->hasFailedToLoad()) {
        return;
    }
    SoundStream* stream = music->getStream();
    if (!stream) {
        return;
    }
    int previous = m_musicChannel;
    if (previous >= 0) {
        stopChannel(&m_channels[static_cast<size_t>(previous)]);
    }
    int next = previous == 0 ? 1 : 0;
    SoundChannel& channel = m_channels[static_cast<size_t>(next)];
    stopChannel(&channel);
    int first = 0, count = 0;
    m_driver->getSourceRange(kSoundClassMusic, first, count);
    if (next >= count) {
        // The device has no source for this music channel.
        m_musicChannel = -1;
        return;
    }
    channel.reset();
    channel.soundClass = kSoundClassMusic;
    channel.stream = stream;
    channel.owner = -1;
    channel.soundId = 0;
    // Music loops through the stream only; the channel's own flag stays
    // clear so that the update neither stops it nor pauses it.
    channel.looping = false;
    channel.fadingIn = false;
    channel.fadingOut = false;
    channel.resource = handle;
    channel.source = next + first;
    channel.handle = m_driver->bindStreamSource(channel.source, stream);
    if (channel.handle == -1) {
        channel.stream = nullptr;
        m_musicChannel = -1;
        return;
    }
    if (fadeIn > 0.0f) {
        channel.fadeTarget = channel.volume;
        channel.fadingIn = true;
        channel.fadeStamp = now();
        channel.volume = 0.0f;
        channel.fadeRate = 1.0f / fadeIn;
    }
    m_driver->setStreamLooping(channel.handle, stream, true);
    m_driver->setSourceGain(channel.handle, getEffectiveVolume(channel));
    m_driver->playStream(channel.handle, stream);
    channel.inUse = true;
    m_musicChannel = next;
}

void SoundSystem::stopMusic(float fadeOut)
{
    if (m_musicChannel < 0 || !m_initialized) {
        return;
    }
    SoundChannel& channel = m_channels[static_cast<size_t>(m_musicChannel)];
    if (fadeOut > 0.0f) {
        channel.fadeOut(fadeOut);
    } else {
        stopChannel(&channel);
    }
}

void SoundSystem::updateAmbientSounds(LevelSoundBankResource* bank, float seconds)
{
    if (!bank) {
        return;
    }
    for (auto& random : bank->getRandomSounds()) {
        random->quietTimer.advance(seconds);
        random->checkTimer.advance(seconds);
        if (random->quietTimer.isCounting() || random->checkTimer.isCounting()) {
            continue;
        }
        random->checkTimer.start(random->checkInterval);
        if (randomFloat(0) >= random->chance) {
            continue;
        }
        ZonePosition3 centre = getClientQueries().getListenerPosition();
        float r1 = randomFloat(0);
        float r2 = randomFloat(0);
        float r3 = randomFloat(0);
        float distance = random->minRadius + r1 * (random->maxRadius - random->minRadius);
        Vec2 direction(2.0f * r2 - 1.0f, 2.0f * r3 - 1.0f);
        vec2Normalize(direction);
        ZonePosition3 position(centre.zone, centre.x + direction.x * distance,
                               centre.y + direction.y * distance, 0.0f);
        position.normalize();
        if (m_initialized && random->sound.isValid()) {
            if (SoundChannel* channel = findFreeChannel()) {
                playSound(channel, position, random->sound, -1, 0, false, 0.0f, 0.0f);
            }
        }
        random->quietTimer.start(random->quietTime);
    }
}

void SoundSystem::startAmbientSound(LevelSoundBankResource* bank)
{
    if (!m_initialized || !bank || !bank->getBaseSound().isValid()) {
        return;
    }
    if (SoundChannel* channel = findFreeChannel()) {
        const SoundClientQueries& queries = getClientQueries();
        playSound(channel, queries.getListenerPosition(), bank->getBaseSound(),
                  queries.getLocalPlayerEntity(), kAmbientBaseSoundId, true, 0.0f, 5.0f);
    }
}

void SoundSystem::stopAmbientSound()
{
    if (!m_initialized) {
        return;
    }
    if (SoundChannel* channel =
            findChannelByOwner(getClientQueries().getLocalPlayerEntity(), kAmbientBaseSoundId)) {
        channel->fadeOut(5.0f);
    }
}
