// The loading screen: an optional logo over the letterboxed view and a thin progress bar,
// redrawn from inside the data layer as files are handed out.
#pragma once

namespace LoadingBar {

void init(int width, int height, float aspect);
void load_logo();
void draw(float brightness, bool force);
void finish();

} // namespace LoadingBar
