#include "gl/GlPrograms.h"

#include <cmath>
#include <iterator>

#include "gl/GlState.h"
#include "gl/GlTextures.h"

namespace torvask {

namespace {

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

// The scene drawn at a reduced scale, stretched over the whole window: one triangle that covers
// it, its corners from the vertex index alone (no vertex buffer).
const char* const kStretchVertexShader = R"(#version 330 core
out vec2 vUv;
void main() {
    vec2 corner = vec2(float((gl_VertexID & 1) << 2), float((gl_VertexID & 2) << 1));
    vUv = corner * 0.5;
    gl_Position = vec4(corner - 1.0, 0.0, 1.0);
}
)";

const char* const kStretchFragmentShader = R"(#version 330 core
in vec2 vUv;
uniform sampler2D uScene;
out vec4 fragColour;
void main() {
    fragColour = texture(uScene, vUv);
}
)";

enum class Program { Scene, Text, Stretch };

struct UniformEntry {
    Uniform id;
    Program program;
    const char* name;
};

constexpr UniformEntry kUniforms[] = {
    {Uniform::uWorld, Program::Scene, "uWorld"},
    {Uniform::uView, Program::Scene, "uView"},
    {Uniform::uProjection, Program::Scene, "uProjection"},
    {Uniform::uLighting, Program::Scene, "uLighting"},
    {Uniform::uHasColour, Program::Scene, "uHasColour"},
    {Uniform::uHasNormal, Program::Scene, "uHasNormal"},
    {Uniform::uMaterialDiffuse, Program::Scene, "uMaterialDiffuse"},
    {Uniform::uMaterialAmbient, Program::Scene, "uMaterialAmbient"},
    {Uniform::uMaterialEmissive, Program::Scene, "uMaterialEmissive"},
    {Uniform::uAmbientSum, Program::Scene, "uAmbientSum"},
    {Uniform::uLightCount, Program::Scene, "uLightCount"},
    {Uniform::uLightDirection, Program::Scene, "uLightDirection"},
    {Uniform::uLightDiffuse, Program::Scene, "uLightDiffuse"},
    {Uniform::uTexture, Program::Scene, "uTexture"},
    {Uniform::uTextured, Program::Scene, "uTextured"},
    {Uniform::uViewport, Program::Text, "uViewport"},
    {Uniform::uColour, Program::Text, "uColour"},
    {Uniform::uAtlas, Program::Text, "uAtlas"},
    {Uniform::uScene, Program::Stretch, "uScene"},
};

// The table is indexed by the enum: every enumerator has exactly one row, at its own place.
constexpr bool rowsFollowTheEnum() {
    for (std::size_t i = 0; i < std::size(kUniforms); ++i) {
        if (kUniforms[i].id != Uniform(i)) return false;
    }
    return true;
}
static_assert(std::size(kUniforms) == std::size_t(Uniform::Count) && rowsFollowTheEnum(),
              "one row per Uniform, in the enum's order");

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

}  // namespace

bool buildPrograms(QOpenGLExtraFunctions* gl, GlPrograms& programs) {
    programs.scene = link(gl, kSceneVertexShader, kSceneFragmentShader);
    programs.text = link(gl, kTextVertexShader, kTextFragmentShader);
    programs.stretch = link(gl, kStretchVertexShader, kStretchFragmentShader);
    bool ok = programs.scene != 0 && programs.text != 0 && programs.stretch != 0;
    for (const UniformEntry& u : kUniforms) {
        if (!ok) break;
        const GLuint program = u.program == Program::Scene  ? programs.scene
                               : u.program == Program::Text ? programs.text
                                                            : programs.stretch;
        programs.locations[int(u.id)] = gl->glGetUniformLocation(program, u.name);
        ok = programs.locations[int(u.id)] >= 0;
    }
    if (!ok) deletePrograms(gl, programs);
    return ok;
}

void deletePrograms(QOpenGLExtraFunctions* gl, GlPrograms& programs) {
    if (programs.scene != 0) gl->glDeleteProgram(programs.scene);
    if (programs.text != 0) gl->glDeleteProgram(programs.text);
    if (programs.stretch != 0) gl->glDeleteProgram(programs.stretch);
    programs.scene = programs.text = programs.stretch = 0;
}

void useSceneProgram(GlState& s, bool hasColour, bool hasNormal) {
    QOpenGLExtraFunctions* gl = s.gl;
    gl->glUseProgram(s.programs.scene);
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
    bindTextureStage(s);
}

}  // namespace torvask
