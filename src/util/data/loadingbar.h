// The loading screen: an optional logo over the letterboxed view and a thin progress bar,
// redrawn as the data layer hands out files (start-up connects the two). Escape or a close
// request while it runs ends the program.
#pragma once

#include "platform/win32/kernel.h"

namespace LoadingBar {

// Stores the screen size and the wanted aspect ratio, blanks both buffers and draws once.
void init(int width, int height, float aspect);
// Loads the logo picture; it is drawn from the next drawn frame on.
void load_logo();
// Redraws the screen with the logo and bar in the given brightness; unless forced, at most
// once per 40 ms. Does nothing before init and after finish.
void draw(float brightness, bool force);
// Fades the screen to black over half a second; later draws do nothing.
void finish();

// The millisecond clock the pacing reads: GetTickCount unless replaced (tests install a
// fake clock).
typedef DWORD (*TickQuery)();
void set_clock(TickQuery ticks);

// Where the fill comes from: a query that sets the files handed out so far and all files and
// returns true, or returns false when nothing is counted; then, as without a query, the fill
// runs round one step a drawn frame.
typedef bool (*ProgressQuery)(unsigned int* loaded, unsigned int* total);
void set_progress_source(ProgressQuery query);

// Runs before Escape or a close request ends the program (start-up removes the data layer's
// temporary files there).
typedef void (*QuitCleanup)();
void set_quit_cleanup(QuitCleanup cleanup);

// Back to the state the process starts in: not initialised, no logo (the logo and the view kept
// of it are deleted, so the GL context that drew them must still be current), GetTickCount, no
// progress source, no quit cleanup.
void reset_state();

} // namespace LoadingBar
