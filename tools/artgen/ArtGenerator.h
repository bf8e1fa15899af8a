#pragma once
// The program's bundled art, generated from code so that every picture and the car are ours and
// the output is the same on every build: the track's asphalt, the desert sand, the six skybox
// faces and the car mesh (DirectX text .x).
#include <string>

#include "gfx/Image.h"

namespace torvask::artgen {

// Asphalt with white edge lines along u = 0 and u = 1 (the ribbon's left and right edges);
// DXT1 with a full mip chain.
Image trackTexture(int size = 256);

// Sand with ripples and soft dune shading; DXT1 with a full mip chain.
Image groundTexture(int size = 1024);

// Skybox face 0..5 in the scene's face order: 0 top (seen looking up), 1 bottom, 2 the -x side,
// 3 the +x side, 4 the +z side, 5 the -z side. Every texel is the desert seen in the direction
// of that texel's point on the cube, so the faces meet without seams. RGBA8 with full mips.
Image skyboxFace(int face, int size = 512);

// The sky's colour (r, g, b in 0..255) seen along a direction (need not be normalised; y up).
void skyColour(double x, double y, double z, int rgb[3]);

// The chequered start/finish line: a tile of 2 x 2 squares, drawn repeated across the road;
// DXT1 with a full mip chain.
Image startLineTexture(int size = 64);

// The soft shadow under the car seen from above: black, 60 % opaque over a rounded rectangle
// about the car's footprint (on a quad 3.2 x 5.8 units) and fading to transparent beyond it.
// RGBA8 with a full mip chain.
Image shadowTexture(int size = 64);

// The car's paint: the upper half is the side view (u from tail to nose, v from roof to sill)
// with a white waist stripe, door seams and a number roundel on the door; the lower half is the
// plain paint the top, nose and tail use. DXT1 with a full mip chain.
Image liveryTexture(int size = 256);

// The car as DirectX text .x: 4 units long along +z (front at +z), 2 wide, wheels of radius
// 0.4, origin 0.3 above the chassis centre so that it sits on the track where the frame step
// places it. Materials in this order; 8 and 9 are the left and right brake lights. The paint
// is white under kLiveryTextureName, the livery giving the colour.
inline constexpr int kCarMaterialCount = 11;
enum CarMaterial {
    kPaint = 0,
    kGlass = 1,
    kTyre = 2,
    kRim = 3,
    kHeadlight = 4,
    kPlate = 5,
    kGrille = 6,
    kStripe = 7,
    kLeftBrakeLight = 8,
    kRightBrakeLight = 9,
    kTrim = 10,  // last: the static scene is drawn with the last material's ambient, so keep it neutral
};
inline constexpr const char* kLiveryTextureName = "livery.dds";
std::string carMeshText();

// The application icon (a steering wheel on a red disc) as RGBA8, size x size texels, and as
// an SVG drawing on a 64-unit canvas.
inline constexpr int kAppIconSizes[] = {16, 24, 32, 48, 64, 128, 256};
Image appIcon(int size);
std::string appIconSvg();
// Writes the icon theme's files under root (an icon theme folder such as .../hicolor):
// <n>x<n>/apps/<name>.png for every size, and scalable/apps/<name>.svg.
bool writeIcons(const std::string& root, const std::string& name, std::string* error);

// Writes every file under root: tracks/track.dds, tracks/startline.dds,
// enviro/desert/ground.dds, enviro/desert/skybox0.dds .. skybox5.dds, cars/default/car.x,
// cars/default/livery.dds, cars/default/shadow.dds. False (with *error) if a
// folder or file cannot be written.
bool writeAll(const std::string& root, std::string* error);

}  // namespace torvask::artgen
