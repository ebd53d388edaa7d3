#include "graphics/render/PoseCache.h"

#include "engine/resources/AnimationResource.h"
#include "engine/resources/SkeletonResource.h"

#include <cmath>

namespace {

Quaternion normalised(const Quaternion& q)
{
    float length = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (length < 1e-8f || !std::isfinite(length)) {
        return Quaternion();
    }
    return {q.x / length, q.y / length, q.z / length, q.w / length};
}

} // namespace

void PoseCache::clear()
{
    m_bones.clear();
    m_slots.clear();
}

int PoseCache::reserveSlot()
{
    m_slots.push_back(-1);
    return static_cast<int>(m_slots.size()) - 1;
}

void PoseCache::computePose(const SkeletonResource& skeleton, const AnimationResource& animation, int frame,
                            std::vector<BonePose>& out)
{
    const int count = skeleton.getNumBones();
    std::vector<Quaternion> rotations(static_cast<size_t>(count));
    const size_t first = out.size();
    out.resize(first + static_cast<size_t>(count));
    for (int b = 0; b < count; ++b) {
        const AnimationKey key = animation.getKey(frame, b);
        const int parent = skeleton.getBone(b)->parent;
        Quaternion q = key.rotation;
        Vec3 p = key.position;
        if (parent >= 0 && parent < b) {
            const BonePose& up = out[first + static_cast<size_t>(parent)];
            p = transformVectorByMatrix(p, up.rotation) + up.position;
            q = quaternionMultiply(rotations[static_cast<size_t>(parent)], q);
        }
        // As the attach points do, so tags and skinned vertices agree.
        q = normalised(q);
        rotations[static_cast<size_t>(b)] = q;
        out[first + static_cast<size_t>(b)] = {quaternionToMatrix(q), p};
    }
}

int PoseCache::getPose(int slot, const SkeletonResource& skeleton, const AnimationResource& animation,
                       int frame)
{
    if (slot < 0 || static_cast<size_t>(slot) >= m_slots.size()) {
        return -1;
    }
    int& first = m_slots[static_cast<size_t>(slot)];
    if (first < 0) {
        first = static_cast<int>(m_bones.size());
        computePose(skeleton, animation, frame, m_bones);
        ++m_computed;
    }
    return first;
}
