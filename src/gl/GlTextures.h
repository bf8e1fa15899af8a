#pragma once
// Textures: upload of decoded images (DDS, PNG, JPEG) and the sampler of texture stage 0.
// Internal to gl/.
#include "gl/GlState.h"

namespace torvask {

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

// Binds stage 0's texture (none: texture 0) and the sampler that carries its states.
void bindTextureStage(GlState& s);

}  // namespace torvask
