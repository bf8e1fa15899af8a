#pragma once
// What the OpenGL device and the resources it makes share, and the lifetime rule between them.
// Internal to gl/: included by the device's own sources only.
#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QSurface>

#include "gl/GlPrograms.h"
#include "render/Device.h"
#include "render/SceneScaleGovernor.h"

namespace torvask {

constexpr int kMaxLights = 8;
constexpr int kMaxStages = 8;
// GL_BGRA as the size of a vertex attribute: the vertex colour is stored B, G, R, A.
constexpr GLenum kBgra = 0x80E1;

// An ARGB colour as red, green, blue, alpha in [0, 1].
inline std::array<float, 4> argbToFloats(std::uint32_t argb) {
    return {float((argb >> 16) & 0xFF) / 255.0f, float((argb >> 8) & 0xFF) / 255.0f, float(argb & 0xFF) / 255.0f,
            float((argb >> 24) & 0xFF) / 255.0f};
}

class GlResource;
class GlVertexBuffer;
class GlTexture;

// Everything the device and its resources share. Resources keep it alive so that destroying
// one after the device is harmless (alive is false then, and the GL names are already gone).
struct GlState {
    QOpenGLContext* context = nullptr;
    QSurface* surface = nullptr;
    QOpenGLExtraFunctions* gl = nullptr;
    bool alive = true;
    bool initialised = false;
    bool inScene = false;
    bool s3tc = false;
    std::set<GlResource*> resources;

    GlPrograms programs;
    GLuint vao = 0;
    GLuint sampler = 0;
    GLuint textBuffer = 0;
    // The window's back buffer in pixels, as the last beginScene found it; text is laid out in it.
    int viewportWidth = 1;
    int viewportHeight = 1;

    // Below 1 the 3-D scene is drawn into an offscreen target of this fraction of the window's
    // width and height, and scaled up into the window before the first text, so the text stays
    // sharp. A software rasteriser fills fewer pixels that way.
    double sceneScale = 1.0;
    GLuint sceneFramebuffer = 0;
    GLuint sceneColour = 0;
    GLuint sceneDepth = 0;
    int targetWidth = 0;  // size the offscreen buffers were made at
    int targetHeight = 0;
    int sceneWidth = 1;  // size the scene of this frame is drawn at
    int sceneHeight = 1;
    bool drawingScaled = false;  // the offscreen target is bound and not yet scaled up
    bool software = false;       // the renderer is a software rasteriser
    double targetFps = 0.0;      // > 0: the scale follows the frame rate (software only)
    SceneScaleGovernor governor;

    Matrix4 world = matrixIdentity();
    Matrix4 view = matrixIdentity();
    Matrix4 projection = matrixIdentity();
    bool lighting = true;
    bool depthTest = true;
    bool alphaBlend = false;
    std::uint32_t stageStates[kMaxStages][5] = {};
    // Stage 0's states as last written into the sampler object.
    std::uint32_t samplerStates[5] = {};
    bool samplerValid = false;
    // The glyph quads of the text being drawn, kept to spare an allocation per call.
    std::vector<float> textQuads;
    Light lights[kMaxLights];
    bool lightOn[kMaxLights] = {};
    Material material;

    GlVertexBuffer* stream = nullptr;
    std::uint32_t stride = 0;
    std::uint32_t vertexFormat = 0;
    GlTexture* texture = nullptr;

    bool capturePresents = false;
    std::vector<std::uint8_t> captured;
    int capturedWidth = 0;
    int capturedHeight = 0;

    bool makeCurrent() {
        if (context == nullptr || surface == nullptr) return false;
        if (QOpenGLContext::currentContext() == context) return true;
        return context->makeCurrent(surface);
    }
    GLint at(Uniform u) const { return programs.at(u); }
};

// Sets GL's blending to the AlphaBlend render state (the text pass turns it on for itself).
inline void applyBlend(GlState& s) {
    if (s.alphaBlend) {
        s.gl->glEnable(GL_BLEND);
        s.gl->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        s.gl->glDisable(GL_BLEND);
    }
}

// A GL object the device made and the caller owns.
class GlResource {
public:
    explicit GlResource(std::shared_ptr<GlState> s) : state(std::move(s)) { state->resources.insert(this); }
    virtual ~GlResource() = default;
    // Deletes the GL objects; called once, by the resource's destructor or the device's.
    virtual void releaseGl() = 0;

protected:
    void detach() {
        if (state->alive) {
            if (state->makeCurrent()) releaseGl();
            state->resources.erase(this);
        }
    }
    std::shared_ptr<GlState> state;
};

}  // namespace torvask
