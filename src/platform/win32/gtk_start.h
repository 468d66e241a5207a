#pragma once

// Starts GTK for the process the first time a message box or dialog needs it. False where no
// display can be opened; a later call tries again.
bool start_gtk_once();
