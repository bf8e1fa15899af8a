#pragma once
// The OpenGL 3.3 core implementation of the rendering Device. One small shader reproduces the
// fixed-function look the scene was made for:
//  - colour-vertex is on: a vertex that carries a diffuse colour supplies the diffuse
//    material (ground, track, skybox); ambient and emissive always come from the current
//    material; a vertex without colour (the car mesh) takes its diffuse from the material;
//  - lit colour = emissive + material ambient × Σ light ambient
//                 + diffuse × Σ light diffuse × max(0, N·L), clamped to [0, 1];
//    with lighting off the vertex colour (white without one) is used as it stands;
//  - texture stage 0 modulates that colour (no texture = white); the texel's alpha (the
//    vertex's without a texture) blends it over what is drawn while RenderState::AlphaBlend
//    is on (source alpha, one minus source alpha); no fog;
//  - depth test less-or-equal with depth writes, switched together by RenderState::DepthTest.
// Directional lights only (up to 8); other light types are accepted and ignored. Back faces
// are not culled, so geometry is drawn whichever way a strip happens to wind.
//
// How the app must set it up: create the QOpenGLContext with requiredFormat() (3.3 core,
// 24-bit depth, double-buffered), make it current on the view's QWindow, then construct the
// device with that context and window and call initialise(). Every call must be made with the
// context current (the GUI thread). present() swaps the window's buffers. The device draws
// into the window's whole back buffer, whose size it reads at each beginScene().
//
// Textures: DDS (uncompressed and DXT1/3/5, DXT uploaded compressed when the driver offers
// S3TC, else expanded), PNG and JPEG. A file with fewer mip levels than a full chain gets the
// rest generated. The MipFilter stage state defaults to Linear (trilinear with the scene's
// linear min filter); setting it to None samples the top level only.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QSurfaceFormat>

#include "render/Device.h"

class QOpenGLContext;
class QSurface;

namespace torvask {

struct GlState;

class GlDevice : public Device {
public:
    // Neither pointer is owned; both must outlive the device.
    GlDevice(QOpenGLContext* context, QSurface* surface);
    ~GlDevice() override;
    GlDevice(const GlDevice&) = delete;
    GlDevice& operator=(const GlDevice&) = delete;

    // The surface format the context must be created with.
    static QSurfaceFormat requiredFormat();
    // Whether an OpenGL 3.3 core context can be created here (needs a QGuiApplication).
    static bool probe();

    // Compiles the shaders and creates the fixed objects. False when the context is not
    // current, not 3.3 core, or a shader does not build; the device is unusable then.
    bool initialise();
    bool isInitialised() const;

    // Whether the renderer is a software rasteriser (it fills pixels on the CPU).
    bool isSoftwareRasteriser() const;
    // Draws the 3-D scene at this fraction of the window's width and height (clamped to
    // [1/16, 1]) and scales it up into the window before the first text, which stays at the
    // window's resolution; 1 (the default) draws straight into the window.
    void setSceneScale(double scale);
    double sceneScale() const;
    // fps > 0: on a software rasteriser the scene scale follows the frame rate from then on,
    // down while it stays below fps and back up while there is room (SceneScaleGovernor). A
    // GPU always draws at the scale set. 0 (the default) leaves the scale alone.
    void setFrameRateTarget(double fps);

    // Reads the back buffer (before present) as RGBA8, rows top to bottom.
    bool readBackBuffer(std::vector<std::uint8_t>& rgba, int& width, int& height);
    // When on, every present() first keeps a copy of the back buffer (for screenshots and
    // tests that drive the whole frame step, which presents by itself).
    void setCapturePresents(bool capture);
    // The copy taken by the last present() while capturing; false if there is none.
    bool lastPresentedFrame(std::vector<std::uint8_t>& rgba, int& width, int& height) const;

    // Device
    bool clear(std::uint32_t flags, std::uint32_t colorArgb, float depth, std::uint32_t stencil) override;
    bool beginScene() override;
    bool endScene() override;
    bool present() override;
    bool setTransform(TransformKind kind, const Matrix4& matrix) override;
    bool setRenderState(RenderState state, bool enabled) override;
    bool setTextureStageState(int stage, TextureStageState state, std::uint32_t value) override;
    bool setLight(int index, const Light& light) override;
    bool lightEnable(int index, bool enabled) override;
    bool setMaterial(const Material& material) override;
    std::unique_ptr<VertexBuffer> createVertexBuffer(std::uint32_t lengthBytes, std::uint32_t usage,
                                                     std::uint32_t vertexFormat) override;
    void* lockVertexBuffer(VertexBuffer& buffer, std::uint32_t offsetBytes, std::uint32_t sizeBytes) override;
    bool unlockVertexBuffer(VertexBuffer& buffer) override;
    bool setStreamSource(int stream, VertexBuffer* buffer, std::uint32_t strideBytes) override;
    bool setVertexFormat(std::uint32_t vertexFormat) override;
    bool drawPrimitive(PrimitiveType type, std::uint32_t firstVertex, std::uint32_t primitiveCount) override;
    std::unique_ptr<Texture> loadTexture(const std::string& path, const TextureLoadOptions& options) override;
    bool setTexture(int stage, Texture* texture) override;
    std::unique_ptr<Mesh> loadMesh(const std::string& path) override;
    bool drawSubset(Mesh& mesh, int subset) override;
    std::unique_ptr<Font> createFont(const FontDescription& description) override;
    bool beginText(Font& font) override;
    int drawText(Font& font, const std::string& text, int length, const TextRect& rect, std::uint32_t format,
                 std::uint32_t colorArgb) override;
    bool endText(Font& font) override;

private:
    std::shared_ptr<GlState> state;
};

}  // namespace torvask
