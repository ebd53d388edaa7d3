#pragma once

#include "engine/core/MathUtil.h"
#include "engine/resources/Resource.h"

#include <memory>
#include <string>
#include <vector>

// An attachment point fixed to a bone of the skeleton.
struct ModelTag {
    std::string name;
    std::string parentName; // bone name; may be empty
    int parentBone = -1;    // filled in by the model from its skeleton
    Vec3 offset;
    Quaternion rotation;
};

// A tags file (".tag"): one line per tag,
// "name parentBone ox oy oz qx qy qz qw". A tag without a parent bone has an
// empty parent name (two blanks in a row).
class TagsResource : public Resource {
public:
    static std::unique_ptr<TagsResource> parse(const std::string& fileName, const uint8_t* data, size_t size);
    // The file text for the tags, one "%s %s %f %f %f %f %f %f %f\n" line each.
    static std::string format(const std::vector<ModelTag>& tags);

    const std::vector<ModelTag>& getTags() const { return m_tags; }
    std::vector<ModelTag>& tags() { return m_tags; }

private:
    std::vector<ModelTag> m_tags;
};
