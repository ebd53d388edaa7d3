#pragma once
#include <game/world/Game.h>
