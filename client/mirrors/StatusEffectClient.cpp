#include "client/mirrors/StatusEffectClient.h"

#include "engine/data/Database.h"
#include "graphics/shaders/ShaderSystem.h"

namespace {
// The shader kind of a victim's overlay.
constexpr int kVictimShaderKind = 5;
} // namespace

StatusEffectClient::~StatusEffectClient()
{
    m_victimShader.release();
}

void StatusEffectClient::loadFromDatabase()
{
    ++m_loads;
    StatusEffectBase::loadFromDatabase();
}

void StatusEffectClient::setEntry(const DatabaseEntry* entry, int newLevel, Entity* source)
{
    StatusEffectBase::setEntry(entry, newLevel, source);
    const Database* db = Database::instance();
    if (!db || !entry) {
        return;
    }
    std::string shader = db->getString(entry, "VictimShader");
    if (!shader.empty()) {
        m_victimShader = acquireShader(shader, kVictimShaderKind);
    }
    m_victimShaderOnChild = db->getInt(entry, "VictimShaderOnChild", 0) != 0;
    m_freezeAnim = db->getInt(entry, "FreezeAnim", 0) != 0;
    m_playLostEffectSound = db->getInt(entry, "PlayLostEffectSound", 0) != 0;
}
