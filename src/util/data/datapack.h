// The packed data file's layout: the header "Tarnholm Data File" and its NUL, the version bytes
// 0 and 2, then one HUFF stream whose decoded payload is a run of chunks ("QXVDFC" and its NUL,
// u32 name length, u32 contents size, the name, the contents). The packed file is read from
// memory; its chunks are written one by one to a stream.
//
// Every field is checked against what is really there, so a corrupt or truncated file ends in
// an error naming the problem and nothing is ever read outside the buffers.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "util/data/datafile.h"

struct DataError {
    int line = 0; // where in our source the problem was found
    std::string message;
};

namespace DataPack {

constexpr std::size_t HEADER_SIZE = 19; // the header text and its NUL
extern const char HEADER[HEADER_SIZE];
constexpr unsigned char MAJOR_VERSION = 0;
constexpr unsigned char MINOR_VERSION = 2;
// The header and the two version bytes; the HUFF stream follows.
constexpr std::size_t PREAMBLE_SIZE = HEADER_SIZE + 2;

constexpr std::size_t CHUNK_MAGIC_SIZE = 7; // the magic text and its NUL
extern const char CHUNK_MAGIC[CHUNK_MAGIC_SIZE];
// The magic, the name length and the contents size; the name and the contents follow.
constexpr std::size_t CHUNK_HEADER_SIZE = CHUNK_MAGIC_SIZE + 4 + 4;

// Writes one entry as a chunk to the stream. On a failed write, false with error naming the
// field that did not reach the stream.
bool write_chunk(FILE* out, const DataEntry& entry, DataError* error);

// Unpacks a whole packed file of length bytes and appends its entries to out, in file order,
// each with loaded false. On a problem nothing is appended and error describes it; file_name
// only serves the messages.
bool unpack(const unsigned char* bytes, std::size_t length, const char* file_name,
            std::vector<DataEntry*>& out, DataError* error);

// Frees every entry of the list (its contents and the entry itself) and empties the list.
void free_entries(std::vector<DataEntry*>& entries);

} // namespace DataPack
