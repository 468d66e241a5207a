#include "util/data/loadingbar.h"

// Stand-in until the loading screen is drawn: loaders call draw, which does nothing yet.
namespace LoadingBar {

void init(int, int, float) {}
void load_logo() {}
void draw(float, bool) {}
void finish() {}

} // namespace LoadingBar
