#include "gl/GlDevice.h"

#include <QOffscreenSurface>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "gl/GlSceneTarget.h"
#include "gl/GlState.h"

// The device's frame, transforms and render states live here; shader programs, textures,
// geometry and text each have a file of their own.

namespace torvask {

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
        deletePrograms(gl, state->programs);
        releaseSceneTarget(*state);
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
    if (!buildPrograms(gl, s.programs)) return false;
    // A software rasteriser decodes a compressed block for every texel it samples, and the ground
    // and track fill most of every frame; their blocks are expanded once at upload there instead.
    // A GPU samples compressed blocks for free and keeps them small.
    const auto* renderer = reinterpret_cast<const char*>(gl->glGetString(GL_RENDERER));
    s.software = renderer != nullptr && (std::strstr(renderer, "llvmpipe") != nullptr ||
                                         std::strstr(renderer, "softpipe") != nullptr ||
                                         std::strstr(renderer, "swrast") != nullptr);
    s.s3tc = !s.software && s.context->hasExtension("GL_EXT_texture_compression_s3tc");
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

bool GlDevice::isSoftwareRasteriser() const { return state->software; }

void GlDevice::setSceneScale(double scale) {
    state->sceneScale = std::clamp(scale, SceneScaleGovernor::kStep, 1.0);
}

double GlDevice::sceneScale() const { return state->sceneScale; }

void GlDevice::setFrameRateTarget(double fps) {
    GlState& s = *state;
    s.targetFps = std::max(0.0, fps);
    if (s.targetFps > 0.0) s.governor = SceneScaleGovernor(s.targetFps);
}

bool GlDevice::readBackBuffer(std::vector<std::uint8_t>& rgba, int& width, int& height) {
    GlState& s = *state;
    if (!s.initialised || !s.makeCurrent()) return false;
    resolveSceneTarget(s);
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
    // The scene's clear comes before its beginScene, and must reach the buffers it draws into.
    if (!s.inScene) bindSceneTarget(s);
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
    bindSceneTarget(s);
    s.inScene = true;
    return true;
}

bool GlDevice::endScene() {
    GlState& s = *state;
    if (!s.inScene) return false;
    s.inScene = false;
    resolveSceneTarget(s);
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
    if (s.targetFps > 0.0 && s.software) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
        s.sceneScale = s.governor.framePresented(static_cast<std::uint32_t>(ms.count()));
    }
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
        case RenderState::AlphaBlend:
            s.alphaBlend = enabled;
            if (s.initialised && s.makeCurrent()) applyBlend(s);
            return true;
    }
    return false;
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

}  // namespace torvask
