#include "engine/resources/ModelResource.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/resources/AnimationResource.h"
#include "engine/resources/MeshSetResource.h"
#include "engine/resources/ModelTextScanner.h"
#include "engine/resources/ResourceSystem.h"
#include "engine/resources/SkeletonResource.h"
#include "engine/resources/Skin.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
constexpr int kMaxFootprint = 64;

using Token = ModelTextScanner::Token;

bool readIntArg(ModelTextScanner& scan, int line, int& out)
{
    if (scan.atEnd() || scan.peek().line != line) {
        scan.warn(line, "missing value");
        return false;
    }
    return scan.toInt(scan.next(), out);
}

bool readFloatArg(ModelTextScanner& scan, int line, float& out)
{
    if (scan.atEnd() || scan.peek().line != line) {
        scan.warn(line, "missing value");
        return false;
    }
    return scan.toFloat(scan.next(), out);
}

bool readTextArg(ModelTextScanner& scan, int line, std::string& out)
{
    if (scan.atEnd() || scan.peek().line != line || scan.peek().text == "{" || scan.peek().text == "}") {
        scan.warn(line, "missing value");
        return false;
    }
    out = scan.next().text;
    return true;
}

Vec3 rotateVector(const Quaternion& q, const Vec3& v)
{
    return transformVectorByMatrix(v, quaternionToMatrix(q));
}

Quaternion normalizeQuat(Quaternion q)
{
    float len = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (len < 1e-8f || !std::isfinite(len)) {
        return Quaternion();
    }
    return Quaternion(q.x / len, q.y / len, q.z / len, q.w / len);
}

AnimationKey blendKeys(const AnimationKey& a, const AnimationKey& b, float t)
{
    Quaternion qb = b.rotation;
    if (a.rotation.x * qb.x + a.rotation.y * qb.y + a.rotation.z * qb.z + a.rotation.w * qb.w < 0) {
        qb = Quaternion(-qb.x, -qb.y, -qb.z, -qb.w);
    }
    AnimationKey k;
    k.rotation = normalizeQuat(
        Quaternion(a.rotation.x + (qb.x - a.rotation.x) * t, a.rotation.y + (qb.y - a.rotation.y) * t,
                   a.rotation.z + (qb.z - a.rotation.z) * t, a.rotation.w + (qb.w - a.rotation.w) * t));
    k.position = a.position + (b.position - a.position) * t;
    return k;
}
} // namespace

std::unique_ptr<ModelResource> ModelResource::parse(const std::string& fileName, const uint8_t* data,
                                                    size_t size)
{
    auto model = std::make_unique<ModelResource>();
    model->setFileName(fileName);
    size_t slash = fileName.find_last_of("/\\");
    model->m_directory = slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1);

    ModelTextScanner scan(fileName, data, size);
    while (!scan.atEnd()) {
        Token key = scan.next();
        int line = key.line;
        const std::string& k = key.text;
        bool ok = true;
        if (equalsNoCase(k, "skeleton")) {
            ok = readTextArg(scan, line, model->m_skeletonName);
        } else if (equalsNoCase(k, "meshes")) {
            ok = readTextArg(scan, line, model->m_meshesName);
        } else if (equalsNoCase(k, "skin")) {
            ok = readTextArg(scan, line, model->m_skinName);
        } else if (equalsNoCase(k, "tags")) {
            ok = readTextArg(scan, line, model->m_tagsName);
        } else if (equalsNoCase(k, "detail")) {
            int v = 0;
            ok = readIntArg(scan, line, v);
            model->m_detail = v != 0;
        } else if (equalsNoCase(k, "mapShader")) {
            ok = readTextArg(scan, line, model->m_mapShaderName);
        } else if (equalsNoCase(k, "randomRotation")) {
            int v = 0;
            ok = readIntArg(scan, line, v);
            model->m_randomRotation = v != 0;
        } else if (equalsNoCase(k, "randomScale")) {
            ok = readFloatArg(scan, line, model->m_randomScaleMin) &&
                 readFloatArg(scan, line, model->m_randomScaleMax);
            model->m_hasRandomScale = ok;
        } else if (equalsNoCase(k, "BlocksSight")) {
            model->m_blocksSight = true;
        } else if (equalsNoCase(k, "ObjectType")) {
            ok = readTextArg(scan, line, model->m_objectType);
        } else if (equalsNoCase(k, "InWayAlphaType")) {
            ok = readIntArg(scan, line, model->m_inWayAlphaType);
        } else if (equalsNoCase(k, "InWayMinOffset")) {
            ok = readFloatArg(scan, line, model->m_inWayMinOffset.x) &&
                 readFloatArg(scan, line, model->m_inWayMinOffset.y);
        } else if (equalsNoCase(k, "InWayMaxOffset")) {
            ok = readFloatArg(scan, line, model->m_inWayMaxOffset.x) &&
                 readFloatArg(scan, line, model->m_inWayMaxOffset.y);
        } else if (equalsNoCase(k, "InWayMinFade")) {
            ok = readFloatArg(scan, line, model->m_inWayMinFade);
        } else if (equalsNoCase(k, "lightColor")) {
            std::string text;
            ok = readTextArg(scan, line, text);
            float c[3] = {0.0f, 0.0f, 0.0f};
            if (ok && std::sscanf(text.c_str(), "%f,%f,%f", &c[0], &c[1], &c[2]) != 3) {
                scan.warn(line, formatString("lightColor \"%s\" is not three numbers r,g,b", text.c_str()));
                ok = false;
            }
            if (ok) {
                model->m_lightColor = Vec3(c[0], c[1], c[2]);
            }
        } else if (equalsNoCase(k, "lightIntensity")) {
            ok = readFloatArg(scan, line, model->m_lightIntensity);
            if (ok && !(model->m_lightIntensity >= 0.0f)) {
                model->m_lightIntensity = 0.0f;
            }
        } else if (equalsNoCase(k, "footprint")) {
            int w = 0, h = 0;
            ok = readIntArg(scan, line, w) && readIntArg(scan, line, h);
            if (ok && (w < 0 || h < 0 || w > kMaxFootprint || h > kMaxFootprint)) {
                scan.warn(line, formatString("footprint %d x %d is outside 0..%d", w, h, kMaxFootprint));
                ok = false;
            }
            if (ok) {
                model->m_footprintWidth = w;
                model->m_footprintHeight = h;
                model->m_collision.assign(static_cast<size_t>(w) * h, 0);
                for (int row = 0; row < h; ++row) {
                    if (scan.atEnd()) {
                        scan.warn(scan.line(), "footprint rows missing");
                        break;
                    }
                    Token r = scan.next();
                    if (static_cast<int>(r.text.size()) != w ||
                        r.text.find_first_not_of("#.") != std::string::npos) {
                        scan.warn(r.line,
                                  formatString("footprint row must be %d characters of '#' and '.'", w));
                    }
                    for (int x = 0; x < w && x < static_cast<int>(r.text.size()); ++x) {
                        model->m_collision[static_cast<size_t>(row) * w + x] = r.text[x] == '#' ? 1 : 0;
                    }
                }
            }
        } else if (equalsNoCase(k, "animation") || equalsNoCase(k, "sprite")) {
            bool sprite = equalsNoCase(k, "sprite");
            ModelAnimation anim;
            anim.kind = sprite ? ModelAnimation::kSprite : ModelAnimation::kSkeletal;
            if (!readTextArg(scan, line, anim.name)) {
                ok = false;
            } else if (model->parseAnimationBlock(scan, anim, sprite)) {
                model->m_animations.push_back(std::move(anim));
            }
            continue;
        } else {
            scan.warn(line, "unknown keyword \"" + k + "\"");
            ok = false;
        }
        if (!ok) {
            scan.skipLine(line);
        }
    }
    return model;
}

bool ModelResource::parseAnimationBlock(ModelTextScanner& scan, ModelAnimation& anim, bool sprite)
{
    Token open = scan.next();
    if (open.text != "{" || open.quoted) {
        scan.warn(open.line, "expected '{' after animation " + anim.name);
        return false;
    }
    bool closed = false;
    while (!scan.atEnd()) {
        Token key = scan.next();
        int line = key.line;
        const std::string& k = key.text;
        if (k == "}" && !key.quoted) {
            closed = true;
            break;
        }
        bool ok = true;
        int v = 0;
        if (equalsNoCase(k, "file") && !sprite) {
            ok = readTextArg(scan, line, anim.fileName);
        } else if (equalsNoCase(k, "fps")) {
            ok = readFloatArg(scan, line, anim.framesPerSecond);
            if (ok && !(anim.framesPerSecond > 0.0f)) {
                scan.warn(line, "fps must be above 0");
                anim.framesPerSecond = 20.0f;
            }
        } else if (equalsNoCase(k, "loop")) {
            ok = readIntArg(scan, line, v);
            anim.loop = v != 0;
        } else if (equalsNoCase(k, "moves")) {
            ok = readIntArg(scan, line, v);
            anim.moves = v != 0;
        } else if (equalsNoCase(k, "attackSpeed")) {
            ok = readIntArg(scan, line, v);
            anim.followsAttackSpeed = v != 0;
        } else if (equalsNoCase(k, "directions") && sprite) {
            ok = readIntArg(scan, line, anim.directions);
            if (ok && (anim.directions < 1 || anim.directions > 64)) {
                scan.warn(line, "directions must be 1..64");
                anim.directions = 1;
            }
        } else if (equalsNoCase(k, "frame") && sprite) {
            std::string texture;
            ok = readTextArg(scan, line, texture);
            if (ok) {
                anim.spriteFrames.push_back(texture);
            }
        } else if (equalsNoCase(k, "event")) {
            AnimationEvent e;
            std::string kind;
            ok = readTextArg(scan, line, kind);
            if (ok) {
                if (equalsNoCase(kind, "frame")) {
                    e.kind = AnimationEventKind::Frame;
                    ok = readIntArg(scan, line, e.frame);
                } else if (equalsNoCase(kind, "entry")) {
                    e.kind = AnimationEventKind::Entry;
                } else if (equalsNoCase(kind, "exit")) {
                    e.kind = AnimationEventKind::Exit;
                } else if (equalsNoCase(kind, "first")) {
                    e.kind = AnimationEventKind::First;
                } else if (equalsNoCase(kind, "last")) {
                    e.kind = AnimationEventKind::Last;
                } else if (equalsNoCase(kind, "every")) {
                    e.kind = AnimationEventKind::Every;
                } else {
                    scan.warn(line, "unknown event kind \"" + kind + "\"");
                    ok = false;
                }
            }
            ok = ok && readTextArg(scan, line, e.name);
            while (ok && !scan.atEnd() && scan.peek().line == line && scan.peek().quoted) {
                if (static_cast<int>(e.args.size()) == ModelAnimation::kMaxEventArgs) {
                    scan.warn(line, "an event takes at most 4 arguments");
                    ok = false;
                    break;
                }
                e.args.push_back(scan.next().text);
            }
            if (ok) {
                anim.events.push_back(std::move(e));
            }
        } else {
            scan.warn(line, "unknown animation keyword \"" + k + "\"");
            ok = false;
        }
        if (!ok) {
            // Skip the rest of the line, but never past the block's end.
            while (!scan.atEnd() && scan.peek().line == line && scan.peek().text != "}") {
                scan.next();
            }
        }
    }
    if (!closed) {
        scan.warn(scan.line(), "animation " + anim.name + " is not closed with '}'");
    }
    if (!sprite && anim.fileName.empty()) {
        scan.warn(open.line, "animation " + anim.name + " names no file");
        return false;
    }
    if (sprite && (anim.spriteFrames.empty() || anim.spriteFrames.size() % anim.directions != 0)) {
        scan.warn(open.line, "sprite " + anim.name + " needs a whole number of frames for its directions");
        return false;
    }
    return true;
}

std::string ModelResource::partPath(const std::string& name) const
{
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    return m_directory + path;
}

void ModelResource::resolve()
{
    if (!ResourceSystem::instance()) {
        return;
    }
    ResourceSystem& rs = ResourceSystem::get();
    m_mapShader = Skin::lookupShader(m_mapShaderName, Skin::kMapShaderSubType);
    if (!m_skeletonName.empty()) {
        m_skeleton = rs.load(partPath(m_skeletonName));
    }
    if (!m_meshesName.empty()) {
        m_meshes = rs.load(partPath(m_meshesName));
    }
    if (!m_skinName.empty()) {
        m_skin = rs.load(partPath(m_skinName));
    }
    if (!m_tagsName.empty()) {
        m_tagsResource = rs.load(partPath(m_tagsName));
    }
    SkeletonResource* skeleton = getSkeleton();
    MeshSetResource* meshes = getMeshSet();
    TagsResource* tags = rs.getAs<TagsResource>(m_tagsResource);
    m_flags = 0;
    if (!m_skeletonName.empty() && !skeleton) {
        m_flags |= kMissingSkeleton;
    }
    if (!meshes) {
        m_flags |= kMissingMeshes;
    }
    if (!m_skinName.empty() && !getSkin()) {
        m_flags |= kMissingSkin;
    }
    if (!m_tagsName.empty() && !tags) {
        m_flags |= kMissingTags;
    }
    if (meshes && skeleton && meshes->getMaxBoneIndex() >= skeleton->getNumBones()) {
        debugPrint(3, "%s: meshes use bone %d of a skeleton with %d bones\n", getFileName().c_str(),
                   meshes->getMaxBoneIndex(), skeleton->getNumBones());
    }
    if (tags) {
        m_tags = tags->getTags();
        for (auto& t : m_tags) {
            t.parentBone = skeleton ? skeleton->findBone(t.parentName) : -1;
        }
    }
    for (auto& anim : m_animations) {
        if (anim.kind != ModelAnimation::kSkeletal) {
            anim.spriteTextures.clear();
            for (const auto& f : anim.spriteFrames) {
                anim.spriteTextures.push_back(ModelAnimation::lookupTexture(f));
            }
            continue;
        }
        anim.animation = rs.load(partPath(anim.fileName));
        AnimationResource* a = rs.getAs<AnimationResource>(anim.animation);
        if (!a) {
            m_flags |= kMissingAnimation;
            continue;
        }
        anim.cachedFrames = a->getNumFrames();
        if (skeleton && a->getNumBones() != skeleton->getNumBones()) {
            debugPrint(3, "Number of bones mismatch: model - %s, anim - %s", getFileName().c_str(),
                       anim.animation.getFileName().c_str());
        }
        if (a->getNumFrames() > 1 && anim.framesPerSecond > 0) {
            Vec3 travel = a->getKey(a->getNumFrames() - 1, 0).position - a->getKey(0, 0).position;
            float seconds = (a->getNumFrames() - 1) / anim.framesPerSecond;
            anim.cachedMoveSpeed = travel.length() / seconds;
        }
    }
}

void ModelResource::registerTypes(ResourceSystem& resources)
{
    ResourceTypeInfo mdl;
    mdl.extension = "mdl";
    mdl.factory = [](const std::string& name, const uint8_t* data, size_t size,
                     int) -> std::unique_ptr<Resource> {
        auto model = ModelResource::parse(name, data, size);
        model->resolve();
        return model;
    };
    resources.registerType(std::move(mdl));

    ResourceTypeInfo mds;
    mds.extension = "mds";
    mds.factory = [](const std::string& name, const uint8_t* data, size_t size,
                     int) -> std::unique_ptr<Resource> { return SkeletonResource::parse(name, data, size); };
    resources.registerType(std::move(mds));

    ResourceTypeInfo mdm;
    mdm.extension = "mdm";
    mdm.memoryCategory = 3;
    mdm.factory = [](const std::string& name, const uint8_t* data, size_t size,
                     int) -> std::unique_ptr<Resource> { return MeshSetResource::parse(name, data, size); };
    resources.registerType(std::move(mdm));

    ResourceTypeInfo mda;
    mda.extension = "mda";
    mda.factory = [](const std::string& name, const uint8_t* data, size_t size,
                     int) -> std::unique_ptr<Resource> { return AnimationResource::parse(name, data, size); };
    resources.registerType(std::move(mda));

    ResourceTypeInfo tag;
    tag.extension = "tag";
    tag.factory = [](const std::string& name, const uint8_t* data, size_t size,
                     int) -> std::unique_ptr<Resource> { return TagsResource::parse(name, data, size); };
    resources.registerType(std::move(tag));

    ResourceTypeInfo skn;
    skn.extension = "skn";
    skn.factory = [](const std::string& name, const uint8_t* data, size_t size,
                     int) -> std::unique_ptr<Resource> { return Skin::parse(name, data, size); };
    resources.registerType(std::move(skn));
}

const ModelAnimation* ModelResource::getAnimation(int index) const
{
    return index >= 0 && index < getNumAnimations() ? &m_animations[index] : nullptr;
}

int ModelResource::pickAnimation(std::string_view name) const
{
    int matches = 0;
    for (const auto& a : m_animations) {
        matches += equalsNoCase(a.name, name) ? 1 : 0;
    }
    if (matches == 0) {
        return -1;
    }
    int choice = matches > 1 ? randomInt(matches) : 0;
    for (size_t i = 0; i < m_animations.size(); ++i) {
        if (equalsNoCase(m_animations[i].name, name) && choice-- == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

SkeletonResource* ModelResource::getSkeleton() const
{
    return ResourceSystem::instance() ? ResourceSystem::get().getAs<SkeletonResource>(m_skeleton) : nullptr;
}

MeshSetResource* ModelResource::getMeshSet() const
{
    return ResourceSystem::instance() ? ResourceSystem::get().getAs<MeshSetResource>(m_meshes) : nullptr;
}

Skin* ModelResource::getSkin() const
{
    return ResourceSystem::instance() ? ResourceSystem::get().getAs<Skin>(m_skin) : nullptr;
}

int ModelResource::getNumBones() const
{
    SkeletonResource* s = getSkeleton();
    return s ? s->getNumBones() : 0;
}

int ModelResource::findAttachPoint(std::string_view name) const
{
    int bones = 0;
    if (SkeletonResource* s = getSkeleton()) {
        bones = s->getNumBones();
        int b = s->findBone(name);
        if (b >= 0) {
            return b;
        }
    }
    for (size_t i = 0; i < m_tags.size(); ++i) {
        if (equalsNoCase(m_tags[i].name, name)) {
            return bones + static_cast<int>(i);
        }
    }
    return -1;
}

int ModelResource::findAttachPoint(const ModelResource* model, std::string_view name)
{
    return model ? model->findAttachPoint(name) : -1;
}

int ModelResource::getFirstTagIndex() const
{
    SkeletonResource* s = getSkeleton();
    return s ? s->getNumBones() : -1;
}

int ModelResource::getNumAttachPoints() const
{
    return getNumBones() + static_cast<int>(m_tags.size());
}

std::string ModelResource::getBoneName(int index) const
{
    SkeletonResource* s = getSkeleton();
    return s ? s->getBoneName(index) : std::string();
}

std::string ModelResource::getAttachPointName(int index) const
{
    int bones = getNumBones();
    if (index < 0) {
        return std::string();
    }
    if (index < bones) {
        return getBoneName(index);
    }
    size_t tag = static_cast<size_t>(index - bones);
    return tag < m_tags.size() ? m_tags[tag].name : std::string();
}

bool ModelResource::getAttachPoint(int index, int& parentBone, Vec3& offset, Quaternion& rotation) const
{
    int bones = getNumBones();
    if (index < 0) {
        return false;
    }
    if (index < bones) {
        parentBone = index;
        offset = Vec3();
        rotation = Quaternion();
        return true;
    }
    size_t tag = static_cast<size_t>(index - bones);
    if (tag >= m_tags.size()) {
        return false;
    }
    parentBone = m_tags[tag].parentBone;
    offset = m_tags[tag].offset;
    rotation = m_tags[tag].rotation;
    return true;
}

bool ModelResource::getAttachPointTransform(int index, const ModelAnimation* animation, float frameTime,
                                            Vec3& position, Matrix3& orientation) const
{
    SkeletonResource* skeleton = getSkeleton();
    int bone = -1;
    Vec3 offset;
    Quaternion rotation;
    if (!skeleton || !getAttachPoint(index, bone, offset, rotation) || bone < 0 ||
        bone >= skeleton->getNumBones()) {
        return false;
    }
    AnimationResource* anim = animation ? animation->getAnimationResource() : nullptr;
    int f0 = 0, f1 = 0;
    float blend = 0.0f;
    if (anim && anim->getNumFrames() > 0) {
        int frames = anim->getNumFrames();
        float f = std::isfinite(frameTime) ? std::max(0.0f, frameTime) * animation->framesPerSecond : 0.0f;
        if (animation->loop) {
            f = std::fmod(f, static_cast<float>(frames));
        } else {
            f = std::min(f, static_cast<float>(frames - 1));
        }
        f0 = std::clamp(static_cast<int>(f), 0, frames - 1);
        f1 = animation->loop ? (f0 + 1) % frames : std::min(f0 + 1, frames - 1);
        blend = f - static_cast<float>(f0);
    }
    // Walk from the root down to the bone (parents come before children).
    std::vector<int> chain;
    for (int b = bone; b >= 0 && chain.size() <= static_cast<size_t>(skeleton->getNumBones());
         b = skeleton->getBone(b)->parent) {
        chain.push_back(b);
    }
    Quaternion q;
    Vec3 p;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        AnimationKey k =
            anim ? blendKeys(anim->getKey(f0, *it), anim->getKey(f1, *it), blend) : AnimationKey{};
        p = p + rotateVector(q, k.position);
        q = normalizeQuat(quaternionMultiply(q, k.rotation));
    }
    p = p + rotateVector(q, offset);
    q = normalizeQuat(quaternionMultiply(q, rotation));
    position = p;
    orientation = quaternionToMatrix(q);
    return true;
}

bool ModelResource::setAttachPoint(int index, int parentBone, const Vec3& offset, const Quaternion& rotation)
{
    int bones = getNumBones();
    if (index < bones || index - bones >= static_cast<int>(m_tags.size())) {
        return false;
    }
    ModelTag& t = m_tags[index - bones];
    t.parentBone = parentBone;
    t.parentName = getBoneName(parentBone);
    t.offset = offset;
    t.rotation = rotation;
    return true;
}

bool ModelResource::renameAttachPoint(int index, const std::string& name)
{
    int bones = getNumBones();
    bool fitsTagsFile = !name.empty() && name.find_first_of(" \t\r\n") == std::string::npos &&
                        name[0] != '#' && name.compare(0, 2, "//") != 0;
    if (index < bones || index - bones >= static_cast<int>(m_tags.size()) || !fitsTagsFile) {
        return false;
    }
    m_tags[index - bones].name = name;
    return true;
}

bool ModelResource::setTagParentBone(int index, const std::string& boneName)
{
    int bones = getNumBones();
    if (index < bones || index - bones >= static_cast<int>(m_tags.size())) {
        return false;
    }
    SkeletonResource* s = getSkeleton();
    int bone = s ? s->findBone(boneName) : -1;
    ModelTag& t = m_tags[index - bones];
    t.parentName = boneName;
    t.parentBone = bone;
    return bone >= 0;
}

int ModelResource::addTag()
{
    ModelTag t;
    t.name = "NewTag";
    m_tags.push_back(t);
    return getNumBones() + static_cast<int>(m_tags.size()) - 1;
}

bool ModelResource::removeTag(int index)
{
    int bones = getNumBones();
    if (index < bones || index - bones >= static_cast<int>(m_tags.size())) {
        return false;
    }
    m_tags.erase(m_tags.begin() + (index - bones));
    return true;
}

bool ModelResource::saveTags() const
{
    if (!getSkeleton() || !m_tagsResource.isValid() || !ResourceSystem::instance()) {
        return false;
    }
    std::string name = m_tagsResource.getFileName();
    if (!ResourceSystem::get().writeFile(name, TagsResource::format(m_tags))) {
        debugPrint(3, "%s: cannot write the tags file\n", name.c_str());
        return false;
    }
    return true;
}

bool ModelResource::isFootprintBlocked(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_footprintWidth || y >= m_footprintHeight) {
        return false;
    }
    return m_collision[static_cast<size_t>(y) * m_footprintWidth + x] != 0;
}

void ModelResource::getFootprintSize(int facing, int& width, int& height) const
{
    bool swapped = ((((facing % 8) + 8) % 8 / 2) & 1) != 0;
    width = swapped ? m_footprintHeight : m_footprintWidth;
    height = swapped ? m_footprintWidth : m_footprintHeight;
}

bool ModelResource::isCollisionCellBlocked(int facing, int x, int y) const
{
    int w = 0, h = 0;
    getFootprintSize(facing, w, h);
    if (x < 0 || y < 0 || x >= w || y >= h) {
        return false;
    }
    // Back from the turned grid to the stored one.
    int W = m_footprintWidth, H = m_footprintHeight;
    switch (((facing % 8 + 8) % 8) / 2) {
    case 1:
        return isFootprintBlocked(y, H - 1 - x);
    case 2:
        return isFootprintBlocked(W - 1 - x, H - 1 - y);
    case 3:
        return isFootprintBlocked(W - 1 - y, x);
    default:
        return isFootprintBlocked(x, y);
    }
}

bool ModelResource::isCollisionCellBlocked(int facing, int cell) const
{
    int w = 0, h = 0;
    getFootprintSize(facing, w, h);
    if (cell < 0 || w <= 0 || cell >= w * h) {
        return false;
    }
    return isCollisionCellBlocked(facing, cell % w, cell / w);
}

std::string ModelResource::describe() const
{
    return formatString("%s: %d bones, %d animations, %zu tags, footprint %d x %d", getFileName().c_str(),
                        getNumBones(), getNumAnimations(), m_tags.size(), m_footprintWidth,
                        m_footprintHeight);
}
