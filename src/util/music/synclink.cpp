#include "util/music/synclink.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

#include "platform/runtime/byte_order.h"
#include "platform/runtime/file_replace.h"
#include "platform/sockets/tcp_socket.h"

namespace {

// Editor to client.
const unsigned char CMD_KEY_UPDATE = 0;
const unsigned char CMD_KEY_REMOVE = 1;
const unsigned char CMD_PAUSE_CHANGE = 4;
const unsigned char CMD_SAVE_CURVES = 5;
// Client to editor.
const unsigned char CMD_CURVE_REQUEST = 2;
// Both ways.
const unsigned char CMD_ROW_CHANGE = 3;

const char CLIENT_GREETING[] = "hello, synctracker!";
const char EDITOR_GREETING[] = "hello, demo!";

// Longest wait for the editor: a connect, the rest of a command that has begun to arrive, a
// send into a full buffer. A correct editor never comes near it.
const int LINK_WAIT_MS = 2000;

// Commands handled in one poll at most, so that a flooding editor cannot stall the frame;
// what is left is handled by the next poll.
const int MAX_COMMANDS_PER_POLL = 65536;

void* stdio_open(const char* path, const char* mode)
{
    return std::fopen(path, mode);
}

size_t stdio_read(void* buffer, size_t size, size_t count, void* handle)
{
    return std::fread(buffer, size, count, static_cast<FILE*>(handle));
}

int stdio_close(void* handle)
{
    return std::fclose(static_cast<FILE*>(handle));
}

char* copy_text(const char* text)
{
    size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(size));
    if (copy != nullptr)
        std::memcpy(copy, text, size);
    return copy;
}

uint32_t float_bits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float bits_float(uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void drop_keys(SyncCurve* curve)
{
    std::free(curve->keys);
    curve->keys = nullptr;
    curve->key_count = 0;
}

// Merges the edits of one curve, sorted by row and in arrival order within a row, with the
// curve's keys in one pass: for each row the last edit decides.
int merge_key_edits(SyncCurve* curve, const KeyEdit* edits, size_t count)
{
    if (static_cast<size_t>(curve->key_count) + count > static_cast<size_t>(INT_MAX))
        return -1;
    size_t capacity = static_cast<size_t>(curve->key_count) + count;
    CurveKey* merged = static_cast<CurveKey*>(std::malloc(capacity * sizeof(CurveKey)));
    if (merged == nullptr)
        return -1;
    size_t stored = 0;
    int kept = 0;
    for (size_t e = 0; e < count;) {
        int row = edits[e].key.row;
        while (e + 1 < count && edits[e + 1].key.row == row)
            ++e;
        const KeyEdit& last = edits[e++];
        while (kept < curve->key_count && curve->keys[kept].row < row)
            merged[stored++] = curve->keys[kept++];
        if (kept < curve->key_count && curve->keys[kept].row == row)
            ++kept;
        if (!last.remove)
            merged[stored++] = last.key;
    }
    while (kept < curve->key_count)
        merged[stored++] = curve->keys[kept++];

    std::free(curve->keys);
    if (stored == 0) {
        std::free(merged);
        merged = nullptr;
    } else if (stored < capacity) {
        // Giving back the slack of deletes and replaced rows; the larger block stays when the
        // smaller cannot be had.
        void* fitted = std::realloc(merged, stored * sizeof(CurveKey));
        if (fitted != nullptr)
            merged = static_cast<CurveKey*>(fitted);
    }
    curve->keys = merged;
    curve->key_count = static_cast<int>(stored);
    curve->edited = 1;
    return 0;
}

void empty_inbox(SyncLink* link)
{
    link->inbox_start = 0;
    link->inbox_end = 0;
}

// A link failure: the socket is closed and the operation answers -1.
int link_failure(SyncLink* link)
{
    tcp_close(link->socket);
    link->socket = -1;
    empty_inbox(link);
    return -1;
}

int link_send(SyncLink* link, const unsigned char* bytes, size_t size)
{
    if (link->socket < 0 || tcp_send_all(link->socket, bytes, size, LINK_WAIT_MS) != 0)
        return link_failure(link);
    return 0;
}

// Exactly size bytes (a field, far smaller than the inbox) of what the editor sent, waiting
// at most LINK_WAIT_MS for those that have not arrived yet.
int link_recv(SyncLink* link, unsigned char* bytes, size_t size)
{
    if (link->socket < 0)
        return -1;
    if (link->inbox == nullptr) {
        link->inbox = static_cast<unsigned char*>(std::malloc(SYNCLINK_INBOX_SIZE));
        if (link->inbox == nullptr)
            return -1;
        empty_inbox(link);
    }
    std::chrono::steady_clock::time_point deadline;
    if (link->inbox_end - link->inbox_start < size)
        deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(LINK_WAIT_MS);
    while (link->inbox_end - link->inbox_start < size) {
        // The few bytes of a field begun go to the front, so the rest of the inbox is free.
        size_t kept = link->inbox_end - link->inbox_start;
        std::memmove(link->inbox, link->inbox + link->inbox_start, kept);
        link->inbox_start = 0;
        link->inbox_end = kept;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        long got = tcp_recv_some(link->socket, link->inbox + kept, SYNCLINK_INBOX_SIZE - kept,
                                 left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (got <= 0)
            return -1;
        link->inbox_end += static_cast<size_t>(got);
    }
    std::memcpy(bytes, link->inbox + link->inbox_start, size);
    link->inbox_start += size;
    return 0;
}

// Whether a command can be read without waiting: bytes kept, or the socket readable.
bool link_readable(const SyncLink* link)
{
    return link->inbox_end > link->inbox_start || tcp_readable(link->socket) == 1;
}

int send_curve_request(SyncLink* link, const SyncCurve* curve)
{
    size_t length = std::strlen(curve->name);
    std::vector<unsigned char> message(5 + length);
    message[0] = CMD_CURVE_REQUEST;
    write_be32(&message[1], static_cast<uint32_t>(length));
    std::memcpy(message.data() + 5, curve->name, length);
    return link_send(link, message.data(), message.size());
}

// Index of the first key whose row is not below the row (key_count when none).
int lower_bound_key(const SyncCurve* curve, int row)
{
    int low = 0;
    int high = curve->key_count;
    while (low < high) {
        int middle = low + (high - low) / 2;
        if (curve->keys[middle].row < row)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

// Reads the keys of a ".track" file in file order. The count is not trusted for the
// allocation: the array grows only with keys actually read. A short file or keys out of row
// order fail the load.
int read_track(const SyncFileIo& io, void* handle, SyncCurve* curve)
{
    unsigned char field[4];
    if (io.read(field, 1, 4, handle) != 4)
        return -1;
    uint32_t count = read_le32(field);
    if (count > static_cast<uint32_t>(INT_MAX))
        return -1;

    int capacity = 0;
    for (uint32_t k = 0; k < count; ++k) {
        unsigned char row[4];
        unsigned char value[4];
        unsigned char shape;
        if (io.read(row, 1, 4, handle) != 4 || io.read(value, 1, 4, handle) != 4 ||
            io.read(&shape, 1, 1, handle) != 1)
            return -1;
        CurveKey key{static_cast<int32_t>(read_le32(row)), bits_float(read_le32(value)),
                     static_cast<KeyShape>(shape)};
        if (curve->key_count > 0 && key.row <= curve->keys[curve->key_count - 1].row)
            return -1;
        if (curve->key_count == capacity) {
            int grown = capacity < 16 ? 16 : (capacity > INT_MAX / 2 ? INT_MAX : capacity * 2);
            void* keys = std::realloc(curve->keys, static_cast<size_t>(grown) * sizeof(CurveKey));
            if (keys == nullptr)
                return -1;
            curve->keys = static_cast<CurveKey*>(keys);
            capacity = grown;
        }
        curve->keys[curve->key_count++] = key;
    }
    return 0;
}

}  // namespace

SyncLink* synclink_open(const char* base_path, int mode)
{
    SyncLink* link = static_cast<SyncLink*>(std::malloc(sizeof(SyncLink)));
    if (link == nullptr)
        return nullptr;
    link->base_path = copy_text(base_path);
    if (link->base_path == nullptr) {
        std::free(link);
        return nullptr;
    }
    link->curves = nullptr;
    link->curve_count = 0;
    link->last_row = -1;
    link->socket = -1;
    link->file_io = SyncFileIo{stdio_open, stdio_read, stdio_close};
    link->mode = mode;
    link->inbox = nullptr;
    empty_inbox(link);
    return link;
}

void synclink_close(SyncLink* link)
{
    if (link == nullptr)
        return;
    tcp_close(link->socket);
    synclink_free_curves(link);
    std::free(link->inbox);
    std::free(link->base_path);
    std::free(link);
}

void synclink_set_file_io(SyncLink* link, const SyncFileIo* io)
{
    link->file_io = *io;
}

int synclink_find_curve(const SyncLink* link, const char* name)
{
    for (int i = 0; i < link->curve_count; ++i)
        if (std::strcmp(link->curves[i]->name, name) == 0)
            return i;
    return -1;
}

int synclink_curve_file_name(const SyncLink* link, const char* name, char* buffer,
                             size_t buffer_size)
{
    static const char prefix[] = "_";
    static const char suffix[] = ".track";
    size_t base_length = std::strlen(link->base_path);
    size_t name_length = std::strlen(name);
    size_t total = base_length + (sizeof prefix - 1) + name_length + (sizeof suffix - 1);
    if (buffer_size == 0)
        return -1;
    if (total + 1 > buffer_size) {
        buffer[0] = '\0';
        return -1;
    }
    char* out = buffer;
    std::memcpy(out, link->base_path, base_length);
    out += base_length;
    std::memcpy(out, prefix, sizeof prefix - 1);
    out += sizeof prefix - 1;
    std::memcpy(out, name, name_length);
    out += name_length;
    std::memcpy(out, suffix, sizeof suffix);
    return 0;
}

int synclink_load_curve(SyncLink* link, SyncCurve* curve)
{
    if (link->mode != 0)
        return send_curve_request(link, curve);

    char path[SYNCLINK_PATH_SIZE];
    if (synclink_curve_file_name(link, curve->name, path, sizeof path) != 0)
        return -1;
    void* handle = link->file_io.open(path, "rb");
    if (handle == nullptr)
        return -1;
    int result = read_track(link->file_io, handle, curve);
    link->file_io.close(handle);
    if (result != 0)
        drop_keys(curve);
    return result;
}

SyncCurve* synclink_curve(const char* name, SyncLink* link, float default_value)
{
    int found = synclink_find_curve(link, name);
    if (found >= 0)
        return link->curves[found];

    SyncCurve* curve = static_cast<SyncCurve*>(std::malloc(sizeof(SyncCurve)));
    if (curve == nullptr)
        return nullptr;
    curve->name = copy_text(name);
    curve->keys = nullptr;
    curve->key_count = 0;
    curve->edited = 0;
    void* curves = std::realloc(link->curves,
                                static_cast<size_t>(link->curve_count + 1) * sizeof(SyncCurve*));
    if (curve->name == nullptr || curves == nullptr) {
        if (curves != nullptr)
            link->curves = static_cast<SyncCurve**>(curves);
        std::free(curve->name);
        std::free(curve);
        return nullptr;
    }
    link->curves = static_cast<SyncCurve**>(curves);
    link->curves[link->curve_count++] = curve;

    if (synclink_load_curve(link, curve) != 0)
        return nullptr;
    if (curve->key_count == 0) {
        CurveKey key{0, default_value, SHAPE_STEP};
        if (synclink_put_key(curve, &key) != 0)
            return nullptr;
    }
    return curve;
}

int synclink_floor_key(const SyncCurve* curve, int row)
{
    int low = 0;
    int high = curve->key_count - 1;
    int found = -1;
    while (low <= high) {
        int middle = low + (high - low) / 2;
        if (curve->keys[middle].row == row)
            return middle;
        if (curve->keys[middle].row < row) {
            found = middle;
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    return found;
}

double synclink_smooth_step(double t)
{
    return t * t * (3.0 - 2.0 * t);
}

float synclink_curve_value(const SyncCurve* curve, double row)
{
    if (curve->key_count == 0)
        return 0.0f;
    double whole = std::floor(row);
    int floor_row;
    if (whole >= static_cast<double>(INT_MAX))
        floor_row = INT_MAX;
    else if (whole <= static_cast<double>(INT_MIN))
        floor_row = INT_MIN;
    else if (whole == whole)
        floor_row = static_cast<int>(whole);
    else
        floor_row = INT_MIN;  // not a number: read as before the first key

    int i = synclink_floor_key(curve, floor_row);
    if (i < 0)
        return curve->keys[0].value;
    if (i > curve->key_count - 2)
        return curve->keys[curve->key_count - 1].value;

    const CurveKey& k0 = curve->keys[i];
    const CurveKey& k1 = curve->keys[i + 1];
    // The row span in integers (wide enough for any two rows), the ratio in double.
    long long span = static_cast<long long>(k1.row) - static_cast<long long>(k0.row);
    double t = (row - k0.row) / static_cast<double>(span);
    switch (k0.shape) {
    case SHAPE_STEP:
        return k0.value;
    case SHAPE_LINEAR:
        return static_cast<float>(k0.value + t * (k1.value - k0.value));
    case SHAPE_SMOOTH:
        return static_cast<float>(k0.value + synclink_smooth_step(t) * (k1.value - k0.value));
    case SHAPE_RAMP:
        return static_cast<float>(k0.value + std::pow(t, 2.0) * (k1.value - k0.value));
    default:
        return 0.0f;
    }
}

int synclink_put_key(SyncCurve* curve, const CurveKey* key)
{
    int at = lower_bound_key(curve, key->row);
    if (at < curve->key_count && curve->keys[at].row == key->row) {
        curve->keys[at] = *key;
        return 0;
    }
    if (curve->key_count == INT_MAX)
        return -1;
    void* keys = std::realloc(curve->keys,
                              static_cast<size_t>(curve->key_count + 1) * sizeof(CurveKey));
    if (keys == nullptr)
        return -1;
    curve->keys = static_cast<CurveKey*>(keys);
    std::memmove(curve->keys + at + 1, curve->keys + at,
                 static_cast<size_t>(curve->key_count - at) * sizeof(CurveKey));
    curve->keys[at] = *key;
    curve->key_count++;
    return 0;
}

int synclink_erase_key(SyncCurve* curve, int row)
{
    int at = lower_bound_key(curve, row);
    if (at >= curve->key_count || curve->keys[at].row != row)
        return 0;
    std::memmove(curve->keys + at, curve->keys + at + 1,
                 static_cast<size_t>(curve->key_count - at - 1) * sizeof(CurveKey));
    curve->key_count--;
    if (curve->key_count == 0) {
        drop_keys(curve);
        return 0;
    }
    // Shrinking cannot lose keys: when the smaller block cannot be had the larger one stays.
    void* keys = std::realloc(curve->keys, static_cast<size_t>(curve->key_count) * sizeof(CurveKey));
    if (keys != nullptr)
        curve->keys = static_cast<CurveKey*>(keys);
    return 0;
}

int synclink_on_key_update(SyncLink* link, std::vector<KeyEdit>* edits)
{
    unsigned char payload[13];
    if (link_recv(link, payload, sizeof payload) != 0)
        return -1;
    uint32_t index = read_be32(payload);
    if (index >= static_cast<uint32_t>(link->curve_count))
        return -1;
    CurveKey key{static_cast<int32_t>(read_be32(payload + 4)), bits_float(read_be32(payload + 8)),
                 static_cast<KeyShape>(payload[12])};
    edits->push_back(KeyEdit{static_cast<int>(index), key, false});
    return 0;
}

int synclink_on_key_remove(SyncLink* link, std::vector<KeyEdit>* edits)
{
    unsigned char payload[8];
    if (link_recv(link, payload, sizeof payload) != 0)
        return -1;
    uint32_t index = read_be32(payload);
    if (index >= static_cast<uint32_t>(link->curve_count))
        return -1;
    CurveKey key{static_cast<int32_t>(read_be32(payload + 4)), 0.0f, SHAPE_STEP};
    edits->push_back(KeyEdit{static_cast<int>(index), key, true});
    return 0;
}

int synclink_apply_key_edits(SyncLink* link, std::vector<KeyEdit>* edits)
{
    // Stable: the edits of one row keep their arrival order, so the last one is found last.
    std::stable_sort(edits->begin(), edits->end(), [](const KeyEdit& a, const KeyEdit& b) {
        return a.curve != b.curve ? a.curve < b.curve : a.key.row < b.key.row;
    });
    int result = 0;
    for (size_t first = 0; first < edits->size();) {
        size_t end = first;
        while (end < edits->size() && (*edits)[end].curve == (*edits)[first].curve)
            ++end;
        if (merge_key_edits(link->curves[(*edits)[first].curve], edits->data() + first,
                            end - first) != 0)
            result = -1;
        first = end;
    }
    edits->clear();
    return result;
}

int synclink_dial(const char* host, int port)
{
    int s = tcp_connect(host, port, LINK_WAIT_MS);
    if (s < 0)
        return -1;
    char reply[sizeof EDITOR_GREETING - 1];
    if (tcp_send_all(s, CLIENT_GREETING, sizeof CLIENT_GREETING - 1, LINK_WAIT_MS) != 0 ||
        tcp_recv_all(s, reply, sizeof reply, LINK_WAIT_MS) != 0 ||
        std::memcmp(reply, EDITOR_GREETING, sizeof reply) != 0) {
        tcp_close(s);
        return -1;
    }
    return s;
}

int synclink_connect(SyncLink* link, const char* host, int port)
{
    if (link->mode == 0)
        return 0;
    if (link->socket >= 0)
        link_failure(link);
    link->socket = synclink_dial(host, port);
    if (link->socket < 0)
        return -1;
    for (int i = 0; i < link->curve_count; ++i) {
        drop_keys(link->curves[i]);
        link->curves[i]->edited = 0;
    }
    for (int i = 0; i < link->curve_count; ++i)
        if (send_curve_request(link, link->curves[i]) != 0)
            return -1;
    return 0;
}

namespace {

// What one poll gathers from the editor and carries out at its end.
struct PollWork {
    std::vector<KeyEdit> edits;
    bool save = false;
};

// Handles the commands that have arrived, up to the per-poll limit: rows and pauses at once,
// key edits and saves gathered into the work. 0, or -1 when the link failed (it is closed).
int handle_commands(SyncLink* link, const SyncCallbacks* callbacks, void* data, PollWork* work)
{
    for (int handled = 0; handled < MAX_COMMANDS_PER_POLL; ++handled) {
        if (!link_readable(link))
            return 0;
        unsigned char command;
        if (link_recv(link, &command, 1) != 0)
            return link_failure(link);
        switch (command) {
        case CMD_KEY_UPDATE:
            if (synclink_on_key_update(link, &work->edits) != 0)
                return link_failure(link);
            break;
        case CMD_KEY_REMOVE:
            if (synclink_on_key_remove(link, &work->edits) != 0)
                return link_failure(link);
            break;
        case CMD_ROW_CHANGE: {
            unsigned char field[4];
            if (link_recv(link, field, sizeof field) != 0)
                return link_failure(link);
            if (callbacks != nullptr && callbacks->set_row != nullptr)
                callbacks->set_row(data, static_cast<int32_t>(read_be32(field)));
            break;
        }
        case CMD_PAUSE_CHANGE: {
            unsigned char flag;
            if (link_recv(link, &flag, 1) != 0)
                return link_failure(link);
            if (callbacks != nullptr && callbacks->pause != nullptr)
                callbacks->pause(data, flag);
            break;
        }
        case CMD_SAVE_CURVES:
            work->save = true;
            break;
        default:
            std::fprintf(stderr, "unknown cmd: %02x\n", command);
            return link_failure(link);
        }
        if (link->socket < 0)
            return -1;
    }
    return 0;
}

}  // namespace

int synclink_poll(SyncLink* link, const SyncCallbacks* callbacks, int row, void* data)
{
    if (link->mode == 0)
        return 0;
    if (link->socket < 0)
        return -1;

    // Applying each key as it comes moves every key stored after it, and each save writes
    // every edited curve: a burst of either would hold the frame for seconds. The poll's keys
    // are merged once, and its saves (the editor's result is ignored) make one, after them.
    // What arrived before a link failure is applied as well.
    PollWork work;
    int result = handle_commands(link, callbacks, data, &work);
    if (synclink_apply_key_edits(link, &work.edits) != 0 && result == 0)
        result = link_failure(link);
    if (work.save)
        synclink_save(link);
    if (result != 0)
        return -1;

    if (callbacks != nullptr && callbacks->is_playing != nullptr && callbacks->is_playing(data) &&
        row != link->last_row && link->socket >= 0) {
        unsigned char message[5];
        message[0] = CMD_ROW_CHANGE;
        write_be32(message + 1, static_cast<uint32_t>(row));
        if (link_send(link, message, sizeof message) != 0)
            return -1;
        link->last_row = row;
    }
    return 0;
}

int synclink_make_dirs(const char* path)
{
    char copy[SYNCLINK_PATH_SIZE];
    size_t length = std::strlen(path);
    if (length + 1 > sizeof copy)
        return -1;
    std::memcpy(copy, path, length + 1);
    for (size_t i = 1; i < length; ++i) {
        if (copy[i] != '/' || copy[i - 1] == '/')
            continue;
        copy[i] = '\0';
        struct stat info;
        if (stat(copy, &info) != 0) {
            if (mkdir(copy, 0777) != 0 && errno != EEXIST)
                return -1;
            if (stat(copy, &info) != 0)
                return -1;
        }
        if (!S_ISDIR(info.st_mode))
            return -1;
        copy[i] = '/';
    }
    return 0;
}

int synclink_write_curve_file(const char* path, const SyncCurve* curve)
{
    std::vector<unsigned char> bytes;
    bytes.reserve(4 + static_cast<size_t>(curve->key_count) * 9);
    append_le32(bytes, static_cast<uint32_t>(curve->key_count));
    for (int k = 0; k < curve->key_count; ++k) {
        const CurveKey& key = curve->keys[k];
        append_le32(bytes, static_cast<uint32_t>(key.row));
        append_le32(bytes, float_bits(key.value));
        bytes.push_back(key.shape);
    }

    // Opening the track file itself for writing would empty it at once, so a save that fails
    // part-way (a full disk) would cost the authored keys: the keys take the old file's place
    // only once they are all written.
    return replace_file_contents(path, bytes.data(), bytes.size(), FileReplaceSync::WRITTEN_AND_CLOSED) ==
                   FileReplaceResult::WRITTEN
               ? 0
               : -1;
}

int synclink_save(SyncLink* link)
{
    if (link->mode == 0)
        return 0;
    bool any_edited = false;
    for (int i = 0; i < link->curve_count; ++i)
        any_edited = any_edited || link->curves[i]->edited != 0;
    if (!any_edited)
        return 0;
    synclink_make_dirs(link->base_path);
    for (int i = 0; i < link->curve_count; ++i) {
        if (!link->curves[i]->edited)
            continue;
        char path[SYNCLINK_PATH_SIZE];
        if (synclink_curve_file_name(link, link->curves[i]->name, path, sizeof path) != 0 ||
            synclink_write_curve_file(path, link->curves[i]) != 0)
            return -1;
    }
    return 0;
}

void synclink_free_curves(SyncLink* link)
{
    for (int i = 0; i < link->curve_count; ++i) {
        std::free(link->curves[i]->name);
        std::free(link->curves[i]->keys);
        std::free(link->curves[i]);
    }
    std::free(link->curves);
    link->curves = nullptr;
    link->curve_count = 0;
}
