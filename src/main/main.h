// The program's start-up sequence and event loop.
#pragma once

#include <string>
#include <vector>

class SceneManager;

int SDL_main(int argc, char** argv);

// The packer: the same start-up loading as SDL_main, windowed at 1280 x 720 without the setup
// dialog, with the data layer in write mode; ends after the data file is written.
int run_packer();

// Asks the user whether to go on when required GL extensions are missing; returns only when
// none is missing or the answer is OK.
void check_gl_extensions();

// The question's text for the given missing extension names; empty when none is missing.
std::string missing_extensions_text(const std::vector<std::string>& missing);

void main_loop(SceneManager* manager);

// The loading bar shows the data layer's progress and is redrawn as files are handed out;
// Escape on it removes the data layer's temporary files before the program ends.
void connect_loading_bar();

void before_setup_dialog();
void after_setup_dialog();
