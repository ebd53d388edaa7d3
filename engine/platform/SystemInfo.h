#pragma once

#include "engine/core/Singleton.h"

#include <string>
#include <string_view>
#include <vector>

// What the start-up log tells about the machine, and the window's active and
// minimised flags (set by the window layer, read by the main loop and the
// client's pause test).
class SystemInfo : public Singleton<SystemInfo> {
public:
    struct Cpu {
        std::string model;
        int mhz = 0;
        int cores = 0;
    };
    struct MemoryInfo {
        long long totalMb = 0;
        long long freeMb = 0;
    };

    SystemInfo() = default;

    // Reads /proc/cpuinfo, /etc/os-release and /proc/meminfo.
    void gather();

    const Cpu& getCpu() const { return m_cpu; }
    const std::string& getOs() const { return m_os; }
    const MemoryInfo& getMemory() const { return m_memory; }
    // Number of audio playback devices; -1 until the sound layer reports it.
    int getAudioDeviceCount() const { return m_audioDevices; }
    void setAudioDeviceCount(int count) { m_audioDevices = count; }

    // "CPU: ...", "OS: ...", "Memory: ...", "Audio devices: ..." lines.
    std::vector<std::string> describe() const;
    // Prints those lines through the debug system.
    void logInfo() const;

    // False while the window is inactive or minimised.
    bool isActive() const { return m_active; }
    void setActive(bool active) { m_active = active; }
    bool isMinimised() const { return m_minimised; }
    void setMinimised(bool minimised) { m_minimised = minimised; }

    // Parsers of the system files, given their text.
    static Cpu parseCpuInfo(std::string_view text);
    static std::string parseOsRelease(std::string_view text);
    static MemoryInfo parseMemInfo(std::string_view text);

private:
    Cpu m_cpu;
    std::string m_os;
    MemoryInfo m_memory;
    int m_audioDevices = -1;
    bool m_active = true;
    bool m_minimised = false;
};
