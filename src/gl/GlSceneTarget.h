#pragma once
// Where the 3-D scene is drawn: straight into the window, or at a reduced scale into an
// offscreen framebuffer that is scaled up into the window before the text goes over it.
// Internal to gl/.
#include "gl/GlState.h"

namespace torvask {

// Reads the window's size, then binds the scene's target at the current scale (making or
// resizing the offscreen buffers as needed) and sets the viewport to it. False when the
// offscreen target cannot be made: the scene then draws straight into the window.
bool bindSceneTarget(GlState& s);
// Scales an offscreen scene up into the window and leaves the window bound with its full
// viewport; nothing when the scene is drawn straight into the window.
void resolveSceneTarget(GlState& s);
void releaseSceneTarget(GlState& s);

}  // namespace torvask
