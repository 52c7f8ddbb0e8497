#pragma once

#include <QString>

class QWidget;

/*! Keeps a window's position and size across runs in the user defaults, under "Window Frame <name>" as
    "x y width height". A frame saved before is applied at once, when it still lies on a screen; from
    then on every move, resize and hide of the window is saved. Main thread only. */
void ZRSetFrameAutosaveName(QWidget* window, const QString& name);

/*! The user-defaults key that holds the frame saved under the name. */
QString ZRFrameAutosaveKey(const QString& name);
