#include "engine/files/FileSystem.h"
#include "PackageFixture.h"
#include "engine/core/StringUtil.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace {

void setModified(const std::string& path, time_t when)
{
    timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

std::string readText(FileSystem& fs, const std::string& name, bool user = false)
{
    auto data = fs.readFile(name, user);
    return data ? asText(*data) : std::string("<missing>");
}

} // namespace

TEST(FileSystemPackages, MembersLooseFilesAndPrecedence)
{
    PackageFixture fixture;
    LogCapture capture;
    FileSystem fs(fixture.base, fixture.user);
    ASSERT_EQ(fs.getPackageCount(), 2u);

    // The fixture really holds both kinds of member.
    ZipPackage package;
    ASSERT_TRUE(package.open(fixture.base + "/assets001.zip"));
    ASSERT_NE(package.find("stored.txt"), nullptr);
    EXPECT_EQ(package.find("stored.txt")->method, 0);
    ASSERT_NE(package.find("textures/mixedcase/deflated.txt"), nullptr);
    EXPECT_EQ(package.find("textures/mixedcase/deflated.txt")->method, 8);
    EXPECT_TRUE(package.hasDirectory("TEXTURES/MixedCase"));

    EXPECT_EQ(readText(fs, "stored.txt"), "Stored member, packed without compression.\n");
    // Deflated member, found from any case and with backslashes.
    std::string deflated = readText(fs, "Textures/MixedCase/Deflated.TXT");
    EXPECT_EQ(deflated.size(), 4544u);
    EXPECT_EQ(deflated.substr(0, 23), "Deflated member line 00");
    EXPECT_EQ(readText(fs, "textures/mixedcase/deflated.txt"), deflated);
    EXPECT_EQ(readText(fs, "TEXTURES\\MIXEDCASE\\DEFLATED.TXT"), deflated);
    EXPECT_EQ(readText(fs, "./sounds/levelup.OGG"), "level up sound stand-in\n");

    EXPECT_EQ(readText(fs, "shared.txt"), "shared from assets002\n");
    // Both packages hold Loose/override.txt; the loose file wins over both.
    ZipPackage later;
    ASSERT_TRUE(later.open(fixture.base + "/assets002.zip"));
    ASSERT_NE(later.find("loose/override.txt"), nullptr);
    ASSERT_NE(package.find("loose/override.txt"), nullptr);
    EXPECT_EQ(readText(fs, "loose/OVERRIDE.txt"), "override from the loose file\n");
    EXPECT_FALSE(fs.readFile("nothing/here.txt").has_value());
    // Package members are never found through the user directory.
    EXPECT_FALSE(fs.readFile("stored.txt", true).has_value());
    EXPECT_EQ(capture.count(3), 0u);

    // open/readAll give the same bytes for members and loose files.
    File* member = fs.open("SHARED.TXT", false);
    ASSERT_NE(member, nullptr);
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(fs.readAll(member, bytes));
    EXPECT_EQ(asText(bytes), "shared from assets002\n");
    EXPECT_FALSE(fs.write(member, "x")); // nothing is written for a member
    EXPECT_TRUE(fs.close(member));
    File* loose = fs.open("Loose/override.txt", false, true);
    ASSERT_NE(loose, nullptr);
    EXPECT_TRUE(fs.readAll(loose, bytes));
    EXPECT_EQ(asText(bytes), "override from the loose file\n");
    EXPECT_TRUE(fs.close(loose));
    EXPECT_FALSE(fs.close(loose)); // already forgotten
}

TEST(FileSystemPackages, EmptyDeflatedMemberReadsAsEmpty)
{
    // Some zip writers deflate empty files too: two bytes that inflate to
    // nothing. Such a member is empty, not damaged.
    LogCapture capture;
    ZipPackage package;
    ASSERT_TRUE(package.open(testDataPath("files/empty_deflated.zip")));
    const ZipPackage::Member* empty = package.find("empty.txt");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->method, 8);
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(package.read(*empty, bytes));
    EXPECT_TRUE(bytes.empty());
    ASSERT_NE(package.find("full.txt"), nullptr);
    EXPECT_TRUE(package.read(*package.find("full.txt"), bytes));
    EXPECT_EQ(asText(bytes), "full");
    EXPECT_EQ(capture.count(3), 0u);
}

TEST(FileSystemPackages, CorruptMemberReadsAsMissing)
{
    PackageFixture fixture;
    fixture.corruptMember();
    LogCapture capture;
    FileSystem fs(fixture.base, fixture.user);
    EXPECT_FALSE(fs.readFile("corrupt.txt").has_value());
    EXPECT_EQ(fs.open("corrupt.txt", false), nullptr);
    EXPECT_TRUE(capture.contains("corrupt.txt", 3));
    EXPECT_TRUE(capture.contains("CRC", 3));
    // The rest of the package is unharmed.
    EXPECT_EQ(readText(fs, "stored.txt"), "Stored member, packed without compression.\n");
    EXPECT_EQ(fs.getStatistics().failedMembers, 2u);
}

TEST(FileSystemPackages, TruncatedOrMissingPackageIsSkipped)
{
    PackageFixture fixture;
    std::vector<char> bytes = fixture.readBytes("assets002.zip");
    bytes.resize(bytes.size() * 2 / 3);
    fixture.writeBytes("assets002.zip", bytes);
    std::filesystem::remove(fixture.base + "/assets001.zip");
    LogCapture capture;
    DebugSystem::get().setDeveloper(true);
    FileSystem fs(fixture.base, fixture.user);
    EXPECT_EQ(fs.getPackageCount(), 0u);
    EXPECT_TRUE(capture.contains("assets002.zip", 3));
    // A missing package is normal (loose files): an info line, no warning.
    EXPECT_TRUE(capture.contains("assets001.zip", 1));
    EXPECT_EQ(capture.count(2), 0u);
    EXPECT_FALSE(fs.readFile("shared.txt").has_value());
    EXPECT_EQ(readText(fs, "Loose/override.txt"), "override from the loose file\n");
}

TEST(FileSystemPackages, MemberClaimingHugeSizeIsRefused)
{
    PackageFixture fixture;
    // Patch the central directory's uncompressed size of stored.txt.
    std::vector<char> bytes = fixture.readBytes("assets001.zip");
    const char signature[] = {'P', 'K', 1, 2};
    auto it = std::search(bytes.begin(), bytes.end(), signature, signature + 4);
    ASSERT_NE(it, bytes.end());
    size_t at = static_cast<size_t>(it - bytes.begin()) + 24;
    bytes[at] = 0;
    bytes[at + 1] = 0;
    bytes[at + 2] = 0;
    bytes[at + 3] = 0x40; // 1 GB
    fixture.writeBytes("assets001.zip", bytes);
    LogCapture capture;
    FileSystem fs(fixture.base, fixture.user);
    EXPECT_FALSE(fs.readFile("stored.txt").has_value());
    EXPECT_TRUE(capture.contains("256 MB", 3));
}

TEST(FileSystemListing, LooseAndPackagedNamesOnceAndSorted)
{
    PackageFixture fixture;
    std::filesystem::create_directories(fixture.base + "/textures/Other");
    std::ofstream(fixture.base + "/textures/b.tga") << "b";
    std::ofstream(fixture.base + "/textures/Other/a.TGA") << "a";
    std::ofstream(fixture.base + "/SHARED.txt") << "loose";
    FileSystem fs(fixture.base, fixture.user);

    std::vector<std::string> names;
    fs.listFiles(names, "", "txt", false, false);
    EXPECT_EQ(names, (std::vector<std::string>{"corrupt.txt", "SHARED.txt", "stored.txt"}));

    names = {"kept"};
    fs.listFiles(names, "Textures", "*.tga", false, true);
    EXPECT_EQ(names, (std::vector<std::string>{"kept", "b.tga", "Other/a.TGA"}));

    names.clear();
    fs.listFiles("textures/", "*.tga", names, false, false);
    EXPECT_EQ(names, (std::vector<std::string>{"b.tga"}));

    names.clear();
    fs.listFiles(names, "TEXTURES", "", false, true);
    EXPECT_EQ(names, (std::vector<std::string>{"b.tga", "MixedCase/Deflated.TXT", "Other/a.TGA"}));

    names.clear();
    fs.listFiles(names, "textures", "txt", false, false);
    EXPECT_TRUE(names.empty());
    fs.listFiles(names, "absent", "txt", false, true);
    EXPECT_TRUE(names.empty());
    fs.listFiles(names, "", "txt", true, true);
    EXPECT_TRUE(names.empty());

    std::vector<std::string> dirs;
    fs.listDirectories("", dirs);
    EXPECT_EQ(dirs, (std::vector<std::string>{"Loose", "Sounds", "textures"}));
    dirs.clear();
    fs.listDirectories("Textures", dirs);
    EXPECT_EQ(dirs, (std::vector<std::string>{"MixedCase", "Other"}));
}

TEST(FileSystemWrite, AtomicReplaceInUserDirectory)
{
    TempDir dir;
    LogCapture capture;
    FileSystem fs(dir.file("base"), dir.file("user"));
    dir.write("user/Chars/Hero.chr", "old contents");

    // A new file in an existing directory of another case lands in that one.
    File* file = fs.open("chars/hero.chr", true, false, true, true);
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(fs.write(file, std::string("new contents")));
    // Until close the old file is intact.
    EXPECT_EQ(readText(fs, "chars/hero.chr", true), "old contents");
    EXPECT_TRUE(fs.close(file));
    EXPECT_EQ(readText(fs, "CHARS/HERO.CHR", true), "new contents");
    EXPECT_FALSE(std::filesystem::exists(dir.file("user/chars")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("user/Chars/Hero.chr.tmp")));
    EXPECT_EQ(fs.getStatistics().bytesWritten, 12u);

    // Without the create flag a missing directory fails; with it, it is made.
    EXPECT_EQ(fs.open("Screenshots/a.txt", true, false, true, false), nullptr);
    file = fs.open("Screenshots/deep/a.txt", true, true, true, true);
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(fs.close(file));
    EXPECT_TRUE(std::filesystem::exists(dir.file("user/Screenshots/deep/a.txt")));
    // An empty file exists but reads as nothing.
    EXPECT_FALSE(fs.readFile("Screenshots/deep/a.txt", true).has_value());
    EXPECT_TRUE(fs.fileExists("screenshots/DEEP/a.txt", true));

    fs.deleteUserFile("SCREENSHOTS/deep/A.TXT");
    EXPECT_FALSE(std::filesystem::exists(dir.file("user/Screenshots/deep/a.txt")));
    fs.deleteUserFile("no/such/file"); // not reported
    EXPECT_EQ(capture.count(3), 0u);
}

TEST(FileSystemWrite, RenamesFindBothNamesAsReadsDo)
{
    TempDir dir;
    LogCapture capture;
    FileSystem fs(dir.file("base"), dir.file("user"));
    dir.write("user/Chars/Hero.his", "cut history");
    dir.write("user/Chars/HERO.HIS.DAMAGED", "older damage");
    std::string error;

    // Found in "Chars" under either spelling; the older set-aside file of
    // another case is replaced, not doubled, and no "chars" is made.
    ASSERT_TRUE(fs.renameUserFile("chars/hero.his", "chars/hero.his.damaged", error)) << error;
    EXPECT_FALSE(std::filesystem::exists(dir.file("user/Chars/Hero.his")));
    EXPECT_EQ(readText(fs, "Chars/HERO.HIS.DAMAGED", true), "cut history");
    EXPECT_FALSE(std::filesystem::exists(dir.file("user/chars")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("user/Chars")), {}), 1);
    // The listing knows the file went: a read finds nothing, a new write
    // lands beside the set-aside one.
    EXPECT_FALSE(fs.fileExists("chars/hero.his", true));

    // Nothing to rename, a name leaving the directory, a target that cannot
    // be replaced: false with the reason, the file where it was.
    EXPECT_FALSE(fs.renameUserFile("chars/nobody.his", "chars/nobody.his.damaged", error));
    EXPECT_FALSE(error.empty());
    dir.write("user/Chars/Ann.map", "map");
    EXPECT_FALSE(fs.renameUserFile("chars/Ann.map", "../Ann.map", error));
    dir.write("user/Chars/ann.map.damaged/inside", "a folder in the way");
    error.clear();
    EXPECT_FALSE(fs.renameUserFile("chars/ann.map", "chars/ann.map.damaged", error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(readText(fs, "chars/Ann.map", true), "map");
}

TEST(FileSystemWrite, PathsLeavingTheirDirectoryAreRefused)
{
    TempDir dir;
    LogCapture capture;
    FileSystem fs(dir.file("base"), dir.file("user"));
    dir.write("secret.txt", "outside");
    EXPECT_EQ(fs.open("chars/../../secret.txt", true, false, true, true), nullptr);
    EXPECT_EQ(fs.open("/tmp/x.chr", true, false, true, true), nullptr);
    EXPECT_EQ(fs.open("../secret.txt", false, false, true), nullptr);
    EXPECT_FALSE(fs.readFile("..\\secret.txt").has_value());
    EXPECT_TRUE(capture.contains("Refused file name", 3));
    EXPECT_EQ(std::filesystem::exists(dir.file("user")), false);
}

TEST(FileSystemWrite, UnclosedWriteLeavesOldFile)
{
    TempDir dir;
    dir.write("user/save.wld", "old");
    {
        LogCapture capture;
        FileSystem fs(dir.file("base"), dir.file("user"));
        File* file = fs.open("save.wld", true, false, true, false);
        ASSERT_NE(file, nullptr);
        fs.write(file, std::string("half"));
        // The file system ends without close, as on a crash during saving.
    }
    std::ifstream in(dir.file("user/save.wld"));
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "old");
    EXPECT_FALSE(std::filesystem::exists(dir.file("user/save.wld.tmp")));
}

// Commits left to the worker: reads, listings and the next write of the file
// wait for them, and the file system's end finishes them.
TEST(FileSystemWrite, BackgroundCommitsAreSeenByEveryLaterUseAndFinishAtTheEnd)
{
    TempDir dir;
    LogCapture capture;
    dir.write("user/chars/Hero.wld", "old");
    {
        FileSystem fs(dir.file("base"), dir.file("user"));
        for (const char* text : {"first", "second", "third"}) {
            File* file = fs.open("chars/Hero.wld", true, false, true, true);
            ASSERT_NE(file, nullptr);
            ASSERT_TRUE(fs.write(file, std::string(text)));
            EXPECT_TRUE(fs.closeInBackground(file));
            EXPECT_EQ(readText(fs, "chars/hero.wld", true), text);
        }
        File* fresh = fs.open("chars/New.wld", true, false, true, true);
        ASSERT_NE(fresh, nullptr);
        ASSERT_TRUE(fs.write(fresh, std::string("new")));
        EXPECT_TRUE(fs.closeInBackground(fresh));
        EXPECT_EQ(fs.listFiles("chars", "wld", true), (std::vector<std::string>{"Hero.wld", "New.wld"}));
        File* last = fs.open("chars/Hero.wld", true, false, true, true);
        ASSERT_TRUE(fs.write(last, std::string("last")));
        EXPECT_TRUE(fs.closeInBackground(last));
        // Not a file of its own: nothing to commit, and said so.
        EXPECT_FALSE(fs.closeInBackground(reinterpret_cast<File*>(&capture)));
    }
    std::ifstream in(dir.file("user/chars/Hero.wld"));
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "last");
    EXPECT_FALSE(std::filesystem::exists(dir.file("user/chars/Hero.wld.tmp")));
    EXPECT_EQ(capture.count(3), 1u) << "the close of a file that is not open";
}

TEST(FileSystemNames, NumberedFileNames)
{
    TempDir dir;
    LogCapture capture;
    FileSystem fs(dir.file("base"), dir.file("user"));
    EXPECT_EQ(makeNumberedFileName("Screenshots/ss", "jpg"), "Screenshots/ss0000.jpg");
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("user/Screenshots")));
    dir.write("user/Screenshots/ss0000.jpg", "x");
    dir.write("user/Screenshots/SS0001.JPG", "x");
    dir.write("user/Screenshots/ss0003.jpg", "x");
    EXPECT_EQ(fs.makeNumberedFileName("Screenshots/ss", "jpg"), "Screenshots/ss0002.jpg");
    EXPECT_EQ(fs.makeNumberedFileName("Screenshots/ss", "png"), "Screenshots/ss0000.png");

    std::filesystem::create_directories(dir.file("user/full"));
    for (int i = 0; i <= 9999; ++i) {
        std::ofstream(dir.file(formatString("user/full/n%04d.txt", i)));
    }
    EXPECT_EQ(fs.makeNumberedFileName("full/n", "txt"), "");
    EXPECT_TRUE(capture.contains("No free file name", 3));
    EXPECT_FALSE(std::filesystem::exists(dir.file("user/full/n10000.txt")));
}

TEST(FileSystemNames, UserNameRule)
{
    EXPECT_TRUE(FileSystem::isValidUserName("Aldric"));
    EXPECT_TRUE(FileSystem::isValidUserName("Mary-Jane O'Neil 2"));
    EXPECT_TRUE(FileSystem::isValidUserName("x"));
    EXPECT_TRUE(FileSystem::isValidUserName("abcdefghijklmnopqrst"));
    EXPECT_FALSE(FileSystem::isValidUserName("abcdefghijklmnopqrstu"));
    EXPECT_FALSE(FileSystem::isValidUserName(""));
    for (const char* bad : {"../x", "a/b", "a\\b", "say \"hi\"", "$$Key$$", "a@@b", "~<x", "tab\t", "a.b"}) {
        EXPECT_FALSE(FileSystem::isValidUserName(bad)) << bad;
    }
    EXPECT_FALSE(FileSystem::isValidUserName(std::string("caf\xe9")));
}

TEST(FileSystemNames, IsNewerUsesLooseTimesAndMemberDates)
{
    PackageFixture fixture;
    std::ofstream(fixture.base + "/a.txt") << "a";
    std::ofstream(fixture.base + "/b.txt") << "b";
    setModified(fixture.base + "/a.txt", 1700000000);
    setModified(fixture.base + "/b.txt", 1700000001);
    FileSystem fs(fixture.base, fixture.user);
    EXPECT_TRUE(fs.isNewer("b.txt", "a.txt"));
    EXPECT_FALSE(fs.isNewer("a.txt", "b.txt"));
    EXPECT_FALSE(fs.isNewer("a.txt", "A.TXT"));
    EXPECT_TRUE(fs.isNewer("a.txt", "missing.txt"));
    EXPECT_FALSE(fs.isNewer("missing.txt", "a.txt"));
    // Packed just now: newer than a 2023 loose file, older than a 2099 one.
    EXPECT_TRUE(fs.isNewer("stored.txt", "b.txt"));
    setModified(fixture.base + "/b.txt", 4070908800);
    EXPECT_FALSE(fs.isNewer("stored.txt", "b.txt"));
}

TEST(FileSystemNames, DirectoryPrefix)
{
    EXPECT_EQ(FileSystem::addDirectoryPrefix("Textures", "a\\b.tga"), "Textures/a/b.tga");
    EXPECT_EQ(FileSystem::addDirectoryPrefix("Textures", "textures\\b.tga"), "textures/b.tga");
    EXPECT_EQ(FileSystem::addDirectoryPrefix("Textures", "TexturesX/b.tga"), "Textures/TexturesX/b.tga");
    EXPECT_EQ(FileSystem::getJoinText(), std::string("/"));
    FileSystem fs("/games/data", "/home/u/User");
    EXPECT_EQ(fs.makeBasePath("Database/database.dbl"), "/games/data/Database/database.dbl");
}

TEST(FileSystemNames, StatisticsAreLogged)
{
    PackageFixture fixture;
    LogCapture capture;
    FileSystem fs(fixture.base, fixture.user);
    fs.readFile("stored.txt");
    File* file = fs.open("x.txt", true, false, true);
    fs.write(file, std::string("12345"));
    fs.close(file);
    fs.logStatistics();
    EXPECT_TRUE(capture.contains("Bytes written: 5"));
    EXPECT_TRUE(capture.contains("Bytes read: 43"));
    EXPECT_TRUE(capture.contains("1 package members read"));
}

TEST(FileSystemGenerated, SearchedAfterLooseFilesAndBeforePackages)
{
    PackageFixture fixture;
    std::string generated = fixture.dir.file("generated");
    std::filesystem::create_directories(generated + "/Models/Made");
    std::filesystem::create_directories(generated + "/loose");
    std::ofstream(generated + "/Models/Made/thing.mds") << "made";
    std::ofstream(generated + "/loose/override.txt") << "generated override";
    std::ofstream(generated + "/shared.txt") << "generated shared";
    FileSystem fs(fixture.base, fixture.user);
    EXPECT_EQ(readText(fs, "Models/Made/thing.mds"), "<missing>");

    fs.mountGeneratedDirectory(generated);
    EXPECT_EQ(readText(fs, "models/made/THING.mds"), "made");
    // A loose file of the data directory wins; a package member loses.
    EXPECT_EQ(readText(fs, "loose/override.txt"), "override from the loose file\n");
    EXPECT_EQ(readText(fs, "shared.txt"), "generated shared");
    EXPECT_TRUE(fs.fileExists("Models/Made/thing.mds"));
    EXPECT_FALSE(fs.fileExists("Models/Made/thing.mds", true));

    std::vector<std::string> names;
    fs.listFiles(names, "Models", "mds", false, true);
    EXPECT_EQ(names, (std::vector<std::string>{"Made/thing.mds"}));
    std::vector<std::string> dirs;
    fs.listDirectories("", dirs);
    EXPECT_EQ(dirs, (std::vector<std::string>{"Loose", "Models", "Sounds", "Textures"}));

    fs.mountGeneratedDirectory("");
    EXPECT_FALSE(fs.fileExists("Models/Made/thing.mds"));
}
