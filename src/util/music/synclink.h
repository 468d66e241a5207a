// The sync-tracker client: keyed float curves, evaluated at a fractional row.
//
// Play mode (mode 0): each curve is read once from its ".track" file when it is first asked
// for. Editor mode (any other mode): the client is connected over TCP to a sync-tracker editor
// on the local machine, which sends the keys, moves the play position, pauses the music and
// asks for the curves to be saved. The module knows nothing of the music: it reaches it only
// through a SyncCallbacks table, and reads files only through the SyncFileIo table.
//
// The ".track" file, one per curve, named base path + "_" + curve name + ".track"
// ("data/sync_tracker/_ActiveScene1st.track"). No header, little-endian, keys packed 9 bytes
// each without padding, in strictly increasing row order:
//
//   offset   size  field
//   0        4     u32 key count N
//   4 + 9k   4     key k: row, signed 32-bit
//   8 + 9k   4     key k: value, IEEE-754 single
//   12 + 9k  1     key k: shape (0 step, 1 linear, 2 smooth, 3 ramp)
//
// A curve without keys is a 4-byte file holding 0. The reader refuses a file that holds fewer
// keys than its count says, and keys whose rows do not strictly increase.
//
// The link to the editor (all fields big-endian, a float as its 32-bit pattern): the client
// sends "hello, synctracker!" and expects "hello, demo!" back; then it sends CurveRequest
// (byte 2, u32 name length, the name's bytes) and RowChange (byte 3, u32 row), and receives
// KeyUpdate (0: u32 curve index, u32 row, u32 value, u8 shape), KeyRemove (1: u32 curve index,
// u32 row), RowChange (3: u32 row), PauseChange (4: u8 flag) and SaveCurves (5).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// How the value runs from a key to the next key. Stored as the byte it travels as; a value
// outside the four shapes evaluates to 0.0.
enum KeyShape : unsigned char {
    SHAPE_STEP = 0,
    SHAPE_LINEAR = 1,
    SHAPE_SMOOTH = 2,
    SHAPE_RAMP = 3
};

struct CurveKey {
    int32_t row;
    float value;
    KeyShape shape;
};

struct SyncCurve {
    char* name;      // owned, zero-terminated
    CurveKey* keys;  // owned, sorted by strictly increasing row; null when key_count is 0
    int key_count;
    // Non-zero once the editor has set or deleted a key of the curve since the link was last
    // connected. Only such curves are saved: the keys of any other curve did not come from the
    // editor, and writing them would replace the authored file with a default.
    int edited = 0;
};

// A key set (or, with remove, deleted) by the editor, waiting to be applied to a curve.
struct KeyEdit {
    int curve;     // index in the link's curves
    CurveKey key;  // a delete uses the row only
    bool remove;
};

// The music, as the client sees it. Every function takes the caller's data pointer first;
// any of them may be null.
struct SyncCallbacks {
    void (*pause)(void* data, int flag);  // the editor paused (1) or resumed (0) playback
    void (*set_row)(void* data, int row);  // the editor moved the play position
    int (*is_playing)(void* data);         // non-zero while the music plays
};

// How ".track" files are read: open returns a handle or null, read has fread's meaning.
struct SyncFileIo {
    void* (*open)(const char* path, const char* mode);
    size_t (*read)(void* buffer, size_t size, size_t count, void* handle);
    int (*close)(void* handle);
};

struct SyncLink {
    char* base_path;     // owned; directory prefix of the ".track" files
    SyncCurve** curves;  // owned, in creation order, which is how the editor numbers them
    int curve_count;
    int last_row;        // the last row reported to the editor; -1 at creation
    int socket;          // the TCP link; -1 when not connected
    SyncFileIo file_io;  // stdio (fopen, fread, fclose) at creation
    int mode;            // 0 play mode, otherwise editor mode
    // What the editor sent and the poll has not handled yet: inbox[inbox_start, inbox_end).
    // Read from the socket in large pieces, so that a burst of commands does not cost a few
    // system calls each. Owned, SYNCLINK_INBOX_SIZE bytes, made when first needed; emptied
    // whenever the socket is closed or replaced.
    unsigned char* inbox;
    size_t inbox_start;
    size_t inbox_end;
};

// The port the editor listens on, on the loopback host.
const int SYNCLINK_EDITOR_PORT = 1338;

// Bytes of the editor's commands received at once at most.
const size_t SYNCLINK_INBOX_SIZE = 65536;

// The largest file name, terminator included; longer names are refused.
const size_t SYNCLINK_PATH_SIZE = 260;

// A new link with no curves; null when memory is short.
SyncLink* synclink_open(const char* base_path, int mode);

// Closes the socket and frees the link with every curve.
void synclink_close(SyncLink* link);

// Replaces the link's file functions with the three of the table.
void synclink_set_file_io(SyncLink* link, const SyncFileIo* io);

// The curve of that name, created when it does not exist yet: play mode reads its ".track"
// file, editor mode asks the editor for its keys. A new curve without keys gets one step key
// at row 0 with the default value. Null when the file cannot be read (or is malformed) or the
// request cannot be sent.
SyncCurve* synclink_curve(const char* name, SyncLink* link, float default_value);

// The curve's value at a fractional row; 0.0 for a curve without keys.
float synclink_curve_value(const SyncCurve* curve, double row);

// Editor mode: (re)connects to the editor, drops every key and asks for every curve again.
// 0 or -1; does nothing and returns 0 in play mode.
int synclink_connect(SyncLink* link, const char* host, int port);

// Editor mode, once per frame with the current whole row: handles the editor's pending
// commands and reports a changed row while the music plays. 0, or -1 when the link is down
// (it is closed then; connect again). Returns 0 at once in play mode. Never waits for the
// editor unless a command has begun to arrive, and then only a bounded time.
// However much arrives, one poll's work stays bounded: the key edits of the poll are applied
// together at its end (as if one after another), and all its save commands make one save,
// after the edits.
int synclink_poll(SyncLink* link, const SyncCallbacks* callbacks, int row, void* data);

// Editor mode: writes every edited curve (see SyncCurve) to its ".track" file in creation
// order, making the directories of the base path first; every other curve's file stays as it
// is, and with no edited curve nothing is touched. Stops at the first curve that cannot be
// saved and returns -1; the files of that curve and of the curves after it stay as they were.
// 0 when every edited curve was saved, and in play mode.
int synclink_save(SyncLink* link);

// Inner operations.

// Index of the curve of that name in the link's curves, or -1.
int synclink_find_curve(const SyncLink* link, const char* name);

// base path + "_" + name + ".track" into the buffer; -1 (buffer left empty) when it does not
// fit in buffer_size bytes with its terminator.
int synclink_curve_file_name(const SyncLink* link, const char* name, char* buffer,
                             size_t buffer_size);

// Fills a new curve: reads its ".track" file (play mode) or sends its request (editor mode).
int synclink_load_curve(SyncLink* link, SyncCurve* curve);

// Connects to the editor and exchanges the handshake: a socket, or -1.
int synclink_dial(const char* host, int port);

// Writes the curve's ".track" file: first whole into a new file beside it, which then
// replaces the old one. -1 unless every byte reached the file; the old file is then left as
// it was and the new one removed.
int synclink_write_curve_file(const char* path, const SyncCurve* curve);

// Makes every directory of the path that ends at a '/' ("data/sync_tracker/" makes "data" and
// "data/sync_tracker"). -1 when one cannot be made, a file is in the way, or the path is too
// long.
int synclink_make_dirs(const char* path);

// Index of the key at that row, else of the last key before it, else -1.
int synclink_floor_key(const SyncCurve* curve, int row);

// t * t * (3 - 2t).
double synclink_smooth_step(double t);

// Inserts the key in row order, or overwrites the key at its row. 0, -1 when memory is short.
int synclink_put_key(SyncCurve* curve, const CurveKey* key);

// Removes the key at that row; a row without a key is left alone. 0, -1 on failure.
int synclink_erase_key(SyncCurve* curve, int row);

// Read the payload of a KeyUpdate / KeyRemove from the link and add it to the edits. -1 on a
// link failure or a curve index out of range.
int synclink_on_key_update(SyncLink* link, std::vector<KeyEdit>* edits);
int synclink_on_key_remove(SyncLink* link, std::vector<KeyEdit>* edits);

// Applies the edits, given in arrival order, with the result of applying them one after
// another: for each row of a curve the last edit decides (a set puts that key, a delete
// leaves none). Every curve merged is marked edited. Costs one sort of the edits and one pass
// over the keys of each curve named, whatever the order of the rows. The edits are used up.
// 0, -1 when memory is short (the curves that could not be merged keep their keys).
int synclink_apply_key_edits(SyncLink* link, std::vector<KeyEdit>* edits);

// Frees every curve and the curve array; the link keeps no curves.
void synclink_free_curves(SyncLink* link);
