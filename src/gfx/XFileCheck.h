#pragma once
// A structural check of a DirectX text .x file before Assimp reads it. Assimp trusts the
// counts and references a file states, so a damaged file can make it read out of bounds or
// size arrays in gigabytes. This walks the meshes and refuses any file whose lists do not
// hold what their counts say or whose indices point outside their lists.
#include <cstddef>
#include <string>

namespace torvask {

// True when data is a text .x file ("xof 0303txt ...") whose every Mesh is consistent:
// vertex and face lists as long as their counts, face indices below the vertex count, normals
// per face matching the faces, one texture coordinate per vertex, vertex colours indexing
// vertices, and material lists with as many materials as they declare and face entries below
// that number. Otherwise false with *why set.
bool checkTextXFile(const char* data, std::size_t size, std::string* why);

}  // namespace torvask
