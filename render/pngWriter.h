// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QImage>

// An opaque picture as the bytes of a PNG file: 8-bit RGB, every row
// unfiltered, one zlib stream at a fast level. The pictures here are mostly
// runs of one colour and repeated tiles, which deflate finds without row
// filters; Qt's writer tried every filter on every row (libpng's default) and
// spent two thirds of a render doing so, for a larger file.
namespace pngWriter {

// Empty when the picture is null or memory runs out.
QByteArray encode(const QImage &picture);

} // namespace pngWriter
