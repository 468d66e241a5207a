// The include rules of the system's sources: a file includes only its own layer or lower ones
// (platform, util, effects, scenes, main, lowest first), no include circle runs between files
// of different folders, and a library's headers are included only by the layers its entry in
// the library table names (the C, C++ and POSIX standard headers by every layer).
#pragma once

#include <string>
#include <vector>

struct AngleInclude {
    int line = 0;       // counted from 1
    std::string header; // as written between the angle brackets
};

struct SourceFile {
    std::string path;                        // relative to the source root, with '/' separators
    std::vector<std::string> includes;       // the quoted includes, as written
    std::vector<AngleInclude> angle_includes = {}; // may be left out of a brace list
};

// One line per broken rule, in a stable order; empty when every rule holds.
std::vector<std::string> check_includes(const std::vector<SourceFile>& files);

// Every .h and .cpp file under root with its quoted and angle-bracket includes.
std::vector<SourceFile> read_source_tree(const std::string& root);
