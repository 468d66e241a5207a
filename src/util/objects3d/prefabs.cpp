#include "util/objects3d/prefabs.h"

#include "util/error/fatal.h"

namespace {

const char* const PREFABS_SOURCE = "src\\util\\objects3d\\prefabs";
const int DISPLAY_LIST_LINE = 233;

// One corner of a face: position in units of the half edge, then the texture coordinate.
struct Corner {
    float x, y, z, u, v;
};

// The mesh cube: per face the outward normal and six corners (two triangles, clockwise seen
// from outside).
struct MeshFace {
    float nx, ny, nz;
    Corner corners[6];
};

const MeshFace MESH_FACES[6] = {
    {0, 0, 1, {{-1, -1, 1, 0, 0}, {-1, 1, 1, 0, 1}, {1, -1, 1, 1, 0},
               {-1, 1, 1, 0, 1}, {1, 1, 1, 1, 1}, {1, -1, 1, 1, 0}}},
    {0, 0, -1, {{-1, -1, -1, 1, 0}, {1, -1, -1, 0, 0}, {-1, 1, -1, 1, 1},
                {1, -1, -1, 0, 0}, {1, 1, -1, 0, 1}, {-1, 1, -1, 1, 1}}},
    {0, 1, 0, {{-1, 1, -1, 0, 1}, {1, 1, -1, 1, 1}, {-1, 1, 1, 0, 0},
               {1, 1, -1, 1, 1}, {1, 1, 1, 1, 0}, {-1, 1, 1, 0, 0}}},
    {0, -1, 0, {{-1, -1, -1, 1, 1}, {-1, -1, 1, 1, 0}, {1, -1, -1, 0, 1},
                {-1, -1, 1, 1, 0}, {1, -1, 1, 0, 0}, {1, -1, -1, 0, 1}}},
    {1, 0, 0, {{1, -1, -1, 1, 0}, {1, -1, 1, 0, 0}, {1, 1, -1, 1, 1},
               {1, -1, 1, 0, 0}, {1, 1, 1, 0, 1}, {1, 1, -1, 1, 1}}},
    {-1, 0, 0, {{-1, -1, -1, 0, 0}, {-1, 1, -1, 0, 1}, {-1, -1, 1, 1, 0},
                {-1, 1, -1, 0, 1}, {-1, 1, 1, 1, 1}, {-1, -1, 1, 1, 0}}},
};

// The display-list cube: per face the outward normal, the tangent and four corners of a
// quad (counter-clockwise seen from outside) on the cube with corners at +-1.
struct ListFace {
    float nx, ny, nz;
    float tx, ty, tz;
    Corner corners[4];
};

const ListFace LIST_FACES[6] = {
    {0, 0, 1, 1, 0, 0, {{-1, -1, 1, 0, 0}, {1, -1, 1, 1, 0}, {1, 1, 1, 1, 1}, {-1, 1, 1, 0, 1}}},
    {0, 0, -1, -1, 0, 0, {{-1, -1, -1, 1, 0}, {-1, 1, -1, 1, 1}, {1, 1, -1, 0, 1}, {1, -1, -1, 0, 0}}},
    {0, 1, 0, 1, 0, 0, {{-1, 1, -1, 0, 1}, {-1, 1, 1, 0, 0}, {1, 1, 1, 1, 0}, {1, 1, -1, 1, 1}}},
    {0, -1, 0, -1, 0, 0, {{-1, -1, -1, 1, 1}, {1, -1, -1, 0, 1}, {1, -1, 1, 0, 0}, {-1, -1, 1, 1, 0}}},
    {1, 0, 0, 0, 0, -1, {{1, -1, -1, 1, 0}, {1, 1, -1, 1, 1}, {1, 1, 1, 0, 1}, {1, -1, 1, 0, 0}}},
    {-1, 0, 0, 0, 0, 1, {{-1, -1, -1, 0, 0}, {-1, -1, 1, 1, 0}, {-1, 1, 1, 1, 1}, {-1, 1, -1, 0, 1}}},
};

// The immediate cube: per face the normal and four corners in units of the half edge
// (counter-clockwise seen from outside).
struct ImmediateFace {
    double nx, ny, nz;
    double corners[4][3];
};

const ImmediateFace IMMEDIATE_FACES[6] = {
    {1, 0, 0, {{1, -1, 1}, {1, -1, -1}, {1, 1, -1}, {1, 1, 1}}},
    {0, 1, 0, {{1, 1, 1}, {1, 1, -1}, {-1, 1, -1}, {-1, 1, 1}}},
    {0, 0, 1, {{1, 1, 1}, {-1, 1, 1}, {-1, -1, 1}, {1, -1, 1}}},
    {-1, 0, 0, {{-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}}},
    {0, -1, 0, {{-1, -1, 1}, {-1, -1, -1}, {1, -1, -1}, {1, -1, 1}}},
    {0, 0, -1, {{-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}, {1, -1, -1}}},
};

// Index 0 for the outward cube, 1 for the inverted one; never deleted.
GLuint cube_lists[2] = {0, 0};

void compile_cube(float sign)
{
    glBegin(GL_QUADS);
    for (const ListFace& face : LIST_FACES) {
        glNormal3f(face.nx * sign, face.ny * sign, face.nz * sign);
        glMultiTexCoord4f(GL_TEXTURE1, face.tx, face.ty, face.tz, sign);
        for (const Corner& c : face.corners) {
            glTexCoord2f(c.u, c.v);
            glVertex3f(c.x, c.y, c.z);
        }
    }
    glEnd();
}

} // namespace

namespace Prefabs {

Mesh* cube_mesh(float edge, bool inverted)
{
    float h = edge * 0.5f;
    float sign = inverted ? -1.0f : 1.0f;
    Mesh* mesh = new Mesh();
    mesh->name = "Cube";
    mesh->vertices_stride = 3;
    mesh->normals_stride = 3;
    mesh->tangents_stride = 0;
    mesh->texcoords_stride = 2;
    for (const MeshFace& face : MESH_FACES) {
        for (const Corner& c : face.corners) {
            mesh->vertices.insert(mesh->vertices.end(), {c.x * h, c.y * h, c.z * h});
            mesh->normals.insert(mesh->normals.end(),
                                 {face.nx * sign, face.ny * sign, face.nz * sign});
            mesh->texcoords.insert(mesh->texcoords.end(), {c.u, c.v});
        }
    }
    return mesh;
}

Mesh* plane_mesh(float width, float depth, float repeat)
{
    float w = width / 2.0f;
    float d = depth / 2.0f;
    float r = repeat;
    const Corner corners[6] = {
        {w, 0, -d, 0, 0}, {w, 0, d, 0, r},  {-w, 0, -d, r, 0},
        {w, 0, d, 0, r},  {-w, 0, d, r, r}, {-w, 0, -d, r, 0},
    };
    Mesh* mesh = new Mesh();
    mesh->name = "Plane";
    mesh->vertices_stride = 3;
    mesh->normals_stride = 3;
    mesh->tangents_stride = 3;
    mesh->texcoords_stride = 2;
    for (const Corner& c : corners) {
        mesh->vertices.insert(mesh->vertices.end(), {c.x, c.y, c.z});
        mesh->normals.insert(mesh->normals.end(), {0.0f, 1.0f, 0.0f});
        mesh->tangents.insert(mesh->tangents.end(), {1.0f, 0.0f, 0.0f});
        mesh->texcoords.insert(mesh->texcoords.end(), {c.u, c.v});
    }
    return mesh;
}

void draw_cube(float edge, bool inverted)
{
    glPushMatrix();
    glScalef(edge / 2.0f, edge / 2.0f, edge / 2.0f);
    GLuint& list = cube_lists[inverted ? 1 : 0];
    // A list belongs to the GL context it was made in: after a new context (a new window)
    // the remembered name names nothing there, and the cube is compiled again.
    if (list == 0 || glIsList(list) != GL_TRUE) {
        list = glGenLists(1);
        if (list == 0) fatal_error(PREFABS_SOURCE, DISPLAY_LIST_LINE, "Unable to create display list!");
        glNewList(list, GL_COMPILE);
        compile_cube(inverted ? -1.0f : 1.0f);
        glEndList();
    }
    glCallList(list);
    glPopMatrix();
}

void draw_cube_immediate(double edge)
{
    double h = edge / 2.0;
    glBegin(GL_QUADS);
    for (const ImmediateFace& face : IMMEDIATE_FACES) {
        glNormal3d(face.nx, face.ny, face.nz);
        for (const auto& c : face.corners) glVertex3d(c[0] * h, c[1] * h, c[2] * h);
    }
    glEnd();
}

void append_cube_quads(std::vector<GLfloat>& quads, double edge, double x, double y, double z,
                       const GLfloat colour[4])
{
    double h = edge / 2.0;
    for (const ImmediateFace& face : IMMEDIATE_FACES) {
        for (const auto& c : face.corners) {
            quads.insert(quads.end(), colour, colour + 4);
            quads.push_back(static_cast<GLfloat>(face.nx));
            quads.push_back(static_cast<GLfloat>(face.ny));
            quads.push_back(static_cast<GLfloat>(face.nz));
            quads.push_back(static_cast<GLfloat>(x + c[0] * h));
            quads.push_back(static_cast<GLfloat>(y + c[1] * h));
            quads.push_back(static_cast<GLfloat>(z + c[2] * h));
        }
    }
}

void draw_cube_quads(const std::vector<GLfloat>& quads)
{
    if (quads.empty()) return;
    // Colour, normal and position of each corner.
    const size_t corner_floats = 10;
    glInterleavedArrays(GL_C4F_N3F_V3F, 0, quads.data());
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(quads.size() / corner_floats));
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

GLuint cube_list(bool inverted) { return cube_lists[inverted ? 1 : 0]; }

} // namespace Prefabs
