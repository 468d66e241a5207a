// Shared pieces of the fuzz targets: quiet message boxes, fatal reports that end only the
// current input, and the data layer serving files from memory.
//
// A fatal report is the right answer to a bad file, so it is no finding: the harness installs
// a fatal end that throws FuzzFatalEnd, and fuzz_run catches it. Memory errors, undefined
// behaviour, hangs and memory growth still stop the fuzzer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct FuzzFatalEnd {};

// Installs the throwing fatal end (once; later calls do nothing).
void fuzz_install_fatal_end();

// Runs the body; true when it ran to its end, false when a fatal report ended it.
template <typename Body>
bool fuzz_run(Body body)
{
    fuzz_install_fatal_end();
    try {
        body();
        return true;
    } catch (const FuzzFatalEnd&) {
        return false;
    }
}

// Puts the data layer in read mode and adds (or replaces) an entry with these bytes.
void fuzz_serve(const std::string& name, const void* data, std::size_t size);

// Removes the temporary files the data layer made for the current input and puts the layer
// back as the process starts (the served entries freed).
void fuzz_remove_temp_files();

// The folder of this process's scratch files, made on first use and removed at exit.
const std::string& fuzz_scratch_folder();

// Writes the bytes to name (with its folders) inside the scratch folder and puts the data
// layer in disk mode; returns the file's path. Disk mode reads files directly, so a reader
// that opens a file as a stream needs no temporary copy per input.
std::string fuzz_disk_file(const std::string& name, const void* data, std::size_t size);
inline std::string fuzz_disk_file(const std::string& name, const std::string& bytes)
{
    return fuzz_disk_file(name, bytes.data(), bytes.size());
}
