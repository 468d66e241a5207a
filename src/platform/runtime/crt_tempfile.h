// The run-time's temporary file names, made safely: each name is a new, empty file that only
// this user can read, created atomically in TMPDIR (or /tmp) so that no other process can
// claim it between naming and opening.
#pragma once

#include <string>

// Creates a unique empty file and returns its path, or an empty string when none could be made.
// Every file made here that still exists is removed when the process that made it ends, through
// exit or a fatal report; the data layer also removes them itself at a normal end.
std::string crt_tempnam();
