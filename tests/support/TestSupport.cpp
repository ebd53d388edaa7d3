#include "support/TestSupport.h"

#include "engine/resources/ResourceSystem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

std::string testDataPath(const std::string& relative)
{
    return relative.empty() ? std::string(GLOAM_TESTDATA_DIR)
                            : std::string(GLOAM_TESTDATA_DIR) + "/" + relative;
}

std::string gameDataPath(const std::string& relative)
{
    return relative.empty() ? std::string(GLOAM_DATA_DIR) : std::string(GLOAM_DATA_DIR) + "/" + relative;
}

std::string generatedTestDataPath(const std::string& relative)
{
    std::string root = std::string(GLOAM_GENERATED_DIR) + "/testdata";
    return relative.empty() ? root : root + "/" + relative;
}

std::string generatedDataPath(const std::string& relative)
{
    std::string root = std::string(GLOAM_GENERATED_DIR) + "/data";
    return relative.empty() ? root : root + "/" + relative;
}

void setResourceRoots(ResourceSystem& resources, const std::vector<std::string>& roots)
{
    resources.setBaseDirectory(roots.front());
    resources.setFileReader([roots](const std::string& name, std::vector<uint8_t>& out) {
        for (const std::string& root : roots) {
            std::ifstream in(root + "/" + name, std::ios::binary);
            if (in) {
                out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
                return true;
            }
        }
        return false;
    });
}

void useGameData(ResourceSystem& resources)
{
    setResourceRoots(resources, {gameDataPath(), generatedDataPath()});
}

TempDir::TempDir()
{
    static std::atomic<int> counter{0};
    m_path = std::filesystem::path(GLOAM_BINARY_DIR) / "test-tmp" /
             (std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

void TempDir::write(const std::string& relative, const std::string& contents) const
{
    std::filesystem::path p = m_path / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out << contents;
}

std::vector<uint8_t> readFileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

ToolRun runGenerator(const std::string& tool, const TempDir& dir, const std::string& descriptionName,
                     const std::string& description)
{
    dir.write(descriptionName, description);
    std::string command = std::string(GLOAM_BINARY_DIR) + "/tools/" + tool + " '" +
                          dir.file(descriptionName) + "' '" + dir.file("out") + "' 2>&1";
    ToolRun run;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return run;
    }
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.output.append(buffer, n);
    }
    int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

LogCapture::LogCapture()
{
    if (!DebugSystem::instance()) {
        m_owned = std::make_unique<DebugSystem>();
    }
    m_sink = DebugSystem::get().addSink([this](int level, const std::string& text) {
        m_lines.push_back({level, text});
    });
}

LogCapture::~LogCapture()
{
    if (DebugSystem::instance()) {
        DebugSystem::get().removeSink(m_sink);
    }
}

bool LogCapture::contains(const std::string& fragment, int level) const
{
    for (const auto& l : m_lines) {
        if ((level < 0 || l.level == level) && l.text.find(fragment) != std::string::npos) {
            return true;
        }
    }
    return false;
}

size_t LogCapture::count(int level) const
{
    size_t n = 0;
    for (const auto& l : m_lines) {
        n += (l.level == level) ? 1 : 0;
    }
    return n;
}

LaunchOptions headlessOptions(const TempDir& user)
{
    LaunchOptions options;
    options.headless = true;
    options.dataDir = gameDataPath();
    options.userDir = user.path().string();
    return options;
}
