#pragma once

#include "engine/console/UserVarRef.h"
#include "engine/core/Singleton.h"
#include "engine/core/ZonePosition3.h"
#include "engine/resources/ResourceHandle.h"
#include "sound/SoundChannel.h"

#include <atomic>
#include <functional>
#include <vector>

class LevelSoundBankResource;
class SoundClientQueries;
class SoundDriver;

// Plays every sound of the game: 256 channels mapped onto the driver's
// sources, the master, effects and music volumes, mute while the window is
// inactive, music with fades and the level's ambient sounds. Main thread
// only; the resource factories read the driver and the initialized flag from
// the loader thread.
class SoundSystem : public Singleton<SoundSystem> {
public:
    static constexpr int kChannelCount = 256;
    static constexpr int kFirstEffectChannel = 2;
    static constexpr int kAmbientBaseSoundId = -2;
    static constexpr int kBusyCursor = 7;
    static constexpr float kMinPitch = 0.05f;

    SoundSystem();
    ~SoundSystem();

    // Registers the s_ variables and starts the driver (unless s_initSound
    // is 0: then nothing plays and true is returned). False when the driver
    // fails.
    bool init(SoundDriver* driver);
    // Stops every channel and the driver; resources no longer reach it.
    void shutdown();
    bool isInitialized() const { return m_initialized; }

    // The driver while the sound system is initialized; null otherwise. Safe
    // from the loader thread.
    static SoundDriver* getDriver();

    // The client's answers (null restores the defaults) and the UI's busy
    // cursor test; each subscriber has its own hook.
    void setClientQueries(const SoundClientQueries* queries);
    const SoundClientQueries& getClientQueries() const;
    void setBusyCursorQuery(std::function<bool()> isBusy);

    void update();

    SoundChannel* findFreeChannel();
    void playSound(SoundChannel* channel, const ZonePosition3& position, const ResourceHandle& handle,
                   int owner, int soundId, bool loop, float minDistOverride, float fadeIn);
    void playOwnerSound(const ResourceHandle& handle, bool loop, const ZonePosition3& position, float minDist,
                        float fadeIn, int owner, int soundId);
    void stopOwnerSound(int owner, int soundId);
    SoundChannel* findChannelByOwner(int owner, int soundId);
    void stopChannelsOfResource(const ResourceHandle& handle);
    void stopChannel(SoundChannel* channel);

    void playMusic(const ResourceHandle& handle, float fadeIn);
    void stopMusic(float fadeOut);
    int getMusicChannel() const { return m_musicChannel; }

    void updateAmbientSounds(LevelSoundBankResource* bank, float seconds);
    void startAmbientSound(LevelSoundBankResource* bank);
    void stopAmbientSound();

    // Inspection.
    SoundChannel* getChannel(int index);
    int getSourceCount() const { return m_sourceCount; }
    int getSourceMapEntry(int source) const;
    float getMasterVolume() const { return m_masterVolume; }
    float getEffectsVolume() const { return m_effectsVolume; }
    float getMusicVolume() const { return m_musicVolume; }
    float getEffectiveVolume(const SoundChannel& channel) const;

private:
    void registerVariables();
    bool resolveSound(SoundChannel& channel, const ResourceHandle& handle);
    void applyClassVolume(int firstClass, int lastClass);
    bool stepFade(SoundChannel& channel);
    void updateChannel(SoundChannel& channel);
    void updatePosition(SoundChannel& channel);

    int m_sourceCount = 0;
    UserVarRef m_cpuUsage, m_soundsPlaying, m_initSound, m_volumeMaster, m_volumeSfx, m_volumeMusic,
        m_speakerType, m_soundDevice;
    int m_speakerTypeValue = 0;
    float m_masterVolume = 0.0f;
    float m_effectsVolume = 0.0f;
    float m_musicVolume = 0.0f;
    int m_musicChannel = -1;
    std::vector<SoundChannel> m_channels;
    std::vector<int> m_sourceMap;
    bool m_muted = false;
    bool m_paused = false;
    bool m_initialized = false;
    SoundDriver* m_driver = nullptr;
    const SoundClientQueries* m_queries = nullptr;
    std::function<bool()> m_isBusy;

    static std::atomic<SoundDriver*> s_driver;
};

// The nine speaker-type names ("Dolby" … "Prologic2Interior").
const char* speakerTypeName(int type);
