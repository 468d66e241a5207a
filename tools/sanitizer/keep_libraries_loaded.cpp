// Linked into every program of the sanitizer build and into every fuzz target: shared libraries
// stay loaded until the process ends, and the sanitizer runtime starts from the settings that
// every run of these programs needs, whatever ASAN_OPTIONS the test command or a build step
// sets (ASAN_OPTIONS changes only the options it names).
//
// LeakSanitizer checks for leaks at exit and names the library of each allocation from the
// libraries loaded at that moment. The GL driver is unloaded when the display closes (SDL_Quit),
// and the memory it keeps in its own globals for the whole process (its code heap) would then be
// reported with nameless frames that no suppression can match. Kept loaded, that memory is
// still reachable from the driver's globals, and whatever a library does leak carries the
// library's name.
extern "C" int dlclose(void* /*handle*/)
{
    return 0;
}

// intercept_tls_get_addr=0: the runtime's hook on __tls_get_addr records where each thread's
// dynamic TLS blocks lie (those of a library loaded at run time, the GL driver's among them),
// for the leak check to scan. When such a block happens to start 16 bytes into a page, the
// hook takes it for an old C library's layout and reads the block's bounds from the two words
// in front of it, which today are the allocator's own chunk header. The leak check at exit then
// scans that made-up range and dies with signal 11 ("Tracer caught signal 11"), failing a
// program whose work had passed. Where a block starts depends on every allocation before it,
// so the fault struck now and then. The blocks and the tables that point to them are ordinary
// allocations of the C library, reachable from each thread's own data, so the leak check still
// follows a pointer that a library keeps only in its thread-local variables.
extern "C" const char* __asan_default_options()
{
    return "intercept_tls_get_addr=0";
}
