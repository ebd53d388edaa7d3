#pragma once

#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/ItemBase.h"
#include "game/definitions/ItemHolder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

// A database holding the shipped items (data/Database/items.dbl, with the
// status effects of effects.dbl) and, when
// given, a "GameSystem" entry and more item entries, for the item and
// inventory tests.
class ItemDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override { loadDatabase(""); }

    void loadDatabase(const std::string& gameSystemFields, const std::string& extraItems = "")
    {
        m_database = std::make_unique<Database>();
        std::ifstream file(gameDataPath("Database/items.dbl"));
        std::stringstream text;
        text << file.rdbuf();
        ASSERT_FALSE(text.str().empty()) << "items.dbl missing";
        m_database->addSubDatabase("Item", "items.dbl", text.str());
        // The set bonuses of items build on the status-effect template.
        std::ifstream effects(gameDataPath("Database/effects.dbl"));
        std::stringstream effectText;
        effectText << effects.rdbuf();
        m_database->addSubDatabase("Effect", "effects.dbl", effectText.str());
        if (!gameSystemFields.empty())
            m_database->addSubDatabase("GameSystem", "rules.dbl",
                                       "GameSystem {\n" + gameSystemFields + "\n}\n");
        if (!extraItems.empty())
            m_database->addSubDatabase("Extra", "extra.dbl", extraItems);
        m_database->resolveBases();
    }

    void reloadWithGameSystem(const std::string& fields)
    {
        m_database.reset();
        loadDatabase(fields);
    }

    // The shipped items plus the entries of text.
    void reloadWithExtraItems(const std::string& text)
    {
        m_database.reset();
        loadDatabase("", text);
    }

    const DatabaseEntry* entry(const char* name) const
    {
        const DatabaseEntry* e = m_database->findEntry(name);
        EXPECT_NE(e, nullptr) << name;
        return e;
    }

    // A new item of the entry at a level, without random rolls.
    std::unique_ptr<ItemBase> makeItem(const char* name, int level = 1) const
    {
        auto item = std::make_unique<ItemBase>();
        item->setLevel(level);
        item->setItemEntry(entry(name));
        return item;
    }

    ItemBase* newItem(const char* name, int level = 1) const { return makeItem(name, level).release(); }

    std::unique_ptr<Database> m_database;
};

// An item holder whose answers the tests set.
class FakeHolder : public ItemHolder {
public:
    bool allows = true;
    bool meets = true;
    int level = 10;
    const InventoryBase* inventory = nullptr;
    std::string powerName;

    bool allowsItemPlacement(const ItemBase&, int, int) const override { return allows; }
    bool meetsItemRequirement(ItemRequirement) const override { return meets; }
    int getItemHolderLevel() const override { return level; }
    const InventoryBase* getItemHolderInventory() const override { return inventory; }
    std::string getItemHolderPowerName() const override { return powerName; }
};
