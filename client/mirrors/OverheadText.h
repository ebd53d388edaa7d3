#pragma once

#include <string>

// The rules of the numbers and bars drawn over entities, apart from drawing.
namespace OverheadText {

enum class Kind { Damage, Healing, Experience };

// "…xp" is experience; "+…", or a colour code whose sixth character is '+',
// is healing; anything else damage. Only a text of at least six characters
// has a sixth character.
Kind classify(const std::string& text);

// 1 until lifetime − fade time, 0 from the lifetime on, linear between.
float alpha(float age, float lifetime, float fadeTime);

// The share of the bar filled: health / maximum within 0 … 1, full without
// a maximum.
float healthFraction(int health, int maxHealth);

} // namespace OverheadText
