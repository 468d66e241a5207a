#include "util/ascii/asciiengine.h"

#include <cstring>

#include "util/error/fatal.h"
#include "util/fbo/fbo.h"

AsciiEngine::AsciiEngine()
    : target(nullptr), viewport_x(1), viewport_y(1), viewport_width(1), viewport_height(1)
{
    if (!chart.load("data/common/images/asciichart.png", Texture::NO_MIPMAPS, Texture::CLAMP_TO_EDGE,
                    GL_NEAREST, GL_NEAREST)) {
        fatal_error("src\\util\\ascii\\asciiengine", 11, "Failed to load texture!");
    }
    target = new FBO(TARGET_WIDTH, TARGET_HEIGHT, FBO_TYPE_COLOR_MIPMAP);
    std::memset(cells, 0, sizeof cells);
    static const float colours[16][3] = {
        {0.0f, 0.0f, 0.0f},  {0.0f, 0.0f, 0.5f},    {0.0f, 0.5f, 0.0f},    {0.0f, 0.5f, 0.5f},
        {0.5f, 0.0f, 0.0f},  {0.5f, 0.0f, 0.5f},    {0.5f, 0.5f, 0.0f},    {0.75f, 0.75f, 0.75f},
        {0.5f, 0.5f, 0.5f},  {0.0f, 0.0f, 1.0f},    {0.0f, 1.0f, 0.0f},    {0.0f, 1.0f, 1.0f},
        {1.0f, 0.0f, 0.0f},  {1.0f, 0.0f, 1.0f},    {1.0f, 1.0f, 0.0f},    {1.0f, 1.0f, 1.0f},
    };
    for (int i = 0; i < 16; ++i) palette[i] = Vector4(colours[i][0], colours[i][1], colours[i][2], 1.0f);
    init_art();
}

AsciiEngine::~AsciiEngine()
{
    delete target;
}

void AsciiEngine::letterbox(int w, int h, float aspect)
{
    if (aspect < static_cast<float>(w) / static_cast<float>(h)) {
        viewport_width = static_cast<int>(static_cast<double>(aspect) * h);
        viewport_height = h;
    } else {
        viewport_width = w;
        viewport_height = static_cast<int>(w / static_cast<double>(aspect));
    }
    viewport_x = (w - viewport_width) / 2;
    viewport_y = (h - viewport_height) / 2;
}
