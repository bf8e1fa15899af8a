#pragma once
// The device's shader programs: the scene's, which reproduces the fixed-function look, the text
// overlay's, and the one that stretches a scene drawn at a reduced scale over the window; and
// the table of their uniforms, whose locations are looked up once at start-up rather than by
// name on every draw. Internal to gl/.
#include <QOpenGLExtraFunctions>

namespace torvask {

struct GlState;

enum class Uniform {
    // scene program
    uWorld, uView, uProjection, uLighting, uHasColour, uHasNormal, uMaterialDiffuse, uMaterialAmbient,
    uMaterialEmissive, uAmbientSum, uLightCount, uLightDirection, uLightDiffuse, uTexture, uTextured,
    // text program
    uViewport, uColour, uAtlas,
    // stretch program (the reduced scene over the window)
    uScene,
    Count
};

struct GlPrograms {
    GLuint scene = 0;
    GLuint text = 0;
    GLuint stretch = 0;
    GLint locations[int(Uniform::Count)] = {};
    GLint at(Uniform u) const { return locations[int(u)]; }
};

// Builds the programs and finds every uniform of the table. False, with nothing left behind,
// when a shader does not build or a program lacks a uniform the table gives it (a name that no
// longer matches its shader would otherwise leave that uniform silently unset).
bool buildPrograms(QOpenGLExtraFunctions* gl, GlPrograms& programs);
void deletePrograms(QOpenGLExtraFunctions* gl, GlPrograms& programs);

// Makes the scene program current with the state's transforms, lights, material and texture
// stage 0, for a draw whose vertices do or do not carry a colour and a normal.
void useSceneProgram(GlState& s, bool hasColour, bool hasNormal);

}  // namespace torvask
