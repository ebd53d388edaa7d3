#include "engine/files/PathUtil.h"

#include <gtest/gtest.h>

TEST(PathUtil, FindExtension)
{
    EXPECT_EQ(findExtension("model.mdl", 0), 5);
    EXPECT_EQ(findExtension("model.mdl", 1), 6);
    EXPECT_EQ(findExtension("dir.v2/model", -1), -1);
    EXPECT_EQ(findExtension("dir.v2\\model.tga", 0), 12);
    EXPECT_EQ(findExtension("a.b.tga", 0), 1); // first dot of the file name
    EXPECT_EQ(findExtension("", 0), -1);
}

TEST(PathUtil, ExtensionsCompareWithoutCase)
{
    EXPECT_TRUE(hasExtension("a/b.TGA", "tga"));
    EXPECT_TRUE(hasExtension("a/b.tga", ".tga"));
    EXPECT_FALSE(hasExtension("a/b.tga", "ga"));
    EXPECT_FALSE(hasExtension("tga", "tga"));
    EXPECT_FALSE(hasExtension("x.tga/b", "tga"));

    std::string path = "a.tga";
    addExtensionIfMissing(path, "fnt");
    EXPECT_EQ(path, "a.tga.fnt");
    addExtensionIfMissing(path, "FNT");
    EXPECT_EQ(path, "a.tga.fnt");
    path = "font";
    addExtensionIfMissing(path, ".fnt");
    EXPECT_EQ(path, "font.fnt");

    EXPECT_EQ(replaceExtension("Textures/a.b.tga", ".rtx"), "Textures/a.b.rtx");
    EXPECT_EQ(replaceExtension("dir.x/a", "tga"), "dir.x/a.tga");
}

TEST(PathUtil, DirectoryParts)
{
    EXPECT_EQ(getPathDirectory("Models/Monsters/orc.mdl"), "Models/Monsters");
    EXPECT_EQ(getPathDirectory("Models\\orc.mdl"), "Models");
    EXPECT_EQ(getPathDirectory("orc.mdl"), "");
    std::string path = "Models\\Monsters/orc.mdl";
    stripDirectory(path);
    EXPECT_EQ(path, "orc.mdl");
    path = "dir/";
    stripDirectory(path);
    EXPECT_EQ(path, "");
    EXPECT_EQ(normalizeSlashes("a\\b\\c"), "a/b/c");
}
