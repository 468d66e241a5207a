// The include rules of the system's sources: a file includes only its own layer or lower ones
// (platform, util, effects, scenes, main, lowest first), and no include circle runs between
// files of different folders.
#pragma once

#include <string>
#include <vector>

struct SourceFile {
    std::string path;                  // relative to the source root, with '/' separators
    std::vector<std::string> includes; // the quoted includes, as written
};

// One line per broken rule, in a stable order; empty when every rule holds.
std::vector<std::string> check_includes(const std::vector<SourceFile>& files);

// Every .h and .cpp file under root with its quoted includes.
std::vector<SourceFile> read_source_tree(const std::string& root);
