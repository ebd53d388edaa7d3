#pragma once

#include "engine/core/MathUtil.h"

#include <cstddef>
#include <vector>

class AnimationResource;
class SkeletonResource;

// One bone of a computed pose, in model space.
struct BonePose {
    Matrix3 rotation; // row convention: offset × rotation turns a bone-space offset
    Vec3 position;
};

// The poses of the frame's queued models: one slot per queued model, computed
// by the first of its meshes that is drawn and shared by the others. Emptied
// with the queue at the start of every frame.
class PoseCache {
public:
    void clear();
    // A new slot, not computed yet; its index.
    int reserveSlot();
    size_t getSlotCount() const { return m_slots.size(); }
    // The index of the slot's first bone, computing the pose of that frame
    // when the slot has none yet; -1 for a slot out of range. The frame must
    // lie within the animation and both must have the skeleton's bone count.
    int getPose(int slot, const SkeletonResource& skeleton, const AnimationResource& animation, int frame);
    const BonePose& getBone(int index) const { return m_bones[static_cast<size_t>(index)]; }
    size_t getBoneCount() const { return m_bones.size(); }
    // Poses computed since the cache was made (a check that meshes share).
    size_t getComputeCount() const { return m_computed; }

    // Model-space poses of every bone of a frame: position = parent rotation
    // applied to the key's position + parent position; rotation = parent
    // rotation × key rotation (a bone whose parent does not come before it
    // counts as a root).
    static void computePose(const SkeletonResource& skeleton, const AnimationResource& animation, int frame,
                            std::vector<BonePose>& out);

private:
    std::vector<BonePose> m_bones;
    std::vector<int> m_slots; // first bone index, -1 while not computed
    size_t m_computed = 0;
};
