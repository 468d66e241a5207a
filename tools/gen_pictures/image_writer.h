// Writes canvases as 8-bit RGBA PNG (libpng) or baseline RGB JPEG (libjpeg).
#pragma once

#include <string>

#include "canvas.h"

namespace pictures {

bool write_png(const Canvas& canvas, const std::string& path, std::string& error);
bool write_jpeg(const Canvas& canvas, const std::string& path, int quality, std::string& error);

} // namespace pictures
