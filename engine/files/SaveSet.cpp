#include "engine/files/SaveSet.h"

#include "engine/files/FileSystem.h"

SaveSet::SaveSet()
{
    if (FileSystem* files = FileSystem::instance()) {
        files->beginSaveSet();
        m_open = true;
    }
}

SaveSet::~SaveSet()
{
    if (m_open) {
        if (FileSystem* files = FileSystem::instance()) {
            files->abandonSaveSet();
        }
    }
}

bool SaveSet::commit()
{
    FileSystem* files = m_open ? FileSystem::instance() : nullptr;
    m_open = false;
    if (!files) {
        m_error = "there is no file system";
        return false;
    }
    const bool made = files->commitSaveSet();
    m_error = made ? std::string() : files->getSaveSetError();
    if (!made && m_error.empty()) {
        m_error = "the save was stopped";
    }
    return made;
}
