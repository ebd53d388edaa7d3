#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// Files are replaced so that a crash never leaves one half written: the data
// goes to "<path>.tmp", which is flushed, synced and renamed over the target.

// Finishes such a temporary file: flush, fsync, close, rename over the target
// and sync the target's directory. When `ok` is false (an earlier write went
// wrong) or any step fails, the temporary file is removed and the old target
// stays. The handle is closed in every case.
bool commitAtomicWrite(std::FILE* handle, const std::string& tempPath, const std::string& path,
                       bool ok = true);

// Writes the whole text to the path through "<path>.tmp".
bool writeFileAtomically(const std::string& path, std::string_view contents);

// Syncs a directory so that a rename in it survives a crash; "" is the
// working directory.
void syncDirectory(const std::string& directory);
