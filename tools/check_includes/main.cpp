// Checks the include lines of a source tree against the layers; exit code 1 names each
// wrong-way include and each circle between folders.
#include <cstdio>
#include <filesystem>

#include "include_check.h"

int main(int argc, char** argv)
{
    if (argc != 2 || !std::filesystem::is_directory(argv[1])) {
        std::fprintf(stderr, "usage: check_includes SOURCE_DIR\n");
        return 1;
    }
    const std::vector<std::string> problems = check_includes(read_source_tree(argv[1]));
    for (const std::string& problem : problems) std::fprintf(stderr, "%s\n", problem.c_str());
    return problems.empty() ? 0 : 1;
}
