#include "util/data/datafile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <sstream>
#include <sys/stat.h>
#include <zlib.h>

#include "platform/runtime/crt_tempfile.h"
#include "platform/win32/messagebox.h"
#include "util/data/datapack.h"
#include "util/data/huffman.h"
#include "util/data/loadingbar.h"
#include "util/error/fatal.h"
#include "util/error/log.h"

namespace DataFile {

int mode = DATAFILE_MODE_DISK;
std::vector<DataEntry*> entries;
std::vector<std::string> temp_files;
std::string file_name = "data.qxv";

} // namespace DataFile

namespace {

const char* const SOURCE = "src\\util\\data\\data";

bool g_packed_file_read = false;

const std::size_t UTF8_SEQUENCE_MAX = 4;

// Log texts are printf formats; a name put into one must not bring format directives.
std::string escaped(const std::string& text)
{
    std::string result;
    for (char c : text) {
        result += c;
        if (c == '%') result += '%';
    }
    return result;
}

template <typename... Parts>
std::string compose(const Parts&... parts)
{
    std::ostringstream text;
    (text << ... << parts);
    return text.str();
}

void put_u32(unsigned char* at, std::uint32_t value)
{
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
    at[2] = static_cast<unsigned char>(value >> 16);
    at[3] = static_cast<unsigned char>(value >> 24);
}

// The length of an open file (seek to the end, tell, rewind); -1 when it cannot be told.
long file_length(FILE* file)
{
    if (std::fseek(file, 0, SEEK_END) != 0) return -1;
    long length = std::ftell(file);
    std::rewind(file);
    return length;
}

void draw_loading_bar() { LoadingBar::draw(1.0f, false); }

// Reads up to isize bytes into a new buffer of room for the data and two spare bytes, or null
// when memory is short. The size at the end of a gzip file is only a claim, so the buffer grows
// with what the stream really gives: a few bytes cannot ask for gigabytes. The count read, or
// gzread's answer (0 or -1) when nothing could be read.
int read_gzip_data(gzFile gz, std::uint32_t isize, char** out)
{
    const std::size_t CHUNK = 1 << 16;
    std::size_t capacity = std::min<std::size_t>(isize, CHUNK) + 2;
    char* buffer = static_cast<char*>(std::malloc(capacity));
    std::size_t total = 0;
    int last = 0;
    while (buffer != nullptr && total < isize) {
        std::size_t want = std::min<std::size_t>(isize - total, CHUNK);
        if (total + want + 2 > capacity) {
            capacity = std::min<std::size_t>(std::max(capacity * 2, total + want + 2),
                                             static_cast<std::size_t>(isize) + 2);
            char* grown = static_cast<char*>(std::realloc(buffer, capacity));
            if (grown == nullptr) std::free(buffer);
            buffer = grown;
            if (buffer == nullptr) break;
        }
        last = gzread(gz, buffer + total, static_cast<unsigned>(want));
        if (last <= 0) break;
        total += static_cast<std::size_t>(last);
    }
    *out = buffer;
    return total > 0 ? static_cast<int>(total) : last;
}

// Write mode: the first entry with this name, or null.
DataEntry* find_collected(const char* name)
{
    for (DataEntry* entry : DataFile::entries) {
        if (entry->name == name) return entry;
    }
    return nullptr;
}

// Read mode: the one packed entry with this name, or null; a name packed twice is fatal.
DataEntry* find_entry(const char* name)
{
    DataEntry* found = nullptr;
    for (DataEntry* entry : DataFile::entries) {
        if (entry->name != name) continue;
        if (found != nullptr) {
            FATAL_ERROR(SOURCE, compose("Ouch, found more than one entry for ", name,
                                        " in datafile. Duplicates make no sense here."));
        }
        found = entry;
    }
    return found;
}

void log_duplicate(const char* name)
{
    log_format("[DATA] Skipping duplicate entry for " + escaped(name) + "\n");
}

// Write mode: keeps a copy of what a loader handed out, unless the name is already collected.
void collect(const char* name, const char* data, int size)
{
    if (find_collected(name) != nullptr) {
        log_duplicate(name);
        return;
    }
    DataEntry* entry = new DataEntry;
    entry->name = name;
    entry->size = size;
    entry->data = static_cast<char*>(std::malloc(size > 0 ? static_cast<size_t>(size) : 1));
    if (entry->data == nullptr) {
        FATAL_ERROR(SOURCE, compose("Failed to allocate memory for data buffer loading ", name));
    }
    if (size > 0) std::memcpy(entry->data, data, static_cast<size_t>(size));
    DataFile::entries.push_back(entry);
}

// Read mode: a new buffer with an entry's contents and `spare` bytes after them set to 0.
char* copy_entry(const DataEntry* entry, int spare)
{
    size_t bytes = static_cast<size_t>(entry->size) + static_cast<size_t>(spare);
    char* buffer = static_cast<char*>(std::malloc(bytes > 0 ? bytes : 1));
    if (buffer == nullptr) FATAL_ERROR(SOURCE, null_text("tmpbuffer"));
    if (entry->size > 0) std::memcpy(buffer, entry->data, static_cast<size_t>(entry->size));
    if (spare > 0) std::memset(buffer + entry->size, 0, static_cast<size_t>(spare));
    return buffer;
}

// Creates every missing directory on the way to a file name.
void make_directories(const char* name)
{
    std::string path(name);
    for (size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        if (slash == 0) continue;
        std::string prefix = path.substr(0, slash);
        struct stat record;
        if (DataFile::stat_path(prefix.c_str(), &record) == 0) continue;
        if (mkdir(prefix.c_str(), 0777) != 0) {
            FATAL_ERROR(SOURCE, "Failed to create directory " + prefix);
        }
    }
}

// Writes a whole buffer to a new file; false when any byte did not reach it.
bool write_whole_file(const char* name, const char* data, int size)
{
    FILE* file = std::fopen(name, "wb+");
    if (file == nullptr) return false;
    bool written = size <= 0 || std::fwrite(data, 1, static_cast<size_t>(size), file) ==
                                    static_cast<size_t>(size);
    if (std::fclose(file) != 0) written = false;
    return written;
}

} // namespace

namespace DataFile {

void set_mode(int new_mode) { mode = new_mode; }

void read(const char* name)
{
    if (g_packed_file_read) return;
    if (mode == DATAFILE_MODE_READ) {
        FILE* file = std::fopen(name, "rb");
        if (file == nullptr) {
            FATAL_ERROR(SOURCE, compose("Failed to open data file ", name, " for reading.\n"));
        }
        long length = file_length(file);
        if (length < 1) FATAL_ERROR(SOURCE, compose("Negative or zero file length: ", length));
        // A folder tells an endless length; nothing that large can be a packed file.
        if (length > INT_MAX) FATAL_ERROR(SOURCE, compose("Failed to read ", length, " bytes from ", name));
        unsigned char* bytes = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(length)));
        if (bytes == nullptr) {
            FATAL_ERROR(SOURCE, compose("Failed to allocate memory for data buffer loading ", name));
        }
        size_t got = std::fread(bytes, 1, static_cast<size_t>(length), file);
        std::fclose(file);

        DataError error;
        if (!DataPack::unpack(bytes, got, name, entries, &error)) {
            std::free(bytes);
            fatal_error(SOURCE, error.line, error.message);
        }
        std::free(bytes);
    }
    g_packed_file_read = true;
}

void write(const char* name)
{
    if (mode != DATAFILE_MODE_WRITE) return;
    log_format("Writing datafile " + escaped(name) + "\n");

    std::string temp_name = crt_tempnam();
    if (!temp_name.empty()) temp_files.push_back(temp_name);
    FILE* temp = temp_name.empty() ? nullptr : std::fopen(temp_name.c_str(), "wb+");
    if (temp == nullptr) FATAL_ERROR(SOURCE, "Failed to create tmpfile()");

    for (const DataEntry* entry : entries) {
        log_format(compose("..file: ", escaped(entry->name), ", ", entry->size, " bytes\n"));
        unsigned char number[4];
        if (std::fwrite(DataPack::CHUNK_MAGIC, 1, 7, temp) != 7) {
            FATAL_ERROR(SOURCE, "Failed to write chunk header!");
        }
        put_u32(number, static_cast<std::uint32_t>(entry->name.size()));
        if (std::fwrite(number, 1, 4, temp) != 4) FATAL_ERROR(SOURCE, "Failed to write fname_length!");
        put_u32(number, static_cast<std::uint32_t>(entry->size));
        if (std::fwrite(number, 1, 4, temp) != 4) FATAL_ERROR(SOURCE, "Failed to write chunk size!");
        if (!entry->name.empty() &&
            std::fwrite(entry->name.data(), 1, entry->name.size(), temp) != entry->name.size()) {
            FATAL_ERROR(SOURCE, "Failed to write filename!");
        }
        if (entry->size != 0 && std::fwrite(entry->data, 1, static_cast<size_t>(entry->size), temp) !=
                                    static_cast<size_t>(entry->size)) {
            FATAL_ERROR(SOURCE, "Failed to write chunk!");
        }
    }
    if (std::fflush(temp) != 0) FATAL_ERROR(SOURCE, "Failed to write chunk!");

    long length = file_length(temp);
    if (length < 1) FATAL_ERROR(SOURCE, compose("Negative or zero file length: ", length));
    if (static_cast<unsigned long>(length) > UINT32_MAX) {
        FATAL_ERROR(SOURCE, compose("Failed to read ", length, " bytes from ", name));
    }
    unsigned char* payload = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(length)));
    if (payload == nullptr ||
        std::fread(payload, 1, static_cast<size_t>(length), temp) != static_cast<size_t>(length)) {
        FATAL_ERROR(SOURCE, compose("Failed to read ", length, " bytes from ", name));
    }
    std::fclose(temp);

    size_t room = HuffmanCoder::max_encoded_size(static_cast<size_t>(length));
    unsigned char* stream = static_cast<unsigned char*>(std::malloc(room));
    if (stream == nullptr) {
        FATAL_ERROR(SOURCE, compose("Failed to allocate memory for data buffer loading ", name));
    }
    std::uint32_t stream_size = 0;
    {
        HuffmanCoder coder;
        coder.encode(stream, &stream_size, payload, static_cast<std::uint32_t>(length));
    }

    FILE* out = std::fopen(name, "wb");
    if (out == nullptr) FATAL_ERROR(SOURCE, compose("Failed to open data file ", name, " for writing"));
    const unsigned char version[2] = {DataPack::MAJOR_VERSION, DataPack::MINOR_VERSION};
    if (std::fwrite(DataPack::HEADER, 1, 19, out) != 19) FATAL_ERROR(SOURCE, "Failed to write header!");
    if (std::fwrite(&version[0], 1, 1, out) != 1) FATAL_ERROR(SOURCE, "Failed to write major version!");
    if (std::fwrite(&version[1], 1, 1, out) != 1) FATAL_ERROR(SOURCE, "Failed to write minor version!");
    if (std::fwrite(stream, 1, stream_size, out) != stream_size || std::fclose(out) != 0) {
        FATAL_ERROR(SOURCE, "Failed to write file contents!");
    }
    std::free(payload);
    std::free(stream);

    long lost = length - static_cast<long>(stream_size);
    std::ostringstream done;
    done << std::fixed << std::setprecision(2) << "Done writing datafile \"" << escaped(name)
         << "\" of " << stream_size / 1048576.0 << " MB!\n";
    log_format(done.str());
    log_format(compose(" ..original file size:  ", std::setw(9), length, " bytes\n"));
    log_format(compose(" ..compressed file size:", std::setw(9), stream_size, " bytes\n"));
    log_format(compose(" ..lost in compression: ", std::setw(9), lost, " bytes\n"));
    std::ostringstream rate;
    rate << " ..compression rate:    " << std::fixed << std::setprecision(2) << std::setw(9)
         << lost * 100.0 / static_cast<double>(length) << " %%\n";
    log_format(rate.str());
}

char* load_file(const char* name, const char* fopen_mode, int* size, bool add_nul)
{
    if (mode == DATAFILE_MODE_READ) {
        DataEntry* entry = find_entry(name);
        if (entry == nullptr) return nullptr;
        // Text packed with its terminator brings its own; anything else gets one added, so a
        // caller asking for text always receives a terminated buffer.
        bool terminated = entry->size > 0 && entry->data[entry->size - 1] == '\0';
        int added = add_nul && !terminated ? 1 : 0;
        char* buffer = copy_entry(entry, add_nul ? 1 : 0);
        if (size != nullptr) *size = entry->size + added;
        entry->loaded = true;
        draw_loading_bar();
        return buffer;
    }

    FILE* file = std::fopen(name, fopen_mode);
    if (file == nullptr) return nullptr;
    long length = file_length(file);
    if (length < 0 || length > INT_MAX - 1) {
        std::fclose(file);
        FATAL_ERROR(SOURCE, compose("Tried to read ", length, " bytes from ", name, ", got ", 0));
    }
    size_t bytes = static_cast<size_t>(length) + (add_nul ? 1 : 0);
    char* buffer = static_cast<char*>(std::malloc(bytes > 0 ? bytes : 1));
    if (buffer == nullptr) FATAL_ERROR(SOURCE, compose("Failed to allocate memory for loading ", name));
    size_t count = std::fread(buffer, 1, static_cast<size_t>(length), file);
    if (count < 1) {
        std::fclose(file);
        std::free(buffer);
        FATAL_ERROR(SOURCE, compose("Tried to read ", length, " bytes from ", name, ", got ", count));
    }
    std::fclose(file);
    if (count < static_cast<size_t>(length)) {
        char* copy = static_cast<char*>(std::malloc(count + (add_nul ? 1 : 0)));
        if (copy == nullptr) {
            std::free(buffer);
            FATAL_ERROR(SOURCE, null_text("copybuffer"));
        }
        std::memcpy(copy, buffer, count);
        std::free(buffer);
        buffer = copy;
    }
    if (add_nul) buffer[count] = '\0';
    int reported = static_cast<int>(count) + (add_nul ? 1 : 0);
    if (size != nullptr) *size = reported;
    if (mode == DATAFILE_MODE_WRITE) collect(name, buffer, reported);
    draw_loading_bar();
    return buffer;
}

char* load_gzip_file(const char* name, const char* fopen_mode, int* size, bool add_nul)
{
    if (mode == DATAFILE_MODE_READ) {
        DataEntry* entry = find_entry(name);
        if (entry == nullptr) return nullptr;
        char* buffer = copy_entry(entry, 1);
        if (size != nullptr) *size = entry->size;
        entry->loaded = true;
        draw_loading_bar();
        return buffer;
    }

    FILE* file = std::fopen(name, fopen_mode);
    if (file == nullptr) return nullptr;
    unsigned char tail[4];
    bool has_tail = std::fseek(file, -4, SEEK_END) == 0 && std::fread(tail, 1, 4, file) == 4;
    std::fclose(file);
    if (!has_tail) {
        FATAL_ERROR(SOURCE, compose("Something went wrong reading from ", name,
                                    ", we got return value ", 0));
    }
    std::uint32_t isize = static_cast<std::uint32_t>(tail[0]) |
                          static_cast<std::uint32_t>(tail[1]) << 8 |
                          static_cast<std::uint32_t>(tail[2]) << 16 |
                          static_cast<std::uint32_t>(tail[3]) << 24;
    if (isize > static_cast<std::uint32_t>(INT_MAX - 2))
        FATAL_ERROR(SOURCE, compose("Failed to allocate memory for loading ", name));

    gzFile gz = gzopen(name, fopen_mode);
    if (gz == nullptr) FATAL_ERROR(SOURCE, compose("Argh, failed to open ", name, "\n", errno));
    // Every report below gives the buffer back first: a report need not end the process.
    char* buffer = nullptr;
    int result = read_gzip_data(gz, isize, &buffer);
    if (buffer == nullptr) {
        gzclose(gz);
        FATAL_ERROR(SOURCE, compose("Failed to allocate memory for loading ", name));
    }
    if (result < 1) {
        gzclose(gz);
        std::free(buffer);
        FATAL_ERROR(SOURCE, compose("Something went wrong reading from ", name,
                                    ", we got return value ", result));
    }
    if (static_cast<std::uint32_t>(result) != isize) {
        gzclose(gz);
        std::free(buffer);
        FATAL_ERROR(SOURCE, compose("[TODO/FIXME] (gzip) flength of ", isize, " does not match ",
                                    result, "\n"));
    }
    gzclose(gz);
    // The spare byte after the data (and after the terminator) is always zero.
    buffer[isize] = '\0';
    buffer[isize + 1] = '\0';
    int reported = static_cast<int>(isize) + (add_nul ? 1 : 0);
    if (size != nullptr) *size = reported;
    if (mode == DATAFILE_MODE_WRITE) collect(name, buffer, reported);
    draw_loading_bar();
    return buffer;
}

FILE* open_file(const char* name, const char* fopen_mode, bool export_to_disk)
{
    if (mode == DATAFILE_MODE_READ) {
        if (export_to_disk) {
            FILE* disk = std::fopen(name, fopen_mode);
            if (disk != nullptr) {
                draw_loading_bar();
                return disk;
            }
        }
        DataEntry* entry = find_entry(name);
        if (entry == nullptr) return nullptr;
        std::string temp_name = crt_tempnam();
        if (temp_name.empty()) return nullptr;
        temp_files.push_back(temp_name);
        FILE* temp = std::fopen(temp_name.c_str(), "wb+");
        if (temp == nullptr) return nullptr;
        if ((entry->size > 0 && std::fwrite(entry->data, 1, static_cast<size_t>(entry->size), temp) !=
                                    static_cast<size_t>(entry->size)) ||
            std::fflush(temp) != 0) {
            std::fclose(temp);
            return nullptr;
        }
        std::rewind(temp);
        if (export_to_disk) {
            make_directories(name);
            if (!write_whole_file(name, entry->data, entry->size)) {
                FATAL_ERROR(SOURCE, compose("Failed to write ", name));
            }
        }
        entry->loaded = true;
        draw_loading_bar();
        return temp;
    }

    FILE* file = std::fopen(name, fopen_mode);
    if (file == nullptr) return nullptr;
    if (mode == DATAFILE_MODE_WRITE) {
        if (find_collected(name) != nullptr) {
            log_duplicate(name);
        } else {
            long length = file_length(file);
            if (length < 0) FATAL_ERROR(SOURCE, compose("Negative file length: ", length));
            if (length > INT_MAX) {
                FATAL_ERROR(SOURCE, compose("Tried to read ", length, " bytes from ", name, ", got ", 0));
            }
            char* buffer = static_cast<char*>(std::malloc(length > 0 ? static_cast<size_t>(length) : 1));
            if (buffer == nullptr) {
                FATAL_ERROR(SOURCE, compose("Failed to allocate memory for data buffer loading ", name));
            }
            size_t count = std::fread(buffer, 1, static_cast<size_t>(length), file);
            if (count < 1) {
                FATAL_ERROR(SOURCE, compose("Tried to read ", length, " bytes from ", name, ", got ", count));
            }
            std::rewind(file);
            DataEntry* entry = new DataEntry;
            entry->name = name;
            entry->size = static_cast<int>(count);
            entry->data = buffer;
            entries.push_back(entry);
        }
    }
    draw_loading_bar();
    return file;
}

void export_mp3()
{
    if (mode != DATAFILE_MODE_READ) {
        FATAL_ERROR(SOURCE, assert_compare_text("DATAFILE_MODE_READ == mode", "DATAFILE_MODE_READ",
                                                int{DATAFILE_MODE_READ}, "mode", mode));
    }
    for (const DataEntry* entry : entries) {
        if (entry->name.find("mp3") == std::string::npos) continue;
        std::string output = entry->name;
        size_t cut = output.rfind('/');
        if (cut == std::string::npos) cut = output.rfind('\\');
        if (cut != std::string::npos) output = output.substr(cut + 1);
        FILE* file = std::fopen(output.c_str(), "wb+");
        if (file == nullptr) FATAL_ERROR(SOURCE, "Failed to create output file for " + output);
        bool written = entry->size <= 0 ||
                       std::fwrite(entry->data, 1, static_cast<size_t>(entry->size), file) ==
                           static_cast<size_t>(entry->size);
        if (std::fclose(file) != 0) written = false;
        if (!written) FATAL_ERROR(SOURCE, "Failed to write output file for " + output);
        std::string text = "Successfully exported " + output + " to the current folder";
        MessageBoxA(nullptr, text.c_str(), "Success", MB_OK);
    }
}

void delete_temp_files()
{
    for (const std::string& name : temp_files) std::remove(name.c_str());
}

int stat_path(const char* path, struct stat* record) { return stat(path, record); }

bool has_file(const char* name)
{
    if (mode == DATAFILE_MODE_READ) return find_entry(name) != nullptr;
    struct stat record;
    return stat_path(name, &record) == 0 && !S_ISDIR(record.st_mode);
}

} // namespace DataFile

bool LoadBuffer(TiXmlDocument& document, char* buffer, int length, TiXmlEncoding encoding)
{
    document.ClearError();
    if (buffer == nullptr) {
        document.SetError(TiXmlBase::TIXML_ERROR_OPENING_FILE, nullptr, nullptr,
                          TIXML_ENCODING_UNKNOWN);
        return false;
    }
    if (length <= 0) {
        document.SetError(TiXmlBase::TIXML_ERROR_EMBEDDED_NULL, nullptr, nullptr,
                          TIXML_ENCODING_UNKNOWN);
        return false;
    }
    document.Clear();
    buffer[length] = '\0';
    std::string text;
    text.reserve(static_cast<size_t>(length) + UTF8_SEQUENCE_MAX);
    for (const char* p = buffer; *p != '\0'; ++p) {
        if (*p == '\r') {
            text += '\n';
            if (p[1] == '\n') ++p;
        } else {
            text += *p;
        }
    }
    // The parser steps over a UTF-8 sequence by the length its lead byte announces, even when
    // the text ends inside it: the terminators after the text keep such a step within it.
    text.append(UTF8_SEQUENCE_MAX, '\0');
    document.Parse(text.c_str(), nullptr, encoding);
    return !document.Error();
}
