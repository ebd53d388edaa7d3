#pragma once

#include "engine/core/MathUtil.h"
#include "engine/resources/ResourceHandle.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Cursor;

// A cursor image decoded for the system: width × height R, G, B, A pixels,
// rows top first, every pixel fully opaque or fully transparent.
struct CursorImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
};

// The interface's mouse cursors: 0 none, 1 normal, 2 attack, 3 loot, 4 use,
// 5 grabbed, 6 talk, 7 busy, 8 none (while something is dragged). Each has a
// system cursor built from its Targa image and the same image drawn as the
// software cursor.
class UICursors {
public:
    static constexpr int kCount = 9;
    static constexpr int kNormal = 1;
    static constexpr int kGrabbed = 5;
    static constexpr int kBusy = 7;
    static constexpr int kDragging = 8;
    // The largest system cursor: the software cursor's fixed size.
    static constexpr int kMaxSide = 32;

    UICursors();
    ~UICursors();
    UICursors(const UICursors&) = delete;
    UICursors& operator=(const UICursors&) = delete;

    // Decodes a Targa file for a cursor: false (logged with the file) when it
    // is no usable Targa or is larger than kMaxSide either way.
    static bool decode(const uint8_t* data, size_t size, const std::string& fileName, CursorImage& out);

    // Acquires the seven images for drawing and builds the system cursors.
    void load();
    void destroy();

    bool hasCursor(int id) const;
    const Cursor* getCursor(int id) const;
    const ResourceHandle& getImage(int id) const;
    Vec2 getHotSpot(int id) const;
    // The image's file, "" for the two cursors without one.
    static const char* imageName(int id);

private:
    struct Record {
        std::unique_ptr<Cursor> cursor;
        ResourceHandle image;
    };
    Record m_records[kCount];
};
