#pragma once

#include "engine/core/DebugSystem.h"
#include "engine/platform/LaunchOptions.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// Paths of the checked-in test fixtures and the shipped game data.
std::string testDataPath(const std::string& relative = "");
std::string gameDataPath(const std::string& relative = "");
// What the build generated from them (models, …), with the same relative paths.
std::string generatedTestDataPath(const std::string& relative = "");
std::string generatedDataPath(const std::string& relative = "");

class ResourceSystem;
// Has the resource system read each file from the first root that holds it
// (say the game data, then what the build generated from it); writes go to
// the first root.
void setResourceRoots(ResourceSystem& resources, const std::vector<std::string>& roots);
// The game data as the program sees it: data/, then the generated content.
void useGameData(ResourceSystem& resources);

// A fresh directory under the build tree, removed when the object dies.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return m_path; }
    std::string file(const std::string& relative) const { return (m_path / relative).string(); }
    void write(const std::string& relative, const std::string& contents) const;

private:
    std::filesystem::path m_path;
};

// The whole contents of a file; empty when it cannot be read.
std::vector<uint8_t> readFileBytes(const std::filesystem::path& path);
void writeFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// A run of one of the build's content generators (tools/<name>).
// A headless run of the program on data/ with that user directory.
LaunchOptions headlessOptions(const TempDir& user);

struct ToolRun {
    int exitCode = -1;
    std::string output; // stdout and stderr
};
// Writes the description to dir/<descriptionName> and runs the generator on
// it with dir/out as the output directory.
ToolRun runGenerator(const std::string& tool, const TempDir& dir, const std::string& descriptionName,
                     const std::string& description);

// Collects what is printed through the debug system while it lives. Creates a
// DebugSystem when none exists (and deletes it again).
class LogCapture {
public:
    LogCapture();
    ~LogCapture();

    struct Line {
        int level;
        std::string text;
    };
    const std::vector<Line>& lines() const { return m_lines; }
    // True when a printed text (colour codes kept) contains the fragment,
    // at the given level when level >= 0.
    bool contains(const std::string& fragment, int level = -1) const;
    size_t count(int level) const;
    void clear() { m_lines.clear(); }

private:
    std::unique_ptr<DebugSystem> m_owned;
    int m_sink = 0;
    std::vector<Line> m_lines;
};
