// Builds a standard in-memory dialog template (a DLGTEMPLATE followed by its DLGITEMTEMPLATE
// records) in a growable buffer. Strings are UTF-16 with a terminating zero; a menu, class or
// title given as a number below 0x10000 (MAKEINTRESOURCEA) is written as an ordinal.
#pragma once

#include <cstddef>

#include "platform/win32/dialog.h"

class DialogTemplateBuilder {
public:
    // capacity 0 means 4096 bytes. Returns null when memory runs out.
    static DialogTemplateBuilder* create(size_t capacity, short x, short y, short cx, short cy,
                                         DWORD style, DWORD extended_style, const char* menu,
                                         const char* window_class, const char* title,
                                         const char* font_name, WORD point_size);
    // Adds one control with WS_CHILD added to its style. Returns the builder, or null when
    // growing failed (the builder is then freed).
    static DialogTemplateBuilder* add_item(DialogTemplateBuilder* builder, const char* title, WORD id,
                                           const char* window_class, DWORD style, short x, short y,
                                           short cx, short cy, DWORD extended_style);
    // Frees the builder and hands over the template memory (free it with std::free).
    static void* finish(DialogTemplateBuilder* builder);

    size_t size() const { return used; }

private:
    DialogTemplateBuilder() = default;
    bool reserve(size_t bytes);
    void put_word(WORD value);
    void put_dword(DWORD value);
    void put_string_or_ordinal(const char* text);
    void align4();

    unsigned char* buffer = nullptr;
    size_t used = 0;
    size_t capacity = 0;
};
