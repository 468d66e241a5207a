// The data layer: every file of the program is read through these loaders.
//
// Disk mode reads the asset files under "data/" directly; read mode serves every file from the
// packed data file, read whole at start-up; write mode reads from disk and collects every file
// that is loaded, so that DataFile::write can pack the collection.
#pragma once

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <tinyxml.h>

enum DataFileMode {
    DATAFILE_MODE_DISK = 0,
    DATAFILE_MODE_READ = 1,
    DATAFILE_MODE_WRITE = 2,
};

struct DataEntry {
    std::string name;
    int size = 0;
    char* data = nullptr; // malloc'd, owned by the entry
    bool loaded = false;
};

namespace DataFile {

extern int mode;
// The packed (read mode) or collected (write mode) entries, kept until the program ends.
extern std::vector<DataEntry*> entries;
extern std::vector<std::string> temp_files;
extern std::string file_name;

void set_mode(int new_mode);

// Called each time a loader has handed out a file (start-up connects it to the loading bar);
// none by default.
typedef void (*ProgressCallback)();
void set_progress_callback(ProgressCallback callback);
// Read mode: the packed entries handed out so far and all packed entries, and true; outside
// read mode nothing is counted and the result is false.
bool packed_progress(unsigned int* loaded, unsigned int* total);
// Read mode only, once: unpacks the packed file into entries. A missing, corrupt or truncated
// file ends in the fatal report.
void read(const char* file_name);
// Write mode only: packs the collected entries, in the order they were first loaded.
void write(const char* file_name);

// A whole file in a new malloc'd buffer (the caller frees it), or NULL when the file is not
// there (then *size is left as it was). With add_nul a terminator follows the data and is
// counted in *size; in read mode text packed with its terminator brings its own, and any other
// entry gets one added. size may be NULL.
char* load_file(const char* name, const char* fopen_mode, int* size, bool add_nul);

// A gzip file decompressed into a new malloc'd buffer with one spare byte after the data.
char* load_gzip_file(const char* name, const char* fopen_mode, int* size, bool add_nul);

// A stdio stream at the start of the file's contents (in read mode a temporary file, removed by
// delete_temp_files or by a fatal report), or NULL.
FILE* open_file(const char* name, const char* fopen_mode, bool export_to_disk);

// True when a loader would find the file: in read mode a packed entry of that name, in the
// other modes a file (not a directory) on disk.
bool has_file(const char* name);

void export_mp3();
void delete_temp_files();
// Back to the state the process starts in: disk mode, the entries and their data freed, the list
// of temporary files forgotten (the files are left; delete_temp_files removes them), the packed
// file unread, no progress callback.
void reset_state();
int stat_path(const char* path, struct stat* record);

} // namespace DataFile

// Parses a caller's buffer of length + 1 bytes (buffer[length] is overwritten with a NUL) into
// the document, turning CR LF and lone CR into LF. False with the document's error set when the
// buffer is NULL (error 2) or empty (error 13), or when the text does not parse.
bool LoadBuffer(TiXmlDocument& document, char* buffer, int length,
                TiXmlEncoding encoding = TIXML_DEFAULT_ENCODING);
