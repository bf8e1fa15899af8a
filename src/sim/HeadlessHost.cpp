#include "sim/HeadlessHost.h"

namespace torvask {

// The keyboard as the host scripts it: unacquired at creation, like the real device.
class HeadlessKeyboard final : public KeyboardDevice {
public:
    explicit HeadlessKeyboard(HeadlessHost& host) : host_(host) {
        ++host_.keyboardsCreated;
        ++host_.keyboardsAlive;
        host_.keyboardAcquired = false;
    }
    ~HeadlessKeyboard() override { --host_.keyboardsAlive; }

    InputResult setDataFormat() override { return host_.failures.dataFormat ? kInputFailed : kInputOk; }
    InputResult setCooperativeLevel(WindowHandle frame) override {
        host_.cooperativeWindow = frame;
        return host_.failures.cooperativeLevel ? kInputFailed : kInputOk;
    }
    InputResult acquire() override {
        ++host_.acquireCount;
        if (host_.acquireResult == kInputOk) host_.keyboardAcquired = true;
        return host_.acquireResult;
    }
    InputResult unacquire() override {
        ++host_.unacquireCount;
        host_.keyboardAcquired = false;
        return kInputOk;
    }
    InputResult poll() override {
        ++host_.pollCount;
        return host_.keyboardAcquired ? kInputOk : kInputNotAcquired;
    }
    InputResult getState(KeyState& state) override {
        if (!host_.scriptedReadResults.empty()) {
            const InputResult r = host_.scriptedReadResults.front();
            host_.scriptedReadResults.pop_front();
            if (r != kInputOk) {
                if (r == kInputLost || r == kInputNotAcquired) host_.keyboardAcquired = false;
                return r;
            }
        } else if (!host_.keyboardAcquired) {
            return kInputNotAcquired;
        }
        if (host_.keyScript) host_.keyScript(host_.keys);
        state = host_.keys;
        return kInputOk;
    }

private:
    HeadlessHost& host_;
};

class HeadlessInputSystem final : public InputSystem {
public:
    explicit HeadlessInputSystem(HeadlessHost& host) : host_(host) {}
    std::unique_ptr<KeyboardDevice> createKeyboard() override {
        if (host_.failures.keyboard) return nullptr;
        return std::make_unique<HeadlessKeyboard>(host_);
    }

private:
    HeadlessHost& host_;
};

// Forgets the host's pointer to the device when the document releases it.
class HeadlessNullDevice final : public Device {
public:
    HeadlessNullDevice(HeadlessHost& host, std::unique_ptr<NullDevice> inner)
        : host_(host), inner_(std::move(inner)) {}
    ~HeadlessNullDevice() override {
        if (host_.device == inner_.get()) host_.device = nullptr;
    }

    bool clear(std::uint32_t f, std::uint32_t c, float d, std::uint32_t s) override { return inner_->clear(f, c, d, s); }
    bool beginScene() override { return inner_->beginScene(); }
    bool endScene() override { return inner_->endScene(); }
    bool present() override { return inner_->present(); }
    bool setTransform(TransformKind k, const Matrix4& m) override { return inner_->setTransform(k, m); }
    bool setRenderState(RenderState s, bool e) override { return inner_->setRenderState(s, e); }
    bool setTextureStageState(int stage, TextureStageState s, std::uint32_t v) override {
        return inner_->setTextureStageState(stage, s, v);
    }
    bool setLight(int i, const Light& l) override { return inner_->setLight(i, l); }
    bool lightEnable(int i, bool e) override { return inner_->lightEnable(i, e); }
    bool setMaterial(const Material& m) override { return inner_->setMaterial(m); }
    std::unique_ptr<VertexBuffer> createVertexBuffer(std::uint32_t len, std::uint32_t usage,
                                                     std::uint32_t format) override {
        return inner_->createVertexBuffer(len, usage, format);
    }
    void* lockVertexBuffer(VertexBuffer& b, std::uint32_t off, std::uint32_t size) override {
        return inner_->lockVertexBuffer(b, off, size);
    }
    bool unlockVertexBuffer(VertexBuffer& b) override { return inner_->unlockVertexBuffer(b); }
    bool setStreamSource(int stream, VertexBuffer* b, std::uint32_t stride) override {
        return inner_->setStreamSource(stream, b, stride);
    }
    bool setVertexFormat(std::uint32_t f) override { return inner_->setVertexFormat(f); }
    bool drawPrimitive(PrimitiveType t, std::uint32_t first, std::uint32_t count) override {
        return inner_->drawPrimitive(t, first, count);
    }
    std::unique_ptr<Texture> loadTexture(const std::string& p, const TextureLoadOptions& o) override {
        return inner_->loadTexture(p, o);
    }
    bool setTexture(int stage, Texture* t) override { return inner_->setTexture(stage, t); }
    std::unique_ptr<Mesh> loadMesh(const std::string& p) override { return inner_->loadMesh(p); }
    bool drawSubset(Mesh& m, int subset) override { return inner_->drawSubset(m, subset); }
    std::unique_ptr<Font> createFont(const FontDescription& d) override { return inner_->createFont(d); }
    bool beginText(Font& f) override { return inner_->beginText(f); }
    int drawText(Font& f, const std::string& t, int len, const TextRect& r, std::uint32_t fmt,
                 std::uint32_t color) override {
        return inner_->drawText(f, t, len, r, fmt, color);
    }
    bool endText(Font& f) override { return inner_->endText(f); }

private:
    HeadlessHost& host_;
    std::unique_ptr<NullDevice> inner_;
};

class HeadlessGraphicsSystem final : public GraphicsSystem {
public:
    explicit HeadlessGraphicsSystem(HeadlessHost& host) : host_(host) { ++host_.graphicsSystemsAlive; }
    ~HeadlessGraphicsSystem() override { --host_.graphicsSystemsAlive; }

    bool queryDisplayMode() override { return !host_.failures.displayMode; }
    std::unique_ptr<Device> createDevice(WindowHandle view, WindowHandle focus, std::int32_t* failureCode) override {
        host_.deviceView = view;
        host_.deviceFocus = focus;
        if (host_.failures.device) {
            if (failureCode) *failureCode = host_.failures.deviceFailureCode;
            return nullptr;
        }
        auto inner = std::make_unique<NullDevice>(host_.deviceOptions);
        host_.deviceLog = inner->sharedLog();
        host_.device = inner.get();
        ++host_.devicesCreated;
        return std::make_unique<HeadlessNullDevice>(host_, std::move(inner));
    }

private:
    HeadlessHost& host_;
};

HeadlessHost::HeadlessHost(std::uint32_t startTick) : clock(startTick) {
    deviceOptions.texturesNeedFiles = false;
    deviceOptions.meshesNeedFiles = false;
}

HeadlessHost::~HeadlessHost() = default;

HostServices HeadlessHost::services() {
    HostServices s;
    s.clock = &clock;
    s.graphics = this;
    s.input = this;
    s.shell = this;
    return s;
}

std::unique_ptr<GraphicsSystem> HeadlessHost::createGraphicsSystem() {
    if (failures.graphicsSystem) return nullptr;
    return std::make_unique<HeadlessGraphicsSystem>(*this);
}

std::unique_ptr<InputSystem> HeadlessHost::createInputSystem() {
    if (failures.inputSystem) return nullptr;
    return std::make_unique<HeadlessInputSystem>(*this);
}

bool HeadlessHost::askYesNo(const std::string& question) {
    questions.push_back(question);
    if (yesNoAnswers.empty()) return defaultAnswer;
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
}

SetupChoice HeadlessHost::runSimulationSetup(const std::string& tracksFolder, const std::string& driversFolder) {
    ++setupDialogs;
    setupTracksFolder = tracksFolder;
    setupDriversFolder = driversFolder;
    if (setupChoices.empty()) return SetupChoice{};
    SetupChoice choice = setupChoices.front();
    setupChoices.pop_front();
    return choice;
}

bool HeadlessHost::runTrainingDialog(Driver& driver, const std::string& patternPrefix, const std::string& lobeFolder,
                                     const std::string& driversFolder) {
    TrainingRequest request{&driver, patternPrefix, lobeFolder, driversFolder};
    trainingRequests.push_back(request);
    if (trainingHandler && trainingRuns) trainingHandler(request);
    return trainingRuns;
}

Answer HeadlessHost::askYesNoCancel(const std::string& question) {
    if (yesNoCancelAnswers.empty()) return askYesNo(question) ? Answer::Yes : Answer::No;
    questions.push_back(question);
    const Answer answer = yesNoCancelAnswers.front();
    yesNoCancelAnswers.pop_front();
    return answer;
}

bool HeadlessHost::askSaveFile(const SaveFileRequest& request, std::string* chosenPath) {
    saveRequests.push_back(request);
    if (saveAnswers.empty()) return false;
    const std::optional<std::string> answer = saveAnswers.front();
    saveAnswers.pop_front();
    if (!answer) return false;
    if (chosenPath) *chosenPath = *answer;
    return true;
}

}  // namespace torvask
