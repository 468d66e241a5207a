// Linked into every program of the sanitizer build: shared libraries stay loaded until the
// process ends.
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
