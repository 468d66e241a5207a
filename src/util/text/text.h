// Text printing with an FTGL buffer font. A font size is given for a 1280-pixel-wide screen
// and every print is scaled by the width of the last Text::Reshape / 1280, so text keeps its
// size relative to the screen. Positions are fractions of that size. Texts are Latin-1 bytes.
#pragma once

#include <cstdarg>
#include <string>

class FTFont;
class Vector3;

class Text {
public:
    Text(const std::string& font_file, int size);
    ~Text();

    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;

    void Reshape(int width, int height);

    // At (width * x, height * y) in the caller's current projection.
    void print(float x, float y, const char* format, ...)
        __attribute__((format(printf, 4, 5)));
    // At the current origin of the modelview matrix.
    void print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // First in c2 at the position, then in c1 displaced by offset_percent of the screen
    // height along both axes.
    void print_shadowed(float x, float y, float offset_percent, const Vector3& c1,
                        const Vector3& c2, float alpha, const char* format, ...)
        __attribute__((format(printf, 8, 9)));

    // Sees the formatted bytes of every pass just before they are drawn, with the pass's
    // transform and colour current; none is installed unless someone asks.
    using RenderObserver = void (*)(const char* text);
    static void set_render_observer(RenderObserver observer);

private:
    static constexpr int MAX_TEXT = 255; // the bytes of one print, at the most

    FTFont* font = nullptr;
    int width = -1;
    int height = -1;
    unsigned char* font_data = nullptr; // the face is read from these bytes for the font's life

    void check_reshaped(int line) const;
    // The steps every print starts with: the reshape check (the line names the print in its
    // report), the text formatted, and every texture unit unbound. False for a null format,
    // which prints nothing.
    bool begin_print(int line, char (&text)[MAX_TEXT + 1], const char* format, va_list arguments) const
        __attribute__((format(printf, 4, 0)));
    void render(const char* text) const;
    // Renders the text at (x, y) in window pixels, scaled with the view's width.
    void render_at(const char* text, float x, float y) const;
};
