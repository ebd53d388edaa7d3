#include "ui/UICursors.h"

#include "engine/core/DebugSystem.h"
#include "engine/files/FileSystem.h"
#include "engine/platform/Cursor.h"
#include "graphics/codecs/TgaImage.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"

#include <algorithm>
#include <cstring>

namespace {

struct CursorRow {
    const char* image;
    int hotX, hotY;
};

const CursorRow kRows[UICursors::kCount] = {
    {"", 0, 0},
    {"Textures/cursors/normalCursor.tga", 0, 0},
    {"Textures/cursors/attackCursor.tga", 0, 0},
    {"Textures/cursors/lootCursor.tga", 0, 0},
    {"Textures/cursors/useCursor.tga", 0, 0},
    {"Textures/cursors/grabbedCursor.tga", 0, 0},
    {"Textures/cursors/talkCursor.tga", 16, 16},
    {"Textures/cursors/busyCursor.tga", 16, 16},
    {"", 0, 0},
};

// Targa's descriptor bit for rows stored top first.
constexpr uint8_t kTopOrigin = 0x20;

} // namespace

UICursors::UICursors() = default;

UICursors::~UICursors()
{
    destroy();
}

const char* UICursors::imageName(int id)
{
    return id >= 0 && id < kCount ? kRows[id].image : "";
}

bool UICursors::decode(const uint8_t* data, size_t size, const std::string& fileName, CursorImage& out)
{
    TgaImage image;
    if (!data || !readTgaImage(image, data, size)) {
        debugPrint(3, "%s: not a usable Targa image for a cursor\n", fileName.c_str());
        return false;
    }
    if (image.width > kMaxSide || image.height > kMaxSide) {
        debugPrint(3, "%s: a cursor is at most %d × %d pixels, this is %d × %d\n", fileName.c_str(), kMaxSide,
                   kMaxSide, image.width, image.height);
        return false;
    }
    swapRedBlue(image);
    const int bpp = image.bytesPerPixel;
    const bool topFirst = (image.header.descriptor & kTopOrigin) != 0;
    out.width = image.width;
    out.height = image.height;
    out.rgba.assign(static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4, 0);
    for (int y = 0; y < image.height; ++y) {
        int row = topFirst ? y : image.height - 1 - y;
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* src = image.pixels.data() + (static_cast<size_t>(row) * image.width + x) * bpp;
            uint8_t* dst = out.rgba.data() + (static_cast<size_t>(y) * image.width + x) * 4;
            // Any alpha above 0 is opaque: a system cursor is masked, not blended.
            bool opaque = bpp < 4 || src[3] > 0;
            if (opaque) {
                dst[0] = src[0];
                dst[1] = src[1];
                dst[2] = src[2];
                dst[3] = 255;
            }
        }
    }
    return true;
}

void UICursors::load()
{
    destroy();
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    FileSystem* files = FileSystem::instance();
    for (int id : {1, 2, 3, 4, 6, 5, 7}) {
        const CursorRow& row = kRows[id];
        if (drawing) {
            m_records[id].image = drawing->acquireImage(row.image, 8);
        }
        std::optional<std::vector<uint8_t>> bytes = files ? files->readWholeFile(row.image) : std::nullopt;
        if (!bytes) {
            continue;
        }
        CursorImage decoded;
        if (decode(bytes->data(), bytes->size(), row.image, decoded)) {
            m_records[id].cursor =
                Cursor::fromPixels(decoded.rgba.data(), decoded.width, decoded.height, row.hotX, row.hotY);
        }
    }
}

void UICursors::destroy()
{
    for (Record& record : m_records) {
        record.cursor.reset();
        record.image.release();
    }
}

bool UICursors::hasCursor(int id) const
{
    return getCursor(id) != nullptr;
}

const Cursor* UICursors::getCursor(int id) const
{
    return id >= 0 && id < kCount ? m_records[id].cursor.get() : nullptr;
}

const ResourceHandle& UICursors::getImage(int id) const
{
    static const ResourceHandle none;
    return id >= 0 && id < kCount ? m_records[id].image : none;
}

Vec2 UICursors::getHotSpot(int id) const
{
    if (id < 0 || id >= kCount) {
        return Vec2();
    }
    return {static_cast<float>(kRows[id].hotX), static_cast<float>(kRows[id].hotY)};
}
