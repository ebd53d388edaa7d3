#pragma once

#include <string>

class Entity;

// The name the diplomacy and chat texts show for an entity: its own name,
// then its covenant's coloured name, or for an NPC outside covenants its
// type as a text key the client translates. "" for none.
std::string getNpcDisplayName(const Entity* entity);
