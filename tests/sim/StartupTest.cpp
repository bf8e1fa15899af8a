// Configuration, scene start-up with every failure at its step, the vertex pool's limits,
// teardown after a partial start-up, and the render step's calls.
#include <cstring>
#include <functional>

#include "SimFixture.h"
#include "physics/PhysicsServer.h"
#include "render/Vertex.h"
#include "render/VertexPool.h"

namespace torvask::testing {
namespace {

class StartupTest : public SimFixture {
public:
    std::string enviro(const std::string& name) const { return dir.str() + "/enviro/" + name; }
    int countOps(DeviceOp op, const std::string& text = "") const {
        int n = 0;
        for (const auto& call : host->deviceLog->calls) {
            if (call.op == op && (text.empty() || call.text == text)) ++n;
        }
        return n;
    }
    int successfulTextureLoads() const {
        int n = 0;
        for (const auto& call : host->deviceLog->ofKind(DeviceOp::LoadTexture)) n += call.result ? 1 : 0;
        return n;
    }
};

// ---------------------------------------------------------------------------------------------
// Configuration

TEST_F(StartupTest, ConfigurationBuildsFiveFoldersWithSeparators) {
    struct Row { const char* config; std::string tracks, cars, drivers, enviro, temp; };
    const std::string f = dir.str() + "/";
    const Row rows[] = {
        {kStandardConfig, f + "tracks/", f + "cars/", f + "drivers/", f + "enviro/", f + "temp/"},
        {"[Other]\nTracksPath=x\n", f, f, f, f, f},  // no Paths section: the program folder itself
        {"[Paths]\nTracksPath=t/\nCarsPath=c\\\nDriversPath=a\\b\nTempPath=temp\n", f + "t/", f + "c/",
         f + "a/b/", f, f + "temp/"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.config);
        SetUp();
        dir.write("Torvask.cfg", row.config);
        ASSERT_TRUE(configure());
        EXPECT_EQ(doc->getTracksPath(), row.tracks);
        EXPECT_EQ(doc->getCarsPath(), row.cars);
        EXPECT_EQ(doc->getDriversPath(), row.drivers);
        EXPECT_EQ(doc->getEnviroPath(), row.enviro);
        EXPECT_EQ(doc->getTempPath(), row.temp);
        EXPECT_EQ(doc->getPatternsPath(), row.temp + "patterns");
        EXPECT_TRUE(std::filesystem::is_directory(row.temp));
        EXPECT_EQ(host->setupDialogs, 1);
        EXPECT_EQ(host->setupTracksFolder, row.tracks);
        EXPECT_EQ(host->setupDriversFolder, row.drivers);
        EXPECT_EQ(doc->getTrackFile(), trackFile);
        EXPECT_TRUE(messages.messages.empty());
        TearDown();
    }
}

// Installed, with a home nothing can be made in: start-up stops with the temp folder's message
// rather than record beside the bundled data. (Installed start-up itself: the app's installed test.)
TEST_F(StartupTest, AnInstalledCopyWithAnUnwritableHomeStopsAtTheTempFolder) {
    const std::string home = dir.write("file-home", "") + "/";
    ProgramFolders installed{FolderLayout::Installed, dir.str() + "/", home + "tracks/", home + "drivers/",
                             home + "temp/", ""};
    doc->setProgramFolders(installed);
    EXPECT_FALSE(configure());
    EXPECT_EQ(messages.messages, std::vector<std::string>{"APPERR: Error creating temp folder"});
    EXPECT_EQ(host->setupDialogs, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "temp"));
}

// Two copies of the program on one folder: the second records into a folder of its own, and
// neither loses what it recorded; the configured folder is free again once the first has gone.
TEST_F(StartupTest, ASecondCopyRecordsIntoItsOwnTempFolder) {
    startRunning();
    recordAPattern();
    const std::string shared = tempFolder();
    EXPECT_EQ(doc->getTempPath(), shared);

    HeadlessHost otherHost(1000);
    auto other = std::make_unique<CTorvaskDoc>(otherHost.services());
    other->setProgramFolder(dir.str() + "/");
    otherHost.setupChoices.push_back(SetupChoice{true, trackFile, ""});
    ASSERT_TRUE(other->readConfiguration());
    const std::string own = other->getTempPath();
    EXPECT_EQ(own.rfind(shared + "instance-", 0), 0u) << own;
    EXPECT_EQ(other->getPatternsPath(), own + "patterns");
    EXPECT_NE(TempDir::read(shared + "patterns.0"), "") << "the first copy's recording is intact";
    other.reset();
    EXPECT_FALSE(std::filesystem::exists(own)) << "a second copy takes its folder with it";
    doc.reset();
    EXPECT_TRUE(std::filesystem::exists(shared + "patterns.0")) << "the configured folder is never removed";
    SetUp();
    ASSERT_TRUE(configure());
    EXPECT_EQ(doc->getTempPath(), shared);
}

TEST_F(StartupTest, ConfigurationFailures) {
    struct Row {
        const char* name;
        std::function<void(StartupTest&)> arrange;
        const char* message;  // nullptr: none
        int setupDialogs;
    };
    const Row rows[] = {
        {"no configuration file", [](StartupTest& t) { std::filesystem::remove(t.dir.path() / "Torvask.cfg"); },
         "APPERR: Failed to load config file", 0},
        {"temp folder of 261 characters",
         [](StartupTest& t) {
             const std::string value(261 - t.dir.str().size() - 2, 'x');
             t.dir.write("Torvask.cfg", "[Paths]\nTempPath=" + value + "\n");
         },
         "APPERR: Invalid Temp Folder", 0},
        {"temp folder whose parent is missing",
         [](StartupTest& t) { t.dir.write("Torvask.cfg", "[Paths]\nTempPath=missing/temp\n"); },
         "APPERR: Error creating temp folder", 0},
        {"temp folder name taken by a file",
         [](StartupTest& t) {
             t.dir.write("Torvask.cfg", "[Paths]\nTempPath=afile\n");
             t.dir.write("afile", "x");
         },
         "APPERR: Error creating temp folder", 0},
        {"graphics layer too old", [](StartupTest& t) { t.host->probeResult = 0x7FF; },
         "D3DERR: DirectX 8 or better required", 0},
        {"Quit in the setup dialog", [](StartupTest&) {}, nullptr, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        row.arrange(*this);
        EXPECT_FALSE(doc->readConfiguration());  // the setup dialog, if reached, answers Quit
        if (row.message) {
            EXPECT_EQ(messages.messages, std::vector<std::string>{row.message});
        } else {
            EXPECT_TRUE(messages.messages.empty());
        }
        EXPECT_EQ(host->setupDialogs, row.setupDialogs);
        messages.messages.clear();
        TearDown();
    }
}

TEST_F(StartupTest, TempFolderOfTwoHundredSixtyCharactersIsAccepted) {
    const std::string value(260 - dir.str().size() - 2, 'x');
    dir.write("Torvask.cfg", "[Paths]\nTempPath=" + value + "\n");
    ASSERT_TRUE(configure());
    EXPECT_EQ(doc->getTempPath().size(), 260U);
    EXPECT_TRUE(std::filesystem::is_directory(doc->getTempPath()));
}

// ---------------------------------------------------------------------------------------------
// Start-up

struct FailureRow {
    const char* message;
    std::function<void(StartupTest&)> arrange;
    bool exactlyOneMessage = true;
};

class StartupFailureTest : public StartupTest, public ::testing::WithParamInterface<int> {};

const std::vector<FailureRow>& failureRows() {
    static const std::vector<FailureRow> rows = {
        {"No track selected", [](StartupTest& t) { t.trackFile.clear(); }},
        {"Failed to load terrain file", [](StartupTest& t) { t.trackFile += ".missing"; }},
        {"Error initializing physics server (invalid terrain size)",
         [](StartupTest& t) { t.dir.write("tracks/square.trn", "20 200 1 1 0 5 0 5 1 6 0 6 -1"); }},
        {"D3DERROR: Failed to create Direct3D8 object", [](StartupTest& t) { t.host->failures.graphicsSystem = true; }},
        {"D3DERROR: Failed to get adapter display mode", [](StartupTest& t) { t.host->failures.displayMode = true; }},
        {"D3DERROR: Failed to create device (-2005530516)", [](StartupTest& t) { t.host->failures.device = true; }},
        {"GFXERROR: Failed to create vertex pool",
         [](StartupTest& t) { t.host->deviceOptions.failing.insert(DeviceOp::CreateVertexBuffer); }},
        {"GFXERROR: Failed to add terrain vertices to vertex pool (error code: -3)",
         [](StartupTest& t) { t.host->deviceOptions.failing.insert(DeviceOp::LockVertexBuffer); }, false},
        {"D3DERROR: Failed to load terrain texture",
         [](StartupTest& t) { t.host->deviceOptions.failingTexturePaths.insert(t.enviro("desert/ground.dds")); }},
        {"ERROR: track has less than 2 waypoints",
         [](StartupTest& t) { t.doc->setTrackLoader(exactTrack({{50, 0, 50}})); }},
        {"GFXERROR: Failed to add track vertices to vertex pool",
         [](StartupTest& t) { t.doc->setTrackLoader(exactTrack(lineOfWaypoints(249))); }, false},
        {"D3DERROR: Failed to load track texture",
         [](StartupTest& t) {
             t.host->deviceOptions.failingTexturePaths.insert(t.dir.str() + "/tracks/track.dds");
         }},
        {"GFXERROR: Failed to add skybox vertices to vertex pool",
         [](StartupTest& t) { t.doc->setTrackLoader(exactTrack(lineOfWaypoints(237))); }, false},
        {"GFXERROR: Failed to add skybox vertices to vertex pool",
         [](StartupTest& t) { t.doc->setTrackLoader(exactTrack(lineOfWaypoints(248))); }, false},
        {"D3DERROR: Failed to load skybox texture",
         [](StartupTest& t) { t.host->deviceOptions.failingTexturePaths.insert(t.enviro("desert/skybox3.dds")); }},
        {"GFXERROR: Failed to load car mesh",
         [](StartupTest& t) { t.host->deviceOptions.failing.insert(DeviceOp::LoadMesh); }},
        {"D3DERROR: Failed to create font",
         [](StartupTest& t) { t.host->deviceOptions.failing.insert(DeviceOp::CreateFont); }},
        {"DXERROR: Failed to create DirectInput instance", [](StartupTest& t) { t.host->failures.inputSystem = true; }},
        {"DXERROR: Failed to create Keyboard device", [](StartupTest& t) { t.host->failures.keyboard = true; }},
        {"DXERROR: Failed to set Keyboard data format", [](StartupTest& t) { t.host->failures.dataFormat = true; }},
        {"DXERROR: Failed to set Keyboard cooperative level",
         [](StartupTest& t) { t.host->failures.cooperativeLevel = true; }},
    };
    return rows;
}

TEST_P(StartupFailureTest, ReportsOneMessageStopsAndTearsDownWhatExists) {
    const FailureRow& row = failureRows()[static_cast<std::size_t>(GetParam())];
    SCOPED_TRACE(row.message);
    ASSERT_TRUE(configure());
    row.arrange(*this);
    doc->setTrackFile(trackFile);
    EXPECT_EQ(doc->startScene(0x77), -1);
    ASSERT_FALSE(messages.messages.empty());
    EXPECT_EQ(messages.messages.back(), row.message);
    if (row.exactlyOneMessage) {
        EXPECT_EQ(messages.messages.size(), 1U);
    }
    EXPECT_FALSE(doc->isSceneReady());
    EXPECT_EQ(doc->getMode(), kModeIdle);
    EXPECT_EQ(doc->simulateFrame(), -1);

    doc->teardownScene();
    EXPECT_EQ(doc->getCar(), nullptr);
    EXPECT_EQ(doc->getDriver(), nullptr);
    EXPECT_EQ(doc->getDevice(), nullptr);
    EXPECT_EQ(host->device, nullptr);
    EXPECT_EQ(host->graphicsSystemsAlive, 0);
    EXPECT_EQ(host->keyboardsAlive, 0);
    EXPECT_EQ(host->unacquireCount, host->keyboardsCreated);
    EXPECT_TRUE(physicsServer().getWorld() == nullptr);
    if (host->deviceLog) {
        // Every texture that loaded is released, once.
        EXPECT_EQ(countOps(DeviceOp::Release, "texture"), successfulTextureLoads());
    }
    // A second teardown finds nothing left to release.
    doc->teardownScene();
    EXPECT_EQ(host->unacquireCount, host->keyboardsCreated);
}

INSTANTIATE_TEST_SUITE_P(EveryStep, StartupFailureTest,
                         ::testing::Range(0, static_cast<int>(failureRows().size())));

TEST_F(StartupTest, MissingFourthSkyboxTextureStopsAfterThreeAndTeardownReleasesThem) {
    ASSERT_TRUE(configure());
    host->deviceOptions.failingTexturePaths.insert(enviro("desert/skybox3.dds"));
    ASSERT_EQ(doc->startScene(1), -1);
    std::vector<std::string> loaded;
    for (const auto& call : host->deviceLog->ofKind(DeviceOp::LoadTexture)) {
        if (call.result) loaded.push_back(call.text);
    }
    EXPECT_EQ(loaded, (std::vector<std::string>{enviro("desert/ground.dds"), dir.str() + "/tracks/track.dds",
                                                enviro("desert/skybox0.dds"), enviro("desert/skybox1.dds"),
                                                enviro("desert/skybox2.dds")}));
    const std::size_t before = host->deviceLog->calls.size();
    doc->teardownScene();
    int released = 0;
    for (std::size_t i = before; i < host->deviceLog->calls.size(); ++i) {
        released += host->deviceLog->calls[i].op == DeviceOp::Release && host->deviceLog->calls[i].text == "texture";
    }
    EXPECT_EQ(released, 5);
    EXPECT_EQ(host->keyboardsCreated, 0);
}

TEST_F(StartupTest, VertexPoolLimits) {
    struct Row { int waypoints; const char* message; };
    const Row rows[] = {
        {2, nullptr},
        {236, nullptr},  // 4 + 472 + 24 = 500: exactly full
        {237, "GFXERROR: Failed to add skybox vertices to vertex pool"},
        {248, "GFXERROR: Failed to add skybox vertices to vertex pool"},
        {249, "GFXERROR: Failed to add track vertices to vertex pool"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.waypoints);
        SetUp();
        doc->setTrackLoader(exactTrack(lineOfWaypoints(row.waypoints)));
        ASSERT_TRUE(configure());
        const std::int32_t result = doc->startScene(1);
        if (row.message) {
            EXPECT_EQ(result, -1);
            ASSERT_FALSE(messages.messages.empty());
            EXPECT_EQ(messages.messages.back(), row.message);
        } else {
            EXPECT_EQ(result, 0);
            EXPECT_TRUE(messages.messages.empty());
            EXPECT_EQ(doc->getVertexPool().freeIndex(), 4 + 2 * row.waypoints + 24);
            EXPECT_EQ(doc->getTrackBatch().firstVertex, 4);
            EXPECT_EQ(doc->getTrackBatch().primitiveCount, 2 * row.waypoints - 2);
            EXPECT_EQ(doc->getSkyBatch().firstVertex, 4 + 2 * row.waypoints);
        }
        messages.messages.clear();
        TearDown();
    }
}

// ---------------------------------------------------------------------------------------------
// A complete start-up

SceneVertex readVertex(const std::vector<std::uint8_t>& bytes, int index) {
    SceneVertex v{};
    std::memcpy(&v, bytes.data() + static_cast<std::size_t>(index) * sizeof(SceneVertex), sizeof(SceneVertex));
    return v;
}

bool sameVertex(const SceneVertex& a, const SceneVertex& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST_F(StartupTest, StaticGeometryIsLaidOutVertexForVertex) {
    doc->setTrackLoader(exactTrack({{60, 0, 50}, {60, 0, 90}}));
    startRunning();
    const auto* buffer = dynamic_cast<const NullVertexBuffer*>(doc->getVertexPool().buffer());
    ASSERT_NE(buffer, nullptr);
    const auto& bytes = buffer->bytes();
    EXPECT_EQ(bytes.size(), 500U * 36U);
    const float w = 200, d = 200;
    const SceneVertex ground[4] = {{0, 0, d, 0, 1, 0, 0xFFFFFFFF, 0, 0},
                                   {w, 0, d, 0, 1, 0, 0xFFFFFFFF, 1, 0},
                                   {0, 0, 0, 0, 1, 0, 0xFFFFFFFF, 0, 1},
                                   {w, 0, 0, 0, 1, 0, 0xFFFFFFFF, 1, 1}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(sameVertex(readVertex(bytes, i), ground[i]));
    }
    const auto& right = doc->getTrack().getRightEdge();
    const auto& left = doc->getTrack().getLeftEdge();
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const auto k = static_cast<std::size_t>(i);
        const SceneVertex r{static_cast<float>(right[k].x), static_cast<float>(right[k].y) + 0.2f,
                            static_cast<float>(right[k].z), 0, 1, 0, 0xFF969696, 1, static_cast<float>(i % 2)};
        const SceneVertex l{static_cast<float>(left[k].x), static_cast<float>(left[k].y) + 0.2f,
                            static_cast<float>(left[k].z), 0, 1, 0, 0xFF969696, 0, static_cast<float>(i % 2)};
        EXPECT_TRUE(sameVertex(readVertex(bytes, 4 + 2 * i), r));
        EXPECT_TRUE(sameVertex(readVertex(bytes, 5 + 2 * i), l));
    }
    // Skybox face 3 (normal -x), first and last vertex.
    EXPECT_TRUE(sameVertex(readVertex(bytes, 8 + 12), SceneVertex{10, 10, 10, -1, 0, 0, 0xFFFFFFFF, 0, 0}));
    EXPECT_TRUE(sameVertex(readVertex(bytes, 8 + 15), SceneVertex{10, -10, -10, -1, 0, 0, 0xFFFFFFFF, 1, 1}));
    EXPECT_EQ(doc->getGroundBatch().firstVertex, 0);
    EXPECT_EQ(doc->getGroundBatch().primitiveCount, 2);
    EXPECT_EQ(doc->getTrackBatch().primitiveCount, 2);
    EXPECT_EQ(doc->getSkyBatch().primitiveCount, 2);
    EXPECT_EQ(doc->getSkyBatch().primitiveType, 5);
}

// The start line lies square across the first leg at waypoint 0, as wide as the road and two
// units long, just above the ribbon, one chequer per unit.
TEST_F(StartupTest, StartLineLiesAcrossTheRoadAtTheFirstWaypoint) {
    doc->setTrackLoader(exactTrack({{60, 0, 50}, {60, 0, 90}}));  // first leg along +z
    startRunning();
    const auto* buffer = dynamic_cast<const NullVertexBuffer*>(doc->getDecorationPool().buffer());
    ASSERT_NE(buffer, nullptr);
    const float h = static_cast<float>(doc->getTrack().getTrackWidth() * 0.5);
    // Right of +z is +x; the strip goes right, left at z 49, then right, left at z 51.
    const float expected[4][5] = {{60 + h, 49, h, 0}, {60 - h, 49, 0, 0}, {60 + h, 51, h, 1}, {60 - h, 51, 0, 1}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const SceneVertex v = readVertex(buffer->bytes(), doc->getStartLineBatch().firstVertex + i);
        EXPECT_FLOAT_EQ(v.x, expected[i][0]);
        EXPECT_FLOAT_EQ(v.y, 0.22f);
        EXPECT_FLOAT_EQ(v.z, expected[i][1]);
        EXPECT_FLOAT_EQ(v.u, expected[i][2]);
        EXPECT_FLOAT_EQ(v.v, expected[i][3]);
    }
}

// On a closed loop both ends of the drawn strip cross the road on the bisector of the first and
// last segments, so the strip closes; the track's own edges keep their segment directions.
TEST_F(StartupTest, ClosedLoopRibbonEndsMeetOnTheBisector) {
    doc->setTrackLoader(exactTrack(squareCorners()));
    startRunning();
    const auto& bytes = dynamic_cast<const NullVertexBuffer*>(doc->getVertexPool().buffer())->bytes();
    const float c = static_cast<float>(10.0 / std::sqrt(2.0));
    const SceneVertex right{50 - c, 0.2f, 50 - c, 0, 1, 0, 0xFF969696, 1, 0};
    const SceneVertex left{50 + c, 0.2f, 50 + c, 0, 1, 0, 0xFF969696, 0, 0};
    EXPECT_TRUE(sameVertex(readVertex(bytes, 4), right));
    EXPECT_TRUE(sameVertex(readVertex(bytes, 5), left));
    EXPECT_TRUE(sameVertex(readVertex(bytes, 12), right));
    EXPECT_TRUE(sameVertex(readVertex(bytes, 13), left));
    // Inner pairs and the track's edges are untouched.
    EXPECT_TRUE(sameVertex(readVertex(bytes, 6), SceneVertex{160, 0.2f, 50, 0, 1, 0, 0xFF969696, 1, 1}));
    EXPECT_EQ(doc->getTrack().getRightEdge().front(), Vector3(50, 0, 40));
    EXPECT_EQ(doc->getTrack().getRightEdge().back(), Vector3(40, 0, 50));
}

TEST_F(StartupTest, DeviceStateLightCameraAndFont) {
    startRunning();
    EXPECT_EQ(host->deviceView, 0x1U);
    EXPECT_EQ(host->deviceFocus, host->mainFrame);
    EXPECT_EQ(host->cooperativeWindow, host->mainFrame);
    EXPECT_FALSE(host->keyboardAcquired);  // the first read acquires it
    const auto lights = host->deviceLog->ofKind(DeviceOp::SetLight);
    ASSERT_EQ(lights.size(), 1U);
    EXPECT_EQ(lights[0].light.type, LightType::Directional);
    EXPECT_EQ(lights[0].light.diffuse, (ColorValue{1.0f, 1.0f, 0.8f, 1.0f}));
    EXPECT_EQ(lights[0].light.ambient, (ColorValue{1.0f, 1.0f, 0.8f, 1.0f}));
    EXPECT_EQ(lights[0].light.specular, ColorValue{});
    EXPECT_EQ(lights[0].light.direction, Vector3f(-0.2f, -1.0f, 0.2f));
    bool projection = false;
    for (const auto& call : host->deviceLog->ofKind(DeviceOp::SetTransform)) {
        if (call.transform == TransformKind::Projection) {
            projection = true;
            EXPECT_EQ(call.matrix, matrixPerspectiveFovLH(0.7853982f, 1.33333f, 1.0f, 2000.0f));
        }
    }
    EXPECT_TRUE(projection);
    const auto fonts = host->deviceLog->ofKind(DeviceOp::CreateFont);
    ASSERT_EQ(fonts.size(), 1U);
    EXPECT_EQ(fonts[0].index, -12);
    EXPECT_EQ(fonts[0].text, "Arial");
    const auto meshes = host->deviceLog->ofKind(DeviceOp::LoadMesh);
    ASSERT_EQ(meshes.size(), 1U);
    EXPECT_EQ(meshes[0].text, dir.str() + "/cars/default/car.x");
    for (const auto& call : host->deviceLog->ofKind(DeviceOp::LoadTexture)) {
        const bool sky = call.text.find("skybox") != std::string::npos;
        EXPECT_EQ(call.textureOptions.imageFilter, sky ? ImageFilter::Linear : ImageFilter::Triangle) << call.text;
        EXPECT_EQ(call.textureOptions.mipFilter, sky ? ImageFilter::Linear : ImageFilter::Triangle) << call.text;
    }
    // The user-control camera follows the car; the lap times start at "none yet".
    EXPECT_EQ(doc->getCameraController().mode(), CameraController::kModeFollow);
    EXPECT_EQ(doc->getCameraController().offset(), Vector3(1.0, 3.0, -8.0));
    EXPECT_EQ(doc->getLastLap(), noLapTime());
    EXPECT_EQ(doc->getBestLap(), noLapTime());
    EXPECT_EQ(doc->getCurrentLap(), LapTime{});
}

// The projection follows the view's shape: the size known before start-up, then every resize.
TEST_F(StartupTest, ProjectionFollowsTheViewAspectRatio) {
    auto lastProjection = [this] {
        Matrix4 m{};
        for (const auto& call : host->deviceLog->ofKind(DeviceOp::SetTransform)) {
            if (call.transform == TransformKind::Projection) m = call.matrix;
        }
        return m;
    };
    doc->setViewSize(1280, 728);
    startRunning();
    EXPECT_EQ(lastProjection(), matrixPerspectiveFovLH(0.7853982f, 1280.0f / 728.0f, 1.0f, 2000.0f));
    doc->setViewSize(400, 800);
    EXPECT_EQ(lastProjection(), matrixPerspectiveFovLH(0.7853982f, 0.5f, 1.0f, 2000.0f));
    doc->setViewSize(400, 0);  // a collapsed view keeps the last shape
    EXPECT_EQ(doc->getViewAspect(), 0.5f);
    EXPECT_EQ(lastProjection(), matrixPerspectiveFovLH(0.7853982f, 0.5f, 1.0f, 2000.0f));
}

TEST_F(StartupTest, TeardownReleasesInOrderAndKeepsPoolAndMesh) {
    startRunning();
    const std::size_t before = host->deviceLog->calls.size();
    doc->teardownScene();
    std::vector<std::string> tail;
    for (std::size_t i = before; i < host->deviceLog->calls.size(); ++i) {
        const auto& call = host->deviceLog->calls[i];
        tail.push_back(std::string(deviceOpName(call.op)) + ":" + call.text);
    }
    const std::string release = std::string(deviceOpName(DeviceOp::Release)) + ":";
    const std::vector<std::string> want = {
        release + "texture", release + "texture", release + "texture", release + "texture",
        release + "texture", release + "texture", release + "texture", release + "texture",
        release + "texture", release + "texture",  // start line and shadow
        std::string(deviceOpName(DeviceOp::SetTexture)) + ":", release + "font"};
    EXPECT_EQ(tail, want);
    EXPECT_EQ(host->unacquireCount, 1);
    EXPECT_EQ(host->keyboardsAlive, 0);
    EXPECT_EQ(host->graphicsSystemsAlive, 0);
    EXPECT_NE(doc->getVertexPool().buffer(), nullptr);  // kept until the next start-up
}

// ---------------------------------------------------------------------------------------------
// The render step

TEST_F(StartupTest, RenderStepCallsInOrderWithTheirStates) {
    startRunning();
    host->press(dik::kS);  // braking lights the brake lamps
    ASSERT_EQ(frameAfter(17), 0);
    host->deviceLog->clear();
    ASSERT_EQ(frameAfter(17), 0);
    const auto& calls = host->deviceLog->calls;

    // The camera's view transform comes first, then the drawing.
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].op, DeviceOp::SetTransform);
    EXPECT_EQ(calls[0].transform, TransformKind::View);
    std::size_t i = 1;
    auto next = [&](DeviceOp op) -> const DeviceCall& {
        EXPECT_LT(i, calls.size());
        if (i >= calls.size()) return calls.back();
        EXPECT_EQ(deviceOpName(calls[i].op), std::string(deviceOpName(op))) << "call " << i;
        return calls[i++];
    };
    const DeviceCall& clear = next(DeviceOp::Clear);
    EXPECT_EQ(clear.flags, kClearZBuffer);
    EXPECT_EQ(clear.color, 0xFF0096FFU);
    EXPECT_EQ(clear.depth, 1.0f);
    next(DeviceOp::BeginScene);
    EXPECT_EQ(next(DeviceOp::SetStreamSource).value, 36U);
    EXPECT_EQ(next(DeviceOp::SetVertexFormat).value, 0x152U);
    const Vector3& eye = doc->getCamera().position();
    const DeviceCall& skyWorld = next(DeviceOp::SetTransform);
    EXPECT_EQ(skyWorld.transform, TransformKind::World);
    EXPECT_EQ(skyWorld.matrix, matrixTranslation(static_cast<float>(eye.x), static_cast<float>(eye.y),
                                                 static_cast<float>(eye.z)));
    const DeviceCall& depthOff = next(DeviceOp::SetRenderState);
    EXPECT_EQ(depthOff.renderState, RenderState::DepthTest);
    EXPECT_FALSE(depthOff.enabled);
    const DeviceCall& lightOff = next(DeviceOp::SetRenderState);
    EXPECT_EQ(lightOff.renderState, RenderState::Lighting);
    EXPECT_FALSE(lightOff.enabled);
    for (auto state : {TextureStageState::AddressU, TextureStageState::AddressV}) {
        const DeviceCall& c = next(DeviceOp::SetTextureStageState);
        EXPECT_EQ(c.stageState, state);
        EXPECT_EQ(c.value, static_cast<std::uint32_t>(TextureAddress::Clamp));
    }
    const std::int32_t skyFirst = doc->getSkyBatch().firstVertex;
    for (int face = 0; face < 6; ++face) {
        SCOPED_TRACE(face);
        EXPECT_EQ(next(DeviceOp::SetTexture).text, enviro("desert/skybox" + std::to_string(face) + ".dds"));
        const DeviceCall& draw = next(DeviceOp::DrawPrimitive);
        EXPECT_EQ(draw.primitive, PrimitiveType::TriangleStrip);
        EXPECT_EQ(draw.value, static_cast<std::uint32_t>(skyFirst + 4 * face));
        EXPECT_EQ(draw.count, 2U);
    }
    const DeviceCall& depthOn = next(DeviceOp::SetRenderState);
    EXPECT_EQ(depthOn.renderState, RenderState::DepthTest);
    EXPECT_TRUE(depthOn.enabled);
    const DeviceCall& lightOn = next(DeviceOp::SetRenderState);
    EXPECT_EQ(lightOn.renderState, RenderState::Lighting);
    EXPECT_TRUE(lightOn.enabled);
    for (auto state : {TextureStageState::AddressU, TextureStageState::AddressV}) {
        const DeviceCall& c = next(DeviceOp::SetTextureStageState);
        EXPECT_EQ(c.stageState, state);
        EXPECT_EQ(c.value, static_cast<std::uint32_t>(TextureAddress::Wrap));
    }
    const DeviceCall& world = next(DeviceOp::SetTransform);
    EXPECT_EQ(world.transform, TransformKind::World);
    EXPECT_EQ(world.matrix, matrixIdentity());
    EXPECT_EQ(next(DeviceOp::SetTexture).text, dir.str() + "/enviro/desert/ground.dds");
    const DeviceCall& groundDraw = next(DeviceOp::DrawPrimitive);
    EXPECT_EQ(groundDraw.value, 0U);
    EXPECT_EQ(groundDraw.count, 2U);
    EXPECT_EQ(next(DeviceOp::SetTexture).text, dir.str() + "/tracks/track.dds");
    const DeviceCall& trackDraw = next(DeviceOp::DrawPrimitive);
    EXPECT_EQ(trackDraw.value, 4U);
    EXPECT_EQ(trackDraw.count, static_cast<std::uint32_t>(2 * doc->getWaypointCount() - 2));

    // The start line and the car's shadow, from their own pool, flat on the road without depth;
    // the shadow blended, under the car's mesh origin, then the states as they were.
    EXPECT_EQ(next(DeviceOp::SetStreamSource).value, 36U);
    EXPECT_EQ(next(DeviceOp::SetVertexFormat).value, 0x152U);
    auto state = [&](RenderState which, bool on) {
        const DeviceCall& c = next(DeviceOp::SetRenderState);
        EXPECT_EQ(c.renderState, which);
        EXPECT_EQ(c.enabled, on);
    };
    state(RenderState::DepthTest, false);
    state(RenderState::Lighting, false);
    EXPECT_EQ(next(DeviceOp::SetTexture).text, dir.str() + "/tracks/startline.dds");
    EXPECT_EQ(next(DeviceOp::DrawPrimitive).value, 0U);
    const DeviceCall& shadowWorld = next(DeviceOp::SetTransform);
    const Vector3& meshAt = doc->getCarMesh().position();
    EXPECT_EQ(shadowWorld.matrix.m[3][0], static_cast<float>(meshAt.x));
    EXPECT_EQ(shadowWorld.matrix.m[3][1], static_cast<float>(meshAt.y));
    EXPECT_EQ(shadowWorld.matrix.m[1][1], 1.0f) << "never tilted";
    state(RenderState::AlphaBlend, true);
    EXPECT_EQ(next(DeviceOp::SetTexture).text, dir.str() + "/cars/default/shadow.dds");
    EXPECT_EQ(next(DeviceOp::DrawPrimitive).value, 4U);
    state(RenderState::AlphaBlend, false);
    EXPECT_EQ(next(DeviceOp::SetTransform).matrix, matrixIdentity());
    state(RenderState::DepthTest, true);
    state(RenderState::Lighting, true);

    // The car: its world transform, then material, texture and subset for each of 10 subsets,
    // with the brake lamps (subsets 8 and 9) at full ambient while braking.
    ASSERT_LT(doc->getCar()->getThrottleControl(), 0.0);
    EXPECT_EQ(next(DeviceOp::SetTransform).transform, TransformKind::World);
    for (int subset = 0; subset < 10; ++subset) {
        SCOPED_TRACE(subset);
        const Material m = next(DeviceOp::SetMaterial).material;
        if (subset >= 8) {
            EXPECT_EQ(m.ambient.r, m.diffuse.r);
        } else {
            EXPECT_NE(m.ambient.r, m.diffuse.r);
        }
        next(DeviceOp::SetTexture);
        EXPECT_EQ(next(DeviceOp::DrawSubset).index, subset);
    }

    next(DeviceOp::BeginText);
    struct Text { std::string text; TextRect rect; };
    const Text texts[] = {{doc->getFpsText(), {2, 2, 500, 200}},
                          {statusText(), {2, 30, 500, 200}},
                          {doc->getLapText(), {2, 200, 500, 500}}};
    for (const auto& t : texts) {
        // A dark shadow one pixel down and right first, then the yellow text in its place.
        const DeviceCall& shadow = next(DeviceOp::DrawText);
        EXPECT_EQ(shadow.text, t.text);
        EXPECT_EQ(shadow.rect, (TextRect{t.rect.left + 1, t.rect.top + 1, t.rect.right + 1, t.rect.bottom + 1}));
        EXPECT_EQ(shadow.color, 0xD0000000U);
        const DeviceCall& c = next(DeviceOp::DrawText);
        EXPECT_EQ(c.text, t.text);
        EXPECT_EQ(c.rect, t.rect);
        EXPECT_EQ(c.index, -1);
        EXPECT_EQ(c.flags, 0U);
        EXPECT_EQ(c.color, 0xFFFFFF00U);
    }
    next(DeviceOp::EndText);
    next(DeviceOp::EndScene);
    next(DeviceOp::Present);
    EXPECT_EQ(i, calls.size());
}

TEST_F(StartupTest, FailedSceneBeginStillPresents) {
    startRunning();
    ASSERT_EQ(frameAfter(17), 0);
    host->device->options.failing.insert(DeviceOp::BeginScene);
    host->deviceLog->clear();
    ASSERT_EQ(frameAfter(17), 0);
    std::vector<DeviceOp> ops;
    for (const auto& c : host->deviceLog->calls) ops.push_back(c.op);
    EXPECT_EQ(ops, (std::vector<DeviceOp>{DeviceOp::SetTransform, DeviceOp::Clear, DeviceOp::BeginScene,
                                          DeviceOp::Present}));
}

}  // namespace
}  // namespace torvask::testing
