#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The one way to read a whole file by its path: only a regular file is read
// (a directory, FIFO or device is refused without blocking), nothing throws,
// and every failure other than a missing file logs one warning naming the
// file and the cause. The caller carries on either way.
enum class WholeFileResult {
    Read,
    Missing, // no such file: not logged, the caller decides
    Failed,  // logged
};

// Files larger than this are refused as well.
constexpr uint64_t kMaxWholeFileBytes = 256ull << 20;

WholeFileResult readWholeFile(const std::string& path, std::string& out);
WholeFileResult readWholeFile(const std::string& path, std::vector<uint8_t>& out);
