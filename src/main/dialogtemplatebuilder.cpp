#include "main/dialogtemplatebuilder.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/runtime/byte_order.h"

namespace {

bool is_ordinal(const char* text)
{
    return reinterpret_cast<std::uintptr_t>(text) < 0x10000u && text != nullptr;
}

// Bytes a string or ordinal takes in the template (ASCII texts: one UTF-16 unit a byte).
size_t string_bytes(const char* text)
{
    if (text == nullptr) return 2;
    if (is_ordinal(text)) return 4;
    return (std::strlen(text) + 1) * 2;
}

// Offset of the item count in the header.
constexpr size_t ITEM_COUNT_OFFSET = 8;

} // namespace

bool DialogTemplateBuilder::reserve(size_t bytes)
{
    if (capacity - used >= bytes) return true;
    size_t new_capacity = capacity;
    while (new_capacity - used < bytes) new_capacity *= 2;
    void* grown = std::realloc(buffer, new_capacity);
    if (grown == nullptr) return false;
    buffer = static_cast<unsigned char*>(grown);
    std::memset(buffer + capacity, 0, new_capacity - capacity);
    capacity = new_capacity;
    return true;
}

void DialogTemplateBuilder::put_word(WORD value)
{
    write_le16(buffer + used, value);
    used += 2;
}

void DialogTemplateBuilder::put_dword(DWORD value)
{
    put_word(static_cast<WORD>(value & 0xFFFF));
    put_word(static_cast<WORD>(value >> 16));
}

void DialogTemplateBuilder::put_string_or_ordinal(const char* text)
{
    if (text == nullptr) {
        put_word(0);
    } else if (is_ordinal(text)) {
        put_word(0xFFFF);
        put_word(static_cast<WORD>(reinterpret_cast<std::uintptr_t>(text)));
    } else {
        for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c; ++c) put_word(*c);
        put_word(0);
    }
}

void DialogTemplateBuilder::align4()
{
    while (used % 4 != 0) buffer[used++] = 0;
}

DialogTemplateBuilder* DialogTemplateBuilder::create(size_t capacity, short x, short y, short cx,
                                                     short cy, DWORD style, DWORD extended_style,
                                                     const char* menu, const char* window_class,
                                                     const char* title, const char* font_name,
                                                     WORD point_size)
{
    DialogTemplateBuilder* builder = new (std::nothrow) DialogTemplateBuilder();
    if (builder == nullptr) return nullptr;
    builder->capacity = capacity == 0 ? 4096 : capacity;
    builder->buffer = static_cast<unsigned char*>(std::calloc(builder->capacity, 1));
    size_t header = 18 + string_bytes(menu) + string_bytes(window_class) +
                    string_bytes(title != nullptr ? title : "") + 3 +
                    (font_name != nullptr ? 2 + string_bytes(font_name) : 0);
    if (builder->buffer == nullptr || !builder->reserve(header)) {
        std::free(builder->buffer);
        delete builder;
        return nullptr;
    }
    style = font_name != nullptr ? (style | DS_SETFONT) : (style & ~DS_SETFONT);
    builder->put_dword(style);
    builder->put_dword(extended_style);
    builder->put_word(0); // item count, raised by add_item
    builder->put_word(static_cast<WORD>(x));
    builder->put_word(static_cast<WORD>(y));
    builder->put_word(static_cast<WORD>(cx));
    builder->put_word(static_cast<WORD>(cy));
    builder->put_string_or_ordinal(menu);
    builder->put_string_or_ordinal(window_class);
    builder->put_string_or_ordinal(title != nullptr ? title : "");
    builder->align4();
    if (font_name != nullptr) {
        builder->put_word(point_size);
        builder->put_string_or_ordinal(font_name);
    }
    return builder;
}

DialogTemplateBuilder* DialogTemplateBuilder::add_item(DialogTemplateBuilder* builder, const char* title,
                                                       WORD id, const char* window_class, DWORD style,
                                                       short x, short y, short cx, short cy,
                                                       DWORD extended_style)
{
    if (builder == nullptr) return nullptr;
    // Alignment before and after, the fixed part, both strings and the creation-data word.
    size_t item = 3 + 18 + string_bytes(window_class) + string_bytes(title != nullptr ? title : "") + 2 + 3;
    if (!builder->reserve(item)) {
        std::free(builder->buffer);
        delete builder;
        return nullptr;
    }
    builder->align4();
    builder->put_dword(style | WS_CHILD);
    builder->put_dword(extended_style);
    builder->put_word(static_cast<WORD>(x));
    builder->put_word(static_cast<WORD>(y));
    builder->put_word(static_cast<WORD>(cx));
    builder->put_word(static_cast<WORD>(cy));
    builder->put_word(id);
    builder->put_string_or_ordinal(window_class);
    builder->put_string_or_ordinal(title != nullptr ? title : "");
    builder->put_word(0); // no creation data
    builder->align4();

    WORD count = read_le16(builder->buffer + ITEM_COUNT_OFFSET);
    write_le16(builder->buffer + ITEM_COUNT_OFFSET, static_cast<WORD>(count + 1));
    return builder;
}

void* DialogTemplateBuilder::finish(DialogTemplateBuilder* builder)
{
    if (builder == nullptr) return nullptr;
    void* memory = builder->buffer;
    delete builder;
    return memory;
}
