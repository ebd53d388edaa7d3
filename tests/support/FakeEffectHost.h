#pragma once

#include "engine/object/SafeClass.h"
#include "graphics/effects/EffectHost.h"

#include <map>
#include <string>

// An effect host standing at a place: attach point i of `points` sits at the
// place + (0, 0, 10 × (i + 1)); location names are "Hand" (14) and "Back" (3).
class FakeEffectHost : public SafeClass, public EffectHost {
public:
    ZonePosition3 place{0, 100.0f, 100.0f, 0.0f};
    std::map<std::string, int> points{{"tag_a", 0}, {"tag_b", 1}};
    ParentState parent;
    bool localPlayer = false;
    bool hasBeamEnds = false;
    ZonePosition3 beamStart, beamEnd;

    SafeClass* getEffectSafeBase() override { return this; }
    std::string getEffectModelName() const override { return "Models/Fake/fake.mdl"; }
    int findEffectAttachPoint(const std::string& name) const override
    {
        auto it = points.find(name);
        return it == points.end() ? -1 : it->second;
    }
    bool getEffectTagTransform(int attachPoint, ZonePosition3& position, Matrix3& orientation) const override
    {
        position = place;
        orientation = Matrix3();
        if (attachPoint >= 0) {
            position.z += 10.0f * static_cast<float>(attachPoint + 1);
        }
        return true;
    }
    int parseEffectLocation(const std::string& name) const override
    {
        return name == "Hand" ? 14 : name == "Back" ? 3 : -1;
    }
    int findEffectTagInAttachment(int, const std::string& tag) const override
    {
        return findEffectAttachPoint(tag);
    }
    bool getEffectAttachmentTagTransform(int, const std::string& tag, ZonePosition3& position,
                                         Matrix3& orientation) const override
    {
        return getEffectTagTransform(findEffectAttachPoint(tag), position, orientation);
    }
    ParentState getEffectParentState() const override { return parent; }
    bool getEffectBeamEnds(ZonePosition3& start, ZonePosition3& end) const override
    {
        start = beamStart;
        end = beamEnd;
        return hasBeamEnds;
    }
    bool getEffectItemColour(float out[3]) const override
    {
        out[0] = 1.0f;
        out[1] = 0.0f;
        out[2] = 0.0f;
        return true;
    }
    bool getEffectCovenantColour(float[3]) const override { return false; }
    bool isNotLocalPlayer() const override { return !localPlayer; }
};
