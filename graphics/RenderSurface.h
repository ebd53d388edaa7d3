#pragma once

#include <cstdint>

class Shader;
class StageBatch;

// One queued thing of the frame's world (tile, blended tile, particle,
// beam, swipe, model mesh): its shader, its sort key and how it appends its
// geometry to the shared batch. Surfaces live in pools and are reused.
class RenderSurface {
public:
    virtual ~RenderSurface() = default;

    // Slots in order: begin (before the first surface of a batch), isCulled,
    // draw (append vertices, indices, texture coordinates, colours; normals
    // when asked), end (after the batch it began was drawn).
    virtual void begin() {}
    virtual bool isCulled() const { return false; }
    virtual void draw(StageBatch& batch, bool withNormals) = 0;
    virtual void end() {}

    Shader* shader = nullptr;
    uint32_t sortKey = 0;
    int sortCategory = 0;
    // The add operation's flag; set: drawn unlit (white lighting).
    uint8_t flag = 0;
    // The surface alpha: below 1 the stages blend over what is drawn.
    float fade = 1.0f;
    // 1: depth only (colour writes off); 2: no depth writes.
    int pass = 0;
    // Set: the surface is never appended to the batch before it, even with
    // the same key and shader (its begin sets state of its own).
    bool beginsOwnBatch = false;
};
