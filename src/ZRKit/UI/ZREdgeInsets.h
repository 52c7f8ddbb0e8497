#pragma once

#include <QtGlobal>

/*! Distances from the four edges of a rectangle, in points. */
struct ZREdgeInsets {
    qreal top = 0;
    qreal left = 0;
    qreal bottom = 0;
    qreal right = 0;

    bool operator==(const ZREdgeInsets&) const = default;
};
