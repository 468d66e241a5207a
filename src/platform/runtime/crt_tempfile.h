// The run-time's temporary file names, made safely: each name is a new, empty file that only
// this user can read, created atomically in TMPDIR (or /tmp) so that no other process can
// claim it between naming and opening.
#pragma once

#include <string>

// Creates a unique empty file and returns its path, or an empty string when none could be made.
// Every file made here that still exists is removed when the process that made it exits; the
// data layer also removes them itself at a normal end.
std::string crt_tempnam();

// Removes every file this process made through crt_tempnam. A process that ends without its
// exit handlers (the fatal report) calls it first: the data layer registers it there.
void crt_remove_tempfiles();
