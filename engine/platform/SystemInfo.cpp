#include "engine/platform/SystemInfo.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/files/WholeFile.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/utsname.h>
#include <thread>

namespace {

std::string readTextFile(const char* path)
{
    std::string text;
    if (readWholeFile(path, text) != WholeFileResult::Read) {
        return {};
    }
    return text;
}

// Calls f(key, value) for each "key <separator> value" line.
template <class F> void forEachKeyValue(std::string_view text, char separator, F f)
{
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        size_t sep = line.find(separator);
        if (sep != std::string_view::npos) {
            f(trimBlanks(line.substr(0, sep)), trimBlanks(line.substr(sep + 1)));
        }
        start = end + 1;
    }
}

long long leadingNumber(std::string_view value)
{
    std::string s(value);
    return std::strtoll(s.c_str(), nullptr, 10);
}

} // namespace

SystemInfo::Cpu SystemInfo::parseCpuInfo(std::string_view text)
{
    Cpu cpu;
    // The first processor's entries; the others repeat them.
    forEachKeyValue(text, ':', [&](std::string_view key, std::string_view value) {
        if (key == "model name" && cpu.model.empty()) {
            cpu.model = std::string(value);
        } else if (key == "cpu MHz" && cpu.mhz == 0) {
            std::string s(value);
            double mhz = std::strtod(s.c_str(), nullptr);
            cpu.mhz = (mhz > 0.0 && mhz < 1e6) ? static_cast<int>(mhz + 0.5) : 0;
        }
    });
    return cpu;
}

std::string SystemInfo::parseOsRelease(std::string_view text)
{
    std::string name;
    forEachKeyValue(text, '=', [&](std::string_view key, std::string_view value) {
        if (key == "PRETTY_NAME" && name.empty()) {
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front()) {
                value = value.substr(1, value.size() - 2);
            }
            name = std::string(value);
        }
    });
    return name;
}

SystemInfo::MemoryInfo SystemInfo::parseMemInfo(std::string_view text)
{
    MemoryInfo info;
    long long freeKb = -1;
    long long availableKb = -1;
    forEachKeyValue(text, ':', [&](std::string_view key, std::string_view value) {
        if (key == "MemTotal") {
            info.totalMb = leadingNumber(value) / 1024;
        } else if (key == "MemAvailable") {
            availableKb = leadingNumber(value);
        } else if (key == "MemFree") {
            freeKb = leadingNumber(value);
        }
    });
    // Available counts reclaimable caches; older kernels only have MemFree.
    long long kb = availableKb >= 0 ? availableKb : freeKb;
    info.freeMb = kb > 0 ? kb / 1024 : 0;
    return info;
}

void SystemInfo::gather()
{
    m_cpu = parseCpuInfo(readTextFile("/proc/cpuinfo"));
    if (m_cpu.mhz == 0) {
        long long khz = leadingNumber(readTextFile("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq"));
        m_cpu.mhz = khz > 0 ? static_cast<int>(khz / 1000) : 0;
    }
    if (m_cpu.model.empty()) {
        m_cpu.model = "unknown processor";
    }
    m_cpu.cores = static_cast<int>(std::thread::hardware_concurrency());

    m_os = parseOsRelease(readTextFile("/etc/os-release"));
    if (m_os.empty()) {
        utsname u{};
        if (uname(&u) == 0) {
            m_os = formatString("%s %s %s", u.sysname, u.release, u.machine);
        } else {
            m_os = "unknown";
        }
    }

    m_memory = parseMemInfo(readTextFile("/proc/meminfo"));
}

std::vector<std::string> SystemInfo::describe() const
{
    std::vector<std::string> lines;
    lines.push_back(formatString("CPU: %s, %d MHz, %d cores", m_cpu.model.c_str(), m_cpu.mhz, m_cpu.cores));
    lines.push_back(formatString("OS: %s", m_os.c_str()));
    lines.push_back(formatString("Memory: %lld MB total, %lld MB free", m_memory.totalMb, m_memory.freeMb));
    lines.push_back(m_audioDevices < 0 ? std::string("Audio devices: unknown")
                                       : formatString("Audio devices: %d", m_audioDevices));
    return lines;
}

void SystemInfo::logInfo() const
{
    for (const std::string& line : describe()) {
        debugPrintRaw("%s\n", line.c_str());
    }
}
