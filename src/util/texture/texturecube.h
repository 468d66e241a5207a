// A cube-map texture built from six picture files, one a face. Each face is loaded as an
// ordinary 2-D texture (so every picture format and the data layer serve cube faces too), read
// back from GL, turned upside down and uploaded as one face of the cube map with mipmaps.
#pragma once

#include <GL/glew.h>
#include <string>

#include "util/texture/texture.h"

class TextureCube {
public:
    TextureCube();
    ~TextureCube();
    TextureCube(const TextureCube&) = delete;
    TextureCube& operator=(const TextureCube&) = delete;

    void set_defaults();

    // The faces in the order -X, +X, -Y, +Y, -Z, +Z. Faces must be 32-bit pictures of one
    // square size; anything else ends the program.
    bool load(const std::string& negx, const std::string& posx, const std::string& negy,
              const std::string& posy, const std::string& negz, const std::string& posz);
    // Uploads the six face buffers and frees them.
    bool create();

    void bind(int unit) const;
    // Unlike Texture::unbind, leaves the given unit active.
    static void unbind(int unit);

    GLuint get_id() const { return settings.id; }
    unsigned int get_width() const { return width; }
    unsigned int get_height() const { return height; }

private:
    Texture tex_array[6];
    unsigned char* data_negx;
    unsigned char* data_posx;
    unsigned char* data_negy;
    unsigned char* data_posy;
    unsigned char* data_negz;
    unsigned char* data_posz;
    unsigned int bpp;
    unsigned int width;
    unsigned int height;
    GLenum format;
    TextureSettings settings;

    unsigned char** face_data(int face);
};
