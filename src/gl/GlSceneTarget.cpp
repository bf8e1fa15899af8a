#include "gl/GlSceneTarget.h"

#include <QWindow>
#include <algorithm>
#include <cmath>

namespace torvask {

void releaseSceneTarget(GlState& s) {
    QOpenGLExtraFunctions* gl = s.gl;
    if (gl == nullptr) return;
    if (s.sceneFramebuffer != 0) gl->glDeleteFramebuffers(1, &s.sceneFramebuffer);
    if (s.sceneColour != 0) gl->glDeleteTextures(1, &s.sceneColour);
    if (s.sceneDepth != 0) gl->glDeleteRenderbuffers(1, &s.sceneDepth);
    s.sceneFramebuffer = s.sceneColour = s.sceneDepth = 0;
    s.targetWidth = s.targetHeight = 0;
    s.drawingScaled = false;
}

namespace {

bool makeTarget(GlState& s, int width, int height) {
    QOpenGLExtraFunctions* gl = s.gl;
    if (s.sceneFramebuffer == 0) {
        gl->glGenFramebuffers(1, &s.sceneFramebuffer);
        gl->glGenTextures(1, &s.sceneColour);
        gl->glGenRenderbuffers(1, &s.sceneDepth);
    }
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindTexture(GL_TEXTURE_2D, s.sceneColour);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl->glBindRenderbuffer(GL_RENDERBUFFER, s.sceneDepth);
    gl->glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    gl->glBindRenderbuffer(GL_RENDERBUFFER, 0);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, s.sceneFramebuffer);
    gl->glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, s.sceneColour, 0);
    gl->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, s.sceneDepth);
    if (gl->glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        gl->glBindFramebuffer(GL_FRAMEBUFFER, s.context->defaultFramebufferObject());
        releaseSceneTarget(s);
        return false;
    }
    s.targetWidth = width;
    s.targetHeight = height;
    return true;
}

}  // namespace

bool bindSceneTarget(GlState& s) {
    double ratio = 1.0;
    if (auto* window = dynamic_cast<QWindow*>(s.surface)) ratio = window->devicePixelRatio();
    const QSize size = s.surface->size();
    s.viewportWidth = std::max(1, int(std::lround(size.width() * ratio)));
    s.viewportHeight = std::max(1, int(std::lround(size.height() * ratio)));
    s.sceneWidth = s.viewportWidth;
    s.sceneHeight = s.viewportHeight;
    s.drawingScaled = false;
    bool ok = true;
    if (s.sceneScale < 1.0) {
        const int width = std::max(1, int(std::lround(s.viewportWidth * s.sceneScale)));
        const int height = std::max(1, int(std::lround(s.viewportHeight * s.sceneScale)));
        if ((width == s.targetWidth && height == s.targetHeight) || makeTarget(s, width, height)) {
            s.gl->glBindFramebuffer(GL_FRAMEBUFFER, s.sceneFramebuffer);
            s.sceneWidth = width;
            s.sceneHeight = height;
            s.drawingScaled = true;
        } else {
            ok = false;
        }
    } else if (s.sceneFramebuffer != 0) {
        // Back at full size: the offscreen buffers are a window's worth of memory for nothing.
        releaseSceneTarget(s);
    }
    if (!s.drawingScaled) s.gl->glBindFramebuffer(GL_FRAMEBUFFER, s.context->defaultFramebufferObject());
    s.gl->glViewport(0, 0, s.sceneWidth, s.sceneHeight);
    return ok;
}

void resolveSceneTarget(GlState& s) {
    if (!s.drawingScaled) return;
    QOpenGLExtraFunctions* gl = s.gl;
    // One triangle over the window sampling the nearest texel, rather than a framebuffer blit
    // or linear filtering: on a software rasteriser either of those costs about twice as much
    // per window pixel, and this pass touches every one of them.
    gl->glBindFramebuffer(GL_FRAMEBUFFER, s.context->defaultFramebufferObject());
    gl->glViewport(0, 0, s.viewportWidth, s.viewportHeight);
    gl->glDisable(GL_DEPTH_TEST);
    gl->glDepthMask(GL_FALSE);
    gl->glDisable(GL_BLEND);
    gl->glBindVertexArray(s.vao);
    for (GLuint location = 0; location < 4; ++location) gl->glDisableVertexAttribArray(location);
    gl->glUseProgram(s.programs.stretch);
    gl->glUniform1i(s.at(Uniform::uScene), 0);
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindTexture(GL_TEXTURE_2D, s.sceneColour);
    gl->glBindSampler(0, 0);
    gl->glDrawArrays(GL_TRIANGLES, 0, 3);
    applyBlend(s);
    if (s.depthTest) gl->glEnable(GL_DEPTH_TEST);
    gl->glDepthMask(s.depthTest ? GL_TRUE : GL_FALSE);
    s.drawingScaled = false;
}

}  // namespace torvask
