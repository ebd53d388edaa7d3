#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// One read-only zip package. Members are indexed at open time under their
// lower-cased, "/"-separated names; reads take the raw member bytes through
// minizip and inflate and verify them with zlib, so a damaged member reads as
// missing instead of handing out garbage.
class ZipPackage {
public:
    // Members larger than this (either size) are refused.
    static constexpr uint64_t kMaxMemberSize = 256ull * 1024 * 1024;

    struct Member {
        std::string name; // as stored, normalised by normalizeName
        uint64_t centralDirOffset = 0;
        uint64_t fileNumber = 0;
        uint64_t compressedSize = 0;
        uint64_t uncompressedSize = 0;
        uint32_t crc = 0;
        uint32_t dosDate = 0;
        int method = 0;
        bool encrypted = false;
    };

    ZipPackage();
    ~ZipPackage();
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;

    // Opens a package file; false (with a log line) when it is not a
    // readable zip archive.
    bool open(const std::string& path);
    // Opens a package held in memory; the label names it in log lines.
    bool openMemory(std::vector<uint8_t> bytes, const std::string& label);
    void close();
    bool isOpen() const { return m_zip != nullptr; }

    const std::string& getPath() const { return m_path; }

    // The member of that name (any case, "\" or "/"), or null.
    const Member* find(std::string_view name) const;
    // True when some member lies below that directory (any case).
    bool hasDirectory(std::string_view directory) const;
    const std::vector<Member>& getMembers() const { return m_members; }
    // Directories below which members lie: lower-cased key -> stored name.
    const std::unordered_map<std::string, std::string>& getDirectories() const { return m_directories; }

    // Reads and verifies a member. False with a level-3 line when the member
    // is too large, encrypted, of an unknown method, truncated or fails its
    // CRC-32.
    bool read(const Member& member, std::vector<uint8_t>& out);

    // "/" separators, no leading "./" or "/".
    static std::string normalizeName(std::string_view name);
    // Lookup key: the normalised name in lower case.
    static std::string makeKey(std::string_view name);

    // Broken-down DOS time: year, month, day, hour, minute, second.
    static void splitDosDate(uint32_t dosDate, int out[6]);

    // Backing store of a package opened from memory.
    struct MemoryFile;

private:
    bool indexMembers();
    bool fail(const Member& member, const char* what);

    void* m_zip = nullptr;
    int m_fd = -1;                  // the package file, read by position
    void* m_decompressor = nullptr; // made on the first deflated member
    std::string m_path;
    uint64_t m_archiveSize = 0;
    std::unique_ptr<MemoryFile> m_memory;
    std::vector<Member> m_members;
    std::unordered_map<std::string, size_t> m_index;
    std::unordered_map<std::string, std::string> m_directories;
};
