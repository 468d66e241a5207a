// Ready-made shapes: cube and plane meshes for the 3-D renderer, and a textured cube (from a
// cached display list) and an untextured cube (immediate mode) for fixed-function drawing.
//
// Windings: the meshes' triangles wind clockwise seen from outside (the plane's from above);
// both cubes drawn here wind counter-clockwise seen from outside, GL's default front face.
// The renderer's shaders light by the stored normal and never read the facing, and the
// renderer draws with culling off unless asked, so the clockwise meshes show as they are; a
// caller that culls must cull GL_FRONT for them, or set glFrontFace (GL_CW).
#pragma once

#include <GL/glew.h>
#include <vector>

#include "util/objects3d/mesh.h"

namespace Prefabs {

// "Cube" of edge s centred at the origin: 36 corners with positions, per-face normals
// (pointing inward when inverted) and texture coordinates; no tangents. The caller owns it.
Mesh* cube_mesh(float edge, bool inverted);
// "Plane" of width x depth in the XZ plane facing +Y, with tangent (1, 0, 0) and the texture
// repeated `repeat` times across. The caller owns it.
Mesh* plane_mesh(float width, float depth, float repeat);
// A textured cube of edge s centred at the origin with per-face normals and, on texture
// unit 1, the face tangent (w = -1 when inverted). One display list per inverted flag is
// compiled on first use and kept for the run; the size is a scale outside the list.
void draw_cube(float edge, bool inverted);
// An untextured cube of edge s centred at the origin, normals outward.
void draw_cube_immediate(double edge);
// The same cube centred at (x, y, z) in one colour, appended to `quads` as 24 corners laid
// out for glInterleavedArrays (GL_C4F_N3F_V3F): many cubes drawn from one array cost far less
// than one glBegin each between matrix changes.
void append_cube_quads(std::vector<GLfloat>& quads, double edge, double x, double y, double z,
                       const GLfloat colour[4]);
// Draws the cubes appended to `quads` in one call, lit as GL's state says.
void draw_cube_quads(const std::vector<GLfloat>& quads);

// The display list of one flag; 0 until the first draw_cube with it.
GLuint cube_list(bool inverted);

} // namespace Prefabs
