#include "engine/data/Database.h"
#include "engine/object/SimpleData.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

class Weapon : public SimpleData {
public:
    void loadFromDatabase() override
    {
        ++loads;
        damage = getInt("Damage");
    }
    int loads = 0;
    int damage = -1;
};

} // namespace

TEST(SimpleDataDatabase, FieldsAndReloadGoThroughTheDatabase)
{
    LogCapture capture;
    Database database;
    database.addSubDatabase(
        "Item", "items.dbl",
        "Base1 {\n Damage 5\n Weight 2.5\n Sharp 1\n}\nBlade {\n Base Base1\n Damage 9\n}\n");
    database.resolveBases();

    Weapon weapon;
    EXPECT_EQ(weapon.getInt("Damage"), 0);
    EXPECT_FALSE(weapon.getBool("Sharp"));
    weapon.setEntryByName("blade");
    EXPECT_EQ(weapon.loads, 1);
    EXPECT_EQ(weapon.damage, 9);
    EXPECT_EQ(weapon.getEntry(), database.findEntry("Blade"));
    EXPECT_FLOAT_EQ(weapon.getFloat("Weight"), 2.5f); // inherited
    EXPECT_TRUE(weapon.getBool("Sharp"));
    EXPECT_FLOAT_EQ(weapon.getFloat("Missing"), 0.0f);

    // The same entry again, or a missing one, does not reload.
    weapon.setEntryByName("Blade");
    weapon.setEntryByName("NoSuchEntry");
    EXPECT_EQ(weapon.loads, 1);
    EXPECT_EQ(weapon.getEntry(), database.findEntry("Blade"));
    weapon.setEntryByName("Base1");
    EXPECT_EQ(weapon.loads, 2);
    EXPECT_EQ(weapon.damage, 5);
}
