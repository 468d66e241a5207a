#include "util/data/datapack.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "platform/runtime/byte_order.h"
#include "util/data/huffman.h"

namespace DataPack {

const char HEADER[HEADER_SIZE] = "Tarnholm Data File";
const char CHUNK_MAGIC[CHUNK_MAGIC_SIZE] = "QXVDFC";

namespace {

// Bytes shown in a message: at most max of them, up to the first NUL.
std::string shown(const unsigned char* bytes, std::size_t max)
{
    const char* text = reinterpret_cast<const char*>(bytes);
    return std::string(text, strnlen(text, max));
}

bool fail(DataError* error, int line, const std::string& message)
{
    if (error != nullptr) {
        error->line = line;
        error->message = message;
    }
    return false;
}

// Walks the decoded chunk run; every length is checked against what is left.
bool read_chunks(const unsigned char* payload, std::size_t size, std::vector<DataEntry*>& found,
                 DataError* error)
{
    std::size_t pos = 0;
    std::size_t chunks = 0;
    double content_bytes = 0.0;
    while (pos < size) {
        std::size_t left = size - pos;
        const unsigned char* at = payload + pos;
        if (left < CHUNK_MAGIC_SIZE || std::memcmp(at, CHUNK_MAGIC, CHUNK_MAGIC_SIZE) != 0) {
            std::ostringstream text;
            text << "Unrecognized chunk header: "
                 << shown(at, left < CHUNK_MAGIC_SIZE ? left : CHUNK_MAGIC_SIZE) << ". \nRead "
                 << chunks << " chunks, " << content_bytes / 1048576.0 << " MB before this\n";
            return fail(error, __LINE__, text.str());
        }
        if (left < CHUNK_HEADER_SIZE) {
            std::ostringstream text;
            text << "Chunk header after " << chunks << " chunks runs past the end of the data";
            return fail(error, __LINE__, text.str());
        }
        std::uint32_t name_length = read_le32(at + CHUNK_MAGIC_SIZE);
        std::uint32_t contents_size = read_le32(at + CHUNK_MAGIC_SIZE + 4);
        left -= CHUNK_HEADER_SIZE;
        if (name_length > left) {
            std::ostringstream text;
            text << "Chunk name of " << name_length << " bytes runs past the end of the data";
            return fail(error, __LINE__, text.str());
        }
        const unsigned char* name_bytes = at + CHUNK_HEADER_SIZE;
        // Names are the paths the loaders asked for, so the packer never writes a zero byte
        // into one; a name holding one would be cut short wherever it reaches the file system.
        const unsigned char* name_end = name_bytes + name_length;
        const unsigned char* zero = std::find(name_bytes, name_end, '\0');
        if (zero != name_end) {
            const std::size_t zero_at = static_cast<std::size_t>(zero - name_bytes);
            std::ostringstream text;
            text << "Chunk name " << shown(name_bytes, zero_at) << " holds a zero byte after " << zero_at
                 << " of its " << name_length << " bytes";
            return fail(error, __LINE__, text.str());
        }
        std::string name(reinterpret_cast<const char*>(name_bytes), name_length);
        left -= name_length;
        if (contents_size > left || contents_size > static_cast<std::uint32_t>(INT_MAX)) {
            std::ostringstream text;
            text << "Chunk " << name << " of " << contents_size
                 << " bytes runs past the end of the data";
            return fail(error, __LINE__, text.str());
        }
        DataEntry* entry = new DataEntry;
        entry->name = name;
        entry->size = static_cast<int>(contents_size);
        entry->data = static_cast<char*>(std::malloc(contents_size > 0 ? contents_size : 1));
        if (entry->data == nullptr) {
            delete entry;
            return fail(error, __LINE__, "Failed to allocate memory for data chunk!");
        }
        if (contents_size > 0) {
            std::memcpy(entry->data, at + CHUNK_HEADER_SIZE + name_length, contents_size);
        }
        entry->loaded = false;
        found.push_back(entry);
        pos += CHUNK_HEADER_SIZE + name_length + contents_size;
        ++chunks;
        content_bytes += contents_size;
    }
    return true;
}

} // namespace

bool unpack(const unsigned char* bytes, std::size_t length, const char* file_name,
            std::vector<DataEntry*>& out, DataError* error)
{
    if (length < HEADER_SIZE) return fail(error, __LINE__, "Failed to read header!");
    if (std::memcmp(bytes, HEADER, HEADER_SIZE) != 0) {
        return fail(error, __LINE__, "Unrecognized datafile header: " + shown(bytes, HEADER_SIZE));
    }
    if (length < HEADER_SIZE + 1) return fail(error, __LINE__, "Failed to read major version!");
    if (length < PREAMBLE_SIZE) return fail(error, __LINE__, "Failed to read minor version!");
    int major = bytes[HEADER_SIZE];
    int minor = bytes[HEADER_SIZE + 1];
    if (major != MAJOR_VERSION || minor != MINOR_VERSION) {
        std::ostringstream text;
        text << "Expected datafile format " << int{MAJOR_VERSION} << "." << int{MINOR_VERSION}
             << ", got " << major << "." << minor;
        return fail(error, __LINE__, text.str());
    }
    std::size_t stream_size = length - PREAMBLE_SIZE;
    if (stream_size < 1) {
        std::ostringstream text;
        text << "Failed to read " << stream_size << " bytes from " << file_name;
        return fail(error, __LINE__, text.str());
    }
    const unsigned char* stream = bytes + PREAMBLE_SIZE;
    std::string problem;
    if (!HuffmanCoder::check_stream(stream, stream_size, &problem)) {
        return fail(error, __LINE__, problem);
    }
    std::uint32_t decoded_size = HuffmanCoder::get_decoded_size(stream);
    unsigned char* payload = static_cast<unsigned char*>(std::malloc(decoded_size > 0 ? decoded_size : 1));
    if (payload == nullptr) {
        return fail(error, __LINE__, "Failed to allocate memory for data buffer loading " +
                                         std::string(file_name));
    }
    std::uint32_t decoded = 0;
    HuffmanCoder coder;
    bool complete = coder.decode(payload, &decoded, stream, stream_size);
    if (!complete) {
        std::free(payload);
        std::ostringstream text;
        text << "Data stream ended after " << decoded << " of " << decoded_size
             << " decoded bytes";
        return fail(error, __LINE__, text.str());
    }
    std::vector<DataEntry*> found;
    bool walked = read_chunks(payload, decoded_size, found, error);
    std::free(payload);
    if (!walked) {
        free_entries(found);
        return false;
    }
    out.insert(out.end(), found.begin(), found.end());
    return true;
}

void free_entries(std::vector<DataEntry*>& entries)
{
    for (DataEntry* entry : entries) {
        std::free(entry->data);
        delete entry;
    }
    entries.clear();
}

bool write_chunk(FILE* out, const DataEntry& entry, DataError* error)
{
    if (std::fwrite(CHUNK_MAGIC, 1, CHUNK_MAGIC_SIZE, out) != CHUNK_MAGIC_SIZE) {
        return fail(error, __LINE__, "Failed to write chunk header!");
    }
    unsigned char number[4];
    write_le32(number, static_cast<std::uint32_t>(entry.name.size()));
    if (std::fwrite(number, 1, 4, out) != 4) return fail(error, __LINE__, "Failed to write fname_length!");
    write_le32(number, static_cast<std::uint32_t>(entry.size));
    if (std::fwrite(number, 1, 4, out) != 4) return fail(error, __LINE__, "Failed to write chunk size!");
    if (!entry.name.empty() &&
        std::fwrite(entry.name.data(), 1, entry.name.size(), out) != entry.name.size()) {
        return fail(error, __LINE__, "Failed to write filename!");
    }
    if (entry.size != 0 && std::fwrite(entry.data, 1, static_cast<size_t>(entry.size), out) !=
                               static_cast<size_t>(entry.size)) {
        return fail(error, __LINE__, "Failed to write chunk!");
    }
    return true;
}

} // namespace DataPack
