// The player's process entry: SDL 1.2 on Linux has no main shim, so the entry calls the
// program's own SDL_main directly.
#include "main/main.h"

int main(int argc, char** argv)
{
    return SDL_main(argc, argv);
}
