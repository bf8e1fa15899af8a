#pragma once
// One visible 640x480 window with a 3.3 core context for every GL test, made by the test main
// under the X server xvfb-run provides; pixels are read from its back buffer.
#include <QOpenGLContext>
#include <QWindow>

#include <cstdint>
#include <string>
#include <vector>

namespace torvask::testing {

struct GlTestWindow {
    QWindow* window = nullptr;
    QOpenGLContext* context = nullptr;
};

// Set by the test main; both members are null when no context could be made.
GlTestWindow& glTestWindow();

// Writes rows of RGBA8 as a PNG (for looking at what a test saw). False on failure.
bool writePng(const std::string& path, const std::vector<std::uint8_t>& rgba, int width, int height);

}  // namespace torvask::testing
