#pragma once

#include "engine/core/MathUtil.h"
#include "engine/resources/ModelAnimation.h"
#include "engine/resources/Resource.h"
#include "engine/resources/ResourceHandle.h"
#include "engine/resources/TagsResource.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class ModelTextScanner;
class ResourceSystem;
class SkeletonResource;
class MeshSetResource;
class Skin;

// A model (".mdl", text): names its skeleton, meshes, skin and tags files,
// its animations with their events, the level fields and a footprint. The
// parts are loaded through the resource manager when the model loads (on the
// loader thread, inline).
class ModelResource : public Resource {
public:
    // Reads the text only; the parts are loaded by resolve().
    static std::unique_ptr<ModelResource> parse(const std::string& fileName, const uint8_t* data,
                                                size_t size);
    // Loads skeleton, meshes, skin, tags and animation files, checks bone
    // counts and computes the animations' frame counts and move speeds.
    void resolve();

    // Registers "mdl", "mds", "mdm", "mda", "tag" and "skn".
    static void registerTypes(ResourceSystem& resources);

    // Animations.
    int getNumAnimations() const { return static_cast<int>(m_animations.size()); }
    const ModelAnimation* getAnimation(int index) const;
    // An animation of that name (without regard to case); one of several of
    // the same name at random (stream 0); -1 none.
    int pickAnimation(std::string_view name) const;

    // Parts.
    SkeletonResource* getSkeleton() const;
    MeshSetResource* getMeshSet() const;
    Skin* getSkin() const;
    const ResourceHandle& getSkeletonHandle() const { return m_skeleton; }
    const ResourceHandle& getMeshSetHandle() const { return m_meshes; }
    const ResourceHandle& getSkinHandle() const { return m_skin; }
    const ResourceHandle& getTagsHandle() const { return m_tagsResource; }
    int getNumBones() const;

    // Attach points: bones first, then tags.
    int findAttachPoint(std::string_view name) const;
    static int findAttachPoint(const ModelResource* model, std::string_view name);
    int getFirstTagIndex() const; // the bone count; -1 without a skeleton
    int getNumAttachPoints() const;
    std::string getAttachPointName(int index) const;
    std::string getBoneName(int index) const;
    // Parent bone, offset and rotation; a bone gives itself, zero offset and
    // identity rotation. False for an index out of range.
    bool getAttachPoint(int index, int& parentBone, Vec3& offset, Quaternion& rotation) const;
    // Position and orientation of an attach point in model space at a time of
    // an animation (frames interpolated; looping animations wrap).
    bool getAttachPointTransform(int index, const ModelAnimation* animation, float frameTime, Vec3& position,
                                 Matrix3& orientation) const;
    // Tag editing; bones are left alone.
    bool setAttachPoint(int index, int parentBone, const Vec3& offset, const Quaternion& rotation);
    // False for a bone, and for a name the tags file cannot hold: empty, with
    // blanks or line breaks, or starting with '#' or "//" (read as comments).
    bool renameAttachPoint(int index, const std::string& name);
    bool setTagParentBone(int index, const std::string& boneName);
    int addTag();
    bool removeTag(int index);
    // Writes the tags to the model's tags file (skeleton and tags needed).
    bool saveTags() const;
    const std::vector<ModelTag>& getTags() const { return m_tags; }

    // Level fields.
    bool isDetail() const { return m_detail; }
    const ResourceHandle& getMapShader() const { return m_mapShader; }
    const std::string& getMapShaderName() const { return m_mapShaderName; }
    bool getRandomRotation() const { return m_randomRotation; }
    float getRandomScaleMin() const { return m_randomScaleMin; }
    float getRandomScaleMax() const { return m_randomScaleMax; }
    // The file gives "randomScale" (both bounds default to 1 otherwise).
    bool hasRandomScale() const { return m_hasRandomScale; }
    // "BlocksSight": the cells of the footprint also block sight.
    bool getBlocksSight() const { return m_blocksSight; }
    const std::string& getObjectType() const { return m_objectType; }
    int getInWayAlphaType() const { return m_inWayAlphaType; }
    Vec2 getInWayMinOffset() const { return m_inWayMinOffset; }
    Vec2 getInWayMaxOffset() const { return m_inWayMaxOffset; }
    float getInWayMinFade() const { return m_inWayMinFade; }
    // The light a placed model gives: "lightColor" "r,g,b" and
    // "lightIntensity" (its radius in world units; 0: no light).
    const Vec3& getLightColor() const { return m_lightColor; }
    float getLightIntensity() const { return m_lightIntensity; }

    // Footprint: whole cells and the collision grid ('#' blocked).
    int getFootprintWidth() const { return m_footprintWidth; }
    int getFootprintHeight() const { return m_footprintHeight; }
    bool isFootprintBlocked(int x, int y) const;
    bool hasCollisionGrid() const { return !m_collision.empty(); }
    // The footprint turned for a facing (0 … 7; every two steps are a quarter
    // turn, so facings 2 and 6 swap width and height): its size, and whether
    // a cell (x, y), or cell index y × width + x, of the turned grid is
    // blocked.
    void getFootprintSize(int facing, int& width, int& height) const;
    bool isCollisionCellBlocked(int facing, int x, int y) const;
    bool isCollisionCellBlocked(int facing, int cell) const;

    // The model's flag word: 0 when it is complete and may be drawn, else
    // the parts that are missing.
    enum : unsigned {
        kMissingSkeleton = 1,  // named but not loaded
        kMissingMeshes = 2,    // none named, or not loaded
        kMissingSkin = 4,      // named but not loaded
        kMissingTags = 8,      // named but not loaded
        kMissingAnimation = 16 // an animation file not loaded
    };
    unsigned getFlags() const { return m_flags; }

    std::string describe() const override;

    const std::string& getSkeletonName() const { return m_skeletonName; }
    const std::string& getMeshSetName() const { return m_meshesName; }
    const std::string& getSkinName() const { return m_skinName; }
    const std::string& getTagsName() const { return m_tagsName; }

private:
    std::string partPath(const std::string& name) const;
    bool parseAnimationBlock(ModelTextScanner& scan, ModelAnimation& anim, bool sprite);

    std::string m_directory;
    std::string m_skeletonName, m_meshesName, m_skinName, m_tagsName;
    ResourceHandle m_skeleton, m_meshes, m_skin, m_tagsResource;
    std::vector<ModelTag> m_tags;
    std::vector<ModelAnimation> m_animations;

    bool m_detail = false;
    std::string m_mapShaderName;
    ResourceHandle m_mapShader;
    bool m_randomRotation = false;
    float m_randomScaleMin = 1.0f;
    float m_randomScaleMax = 1.0f;
    bool m_hasRandomScale = false;
    bool m_blocksSight = false;
    std::string m_objectType;
    int m_inWayAlphaType = 0;
    Vec2 m_inWayMinOffset, m_inWayMaxOffset;
    float m_inWayMinFade = 0.0f;
    Vec3 m_lightColor{0.0f, 0.0f, 0.0f};
    float m_lightIntensity = 0.0f;
    int m_footprintWidth = 0;
    int m_footprintHeight = 0;
    std::vector<uint8_t> m_collision; // width × height, row-major, 1 blocked
    unsigned m_flags = 0;
};
