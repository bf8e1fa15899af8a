#include "gl/GlTextures.h"

#include <algorithm>

#include "common/Paths.h"
#include "gfx/ImageDecoder.h"
#include "gl/GlDevice.h"

namespace torvask {

namespace {

// S3TC enums (GL_EXT_texture_compression_s3tc); DXT1 keeps its one-bit alpha.
constexpr GLenum kCompressedDxt1 = 0x83F1;
constexpr GLenum kCompressedDxt3 = 0x83F2;
constexpr GLenum kCompressedDxt5 = 0x83F3;

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

}  // namespace

void bindTextureStage(GlState& s) {
    const std::uint32_t* stage = s.stageStates[0];
    QOpenGLExtraFunctions* gl = s.gl;
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindTexture(GL_TEXTURE_2D, s.texture ? s.texture->name : 0);
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

}  // namespace torvask
