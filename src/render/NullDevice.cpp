#include "render/NullDevice.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <system_error>
#include <utility>

namespace torvask {

namespace {

std::string fmtFloat(float f) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(f));
    return buf;
}

std::string fmtHex(std::uint32_t v, int width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%0*X", width, v);
    return buf;
}

// Built by appending: GCC 12 misreads `"(" + std::string` at -O2 as an overlapping copy.
std::string fmtList(std::initializer_list<float> values) {
    std::string out = "(";
    for (float v : values) {
        if (out.size() > 1) out += ' ';
        out += fmtFloat(v);
    }
    out += ')';
    return out;
}

std::string fmtColor(const ColorValue& c) { return fmtList({c.r, c.g, c.b, c.a}); }

std::string fmtVec(const Vector3f& v) { return fmtList({v.x, v.y, v.z}); }

std::string fmtMatrix(const Matrix4& m) {
    std::string out = "[";
    for (int r = 0; r < 4; ++r) {
        if (r) out += " |";
        for (int c = 0; c < 4; ++c) {
            if (r != 0 || c != 0) out += ' ';
            out += fmtFloat(m.m[r][c]);
        }
    }
    out += ']';
    return out;
}

// Quoted, with backslash, quote and control characters escaped so one call stays one line.
std::string quote(const std::string& s) {
    std::string out = "\"";
    for (char ch : s) {
        switch (ch) {
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(ch) < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned char>(ch));
                    out += buf;
                } else {
                    out += ch;
                }
        }
    }
    return out + "\"";
}

std::string ref(int id) {
    if (!id) return "none";
    std::string out = "#";
    out += std::to_string(id);
    return out;
}

const char* transformName(TransformKind k) {
    switch (k) {
        case TransformKind::World: return "World";
        case TransformKind::View: return "View";
        case TransformKind::Projection: return "Projection";
    }
    return "?";
}

const char* renderStateName(RenderState s) {
    switch (s) {
        case RenderState::Lighting: return "Lighting";
        case RenderState::DepthTest: return "DepthTest";
        case RenderState::AlphaBlend: return "AlphaBlend";
    }
    return "?";
}

const char* stageStateName(TextureStageState s) {
    switch (s) {
        case TextureStageState::AddressU: return "AddressU";
        case TextureStageState::AddressV: return "AddressV";
        case TextureStageState::MagFilter: return "MagFilter";
        case TextureStageState::MinFilter: return "MinFilter";
        case TextureStageState::MipFilter: return "MipFilter";
    }
    return "?";
}

std::string stageValueName(TextureStageState s, std::uint32_t v) {
    if (s == TextureStageState::AddressU || s == TextureStageState::AddressV) {
        switch (static_cast<TextureAddress>(v)) {
            case TextureAddress::Wrap: return "Wrap";
            case TextureAddress::Mirror: return "Mirror";
            case TextureAddress::Clamp: return "Clamp";
        }
    } else {
        switch (static_cast<TextureFilter>(v)) {
            case TextureFilter::None: return "None";
            case TextureFilter::Point: return "Point";
            case TextureFilter::Linear: return "Linear";
            case TextureFilter::Anisotropic: return "Anisotropic";
        }
    }
    return std::to_string(v);
}

std::string imageFilterName(ImageFilter f) {
    switch (f) {
        case ImageFilter::None: return "None";
        case ImageFilter::Point: return "Point";
        case ImageFilter::Linear: return "Linear";
        case ImageFilter::Triangle: return "Triangle";
        case ImageFilter::Box: return "Box";
    }
    return std::to_string(static_cast<std::uint32_t>(f));
}

std::string primitiveName(PrimitiveType p) {
    switch (p) {
        case PrimitiveType::PointList: return "PointList";
        case PrimitiveType::LineList: return "LineList";
        case PrimitiveType::LineStrip: return "LineStrip";
        case PrimitiveType::TriangleList: return "TriangleList";
        case PrimitiveType::TriangleStrip: return "TriangleStrip";
        case PrimitiveType::TriangleFan: return "TriangleFan";
    }
    return std::to_string(static_cast<std::uint32_t>(p));
}

std::string lightTypeName(LightType t) {
    switch (t) {
        case LightType::Point: return "Point";
        case LightType::Spot: return "Spot";
        case LightType::Directional: return "Directional";
    }
    return std::to_string(static_cast<std::uint32_t>(t));
}

bool isRegularFile(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

void recordRelease(const std::shared_ptr<DeviceLog>& log, int id, const char* kind) {
    if (!log) return;
    DeviceCall call;
    call.op = DeviceOp::Release;
    call.resource = id;
    call.text = kind;
    log->calls.push_back(std::move(call));
}

}  // namespace

const char* deviceOpName(DeviceOp op) {
    switch (op) {
        case DeviceOp::Clear: return "clear";
        case DeviceOp::BeginScene: return "beginScene";
        case DeviceOp::EndScene: return "endScene";
        case DeviceOp::Present: return "present";
        case DeviceOp::SetTransform: return "setTransform";
        case DeviceOp::SetRenderState: return "setRenderState";
        case DeviceOp::SetTextureStageState: return "setTextureStageState";
        case DeviceOp::SetLight: return "setLight";
        case DeviceOp::LightEnable: return "lightEnable";
        case DeviceOp::SetMaterial: return "setMaterial";
        case DeviceOp::CreateVertexBuffer: return "createVertexBuffer";
        case DeviceOp::LockVertexBuffer: return "lockVertexBuffer";
        case DeviceOp::UnlockVertexBuffer: return "unlockVertexBuffer";
        case DeviceOp::SetStreamSource: return "setStreamSource";
        case DeviceOp::SetVertexFormat: return "setVertexFormat";
        case DeviceOp::DrawPrimitive: return "drawPrimitive";
        case DeviceOp::LoadTexture: return "loadTexture";
        case DeviceOp::SetTexture: return "setTexture";
        case DeviceOp::LoadMesh: return "loadMesh";
        case DeviceOp::DrawSubset: return "drawSubset";
        case DeviceOp::CreateFont: return "createFont";
        case DeviceOp::BeginText: return "beginText";
        case DeviceOp::DrawText: return "drawText";
        case DeviceOp::EndText: return "endText";
        case DeviceOp::Release: return "release";
    }
    return "?";
}

std::string DeviceCall::describe() const {
    std::string args;
    bool creation = false;
    switch (op) {
        case DeviceOp::Clear:
            args = fmtHex(flags, 1) + ", " + fmtHex(color, 8) + ", " + fmtFloat(depth) + ", " + std::to_string(value);
            break;
        case DeviceOp::BeginScene:
        case DeviceOp::EndScene:
        case DeviceOp::Present:
            break;
        case DeviceOp::SetTransform:
            args = std::string(transformName(transform)) + ", " + fmtMatrix(matrix);
            break;
        case DeviceOp::SetRenderState:
            args = std::string(renderStateName(renderState)) + (enabled ? ", on" : ", off");
            break;
        case DeviceOp::SetTextureStageState:
            args = std::to_string(index) + ", " + stageStateName(stageState) + ", " + stageValueName(stageState, value);
            break;
        case DeviceOp::SetLight:
            args = std::to_string(index) + ", " + lightTypeName(light.type) + ", diffuse " + fmtColor(light.diffuse) +
                   ", specular " + fmtColor(light.specular) + ", ambient " + fmtColor(light.ambient) + ", position " +
                   fmtVec(light.position) + ", direction " + fmtVec(light.direction) + ", range " +
                   fmtFloat(light.range) + ", falloff " + fmtFloat(light.falloff) + ", attenuation (" +
                   fmtFloat(light.attenuation0) + " " + fmtFloat(light.attenuation1) + " " +
                   fmtFloat(light.attenuation2) + "), theta " + fmtFloat(light.theta) + ", phi " + fmtFloat(light.phi);
            break;
        case DeviceOp::LightEnable:
            args = std::to_string(index) + (enabled ? ", on" : ", off");
            break;
        case DeviceOp::SetMaterial:
            args = "diffuse " + fmtColor(material.diffuse) + ", ambient " + fmtColor(material.ambient) +
                   ", specular " + fmtColor(material.specular) + ", emissive " + fmtColor(material.emissive) +
                   ", power " + fmtFloat(material.power);
            break;
        case DeviceOp::CreateVertexBuffer:
            args = std::to_string(count) + ", " + fmtHex(flags, 1) + ", " + fmtHex(value, 1);
            creation = true;
            break;
        case DeviceOp::LockVertexBuffer:
            args = ref(resource) + ", " + std::to_string(value) + ", " + std::to_string(count);
            break;
        case DeviceOp::UnlockVertexBuffer:
        case DeviceOp::BeginText:
        case DeviceOp::EndText:
            args = ref(resource);
            break;
        case DeviceOp::SetStreamSource:
            args = std::to_string(index) + ", " + ref(resource) + ", " + std::to_string(value);
            break;
        case DeviceOp::SetVertexFormat:
            args = fmtHex(value, 1);
            break;
        case DeviceOp::DrawPrimitive:
            args = primitiveName(primitive) + ", " + std::to_string(value) + ", " + std::to_string(count);
            break;
        case DeviceOp::LoadTexture:
            args = quote(text) + ", " + imageFilterName(textureOptions.imageFilter) + ", " +
                   imageFilterName(textureOptions.mipFilter);
            creation = true;
            break;
        case DeviceOp::SetTexture:
            args = std::to_string(index) + ", " + ref(resource);
            if (resource) args += " " + quote(text);
            break;
        case DeviceOp::LoadMesh:
            args = quote(text);
            creation = true;
            break;
        case DeviceOp::DrawSubset:
            args = ref(resource) + ", " + std::to_string(index);
            break;
        case DeviceOp::CreateFont:
            args = std::to_string(index) + ", " + quote(text);
            creation = true;
            break;
        case DeviceOp::DrawText:
            args = ref(resource) + ", " + quote(text) + ", " + std::to_string(index) + ", (" + std::to_string(rect.left) +
                   " " + std::to_string(rect.top) + " " + std::to_string(rect.right) + " " +
                   std::to_string(rect.bottom) + "), " + fmtHex(flags, 1) + ", " + fmtHex(color, 8);
            break;
        case DeviceOp::Release:
            args = text + " " + ref(resource);
            break;
    }
    std::string out = std::string(deviceOpName(op)) + "(" + args + ")";
    if (creation && result) out += " -> " + ref(resource);
    if (!result) out += " -> failed";
    return out;
}

std::vector<DeviceCall> DeviceLog::ofKind(DeviceOp op) const {
    std::vector<DeviceCall> out;
    for (const auto& c : calls)
        if (c.op == op) out.push_back(c);
    return out;
}

std::vector<std::string> DeviceLog::describeAll() const {
    std::vector<std::string> out;
    out.reserve(calls.size());
    for (const auto& c : calls) out.push_back(c.describe());
    return out;
}

std::vector<std::string> DeviceLog::describeAll(const std::set<DeviceOp>& kinds) const {
    std::vector<std::string> out;
    for (const auto& c : calls)
        if (kinds.count(c.op)) out.push_back(c.describe());
    return out;
}

std::vector<MeshMaterial> plainMeshMaterials(int count) {
    std::vector<MeshMaterial> out;
    for (int i = 0; i < count; ++i) {
        MeshMaterial m;
        m.material.diffuse = {static_cast<float>(i + 1) / 16.0f, 0.5f, 0.25f, 1.0f};
        out.push_back(m);
    }
    return out;
}

NullVertexBuffer::NullVertexBuffer(std::shared_ptr<DeviceLog> log, int id, std::uint32_t lengthBytes,
                                   std::uint32_t usage, std::uint32_t vertexFormat)
    : log_(std::move(log)), id_(id), usage_(usage), format_(vertexFormat), bytes_(lengthBytes, 0) {}

NullVertexBuffer::~NullVertexBuffer() { recordRelease(log_, id_, "vertex buffer"); }

NullTexture::NullTexture(std::shared_ptr<DeviceLog> log, int id, std::string path, TextureLoadOptions options)
    : log_(std::move(log)), id_(id), path_(std::move(path)), options_(options) {}

NullTexture::~NullTexture() { recordRelease(log_, id_, "texture"); }

NullMesh::NullMesh(std::shared_ptr<DeviceLog> log, int id, std::string path, std::vector<MeshMaterial> materials)
    : log_(std::move(log)), id_(id), path_(std::move(path)), materials_(std::move(materials)) {}

NullMesh::~NullMesh() { recordRelease(log_, id_, "mesh"); }

int NullMesh::subsetCount() const { return materials_.empty() ? 1 : static_cast<int>(materials_.size()); }

NullFont::NullFont(std::shared_ptr<DeviceLog> log, int id, FontDescription description)
    : log_(std::move(log)), id_(id), description_(std::move(description)) {}

NullFont::~NullFont() { recordRelease(log_, id_, "font"); }

NullDevice::NullDevice(NullDeviceOptions opts, std::shared_ptr<DeviceLog> log)
    : options(std::move(opts)), log_(log ? std::move(log) : std::make_shared<DeviceLog>()) {}

DeviceCall& NullDevice::record(DeviceOp op) {
    if (!options.keepCalls) {
        // Callers only write the fields of their operation and read the result back; nothing reads
        // the rest of a call that is not kept, so it is not cleared.
        scratch_.op = op;
        scratch_.result = !fails(op);
        return scratch_;
    }
    DeviceCall call;
    call.op = op;
    call.result = !fails(op);
    log_->calls.push_back(std::move(call));
    return log_->calls.back();
}

bool NullDevice::clear(std::uint32_t flags, std::uint32_t colorArgb, float depth, std::uint32_t stencil) {
    DeviceCall& c = record(DeviceOp::Clear);
    c.flags = flags;
    c.color = colorArgb;
    c.depth = depth;
    c.value = stencil;
    return c.result;
}

bool NullDevice::beginScene() { return record(DeviceOp::BeginScene).result; }
bool NullDevice::endScene() { return record(DeviceOp::EndScene).result; }
bool NullDevice::present() { return record(DeviceOp::Present).result; }

bool NullDevice::setTransform(TransformKind kind, const Matrix4& matrix) {
    DeviceCall& c = record(DeviceOp::SetTransform);
    c.transform = kind;
    c.matrix = matrix;
    return c.result;
}

bool NullDevice::setRenderState(RenderState state, bool enabled) {
    DeviceCall& c = record(DeviceOp::SetRenderState);
    c.renderState = state;
    c.enabled = enabled;
    return c.result;
}

bool NullDevice::setTextureStageState(int stage, TextureStageState state, std::uint32_t value) {
    DeviceCall& c = record(DeviceOp::SetTextureStageState);
    c.index = stage;
    c.stageState = state;
    c.value = value;
    return c.result;
}

bool NullDevice::setLight(int index, const Light& light) {
    DeviceCall& c = record(DeviceOp::SetLight);
    c.index = index;
    c.light = light;
    return c.result;
}

bool NullDevice::lightEnable(int index, bool enabled) {
    DeviceCall& c = record(DeviceOp::LightEnable);
    c.index = index;
    c.enabled = enabled;
    return c.result;
}

bool NullDevice::setMaterial(const Material& material) {
    DeviceCall& c = record(DeviceOp::SetMaterial);
    c.material = material;
    return c.result;
}

std::unique_ptr<VertexBuffer> NullDevice::createVertexBuffer(std::uint32_t lengthBytes, std::uint32_t usage,
                                                             std::uint32_t vertexFormat) {
    DeviceCall& c = record(DeviceOp::CreateVertexBuffer);
    c.count = lengthBytes;
    c.flags = usage;
    c.value = vertexFormat;
    // A buffer of no bytes is refused, as a real device refuses it.
    if (lengthBytes == 0) c.result = false;
    if (!c.result) return nullptr;
    c.resource = ++log_->lastResourceId;
    return std::make_unique<NullVertexBuffer>(resourceLog(), c.resource, lengthBytes, usage, vertexFormat);
}

void* NullDevice::lockVertexBuffer(VertexBuffer& buffer, std::uint32_t offsetBytes, std::uint32_t sizeBytes) {
    auto* nb = dynamic_cast<NullVertexBuffer*>(&buffer);
    DeviceCall& c = record(DeviceOp::LockVertexBuffer);
    c.resource = nb ? nb->id() : 0;
    c.value = offsetBytes;
    c.count = sizeBytes;
    const std::uint64_t end = std::uint64_t{offsetBytes} + sizeBytes;
    if (!nb || end > nb->bytes_.size()) c.result = false;
    if (!c.result) return nullptr;
    nb->locked_ = true;
    return nb->bytes_.data() + offsetBytes;
}

bool NullDevice::unlockVertexBuffer(VertexBuffer& buffer) {
    auto* nb = dynamic_cast<NullVertexBuffer*>(&buffer);
    DeviceCall& c = record(DeviceOp::UnlockVertexBuffer);
    c.resource = nb ? nb->id() : 0;
    if (!nb || !nb->locked_) c.result = false;
    if (nb) nb->locked_ = false;
    return c.result;
}

bool NullDevice::setStreamSource(int stream, VertexBuffer* buffer, std::uint32_t strideBytes) {
    auto* nb = dynamic_cast<NullVertexBuffer*>(buffer);
    DeviceCall& c = record(DeviceOp::SetStreamSource);
    c.index = stream;
    c.resource = nb ? nb->id() : 0;
    c.value = strideBytes;
    if (buffer && !nb) c.result = false;
    if (c.result && stream == 0) stream0_ = c.resource;
    return c.result;
}

bool NullDevice::setVertexFormat(std::uint32_t vertexFormat) {
    DeviceCall& c = record(DeviceOp::SetVertexFormat);
    c.value = vertexFormat;
    return c.result;
}

bool NullDevice::drawPrimitive(PrimitiveType type, std::uint32_t firstVertex, std::uint32_t primitiveCount) {
    DeviceCall& c = record(DeviceOp::DrawPrimitive);
    c.primitive = type;
    c.value = firstVertex;
    c.count = primitiveCount;
    return c.result;
}

std::unique_ptr<Texture> NullDevice::loadTexture(const std::string& path, const TextureLoadOptions& opts) {
    DeviceCall& c = record(DeviceOp::LoadTexture);
    c.text = path;
    c.textureOptions = opts;
    if (options.failingTexturePaths.count(path)) c.result = false;
    if (options.texturesNeedFiles && !isRegularFile(path)) c.result = false;
    if (!c.result) return nullptr;
    c.resource = ++log_->lastResourceId;
    return std::make_unique<NullTexture>(resourceLog(), c.resource, path, opts);
}

bool NullDevice::setTexture(int stage, Texture* texture) {
    auto* nt = dynamic_cast<NullTexture*>(texture);
    DeviceCall& c = record(DeviceOp::SetTexture);
    c.index = stage;
    c.resource = nt ? nt->id() : 0;
    if (nt) c.text = nt->path();
    if (texture && !nt) c.result = false;
    return c.result;
}

std::unique_ptr<Mesh> NullDevice::loadMesh(const std::string& path) {
    DeviceCall& c = record(DeviceOp::LoadMesh);
    c.text = path;
    if (options.meshesNeedFiles && !isRegularFile(path)) c.result = false;
    if (!c.result) return nullptr;
    c.resource = ++log_->lastResourceId;
    std::vector<MeshMaterial> materials =
        options.meshMaterials ? *options.meshMaterials : plainMeshMaterials(options.meshSubsetCount);
    return std::make_unique<NullMesh>(resourceLog(), c.resource, path, std::move(materials));
}

bool NullDevice::drawSubset(Mesh& mesh, int subset) {
    auto* nm = dynamic_cast<NullMesh*>(&mesh);
    DeviceCall& c = record(DeviceOp::DrawSubset);
    c.resource = nm ? nm->id() : 0;
    c.index = subset;
    if (!nm || subset < 0 || subset >= nm->subsetCount()) c.result = false;
    return c.result;
}

std::unique_ptr<Font> NullDevice::createFont(const FontDescription& description) {
    DeviceCall& c = record(DeviceOp::CreateFont);
    c.index = description.height;
    c.text = description.faceName;
    if (!c.result) return nullptr;
    c.resource = ++log_->lastResourceId;
    return std::make_unique<NullFont>(resourceLog(), c.resource, description);
}

bool NullDevice::beginText(Font& font) {
    auto* nf = dynamic_cast<NullFont*>(&font);
    DeviceCall& c = record(DeviceOp::BeginText);
    c.resource = nf ? nf->id() : 0;
    if (!nf) c.result = false;
    return c.result;
}

int NullDevice::drawText(Font& font, const std::string& text, int length, const TextRect& rect, std::uint32_t format,
                         std::uint32_t colorArgb) {
    auto* nf = dynamic_cast<NullFont*>(&font);
    DeviceCall& c = record(DeviceOp::DrawText);
    c.resource = nf ? nf->id() : 0;
    c.text = text;
    c.index = length;
    c.rect = rect;
    c.flags = format;
    c.color = colorArgb;
    if (!nf) c.result = false;
    if (!c.result) return 0;
    // The height a real font would report: one line of the font's height per line of text.
    const std::string shown = length < 0 ? text : text.substr(0, static_cast<std::size_t>(length));
    if (shown.empty()) return 0;
    int lines = 1;
    for (char ch : shown)
        if (ch == '\n') ++lines;
    return lines * std::abs(nf->description().height);
}

bool NullDevice::endText(Font& font) {
    auto* nf = dynamic_cast<NullFont*>(&font);
    DeviceCall& c = record(DeviceOp::EndText);
    c.resource = nf ? nf->id() : 0;
    if (!nf) c.result = false;
    return c.result;
}

}  // namespace torvask
