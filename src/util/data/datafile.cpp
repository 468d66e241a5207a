#include "util/data/datafile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <sstream>
#include <strings.h>
#include <sys/stat.h>
#include <zlib.h>

#include "platform/runtime/byte_order.h"
#include "platform/runtime/crt_tempfile.h"
#include "platform/runtime/file_replace.h"
#include "platform/win32/messagebox.h"
#include "util/data/datapack.h"
#include "util/data/huffman.h"
#include "util/error/fatal.h"
#include "util/error/log.h"

namespace DataFile {

int mode = DATAFILE_MODE_DISK;
std::vector<DataEntry*> entries;
std::vector<std::string> temp_files;
std::string file_name = "data.qxv";

} // namespace DataFile

namespace {

// The entries serve the loaders for the whole run and are freed only when the program ends.
// Defined after the list, this owner is destroyed before it, once the program has left main
// or called exit; a fatal report ends the process without destroying anything.
struct EntriesOwner {
    ~EntriesOwner() { DataPack::free_entries(DataFile::entries); }
} g_entries_owner;

const char* const SOURCE = "src\\util\\data\\data";

// The rest of the layer's process-wide state, beside the mode, entries and names above.
struct DataFileState {
    bool packed_file_read = false;
    // The packed file that was read, as the file system knows it (device and inode), so that no
    // export writes over it under whatever name it was read.
    bool packed_file_known = false;
    dev_t packed_file_device = 0;
    ino_t packed_file_inode = 0;
    // Called each time a loader has handed out a file.
    DataFile::ProgressCallback progress_callback = nullptr;
};

DataFileState g_data_file;

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

// The length of an open file (seek to the end, tell, rewind); -1 when it cannot be told.
long file_length(FILE* file)
{
    if (std::fseek(file, 0, SEEK_END) != 0) return -1;
    long length = std::ftell(file);
    std::rewind(file);
    return length;
}

// Every loader that hands out a file reports it.
void report_progress()
{
    if (g_data_file.progress_callback != nullptr) g_data_file.progress_callback();
}

// A temporary file of the run-time, removed again at exit and also after a fatal report.
std::string make_temp_file()
{
    std::string name = crt_tempnam();
    if (!name.empty()) add_fatal_cleanup(crt_remove_tempfiles);
    return name;
}

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

// A stdio mode with "t" asks for text: each CR LF pair is read as one LF, as the text mode of
// the platform the assets were authored on does. A lone CR stays.
bool text_mode(const char* fopen_mode)
{
    return fopen_mode != nullptr && std::strchr(fopen_mode, 't') != nullptr;
}

// Turns every CR LF pair of data[0, count) into LF in place; returns the new count.
size_t drop_carriage_returns(char* data, size_t count)
{
    size_t kept = 0;
    for (size_t i = 0; i < count; ++i) {
        if (data[i] == '\r' && i + 1 < count && data[i + 1] == '\n') continue;
        data[kept++] = data[i];
    }
    return kept;
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

// The name an entry is exported under: what follows its last separator, slash or backslash,
// so that no packed name reaches outside the current folder.
std::string export_name(const std::string& entry_name)
{
    size_t cut = entry_name.find_last_of("/\\");
    return cut == std::string::npos ? entry_name : entry_name.substr(cut + 1);
}

// A name the export may create: one ending in ".mp3", in any case. The file system reads a name
// only up to a zero byte, so a name holding one would create a file other than the one checked.
bool is_track_name(const std::string& name)
{
    const char* const EXTENSION = ".mp3";
    const size_t length = std::strlen(EXTENSION);
    if (name.find('\0') != std::string::npos) return false;
    return name.size() > length && strcasecmp(name.c_str() + name.size() - length, EXTENSION) == 0;
}

bool is_packed_file(const std::string& name)
{
    struct stat record;
    return g_data_file.packed_file_known && DataFile::stat_path(name.c_str(), &record) == 0 &&
           record.st_dev == g_data_file.packed_file_device && record.st_ino == g_data_file.packed_file_inode;
}

// Write mode, the payload: every collected entry as a chunk, gathered in a temporary file and
// read back whole (a new malloc'd buffer of *length bytes).
unsigned char* chunk_payload(const char* name, long* length)
{
    std::string temp_name = make_temp_file();
    if (!temp_name.empty()) DataFile::temp_files.push_back(temp_name);
    FILE* temp = temp_name.empty() ? nullptr : std::fopen(temp_name.c_str(), "wb+");
    if (temp == nullptr) FATAL_ERROR(SOURCE, "Failed to create tmpfile()");

    for (const DataEntry* entry : DataFile::entries) {
        log_format(compose("..file: ", escaped(entry->name), ", ", entry->size, " bytes\n"));
        DataError error;
        if (!DataPack::write_chunk(temp, *entry, &error)) fatal_error(SOURCE, error.line, error.message);
    }
    if (std::fflush(temp) != 0) FATAL_ERROR(SOURCE, "Failed to write chunk!");

    *length = file_length(temp);
    if (*length < 1) FATAL_ERROR(SOURCE, compose("Negative or zero file length: ", *length));
    if (static_cast<unsigned long>(*length) > UINT32_MAX) {
        FATAL_ERROR(SOURCE, compose("Failed to read ", *length, " bytes from ", name));
    }
    unsigned char* payload = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(*length)));
    if (payload == nullptr ||
        std::fread(payload, 1, static_cast<size_t>(*length), temp) != static_cast<size_t>(*length)) {
        FATAL_ERROR(SOURCE, compose("Failed to read ", *length, " bytes from ", name));
    }
    std::fclose(temp);
    return payload;
}

// Write mode, the payload Huffman-coded into a new malloc'd HUFF stream of *stream_size bytes.
unsigned char* compress(const unsigned char* payload, long length, const char* name,
                        std::uint32_t* stream_size)
{
    size_t room = HuffmanCoder::max_encoded_size(static_cast<size_t>(length));
    unsigned char* stream = static_cast<unsigned char*>(std::malloc(room));
    if (stream == nullptr) {
        FATAL_ERROR(SOURCE, compose("Failed to allocate memory for data buffer loading ", name));
    }
    HuffmanCoder coder;
    coder.encode(stream, stream_size, payload, static_cast<std::uint32_t>(length));
    return stream;
}

// Write mode, the packed file: header, version bytes, stream.
void write_packed_file(const char* name, const unsigned char* stream, std::uint32_t stream_size)
{
    FILE* out = std::fopen(name, "wb");
    if (out == nullptr) FATAL_ERROR(SOURCE, compose("Failed to open data file ", name, " for writing"));
    const unsigned char version[2] = {DataPack::MAJOR_VERSION, DataPack::MINOR_VERSION};
    if (std::fwrite(DataPack::HEADER, 1, DataPack::HEADER_SIZE, out) != DataPack::HEADER_SIZE) {
        FATAL_ERROR(SOURCE, "Failed to write header!");
    }
    if (std::fwrite(&version[0], 1, 1, out) != 1) FATAL_ERROR(SOURCE, "Failed to write major version!");
    if (std::fwrite(&version[1], 1, 1, out) != 1) FATAL_ERROR(SOURCE, "Failed to write minor version!");
    if (std::fwrite(stream, 1, stream_size, out) != stream_size || std::fclose(out) != 0) {
        FATAL_ERROR(SOURCE, "Failed to write file contents!");
    }
}

// Write mode, the closing log: sizes before and after compression.
void log_summary(const char* name, long length, std::uint32_t stream_size)
{
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
         << static_cast<double>(lost) * 100.0 / static_cast<double>(length) << " %%\n";
    log_format(rate.str());
}

} // namespace

namespace DataFile {

void set_mode(int new_mode) { mode = new_mode; }

void set_progress_callback(ProgressCallback callback) { g_data_file.progress_callback = callback; }

bool packed_progress(unsigned int* loaded, unsigned int* total)
{
    if (mode != DATAFILE_MODE_READ) return false;
    *total = static_cast<unsigned int>(entries.size());
    *loaded = 0;
    for (const DataEntry* entry : entries) {
        if (entry->loaded) ++*loaded;
    }
    return true;
}

void read(const char* name)
{
    if (g_data_file.packed_file_read) return;
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
        struct stat record;
        if (fstat(fileno(file), &record) == 0) {
            g_data_file.packed_file_known = true;
            g_data_file.packed_file_device = record.st_dev;
            g_data_file.packed_file_inode = record.st_ino;
        }
        std::fclose(file);

        DataError error;
        if (!DataPack::unpack(bytes, got, name, entries, &error)) {
            std::free(bytes);
            fatal_error(SOURCE, error.line, error.message);
        }
        std::free(bytes);
    }
    g_data_file.packed_file_read = true;
}

void write(const char* name)
{
    if (mode != DATAFILE_MODE_WRITE) return;
    log_format("Writing datafile " + escaped(name) + "\n");

    long length = 0;
    unsigned char* payload = chunk_payload(name, &length);
    std::uint32_t stream_size = 0;
    unsigned char* stream = compress(payload, length, name, &stream_size);
    write_packed_file(name, stream, stream_size);
    std::free(payload);
    std::free(stream);
    log_summary(name, length, stream_size);
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
        int served = entry->size;
        if (text_mode(fopen_mode)) {
            served = static_cast<int>(drop_carriage_returns(buffer, static_cast<size_t>(entry->size)));
            if (add_nul) buffer[served] = '\0';
        }
        if (size != nullptr) *size = served + added;
        entry->loaded = true;
        report_progress();
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
    if (text_mode(fopen_mode)) count = drop_carriage_returns(buffer, count);
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
    report_progress();
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
        report_progress();
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
    std::uint32_t isize = read_le32(tail);
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
    report_progress();
    return buffer;
}

FILE* open_file(const char* name, const char* fopen_mode, bool export_to_disk)
{
    if (mode == DATAFILE_MODE_READ) {
        if (export_to_disk) {
            FILE* disk = std::fopen(name, fopen_mode);
            if (disk != nullptr) {
                report_progress();
                return disk;
            }
        }
        DataEntry* entry = find_entry(name);
        if (entry == nullptr) return nullptr;
        std::string temp_name = make_temp_file();
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
        report_progress();
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
    report_progress();
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
        // Only a track is written, and never over the packed file being read.
        std::string output = export_name(entry->name);
        if (!is_track_name(output) || is_packed_file(output)) continue;
        // Written beside the name and moved over it once it is on the disk, so that a failed
        // write leaves neither a cut-short track nor a spoilt one that was there.
        const size_t size = entry->size > 0 ? static_cast<size_t>(entry->size) : 0;
        switch (replace_file_contents(output.c_str(), entry->data, size, FileReplaceSync::ON_THE_DISK)) {
        case FileReplaceResult::NOT_CREATED:
            FATAL_ERROR(SOURCE, "Failed to create output file for " + output);
        case FileReplaceResult::NOT_WRITTEN:
            FATAL_ERROR(SOURCE, "Failed to write output file for " + output);
        case FileReplaceResult::WRITTEN:
            break;
        }
        std::string text = "Successfully exported " + output + " to the current folder";
        MessageBoxA(nullptr, text.c_str(), "Success", MB_OK);
    }
}

void delete_temp_files()
{
    for (const std::string& name : temp_files) std::remove(name.c_str());
}

void reset_state()
{
    DataPack::free_entries(entries);
    temp_files.clear();
    mode = DATAFILE_MODE_DISK;
    file_name = "data.qxv";
    g_data_file = DataFileState();
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
