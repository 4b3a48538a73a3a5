#pragma once

#include <QImage>

namespace zelvaro {

// 480 x 360 picture for the splash window: a shaded hex bolt with its nut and a flat
// washer on a light background. The lower-right corner (about x 408..473, y 336..353)
// is left plain for the "Zelvaro" label that the splash window draws itself.
// `pixelRatio` draws it for a screen of that device pixel ratio (the image
// is that many times larger and carries the ratio).
QImage draw_splash_picture(double pixelRatio = 1);

} // namespace zelvaro
