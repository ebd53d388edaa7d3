#include "sound/OpenALDriver.h"

#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/MemorySystem.h"
#include "engine/core/StringUtil.h"
#include "engine/platform/SystemInfo.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <new>

namespace {

// ALSA prints its own errors to standard error (eight lines when there is no
// sound card at all). They go to the log instead, where the critical error
// points.
using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int err, const char* fmt,
                                  ...);
using AlsaSetErrorHandler = int (*)(AlsaErrorHandler handler);

void logAlsaError(const char* file, int line, const char* function, int err, const char* fmt, ...)
{
    char text[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    debugPrintRaw("ALSA: %s:%d (%s): %s%s%s\n", file ? file : "?", line, function ? function : "?", text,
                  err != 0 ? ": " : "", err != 0 ? std::strerror(err < 0 ? -err : err) : "");
}

// The library OpenAL Soft loads by the same name gets the handler; the
// handle stays open for the life of the process, as the handler must.
void routeAlsaErrorsToLog()
{
    static bool done = false;
    if (done) {
        return;
    }
    done = true;
    void* alsa = dlopen("libasound.so.2", RTLD_LAZY);
    if (!alsa) {
        return;
    }
    auto set = reinterpret_cast<AlsaSetErrorHandler>(dlsym(alsa, "snd_lib_error_set_handler"));
    if (set) {
        set(logAlsaError);
    }
}

void checkALError()
{
    switch (alGetError()) {
    case AL_INVALID_NAME:
        debugPrint(1, "AL_INVALID_NAME\n");
        break;
    case AL_INVALID_ENUM:
        debugPrint(1, "AL_INVALID_ENUM\n");
        break;
    case AL_INVALID_VALUE:
        debugPrint(1, "AL_INVALID_VALUE\n");
        break;
    case AL_INVALID_OPERATION:
        debugPrint(1, "AL_INVALID_OPERATION\n");
        break;
    case AL_OUT_OF_MEMORY:
        debugPrint(1, "AL_OUT_OF_MEMORY\n");
        break;
    default:
        break;
    }
}

// A list of zero-terminated names ending in an empty one.
std::vector<std::string> splitNameList(const ALCchar* list)
{
    std::vector<std::string> names;
    if (!list) {
        return names;
    }
    while (*list) {
        std::string name(list);
        list += name.size() + 1;
        names.push_back(std::move(name));
    }
    return names;
}

// UTF-8 to the game's 8-bit text: code points up to 0xFF stay, others
// become '?'; a malformed byte is taken as it is.
std::string utf8ToLatin1(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        int extra = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 0;
        if (extra == 0 || i + static_cast<size_t>(extra) >= text.size()) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        uint32_t code = c & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            if ((next & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            code = code << 6 | (next & 0x3F);
        }
        if (!ok) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        out += code <= 0xFF ? static_cast<char>(code) : '?';
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

using RenderSamplesFn = void(ALC_APIENTRY*)(ALCdevice*, ALCvoid*, ALCsizei);
using LoopbackOpenFn = ALCdevice*(ALC_APIENTRY*)(const ALCchar*);

} // namespace

OpenALDriver::OpenALDriver() = default;

OpenALDriver::~OpenALDriver()
{
    shutdown();
}

std::vector<std::string> OpenALDriver::listPlaybackDevices()
{
    if (alcIsExtensionPresent(nullptr, "ALC_ENUMERATE_ALL_EXT")) {
        return splitNameList(alcGetString(nullptr, ALC_ALL_DEVICES_SPECIFIER));
    }
    return splitNameList(alcGetString(nullptr, ALC_DEVICE_SPECIFIER));
}

std::string OpenALDriver::getDefaultDeviceName()
{
    const ALCchar* name = alcIsExtensionPresent(nullptr, "ALC_ENUMERATE_ALL_EXT")
                              ? alcGetString(nullptr, ALC_DEFAULT_ALL_DEVICES_SPECIFIER)
                              : alcGetString(nullptr, ALC_DEFAULT_DEVICE_SPECIFIER);
    return name ? std::string(name) : std::string();
}

void OpenALDriver::fillDeviceChoices(std::vector<ListEntry>& list)
{
    ListEntry entry;
    entry.name = "Default device";
    entry.value = "0";
    list.push_back(entry);
    std::string def = getDefaultDeviceName();
    int choice = 1;
    for (const auto& name : listPlaybackDevices()) {
        if (name == def || choice > 2) {
            continue;
        }
        entry.name = utf8ToLatin1(name);
        entry.value = std::to_string(choice++);
        list.push_back(entry);
    }
}

bool OpenALDriver::openDevice()
{
    if (m_loopbackRate > 0) {
        auto open = reinterpret_cast<LoopbackOpenFn>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
        m_renderSamples = reinterpret_cast<void*>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
        m_device = open && m_renderSamples ? open(nullptr) : nullptr;
        return m_device != nullptr;
    }
    routeAlsaErrorsToLog();
    int choice = userVarsReady() ? getUserVarInt("s_soundDevice") : 0;
    if (choice < 0 || choice > 2) {
        choice = 0;
    }
    if (choice > 0) {
        // The first and second devices other than the default one.
        std::string def = getDefaultDeviceName();
        std::vector<std::string> others;
        for (const auto& name : listPlaybackDevices()) {
            if (name != def) {
                others.push_back(name);
            }
        }
        if (static_cast<size_t>(choice) <= others.size()) {
            m_device = alcOpenDevice(others[static_cast<size_t>(choice - 1)].c_str());
        }
    }
    if (!m_device) {
        m_device = alcOpenDevice(nullptr);
    }
    return m_device != nullptr;
}

bool OpenALDriver::init()
{
    if (m_device) {
        return true;
    }
    m_failureBeyondDevice.clear();
    if (!openDevice()) {
        debugPrint(3, "Failed to open sound device!\n");
        return false;
    }
    const ALCchar* spec = alcGetString(m_device, ALC_DEVICE_SPECIFIER);
    m_deviceName = spec ? spec : "";
    debugPrintRaw("Opened %s Device\n", m_deviceName.c_str());
    if (SystemInfo* info = SystemInfo::instance()) {
        info->setAudioDeviceCount(static_cast<int>(listPlaybackDevices().size()));
    }

    if (m_loopbackRate > 0) {
        const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT,
                                     ALC_STEREO_SOFT,
                                     ALC_FORMAT_TYPE_SOFT,
                                     ALC_SHORT_SOFT,
                                     ALC_FREQUENCY,
                                     m_loopbackRate,
                                     0};
        m_context = alcCreateContext(m_device, attributes);
    } else {
        m_context = alcCreateContext(m_device, nullptr);
    }
    if (!m_context) {
        debugPrint(3, "Failed to create sound context!\n");
        return false;
    }
    if (!alcMakeContextCurrent(m_context)) {
        debugPrint(3, "Failed to make sound context current!\n");
        return false;
    }

    // How many sources the device gives.
    ALuint probe[kMaxSources] = {};
    alGetError();
    int count = 0;
    while (count < kMaxSources) {
        alGenSources(1, &probe[count]);
        if (alGetError() != AL_NO_ERROR) {
            probe[count] = 0;
            break;
        }
        ++count;
    }
    alDeleteSources(count, probe);
    if (alGetError() != AL_NO_ERROR) {
        for (ALuint& name : probe) {
            if (name != 0) {
                alDeleteSources(1, &name);
            }
        }
        alGetError();
    }
    if (count < 1) {
        debugPrint(3, "No sound sources available!\n");
        return false;
    }

    alGetError();
    m_records = static_cast<SourceRecord*>(
        memAlloc(sizeof(SourceRecord) * static_cast<size_t>(count), MemCategory::Sound));
    for (int i = 0; i < count; ++i) {
        new (&m_records[i]) SourceRecord();
    }
    m_sourceCount = count;
    for (int i = 0; i < count; ++i) {
        alGenSources(1, &m_records[i].source);
        if (alGetError() != AL_NO_ERROR) {
            debugPrint(3, "Failed to make sound sources!\n");
            return false;
        }
    }
    debugPrintRaw("Using %d sound sources\n", count);

    // Ogg Vorbis is decoded by libvorbisfile, which the program loads here
    // rather than links.
    if (!m_vorbis.open(m_vorbisFileName)) {
        m_failureBeyondDevice =
            formatString("The Ogg Vorbis decoder %s cannot be loaded (%s); it comes with the package %s.",
                         m_vorbisFileName.c_str(), m_vorbis.getError().c_str(), VorbisFileLibrary::kPackage);
        debugPrint(3, "%s\n", m_failureBeyondDevice.c_str());
        debugPrint(3, "Failed to open vorbis/ogg dll!\n");
        return false;
    }

    m_decodeBufferSize = kDecodeBufferSize;
    m_decodeBuffer =
        static_cast<uint8_t*>(memAlloc(static_cast<size_t>(m_decodeBufferSize), MemCategory::Sound));
    return true;
}

void OpenALDriver::shutdown()
{
    if (m_context) {
        alcMakeContextCurrent(m_context);
    }
    if (m_records) {
        for (int i = 0; i < m_sourceCount; ++i) {
            SourceRecord& rec = m_records[i];
            if (rec.source != 0) {
                alSourceStop(rec.source);
                alSourcei(rec.source, AL_BUFFER, 0);
                alDeleteSources(1, &rec.source);
            }
            for (unsigned& buffer : rec.buffers) {
                if (buffer != 0) {
                    alDeleteBuffers(1, &buffer);
                    buffer = 0;
                }
            }
            rec.~SourceRecord();
        }
        memFree(m_records);
        m_records = nullptr;
    }
    m_sourceCount = 0;
    // Every decoder is closed with its record, so the library can go.
    m_vorbis.close();
    for (unsigned buffer : m_freeBuffers) {
        alDeleteBuffers(1, &buffer);
    }
    m_freeBuffers.clear();
    if (m_context) {
        alGetError();
    }
    memFree(m_decodeBuffer);
    m_decodeBuffer = nullptr;
    m_decodeBufferSize = 0;
    if (m_context) {
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(m_context);
        m_context = nullptr;
    }
    if (m_device) {
        alcCloseDevice(m_device);
        m_device = nullptr;
    }
    m_renderSamples = nullptr;
}

OpenALDriver::SourceRecord* OpenALDriver::record(int source) const
{
    if (!m_records || source < 0 || source >= m_sourceCount) {
        return nullptr;
    }
    return &m_records[source];
}

unsigned OpenALDriver::getSourceName(int source) const
{
    SourceRecord* rec = record(source);
    return rec ? rec->source : 0;
}

bool OpenALDriver::isStreaming(int source) const
{
    SourceRecord* rec = record(source);
    return rec && rec->streaming;
}

int OpenALDriver::getStreamBufferCount(int source) const
{
    SourceRecord* rec = record(source);
    if (!rec) {
        return 0;
    }
    return static_cast<int>(
        std::count_if(std::begin(rec->buffers), std::end(rec->buffers), [](unsigned b) { return b != 0; }));
}

void OpenALDriver::renderSamples(int16_t* out, int frames)
{
    if (m_device && m_renderSamples && frames > 0) {
        reinterpret_cast<RenderSamplesFn>(m_renderSamples)(m_device, out, frames);
    }
}

int OpenALDriver::getPlayingSourceCount()
{
    int playing = 0;
    for (int i = 0; i < m_sourceCount; ++i) {
        if (isPlaying(i)) {
            ++playing;
        }
    }
    return playing;
}

void OpenALDriver::setMasterGain(float gain)
{
    if (!m_context) {
        return;
    }
    alListenerf(AL_GAIN, gain);
    checkALError();
}

Vec3 OpenALDriver::sourcePosition(const ZonePosition3& reference, const ZonePosition3& position)
{
    Vec3 d = ZonePosition3::getLocal(reference, position);
    return {d.x, d.z, std::min(-std::fabs(d.y), -16.0f)};
}

Vec3 OpenALDriver::listenerPosition(const ZonePosition3& reference, const ZonePosition3& position)
{
    Vec3 d = ZonePosition3::getLocal(reference, position);
    return {d.x, d.z, -std::fabs(d.y)};
}

void OpenALDriver::setListener(const ZonePosition3& position)
{
    // The listener's position is also the reference point of the sources.
    m_reference = position;
    if (!m_context) {
        return;
    }
    Vec3 p = listenerPosition(m_reference, position);
    alListener3f(AL_POSITION, p.x, p.y, p.z);
    checkALError();
    const ALfloat orientation[6] = {0.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f};
    alListenerfv(AL_ORIENTATION, orientation);
    checkALError();
}

int OpenALDriver::fillOne(SourceRecord& rec)
{
    return rec.decoder.fill(m_decodeBuffer, m_decodeBufferSize);
}

unsigned OpenALDriver::takeBuffer()
{
    if (!m_freeBuffers.empty()) {
        unsigned name = m_freeBuffers.front();
        m_freeBuffers.pop_front();
        return name;
    }
    ALuint name = 0;
    alGenBuffers(1, &name);
    checkALError();
    return name;
}

void OpenALDriver::stopSource(int source, SoundStream*)
{
    SourceRecord* rec = record(source);
    if (!rec) {
        return;
    }
    alSourceStop(rec->source);
    checkALError();
    ALint processed = 0;
    alGetSourcei(rec->source, AL_BUFFERS_PROCESSED, &processed);
    checkALError();
    for (ALint i = 0; i < processed; ++i) {
        ALuint name = 0;
        alSourceUnqueueBuffers(rec->source, 1, &name);
        checkALError();
    }
    alSourcei(rec->source, AL_BUFFER, 0);
    checkALError();
    for (unsigned& buffer : rec->buffers) {
        if (buffer != 0) {
            m_freeBuffers.push_back(buffer);
            buffer = 0;
        }
    }
    rec->decoder.clear();
    rec->streaming = false;
    rec->loop = false;
    rec->stream = nullptr;
}

void OpenALDriver::stopAndDetach(int source)
{
    SourceRecord* rec = record(source);
    if (!rec) {
        return;
    }
    alSourceStop(rec->source);
    checkALError();
    alSourcei(rec->source, AL_BUFFER, 0);
    checkALError();
}

void OpenALDriver::setSourceGain(int source, float gain)
{
    if (SourceRecord* rec = record(source)) {
        alSourcef(rec->source, AL_GAIN, std::max(gain, 0.0f));
        checkALError();
    }
}

void OpenALDriver::setSourcePosition(int source, const ZonePosition3& position)
{
    if (SourceRecord* rec = record(source)) {
        Vec3 p = sourcePosition(m_reference, position);
        alSource3f(rec->source, AL_POSITION, p.x, p.y, p.z);
        checkALError();
    }
}

void OpenALDriver::setReferenceDistance(int source, float minDist, float)
{
    if (SourceRecord* rec = record(source)) {
        alSourcef(rec->source, AL_REFERENCE_DISTANCE, 2.0f * minDist);
        checkALError();
    }
}

void OpenALDriver::setPitch(int source, int, float pitch)
{
    if (SourceRecord* rec = record(source)) {
        alSourcef(rec->source, AL_PITCH, pitch);
        checkALError();
    }
}

bool OpenALDriver::isPlaying(int source)
{
    SourceRecord* rec = record(source);
    if (!rec) {
        return false;
    }
    ALint state = 0;
    alGetSourcei(rec->source, AL_SOURCE_STATE, &state);
    checkALError();
    if (state == AL_PLAYING) {
        return true;
    }
    if (!rec->streaming) {
        return false;
    }
    if (rec->loop) {
        return true;
    }
    ALint queued = 0;
    alGetSourcei(rec->source, AL_BUFFERS_QUEUED, &queued);
    checkALError();
    return queued >= 1;
}

void OpenALDriver::setLooping(int source, bool loop)
{
    if (SourceRecord* rec = record(source)) {
        alSourcei(rec->source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
        checkALError();
    }
}

void OpenALDriver::setStreamLooping(int source, SoundStream*, bool loop)
{
    if (SourceRecord* rec = record(source)) {
        alSourcei(rec->source, AL_LOOPING, AL_FALSE);
        checkALError();
        rec->loop = loop;
    }
}

unsigned OpenALDriver::createBuffer(const uint8_t* image, size_t size, const PcmDescription& pcm)
{
    if (!m_context) {
        return 0;
    }
    ALenum format = 0;
    if (pcm.channels == 1 && pcm.bitsPerSample == 8) {
        format = AL_FORMAT_MONO8;
    } else if (pcm.channels == 1 && pcm.bitsPerSample == 16) {
        format = AL_FORMAT_MONO16;
    } else if (pcm.channels == 2 && pcm.bitsPerSample == 8) {
        format = AL_FORMAT_STEREO8;
    } else if (pcm.channels == 2 && pcm.bitsPerSample == 16) {
        format = AL_FORMAT_STEREO16;
    }
    size_t bytes = pcm.byteSize();
    // The data must lie inside the image.
    if (format == 0 || !pcm.data || pcm.sampleCount <= 0 || pcm.data < image ||
        static_cast<size_t>(pcm.data - image) > size ||
        bytes > size - static_cast<size_t>(pcm.data - image)) {
        return 0;
    }
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    checkALError();
    if (buffer == 0) {
        return 0;
    }
    alBufferData(buffer, format, pcm.data, static_cast<ALsizei>(bytes), pcm.sampleRate);
    checkALError();
    return buffer;
}

SoundStream* OpenALDriver::createStream(const uint8_t* data, size_t size)
{
    auto* stream = new SoundStream;
    stream->data = data;
    stream->size = size;
    return stream;
}

int OpenALDriver::bindBufferSource(int source, unsigned)
{
    return source;
}

void OpenALDriver::playBuffer(int source, unsigned buffer)
{
    if (SourceRecord* rec = record(source)) {
        alSourcei(rec->source, AL_BUFFER, static_cast<ALint>(buffer));
        checkALError();
        alSourcePlay(rec->source);
        checkALError();
        rec->streaming = false;
    }
}

int OpenALDriver::bindStreamSource(int source, SoundStream*)
{
    return source;
}

void OpenALDriver::playStream(int source, SoundStream* stream)
{
    SourceRecord* rec = record(source);
    if (!rec || !m_decodeBuffer) {
        return;
    }
    if (rec->streaming) {
        // A live decoder and its four buffers would leak otherwise.
        stopSource(source, rec->stream);
    }
    rec->stream = stream;
    rec->format = 0;
    if (!stream || !rec->decoder.open(m_vorbis, stream->data, stream->size)) {
        return;
    }
    int channels = rec->decoder.getChannels();
    if (channels == 1) {
        rec->format = AL_FORMAT_MONO16;
    } else if (channels == 2) {
        rec->format = AL_FORMAT_STEREO16;
    } else {
        rec->decoder.clear();
        return;
    }
    rec->rate = rec->decoder.getRate();
    for (unsigned& slot : rec->buffers) {
        if (slot == 0) {
            slot = takeBuffer();
        }
        int bytes = fillOne(*rec);
        if (bytes > 0 && slot != 0) {
            alBufferData(slot, rec->format, m_decodeBuffer, bytes, rec->rate);
            checkALError();
            ALuint name = slot;
            alSourceQueueBuffers(rec->source, 1, &name);
            checkALError();
        }
    }
    alSourcePlay(rec->source);
    checkALError();
    rec->streaming = true;
}

void OpenALDriver::updateStreams()
{
    for (int i = 0; i < m_sourceCount; ++i) {
        SourceRecord& rec = m_records[i];
        if (!rec.streaming) {
            continue;
        }
        ALint processed = 0;
        alGetSourcei(rec.source, AL_BUFFERS_PROCESSED, &processed);
        checkALError();
        for (ALint k = 0; k < processed; ++k) {
            ALuint buffer = 0;
            alSourceUnqueueBuffers(rec.source, 1, &buffer);
            checkALError();
            int bytes = fillOne(rec);
            if (bytes == 0 && rec.loop && rec.decoder.rewind()) {
                bytes = fillOne(rec);
            }
            if (bytes > 0 && buffer != 0) {
                alBufferData(buffer, rec.format, m_decodeBuffer, bytes, rec.rate);
                checkALError();
                alSourceQueueBuffers(rec.source, 1, &buffer);
                checkALError();
            }
        }
        ALint state = 0;
        alGetSourcei(rec.source, AL_SOURCE_STATE, &state);
        ALint queued = 0;
        alGetSourcei(rec.source, AL_BUFFERS_QUEUED, &queued);
        checkALError();
        if (state != AL_PLAYING && queued > 0) {
            alSourcePlay(rec.source);
            checkALError();
        }
    }
}

void OpenALDriver::deleteBuffer(unsigned buffer)
{
    if (!m_context || buffer == 0) {
        return;
    }
    ALuint name = buffer;
    alDeleteBuffers(1, &name);
    checkALError();
}

void OpenALDriver::freeStream(SoundStream* stream)
{
    delete stream;
}

bool OpenALDriver::pause(int source)
{
    if (SourceRecord* rec = record(source)) {
        alSourcePause(rec->source);
        checkALError();
    }
    return true;
}

bool OpenALDriver::resume(int source)
{
    if (SourceRecord* rec = record(source)) {
        alSourcePlay(rec->source);
        checkALError();
    }
    return true;
}

void OpenALDriver::getSourceRange(int soundClass, int& first, int& count) const
{
    // Clamped to the sources that exist: music takes up to two, the rest
    // share what remains after them.
    switch (soundClass) {
    case kSoundClassPositional:
    case kSoundClassFlat:
    case kSoundClassStream:
        first = 2;
        count = std::max(0, m_sourceCount - 2);
        break;
    case kSoundClassMusic:
        first = 0;
        count = std::min(2, m_sourceCount);
        break;
    default:
        first = 0;
        count = 0;
        break;
    }
}

bool OpenALDriver::isPositionalClass(int soundClass) const
{
    return soundClass == kSoundClassPositional || soundClass == kSoundClassStream;
}
