// Replacing a file's contents so that a failed write never costs what the file held: the new
// contents go into a file of their own beside it, which takes the old file's place only once
// all of it is written and closed.
#pragma once

#include <cstddef>

enum class FileReplaceResult {
    WRITTEN,     // the file holds the new contents
    NOT_CREATED, // no file could be made beside it, or none could take its place (a folder of
                 // that name in the way)
    NOT_WRITTEN, // the new contents could not all be written (a full disk)
};

// How sure the new contents must be before they take the file's place.
enum class FileReplaceSync {
    WRITTEN_AND_CLOSED, // handed to the system whole
    ON_THE_DISK,        // and on the disk, as an fsync sees it
};

// Writes size bytes of data to the file at path. On any failure the file at path is left as it
// was and nothing stays beside it.
FileReplaceResult replace_file_contents(const char* path, const void* data, size_t size, FileReplaceSync sync);
