// Writes the binary model files (.mds skeleton, .mdm meshes, .mda
// animations) from a text description. Usage: modelgen <description> <outdir>
//
// Description lines ('#' starts a comment):
//   skeleton <file.mds>
//   bone <name> <parent|-> [x y z]          rest position relative to the parent
//   meshes <file.mdm>
//   box <surface> <bone> <sx> <sy> <sz>     a box centred on the bone
//   animation <file.mda> frames <n> [move dx dy dz] [swing <bone> <degrees>] [nobounds]
// An animation keeps every bone at its rest pose; "move" carries the root by
// (dx, dy, dz) per frame and "swing" turns a bone about z by degrees × sin of
// the frame's phase.
#include "engine/core/MathUtil.h"
#include "engine/files/AtomicWrite.h"
#include "engine/files/WholeFile.h"
#include "engine/resources/AnimationResource.h"
#include "engine/resources/MeshSetResource.h"
#include "engine/resources/SkeletonResource.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Far more than any animation needs; keeps a typo from asking for gigabytes.
constexpr int kMaxFrames = 100000;

struct BoneDesc {
    std::string name;
    int parent = -1;
    Vec3 rest;
};

struct BoxDesc {
    int surface = 0;
    int bone = 0;
    Vec3 size;
};

struct AnimDesc {
    std::string file;
    int frames = 1;
    Vec3 move;
    int swingBone = -1;
    float swingDegrees = 0;
    bool bounds = true;
};

struct Description {
    std::string skeletonFile;
    std::string meshesFile;
    std::vector<BoneDesc> bones;
    std::vector<BoxDesc> boxes;
    std::vector<AnimDesc> anims;
};

int findBone(const Description& d, const std::string& name)
{
    for (size_t i = 0; i < d.bones.size(); ++i) {
        if (d.bones[i].name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool fail(const std::string& file, int line, const std::string& what)
{
    std::fprintf(stderr, "%s:%d: %s\n", file.c_str(), line, what.c_str());
    return false;
}

bool readDescription(const std::string& path, Description& d)
{
    std::string whole;
    if (readWholeFile(path, whole) != WholeFileResult::Read) {
        return fail(path, 0, "cannot read");
    }
    std::istringstream in(whole);
    std::string text;
    int lineNo = 0;
    while (std::getline(in, text)) {
        ++lineNo;
        if (size_t hash = text.find('#'); hash != std::string::npos) {
            text.resize(hash);
        }
        std::istringstream line(text);
        std::string key;
        if (!(line >> key)) {
            continue;
        }
        if (key == "skeleton") {
            if (!(line >> d.skeletonFile)) {
                return fail(path, lineNo, "skeleton needs a file name");
            }
        } else if (key == "meshes") {
            if (!(line >> d.meshesFile)) {
                return fail(path, lineNo, "meshes needs a file name");
            }
        } else if (key == "bone") {
            BoneDesc b;
            std::string parent;
            if (!(line >> b.name >> parent)) {
                return fail(path, lineNo, "bone needs a name and a parent");
            }
            if (parent != "-") {
                b.parent = findBone(d, parent);
                if (b.parent < 0) {
                    return fail(path, lineNo, "parent bone " + parent + " is not defined before");
                }
            }
            std::string extra;
            if (!(line >> std::ws).eof() && (!(line >> b.rest.x >> b.rest.y >> b.rest.z) || line >> extra)) {
                return fail(path, lineNo, "bone rest position needs three numbers");
            }
            d.bones.push_back(b);
        } else if (key == "box") {
            BoxDesc b;
            std::string bone;
            if (!(line >> b.surface >> bone >> b.size.x >> b.size.y >> b.size.z)) {
                return fail(path, lineNo, "box needs surface, bone and three sizes");
            }
            b.bone = findBone(d, bone);
            if (b.bone < 0) {
                return fail(path, lineNo, "unknown bone " + bone);
            }
            d.boxes.push_back(b);
        } else if (key == "animation") {
            AnimDesc a;
            std::string word;
            if (!(line >> a.file)) {
                return fail(path, lineNo, "animation needs a file name");
            }
            while (line >> word) {
                bool ok = true;
                if (word == "frames") {
                    ok = static_cast<bool>(line >> a.frames);
                } else if (word == "move") {
                    ok = static_cast<bool>(line >> a.move.x >> a.move.y >> a.move.z);
                } else if (word == "swing") {
                    std::string bone;
                    ok = static_cast<bool>(line >> bone >> a.swingDegrees);
                    a.swingBone = findBone(d, bone);
                    if (ok && a.swingBone < 0) {
                        return fail(path, lineNo, "unknown bone " + bone);
                    }
                } else if (word == "nobounds") {
                    a.bounds = false;
                } else {
                    return fail(path, lineNo, "unknown animation word " + word);
                }
                if (!ok) {
                    return fail(path, lineNo, "animation " + word + " has a missing or bad value");
                }
            }
            if (a.frames < 1 || a.frames > kMaxFrames) {
                return fail(path, lineNo, "animation needs 1 to " + std::to_string(kMaxFrames) + " frames");
            }
            d.anims.push_back(a);
        } else {
            return fail(path, lineNo, "unknown keyword " + key);
        }
    }
    if (d.bones.empty()) {
        return fail(path, lineNo, "no bones");
    }
    return true;
}

// A new file replaces the old in one rename, so a reader never sees half of it.
bool writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::string_view contents(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return writeFileAtomically(path.string(), contents);
}

Mesh makeBox(const BoxDesc& box)
{
    Mesh mesh;
    mesh.surface = box.surface;
    for (int i = 0; i < 8; ++i) {
        Vec3 corner((i & 1) ? 0.5f : -0.5f, (i & 2) ? 0.5f : -0.5f, (i & 4) ? 0.5f : -0.5f);
        Vec3 normal = corner;
        vec3Normalize(normal);
        MeshVertex v;
        v.u = (i & 1) ? 1.0f : 0.0f;
        v.v = (i & 2) ? 1.0f : 0.0f;
        v.nx = normal.x;
        v.ny = normal.y;
        v.nz = normal.z;
        v.firstWeight = static_cast<uint32_t>(i);
        v.weightCount = 1;
        mesh.vertices.push_back(v);
        MeshWeight w;
        w.bone = box.bone;
        w.ox = corner.x * box.size.x;
        w.oy = corner.y * box.size.y;
        w.oz = corner.z * box.size.z;
        w.weight = 1.0f;
        mesh.weights.push_back(w);
    }
    static const uint32_t faces[12][3] = {{0, 2, 1}, {1, 2, 3}, {4, 5, 6}, {5, 7, 6}, {0, 1, 4}, {1, 5, 4},
                                          {2, 6, 3}, {3, 6, 7}, {0, 4, 2}, {2, 4, 6}, {1, 3, 5}, {3, 7, 5}};
    for (const auto& f : faces) {
        mesh.triangles.insert(mesh.triangles.end(), f, f + 3);
    }
    return mesh;
}

std::vector<uint8_t> makeAnimation(const Description& d, const AnimDesc& a)
{
    AnimationResource anim;
    int bones = static_cast<int>(d.bones.size());
    anim.setSize(a.frames, bones);
    // Rest-pose extent of the boxes, for the bounds.
    Vec3 lo(-0.5f, -0.5f, 0.0f), hi(0.5f, 0.5f, 0.5f);
    for (const auto& box : d.boxes) {
        Vec3 at;
        for (int b = box.bone; b >= 0; b = d.bones[b].parent) {
            at += d.bones[b].rest;
        }
        lo = Vec3(std::min(lo.x, at.x - box.size.x / 2), std::min(lo.y, at.y - box.size.y / 2),
                  std::min(lo.z, at.z - box.size.z / 2));
        hi = Vec3(std::max(hi.x, at.x + box.size.x / 2), std::max(hi.y, at.y + box.size.y / 2),
                  std::max(hi.z, at.z + box.size.z / 2));
    }
    for (int f = 0; f < a.frames; ++f) {
        float phase = a.frames > 1 ? 2.0f * kPi * f / a.frames : 0.0f;
        for (int b = 0; b < bones; ++b) {
            AnimationKey k;
            k.position = d.bones[b].rest;
            if (b == 0) {
                k.position += a.move * static_cast<float>(f);
            }
            if (b == a.swingBone) {
                float half = degToRad(a.swingDegrees * std::sin(phase)) / 2;
                k.rotation = Quaternion(0, 0, std::sin(half), std::cos(half));
            }
            anim.setKey(f, b, k);
        }
        if (a.bounds) {
            AnimationResource::Bounds bounds;
            Vec3 shift = a.move * static_cast<float>(f);
            bounds.min = lo + shift;
            bounds.max = hi + shift;
            bounds.radius = (hi - lo).length() / 2;
            anim.setBounds(f, bounds);
        }
    }
    return anim.serialize();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <description> <outdir>\n", argv[0]);
        return 2;
    }
    Description d;
    if (!readDescription(argv[1], d)) {
        return 1;
    }
    std::filesystem::path out(argv[2]);
    std::error_code ec;
    std::filesystem::create_directories(out, ec);
    bool ok = true;
    if (!d.skeletonFile.empty()) {
        SkeletonResource skeleton;
        for (const auto& b : d.bones) {
            skeleton.bones().push_back({b.name, b.parent});
        }
        ok = writeFile(out / d.skeletonFile, skeleton.serialize()) && ok;
    }
    if (!d.meshesFile.empty()) {
        MeshSetResource meshes;
        for (const auto& box : d.boxes) {
            meshes.meshes().push_back(makeBox(box));
        }
        ok = writeFile(out / d.meshesFile, meshes.serialize()) && ok;
    }
    for (const auto& a : d.anims) {
        ok = writeFile(out / a.file, makeAnimation(d, a)) && ok;
    }
    return ok ? 0 : 1;
}
