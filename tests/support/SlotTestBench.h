#pragma once

#include "support/TestEntityMirror.h"
#include "support/UITestBench.h"

#include "engine/data/Database.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/ItemBase.h"

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

// The interface on its fakes with the shipped items in a database, a rules
// record the test may change, a player and items placed in the fake's
// inventory by (group, entry).
struct SlotTestBench : UITestBench {
    explicit SlotTestBench(const std::string& extraItems = "")
    {
        for (const char* file : {"items.dbl", "effects.dbl"}) {
            std::ifstream in(gameDataPath(std::string("Database/") + file));
            std::stringstream text;
            text << in.rdbuf();
            database.addSubDatabase(file[0] == 'i' ? "Item" : "Effect", file, text.str());
        }
        if (!extraItems.empty()) {
            database.addSubDatabase("Extra", "extra.dbl", extraItems);
        }
        database.resolveBases();
        view.localPlayer = &player;
        view.playerCovenantIndex = 0;
        player.setCovenantIndex(0);
    }

    // A new item of the entry, placed at (group, entry) of the player.
    ItemBase* place(const char* name, int group, int entry)
    {
        auto item = std::make_unique<ItemBase>();
        item->setItemEntry(database.findEntry(name));
        item->setIdentified(true);
        item->setGroup(group);
        ItemBase* made = item.get();
        owned.push_back(std::move(item));
        view.items[{group, entry}] = made;
        return made;
    }

    // A widget of a type read from its keyword lines, in a shown menu.
    template <class T> T* make(const std::string& type, const std::string& keywords)
    {
        UIMenu* menu = loadMenu("name M" + std::to_string(++menus) + "\nvisible 1\n" + type +
                                "\n{\n internalName W\n" + keywords + "}\n");
        return dynamic_cast<T*>(menu->findWidget("W"));
    }

    Database database;
    GameData data;
    TestEntityMirror player;
    std::vector<std::unique_ptr<ItemBase>> owned;
    int menus = 0;
};

inline constexpr int groupOf(InventoryGroupIndex group)
{
    return static_cast<int>(group);
}
