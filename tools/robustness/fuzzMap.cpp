// SPDX-License-Identifier: MIT
// libFuzzer target for the map format. Each input is read from memory by the
// byte rules twice, as the viewer reads (the grid alone) and as velmora-check
// reads (every byte watched by the checker), and both grids, and the grid
// that --grid prints, are checked against what the format promises, and so
// is every count of codes the checker's diagnostics give. One input in 1024
// also goes the programs' whole way: written to a real file, opened and read
// by mapFile.

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
#include <cstring>
#include <memory>

namespace {

// What the format gives: the codes in row-major order (separators skipped,
// only the first 14 codes of the first 14 lines, '0' where a line or the file
// ends early), the codes of each of those lines, all counted, and how many of
// them the file has, a last line without a line feed included.
struct expectedMap {
    QByteArray codes = QByteArray(196, '0');
    long long lineCodes[14] = {};
    int lines = 0;
};

expectedMap expectedOf(const char *data, size_t size)
{
    expectedMap map;
    bool lineOpen = false;
    for (size_t i = 0; i < size && map.lines < 14; ++i) {
        const char byte = data[i];
        lineOpen = byte != '\n';
        long long &count = map.lineCodes[map.lines];
        if (byte == '\n')
            ++map.lines;
        else if (byte != '\0' && byte != '\r' && byte != ' ' && count++ < 14)
            map.codes[map.lines * 14 + int(count) - 1] = byte;
    }
    if (lineOpen && map.lines < 14)
        ++map.lines;
    return map;
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

// Every diagnostic that counts a row's codes or the file's lines counts them
// as the format does, and so as --grid shows them; and every row that has
// too few or too many codes, and every file with too few lines, has one.
void checkCounts(const QList<mapChecker::diagnostic> &found, const expectedMap &map)
{
    int rowsTold = 0;
    bool linesTold = map.lines == 14;
    for (const mapChecker::diagnostic &each : found) {
        const char *const message = each.message.constData();
        int row = 0;
        long long codes = 0;
        int lines = 0;
        int matched = 0;
        if ((std::sscanf(message, "row %d has no codes%n", &row, &matched) == 1 && matched)
            || std::sscanf(message, "row %d has %lld", &row, &codes) == 2) {
            if (row >= map.lines || codes == 14 || map.lineCodes[row] != codes)
                fail(row * 14, "a diagnostic counts the row's codes otherwise");
            ++rowsTold;
        } else if (std::sscanf(message, "the file has only %d", &lines) == 1
                   || std::strncmp(message, "the file is empty", 17) == 0) {
            if (lines != map.lines || linesTold)
                fail(lines * 14, "a diagnostic counts the file's lines otherwise");
            linesTold = true;
        }
    }
    int rowsAmiss = 0;
    for (int row = 0; row < map.lines; ++row)
        rowsAmiss += map.lineCodes[row] != 14;
    if (rowsTold != rowsAmiss || !linesTold)
        fail(0, "a row or the file's end has no diagnostic, or one too many");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    static unsigned inputs = 0;
    const char *const data = reinterpret_cast<const char *>(bytes);
    QByteArray content = QByteArray::fromRawData(data, int(size));
    const expectedMap map = expectedOf(data, size);
    const QByteArray &expected = map.codes;

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
    checkCounts(checker.finish(), map);
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
