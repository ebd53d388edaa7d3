#include "graphics/shaders/UVModifier.h"

#include <cmath>

void UVModifier::apply(float& u, float& v, float seconds) const
{
    switch (type) {
    case UVMod::Scroll: {
        float s = scrollU * seconds / 60.0f;
        float r = scrollV * seconds / 60.0f;
        u += s - std::trunc(s);
        v += r - std::trunc(r);
        break;
    }
    case UVMod::Scale:
        u *= scale;
        v *= scale;
        break;
    case UVMod::Offset:
        u += offsetU;
        v += offsetV;
        break;
    default:
        break;
    }
}
