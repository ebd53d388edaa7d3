#pragma once

#include "ui/UIDrawing.h"

#include "engine/resources/Resource.h"
#include "engine/resources/ResourceSystem.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Draws nothing and records every call. Text measures `charWidth` per
// character (codes such as "^c001" take none) and `lineHeight` per line;
// images measure what the test put in `sizes` by path. Images, fonts and sounds are real entries of a
// resource system of placeholder types, so their reference counts are real.
class RecordingUIDrawing : public UIDrawing {
public:
    struct Call {
        // A line keeps its stipple in handle and its width in alpha.
        enum Kind { Image, Text, Line, Model } kind;
        int handle;
        float x0, y0, x1, y1;
        float alpha;
        float colour[3];
        bool tiled, tiledToFit, backdrop;
        std::string text;
    };
    struct Acquire {
        std::string path;
        int flags;
    };

    explicit RecordingUIDrawing(ResourceSystem& resources) : m_resources(resources)
    {
        for (const char* extension : {"sdr", "fnt", "ogg", "wav"}) {
            if (resources.hasType(extension)) {
                continue;
            }
            ResourceTypeInfo info;
            info.extension = extension;
            info.nameFactory = [](const std::string&, int) { return std::make_unique<Resource>(); };
            resources.registerType(info);
        }
        for (int i = 0; i < 4; ++i) {
            standard[i] = resources.load("standard" + std::to_string(i) + ".sdr");
        }
    }

    ResourceHandle acquireImage(const std::string& path, int flags) override
    {
        acquired.push_back({path, flags});
        ResourceHandle handle = m_resources.load(path + ".sdr");
        pathOf[handle.getIndex()] = path;
        return handle;
    }
    ResourceHandle loadFont(const std::string& path) override { return m_resources.load(path); }
    Vec2 imageSize(const ResourceHandle& image) override
    {
        auto it = sizes.find(pathOf[image.getIndex()]);
        return it == sizes.end() ? Vec2() : it->second;
    }
    void drawImage(const ResourceHandle& image, float x0, float y0, float x1, float y1, float alpha,
                   const float colour[3], bool tiled, bool tiledToFit) override
    {
        calls.push_back({Call::Image,
                         image.getIndex(),
                         x0,
                         y0,
                         x1,
                         y1,
                         alpha,
                         {colour[0], colour[1], colour[2]},
                         tiled,
                         tiledToFit,
                         false,
                         {}});
    }
    void drawText(const ResourceHandle& font, const std::string& text, int x, int y, const float colour[3],
                  bool backdrop, float alpha) override
    {
        Vec2 size = layoutText(font, text);
        calls.push_back({Call::Text,
                         font.getIndex(),
                         static_cast<float>(x),
                         static_cast<float>(y),
                         static_cast<float>(x) + size.x,
                         static_cast<float>(y) + size.y,
                         alpha,
                         {colour[0], colour[1], colour[2]},
                         false,
                         false,
                         backdrop,
                         text});
    }
    Vec2 layoutText(const ResourceHandle&, const std::string& text) override
    {
        float lines = 1.0f;
        size_t longest = 0, current = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '\n') {
                lines += 1.0f;
                current = 0;
            } else if (c == '^' && i + 4 < text.size() &&
                       std::isalpha(static_cast<unsigned char>(text[i + 1]))) {
                i += 4; // a code ("^c001") takes no room
            } else {
                longest = std::max(longest, ++current);
            }
        }
        return {charWidth * static_cast<float>(longest), lineHeight * lines};
    }
    const ResourceHandle* standardImage(int index) override
    {
        return index >= 0 && index < 4 ? &standard[index] : nullptr;
    }

    void drawLine(float x0, float y0, float x1, float y1, float width, const float colour[3],
                  uint16_t stipple) override
    {
        calls.push_back({Call::Line,
                         stipple,
                         x0,
                         y0,
                         x1,
                         y1,
                         width,
                         {colour[0], colour[1], colour[2]},
                         false,
                         false,
                         false,
                         {}});
    }
    int textEventCount() override { return textEvents; }
    // The message log's box while `logShown`.
    bool messageLogBox(std::array<float, 4>& box) override
    {
        box = logBox;
        return logShown;
    }
    std::array<float, 4> logBox{};
    bool logShown = false;
    // Wipes are kept apart from the calls.
    void drawRadialWipe(const ResourceHandle& image, float x, float y, float width, float height, float alpha,
                        const float colour[3], float fraction) override
    {
        wipes.push_back({x, y, width, height, alpha, fraction});
        (void)image;
        (void)colour;
    }
    struct Wipe {
        float x, y, width, height, alpha, fraction;
    };
    std::vector<Wipe> wipes;
    struct ModelView {
        float x0, y0, x1, y1;
        ZonePosition3 eye;
        ZonePosition target;
        float zoom;
        bool clear;
        bool ended = false;
    };
    std::vector<ModelView> modelViews;
    void beginModelView(float x0, float y0, float x1, float y1, const ZonePosition3& eye,
                        const ZonePosition& target, float zoom, bool clear) override
    {
        modelViews.push_back({x0, y0, x1, y1, eye, target, zoom, clear});
    }
    void endModelView() override
    {
        if (!modelViews.empty()) {
            modelViews.back().ended = true;
        }
    }
    // A model thumbnail: its facing in the handle's place is kept in alpha.
    void drawModel(const ResourceHandle& model, int facing, float x0, float y0, float x1, float y1) override
    {
        calls.push_back({Call::Model,
                         model.getIndex(),
                         x0,
                         y0,
                         x1,
                         y1,
                         static_cast<float>(facing),
                         {1, 1, 1},
                         false,
                         false,
                         false,
                         {}});
    }

    // The image calls of a handle.
    std::vector<Call> imagesOf(const ResourceHandle& handle) const
    {
        std::vector<Call> out;
        for (const Call& call : calls) {
            if (call.kind == Call::Image && call.handle == handle.getIndex()) {
                out.push_back(call);
            }
        }
        return out;
    }
    std::vector<Call> texts() const
    {
        std::vector<Call> out;
        for (const Call& call : calls) {
            if (call.kind == Call::Text) {
                out.push_back(call);
            }
        }
        return out;
    }

    int textEvents = 0;
    float charWidth = 6.0f;
    float lineHeight = 10.0f;
    std::map<std::string, Vec2> sizes;
    std::vector<Call> calls;
    std::vector<Acquire> acquired;
    std::map<int, std::string> pathOf;
    ResourceHandle standard[4];

private:
    ResourceSystem& m_resources;
};
