#include "client/mirrors/OverheadText.h"

#include <algorithm>

namespace OverheadText {

Kind classify(const std::string& text)
{
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "xp") == 0) {
        return Kind::Experience;
    }
    if (!text.empty() && text[0] == '+') {
        return Kind::Healing;
    }
    if (text.size() >= 6 && text[0] == '^' && text[5] == '+') {
        return Kind::Healing;
    }
    return Kind::Damage;
}

float alpha(float age, float lifetime, float fadeTime)
{
    const float fadeStart = lifetime - fadeTime;
    if (age <= fadeStart) {
        return 1.0f;
    }
    if (age >= lifetime || !(fadeTime > 0.0f)) {
        return 0.0f;
    }
    return 1.0f - (age - fadeStart) / fadeTime;
}

float healthFraction(int health, int maxHealth)
{
    if (maxHealth <= 0) {
        return 1.0f;
    }
    return std::clamp(static_cast<float>(health) / static_cast<float>(maxHealth), 0.0f, 1.0f);
}

} // namespace OverheadText
