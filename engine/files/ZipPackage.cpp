#include "engine/files/ZipPackage.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/files/PathUtil.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <libdeflate.h>
#include <unistd.h>
#include <unzip.h>
#include <zlib.h>

// Seekable in-memory stream behind minizip's I/O callbacks.
struct ZipPackage::MemoryFile {
    std::vector<uint8_t> bytes;
    uint64_t pos = 0;
};

namespace {

voidpf memOpen(voidpf opaque, const void* /*name*/, int /*mode*/)
{
    return opaque;
}

uLong memRead(voidpf /*opaque*/, voidpf stream, void* buf, uLong size)
{
    auto* file = static_cast<ZipPackage::MemoryFile*>(stream);
    uint64_t left = file->pos < file->bytes.size() ? file->bytes.size() - file->pos : 0;
    uLong count = static_cast<uLong>(std::min<uint64_t>(left, size));
    if (count > 0) {
        std::memcpy(buf, file->bytes.data() + file->pos, count);
        file->pos += count;
    }
    return count;
}

uLong memWrite(voidpf, voidpf, const void*, uLong)
{
    return 0;
}

ZPOS64_T memTell(voidpf /*opaque*/, voidpf stream)
{
    return static_cast<ZipPackage::MemoryFile*>(stream)->pos;
}

long memSeek(voidpf /*opaque*/, voidpf stream, ZPOS64_T offset, int origin)
{
    auto* file = static_cast<ZipPackage::MemoryFile*>(stream);
    uint64_t base = 0;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        base = 0;
        break;
    case ZLIB_FILEFUNC_SEEK_CUR:
        base = file->pos;
        break;
    case ZLIB_FILEFUNC_SEEK_END:
        base = file->bytes.size();
        break;
    default:
        return -1;
    }
    uint64_t target = base + offset;
    if (target < base || target > file->bytes.size()) {
        return -1;
    }
    file->pos = target;
    return 0;
}

int memClose(voidpf, voidpf)
{
    return 0;
}
int memError(voidpf, voidpf)
{
    return 0;
}

} // namespace

ZipPackage::ZipPackage() = default;

ZipPackage::~ZipPackage()
{
    close();
}

std::string ZipPackage::makeKey(std::string_view name)
{
    return toLowerCopy(normalizeName(name));
}

std::string ZipPackage::normalizeName(std::string_view name)
{
    std::string key = normalizeSlashes(name);
    while (true) {
        if (key.starts_with("./")) {
            key.erase(0, 2);
        } else if (key.starts_with("/")) {
            key.erase(0, 1);
        } else {
            return key;
        }
    }
}

void ZipPackage::splitDosDate(uint32_t dosDate, int out[6])
{
    out[0] = static_cast<int>((dosDate >> 25) & 0x7F) + 1980;
    out[1] = static_cast<int>((dosDate >> 21) & 0x0F);
    out[2] = static_cast<int>((dosDate >> 16) & 0x1F);
    out[3] = static_cast<int>((dosDate >> 11) & 0x1F);
    out[4] = static_cast<int>((dosDate >> 5) & 0x3F);
    out[5] = static_cast<int>(dosDate & 0x1F) * 2;
}

bool ZipPackage::open(const std::string& path)
{
    close();
    m_path = path;
    std::error_code ec;
    m_archiveSize = std::filesystem::file_size(path, ec);
    if (ec) {
        m_archiveSize = 0;
    }
    m_zip = unzOpen64(path.c_str());
    if (m_zip == nullptr) {
        debugPrint(3, "%s: not a readable zip package, skipped\n", path.c_str());
        return false;
    }
    // Members are read whole straight from the file; minizip keeps the directory.
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        debugPrint(3, "%s: cannot be read: %s\n", path.c_str(), std::strerror(errno));
        close();
        return false;
    }
    return indexMembers();
}

bool ZipPackage::openMemory(std::vector<uint8_t> bytes, const std::string& label)
{
    close();
    m_path = label;
    m_memory = std::make_unique<MemoryFile>();
    m_memory->bytes = std::move(bytes);
    m_archiveSize = m_memory->bytes.size();
    zlib_filefunc64_def funcs{};
    funcs.zopen64_file = memOpen;
    funcs.zread_file = memRead;
    funcs.zwrite_file = memWrite;
    funcs.ztell64_file = memTell;
    funcs.zseek64_file = memSeek;
    funcs.zclose_file = memClose;
    funcs.zerror_file = memError;
    funcs.opaque = m_memory.get();
    m_zip = unzOpen2_64(label.c_str(), &funcs);
    if (m_zip == nullptr) {
        debugPrint(3, "%s: not a readable zip package, skipped\n", label.c_str());
        m_memory.reset();
        return false;
    }
    return indexMembers();
}

void ZipPackage::close()
{
    if (m_zip != nullptr) {
        unzClose(static_cast<unzFile>(m_zip));
        m_zip = nullptr;
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_decompressor != nullptr) {
        libdeflate_free_decompressor(static_cast<libdeflate_decompressor*>(m_decompressor));
        m_decompressor = nullptr;
    }
    m_memory.reset();
    m_members.clear();
    m_index.clear();
    m_directories.clear();
}

bool ZipPackage::indexMembers()
{
    auto zip = static_cast<unzFile>(m_zip);
    int rc = unzGoToFirstFile(zip);
    while (rc == UNZ_OK) {
        unz_file_info64 info{};
        char name[1024];
        if (unzGetCurrentFileInfo64(zip, &info, name, sizeof(name), nullptr, 0, nullptr, 0) != UNZ_OK) {
            break;
        }
        name[sizeof(name) - 1] = '\0';
        unz64_file_pos pos{};
        unzGetFilePos64(zip, &pos);
        std::string stored = normalizeName(name);
        std::string key = toLowerCopy(stored);
        // Every parent directory of a member is a directory of the package.
        for (size_t slash = key.find('/'); slash != std::string::npos; slash = key.find('/', slash + 1)) {
            m_directories.emplace(key.substr(0, slash), stored.substr(0, slash));
        }
        if (!key.empty() && key.back() != '/') {
            Member member;
            member.name = stored;
            member.centralDirOffset = pos.pos_in_zip_directory;
            member.fileNumber = pos.num_of_file;
            member.compressedSize = info.compressed_size;
            member.uncompressedSize = info.uncompressed_size;
            member.crc = static_cast<uint32_t>(info.crc);
            member.dosDate = static_cast<uint32_t>(info.dosDate);
            member.method = static_cast<int>(info.compression_method);
            member.encrypted = (info.flag & 1) != 0;
            // The first of two equal names wins, as a lookup would find it.
            if (m_index.emplace(key, m_members.size()).second) {
                m_members.push_back(std::move(member));
            }
        }
        rc = unzGoToNextFile(zip);
    }
    if (rc != UNZ_END_OF_LIST_OF_FILE) {
        debugPrint(3, "%s: damaged central directory after %zu members\n", m_path.c_str(), m_members.size());
    }
    return true;
}

const ZipPackage::Member* ZipPackage::find(std::string_view name) const
{
    auto it = m_index.find(makeKey(name));
    return it == m_index.end() ? nullptr : &m_members[it->second];
}

bool ZipPackage::hasDirectory(std::string_view directory) const
{
    std::string key = makeKey(directory);
    while (!key.empty() && key.back() == '/') {
        key.pop_back();
    }
    return key.empty() ? !m_members.empty() : m_directories.count(key) != 0;
}

bool ZipPackage::fail(const Member& member, const char* what)
{
    debugPrint(3, "%s: member %s %s, treated as missing\n", m_path.c_str(), member.name.c_str(), what);
    return false;
}

bool ZipPackage::read(const Member& member, std::vector<uint8_t>& out)
{
    out.clear();
    if (m_zip == nullptr) {
        return false;
    }
    if (member.uncompressedSize > kMaxMemberSize || member.compressedSize > kMaxMemberSize) {
        return fail(member, "is larger than 256 MB");
    }
    // Sizes the archive cannot hold: deflate expands at most about 1032:1.
    if (member.compressedSize > m_archiveSize ||
        (member.method == Z_DEFLATED && member.uncompressedSize > member.compressedSize * 1032 + 64)) {
        return fail(member, "claims an impossible size");
    }
    if (member.encrypted) {
        return fail(member, "is encrypted");
    }
    if (member.method != 0 && member.method != Z_DEFLATED) {
        return fail(member, "uses an unknown compression method");
    }
    auto zip = static_cast<unzFile>(m_zip);
    unz64_file_pos pos{member.centralDirOffset, member.fileNumber};
    if (unzGoToFilePos64(zip, &pos) != UNZ_OK) {
        return fail(member, "cannot be located");
    }
    int method = 0;
    int level = 0;
    // Raw mode: minizip checks the local header and says where the stored
    // bytes start; they are then read and decoded here in one go each.
    if (unzOpenCurrentFile2(zip, &method, &level, 1) != UNZ_OK) {
        return fail(member, "cannot be opened");
    }
    uint64_t dataStart = unzGetCurrentFileZStreamPos64(zip);
    unzCloseCurrentFile(zip);
    if (dataStart > m_archiveSize || member.compressedSize > m_archiveSize - dataStart) {
        return fail(member, "is truncated");
    }
    size_t rawSize = static_cast<size_t>(member.compressedSize);
    if (member.method == 0 && member.compressedSize != member.uncompressedSize) {
        return fail(member, "has inconsistent sizes");
    }
    // The stored bytes: in place for a package in memory, else read from the
    // file (a stored member straight into the result).
    std::vector<uint8_t> buffer;
    const uint8_t* raw = nullptr;
    if (m_memory) {
        raw = m_memory->bytes.data() + dataStart;
    } else {
        std::vector<uint8_t>& target = member.method == 0 ? out : buffer;
        target.resize(rawSize);
        size_t got = 0;
        while (got < rawSize) {
            ssize_t n =
                ::pread(m_fd, target.data() + got, rawSize - got, static_cast<off_t>(dataStart + got));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            got += static_cast<size_t>(n);
        }
        if (got != rawSize) {
            out.clear();
            return fail(member, "is truncated");
        }
        raw = target.data();
    }
    if (member.method == 0) {
        if (m_memory) {
            out.assign(raw, raw + rawSize);
        }
    } else {
        if (m_decompressor == nullptr) {
            m_decompressor = libdeflate_alloc_decompressor();
            if (m_decompressor == nullptr) {
                return fail(member, "cannot be inflated");
            }
        }
        out.resize(static_cast<size_t>(member.uncompressedSize));
        // The decoder wants a buffer even for nothing.
        uint8_t none = 0;
        size_t produced = 0;
        libdeflate_result rc =
            libdeflate_deflate_decompress(static_cast<libdeflate_decompressor*>(m_decompressor), raw, rawSize,
                                          out.empty() ? &none : out.data(), out.size(), &produced);
        if (rc != LIBDEFLATE_SUCCESS || produced != member.uncompressedSize) {
            out.clear();
            return fail(member, "does not inflate to its stated size");
        }
    }
    uint32_t crc = libdeflate_crc32(0, out.data(), out.size());
    if (crc != member.crc) {
        out.clear();
        return fail(member, "fails its CRC-32 check");
    }
    return true;
}
