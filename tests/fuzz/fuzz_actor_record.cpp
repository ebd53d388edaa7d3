// A monster's save records over arbitrary bytes, against the shipped data:
// the creation record, then the monster's own fields at a version taken
// from the first byte. A record that reads must give a monster whose record
// writes and reads back to the same type, level and seed. A vendor's type
// reads the vendor's record (stock level and stock) as well.
#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "engine/object/ClassRegistry.h"
#include "engine/object/EventSystem.h"
#include "game/definitions/GameData.h"
#include "game/entities/Actor.h"
#include "game/entities/Vendor.h"
#include "game/skills/SkillLoaders.h"
#include "game/world/GameClasses.h"

#include "FuzzSupport.h"

#include <cstdint>
#include <filesystem>
#include <memory>

namespace {

void setUp()
{
    static DebugSystem* debug = new DebugSystem();
    std::filesystem::path user = std::filesystem::temp_directory_path() / "gloam-fuzz-actor";
    std::filesystem::create_directories(user);
    static FileSystem* files = new FileSystem(GLOAM_DATA_DIR, user.string());
    static EventSystem* events = new EventSystem();
    static ClassRegistry* classes = new ClassRegistry();
    static Database* database = new Database();
    database->load(Database::kMasterFile, false);
    registerSkillLoaders();
    static std::unique_ptr<GameData> data;
    startUpGameData(data);
    registerGameClasses();
    classes->declareAllEvents();
    classes->bindAllHandlers();
    (void)debug;
    (void)files;
    (void)events;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = (setUp(), true);
    (void)ready;
    if (size < 1)
        return 0;
    const int version = data[0];
    ByteBuffer probe(data + 1, size - 1);
    Actor plain;
    if (!plain.readCreationInfo(probe))
        return 0;
    const DatabaseEntry* entry = plain.getEntry();
    const bool vendor = entry && Database::get().getInt(entry, "Vendor") != 0;
    std::unique_ptr<Actor> made = vendor ? std::make_unique<Vendor>() : std::make_unique<Actor>();
    Actor& actor = *made;
    ByteBuffer in(data + 1, size - 1);
    if (!actor.readCreationInfo(in))
        return 0;
    actor.read(in, version);

    ByteBuffer out;
    actor.writeCreationInfo(out);
    actor.write(out);
    ByteBuffer back(out.data(), out.size());
    std::unique_ptr<Actor> again = vendor ? std::make_unique<Vendor>() : std::make_unique<Actor>();
    Actor& copy = *again;
    FUZZ_CHECK(copy.readCreationInfo(back));
    FUZZ_CHECK(copy.read(back, 40));
    FUZZ_CHECK(back.atEnd());
    FUZZ_CHECK(copy.getMonsterType() == actor.getMonsterType());
    FUZZ_CHECK(copy.getStat(toIndex(CharacterStat::Level)) == actor.getStat(toIndex(CharacterStat::Level)));
    FUZZ_CHECK(copy.getNameIndex() == actor.getNameIndex());
    FUZZ_CHECK(copy.getHealth() >= 0 && copy.getHealth() <= copy.getMaxHealth());
    if (vendor)
        FUZZ_CHECK(static_cast<Vendor&>(copy).getVendorLevel() == static_cast<Vendor&>(actor).getVendorLevel());
    return 0;
}
