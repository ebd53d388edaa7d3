#include "engine/resources/TagsResource.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"

#include <cmath>
#include <cstdlib>

namespace {
// Splits one line at single blanks, so that an empty parent name between two
// blanks survives.
std::vector<std::string> splitFields(const std::string& line)
{
    std::vector<std::string> fields;
    size_t start = 0;
    while (start <= line.size()) {
        size_t end = line.find_first_of(" \t", start);
        if (end == std::string::npos) {
            end = line.size();
        }
        fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    // Trailing blanks make empty fields at the end: drop them.
    while (!fields.empty() && fields.back().empty()) {
        fields.pop_back();
    }
    return fields;
}

bool parseFloat(const std::string& text, float& out)
{
    char* end = nullptr;
    out = std::strtof(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(out);
}
} // namespace

std::unique_ptr<TagsResource> TagsResource::parse(const std::string& fileName, const uint8_t* data,
                                                  size_t size)
{
    auto tags = std::make_unique<TagsResource>();
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t pos = 0;
    int lineNo = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line.compare(first, 2, "//") == 0 || line[first] == '#') {
            continue;
        }
        line = line.substr(first);
        std::vector<std::string> fields = splitFields(line);
        // name [parent] ox oy oz qx qy qz qw
        size_t numbersAt = fields.size() == 9 ? 2 : (fields.size() == 8 ? 1 : 0);
        if (numbersAt == 0) {
            debugPrint(2, "%s:%d: expected \"name parentBone ox oy oz qx qy qz qw\"\n", fileName.c_str(),
                       lineNo);
            continue;
        }
        float v[7];
        bool ok = true;
        for (int i = 0; i < 7; ++i) {
            ok = ok && parseFloat(fields[numbersAt + i], v[i]);
        }
        if (!ok) {
            debugPrint(2, "%s:%d: tag values must be numbers\n", fileName.c_str(), lineNo);
            continue;
        }
        ModelTag tag;
        tag.name = fields[0];
        tag.parentName = numbersAt == 2 ? fields[1] : std::string();
        tag.offset = Vec3(v[0], v[1], v[2]);
        tag.rotation = Quaternion(v[3], v[4], v[5], v[6]);
        tags->m_tags.push_back(std::move(tag));
    }
    return tags;
}

std::string TagsResource::format(const std::vector<ModelTag>& tags)
{
    std::string out;
    for (const auto& t : tags) {
        appendFormat(out, "%s %s ", t.name.c_str(), t.parentName.c_str());
        appendFormat(out, "%f %f %f ", t.offset.x, t.offset.y, t.offset.z);
        appendFormat(out, "%f %f %f %f\n", t.rotation.x, t.rotation.y, t.rotation.z, t.rotation.w);
    }
    return out;
}
