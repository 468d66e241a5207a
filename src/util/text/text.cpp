#include "util/text/text.h"

#include <GL/glew.h>
#include <FTGL/ftgl.h>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "util/data/datafile.h"
#include "util/error/fatal.h"
#include "util/math/vector3.h"

namespace {

const char* const SOURCE = "src\\util\\text\\text";
Text::RenderObserver g_render_observer = nullptr;

void unbind_texture_units()
{
    for (int unit = 0; unit < 8; ++unit) {
        glActiveTexture(static_cast<GLenum>(GL_TEXTURE0 + unit));
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    glActiveTexture(GL_TEXTURE0);
}

} // namespace

Text::Text(const std::string& font_file, int size)
{
    int bytes = 0;
    font_data = reinterpret_cast<unsigned char*>(
        DataFile::load_file(font_file.c_str(), "rb", &bytes, true));
    if (font_data == nullptr || bytes < 1) {
        std::free(font_data);
        font_data = nullptr;
        fatal_error(SOURCE, 13, "Failed to open font file " + font_file);
    }
    font = new FTBufferFont(font_data, static_cast<size_t>(bytes));
    // FTGL constructs a font object even when FreeType cannot read the face; its error state
    // tells.
    if (font->Error() != 0) {
        delete font;
        font = nullptr;
        std::free(font_data);
        font_data = nullptr;
        fatal_error(SOURCE, 16, "Failed to create font from " + font_file);
    }
    font->CharMap(ft_encoding_unicode);
    font->FaceSize(static_cast<unsigned int>(size), 72);
    width = -1;
    height = -1;
}

Text::~Text()
{
    delete font;
    std::free(font_data);
}

void Text::Reshape(int new_width, int new_height)
{
    width = new_width;
    height = new_height;
}

void Text::set_render_observer(RenderObserver observer) { g_render_observer = observer; }

void Text::check_reshaped(int line) const
{
    if (width < 1 || height < 1) {
        fatal_error(SOURCE, line, "Can't print before calling Text::Reshape() at least once!");
    }
}

// The bytes are Latin-1: each one is its own code point, so the degree sign 0xB0 that the
// scenes print is drawn as a degree sign.
void Text::render(const char* text) const
{
    if (g_render_observer != nullptr)
        g_render_observer(text);
    wchar_t wide[MAX_TEXT + 1];
    int length = 0;
    for (; text[length] != '\0' && length < MAX_TEXT; ++length) {
        wide[length] = static_cast<wchar_t>(static_cast<unsigned char>(text[length]));
    }
    wide[length] = L'\0';
    font->Render(wide, -1, FTPoint(0, 0, 0), FTPoint(0, 0, 0), FTGL::RENDER_ALL);
}

void Text::render_at(const char* text, float x, float y) const
{
    const float s = static_cast<float>(width) / 1280.0f;
    glPushMatrix();
    glTranslatef(x, y, 0.0f);
    glScalef(s, s, s);
    render(text);
    glPopMatrix();
}

bool Text::begin_print(int line, char (&text)[MAX_TEXT + 1], const char* format,
                       va_list arguments) const
{
    check_reshaped(line);
    if (format == nullptr) return false;
    std::vsnprintf(text, sizeof text, format, arguments);
    unbind_texture_units();
    return true;
}

void Text::print(float x, float y, const char* format, ...)
{
    char text[MAX_TEXT + 1];
    va_list arguments;
    va_start(arguments, format);
    const bool printing = begin_print(92, text, format, arguments);
    va_end(arguments);
    if (!printing) return;
    render_at(text, static_cast<float>(width) * x, static_cast<float>(height) * y);
}

void Text::print(const char* format, ...)
{
    char text[MAX_TEXT + 1];
    va_list arguments;
    va_start(arguments, format);
    const bool printing = begin_print(64, text, format, arguments);
    va_end(arguments);
    if (!printing) return;
    render_at(text, 0.0f, 0.0f);
}

void Text::print_shadowed(float x, float y, float offset_percent, const Vector3& c1,
                          const Vector3& c2, float alpha, const char* format, ...)
{
    char text[MAX_TEXT + 1];
    va_list arguments;
    va_start(arguments, format);
    const bool printing = begin_print(186, text, format, arguments);
    va_end(arguments);
    if (!printing) return;

    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    const float o = offset_percent / 100.0f;

    glColor4f(c2.x, c2.y, c2.z, alpha);
    render_at(text, w * x, h * y);
    glColor4f(c1.x, c1.y, c1.z, alpha);
    render_at(text, w * x + h * o, (y + o) * h);
}
