// Fuzz target for the ".track" loader and curve evaluation: the input is the file of one
// curve, read in play mode; a curve that loads is evaluated at its keys, between them and far
// outside them.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "util/music/synclink.h"

namespace {

const std::uint8_t* g_data = nullptr;
std::size_t g_size = 0;

void* open_input(const char*, const char*)
{
    if (g_size == 0) return std::fopen("/dev/null", "rb");
    return fmemopen(const_cast<std::uint8_t*>(g_data), g_size, "rb");
}
std::size_t read_input(void* buffer, std::size_t size, std::size_t count, void* handle)
{
    return std::fread(buffer, size, count, static_cast<FILE*>(handle));
}
int close_input(void* handle) { return std::fclose(static_cast<FILE*>(handle)); }

const SyncFileIo INPUT_IO = {open_input, read_input, close_input};
const double ROWS[] = {-1e12, -2147483648.0, -1.0, 0.0, 0.5, 1.0, 2147483647.0, 3e9, INFINITY, -INFINITY, NAN};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    g_data = data;
    g_size = size;
    SyncLink* link = synclink_open("sync/", 0);
    if (link == nullptr) std::abort();
    synclink_set_file_io(link, &INPUT_IO);
    const SyncCurve* curve = synclink_curve("fuzz", link, 0.25f);
    if (curve != nullptr) {
        volatile float sum = 0.0f;
        for (double row : ROWS) sum = sum + synclink_curve_value(curve, row);
        for (int k = 0; k < curve->key_count; ++k) {
            const double row = curve->keys[k].row;
            sum = sum + synclink_curve_value(curve, row) + synclink_curve_value(curve, row + 0.25) +
                  synclink_curve_value(curve, row - 0.75);
        }
    }
    synclink_close(link);
    return 0;
}
