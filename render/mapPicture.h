// SPDX-License-Identifier: MIT
#pragma once

#include "grounds.h"

#include <QByteArray>
#include <QImage>

// The map area as the viewer shows it, painted straight onto an image: the
// background, then tile by tile in row-major order the ground picture and the
// code above it, as the viewer stacks its labels. Pixel coordinates are the
// map area's, (0, 0) at its top-left corner; row 0, column 0 is the top
// corner of the diamond. Needs a QGuiApplication, for the font and palette
// the viewer's labels use; no widget is built.
namespace mapPicture {

constexpr int width = grounds::mapWidth;
constexpr int height = grounds::mapHeight;

// The gridSize * gridSize codes of mapReader, row-major.
QImage draw(const QByteArray &codes);
// The picture scaled smoothly to fit size by size, its aspect kept.
QImage fitted(const QImage &picture, int size);
// Starts the threads that fitted() takes to scale a picture of this size to
// size, before anything else can take their memory; needs no QGuiApplication.
// 0, or when not one could start, the errno of the system's refusal.
int startFittingThreads(int size);

} // namespace mapPicture
