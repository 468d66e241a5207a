#include "effects/skybox/skybox.h"

#include <GL/glew.h>

#include "util/data/datafile.h"
#include "util/error/fatal.h"
#include "util/shaderprogram/shaderprogram.h"

namespace Effects {

namespace {

const char* const SOURCE = "src\\effects\\skybox\\skybox";

// The corners are vertex positions and cube-map coordinates at once.
const GLfloat CORNERS[8 * 3] = {
    -1, 1,  1,  1, 1,  1,  -1, -1, 1,  1, -1, 1,
    -1, 1,  -1, 1, 1,  -1, -1, -1, -1, 1, -1, -1,
};

const GLushort INDICES[36] = {0, 1, 2, 1, 3, 2, 1, 5, 3, 5, 7, 3, 5, 4, 7, 4, 6, 7,
                              4, 0, 6, 0, 2, 6, 4, 5, 0, 5, 1, 0, 2, 3, 6, 3, 7, 6};

const char* const AXIS_NAMES[6] = {"negx", "posx", "negy", "posy", "negz", "posz"};
const char* const SIDE_NAMES[6] = {"left", "right", "down", "up", "back", "front"};

} // namespace

SkyBox::SkyBox() : initialised(false), position(0.0f, 0.0f, 0.0f), scale(0.0f) {}

SkyBox::~SkyBox() = default;

void SkyBox::face_names(const std::string& base, const std::string& extension,
                        std::string names[6])
{
    // The packed data file has no directory to look at: whether the first scheme is there is
    // asked of the data layer, which answers from the packed entries in read mode.
    const std::string first = base + AXIS_NAMES[0] + "." + extension;
    const char* const* scheme = DataFile::has_file(first.c_str()) ? AXIS_NAMES : SIDE_NAMES;
    for (int face = 0; face < 6; ++face) names[face] = base + scheme[face] + "." + extension;
}

void SkyBox::init(const Vector3& at, float size, const char* base, const char* extension)
{
    if (initialised) FATAL_ERROR(SOURCE, "SkyBox::init() called twice!");
    position = at;
    scale = size + size;

    const std::string failure =
        std::string("Failed to load cubemap with base ") + base + " and extension " + extension;
    std::string names[6];
    face_names(base, extension, names);
    // A set that is not there is reported as the cube's failure, naming base and extension,
    // rather than as the first missing face's.
    for (const std::string& name : names) {
        if (!DataFile::has_file(name.c_str())) FATAL_ERROR(SOURCE, failure);
    }
    if (!cube.load(names[0], names[1], names[2], names[3], names[4], names[5])) {
        FATAL_ERROR(SOURCE, failure);
    }
    initialised = true;
}

void SkyBox::render(float)
{
    if (!initialised) FATAL_ERROR(SOURCE, "SkyBox::render() called without initializing effect!");

    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    ShaderProgram::unbind();
    for (int capability : {GL_ALPHA_TEST, GL_DEPTH_TEST, GL_LIGHTING, GL_TEXTURE_GEN_S,
                           GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q, GL_CULL_FACE}) {
        glDisable(static_cast<GLenum>(capability));
    }
    glEnable(GL_TEXTURE_CUBE_MAP);
    cube.bind(0);

    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glScalef(scale, scale, scale);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 3 * sizeof(GLfloat), CORNERS);
    glTexCoordPointer(3, GL_FLOAT, 3 * sizeof(GLfloat), CORNERS);
    glColor3f(1.0f, 1.0f, 1.0f);
    glDrawElements(GL_TRIANGLES, 36, GL_UNSIGNED_SHORT, INDICES);

    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glPopMatrix();
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    TextureCube::unbind(0);
    glDisable(GL_TEXTURE_CUBE_MAP);
}

} // namespace Effects
