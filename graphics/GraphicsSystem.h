#pragma once

#include "engine/console/UserVarRef.h"
#include "engine/core/MathUtil.h"
#include "engine/core/Singleton.h"
#include "engine/core/ZonePosition3.h"
#include "engine/data/EnumNameTable.h"
#include "engine/platform/DisplayModes.h"
#include "engine/resources/ResourceHandle.h"
#include "graphics/FrameHooks.h"

#include <array>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ByteBuffer;
class FontResource;
class TextEventList;
class DebugConsole;
class GLContext;
class GraphicsLightSource;
class GlStateCache;
class GlStageBackend;
class DeferredStageBackend;
class ModelResource;
class RenderQueue;
class RenderSurface;
class Shader;
class StageDrawer;
struct RenderView;
struct SDL_Window;

// The single graphics object: the window and its OpenGL context, the lock
// through which the main thread and the resource loader share the context,
// the texture names, the renderer's commands and variables, the video
// options and the drawing services of the other graphics parts.
class GraphicsSystem : public Singleton<GraphicsSystem> {
public:
    static constexpr uint32_t kNoTexture = 0xFFFFFFFFu;
    static constexpr uint32_t kFirstTextureId = 1024;
    // Pixel formats of uploadTexture (the OpenGL constants).
    static constexpr unsigned kFormatRgb = 0x1907;  // GL_RGB
    static constexpr unsigned kFormatRgba = 0x1908; // GL_RGBA
    static constexpr unsigned kFormatDxt1 = 0x83F1; // GL_COMPRESSED_RGBA_S3TC_DXT1_EXT
    static constexpr unsigned kFormatDxt3 = 0x83F2;
    static constexpr unsigned kFormatDxt5 = 0x83F3;
    // Blend factors and wrap modes of drawTexturedQuad (OpenGL constants).
    static constexpr int kBlendSrcAlpha = 0x0302;
    static constexpr int kBlendOneMinusSrcAlpha = 0x0303;
    static constexpr int kWrapRepeat = 0x2901;
    static constexpr int kWrapClampToEdge = 0x812F;

    struct MultisampleFormat {
        int pixelFormat = 0;
        int samples = 0;
    };

    GraphicsSystem();
    ~GraphicsSystem();

    // --- start-up and shut-down -------------------------------------------
    // The renderer's user variables, option lists and commands; with
    // `windowed` also the texture resource types.
    void registerCommands(bool windowed);
    // Window, context and initial state; false with the reason when no window
    // with a context can be had (the caller ends the process).
    bool setupDisplay(std::string& error);
    // displayReady off, context deleted, window destroyed, desktop mode back.
    void shutdownDisplay();
    bool isDisplayReady() const { return m_displayReady; }

    // --- the frame ----------------------------------------------------------
    // Lock, frame number, counters; a cleared frame until the scene exists.
    void beginFrame();
    // Reads a requested screenshot from the frame just drawn, swaps, unlocks.
    void endFrame();
    uint32_t getFrameNumber() const { return m_frameNumber; }
    // The client's last frame time in seconds (stored by its think step).
    void setFrameSeconds(double seconds) { m_frameSeconds = seconds; }
    double getFrameSeconds() const { return m_frameSeconds; }
    GlStateCache& getGlState() { return *m_glState; }

    // --- the context lock ---------------------------------------------------
    void acquireContext();
    void releaseContext();
    // Gives up every level the calling thread holds (0 when it holds none)
    // and takes the same number back: a thread about to wait for the loader.
    int releaseAllContext();
    void reacquireContext(int levels);
    bool ownsContext() const;
    int getContextNesting() const;
    // The context shared under the lock (null before display set-up).
    void setContext(GLContext* context);
    GLContext* getContext() const { return m_context; }
    bool hasContext() const { return m_context != nullptr; }
    void applySwapInterval();
    bool isSwapIntervalAccepted() const { return m_swapIntervalAccepted; }

    // --- textures -------------------------------------------------------------
    uint32_t allocateTextureId();
    void deleteTexture(uint32_t id);
    // Uploads `levels` levels lying one after the other (level i of
    // max(1, w >> i) × max(1, h >> i)); the texture's name, or kNoTexture when
    // there is no context, the image exceeds the driver's limit, a compressed
    // format cannot be uploaded or OpenGL reports an error (`error` says why).
    uint32_t uploadTexture(const uint8_t* data, int width, int height, unsigned format, int levels);
    uint32_t uploadTexture(const uint8_t* data, int width, int height, unsigned format, int levels,
                           std::string& error);
    // Binds the texture of the resource (none when it has none) and stamps
    // its last-used frame while usage accounting is on.
    void bindTexture(const ResourceHandle& texture);

    // Settings the loader thread reads, kept in atomics.
    void setFilteringQuality(int quality) { m_filteringQuality = quality; }
    int getFilteringQuality() const { return m_filteringQuality; }
    void setTextureAnisotropy(float level) { m_textureAnisotropy = level; }
    // Whether stage textures load ".ctx" caches (else ".rtx"); chosen at
    // display set-up.
    void setUseCompressedTextures(bool on) { m_useCompressed = on; }
    bool useCompressedTextures() const { return m_useCompressed; }
    bool isTextureCompressionSupported() const { return m_compressionSupported; }
    // A renderer that draws on the processor (GL_RENDERER names it) decodes
    // a compressed texture's blocks at every sample, the dearest part of its
    // fill: compressed images are decoded once at upload for it instead,
    // the way it would have sampled them, so the picture stays the same.
    static bool isSoftwareRenderer(const char* rendererName);
    bool decodesCompressedUploads() const { return m_decodeCompressedUploads; }

    // --- Shader-stage drawing ----------------------------------------------------
    // Sorts the queued surfaces and draws them batch by batch, stage by stage.
    void drawQueuedSurfaces(std::vector<RenderSurface*>& queue);
    // Makes the shader current and empties the batch (for code that fills the
    // batch itself).
    void prepareShader(Shader* shader);
    // Draws the batch with the current shader; ends the surface when given.
    void drawShaderStages(RenderSurface* surface, bool unlit);
    StageDrawer& getStageDrawer() { return *m_stageDrawer; }
    // The radial wipe of a rectangle of the virtual screen (cool-downs): up to
    // five triangles swept clockwise from the middle of the left edge.
    void drawRadialWipe(const ResourceHandle& shader, float red, float green, float blue, float x, float y,
                        float width, float height, float alpha, float fraction);
    // Lines and boxes drawn with a shader's texture (standard handle 0, white,
    // when the handle is -1). 2D points are in the 640 × 480 virtual screen,
    // y down; a stipple other than 0xFFFF dashes the line.
    void drawLine2D(const ResourceHandle& shader, float x0, float y0, float x1, float y1,
                    const float colour[3], float width, uint16_t stipple = 0xFFFF);
    void drawRectOutline(const ResourceHandle& shader, float left, float top, float right, float bottom,
                         const float colour[3], float width);
    void drawLine3D(const ResourceHandle& shader, const float from[3], const float to[3],
                    const float colour[3], float width);
    // The standard handles: 0 white, 1 "UIBlack", 2 the default font (none
    // until fonts are loaded), 3 circle, 4 shadow, 5 x, 6 plus, 7 minus, 8
    // the missing tile, 9 the empty tile, 10 the white gradient; null
    // outside 0..10.
    const ResourceHandle* getStandardTexture(int index) const;
    // The twenty shaders acquired at display set-up, in acquisition order.
    const std::vector<ResourceHandle>& getStandardHandles() const { return m_standardHandles; }
    // Acquires them once (display set-up does; drawing without a display may).
    void acquireStandardTextures();
    // Once per frame: the texture memory report while `r_textureUsage` is on,
    // the triangle counts while `r_trisRendered` is on.
    void printTextureUsage();

    // --- the frame's passes ---------------------------------------------------------
    // Draws and presents one frame: world, entities, effects, overlays, text,
    // menus, console, cursor.
    void renderFrame(double frameSeconds);
    // Start of every frame: counters, changed settings, text events.
    void applyChangedSettings();
    // What a frame looks at before it holds its drawing back to see whether
    // it would show what the screen shows already.
    struct QuietFrameConditions {
        bool window = false;     // a context and a drawable of some size
        bool screenshot = false; // asked for this frame
        bool gameRunning = false;
        bool worldMap = false;
        bool fullScreenMenu = false;
        bool editorActive = false;
        bool reports = false; // the texture and triangle reports count what is drawn
    };
    // Only a window showing nothing but full-screen menus, console and text
    // is held back; the game, the maps and the editors always draw.
    static bool mayHoldFrame(const QuietFrameConditions& c);
    // Frames put on the screen; a held frame that matched is not counted.
    uint64_t getShownFrames() const { return m_shownFrames; }
    // The world pass: the tiles around the camera and their placed models.
    void renderScene(double frameSeconds);
    // The lights of light-giving objects off the drawn cells whose light
    // reaches them (renderScene adds the drawn cells' own).
    void addLightsReachingRange(int zone, float tileSize, const int range[4]);
    void drawCollisionGrid(bool forMovement);
    // One frame of a sprite animation as an upright quad at a place
    // (GraphicsSprites.cpp).
    void drawSprite(const ZonePosition3& position, int model, int animation, int frame, int direction);
    // A model inside a rectangle of the virtual screen (the interface's model
    // widgets): the normal camera fitted to the model's first frame, the
    // queue drawn at once and nothing outside the rectangle.
    void drawModelPreview(const struct ModelDrawRequest& request, float x0, float y0, float x1, float y1);
    // The zoom of the normal camera at which a model's first-frame bounds,
    // turned and scaled as drawn, fill a view `unitsWide` × `unitsHigh` camera
    // units across at zoom 1 (with a small margin), and the ground offset from
    // the model's place at which the camera then looks; false without bounds.
    bool fitModelView(const class ModelResource& model, int animation, const Matrix3& orientation,
                      float scale, float unitsWide, float unitsHigh, float& zoom, Vec2& lookAt) const;
    // An orthographic projection of the given width-to-height shape (a view
    // port that is not the window's).
    void setProjectionShape(float zoom, float aspect);
    // New RGBA pixels for a whole texture (the mini-map each frame).
    void updateTexture(uint32_t texture, const uint8_t* pixels, int width, int height);
    // The bloom post-process while `r_bloom` is set (GraphicsBloom.cpp).
    void drawBloom();
    // After a restart: the bloom textures are made anew.
    void forgetBloomTextures();
    void drawFps();
    // The rate shown for a frame of `frameMs` at `nowSeconds` (false: none).
    bool computeFps(double nowSeconds, double frameMs, float& shown);
    // The figure's text to draw: a held frame keeps the text last drawn for a
    // quarter second, so a quiet menu with `fps 1` is not redrawn at every
    // small change of the rate; any other frame takes `fresh` at once.
    std::string fpsTextToDraw(double nowSeconds, std::string fresh, bool held);
    // The open debug console over the upper half of the virtual screen.
    void drawConsole(const DebugConsole& console);
    // Whether a placed model stands between the camera and the local player.
    bool isObjectHidingPlayer(const ZonePosition3& object, const ModelResource& model, int facing,
                              float scale, const float screenRect[4]);
    // The screen rectangle of a model's frame bounds (false without the
    // client's projection).
    bool getModelScreenRect(const ModelResource& model, int animation, const ZonePosition3& position,
                            int frame, float scale, float out[4]);

    // --- the camera ---------------------------------------------------------------
    // Clamps `zoomMax` to 1..3 and the zoom to 0.6..zoomMax, written back;
    // the frame applies it.
    void setZoom(float requested);
    float getZoom() const { return m_zoom; }
    // The eye's distance over its height (the client's screen conversions).
    float getDistanceRatio() const { return m_distanceRatio; }
    void setProjection(float zoom);
    void setCamera(const ZonePosition& target, const ZonePosition3& eye, float zoom);
    void setupPlayerCamera(float zoom, bool clear);
    void buildViewPlanes(float zoom);
    void setOrthoOverlay();
    void resetRenderState();
    const ZonePosition& getCameraTarget() const { return m_cameraTarget; }
    // The drawable's size in pixels (the window size without a context).
    void getDrawableSize(int& width, int& height) const;

    // --- the render queue and the view it is drawn for ----------------------------
    RenderQueue& getRenderQueue() { return *m_renderQueue; }
    // The camera as the queued surfaces see it ("no camera" until one is set).
    RenderView& getView() { return *m_view; }
    const RenderView& getView() const { return *m_view; }
    // A position relative to the camera's zone.
    Vec3 toCameraSpace(const ZonePosition3& position) const;
    // The camera's rotation, nine floats (rows).
    void getCameraMatrix(float out[9]) const;
    // True when the sphere lies wholly outside some view plane (touching is
    // inside); false without planes.
    bool isSphereCulled(const Vec3& centre, float radius) const;
    // Only while `r_CullTiles` is set: the sphere about the tile's centre
    // with the tile cull radius.
    bool isTileCulled(const Vec3& cornerA, const Vec3& cornerB) const;
    // Only while `r_CullModels` is set: the sphere of the frame's bounds
    // (radius 30 when the animation has none) at a camera-space position.
    bool isModelCulled(const ModelResource* model, const Vec3& position, int animation, int frame,
                       float scale) const;
    // 0 none, 1 blob, 2 projected (`r_shadows`).
    int getShadowMode() const;
    // Shader entries of the standard outline colours (1 red, 2 green, 3 blue,
    // 6 orange, 8 cyan, any other white) and glows (5 set, 6 unique, 7
    // artifact, any other the white outline); -1 before display set-up.
    int getOutlineTexture(int kind) const;
    int getGlowTexture(int quality) const;
    // A square ground tile of side `size` centred 1.0 above the position.
    void queueGroundQuad(const ZonePosition3& position, int shader, float size, const float colour[3],
                         float alpha);
    // The place and orientation of the model being drawn (camera space).
    void setObjectTransform(const Vec3& position, const Matrix3& orientation);
    bool hasObjectTransform() const { return m_objectTransformSet; }
    const Vec3& getObjectPosition() const { return m_objectPosition; }
    const Matrix3& getObjectOrientation() const { return m_objectOrientation; }
    // The model-view matrix for the batches that follow; back to the view's.
    void loadModelView(const float matrix[16]);
    void loadCameraMatrix();

    // --- 2D primitives and matrices --------------------------------------------
    void drawTexturedQuad(uint32_t texture, float x0, float y0, float x1, float y1, const float colour[3],
                          float alpha, int sourceBlend, int destinationBlend, float u0 = 0.0f,
                          float v0 = 0.0f, float u1 = 1.0f, float v1 = 1.0f, int wrapS = kWrapRepeat,
                          int wrapT = kWrapRepeat);
    // A textured square lying on the ground under the camera set up last:
    // corner, side, texture rectangle {u0, v0, u1, v1}, wrap, colour and
    // alpha, blended source alpha / one minus source alpha (the maps).
    void drawGroundQuad(uint32_t texture, const ZonePosition& corner, float side, const float uv[4],
                        bool repeat, const float colour[3], float alpha);
    // While on, drawing passes only where the stencil holds 2 (the mini-map's mask).
    void setStencilTest(bool on);
    // The viewport in pixels, each value rounded half up; with `store` it
    // becomes the graphics system's viewport (screenshots read it).
    void setViewport(float x, float y, float width, float height, bool store);
    // A viewport as large as the stored one centred on a point of the
    // 640 × 480 virtual screen.
    void setViewportCentredOn(float x, float y);
    void getViewport(float out[4]) const;
    // Clears colour and depth inside the applied viewport only.
    void clearViewport();
    // While on, drawing reaches only the rectangle (x0, y0) – (x1, y1) of the
    // 640 × 480 virtual screen.
    void setInterfaceClip(bool on, float x0 = 0.0f, float y0 = 0.0f, float x1 = 0.0f, float y1 = 0.0f);
    void getAppliedViewport(int out[4]) const;
    // Rotation (3 × 3, rows) and translation into a column-major 4 × 4 matrix
    // multiplied with the axis matrix.
    void makeTransformMatrix(const float rotation[9], const float translation[3], float out[16]) const;
    void buildShadowMatrix(const float model[16], const float light[3], float out[16]) const;
    static const float* getAxisMatrix();

    // --- screenshots ------------------------------------------------------------
    // Asks for a screenshot of the next frame drawn (the main loop's step).
    void takeScreenshot() { m_screenshotRequested = true; }
    bool isScreenshotRequested() const { return m_screenshotRequested; }
    // Reads the viewport of the current frame and writes the file; false
    // (with a line) when none is written.
    bool captureScreenshot();
    // The size Part of the rule: rounded, clamped in full screen, two pixels
    // less a side in a window; false when nothing is left.
    static bool screenshotSize(const float viewport[4], bool fullScreen, int windowWidth, int windowHeight,
                               int out[4]);
    static const char* screenshotExtension(int type);

    // --- video options ------------------------------------------------------------
    void vidRestart();
    // Called after every restart, in registration order (input, shaders …).
    int addRestartListener(std::function<void()> listener);
    void removeRestartListener(int id);
    void toggleFullscreen();
    void onActivate(bool active, bool minimised);
    // The display's modes (read once) and the multisample formats (probed once).
    const std::vector<DisplayMode>& getDisplayModes();
    void setDisplayModesForTest(std::vector<DisplayMode> modes);
    const std::vector<MultisampleFormat>& getMultisampleFormats() const { return m_multisampleFormats; }
    void setMultisampleFormatsForTest(std::vector<MultisampleFormat> formats);
    bool isMultisampleActive() const { return m_multisampleActive; }
    // The sample count the next window asks for: r_antiAliasingSamples when
    // a probed format has it, else 0 (no multisampling).
    int chooseMultisampleSamples() const;
    // Anisotropic filtering: level = 1 + r_anisotropicValue × (max − 1).
    void initAnisotropy(bool supported, float maximum);
    void computeAnisotropy();
    void applyAnisotropy();
    float getAnisotropyLevel() const { return m_anisotropyLevel; }
    // The mode setter used for full screen (replaced by tests).
    using ModeSetter = std::function<bool(int width, int height, int frequency)>;
    void setModeSetterForTest(ModeSetter setter) { m_modeSetter = std::move(setter); }
    bool setDisplayMode(int& width, int& height, int& frequency, bool retry);
    // Display set-up step 2: the window size from r_mode or r_width/r_height.
    void resolveWindowSize(int& width, int& height);
    bool isFullScreen() const { return m_fullScreen; }
    int getScreenWidth() const;
    int getScreenHeight() const;
    int getWindowWidth() const { return m_windowWidth; }
    int getWindowHeight() const { return m_windowHeight; }
    int getRefreshRate() const;
    SDL_Window* getWindow() const { return m_window; }

    // --- frame hooks and game values --------------------------------------------
    FrameHooks& getFrameHooks() { return m_frameHooks; }
    void setFrameHooks(FrameHooks hooks) { m_frameHooks = std::move(hooks); }
    // Tile and grid size, draw distance and the font-name list, once the
    // database is loaded; loads the four standard fonts.
    void setGameValues(const FrameGameValues& values);
    const FrameGameValues& getGameValues() const { return m_gameValues; }

    // --- fonts and text ------------------------------------------------------------
    // The four standard fonts: font-list entries 1, 0, 2 and 3 (the log font
    // first, the default font second).
    const ResourceHandle& getFontHandle(int index) const;
    // Text at (x, y) of the 640 × 480 virtual screen, its top-left corner.
    void drawText(const ResourceHandle& font, const std::string& text, int x, int y, const float colour[3],
                  bool shadow, float opacity);
    // The size the text takes in the font; (0, 0) for none.
    Vec2 layoutText(const std::string& text, const ResourceHandle& font);
    void setTextLineSpacing(float spacing) { m_textLineSpacing = spacing; }
    float getTextLineSpacing() const { return m_textLineSpacing; }
    // The font whose texture draws a font (the next standard font while
    // `r_higherResFonts` is set, else the font itself).
    const ResourceHandle& nextLargerFont(const ResourceHandle& font) const;
    static float glyphAdvance(const FontResource& font, unsigned char character);
    static float scaledGlyphWidth(const FontResource& a, const FontResource& b, unsigned char character);
    // The font of font-list entry N (out of range: the first), loaded on
    // first use and kept.
    const ResourceHandle& getListFont(int entry);

    // --- on-screen text events -------------------------------------------------
    // Orientation 1: (x, y) is the text's centre; stacked: always a new event.
    void addTextEvent(const std::string& text, float x, float y, float duration, int kind, int orientation,
                      int stacked);
    void updateTextEvents();
    // The first pass draws the message log, the second everything else.
    void drawTextEvents(bool logPass);
    // Where the log pass draws the message log's background now, on the
    // virtual screen (x0, y0, x1, y1); false when it draws none.
    bool getMessageLogBox(float box[4]);
    void saveTextEvents(ByteBuffer& buffer) const;
    // False (with a line) for a damaged log: the caller refuses the file.
    bool loadTextEvents(ByteBuffer& buffer, int version);
    void clearTextEvents();
    int getTextEventCount() const;
    TextEventList& getTextEvents() { return *m_textEvents; }
    // The clock of the text events, in seconds (the engine clock's game time
    // by default).
    void setTextEventClock(std::function<double()> clock) { m_textClock = std::move(clock); }

    // --- small draw entry points ------------------------------------------------
    // A shader image over a rectangle of the virtual screen; tiled repeats the
    // image at its size, tiledToFit in whole repeats.
    void drawImage(const float colour[3], const ResourceHandle& shader, float x0, float y0, float x1,
                   float y1, float opacity, bool tiled, bool tiledToFit);
    // The twelve edges of the cube centre ± half size.
    void drawWireCube(const ZonePosition3& position, float halfSize, const float colour[3]);
    // A debug wire cube drawn at the end of the next drawQueuedSurfaces, over
    // the surfaces and without the depth test, so that what it marks inside
    // a model still shows (the attach points of "showTags").
    void queueWireCube(const ZonePosition3& position, float halfSize, const float colour[3]);

    // The renderer's user variables, by table name.
    UserVarRef getVar(const char* name) const;
    static const EnumNameTable& getTextOrientationTable();

    const float* getCameraOffset() const { return m_cameraOffset; }
    const float* getOverheadCameraOffset() const { return m_overheadCameraOffset; }
    int getShadowType() const { return m_shadowType; }
    float getTileCullRadius() const { return m_tileCullRadius; }
    // What the renderer needs of the game, passed in by the program.
    struct GameLinks {
        // The world's tile size, asked at each display set-up (32 when empty).
        std::function<float()> tileSize;
        // The built levels take the ground detail of r_groundDetail again.
        std::function<void()> applyGroundDetail;
        // What the frame reads of the game definitions, once they are loaded.
        std::function<FrameGameValues()> gameValues;
    };
    void setGameLinks(GameLinks links) { m_gameLinks = std::move(links); }
    // A changed r_groundDetail reaches the built levels (at the next frame).
    void applyGroundDetail();
    int getTrianglesDrawn() const { return m_trianglesDrawn; }
    int getTrianglePasses() const { return m_trianglePasses; }

private:
    bool setupDisplayOnce(std::string& error);
    bool createWindowAndContext(int width, int height, std::string& error);
    void destroyWindowAndContext();
    void loadExtensions();
    void probeMultisample();
    void setInitialState();
    void registerVariables();
    void registerListProviders();
    void registerTextEventCommands();
    void installLightSource();
    double textEventTime() const;
    // The log's background around those lines over that many line heights.
    bool logBackdrop(const std::vector<const std::string*>& texts, int lines, bool fullUseSlots,
                     float box[4]);
    // The log and the other texts are drawn (the interface shown, a game
    // running, no editor).
    bool textEventsDrawn();
    void buildTextureCaches();
    void uploadTexturesLoadedWithoutContext();
    void updateStageSettings();
    void bindLineShader(const ResourceHandle& shader);
    // Drawing that bypasses the stage back end: a held frame is sent on first,
    // so that the order of the calls stays.
    void drawDirectly();
    bool readScreenshotPixels(int x, int y, int width, int height, std::vector<uint8_t>& pixels);

    std::unique_ptr<GlStateCache> m_glState;
    std::unique_ptr<GlStageBackend> m_stageBackend;
    std::unique_ptr<DeferredStageBackend> m_deferredBackend;
    // Counts every texture upload, update and deletion: a held frame that
    // binds the same names may still look different.
    std::atomic<uint64_t> m_textureChanges{0};
    uint64_t m_shownFrames = 0;
    std::atomic<bool> m_frameHeld{false};
    std::thread::id m_heldThread;
    std::unique_ptr<StageDrawer> m_stageDrawer;
    std::unique_ptr<RenderView> m_view;
    std::unique_ptr<RenderQueue> m_renderQueue;
    bool m_objectTransformSet = false;
    Vec3 m_objectPosition;
    Matrix3 m_objectOrientation;
    std::vector<ResourceHandle> m_standardHandles;
    struct QueuedWireCube {
        ZonePosition3 position;
        float halfSize = 0.0f;
        float colour[3] = {1.0f, 1.0f, 1.0f};
    };
    std::vector<QueuedWireCube> m_queuedWireCubes;

    std::recursive_mutex m_contextMutex;
    std::atomic<std::thread::id> m_contextOwner{};
    int m_contextNesting = 0;
    GLContext* m_context = nullptr;
    std::unique_ptr<GLContext> m_ownContext;
    SDL_Window* m_window = nullptr;
    bool m_swapIntervalAccepted = false;

    std::mutex m_idMutex;
    uint32_t m_nextTextureId = kFirstTextureId;
    std::deque<uint32_t> m_freeTextureIds;

    std::atomic<int> m_filteringQuality{1};
    std::atomic<float> m_textureAnisotropy{0.0f};
    std::atomic<bool> m_useCompressed{false};
    std::atomic<bool> m_compressionSupported{false};
    std::atomic<bool> m_decodeCompressedUploads{false};
    std::atomic<uint32_t> m_frameNumber{0};
    double m_frameSeconds = 0.0;
    int m_trianglesDrawn = 0;
    int m_trianglePasses = 0;

    // Window and display.
    bool m_displayReady = false;
    bool m_fullScreen = false;
    bool m_minimisedByDeactivation = false;
    int m_windowWidth = 800;
    int m_windowHeight = 600;
    int m_displayFrequency = 0;
    bool m_modesRead = false;
    std::vector<DisplayMode> m_displayModes;
    ModeSetter m_modeSetter;
    bool m_multisampleProbed = false;
    bool m_multisampleSupported = false;
    bool m_multisampleActive = false;
    std::vector<MultisampleFormat> m_multisampleFormats;
    bool m_anisotropySupported = false;
    float m_anisotropyMax = 0.0f;
    float m_anisotropyLevel = 0.0f;
    std::vector<std::pair<int, std::function<void()>>> m_restartListeners;
    int m_nextListenerId = 1;
    int m_platformHooksId = 0;

    // The last set-up that worked: a failed restart returns to it.
    struct WorkingDisplay {
        bool valid = false;
        std::string width, height, frequency, fullscreen;
    } m_lastWorking;

    float m_viewport[4] = {0.0f, 0.0f, 800.0f, 600.0f};
    int m_appliedViewport[4] = {0, 0, 800, 600};
    std::atomic<bool> m_screenshotRequested{false};

    int m_shadowType = 0;
    uint32_t m_bloomCopy = kNoTexture;
    uint32_t m_bloomTexture = kNoTexture;
    int m_bloomCopyWidth = 0;
    int m_bloomCopyHeight = 0;
    int m_bloomSide = 0;
    float m_tileCullRadius = 0.0f;
    GameLinks m_gameLinks;
    float m_cameraOffset[3] = {};
    float m_overheadCameraOffset[3] = {};
    bool m_registered = false;
    bool m_installedTextureLookup = false;
    std::vector<UserVarRef> m_vars; // in the table's order

    FrameHooks m_frameHooks;
    FrameGameValues m_gameValues;
    std::array<ResourceHandle, 4> m_fontHandles;
    std::vector<ResourceHandle> m_listFonts;
    float m_textLineSpacing = 0.0f;
    float m_zoom = 1.0f;
    float m_distanceRatio = 1.4142135f;
    ZonePosition m_cameraTarget{-1, 0.0f, 0.0f};
    ZonePosition3 m_cameraEye;
    float m_fpsRate = 0.0f;
    double m_fpsSampleTime = 0.0;
    int m_fpsFrames = 0;
    std::string m_fpsText;
    double m_fpsTextTime = -1.0;
    std::unique_ptr<TextEventList> m_textEvents;
    std::unique_ptr<GraphicsLightSource> m_lightSource;
    std::function<double()> m_textClock;
    UserVarRef m_fullUseSlots, m_drawUI, m_maxTextEventsShown;
};

// The world pass's tile range {x0, x1, y0, y1} around the target; false when
// there is nothing sensible to draw (no tile size, a range no level holds).
bool sceneTileRange(const ZonePosition& target, float tileSize, const Vec2& drawDistance, float zoom,
                    float widen, int out[4]);

// 4 × 4 column-major helpers.
void copyMatrix(float out[16], const float in[16]);
// Projects geometry onto the plane (a, b, c, d) along the light direction.
void planarShadowMatrix(const float plane[4], const float light[3], float out[16]);
// The two triangles of a quad between glBegin(GL_TRIANGLES) and glEnd():
// (x1, y0), (x0, y0), (x0, y1), (x1, y0), (x0, y1), (x1, y1). Colour as RGB
// when alpha ≥ 1, else RGBA.
void emitQuadTriangles(const float a[2], const float b[2], const float colours[4][3], float alpha,
                       const float uvA[2], const float uvB[2]);

// The display-mode rules of the video options, over a mode list.
// Usable: at least 24 bits, at least 800 × 600; each size once.
std::vector<int> usableDisplayModes(const std::vector<DisplayMode>& modes);
// The closest mode of at least 24 bits (Euclidean distance of the sizes, the
// first of equals); with a frequency above 0 the nearest frequency among the
// modes of that size. Writes the result back; false when none.
bool findClosestDisplayMode(const std::vector<DisplayMode>& modes, int& width, int& height, int& frequency);
