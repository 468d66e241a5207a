// Small file helpers shared by the data generators.
#pragma once

#include <string>

namespace gen {

// Reads a whole file; false with a message when it cannot be read.
bool read_file(const std::string& path, std::string& bytes, std::string& error);

// Writes a whole file, creating the folders of its path first; false with a message on failure.
bool write_file(const std::string& path, const std::string& bytes, std::string& error);

// Creates every missing folder of a path (the part before the last '/').
bool make_parent_dirs(const std::string& path, std::string& error);

} // namespace gen
