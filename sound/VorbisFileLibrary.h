#pragma once

#include <string>
#include <vorbis/vorbisfile.h>

// The five libvorbisfile entry points the decoder uses, found at run time.
struct VorbisFileApi {
    decltype(&::ov_clear) clear = nullptr;
    decltype(&::ov_read) read = nullptr;
    decltype(&::ov_info) info = nullptr;
    decltype(&::ov_open_callbacks) openCallbacks = nullptr;
    decltype(&::ov_pcm_seek) pcmSeek = nullptr;

    bool complete() const { return clear && read && info && openCallbacks && pcmSeek; }
};

// libvorbisfile opened with dlopen: the program does not link it. Each
// object holds its own handle (the loader counts them), closed with close()
// or the destructor; the entry points are valid while it is open.
class VorbisFileLibrary {
public:
    static constexpr const char* kFileName = "libvorbisfile.so.3";
    // The Debian and Ubuntu package that installs it.
    static constexpr const char* kPackage = "libvorbisfile3";

    VorbisFileLibrary() = default;
    ~VorbisFileLibrary() { close(); }
    VorbisFileLibrary(const VorbisFileLibrary&) = delete;
    VorbisFileLibrary& operator=(const VorbisFileLibrary&) = delete;

    // Opens the library and finds the five entry points. False, with nothing
    // kept open and the loader's reason in getError(), when the library or
    // any entry point is missing.
    bool open(const std::string& fileName = kFileName);
    void close();
    bool isOpen() const { return m_handle != nullptr; }
    const VorbisFileApi& api() const { return m_api; }
    const std::string& getError() const { return m_error; }

private:
    void* m_handle = nullptr;
    VorbisFileApi m_api;
    std::string m_error;
};
