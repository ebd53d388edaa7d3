#include "client/player/CharacterCommands.h"

#include "client/Client.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/data/NameGenerator.h"
#include "engine/files/CharacterFileName.h"
#include "engine/files/FileSystem.h"
#include "engine/files/PathUtil.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"

#include <memory>

namespace {

// The client's own draws do not touch the streams the world is made from.
constexpr int kClientStream = 4;

std::string var(const char* name)
{
    UserVarSystem* vars = UserVarSystem::instance();
    const UserVar* found = vars ? vars->findVar(name) : nullptr;
    return found ? found->getString() : std::string();
}

// A saved character read into fresh mirrors; a file that cannot be read
// leaves both as new ones.
struct SavedCharacter {
    std::unique_ptr<PlayerCovenantClient> covenant = std::make_unique<PlayerCovenantClient>();
    std::unique_ptr<PlayerClient> player = std::make_unique<PlayerClient>();

    explicit SavedCharacter(const std::string& name)
    {
        covenant->loadGlobal();
        if (!player->load(name, covenant.get())) {
            covenant = std::make_unique<PlayerCovenantClient>();
            covenant->loadGlobal();
            player = std::make_unique<PlayerClient>();
        }
    }
};

} // namespace

namespace CharacterCommands {

void getAvailableCharacters(std::vector<ListEntry>& list)
{
    FileSystem* files = FileSystem::instance();
    if (!files) {
        return;
    }
    const GameData* data = GameData::instance();
    for (std::string name : files->listFiles("chars", "chr", true)) {
        int dot = findExtension(name);
        if (dot >= 0) {
            name.resize(static_cast<size_t>(dot));
        }
        SavedCharacter saved(name);
        std::string covenant =
            saved.covenant->name.empty() ? saved.covenant->getDefinitionName() : saved.covenant->name;
        const CharacterClass* characterClass =
            data ? data->findCharacterClassById(saved.player->stats.get(PlayerClient::kStatClass)) : nullptr;
        ListEntry entry;
        entry.name = formatString("%s (%s)\n  level %d %s", name.c_str(), covenant.c_str(),
                                  saved.player->stats.get(PlayerClient::kStatLevel),
                                  characterClass ? characterClass->name.c_str() : "");
        entry.value = name;
        list.push_back(std::move(entry));
    }
}

void getNumCovenantOptions(std::vector<ListEntry>& list)
{
    ListEntry random;
    random.name = "Random";
    random.value = "0";
    list.push_back(random);
    const GameData* data = GameData::instance();
    if (!data) {
        return;
    }
    for (int n = data->rules().minAiCovenants; n <= data->rules().maxAiCovenants; ++n) {
        ListEntry entry;
        entry.name = formatString("%d covenants", n);
        entry.value = formatString("%d", n);
        list.push_back(std::move(entry));
    }
}

void randomPlayerName(const CommandArgs&)
{
    const Database* db = Database::instance();
    std::string className = stripTextKeyMarkers(var("PlayerClass"));
    const DatabaseEntry* entry = db && !className.empty() ? db->findEntry(className, "Class") : nullptr;
    int index = entry ? db->getInt(entry, "Index", 0) : 0;
    const char* seedName = index == 0 || index == 3 ? "npcsMale" : "npcsFemale";
    NameGenerator* names = NameGenerator::instance();
    if (!names) {
        return;
    }
    setUserVar("PlayerName", names->generateName(seedName, Random::next(kClientStream)));
}

void parseCharacter(const CommandArgs&)
{
    SavedCharacter saved(var("PlayerName"));
    setUserVar("ParsedCharacterLevel", formatString("%d", saved.player->stats.get(PlayerClient::kStatLevel)));
}

void updateParsedCharacterLevel(const CommandArgs&)
{
    Client* client = Client::instance();
    if (PlayerClient* player = client ? client->getLocalPlayer() : nullptr) {
        setUserVar("ParsedCharacterLevel", formatString("%d", player->stats.get(PlayerClient::kStatLevel)));
    }
}

void deleteCharacter(const CommandArgs&)
{
    std::string name = var("PlayerName");
    std::string stem;
    // A name the file rule refuses names no file: nothing is deleted.
    if (!CharacterFileName::make(name, "", stem)) {
        return;
    }
    if (FileSystem* files = FileSystem::instance()) {
        for (const char* extension : {".chr", ".his", ".map", ".wld"}) {
            files->deleteUserFile(stem + extension);
        }
    }
    if (equalsNoCase(var("resumeGameChar"), name)) {
        setUserVar("resumeGameChar", "");
    }
}

} // namespace CharacterCommands
