#pragma once
// The program's pictures (SVG resources named by ID), rendered at the size they are drawn,
// for the screen's pixel ratio, and cached.

#include <QPixmap>
#include <QSize>

// The picture stretched into a square of side `side` logical pixels (transparent where the
// picture is); a null pixmap when the picture is missing or the side is not positive.
QPixmap RenderPicture(int resourceId, int side, qreal devicePixelRatio = 1.0);
