// SPDX-License-Identifier: MIT
#pragma once

#include "grounds.h"

#include <QByteArray>
#include <QImage>

// The map area as the viewer shows it, painted straight onto an image: the
// background, then tile by tile in row-major order the ground picture and the
// code above it, as the viewer stacks its labels. Pixel coordinates are the
// map area's, (0, 0) at its top-left corner; row 0, column 0 is the top
// corner of the diamond. The code texts need a QGuiApplication, for the font
// and palette the viewer's labels use; no widget is built.
namespace mapPicture {

constexpr int width = grounds::mapWidth;
constexpr int height = grounds::mapHeight;

// Pictures fitted to fewer pixels than this leave the code texts out: their
// digits, 9 pixels high in the map area, would come out under 4.5.
constexpr int textsFrom = width / 2;

// The gridSize * gridSize codes of mapReader, row-major.
QImage draw(const QByteArray &codes);
// The picture scaled smoothly to fit size by size, its aspect kept.
QImage fitted(const QImage &picture, int size);
// Starts the threads that fitted() takes to scale a picture of this size to
// size, before anything else can take their memory; needs no QGuiApplication.
// 0, or when not one could start, the errno of the system's refusal.
int startFittingThreads(int size);
// The map area without its code texts, so fitted to a size under width,
// made a row at a time: the full-size picture is never held, whose memory
// was most of a small thumbnail's drawing time. Only shrunk, each pixel of
// the area falls in at most two of the result's along each axis. Within a
// level of fitted's, and needs no QGuiApplication.
QImage fittedWithoutTexts(const QByteArray &codes, int size);

} // namespace mapPicture
