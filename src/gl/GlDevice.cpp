#include "gl/GlDevice.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QPainter>
#include <QSurface>
#include <QWindow>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <set>

#include "common/Paths.h"
#include "gfx/ImageDecoder.h"
#include "gfx/XMesh.h"
#include "render/Vertex.h"

namespace torvask {

namespace {

constexpr int kMaxLights = 8;
constexpr int kMaxStages = 8;

// S3TC enums (GL_EXT_texture_compression_s3tc); DXT1 keeps its one-bit alpha.
constexpr GLenum kCompressedDxt1 = 0x83F1;
constexpr GLenum kCompressedDxt3 = 0x83F2;
constexpr GLenum kCompressedDxt5 = 0x83F3;
constexpr GLenum kBgra = 0x80E1;

const char* const kSceneVertexShader = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aColour;
layout(location = 3) in vec2 aUv;
uniform mat4 uWorld;
uniform mat4 uView;
uniform mat4 uProjection;
uniform bool uLighting;
uniform bool uHasColour;
uniform bool uHasNormal;
uniform vec4 uMaterialDiffuse;
uniform vec4 uMaterialAmbient;
uniform vec4 uMaterialEmissive;
uniform vec4 uAmbientSum;
uniform int uLightCount;
uniform vec3 uLightDirection[8];
uniform vec4 uLightDiffuse[8];
out vec4 vColour;
out vec2 vUv;
void main() {
    vec4 clip = uProjection * (uView * (uWorld * vec4(aPosition, 1.0)));
    // The scene's projection maps depth to [0, w]; OpenGL clips to [-w, w].
    clip.z = 2.0 * clip.z - clip.w;
    gl_Position = clip;
    vUv = aUv;
    if (!uLighting) {
        vColour = uHasColour ? aColour : vec4(1.0);
        return;
    }
    vec4 diffuse = uHasColour ? aColour : uMaterialDiffuse;
    // normalize() of a zero vector is undefined: such a vertex gets no diffuse light.
    vec3 m = uHasNormal ? mat3(uWorld) * aNormal : vec3(0.0);
    vec3 n = dot(m, m) > 0.0 ? normalize(m) : vec3(0.0);
    vec3 lit = uMaterialEmissive.rgb + uMaterialAmbient.rgb * uAmbientSum.rgb;
    for (int i = 0; i < uLightCount; ++i) {
        lit += diffuse.rgb * uLightDiffuse[i].rgb * max(dot(n, -uLightDirection[i]), 0.0);
    }
    vColour = vec4(clamp(lit, 0.0, 1.0), diffuse.a);
}
)";

const char* const kSceneFragmentShader = R"(#version 330 core
in vec4 vColour;
in vec2 vUv;
uniform bool uTextured;
uniform sampler2D uTexture;
out vec4 fragColour;
void main() {
    if (uTextured) {
        vec4 t = texture(uTexture, vUv);
        fragColour = vec4(vColour.rgb * t.rgb, t.a);
    } else {
        fragColour = vColour;
    }
}
)";

const char* const kTextVertexShader = R"(#version 330 core
layout(location = 0) in vec2 aPosition;
layout(location = 1) in vec2 aUv;
uniform vec2 uViewport;
out vec2 vUv;
void main() {
    gl_Position = vec4(aPosition.x / uViewport.x * 2.0 - 1.0, 1.0 - aPosition.y / uViewport.y * 2.0, 0.0, 1.0);
    vUv = aUv;
}
)";

const char* const kTextFragmentShader = R"(#version 330 core
in vec2 vUv;
uniform sampler2D uAtlas;
uniform vec4 uColour;
out vec4 fragColour;
void main() {
    fragColour = vec4(uColour.rgb, uColour.a * texture(uAtlas, vUv).r);
}
)";

std::array<float, 4> argbToFloats(std::uint32_t argb) {
    return {float((argb >> 16) & 0xFF) / 255.0f, float((argb >> 8) & 0xFF) / 255.0f, float(argb & 0xFF) / 255.0f,
            float((argb >> 24) & 0xFF) / 255.0f};
}

}  // namespace

// Every uniform the two programs use; their locations are looked up once, at initialise, rather
// than by name on every draw.
enum class Uniform { uWorld, uView, uProjection, uLighting, uHasColour, uHasNormal, uMaterialDiffuse, uMaterialAmbient, uMaterialEmissive, uAmbientSum, uLightCount, uLightDirection, uLightDiffuse, uTexture, uTextured, uViewport, uColour, uAtlas, Count };
constexpr const char* kUniformNames[] = {"uWorld", "uView", "uProjection", "uLighting", "uHasColour", "uHasNormal", "uMaterialDiffuse", "uMaterialAmbient", "uMaterialEmissive", "uAmbientSum", "uLightCount", "uLightDirection", "uLightDiffuse", "uTexture", "uTextured", "uViewport", "uColour", "uAtlas"};
constexpr int kSceneUniformCount = 15;  // the first ones belong to the scene program, the rest to text

class GlResource;

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

    GLuint sceneProgram = 0;
    GLuint textProgram = 0;
    GLuint vao = 0;
    GLuint sampler = 0;
    GLuint textBuffer = 0;
    int viewportWidth = 1;
    int viewportHeight = 1;

    Matrix4 world = matrixIdentity();
    Matrix4 view = matrixIdentity();
    Matrix4 projection = matrixIdentity();
    bool lighting = true;
    bool depthTest = true;
    std::uint32_t stageStates[kMaxStages][5] = {};
    // Stage 0's states as last written into the sampler object.
    std::uint32_t samplerStates[5] = {};
    bool samplerValid = false;
    // The glyph quads of the text being drawn, kept to spare an allocation per call.
    std::vector<float> textQuads;
    Light lights[kMaxLights];
    bool lightOn[kMaxLights] = {};
    Material material;

    class GlVertexBuffer* stream = nullptr;
    std::uint32_t stride = 0;
    std::uint32_t vertexFormat = 0;
    class GlTexture* texture = nullptr;

    bool capturePresents = false;
    std::vector<std::uint8_t> captured;
    int capturedWidth = 0;
    int capturedHeight = 0;

    bool makeCurrent() {
        if (context == nullptr || surface == nullptr) return false;
        if (QOpenGLContext::currentContext() == context) return true;
        return context->makeCurrent(surface);
    }
    GLint uniformLocations[int(Uniform::Count)] = {};
    GLint at(Uniform u) const { return uniformLocations[int(u)]; }
};

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

class GlVertexBuffer : public VertexBuffer, public GlResource {
public:
    GlVertexBuffer(std::shared_ptr<GlState> s, std::uint32_t length, std::uint32_t format)
        : GlResource(std::move(s)), bytes(length, 0), fvf(format) {
        state->gl->glGenBuffers(1, &name);
        state->gl->glBindBuffer(GL_ARRAY_BUFFER, name);
        state->gl->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(length), nullptr, GL_STATIC_DRAW);
    }
    ~GlVertexBuffer() override {
        if (state->alive && state->stream == this) state->stream = nullptr;
        detach();
    }
    void releaseGl() override {
        state->gl->glDeleteBuffers(1, &name);
        name = 0;
    }
    std::uint32_t lengthBytes() const override { return std::uint32_t(bytes.size()); }
    std::uint32_t vertexFormat() const override { return fvf; }

    std::vector<std::uint8_t> bytes;  // what the buffer holds, for locking
    std::uint32_t fvf;
    GLuint name = 0;
    bool locked = false;
    std::uint32_t lockOffset = 0;
    std::uint32_t lockSize = 0;
};

class GlTexture : public Texture, public GlResource {
public:
    explicit GlTexture(std::shared_ptr<GlState> s) : GlResource(std::move(s)) { state->gl->glGenTextures(1, &name); }
    ~GlTexture() override {
        if (state->alive && state->texture == this) state->texture = nullptr;
        detach();
    }
    void releaseGl() override {
        state->gl->glDeleteTextures(1, &name);
        name = 0;
    }
    GLuint name = 0;
};

struct GlSubset {
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    GLsizei indexCount = 0;
    bool hasColours = false;
    bool hasNormals = false;
};

class GlMesh : public Mesh, public GlResource {
public:
    explicit GlMesh(std::shared_ptr<GlState> s) : GlResource(std::move(s)) {}
    ~GlMesh() override { detach(); }
    void releaseGl() override {
        for (GlSubset& subset : subsets) {
            state->gl->glDeleteBuffers(1, &subset.vertexBuffer);
            state->gl->glDeleteBuffers(1, &subset.indexBuffer);
            subset.vertexBuffer = subset.indexBuffer = 0;
        }
    }
    const std::vector<MeshMaterial>& materials() const override { return materialList; }
    int subsetCount() const override { return int(subsets.size()); }

    std::vector<MeshMaterial> materialList;
    std::vector<GlSubset> subsets;
};

struct Glyph {
    int x = 0, y = 0, width = 0, advance = 0;
};

class GlFont : public Font, public GlResource {
public:
    explicit GlFont(std::shared_ptr<GlState> s) : GlResource(std::move(s)) {}
    ~GlFont() override { detach(); }
    void releaseGl() override {
        state->gl->glDeleteTextures(1, &atlas);
        atlas = 0;
    }
    GLuint atlas = 0;
    int atlasWidth = 0;
    int atlasHeight = 0;
    int lineHeight = 0;
    std::array<Glyph, 256> glyphs;
    bool begun = false;
};

namespace {

// Interleaved layout of mesh subset vertices: position, normal, uv, then (optionally) colour.
struct MeshVertexLayout {
    float x, y, z, nx, ny, nz, u, v;
    std::uint8_t b, g, r, a;
};
static_assert(sizeof(MeshVertexLayout) == 36);

GLuint compile(QOpenGLExtraFunctions* gl, GLenum kind, const char* source) {
    const GLuint shader = gl->glCreateShader(kind);
    gl->glShaderSource(shader, 1, &source, nullptr);
    gl->glCompileShader(shader);
    GLint ok = 0;
    gl->glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        gl->glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint link(QOpenGLExtraFunctions* gl, const char* vertex, const char* fragment) {
    const GLuint vs = compile(gl, GL_VERTEX_SHADER, vertex);
    const GLuint fs = compile(gl, GL_FRAGMENT_SHADER, fragment);
    if (vs == 0 || fs == 0) {
        if (vs) gl->glDeleteShader(vs);
        if (fs) gl->glDeleteShader(fs);
        return 0;
    }
    const GLuint program = gl->glCreateProgram();
    gl->glAttachShader(program, vs);
    gl->glAttachShader(program, fs);
    gl->glLinkProgram(program);
    gl->glDeleteShader(vs);
    gl->glDeleteShader(fs);
    GLint ok = 0;
    gl->glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        gl->glDeleteProgram(program);
        return 0;
    }
    return program;
}

GLenum wrapMode(std::uint32_t address) {
    switch (TextureAddress(address)) {
        case TextureAddress::Clamp: return GL_CLAMP_TO_EDGE;
        case TextureAddress::Mirror: return GL_MIRRORED_REPEAT;
        case TextureAddress::Wrap: break;
    }
    return GL_REPEAT;
}

GLenum minFilterMode(std::uint32_t minFilter, std::uint32_t mipFilter) {
    const bool linear = TextureFilter(minFilter) == TextureFilter::Linear ||
                        TextureFilter(minFilter) == TextureFilter::Anisotropic;
    switch (TextureFilter(mipFilter)) {
        case TextureFilter::None: return linear ? GL_LINEAR : GL_NEAREST;
        case TextureFilter::Point: return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
        case TextureFilter::Linear:
        case TextureFilter::Anisotropic: break;
    }
    return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
}

// Vertices drawn for a primitive count, or 0 for an unknown type.
std::uint64_t verticesFor(PrimitiveType type, std::uint64_t count) {
    switch (type) {
        case PrimitiveType::PointList: return count;
        case PrimitiveType::LineList: return count * 2;
        case PrimitiveType::LineStrip: return count + 1;
        case PrimitiveType::TriangleList: return count * 3;
        case PrimitiveType::TriangleStrip:
        case PrimitiveType::TriangleFan: return count + 2;
    }
    return 0;
}

GLenum glPrimitive(PrimitiveType type) {
    switch (type) {
        case PrimitiveType::PointList: return GL_POINTS;
        case PrimitiveType::LineList: return GL_LINES;
        case PrimitiveType::LineStrip: return GL_LINE_STRIP;
        case PrimitiveType::TriangleList: return GL_TRIANGLES;
        case PrimitiveType::TriangleStrip: return GL_TRIANGLE_STRIP;
        case PrimitiveType::TriangleFan: return GL_TRIANGLE_FAN;
    }
    return GL_TRIANGLES;
}

}  // namespace

// -----------------------------------------------------------------------------------------------

GlDevice::GlDevice(QOpenGLContext* context, QSurface* surface) : state(std::make_shared<GlState>()) {
    state->context = context;
    state->surface = surface;
    for (auto& stage : state->stageStates) {
        stage[int(TextureStageState::AddressU)] = std::uint32_t(TextureAddress::Wrap);
        stage[int(TextureStageState::AddressV)] = std::uint32_t(TextureAddress::Wrap);
        stage[int(TextureStageState::MagFilter)] = std::uint32_t(TextureFilter::Point);
        stage[int(TextureStageState::MinFilter)] = std::uint32_t(TextureFilter::Point);
        stage[int(TextureStageState::MipFilter)] = std::uint32_t(TextureFilter::Linear);
    }
}

GlDevice::~GlDevice() {
    if (state->initialised && state->makeCurrent()) {
        for (GlResource* resource : state->resources) resource->releaseGl();
        QOpenGLExtraFunctions* gl = state->gl;
        gl->glDeleteProgram(state->sceneProgram);
        gl->glDeleteProgram(state->textProgram);
        gl->glDeleteVertexArrays(1, &state->vao);
        gl->glDeleteSamplers(1, &state->sampler);
        gl->glDeleteBuffers(1, &state->textBuffer);
    }
    state->resources.clear();
    state->alive = false;
    state->stream = nullptr;
    state->texture = nullptr;
}

QSurfaceFormat GlDevice::requiredFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(24);
    // Nothing draws with a stencil; without one a software rasteriser need not keep stencil bits
    // intact on every depth write.
    format.setStencilBufferSize(0);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    // Frames run back to back from the idle loop; waiting for the vertical blank would tie
    // the frame rate to the display and starve the physics pacing on slow displays.
    format.setSwapInterval(0);
    return format;
}

bool GlDevice::probe() {
    QOpenGLContext* previous = QOpenGLContext::currentContext();
    QSurface* previousSurface = previous ? previous->surface() : nullptr;
    bool ok = false;
    {
        QOffscreenSurface surface;
        surface.setFormat(requiredFormat());
        surface.create();
        QOpenGLContext context;
        context.setFormat(requiredFormat());
        if (surface.isValid() && context.create() && context.makeCurrent(&surface)) {
            const QSurfaceFormat got = context.format();
            ok = got.version() >= qMakePair(3, 3) && got.profile() == QSurfaceFormat::CoreProfile;
            context.doneCurrent();
        }
    }
    if (previous && previousSurface) previous->makeCurrent(previousSurface);
    return ok;
}

bool GlDevice::initialise() {
    GlState& s = *state;
    if (s.initialised) return true;
    if (!s.makeCurrent()) return false;
    const QSurfaceFormat format = s.context->format();
    if (format.version() < qMakePair(3, 3) || s.context->isOpenGLES()) return false;
    s.gl = s.context->extraFunctions();
    QOpenGLExtraFunctions* gl = s.gl;
    s.sceneProgram = link(gl, kSceneVertexShader, kSceneFragmentShader);
    s.textProgram = link(gl, kTextVertexShader, kTextFragmentShader);
    if (s.sceneProgram == 0 || s.textProgram == 0) {
        if (s.sceneProgram) gl->glDeleteProgram(s.sceneProgram);
        if (s.textProgram) gl->glDeleteProgram(s.textProgram);
        s.sceneProgram = s.textProgram = 0;
        return false;
    }
    for (int u = 0; u < int(Uniform::Count); ++u) {
        s.uniformLocations[u] = gl->glGetUniformLocation(u < kSceneUniformCount ? s.sceneProgram : s.textProgram,
                                                         kUniformNames[u]);
    }
    // A software rasteriser decodes a compressed block for every texel it samples, and the ground
    // and track fill most of every frame; their blocks are expanded once at upload there instead.
    // A GPU samples compressed blocks for free and keeps them small.
    const auto* renderer = reinterpret_cast<const char*>(gl->glGetString(GL_RENDERER));
    const bool software = renderer != nullptr && (std::strstr(renderer, "llvmpipe") != nullptr ||
                                                  std::strstr(renderer, "softpipe") != nullptr ||
                                                  std::strstr(renderer, "swrast") != nullptr);
    s.s3tc = !software && s.context->hasExtension("GL_EXT_texture_compression_s3tc");
    gl->glGenVertexArrays(1, &s.vao);
    gl->glBindVertexArray(s.vao);
    gl->glGenSamplers(1, &s.sampler);
    gl->glGenBuffers(1, &s.textBuffer);
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 1);
    gl->glDisable(GL_CULL_FACE);
    gl->glEnable(GL_DEPTH_TEST);
    gl->glDepthFunc(GL_LEQUAL);
    gl->glDepthMask(GL_TRUE);
    s.initialised = true;
    return true;
}

bool GlDevice::isInitialised() const { return state->initialised; }

bool GlDevice::readBackBuffer(std::vector<std::uint8_t>& rgba, int& width, int& height) {
    GlState& s = *state;
    if (!s.initialised || !s.makeCurrent()) return false;
    width = s.viewportWidth;
    height = s.viewportHeight;
    std::vector<std::uint8_t> bottomUp(std::size_t(width) * std::size_t(height) * 4);
    s.gl->glBindFramebuffer(GL_FRAMEBUFFER, s.context->defaultFramebufferObject());
    s.gl->glReadBuffer(GL_BACK);
    s.gl->glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    rgba.resize(bottomUp.size());
    const std::size_t row = std::size_t(width) * 4;
    for (int y = 0; y < height; ++y) {
        std::memcpy(rgba.data() + std::size_t(y) * row, bottomUp.data() + std::size_t(height - 1 - y) * row, row);
    }
    return s.gl->glGetError() == GL_NO_ERROR;
}

bool GlDevice::clear(std::uint32_t flags, std::uint32_t colorArgb, float depth, std::uint32_t stencil) {
    GlState& s = *state;
    if (!s.initialised || !s.makeCurrent()) return false;
    GLbitfield mask = 0;
    if (flags & kClearTarget) {
        const auto c = argbToFloats(colorArgb);
        s.gl->glClearColor(c[0], c[1], c[2], c[3]);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & kClearZBuffer) {
        s.gl->glClearDepthf(std::clamp(depth, 0.0f, 1.0f));
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (flags & kClearStencil) {
        s.gl->glClearStencil(GLint(stencil));
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    // A clear ignores the depth-write switch, as the scene expects.
    s.gl->glDepthMask(GL_TRUE);
    s.gl->glClear(mask);
    s.gl->glDepthMask(s.depthTest ? GL_TRUE : GL_FALSE);
    return true;
}

bool GlDevice::beginScene() {
    GlState& s = *state;
    if (!s.initialised || s.inScene || !s.makeCurrent()) return false;
    double ratio = 1.0;
    if (auto* window = dynamic_cast<QWindow*>(s.surface)) ratio = window->devicePixelRatio();
    const QSize size = s.surface->size();
    s.viewportWidth = std::max(1, int(std::lround(size.width() * ratio)));
    s.viewportHeight = std::max(1, int(std::lround(size.height() * ratio)));
    s.gl->glBindFramebuffer(GL_FRAMEBUFFER, s.context->defaultFramebufferObject());
    s.gl->glViewport(0, 0, s.viewportWidth, s.viewportHeight);
    s.inScene = true;
    return true;
}

bool GlDevice::endScene() {
    GlState& s = *state;
    if (!s.inScene) return false;
    s.inScene = false;
    s.gl->glFlush();
    return true;
}

void GlDevice::setCapturePresents(bool capture) { state->capturePresents = capture; }

bool GlDevice::lastPresentedFrame(std::vector<std::uint8_t>& rgba, int& width, int& height) const {
    if (state->captured.empty()) return false;
    rgba = state->captured;
    width = state->capturedWidth;
    height = state->capturedHeight;
    return true;
}

bool GlDevice::present() {
    GlState& s = *state;
    if (!s.initialised || s.inScene || !s.makeCurrent()) return false;
    if (s.capturePresents && !readBackBuffer(s.captured, s.capturedWidth, s.capturedHeight)) s.captured.clear();
    s.context->swapBuffers(s.surface);
    return true;
}

bool GlDevice::setTransform(TransformKind kind, const Matrix4& matrix) {
    switch (kind) {
        case TransformKind::World: state->world = matrix; return true;
        case TransformKind::View: state->view = matrix; return true;
        case TransformKind::Projection: state->projection = matrix; return true;
    }
    return false;
}

bool GlDevice::setRenderState(RenderState renderState, bool enabled) {
    GlState& s = *state;
    switch (renderState) {
        case RenderState::Lighting: s.lighting = enabled; return true;
        case RenderState::DepthTest:
            s.depthTest = enabled;
            if (s.initialised && s.makeCurrent()) {
                if (enabled) {
                    s.gl->glEnable(GL_DEPTH_TEST);
                } else {
                    s.gl->glDisable(GL_DEPTH_TEST);
                }
                s.gl->glDepthMask(enabled ? GL_TRUE : GL_FALSE);
            }
            return true;
    }
    return false;
}

bool GlDevice::setTextureStageState(int stage, TextureStageState stageState, std::uint32_t value) {
    if (stage < 0 || stage >= kMaxStages) return false;
    const int index = int(stageState);
    if (index < 0 || index > int(TextureStageState::MipFilter)) return false;
    if (stageState == TextureStageState::AddressU || stageState == TextureStageState::AddressV) {
        if (value < std::uint32_t(TextureAddress::Wrap) || value > std::uint32_t(TextureAddress::Clamp)) return false;
    } else if (value > std::uint32_t(TextureFilter::Anisotropic)) {
        return false;
    }
    state->stageStates[stage][index] = value;
    return true;
}

bool GlDevice::setLight(int index, const Light& light) {
    if (index < 0 || index >= kMaxLights) return false;
    state->lights[index] = light;
    return true;
}

bool GlDevice::lightEnable(int index, bool enabled) {
    if (index < 0 || index >= kMaxLights) return false;
    state->lightOn[index] = enabled;
    return true;
}

bool GlDevice::setMaterial(const Material& material) {
    state->material = material;
    return true;
}

std::unique_ptr<VertexBuffer> GlDevice::createVertexBuffer(std::uint32_t lengthBytes, std::uint32_t,
                                                           std::uint32_t vertexFormat) {
    GlState& s = *state;
    // A zero-length buffer, or one no vertex fits in, is refused as the platform did.
    const int vertexSize = vertexSizeOfFormat(vertexFormat);
    if (!s.initialised || !s.makeCurrent() || lengthBytes == 0 || (vertexSize > 0 && lengthBytes < std::uint32_t(vertexSize))) {
        return nullptr;
    }
    return std::make_unique<GlVertexBuffer>(state, lengthBytes, vertexFormat);
}

void* GlDevice::lockVertexBuffer(VertexBuffer& buffer, std::uint32_t offsetBytes, std::uint32_t sizeBytes) {
    auto* vb = dynamic_cast<GlVertexBuffer*>(&buffer);
    if (vb == nullptr || vb->locked) return nullptr;
    const std::uint64_t end = std::uint64_t(offsetBytes) + sizeBytes;
    if (end > vb->bytes.size()) return nullptr;
    // A size of 0 locks the rest of the buffer from the offset.
    if (sizeBytes == 0) sizeBytes = std::uint32_t(vb->bytes.size() - offsetBytes);
    vb->locked = true;
    vb->lockOffset = offsetBytes;
    vb->lockSize = sizeBytes;
    return vb->bytes.data() + offsetBytes;
}

bool GlDevice::unlockVertexBuffer(VertexBuffer& buffer) {
    auto* vb = dynamic_cast<GlVertexBuffer*>(&buffer);
    GlState& s = *state;
    if (vb == nullptr || !vb->locked || !s.makeCurrent()) return false;
    vb->locked = false;
    s.gl->glBindBuffer(GL_ARRAY_BUFFER, vb->name);
    s.gl->glBufferSubData(GL_ARRAY_BUFFER, GLintptr(vb->lockOffset), GLsizeiptr(vb->lockSize),
                          vb->bytes.data() + vb->lockOffset);
    return true;
}

bool GlDevice::setStreamSource(int stream, VertexBuffer* buffer, std::uint32_t strideBytes) {
    if (stream != 0) return false;
    if (buffer == nullptr) {
        state->stream = nullptr;
        state->stride = 0;
        return true;
    }
    auto* vb = dynamic_cast<GlVertexBuffer*>(buffer);
    if (vb == nullptr || strideBytes == 0) return false;
    state->stream = vb;
    state->stride = strideBytes;
    return true;
}

bool GlDevice::setVertexFormat(std::uint32_t vertexFormat) {
    if (!(vertexFormat & kVertexPosition) || (vertexFormat & kVertexPositionRhw)) return false;
    state->vertexFormat = vertexFormat;
    return true;
}

namespace {

void bindSampler(GlState& s) {
    const std::uint32_t* stage = s.stageStates[0];
    QOpenGLExtraFunctions* gl = s.gl;
    gl->glBindSampler(0, s.sampler);
    // The sampler's parameters change a few times a frame at most; setting them on every draw
    // makes the driver revalidate its texture state each time.
    if (s.samplerValid && std::equal(stage, stage + 5, s.samplerStates)) return;
    std::copy(stage, stage + 5, s.samplerStates);
    s.samplerValid = true;
    gl->glSamplerParameteri(s.sampler, GL_TEXTURE_WRAP_S, GLint(wrapMode(stage[int(TextureStageState::AddressU)])));
    gl->glSamplerParameteri(s.sampler, GL_TEXTURE_WRAP_T, GLint(wrapMode(stage[int(TextureStageState::AddressV)])));
    const bool magLinear = TextureFilter(stage[int(TextureStageState::MagFilter)]) != TextureFilter::Point &&
                           TextureFilter(stage[int(TextureStageState::MagFilter)]) != TextureFilter::None;
    gl->glSamplerParameteri(s.sampler, GL_TEXTURE_MAG_FILTER, magLinear ? GL_LINEAR : GL_NEAREST);
    gl->glSamplerParameteri(s.sampler, GL_TEXTURE_MIN_FILTER,
                            GLint(minFilterMode(stage[int(TextureStageState::MinFilter)],
                                                stage[int(TextureStageState::MipFilter)])));
}

// Loads the scene program's uniforms from the current state.
void useSceneProgram(GlState& s, bool hasColour, bool hasNormal) {
    QOpenGLExtraFunctions* gl = s.gl;
    gl->glUseProgram(s.sceneProgram);
    gl->glUniformMatrix4fv(s.at(Uniform::uWorld), 1, GL_FALSE, &s.world.m[0][0]);
    gl->glUniformMatrix4fv(s.at(Uniform::uView), 1, GL_FALSE, &s.view.m[0][0]);
    gl->glUniformMatrix4fv(s.at(Uniform::uProjection), 1, GL_FALSE, &s.projection.m[0][0]);
    gl->glUniform1i(s.at(Uniform::uLighting), s.lighting ? 1 : 0);
    gl->glUniform1i(s.at(Uniform::uHasColour), hasColour ? 1 : 0);
    gl->glUniform1i(s.at(Uniform::uHasNormal), hasNormal ? 1 : 0);
    const Material& m = s.material;
    gl->glUniform4f(s.at(Uniform::uMaterialDiffuse), m.diffuse.r, m.diffuse.g, m.diffuse.b, m.diffuse.a);
    gl->glUniform4f(s.at(Uniform::uMaterialAmbient), m.ambient.r, m.ambient.g, m.ambient.b, m.ambient.a);
    gl->glUniform4f(s.at(Uniform::uMaterialEmissive), m.emissive.r, m.emissive.g, m.emissive.b, m.emissive.a);
    float ambient[4] = {0, 0, 0, 0};
    float directions[kMaxLights * 3] = {};
    float diffuse[kMaxLights * 4] = {};
    int count = 0;
    for (int i = 0; i < kMaxLights; ++i) {
        if (!s.lightOn[i]) continue;
        const Light& l = s.lights[i];
        ambient[0] += l.ambient.r;
        ambient[1] += l.ambient.g;
        ambient[2] += l.ambient.b;
        if (l.type != LightType::Directional) continue;
        const Vector3f d = l.direction;
        const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
        if (length == 0.0f) continue;
        directions[count * 3 + 0] = d.x / length;
        directions[count * 3 + 1] = d.y / length;
        directions[count * 3 + 2] = d.z / length;
        diffuse[count * 4 + 0] = l.diffuse.r;
        diffuse[count * 4 + 1] = l.diffuse.g;
        diffuse[count * 4 + 2] = l.diffuse.b;
        diffuse[count * 4 + 3] = l.diffuse.a;
        ++count;
    }
    gl->glUniform4fv(s.at(Uniform::uAmbientSum), 1, ambient);
    gl->glUniform1i(s.at(Uniform::uLightCount), count);
    gl->glUniform3fv(s.at(Uniform::uLightDirection), kMaxLights, directions);
    gl->glUniform4fv(s.at(Uniform::uLightDiffuse), kMaxLights, diffuse);
    gl->glUniform1i(s.at(Uniform::uTexture), 0);
    gl->glUniform1i(s.at(Uniform::uTextured), s.texture ? 1 : 0);
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindTexture(GL_TEXTURE_2D, s.texture ? s.texture->name : 0);
    bindSampler(s);
}

}  // namespace

bool GlDevice::drawPrimitive(PrimitiveType type, std::uint32_t firstVertex, std::uint32_t primitiveCount) {
    GlState& s = *state;
    if (!s.initialised || !s.inScene || s.stream == nullptr || s.stream->locked || !s.makeCurrent()) return false;
    const std::uint32_t format = s.vertexFormat;
    if (!(format & kVertexPosition)) return false;
    const std::uint64_t count = verticesFor(type, primitiveCount);
    if (count == 0) return primitiveCount == 0;
    const std::uint32_t vertexSize = std::uint32_t(vertexSizeOfFormat(format));
    if (s.stride < vertexSize) return false;
    // Every vertex drawn must lie inside the buffer.
    const std::uint64_t lastByte = (std::uint64_t(firstVertex) + count - 1) * s.stride + vertexSize;
    if (lastByte > s.stream->bytes.size()) return false;

    QOpenGLExtraFunctions* gl = s.gl;
    gl->glBindVertexArray(s.vao);
    gl->glBindBuffer(GL_ARRAY_BUFFER, s.stream->name);
    std::uintptr_t offset = 0;
    auto attribute = [&](GLuint location, GLint size, GLenum type_, GLboolean normalise, std::uintptr_t at) {
        gl->glEnableVertexAttribArray(location);
        gl->glVertexAttribPointer(location, size, type_, normalise, GLsizei(s.stride), reinterpret_cast<void*>(at));
    };
    attribute(0, 3, GL_FLOAT, GL_FALSE, offset);
    offset += 12;
    const bool hasNormal = format & kVertexNormal;
    if (hasNormal) {
        attribute(1, 3, GL_FLOAT, GL_FALSE, offset);
        offset += 12;
    } else {
        gl->glDisableVertexAttribArray(1);
    }
    if (format & kVertexPointSize) offset += 4;
    const bool hasColour = format & kVertexDiffuse;
    if (hasColour) {
        attribute(2, GLint(kBgra), GL_UNSIGNED_BYTE, GL_TRUE, offset);
        offset += 4;
    } else {
        gl->glDisableVertexAttribArray(2);
    }
    if (format & kVertexSpecular) offset += 4;
    if ((format & kVertexTexCountMask) != 0) {
        attribute(3, 2, GL_FLOAT, GL_FALSE, offset);
    } else {
        gl->glDisableVertexAttribArray(3);
        gl->glVertexAttrib2f(3, 0.0f, 0.0f);
    }
    useSceneProgram(s, hasColour, hasNormal);
    gl->glDrawArrays(glPrimitive(type), GLint(firstVertex), GLsizei(count));
    return gl->glGetError() == GL_NO_ERROR;
}

std::unique_ptr<Texture> GlDevice::loadTexture(const std::string& path, const TextureLoadOptions&) {
    GlState& s = *state;
    if (!s.initialised || !s.makeCurrent()) return nullptr;
    Image image;
    if (!loadImageFile(toNativeSeparators(path), image)) return nullptr;
    auto texture = std::make_unique<GlTexture>(state);
    QOpenGLExtraFunctions* gl = s.gl;
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindTexture(GL_TEXTURE_2D, texture->name);
    const int fullChain = fullMipCount(image.width(), image.height());
    const int stored = int(image.levels.size());
    if (image.compressed() && s.s3tc) {
        const GLenum internal = image.format == PixelFormat::Dxt1   ? kCompressedDxt1
                                : image.format == PixelFormat::Dxt3 ? kCompressedDxt3
                                                                    : kCompressedDxt5;
        for (int level = 0; level < stored; ++level) {
            const ImageLevel& l = image.levels[std::size_t(level)];
            gl->glCompressedTexImage2D(GL_TEXTURE_2D, level, internal, l.width, l.height, 0, GLsizei(l.data.size()),
                                       l.data.data());
        }
        // Compressed levels cannot be generated here; sample only what the file has.
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, stored - 1);
    } else {
        std::vector<std::uint8_t> rgba;
        for (int level = 0; level < stored; ++level) {
            const ImageLevel& l = image.levels[std::size_t(level)];
            const std::uint8_t* texels = l.data.data();
            if (image.compressed()) {
                if (!decompressDxtLevel(image.format, l, rgba)) return nullptr;
                texels = rgba.data();
            }
            gl->glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, l.width, l.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
        }
        if (stored < fullChain) {
            gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, stored == 1 ? 1000 : stored - 1);
            if (stored == 1) gl->glGenerateMipmap(GL_TEXTURE_2D);
        }
    }
    if (gl->glGetError() != GL_NO_ERROR) return nullptr;
    return texture;
}

bool GlDevice::setTexture(int stage, Texture* texture) {
    if (stage < 0 || stage >= kMaxStages) return false;
    if (stage != 0) return true;  // only stage 0 takes part in drawing
    if (texture == nullptr) {
        state->texture = nullptr;
        return true;
    }
    auto* t = dynamic_cast<GlTexture*>(texture);
    if (t == nullptr) return false;
    state->texture = t;
    return true;
}

std::unique_ptr<Mesh> GlDevice::loadMesh(const std::string& path) {
    GlState& s = *state;
    if (!s.initialised || !s.makeCurrent()) return nullptr;
    XMeshData data;
    if (!loadXMesh(toNativeSeparators(path), data)) return nullptr;
    auto mesh = std::make_unique<GlMesh>(state);
    mesh->materialList = data.materials;
    QOpenGLExtraFunctions* gl = s.gl;
    gl->glBindVertexArray(s.vao);
    for (const XMeshSubset& subset : data.subsets) {
        GlSubset out;
        out.hasColours = subset.hasVertexColours;
        out.hasNormals = subset.hasNormals;
        std::vector<MeshVertexLayout> vertices(subset.vertices.size());
        for (std::size_t i = 0; i < subset.vertices.size(); ++i) {
            const XMeshVertex& v = subset.vertices[i];
            MeshVertexLayout& o = vertices[i];
            o = {v.x, v.y, v.z, v.nx, v.ny, v.nz, v.u, v.v, 255, 255, 255, 255};
            if (out.hasColours && i < subset.vertexColours.size()) {
                const ColorValue& c = subset.vertexColours[i];
                auto byte = [](float f) { return std::uint8_t(std::lround(std::clamp(f, 0.0f, 1.0f) * 255.0f)); };
                o.r = byte(c.r);
                o.g = byte(c.g);
                o.b = byte(c.b);
                o.a = byte(c.a);
            }
        }
        gl->glGenBuffers(1, &out.vertexBuffer);
        gl->glBindBuffer(GL_ARRAY_BUFFER, out.vertexBuffer);
        gl->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(MeshVertexLayout)),
                         vertices.empty() ? nullptr : vertices.data(), GL_STATIC_DRAW);
        gl->glGenBuffers(1, &out.indexBuffer);
        gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, out.indexBuffer);
        gl->glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(subset.indices.size() * sizeof(std::uint32_t)),
                         subset.indices.empty() ? nullptr : subset.indices.data(), GL_STATIC_DRAW);
        out.indexCount = GLsizei(subset.indices.size());
        mesh->subsets.push_back(out);
    }
    if (gl->glGetError() != GL_NO_ERROR) return nullptr;
    return mesh;
}

bool GlDevice::drawSubset(Mesh& mesh, int subset) {
    GlState& s = *state;
    auto* m = dynamic_cast<GlMesh*>(&mesh);
    if (m == nullptr || !s.initialised || !s.inScene || subset < 0 || subset >= m->subsetCount() || !s.makeCurrent()) {
        return false;
    }
    const GlSubset& sub = m->subsets[std::size_t(subset)];
    if (sub.indexCount == 0) return true;  // a material no face uses
    QOpenGLExtraFunctions* gl = s.gl;
    gl->glBindVertexArray(s.vao);
    gl->glBindBuffer(GL_ARRAY_BUFFER, sub.vertexBuffer);
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, sub.indexBuffer);
    const GLsizei stride = sizeof(MeshVertexLayout);
    gl->glEnableVertexAttribArray(0);
    gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(0));
    gl->glEnableVertexAttribArray(1);
    gl->glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(12));
    gl->glEnableVertexAttribArray(3);
    gl->glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(24));
    if (sub.hasColours) {
        gl->glEnableVertexAttribArray(2);
        gl->glVertexAttribPointer(2, GLint(kBgra), GL_UNSIGNED_BYTE, GL_TRUE, stride, reinterpret_cast<void*>(32));
    } else {
        gl->glDisableVertexAttribArray(2);
    }
    useSceneProgram(s, sub.hasColours, sub.hasNormals);
    gl->glDrawElements(GL_TRIANGLES, sub.indexCount, GL_UNSIGNED_INT, nullptr);
    return gl->glGetError() == GL_NO_ERROR;
}

std::unique_ptr<Font> GlDevice::createFont(const FontDescription& description) {
    GlState& s = *state;
    if (!s.initialised || !s.makeCurrent()) return nullptr;
    // "Arial" is drawn with its metric-compatible free counterpart.
    QString family = QString::fromStdString(description.faceName);
    if (family.compare(QStringLiteral("Arial"), Qt::CaseInsensitive) == 0 || family.isEmpty()) {
        family = QStringLiteral("Liberation Sans");
    }
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setHintingPreference(QFont::PreferFullHinting);
    int pixels = description.height < 0 ? -description.height : description.height;
    if (pixels == 0) pixels = 12;
    font.setPixelSize(pixels);
    if (description.height > 0) {
        // A positive height is the whole cell: shrink the em until the cell fits.
        const QFontMetrics trial(font);
        if (trial.height() > 0) font.setPixelSize(std::max(1, pixels * pixels / trial.height()));
    }
    const QFontMetrics metrics(font);
    auto result = std::make_unique<GlFont>(state);
    result->lineHeight = metrics.height();
    // Latin-1 glyphs in rows of a 512-wide atlas.
    const int cellHeight = metrics.height() + 2;
    const int atlasWidth = 512;
    int x = 1;
    int y = 1;
    for (int c = 32; c < 256; ++c) {
        if (c >= 127 && c < 160) continue;
        const QChar ch{char16_t(c)};
        Glyph& g = result->glyphs[std::size_t(c)];
        g.advance = metrics.horizontalAdvance(ch);
        g.width = std::max(g.advance, metrics.boundingRect(ch).right() + 1) + 2;
        if (x + g.width + 1 > atlasWidth) {
            x = 1;
            y += cellHeight;
        }
        g.x = x;
        g.y = y;
        x += g.width + 1;
    }
    const int atlasHeight = y + cellHeight + 1;
    QImage image(atlasWidth, atlasHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::white);
        for (int c = 32; c < 256; ++c) {
            if (c >= 127 && c < 160) continue;
            const Glyph& g = result->glyphs[std::size_t(c)];
            painter.drawText(QPoint(g.x, g.y + metrics.ascent()), QString(QChar(char16_t(c))));
        }
    }
    std::vector<std::uint8_t> coverage(std::size_t(atlasWidth) * std::size_t(atlasHeight));
    for (int row = 0; row < atlasHeight; ++row) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(row));
        for (int col = 0; col < atlasWidth; ++col) {
            coverage[std::size_t(row) * atlasWidth + std::size_t(col)] = std::uint8_t(qAlpha(line[col]));
        }
    }
    result->atlasWidth = atlasWidth;
    result->atlasHeight = atlasHeight;
    QOpenGLExtraFunctions* gl = s.gl;
    gl->glGenTextures(1, &result->atlas);
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindTexture(GL_TEXTURE_2D, result->atlas);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, atlasWidth, atlasHeight, 0, GL_RED, GL_UNSIGNED_BYTE, coverage.data());
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    if (gl->glGetError() != GL_NO_ERROR) return nullptr;
    return result;
}

bool GlDevice::beginText(Font& font) {
    auto* f = dynamic_cast<GlFont*>(&font);
    if (f == nullptr || f->begun || !state->initialised) return false;
    f->begun = true;
    return true;
}

int GlDevice::drawText(Font& font, const std::string& text, int length, const TextRect& rect, std::uint32_t,
                       std::uint32_t colorArgb) {
    GlState& s = *state;
    auto* f = dynamic_cast<GlFont*>(&font);
    if (f == nullptr || !s.initialised || !s.makeCurrent()) return 0;
    const std::size_t count = length < 0 ? text.size() : std::min(text.size(), std::size_t(length));
    // Lay the glyphs out as quads in window pixels: CR, LF and CR LF each end a line.
    std::vector<float>& quads = s.textQuads;
    quads.clear();
    int penX = rect.left;
    int penY = rect.top;
    int lines = count > 0 ? 1 : 0;
    const float invW = 1.0f / float(f->atlasWidth);
    const float invH = 1.0f / float(f->atlasHeight);
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < count && text[i + 1] == '\n') ++i;
            penX = rect.left;
            penY += f->lineHeight;
            if (i + 1 < count) ++lines;
            continue;
        }
        const Glyph& g = f->glyphs[(c == '\t' || c < 32 || (c >= 127 && c < 160)) ? ' ' : c];
        const float x0 = float(penX - 1);
        const float y0 = float(penY - 1);
        const float x1 = x0 + float(g.width);
        const float y1 = y0 + float(f->lineHeight + 2);
        const float u0 = float(g.x - 1) * invW;
        const float v0 = float(g.y - 1) * invH;
        const float u1 = float(g.x - 1 + g.width) * invW;
        const float v1 = float(g.y - 1 + f->lineHeight + 2) * invH;
        const float quad[] = {x0, y0, u0, v0, x1, y0, u1, v0, x1, y1, u1, v1,
                              x0, y0, u0, v0, x1, y1, u1, v1, x0, y1, u0, v1};
        quads.insert(quads.end(), std::begin(quad), std::end(quad));
        penX += g.advance;
    }
    const int height = lines * f->lineHeight;
    if (quads.empty()) return height;

    QOpenGLExtraFunctions* gl = s.gl;
    gl->glBindVertexArray(s.vao);
    gl->glBindBuffer(GL_ARRAY_BUFFER, s.textBuffer);
    gl->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(quads.size() * sizeof(float)), quads.data(), GL_STREAM_DRAW);
    gl->glEnableVertexAttribArray(0);
    gl->glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 16, reinterpret_cast<void*>(0));
    gl->glEnableVertexAttribArray(1);
    gl->glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 16, reinterpret_cast<void*>(8));
    gl->glDisableVertexAttribArray(2);
    gl->glDisableVertexAttribArray(3);
    gl->glUseProgram(s.textProgram);
    gl->glUniform2f(s.at(Uniform::uViewport), float(s.viewportWidth), float(s.viewportHeight));
    const auto colour = argbToFloats(colorArgb);
    gl->glUniform4f(s.at(Uniform::uColour), colour[0], colour[1], colour[2], colour[3]);
    gl->glUniform1i(s.at(Uniform::uAtlas), 0);
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindTexture(GL_TEXTURE_2D, f->atlas);
    gl->glBindSampler(0, 0);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    // Text sits over the scene, clipped to its rectangle (bottom and right exclusive).
    gl->glDisable(GL_DEPTH_TEST);
    gl->glDepthMask(GL_FALSE);
    gl->glEnable(GL_BLEND);
    gl->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl->glEnable(GL_SCISSOR_TEST);
    const int clipWidth = std::max(0, rect.right - rect.left);
    const int clipHeight = std::max(0, rect.bottom - rect.top);
    gl->glScissor(rect.left, s.viewportHeight - rect.top - clipHeight, clipWidth, clipHeight);
    gl->glDrawArrays(GL_TRIANGLES, 0, GLsizei(quads.size() / 4));
    gl->glDisable(GL_SCISSOR_TEST);
    gl->glDisable(GL_BLEND);
    if (s.depthTest) gl->glEnable(GL_DEPTH_TEST);
    gl->glDepthMask(s.depthTest ? GL_TRUE : GL_FALSE);
    return gl->glGetError() == GL_NO_ERROR ? height : 0;
}

bool GlDevice::endText(Font& font) {
    auto* f = dynamic_cast<GlFont*>(&font);
    if (f == nullptr || !f->begun) return false;
    f->begun = false;
    return true;
}

}  // namespace torvask
