// The graphics system on a real window: Xvfb with Mesa's software renderer.
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/files/FileSystem.h"
#include "engine/platform/Cursor.h"
#include "engine/platform/GLContext.h"
#include "engine/platform/Platform.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/GlStateCache.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/TextureResource.h"
#include "graphics/codecs/MipChain.h"
#include "graphics/codecs/S3tc.h"
#include "graphics/codecs/TgaImage.h"
#include "support/FakeKeys.h"
#include "support/TestSupport.h"
#include "support/XvfbDisplay.h"

#include <gtest/gtest.h>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>
#include <chrono>
#include <filesystem>
#include <future>
#include <random>
#include <thread>

namespace {

// Everything a window needs, over fresh game-data and user directories.
class GraphicsXvfbTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!display.start()) {
            GTEST_SKIP() << "no X server can be started";
        }
        std::filesystem::create_directories(dir.path() / "data");
        std::filesystem::create_directories(dir.path() / "user");
        files = std::make_unique<FileSystem>(dir.file("data"), dir.file("user"), false);
        commands = std::make_unique<CommandSystem>();
        vars = std::make_unique<UserVarSystem>();
        resources = std::make_unique<ResourceSystem>();
        resources->readThroughFileSystem();
        platform = std::make_unique<Platform>(&running);
        graphics = std::make_unique<GraphicsSystem>();
        graphics->registerCommands(true);
        graphics->setModeSetterForTest([this](int, int, int) {
            ++modeChanges;
            return true;
        });
        std::string error;
        ASSERT_TRUE(graphics->setupDisplay(error)) << error;
    }
    void TearDown() override
    {
        if (resources) {
            resources->stopLoader();
        }
        if (graphics) {
            graphics->shutdownDisplay();
        }
        resources.reset();
        graphics.reset();
        platform.reset();
    }
    void writeTga(const std::string& name, int width, int height, uint8_t r, uint8_t g, uint8_t b)
    {
        std::vector<uint8_t> pixels;
        for (int i = 0; i < width * height; ++i) {
            pixels.insert(pixels.end(), {r, g, b});
        }
        auto file = encodeTga(width, height, 3, pixels.data());
        dir.write("data/" + name, std::string(file.begin(), file.end()));
    }

    XvfbDisplay display;
    TempDir dir;
    LogCapture log;
    std::atomic<bool> running{true};
    std::unique_ptr<FileSystem> files;
    std::unique_ptr<CommandSystem> commands;
    std::unique_ptr<UserVarSystem> vars;
    std::unique_ptr<ResourceSystem> resources;
    std::unique_ptr<Platform> platform;
    std::unique_ptr<GraphicsSystem> graphics;
    int modeChanges = 0;
};

struct Held {
    explicit Held(GraphicsSystem& g) : graphics(g) { graphics.acquireContext(); }
    ~Held() { graphics.releaseContext(); }
    GraphicsSystem& graphics;
};

} // namespace

TEST_F(GraphicsXvfbTest, WindowContextAndNestedLock)
{
    EXPECT_TRUE(graphics->isDisplayReady());
    EXPECT_EQ(modeChanges, 0) << "a window never changes the display mode";
    int w = 0, h = 0;
    graphics->getContext()->getDrawableSize(w, h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);

    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    graphics->acquireContext();
    SDL_GLContext current = SDL_GL_GetCurrentContext();
    ASSERT_NE(current, nullptr);
    graphics->acquireContext();
    EXPECT_EQ(graphics->getContextNesting(), 2);
    graphics->releaseContext();
    EXPECT_EQ(SDL_GL_GetCurrentContext(), current) << "an inner release keeps the context";
    graphics->releaseContext();
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr) << "the outermost release detaches it";
    EXPECT_EQ(graphics->getContextNesting(), 0);
}

TEST_F(GraphicsXvfbTest, LoaderUploadsWhileTheMainThreadHoldsTheLockTwoDeep)
{
    writeTga("Textures/red.tga", 4, 4, 255, 0, 0);
    resources->startLoader();
    graphics->acquireContext();
    graphics->acquireContext();
    SDL_GLContext mine = SDL_GL_GetCurrentContext();
    auto started = std::chrono::steady_clock::now();
    ResourceHandle h = resources->load("Textures/red.tga");
    auto* texture = resources->getAs<TextureResource>(h);
    auto took = std::chrono::steady_clock::now() - started;
    EXPECT_LT(took, std::chrono::seconds(2));
    ASSERT_NE(texture, nullptr);
    EXPECT_FALSE(texture->isPlaceholder());
    EXPECT_NE(texture->glName, GraphicsSystem::kNoTexture);
    EXPECT_GE(texture->glName, GraphicsSystem::kFirstTextureId);
    EXPECT_EQ(graphics->getContextNesting(), 2);
    EXPECT_EQ(SDL_GL_GetCurrentContext(), mine);
    EXPECT_TRUE(glIsTexture(texture->glName));
    graphics->releaseContext();
    graphics->releaseContext();
}

TEST_F(GraphicsXvfbTest, CursorFromPixels)
{
    std::vector<uint8_t> pixels(32 * 32 * 4, 255);
    auto cursor = Cursor::fromPixels(pixels.data(), 32, 32, 16, 16);
    ASSERT_NE(cursor, nullptr);
    cursor->set();
    EXPECT_TRUE(cursor->isCurrent());
    auto arrow = Cursor::arrow();
    ASSERT_NE(arrow, nullptr);
    arrow->set();
    EXPECT_FALSE(cursor->isCurrent());
}

TEST_F(GraphicsXvfbTest, UploadLevelsFormatsFiltersAndViewport)
{
    std::vector<uint8_t> chain(mip::chainBytes(256, 64, 4, 9), 128);
    uint32_t id = graphics->uploadTexture(chain.data(), 256, 64, GraphicsSystem::kFormatRgba, 9);
    ASSERT_NE(id, GraphicsSystem::kNoTexture);
    Held lock(*graphics);
    glBindTexture(GL_TEXTURE_2D, id);
    const int expected[9][2] = {{256, 64}, {128, 32}, {64, 16}, {32, 8}, {16, 4},
                                {8, 2},    {4, 1},    {2, 1},   {1, 1}};
    for (int i = 0; i < 9; ++i) {
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, i, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, i, GL_TEXTURE_HEIGHT, &h);
        EXPECT_EQ(w, expected[i][0]) << i;
        EXPECT_EQ(h, expected[i][1]) << i;
    }
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR_MIPMAP_NEAREST); // filteringQuality 1

    graphics->setFilteringQuality(2);
    uint32_t single = graphics->uploadTexture(chain.data(), 4, 4, GraphicsSystem::kFormatRgb, 1);
    glBindTexture(GL_TEXTURE_2D, single);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR);

    if (graphics->isTextureCompressionSupported() && !graphics->decodesCompressedUploads()) {
        std::vector<uint8_t> blocks(64, 0);
        uint32_t dxt1 = graphics->uploadTexture(blocks.data(), 2, 2, GraphicsSystem::kFormatDxt1, 1);
        ASSERT_NE(dxt1, GraphicsSystem::kNoTexture);
        glBindTexture(GL_TEXTURE_2D, dxt1);
        GLint bytes = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPRESSED_IMAGE_SIZE, &bytes);
        EXPECT_EQ(bytes, 8);
        uint32_t dxt5 = graphics->uploadTexture(blocks.data(), 8, 8, GraphicsSystem::kFormatDxt5, 1);
        glBindTexture(GL_TEXTURE_2D, dxt5);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPRESSED_IMAGE_SIZE, &bytes);
        EXPECT_EQ(bytes, 64);
    }
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    std::string error;
    EXPECT_EQ(graphics->uploadTexture(chain.data(), maxSize + 1, 1, GraphicsSystem::kFormatRgb, 1, error),
              GraphicsSystem::kNoTexture);
    EXPECT_FALSE(error.empty());
    glBindTexture(GL_TEXTURE_2D, 0);

    graphics->setViewport(10.4f, 10.5f, 799.5f, 600.49f, true);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 10);
    EXPECT_EQ(viewport[1], 11);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 600);
}

TEST_F(GraphicsXvfbTest, ScreenshotsThatCannotBeTakenSayWhyAndTheGameGoesOn)
{
    // A file named "Screenshots" where the directory belongs.
    dir.write("user/Screenshots", "in the way");
    graphics->takeScreenshot();
    graphics->beginFrame();
    graphics->endFrame();
    EXPECT_TRUE(log.contains("Could not write screenshot", 3));
    EXPECT_FALSE(graphics->isScreenshotRequested());

    // A stored 2 × 2 viewport in a window leaves nothing to take.
    std::filesystem::remove(dir.file("user/Screenshots"));
    log.clear();
    graphics->acquireContext();
    graphics->setViewport(0, 0, 2, 2, true);
    EXPECT_FALSE(graphics->captureScreenshot());
    graphics->releaseContext();
    EXPECT_TRUE(log.contains("No screenshot", 2));
    EXPECT_FALSE(std::filesystem::exists(dir.file("user/Screenshots/ss0000.jpg")));

    // And one that works: a Targa of the 798 × 598 picture.
    vars->setVar("r_screenshotType", "2");
    graphics->takeScreenshot();
    graphics->beginFrame();
    graphics->endFrame();
    auto file = files->readFile("Screenshots/ss0000.tga", true);
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->size(), 18u + 798u * 598u * 3u);
}

TEST_F(GraphicsXvfbTest, AltEnterSwitchesToFullScreenAndBackThroughARestart)
{
    int restarts = 0;
    graphics->addRestartListener([&] { ++restarts; });
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.scancode = SDL_SCANCODE_RETURN;
    e.key.keysym.mod = KMOD_LALT;
    platform->handleEvent(e);
    EXPECT_EQ(vars->findVar("r_fullscreen")->getString(), "1");
    EXPECT_EQ(restarts, 1);
    EXPECT_TRUE(graphics->isFullScreen());
    EXPECT_EQ(modeChanges, 1);
    EXPECT_TRUE(graphics->isDisplayReady());
    platform->handleEvent(e);
    EXPECT_EQ(vars->findVar("r_fullscreen")->getString(), "0");
    EXPECT_FALSE(graphics->isFullScreen());
    EXPECT_EQ(restarts, 2);
    EXPECT_EQ(modeChanges, 1) << "a window never changes the display mode";
}

// Full screen where no window manager resizes the window (Xvfb alone, whose
// one mode is larger than the 800 x 600 window): the window takes the mode
// it switches to, so the pointer at the screen's far corner is over it
// there, and a second Alt+Enter gives a window of the mode's size.
TEST_F(GraphicsXvfbTest, FullScreenCoversTheScreenWithoutAWindowManager)
{
    graphics->setModeSetterForTest(nullptr);
    FakeKeys pointer;
    if (!pointer.open(display.name())) {
        GTEST_SKIP() << "no XTEST on the display";
    }
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.scancode = SDL_SCANCODE_RETURN;
    e.key.keysym.mod = KMOD_LALT;
    platform->handleEvent(e);
    ASSERT_TRUE(graphics->isFullScreen());
    SDL_DisplayMode mode{};
    ASSERT_EQ(SDL_GetCurrentDisplayMode(0, &mode), 0);
    EXPECT_EQ(vars->findVar("r_width")->getInt(), mode.w);
    EXPECT_EQ(vars->findVar("r_height")->getInt(), mode.h);
    const int x = mode.w - 3, y = mode.h - 3;
    pointer.pointAt(x, y);
    // The pointer's move reaches SDL as an event; the time only catches a hang.
    bool over = false;
    int at[2] = {-1, -1};
    // SDL tells the pointer's place even outside the window; the focus is
    // the window's only when the X window lies under it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!over && std::chrono::steady_clock::now() < deadline) {
        SDL_PumpEvents();
        SDL_GetMouseState(&at[0], &at[1]);
        over = SDL_GetMouseFocus() == graphics->getWindow() && at[0] == x && at[1] == y;
        std::this_thread::yield();
    }
    EXPECT_TRUE(over) << "the pointer at the screen's corner " << x << ", " << y << " is not over the window";

    platform->handleEvent(e);
    ASSERT_FALSE(graphics->isFullScreen());
    int w = 0, h = 0;
    graphics->getContext()->getDrawableSize(w, h);
    EXPECT_EQ(w, mode.w);
    EXPECT_EQ(h, mode.h);
}

TEST_F(GraphicsXvfbTest, OutlineAndGlowImagesByKindAndQuality)
{
    auto name = [&](int entry) { return entry >= 0 ? resources->getFileName(entry) : std::string("none"); };
    const std::pair<int, const char*> outlines[] = {
        {1, "OutlineRed"},    {2, "OutlineGreen"}, {3, "OutlineBlue"}, {4, "OutlineWhite"},
        {6, "OutlineOrange"}, {8, "OutlineCyan"},  {0, "OutlineWhite"}};
    for (const auto& [kind, image] : outlines) {
        EXPECT_NE(name(graphics->getOutlineTexture(kind)).find(image), std::string::npos) << kind;
    }
    const std::pair<int, const char*> glows[] = {
        {4, "OutlineWhite"}, {5, "EffectGlowSet"}, {6, "EffectGlowUnique"}, {7, "EffectGlowArtifact"}};
    for (const auto& [quality, image] : glows) {
        EXPECT_NE(name(graphics->getGlowTexture(quality)).find(image), std::string::npos) << quality;
    }
}

TEST_F(GraphicsXvfbTest, CompressedImagesOnASoftwareRendererLookAsItWouldHaveSampledThem)
{
    EXPECT_TRUE(GraphicsSystem::isSoftwareRenderer("llvmpipe (LLVM 15.0.6, 256 bits)"));
    EXPECT_TRUE(GraphicsSystem::isSoftwareRenderer("Mesa X11 Software Rasterizer"));
    EXPECT_FALSE(GraphicsSystem::isSoftwareRenderer("Mesa Intel(R) UHD Graphics 620 (KBL GT2)"));
    EXPECT_FALSE(GraphicsSystem::isSoftwareRenderer(nullptr));
    Held lock(*graphics);
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    ASSERT_EQ(graphics->decodesCompressedUploads(), GraphicsSystem::isSoftwareRenderer(renderer));
    if (!graphics->decodesCompressedUploads() || !graphics->isTextureCompressionSupported()) {
        GTEST_SKIP() << renderer << " samples compressed textures itself";
    }
    // Random blocks reach every palette case: three and four colours,
    // both DXT5 alpha ramps, every index.
    constexpr int kSide = 16;
    std::mt19937 random(63);
    const std::pair<unsigned, int> formats[3] = {{GraphicsSystem::kFormatDxt1, s3tc::Dxt1},
                                                 {GraphicsSystem::kFormatDxt3, s3tc::Dxt3},
                                                 {GraphicsSystem::kFormatDxt5, s3tc::Dxt5}};
    glViewport(0, 0, kSide, kSide);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kSide, 0, kSide, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    for (GLenum cap : {GL_DEPTH_TEST, GL_BLEND, GL_ALPHA_TEST, GL_CULL_FACE, GL_STENCIL_TEST}) {
        glDisable(cap);
    }
    glColor4f(1, 1, 1, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (const auto& [format, mode] : formats) {
        std::vector<uint8_t> blocks(s3tc::levelBytes(kSide, kSide, mode));
        for (uint8_t& byte : blocks) {
            byte = static_cast<uint8_t>(random());
        }
        const uint32_t decoded = graphics->uploadTexture(blocks.data(), kSide, kSide, format, 1);
        ASSERT_NE(decoded, GraphicsSystem::kNoTexture);
        glBindTexture(GL_TEXTURE_2D, decoded);
        GLint isCompressed = 1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPRESSED, &isCompressed);
        EXPECT_EQ(isCompressed, 0) << std::hex << format;
        std::vector<uint8_t> ours(kSide * kSide * 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, ours.data());

        // The renderer's own sampling of the same blocks, drawn one texel to
        // a pixel: colour, then alpha as grey.
        GLuint own = 0;
        glGenTextures(1, &own);
        glBindTexture(GL_TEXTURE_2D, own);
        glCompressedTexImage2D(GL_TEXTURE_2D, 0, format, kSide, kSide, 0, static_cast<GLsizei>(blocks.size()),
                               blocks.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_REPLACE);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_TEXTURE);
        std::vector<uint8_t> sampled[2];
        for (int pass = 0; pass < 2; ++pass) {
            glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, pass == 0 ? GL_SRC_COLOR : GL_SRC_ALPHA);
            glBegin(GL_QUADS);
            glTexCoord2f(0, 0);
            glVertex2f(0, 0);
            glTexCoord2f(1, 0);
            glVertex2f(kSide, 0);
            glTexCoord2f(1, 1);
            glVertex2f(kSide, kSide);
            glTexCoord2f(0, 1);
            glVertex2f(0, kSide);
            glEnd();
            sampled[pass].resize(kSide * kSide * 3);
            glReadBuffer(GL_BACK);
            glReadPixels(0, 0, kSide, kSide, GL_RGB, GL_UNSIGNED_BYTE, sampled[pass].data());
        }
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glDeleteTextures(1, &own);
        int differing = 0;
        for (int i = 0; i < kSide * kSide; ++i) {
            for (int c = 0; c < 3; ++c) {
                differing += ours[i * 4 + c] != sampled[0][i * 3 + c] ? 1 : 0;
            }
            differing += ours[i * 4 + 3] != sampled[1][i * 3] ? 1 : 0;
        }
        EXPECT_EQ(differing, 0) << "format " << std::hex << format;
        graphics->deleteTexture(decoded);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}
