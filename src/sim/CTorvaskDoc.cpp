// The document's state, the frame step, physics pacing, lap timing and the render step.
#include "sim/CTorvaskDoc.h"

#include <filesystem>
#include <system_error>

#include "common/Messages.h"
#include "common/Paths.h"
#include "common/TickClock.h"
#include "driver/Driver.h"
#include "physics/Car.h"
#include "physics/PhysicsServer.h"
#include "render/Vertex.h"
#include "sim/CarAdapter.h"
#include "sim/DriveControls.h"
#include "sim/FrameTiming.h"

namespace torvask {

namespace {
constexpr double kPhysicsRateScale = 1.0 / 60.0;  // 60 steps a second show as 1.00
constexpr float kCarMeshLift = 0.3f;               // mesh origin above the chassis centre
}  // namespace

CTorvaskDoc::CTorvaskDoc(const HostServices& host)
    : host_(host),
      folders_(currentProgramFolders()),
      modeNames{"Idle", "User Control", "AI Control"},
      fpsText("FPS:"),
      lapText("Cur. Lap:\r\nLast Lap:\r\nBest Lap:") {}

void CTorvaskDoc::setProgramFolder(const std::string& folder) {
    folders_ = ProgramFolders{};
    folders_.configFolder = folder;
}

CTorvaskDoc::~CTorvaskDoc() {
    teardownScene();
    carMesh.release();
    // A folder of this copy's own holds only what this run recorded; nobody else will use it.
    if (!instanceFolder_.empty()) {
        tempLock_.release();
        std::error_code ec;
        std::filesystem::remove_all(instanceFolder_, ec);
    }
}

std::uint32_t CTorvaskDoc::now() const { return host_.clock->tickCount(); }

const char* CTorvaskDoc::getModeName(DrivingMode m) const {
    if (m < 0 || m >= static_cast<DrivingMode>(modeNames.size())) return "";
    return modeNames[static_cast<std::size_t>(m)].c_str();
}

std::int32_t CTorvaskDoc::simulateFrame() {
    if (!sceneReady) return -1;
    if (!device) return -1;

    FrameTiming& timing = frameTiming();
    if (!timing.frameStarted) {
        timing.frameStarted = true;
        timing.lastFrameTick = now();
    }
    const std::uint32_t frameStart = now();
    const auto frameMs = static_cast<std::int32_t>(frameStart - timing.lastFrameTick);
    timing.lastFrameTick = now();
    if (!timing.fpsStarted) {
        timing.fpsStarted = true;
        timing.fpsWindowStart = now();
    }

    if (rightedShown_ && now() - rightedAt_ >= kRightedNoticeMs) rightedShown_ = false;
    statusText() = formatBuffer("Mode: %s%s\r\n\r\n", personDriving_ ? kTakenWheelModeName : getModeName(mode),
                                rightedShown_ ? kRightedNotice : "");
    if (learnAtOnce_ && mode == kModeAIControl) {
        appendStatus("Corrections learned: %d%s\r\n", correctionsLearned_, learner_.busy() ? ", learning..." : "");
    }

    // Esc may tear this scene down and build another (or none) from inside the keyboard
    // step; what follows would then work on objects of a scene the frame did not start with.
    const std::uint64_t generation = sceneGeneration_;
    readKeyboard(frameMs * 0.001);
    if (generation != sceneGeneration_ || !sceneReady || !device) return 0;

    updateLearning();
    updateDriving();

    cameraController.update(frameMs);
    device->setTransform(TransformKind::View, camera.viewMatrix());

    updateLapText();
    if (renderEnabled) render();

    ++framesThisSecond;
    const std::uint32_t windowMs = now() - timing.fpsWindowStart;
    if (windowMs >= 1000U) {
        // The window closes on the first frame past the second, so it is a little longer than
        // one: the steps are taken over its real length, or a sixty-first step in it would show
        // a simulation running at real time as 1.02.
        fpsText = formatBuffer("FPS: %d\r\nPhysics Rate: %2.2f\r\n", framesThisSecond,
                               physicsStepsThisSecond * kPhysicsRateScale * 1000.0 / windowMs);
        framesThisSecond = 0;
        physicsStepsThisSecond = 0;
        timing.fpsWindowStart = now();
    }
    return 0;
}

std::int32_t CTorvaskDoc::updateDriving() {
    FrameTiming& timing = frameTiming();
    if (!timing.recordStarted) {
        timing.recordStarted = true;
        timing.lastRecordTick = now();
    }
    if (!car || !driver) return 0;

    // The person drives in User Control, and in AI Control after taking the wheel; either way
    // their driving is recorded the same.
    if (mode == kModeUserControl || (mode == kModeAIControl && personDriving_)) {
        const std::vector<double> outputs{steeringOutput(steering), throttleOutput(throttle, brake)};
        car->setOutputs(outputs, 0);
        // Standing still with no drive key held (parked, or stuck in the sand) is not driving:
        // recorded, it would teach the driver that standing still is right, and a driver that
        // has learned that never moves again once it stops.
        const bool idleAtRest = car->getSpeed() < kRestSpeed && !isDriveKeyDown(keyState);
        // Nor is lying on its side or roof: no key does anything right there.
        const bool overturned = car->getUprightness() < kOverturnedUprightness;
        // The driver's pedal fades out over up to 0.4 s after the hand-over. Recorded meanwhile,
        // a driver that was braking to a stall would be taught to brake at rest, in the very
        // correction meant to teach it to pull away.
        const bool throttleHeld = isKeyDown(keyState, dik::kW) || isKeyDown(keyState, dik::kUp);
        const bool brakeHeld = isKeyDown(keyState, dik::kS) || isKeyDown(keyState, dik::kDown);
        if (handOverSettling_ && personDriving_) {
            handOverSettling_ = (throttle > 0.0 && !throttleHeld) || (brake > 0.0 && !brakeHeld);
        }
        // Waiting to hand back with no drive key held is the person letting go, not a lesson:
        // recorded, it would pair the spot that needed correcting with no steering and no pedal.
        const bool handingBack = personDriving_ && !isDriveKeyDown(keyState);
        if (drivingStarted && !idleAtRest && !overturned && !handingBack && !(personDriving_ && handOverSettling_) &&
            now() - timing.lastRecordTick >= kRecordIntervalMs) {
            const std::vector<double> inputs = car->getInputs(0);
            const bool pullingAway = throttleHeld && !brakeHeld && car->getSpeed() < kPullAwaySpeed;
            driver->recordPattern(inputs, pullingAway ? std::vector<double>{outputs[0], throttleOutput(1.0, 0.0)}
                                                      : outputs);
            timing.lastRecordTick = now();
            // A correction changes the driver's teaching: closing or leaving offers to save it.
            if (personDriving_) driverModified = true;
        }
    } else if (mode == kModeAIControl) {
        driver->drive();
    }

    if (lastPhysicsTick == 0) {
        lastPhysicsTick = now();
        physicsCarryFraction_ = 0.0;
    }
    auto elapsed = static_cast<std::int32_t>(now() - lastPhysicsTick);
    if (elapsed > kStallLimitMs) {
        // The stalled time does not count towards the lap, and it never becomes a burst of steps.
        lapStartTick += static_cast<std::uint32_t>(elapsed);
        elapsed = kStallFrameMs;
        physicsCarryFraction_ = 0.0;
    }
    if (mode == kModeIdle) return 0;

    // The clock counts whole milliseconds and a step stands for 16.67 of them: the fraction
    // below the millisecond is carried as well, or every step would cost up to a millisecond
    // more real time and the simulation would run 2 % slow at frame rates above 60.
    const double due = static_cast<double>(elapsed) + physicsCarryFraction_;
    if (due >= physicsInterval) {
        physicsServer().step(physicsStepSize);
        // Carry the part of elapsed beyond one interval, so a slow frame is caught up later.
        const double carried = due - physicsInterval;
        const auto wholeMs = static_cast<std::int32_t>(carried);
        lastPhysicsTick = now() - static_cast<std::uint32_t>(wholeMs);
        physicsCarryFraction_ = carried - wholeMs;
        ++physicsStepsThisSecond;
    }

    car->update(static_cast<double>(elapsed));
    rightOverturnedCar();

    advanceLapProgress(car->getCurrentWaypoint());

    const Vector3& rot = car->getRotation();
    const Vector3& pos = car->getPosition();
    carMesh.setRotation(static_cast<float>(rot.x), static_cast<float>(rot.y), static_cast<float>(rot.z));
    carMesh.setPosition(static_cast<float>(pos.x), static_cast<float>(pos.y) + kCarMeshLift,
                        static_cast<float>(pos.z));
    return 0;
}

void CTorvaskDoc::advanceLapProgress(std::int32_t reached) {
    // The last waypoint repeats the first, so the loop has waypointCount - 1 of them and the
    // one after the last but one is waypoint 0. -1 (the repeat itself nearest) is not a step.
    const std::int32_t loop = waypointCount - 1;
    const std::vector<Vector3>& w = track.getWaypoints();
    if (reached < 0 || reached >= loop || reached == lapProgress || static_cast<std::int32_t>(w.size()) < loop)
        return;
    // The next waypoint always counts. A few more count too when the road up to them is short:
    // a car cutting inside a sharp corner (a loop joined at a corner, most of all) is never
    // nearest to the waypoints at its tip, and would otherwise never finish a lap again.
    std::int32_t i = (lapProgress + 1) % loop;
    bool wrapped = i == 0;
    double skipped = 0.0;
    while (i != reached && skipped <= kLapSkipDistance) {
        const std::int32_t next = (i + 1) % loop;
        skipped += (w[static_cast<std::size_t>(next)] - w[static_cast<std::size_t>(i)]).length();
        wrapped = wrapped || next == 0;
        i = next;
    }
    if (i != reached || skipped > kLapSkipDistance) return;
    if (wrapped) completeLap();
    lapProgress = reached;
}

void CTorvaskDoc::updateLapText() {
    currentLap = lapTimeFromMilliseconds(static_cast<std::int32_t>(now() - lapStartTick));
    lapText = formatLapText(currentLap, lastLap, bestLap);
}

void CTorvaskDoc::completeLap() {
    ++lapsCompleted_;
    lastLap = currentLap;
    if (isShorterLap(lastLap, bestLap)) bestLap = currentLap;
    lapStartTick = now();
}

void CTorvaskDoc::resetLapTimes() {
    currentLap = LapTime{};
    lastLap = noLapTime();
    bestLap = noLapTime();
    lapProgress = 0;
    lapsCompleted_ = 0;
    lastPhysicsTick = 0;
    lapStartTick = now();
}

void CTorvaskDoc::renderDecorations(Device& d) {
    const bool line = startLineBatch_.texture != nullptr;
    const bool shadow = shadowBatch_.texture != nullptr && mode != kModeIdle && car;
    if ((!line && !shadow) || !decorationPool_.bind()) return;
    d.setVertexFormat(kSceneVertexFormat);
    d.setRenderState(RenderState::DepthTest, false);
    d.setRenderState(RenderState::Lighting, false);
    if (line) {
        d.setTexture(0, startLineBatch_.texture.get());
        d.drawPrimitive(static_cast<PrimitiveType>(startLineBatch_.primitiveType),
                        static_cast<std::uint32_t>(startLineBatch_.firstVertex),
                        static_cast<std::uint32_t>(startLineBatch_.primitiveCount));
    }
    if (shadow) {
        // Turned with the car but never tilted: it lies on the ground whatever the car does.
        const Vector3& at = carMesh.position();
        d.setTransform(TransformKind::World,
                       matrixRotationY(static_cast<float>(carMesh.rotation().y)) *
                           matrixTranslation(static_cast<float>(at.x), static_cast<float>(at.y),
                                             static_cast<float>(at.z)));
        d.setRenderState(RenderState::AlphaBlend, true);
        d.setTexture(0, shadowBatch_.texture.get());
        d.drawPrimitive(static_cast<PrimitiveType>(shadowBatch_.primitiveType),
                        static_cast<std::uint32_t>(shadowBatch_.firstVertex),
                        static_cast<std::uint32_t>(shadowBatch_.primitiveCount));
        d.setRenderState(RenderState::AlphaBlend, false);
        d.setTransform(TransformKind::World, identityWorld);
    }
    d.setRenderState(RenderState::DepthTest, true);
    d.setRenderState(RenderState::Lighting, true);
}

std::int32_t CTorvaskDoc::render() {
    if (!device) return 0;
    Device& d = *device;
    d.clear(kClearZBuffer, kDepthClearColor, 1.0f, 0);
    if (d.beginScene()) {
        vertexPool.bind();
        d.setVertexFormat(kSceneVertexFormat);

        // The skybox is drawn around the eye without depth so that it is always behind.
        const Vector3 eye = camera.position();
        d.setTransform(TransformKind::World, matrixTranslation(static_cast<float>(eye.x), static_cast<float>(eye.y),
                                                               static_cast<float>(eye.z)));
        d.setRenderState(RenderState::DepthTest, false);
        d.setRenderState(RenderState::Lighting, false);
        d.setTextureStageState(0, TextureStageState::AddressU, static_cast<std::uint32_t>(TextureAddress::Clamp));
        d.setTextureStageState(0, TextureStageState::AddressV, static_cast<std::uint32_t>(TextureAddress::Clamp));
        for (int i = 0; i < 6; ++i) {
            d.setTexture(0, skyBatch.textures[static_cast<std::size_t>(i)].get());
            d.drawPrimitive(static_cast<PrimitiveType>(skyBatch.primitiveType),
                            static_cast<std::uint32_t>(skyBatch.firstVertex + 4 * i),
                            static_cast<std::uint32_t>(skyBatch.primitiveCount));
        }
        d.setRenderState(RenderState::DepthTest, true);
        d.setRenderState(RenderState::Lighting, true);
        d.setTextureStageState(0, TextureStageState::AddressU, static_cast<std::uint32_t>(TextureAddress::Wrap));
        d.setTextureStageState(0, TextureStageState::AddressV, static_cast<std::uint32_t>(TextureAddress::Wrap));

        d.setTransform(TransformKind::World, identityWorld);
        for (const DrawBatch* batch : {&groundBatch, &trackBatch}) {
            d.setTexture(0, batch->texture.get());
            d.drawPrimitive(static_cast<PrimitiveType>(batch->primitiveType),
                            static_cast<std::uint32_t>(batch->firstVertex),
                            static_cast<std::uint32_t>(batch->primitiveCount));
        }

        renderDecorations(d);

        if (mode != kModeIdle && car) {
            carMesh.draw(car->getThrottleControl() < 0.0);
            if (showSensors_ && sensorMarks_.update(*car, track)) sensorMarks_.draw(d);
        }

        if (font && statusTextShown_) {
            d.beginText(*font);
            // Each text over a dark copy one pixel down and right: yellow alone is hard to read
            // over bright sand, and the shadow keeps its colour and place.
            auto drawStatus = [&](const std::string& text, TextRect rect) {
                const TextRect shadow{rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1};
                d.drawText(*font, text, -1, shadow, kTextLeftTop, kStatusShadowColor);
                d.drawText(*font, text, -1, rect, kTextLeftTop, kStatusTextColor);
            };
            drawStatus(fpsText, TextRect{2, 2, 500, 200});
            drawStatus(statusText(), TextRect{2, 30, 500, 200});
            drawStatus(lapText, TextRect{2, 200, 500, 500});
            d.endText(*font);
        }
        d.endScene();
    }
    d.present();
    return 0;
}

}  // namespace torvask
