#pragma once

#include <memory>

class UIMenu;
class UIWidget;

// One covenant's badge on the relations circle: a container menu (owned by
// the relations menu, never in the UI system's list) with the crest picture
// and the "Eliminated" label among its widgets; a left click on its
// life-stone bar makes the covenant's life stone the player's target.
struct RelationsCovenantEntry {
    std::unique_ptr<UIMenu> container;
    UIWidget* picture = nullptr;
    UIWidget* eliminatedLabel = nullptr;
    UIWidget* lifestoneBar = nullptr;
    int covenantIndex = -1;
    bool selected = false;
};
