// SPDX-License-Identifier: MIT
// libFuzzer target for the map format. Each input is read from memory by the
// byte rules twice, as the viewer reads (the grid alone) and as velmora-check
// reads (every byte watched by the checker), and both grids, and the grid
// that --grid prints, are checked against what the format promises. One
// input in 1024 also goes the programs' whole way: written to a real file,
// opened and read by mapFile.

#include "mapChecker.h"
#include "mapFile.h"
#include "mapReader.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// The codes the format gives, in row-major order: separators skipped, only the
// first 14 codes of the first 14 lines, '0' where a line or the file ends early.
QByteArray expectedCodes(const char *data, size_t size)
{
    QByteArray codes(196, '0');
    int row = 0;
    int col = 0;
    for (size_t i = 0; i < size && row < 14; ++i) {
        const char byte = data[i];
        if (byte == '\n') {
            ++row;
            col = 0;
        } else if (byte != '\0' && byte != '\r' && byte != ' ' && col < 14) {
            codes[row * 14 + col++] = byte;
        }
    }
    return codes;
}

[[noreturn]] void fail(int index, const char *what)
{
    std::fprintf(stderr, "cell %d,%d: %s\n", index / 14, index % 14, what);
    std::abort();
}

void compare(const QByteArray &codes, const QByteArray &expected, const char *what)
{
    for (int i = 0; i < 196; ++i)
        if (codes.at(i) != expected.at(i))
            fail(i, what);
}

// The whole way of the programs, through a real file.
void checkThroughAFile(const QByteArray &data, const QByteArray &expected)
{
    static QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("fuzz.map"));
    {
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size())
            std::abort();
    }
    mapFile file;
    mapReader reader;
    if (!file.openMap(QFile::encodeName(name)) || !file.readMap(reader))
        fail(0, "mapFile could not read the file");
    compare(reader.codes(), expected, "the file's grid differs from the format");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    static unsigned inputs = 0;
    const char *const data = reinterpret_cast<const char *>(bytes);
    QByteArray content = QByteArray::fromRawData(data, int(size));
    const QByteArray expected = expectedCodes(data, size);

    QBuffer buffer(&content);
    buffer.open(QIODevice::ReadOnly);
    mapReader viewer;
    if (!viewer.read(buffer))
        fail(0, "reading from memory failed");
    compare(viewer.codes(), expected, "the viewer's grid differs from the format");

    buffer.seek(0);
    mapReader checked;
    mapChecker checker;
    mapReader::source watched;
    watched.watcher = &checker;
    if (!checked.read(buffer, watched))
        fail(0, "checking from memory failed");
    checker.finish();
    const QByteArray checkedCodes = checked.codes();
    compare(checkedCodes, expected, "the checker's grid differs from the format");
    const QByteArray grid = mapChecker::gridText(checkedCodes);
    for (int i = 0; i < 196; ++i) {
        const char code = expected.at(i);
        if (grid.at(i / 14 * 15 + i % 14) != (code > 0x20 && code < 0x7F ? code : '?'))
            fail(i, "--grid prints another code");
    }

    if (inputs++ % 1024 == 0)
        checkThroughAFile(content, expected);
    return 0;
}
