#pragma once
// Text: a Latin-1 glyph atlas per font, drawn as quads over the scene. Internal to gl/.
#include <array>

#include "gl/GlState.h"

namespace torvask {

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

}  // namespace torvask
