// Configuration, scene start-up in its fixed order, teardown and restart.
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "common/Messages.h"
#include "common/Paths.h"
#include "driver/Driver.h"
#include "physics/Car.h"
#include "physics/PhysicsServer.h"
#include "render/Vertex.h"
#include "sim/CTorvaskDoc.h"
#include "sim/CarAdapter.h"

namespace torvask {

namespace {

constexpr std::size_t kMaxTempPathLength = 260;
constexpr float kFieldOfView = 0.7853982f;  // pi/4
constexpr float kNearPlane = 1.0f;
constexpr float kFarPlane = 2000.0f;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kRibbonColor = 0xFF969696;
constexpr float kRibbonLift = 0.2f;  // above the ground quad, so the two never fight for depth
constexpr float kSkyHalfSize = 10.0f;
constexpr std::int32_t kDecorationVertices = 8;  // start line and shadow, four each
constexpr float kStartLineLength = 2.0f;          // along the road
constexpr float kStartLineLift = 0.02f;           // above the ribbon
// The shadow quad in the car mesh's frame: the car is 2 x 4 units, its origin 0.62 above the
// track surface; the texture's dark core covers the footprint and its edge fades beyond.
constexpr float kShadowHalfWidth = 1.6f;
constexpr float kShadowHalfLength = 2.9f;
constexpr float kShadowHeight = -0.62f;

// Folder values may use either separator; a missing trailing one is added.
std::string withSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '/';
    return folder;
}

SceneVertex vertex(float x, float y, float z, float nx, float ny, float nz, std::uint32_t color, float u, float v) {
    return SceneVertex{x, y, z, nx, ny, nz, color, u, v};
}

// Each edge pair lies square to the segment that starts at it, and the last pair to the last
// segment, so on a closed loop (last waypoint == first) the ribbon's two ends cross the road at
// different angles and leave a wedge of ground showing at the start line. For drawing only, both
// end pairs are put square to the mean of the first and last segment directions, so the strip
// ends where it starts; the track's own edges (and the waypoints the sensors use) stay as they are.
void closeRibbonLoop(const std::vector<Vector3>& centre, double halfWidth, std::vector<Vector3>& left,
                     std::vector<Vector3>& right) {
    const std::size_t n = centre.size();
    if (n < 3 || left.size() != n || right.size() != n || !(centre.front() == centre.back())) return;
    Vector3 into = centre[n - 1] - centre[n - 2];
    Vector3 outOf = centre[1] - centre[0];
    into.y = 0.0;
    outOf.y = 0.0;
    into.normalize();
    outOf.normalize();
    Vector3 along = into + outOf;
    if (along.length() < 1e-9) return;  // the road turns straight back on itself: nothing sensible to join
    along.normalize();
    const Vector3 side = Vector3(along.z, 0.0, -along.x) * halfWidth;
    right.front() = right.back() = centre.front() + side;
    left.front() = left.back() = centre.front() - side;
}

}  // namespace

void CTorvaskDoc::setViewSize(int width, int height) {
    if (width <= 0 || height <= 0) return;
    viewAspect_ = static_cast<float>(width) / static_cast<float>(height);
    if (device) {
        device->setTransform(TransformKind::Projection,
                             matrixPerspectiveFovLH(kFieldOfView, viewAspect_, kNearPlane, kFarPlane));
    }
}

void CTorvaskDoc::claimTempFolder() {
    if (tempLock_.held()) {
        tempPath = claimedTempPath_;  // already claimed by this document: keep it
        return;
    }
    const FolderLock::Result claim = tempLock_.tryLock(tempPath);
    if (claim == FolderLock::Result::Busy) {
        // Another running copy records into the configured folder. This one gets a fresh folder
        // inside it, so neither overwrites the other's pattern and lobe files.
        const std::string own = makeUniqueFolder(tempPath, "instance-");
        if (!own.empty() && tempLock_.tryLock(own) == FolderLock::Result::Held) {
            tempPath = own;
            instanceFolder_ = own;
        }
    }
    // Failed (nothing can be created there): carry on unclaimed, as recording would fail anyway.
    claimedTempPath_ = tempPath;
}

int CTorvaskDoc::probeDirectXVersion() { return host_.graphics ? host_.graphics->probeVersion() : 0; }

bool CTorvaskDoc::readConfiguration() {
    const std::string& folder = folders_.configFolder;
    if (config.load(folder + "Torvask.cfg") != 0) {
        formatMessage("APPERR: Failed to load config file");
        return false;
    }
    const char* const kSection = "Paths";
    tracksPath = withSeparator(toNativeSeparators(folder + config.lookup(kSection, "TracksPath")));
    carsPath = withSeparator(toNativeSeparators(folder + config.lookup(kSection, "CarsPath")));
    driversPath = withSeparator(toNativeSeparators(folder + config.lookup(kSection, "DriversPath")));
    enviroPath = withSeparator(toNativeSeparators(folder + config.lookup(kSection, "EnviroPath")));
    tempPath = withSeparator(toNativeSeparators(folder + config.lookup(kSection, "TempPath")));
    ownTracksPath = tracksPath;
    ownDriversPath = driversPath;
    const bool installed = folders_.layout == FolderLayout::Installed;
    if (installed) {
        // The bundled folders may be read-only: what the person makes goes to their own folders.
        // An own folder that cannot be made stays named, so saving there reports the reason.
        ownTracksPath = folders_.ownTracksFolder;
        ownDriversPath = folders_.ownDriversFolder;
        makeOwnFolder(ownTracksPath);
        makeOwnFolder(ownDriversPath);
        tempPath = folders_.recordingFolder;
    }

    if (tempPath.size() > kMaxTempPathLength) {
        formatMessage("APPERR: Invalid Temp Folder");
        return false;
    }
    // One level only, like the platform call it stands for: a missing parent is a failure. The
    // recording folder of an installed copy sits deep in the home folder and is made whole.
    std::error_code ec;
    if (installed && !makeOwnFolder(tempPath)) {
        formatMessage("APPERR: Error creating temp folder");
        return false;
    }
    std::filesystem::create_directory(tempPath, ec);
    if (ec && !std::filesystem::is_directory(tempPath)) {
        formatMessage("APPERR: Error creating temp folder");
        return false;
    }
    if (!std::filesystem::is_directory(tempPath)) {
        // An existing file of that name: CreateDirectory fails with "already exists" there too,
        // but nothing could be written into it, so it is not a usable temporary folder.
        formatMessage("APPERR: Error creating temp folder");
        return false;
    }
    claimTempFolder();
    patternsPath = formatBuffer("%s%s", tempPath.c_str(), "patterns");

    if (probeDirectXVersion() < kRequiredGraphicsVersion) {
        formatMessage("D3DERR: DirectX 8 or better required");
        return false;
    }

    const SetupChoice choice = host_.shell->runSimulationSetup(tracksPath, driversPath);
    if (!choice.accepted) return false;
    trackFile = choice.trackFile;
    driverFile = choice.driverFile;
    return true;
}

std::int32_t CTorvaskDoc::startScene(WindowHandle view) {
    ++sceneGeneration_;
    viewWindow = view;

    if (trackFile.empty()) {
        formatMessage("No track selected");
        return -1;
    }
    if (trackLoader_(track, trackFile) != 0) {
        formatMessage("Failed to load terrain file");
        return -1;
    }
    waypointCount = track.getNumWaypoints();

    if (!physicsServer().create(track.getTerrainWidth(), track.getTerrainDepth())) {
        formatMessage("Error initializing physics server (invalid terrain size)");
        return -1;
    }

    car = std::make_unique<Car>();
    car->create();
    car->setTrack(&track);
    carAdapter = std::make_unique<CarAdapter>(*car);
    driver = std::make_unique<Driver>();
    driver->attach(carAdapter.get(), 0);

    direct3d = host_.graphics->createGraphicsSystem();
    if (!direct3d) {
        formatMessage("D3DERROR: Failed to create Direct3D8 object");
        return -1;
    }
    if (!direct3d->queryDisplayMode()) {
        formatMessage("D3DERROR: Failed to get adapter display mode");
        return -1;
    }
    std::int32_t failureCode = 0;
    device = direct3d->createDevice(view, host_.shell->frameWindow(), &failureCode);
    if (!device) {
        formatMessage("D3DERROR: Failed to create device (%d)", failureCode);
        return -1;
    }

    device->setRenderState(RenderState::Lighting, true);
    device->setRenderState(RenderState::DepthTest, true);
    device->setTextureStageState(0, TextureStageState::MagFilter, static_cast<std::uint32_t>(TextureFilter::Linear));
    device->setTextureStageState(0, TextureStageState::MinFilter, static_cast<std::uint32_t>(TextureFilter::Linear));
    Light light;
    light.type = LightType::Directional;
    light.diffuse = ColorValue{1.0f, 1.0f, 0.8f, 1.0f};
    light.ambient = ColorValue{1.0f, 1.0f, 0.8f, 1.0f};
    light.direction = Vector3f(-0.2f, -1.0f, 0.2f);
    device->setLight(0, light);
    device->lightEnable(0, true);
    device->setTransform(TransformKind::World, matrixIdentity());
    device->setTransform(TransformKind::Projection,
                         matrixPerspectiveFovLH(kFieldOfView, viewAspect_, kNearPlane, kFarPlane));

    cameraController.setCamera(&camera);
    showLongShot();

    if (buildStaticGeometry() != 0) return -1;
    buildDecorations();

    if (carMesh.load(toNativeSeparators(carsPath + "default\\car.x"), device.get()) != 0) {
        formatMessage("GFXERROR: Failed to load car mesh");
        return -1;
    }
    const Vector3& start = track.getWaypoints()[0];
    carMesh.setPosition(static_cast<float>(start.x), 0.4f, static_cast<float>(start.z));

    identityWorld = matrixIdentity();

    FontDescription fontDescription;
    fontDescription.height = -12;
    fontDescription.faceName = "Arial";
    font = device->createFont(fontDescription);
    if (!font) {
        formatMessage("D3DERROR: Failed to create font");
        return -1;
    }

    directInput = host_.input->createInputSystem();
    if (!directInput) {
        formatMessage("DXERROR: Failed to create DirectInput instance");
        return -1;
    }
    keyboard = directInput->createKeyboard();
    if (!keyboard) {
        formatMessage("DXERROR: Failed to create Keyboard device");
        return -1;
    }
    if (keyboard->setDataFormat() != kInputOk) {
        formatMessage("DXERROR: Failed to set Keyboard data format");
        return -1;
    }
    if (keyboard->setCooperativeLevel(host_.shell->frameWindow()) != kInputOk) {
        formatMessage("DXERROR: Failed to set Keyboard cooperative level");
        return -1;
    }

    sceneReady = true;
    renderEnabled = true;
    if (driverFile.empty()) {
        enterUserControl();
    } else {
        enterAIControl();
    }
    currentLap = LapTime{};
    lastLap = LapTime{};
    bestLap = LapTime{};
    resetLapTimes();
    return 0;
}

void CTorvaskDoc::buildDecorations() {
    startLineBatch_ = DrawBatch{};
    shadowBatch_ = DrawBatch{};
    if (!decorationPool_.create(device.get(), kDecorationVertices, kSceneVertexFormat)) return;
    const TextureLoadOptions triangleFilter{ImageFilter::Triangle, ImageFilter::Triangle};
    // One textured quad (a strip of two triangles) of the decoration pool; the batch stays empty
    // when the pool is full.
    auto addQuad = [&](const SceneVertex (&quad)[4], const std::string& texturePath, DrawBatch& batch) {
        const int first = decorationPool_.addVertices(4, quad);
        if (first < 0) return;
        batch.primitiveType = static_cast<std::int32_t>(PrimitiveType::TriangleStrip);
        batch.firstVertex = first;
        batch.primitiveCount = 2;
        batch.texture = device->loadTexture(toNativeSeparators(texturePath), triangleFilter);
    };

    // Square across the first leg at waypoint 0, the road's width and kStartLineLength along it,
    // just above the ribbon; chequers of one unit (the texture holds two by two).
    const auto& waypoints = track.getWaypoints();
    if (waypoints.size() >= 2) {
        Vector3 along = waypoints[1] - waypoints[0];
        along.y = 0.0;
        along.normalize();
        const double halfWidth = track.getTrackWidth() * 0.5;
        const Vector3 toRight = Vector3(along.z, 0.0, -along.x) * halfWidth;
        const Vector3 half = along * (kStartLineLength * 0.5);
        auto corner = [&](const Vector3& p, float u, float v) {
            return vertex(static_cast<float>(p.x), static_cast<float>(p.y) + kRibbonLift + kStartLineLift,
                          static_cast<float>(p.z), 0, 1, 0, kWhite, u, v);
        };
        const Vector3& at = waypoints[0];
        const auto tiles = static_cast<float>(halfWidth);  // the road's width in two-unit tiles
        const float length = kStartLineLength / 2.0f;
        const SceneVertex line[4] = {corner(at + toRight - half, tiles, 0), corner(at - toRight - half, 0, 0),
                                     corner(at + toRight + half, tiles, length), corner(at - toRight + half, 0, length)};
        addQuad(line, tracksPath + "startline.dds", startLineBatch_);
    }

    // The car's footprint and a margin for the soft edge, in the car's frame (front +z), at the
    // height of the track surface under its wheels.
    const float x = kShadowHalfWidth;
    const float z = kShadowHalfLength;
    const float y = kShadowHeight;
    const SceneVertex shadow[4] = {vertex(x, y, -z, 0, 1, 0, kWhite, 1, 1), vertex(-x, y, -z, 0, 1, 0, kWhite, 0, 1),
                                   vertex(x, y, z, 0, 1, 0, kWhite, 1, 0), vertex(-x, y, z, 0, 1, 0, kWhite, 0, 0)};
    addQuad(shadow, carsPath + "default\\shadow.dds", shadowBatch_);
}

std::int32_t CTorvaskDoc::buildStaticGeometry() {
    if (!vertexPool.create(device.get(), kVertexPoolCapacity, kSceneVertexFormat)) {
        formatMessage("GFXERROR: Failed to create vertex pool");
        return -1;
    }

    const auto w = static_cast<float>(track.getTerrainWidth());
    const auto d = static_cast<float>(track.getTerrainDepth());
    const SceneVertex ground[kGroundVertexCount] = {
        vertex(0, 0, d, 0, 1, 0, kWhite, 0, 0),
        vertex(w, 0, d, 0, 1, 0, kWhite, 1, 0),
        vertex(0, 0, 0, 0, 1, 0, kWhite, 0, 1),
        vertex(w, 0, 0, 0, 1, 0, kWhite, 1, 1),
    };
    const int groundFirst = vertexPool.addVertices(kGroundVertexCount, ground);
    if (groundFirst < 0) {
        formatMessage("GFXERROR: Failed to add terrain vertices to vertex pool (error code: %d)", groundFirst);
        return -1;
    }
    const TextureLoadOptions triangleFilter{ImageFilter::Triangle, ImageFilter::Triangle};
    groundBatch.texture = device->loadTexture(toNativeSeparators(enviroPath + "desert\\ground.dds"), triangleFilter);
    if (!groundBatch.texture) {
        formatMessage("D3DERROR: Failed to load terrain texture");
        return -1;
    }
    groundBatch.primitiveType = static_cast<std::int32_t>(PrimitiveType::TriangleStrip);
    groundBatch.firstVertex = groundFirst;
    groundBatch.primitiveCount = 2;

    const std::int32_t n = waypointCount;
    if (n < 2) {
        formatMessage("ERROR: track has less than 2 waypoints");
        return -1;
    }
    std::vector<Vector3> left = track.getLeftEdge();
    std::vector<Vector3> right = track.getRightEdge();
    closeRibbonLoop(track.getWaypoints(), track.getTrackWidth() * 0.5, left, right);
    std::vector<SceneVertex> ribbon(static_cast<std::size_t>(2 * n));
    Vector3 lastLeft, lastRight;  // an edge list shorter than the waypoints repeats its last point
    for (std::int32_t i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (k < right.size()) lastRight = right[k];
        if (k < left.size()) lastLeft = left[k];
        const auto v = static_cast<float>(i % 2);
        ribbon[2 * k] = vertex(static_cast<float>(lastRight.x), static_cast<float>(lastRight.y) + kRibbonLift,
                               static_cast<float>(lastRight.z), 0, 1, 0, kRibbonColor, 1, v);
        ribbon[2 * k + 1] = vertex(static_cast<float>(lastLeft.x), static_cast<float>(lastLeft.y) + kRibbonLift,
                                   static_cast<float>(lastLeft.z), 0, 1, 0, kRibbonColor, 0, v);
    }
    const int ribbonFirst = vertexPool.addVertices(2 * n, ribbon.data());
    ribbon = {};
    if (ribbonFirst < 0) {
        formatMessage("GFXERROR: Failed to add track vertices to vertex pool");
        return -1;
    }
    trackBatch.texture = device->loadTexture(toNativeSeparators(tracksPath + "track.dds"), triangleFilter);
    if (!trackBatch.texture) {
        formatMessage("D3DERROR: Failed to load track texture");
        return -1;
    }
    trackBatch.primitiveType = static_cast<std::int32_t>(PrimitiveType::TriangleStrip);
    trackBatch.firstVertex = ribbonFirst;
    trackBatch.primitiveCount = 2 * n - 2;

    const float s = kSkyHalfSize;
    const SceneVertex sky[kSkyVertexCount] = {
        vertex(-s, s, -s, 0, -1, 0, kWhite, 0, 1), vertex(s, s, -s, 0, -1, 0, kWhite, 0, 0),
        vertex(-s, s, s, 0, -1, 0, kWhite, 1, 1),  vertex(s, s, s, 0, -1, 0, kWhite, 1, 0),
        vertex(-s, -s, s, 0, 1, 0, kWhite, 0, 0),  vertex(s, -s, s, 0, 1, 0, kWhite, 1, 0),
        vertex(-s, -s, -s, 0, 1, 0, kWhite, 0, 1), vertex(s, -s, -s, 0, 1, 0, kWhite, 1, 1),
        vertex(-s, s, -s, 1, 0, 0, kWhite, 0, 0),  vertex(-s, s, s, 1, 0, 0, kWhite, 1, 0),
        vertex(-s, -s, -s, 1, 0, 0, kWhite, 0, 1), vertex(-s, -s, s, 1, 0, 0, kWhite, 1, 1),
        vertex(s, s, s, -1, 0, 0, kWhite, 0, 0),   vertex(s, s, -s, -1, 0, 0, kWhite, 1, 0),
        vertex(s, -s, s, -1, 0, 0, kWhite, 0, 1),  vertex(s, -s, -s, -1, 0, 0, kWhite, 1, 1),
        vertex(-s, s, s, 0, 0, -1, kWhite, 0, 0),  vertex(s, s, s, 0, 0, -1, kWhite, 1, 0),
        vertex(-s, -s, s, 0, 0, -1, kWhite, 0, 1), vertex(s, -s, s, 0, 0, -1, kWhite, 1, 1),
        vertex(s, s, -s, 0, 0, 1, kWhite, 0, 0),   vertex(-s, s, -s, 0, 0, 1, kWhite, 1, 0),
        vertex(s, -s, -s, 0, 0, 1, kWhite, 0, 1),  vertex(-s, -s, -s, 0, 0, 1, kWhite, 1, 1),
    };
    const int skyFirst = vertexPool.addVertices(kSkyVertexCount, sky);
    if (skyFirst < 0) {
        formatMessage("GFXERROR: Failed to add skybox vertices to vertex pool");
        return -1;
    }
    const TextureLoadOptions linearFilter{ImageFilter::Linear, ImageFilter::Linear};
    for (std::size_t i = 0; i < skyBatch.textures.size(); ++i) {
        const std::string file = formatBuffer("%sdesert\\skybox%d.dds", enviroPath.c_str(), static_cast<int>(i));
        skyBatch.textures[i] = device->loadTexture(toNativeSeparators(file), linearFilter);
        if (!skyBatch.textures[i]) {
            formatMessage("D3DERROR: Failed to load skybox texture");
            return -1;
        }
    }
    skyBatch.primitiveType = static_cast<std::int32_t>(PrimitiveType::TriangleStrip);
    skyBatch.firstVertex = skyFirst;
    skyBatch.primitiveCount = 2;
    return 0;
}

void CTorvaskDoc::teardownScene() {
    ++sceneGeneration_;
    throttle = 0.0;
    brake = 0.0;
    steering = 0.0;
    drivingStarted = false;
    mode = kModeIdle;
    sceneReady = false;
    driverModified = false;
    personDriving_ = false;
    overturned_ = false;
    rightedShown_ = false;
    correctionsStarted_ = 0;
    currentCorrection_.clear();
    pendingCorrections_.clear();
    teachingFile_.clear();
    trainedSinceLoad_ = false;
    cancelLearning();
    undoSteps_.clear();
    correctionsLearned_ = 0;
    learningRefused_ = -1;
    framesThisSecond = 0;
    physicsStepsThisSecond = 0;

    // The chase cameras refer to the car; leave them before it goes.
    cameraController.setStatic();
    driver.reset();
    carAdapter.reset();
    car.reset();
    physicsServer().destroy();

    groundBatch.texture.reset();
    trackBatch.texture.reset();
    for (auto& texture : skyBatch.textures) texture.reset();
    startLineBatch_.texture.reset();
    shadowBatch_.texture.reset();

    if (device) device->setTexture(0, nullptr);
    sensorMarks_.release();
    device.reset();
    font.reset();
    direct3d.reset();

    if (keyboard) keyboard->unacquire();
    keyboard.reset();
    directInput.reset();
}

std::int32_t CTorvaskDoc::restartScene() {
    teardownScene();
    const SetupChoice choice = host_.shell->runSimulationSetup(tracksPath, driversPath);
    if (choice.accepted) {
        trackFile = choice.trackFile;
        driverFile = choice.driverFile;
    } else {
        host_.shell->requestClose();
    }
    return startScene(viewWindow);
}

}  // namespace torvask
