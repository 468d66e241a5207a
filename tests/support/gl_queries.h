// Reads of the current GL context's state, for the tests that check what a call left behind.
#pragma once

#include <GL/glew.h>
#include <vector>

#include "util/math/matrix4.h"

// One integer of GL state (glGetIntegerv).
GLint gl_integer(GLenum name);
// The viewport: x, y, width, height.
std::vector<GLint> gl_viewport();
// A matrix of GL state, such as GL_MODELVIEW_MATRIX or GL_PROJECTION_MATRIX.
Matrix4 gl_matrix(GLenum which);
