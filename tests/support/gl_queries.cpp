#include "support/gl_queries.h"

GLint gl_integer(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

std::vector<GLint> gl_viewport()
{
    std::vector<GLint> v(4);
    glGetIntegerv(GL_VIEWPORT, v.data());
    return v;
}

Matrix4 gl_matrix(GLenum which)
{
    Matrix4 m;
    glGetFloatv(which, m.m);
    return m;
}
