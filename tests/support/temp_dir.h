// A temporary folder for a test, removed with everything in it when the object goes.
#pragma once

#include <string>
#include <vector>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return dir; }
    std::string file(const std::string& relative) const { return dir + "/" + relative; }

    // Writes bytes to a file below the folder, creating the directories on the way.
    void write(const std::string& relative, const std::string& bytes) const;

private:
    std::string dir;
};

std::string read_file_bytes(const std::string& path);

// The names of the entries directly in a folder, sorted.
std::vector<std::string> folder_entries(const std::string& folder);
