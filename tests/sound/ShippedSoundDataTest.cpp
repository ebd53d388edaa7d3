// Every sound the shipped data names exists and loads without a line or a
// placeholder: the database's sound keys, the models' "sound" events, the
// banks' members and every file the sound recipe makes.
#include "engine/console/UserVarSystem.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/files/FileSystem.h"
#include "engine/resources/ResourceSystem.h"
#include "sound/LevelSoundBankResource.h"
#include "sound/MusicResource.h"
#include "sound/SoundBankResource.h"
#include "sound/SoundResourceTypes.h"
#include "sound/SoundSystem.h"
#include "support/RecordingSoundDriver.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

namespace {

bool isSoundName(const std::string& value)
{
    static const std::regex pattern(R"(.+\.(wav|ogg|snd|lsb)$)", std::regex::icase);
    return std::regex_match(value, pattern);
}

class ShippedSoundData : public ::testing::Test {
protected:
    ShippedSoundData() : files(gameDataPath(), temp.path().string())
    {
        files.mountGeneratedDirectory(generatedDataPath());
        resources.readThroughFileSystem(&files);
        registerSoundResourceTypes(resources);
        registerMusicResourceType(resources);
        resources.startLoader();
        sound.init(&driver);
        log.clear();
    }
    ~ShippedSoundData() override { sound.shutdown(); }

    // Loads the name and checks it: no line, no placeholder.
    Resource* check(const std::string& name, const std::string& from)
    {
        log.clear();
        ResourceHandle handle = resources.load(name);
        Resource* r = resources.get(handle);
        EXPECT_NE(r, nullptr) << name << " (" << from << ")";
        if (r) {
            EXPECT_FALSE(r->isPlaceholder()) << name << " (" << from << ")";
        }
        for (const auto& line : log.lines()) {
            EXPECT_LT(line.level, 2) << name << " (" << from << "): " << line.text;
        }
        kept.push_back(handle);
        return r;
    }

    LogCapture log;
    TempDir temp;
    FileSystem files;
    ResourceSystem resources;
    UserVarSystem* vars = nullptr;
    SoundSystem sound;
    RecordingSoundDriver driver;
    std::vector<ResourceHandle> kept;
};

TEST_F(ShippedSoundData, EveryNamedSoundLoads)
{
    std::set<std::pair<std::string, std::string>> names; // name, where

    Database database;
    ASSERT_TRUE(database.load(Database::kMasterFile, false));
    for (int i = 0; i < database.getEntryCount(); ++i) {
        const DatabaseEntry* entry = database.getEntryAt(i);
        for (const auto& field : entry->getFields()) {
            if (isSoundName(std::string(field.value))) {
                names.insert({std::string(field.value), entry->getName() + "." + std::string(field.key)});
            }
        }
    }
    const DatabaseEntry* system = database.findEntry("GameSystem");
    ASSERT_NE(system, nullptr);
    int uiSounds = 0;
    for (const auto& field : system->getFields()) {
        if (field.key.rfind("SoundName", 0) == 0) {
            ++uiSounds;
            EXPECT_EQ(field.value.rfind("Sounds/UI/", 0), 0u) << field.key;
        }
    }
    EXPECT_EQ(uiSounds, 13);
    EXPECT_EQ(database.getString(system, "ThemeMusicName"), "Sounds/Music/theme.ogg");
    EXPECT_FLOAT_EQ(database.getFloat(system, "MusicFadeTime"), 2.0f);

    // Model "sound" events.
    const std::regex event(R"re(\bsound\s+"?([^"\s]+)"?)re");
    for (const auto& file : std::filesystem::recursive_directory_iterator(gameDataPath())) {
        if (file.path().extension() != ".mdl") {
            continue;
        }
        std::ifstream in(file.path());
        std::stringstream text;
        text << in.rdbuf();
        std::string s = text.str();
        for (std::sregex_iterator it(s.begin(), s.end(), event), end; it != end; ++it) {
            names.insert({(*it)[1], file.path().filename().string()});
        }
    }
    // Everything the recipe makes, and every bank.
    std::ifstream recipe(gameDataPath("Sounds/sounds.soundsrc"));
    ASSERT_TRUE(recipe);
    int made = 0;
    for (std::string line; std::getline(recipe, line);) {
        std::istringstream words(line);
        std::string first;
        if (words >> first && first[0] != '#') {
            names.insert({first, "sounds.soundsrc"});
            ++made;
        }
    }
    EXPECT_GT(made, 50);
    for (const char* bank : {"Sounds/Combat/swing.snd", "Sounds/Monsters/growl.snd", "Sounds/Levels/town.lsb",
                             "Sounds/Levels/wilds.lsb"}) {
        names.insert({bank, "banks"});
    }
    for (const auto& [name, from] : names) {
        Resource* r = check(name, from);
        if (auto* bank = dynamic_cast<SoundBankResource*>(r)) {
            EXPECT_FALSE(bank->getSounds().empty()) << name;
            for (const auto& member : bank->getSounds()) {
                check(member.getFileName(), name);
            }
        }
        if (auto* level = dynamic_cast<LevelSoundBankResource*>(r)) {
            ASSERT_TRUE(level->getBaseSound().isValid()) << name;
            auto* base = dynamic_cast<MusicResource*>(check(level->getBaseSoundName(), name));
            ASSERT_NE(base, nullptr) << name;
            EXPECT_EQ(base->getChannels(), 1) << name;
            EXPECT_GE(level->getRandomSounds().size(), 2u);
            for (const auto& random : level->getRandomSounds()) {
                check(random->sound.getFileName(), name);
                EXPECT_GE(random->quietTime, 8.0f);
                EXPECT_LE(random->quietTime, 20.0f);
                EXPECT_GE(random->checkInterval, 2.0f);
                EXPECT_LE(random->checkInterval, 4.0f);
                EXPECT_GE(random->chance, 0.3f);
                EXPECT_LE(random->chance, 0.5f);
                EXPECT_GE(random->minRadius, 150.0f);
                EXPECT_LE(random->maxRadius, 600.0f);
            }
        }
    }
    // The kinds the data promises: stereo interface sounds, 8-bit ones, a
    // stereo 44,100 Hz theme of about 30 seconds.
    auto* ui = dynamic_cast<SoundResource*>(check("Sounds/UI/buyItem.wav", "test"));
    ASSERT_NE(ui, nullptr);
    EXPECT_TRUE(ui->isStereo());
    auto* growl = dynamic_cast<SoundResource*>(check("Sounds/Monsters/growl1.wav", "test"));
    ASSERT_NE(growl, nullptr);
    EXPECT_EQ(growl->getBitsPerSample(), 8);
    auto* theme = dynamic_cast<MusicResource*>(check("Sounds/Music/theme.ogg", "test"));
    ASSERT_NE(theme, nullptr);
    EXPECT_EQ(theme->getChannels(), 2);
    EXPECT_EQ(theme->getSampleRate(), 44100);
}

} // namespace
