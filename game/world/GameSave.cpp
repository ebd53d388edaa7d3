#include "engine/core/ByteBuffer.h"
#include "engine/files/CharacterFileName.h"
#include "engine/files/FileSystem.h"
#include "game/covenants/ActorCovenant.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/world/FactionSystem.h"
#include "game/world/Game.h"
#include "game/world/Weather.h"
#include "game/world/World.h"

namespace {

bool isLiving(const Actor* actor)
{
    return actor && actor->getMaxHealth() > 0 && actor->getHealth() > 0;
}

} // namespace

bool Game::saveWorld(ByteBuffer& out) const
{
    const Player* player = getFirstPlayer();
    const Covenant* own = player ? player->getCovenant() : nullptr;
    const World* world = World::instance();
    if (!m_worldGenerated || !own || !world) {
        return false;
    }
    const WorldSize* size = world->getWorldSize();
    out.writeInt(static_cast<int32_t>(kWorldSaveVersion));
    out.writeInt(static_cast<int32_t>(size ? size->entryId : -1));
    out.writeInt(static_cast<int32_t>(world->getStartLevelIndex()));
    out.writeInt(world->getWorldSeed());
    out.writeGameTime(m_clock);
    out.writeDouble(m_timeOfDay);
    // The computer-run covenants lead the list.
    int computer = 0;
    while (computer < m_aiCovenantCount && dynamic_cast<const ActorCovenant*>(getCovenant(computer))) {
        ++computer;
    }
    out.writeInt(static_cast<int32_t>(computer));
    for (int i = 0; i < computer; ++i) {
        static_cast<const ActorCovenant*>(getCovenant(i))->write(out);
    }

    out.writeInt(own->influence.adventure);
    out.writeInt(own->influence.competition);
    out.writeInt(own->influence.world);
    out.writeInt(own->influence.transferred);
    const int n = getCovenantCount();
    out.writeInt(static_cast<int32_t>(n));
    for (int i = 0; i < n; ++i) {
        out.writeInt(static_cast<int32_t>(own->getRelationState(i)));
    }
    out.writeInt(static_cast<int32_t>(n));
    for (int i = 0; i < n; ++i) {
        out.writeInt(static_cast<int32_t>(own->getRelationSubState(i)));
    }
    out.writeInt(static_cast<int32_t>(own->linkedCovenant));

    out.writeBool(m_leftTown);
    out.writeBool(m_worldEnded);
    out.writeBool(m_alliedVictoryOffered);
    // The extra actor is the tutor.
    const Actor* tutor = m_tutor.get();
    out.writeBool(isLiving(tutor));
    if (isLiving(tutor)) {
        tutor->writeCreationInfo(out);
    }
    out.writeInt(static_cast<int32_t>(m_townNpcs.size()));
    for (const SafePtr<Actor>& npc : m_townNpcs) {
        out.writeBool(isLiving(npc.get()));
        if (isLiving(npc.get())) {
            // The level first: a share of health means nothing without it.
            out.writeInt(static_cast<int32_t>(npc->getStat(toIndex(CharacterStat::Level))));
            npc->write(out);
        }
    }
    out.writeInt(static_cast<int32_t>(m_quests.size()));
    for (int i = 0; i < getQuestTableSize(); ++i) {
        const Quest* quest = getQuest(i);
        out.writeBool(quest != nullptr);
        if (quest) {
            quest->write(out);
        }
    }
    if (const FactionSystem* factions = FactionSystem::instance()) {
        factions->write(out);
    } else {
        out.writeInt(static_cast<int32_t>(0));
    }
    m_weather->write(out);
    out.writeInt(static_cast<int32_t>(m_levelFlags1.size()));
    for (bool flag : m_levelFlags1) {
        out.writeBool(flag);
    }
    writeDynamicChats(out);
    // The upkeep round's time left: a resumed game pays it when play would
    // have, not at its first step.
    const GameCountdown& upkeep = m_countdowns[kUpkeepCountdown];
    out.writeFloat(upkeep.active ? upkeep.left : -1.0f);
    return true;
}

bool Game::saveCharacter()
{
    const Player* player = getFirstPlayer();
    std::string fileName;
    if (!player || !CharacterFileName::make(player->getName(), ".wld", fileName)) {
        return false;
    }
    ByteBuffer out;
    if (!saveWorld(out)) {
        return false;
    }
    // The file system writes a temporary file and renames it once synced; a
    // failure keeps the old file, and the file system's one line names it.
    // Saved alone, the sync runs on the file system's worker: the step does
    // not wait for the disk, and the next read or write of the file waits
    // for it. Saved with the character's files (a save set), it is renamed
    // with theirs when the set is committed.
    FileSystem* files = FileSystem::instance();
    File* file = files ? files->open(fileName, true, false, true, true) : nullptr;
    if (!file) {
        return false;
    }
    const bool written = files->write(file, out.data(), out.size());
    return files->closeInBackground(file) && written;
}
