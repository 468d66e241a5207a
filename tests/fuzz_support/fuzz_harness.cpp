#include "fuzz_harness.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "platform/win32/messagebox.h"
#include "util/data/datafile.h"
#include "util/data/loadingbar.h"
#include "util/error/fatal.h"

// Reports need no window and no text: every fuzz input that ends in one would print it.
int MessageBoxA(HWND, const char*, const char*, UINT) { return IDOK; }

// The data layer redraws the loading screen as it hands out files; there is no screen here.
void LoadingBar::draw(float, bool) {}

namespace {
[[noreturn]] void end_current_input() { throw FuzzFatalEnd{}; }
} // namespace

void fuzz_install_fatal_end()
{
    static bool installed = false;
    if (installed) return;
    installed = true;
    set_fatal_end(end_current_input);
}

void fuzz_serve(const std::string& name, const void* data, std::size_t size)
{
    DataFile::set_mode(DATAFILE_MODE_READ);
    DataEntry* entry = nullptr;
    for (DataEntry* known : DataFile::entries) {
        if (known->name == name) entry = known;
    }
    if (entry == nullptr) {
        entry = new DataEntry;
        entry->name = name;
        DataFile::entries.push_back(entry);
    }
    std::free(entry->data);
    entry->data = static_cast<char*>(std::malloc(size > 0 ? size : 1));
    if (size > 0) std::memcpy(entry->data, data, size);
    entry->size = static_cast<int>(size);
}

void fuzz_remove_temp_files()
{
    DataFile::delete_temp_files();
    DataFile::reset_state();
}

namespace {
std::string* g_scratch = nullptr;
void remove_scratch_folder() { std::filesystem::remove_all(*g_scratch); }
} // namespace

const std::string& fuzz_scratch_folder()
{
    if (g_scratch == nullptr) {
        // Targets that save files do so on every input: a memory file system, where there is
        // one, keeps the disk's journal out of the speed of the run.
        char in_memory[] = "/dev/shm/pellorvane-fuzz-XXXXXX";
        char on_disk[] = "/tmp/pellorvane-fuzz-XXXXXX";
        char* folder = mkdtemp(in_memory);
        if (folder == nullptr) folder = mkdtemp(on_disk);
        if (folder == nullptr) std::abort();
        g_scratch = new std::string(folder);
        std::atexit(remove_scratch_folder);
    }
    return *g_scratch;
}

std::string fuzz_disk_file(const std::string& name, const void* data, std::size_t size)
{
    DataFile::set_mode(DATAFILE_MODE_DISK);
    std::filesystem::path path = std::filesystem::path(fuzz_scratch_folder()) / name;
    std::filesystem::create_directories(path.parent_path());
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0)
        std::abort();
    return path.string();
}
