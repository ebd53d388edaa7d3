#include "sound/VorbisFileLibrary.h"

#include <dlfcn.h>

namespace {

template <typename Fn> void find(void* handle, const char* name, Fn& out, std::string& error)
{
    dlerror();
    out = reinterpret_cast<Fn>(dlsym(handle, name));
    if (!out && error.empty()) {
        const char* why = dlerror();
        error = why ? why : std::string(name) + " not found";
    }
}

} // namespace

bool VorbisFileLibrary::open(const std::string& fileName)
{
    close();
    m_error.clear();
    void* handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        m_error = why ? why : fileName + " cannot be opened";
        return false;
    }
    VorbisFileApi api;
    find(handle, "ov_clear", api.clear, m_error);
    find(handle, "ov_read", api.read, m_error);
    find(handle, "ov_info", api.info, m_error);
    find(handle, "ov_open_callbacks", api.openCallbacks, m_error);
    find(handle, "ov_pcm_seek", api.pcmSeek, m_error);
    if (!api.complete()) {
        dlclose(handle);
        return false;
    }
    m_handle = handle;
    m_api = api;
    return true;
}

void VorbisFileLibrary::close()
{
    if (m_handle) {
        dlclose(m_handle);
        m_handle = nullptr;
    }
    m_api = VorbisFileApi();
}
