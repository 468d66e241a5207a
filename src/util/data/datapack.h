// The packed data file's layout, read from memory: the header "Tarnholm Data File" and its NUL,
// the version bytes 0 and 2, then one HUFF stream whose decoded payload is a run of chunks
// ("QXVDFC" and its NUL, u32 name length, u32 contents size, the name, the contents).
//
// Every field is checked against what is really there, so a corrupt or truncated file ends in
// an error naming the problem and nothing is ever read outside the buffers.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "util/data/datafile.h"

struct DataError {
    int line = 0; // where in our source the problem was found
    std::string message;
};

namespace DataPack {

extern const char HEADER[19];
constexpr unsigned char MAJOR_VERSION = 0;
constexpr unsigned char MINOR_VERSION = 2;
extern const char CHUNK_MAGIC[7];

// Unpacks a whole packed file of length bytes and appends its entries to out, in file order,
// each with loaded false. On a problem nothing is appended and error describes it; file_name
// only serves the messages.
bool unpack(const unsigned char* bytes, std::size_t length, const char* file_name,
            std::vector<DataEntry*>& out, DataError* error);

} // namespace DataPack
