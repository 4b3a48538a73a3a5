#pragma once

#include <QImage>

namespace zelvaro {

// Small explanatory picture for each installation shape shown next to the input form:
//   1 floor-mounted (119 x 70), 2 circular (107 x 76), 3 wall (134 x 77),
//   4 ceiling (127 x 81), 5 braced (127 x 78).
// Each picture shows the machine, its anchors, the centre of gravity (重心) and the
// dimension letters used by the form. Any other shapeKind returns a null image.
// Needs a QGuiApplication (fonts).
// `scale` > 1 draws the same picture that many times larger, for print or
// for a screen's device pixel ratio (1.5, 2).
QImage draw_shape_diagram(int shapeKind, double scale = 1);

} // namespace zelvaro
