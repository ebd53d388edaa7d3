#pragma once

#include <string>

// The files of one save, made as one: every file the calling thread writes
// through the file system while the set is open replaces its old file only
// when commit() succeeds, and then all of them do (FileSystem::beginSaveSet).
// A set left without commit() drops what it wrote.
class SaveSet {
public:
    SaveSet();
    ~SaveSet();
    SaveSet(const SaveSet&) = delete;
    SaveSet& operator=(const SaveSet&) = delete;

    // False, with the old files kept, when a file of the set could not be
    // written; error() then names it and the reason.
    bool commit();
    const std::string& error() const { return m_error; }

private:
    bool m_open = false;
    std::string m_error;
};
