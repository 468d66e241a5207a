// The GL functions the player calls through GLEW, and what stands in for those the driver
// does not give.
#pragma once

#include <string>
#include <vector>

// Every GL function that the player's code calls through a pointer GLEW loads, by name.
const std::vector<std::string>& gl_functions_called();

// GLEW leaves a function null where the driver does not give it (its extension is missing, or
// the driver's GL version is too low), and a call through it would crash. Each such function
// of gl_functions_called() gets a stand-in that ends the program with a fatal report naming
// it, at the moment the player calls it; functions the player never reaches cost nothing.
// Functions the driver gives are left as they are. Returns the names of the missing ones.
std::vector<std::string> stand_in_for_missing_gl_functions();
