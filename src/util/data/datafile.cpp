#include "util/data/datafile.h"

// Stand-in until the packed data file is read: the loaders find nothing.
namespace DataFile {

int mode = DATAFILE_MODE_DISK;
std::vector<DataEntry*> entries;
std::vector<std::string> temp_files;
std::string file_name = "data.qxv";

void set_mode(int new_mode) { mode = new_mode; }
void read(const char*) {}
void write(const char*) {}
char* load_file(const char*, const char*, int*, bool) { return nullptr; }
char* load_gzip_file(const char*, const char*, int*, bool) { return nullptr; }
FILE* open_file(const char*, const char*, bool) { return nullptr; }
void export_mp3() {}
void delete_temp_files() {}
int stat_path(const char* path, struct stat* record) { return stat(path, record); }

} // namespace DataFile

bool LoadBuffer(TiXmlDocument&, char*, int, TiXmlEncoding) { return false; }
