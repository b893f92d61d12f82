// SPDX-License-Identifier: MIT
// libFuzzer target for the map reader. Each input is read by the byte rules
// from memory, in chunks as the viewer reads and byte by byte as
// velmora-check reads, and both grids are checked against what the map
// format promises. One input in
// 1024 also goes the viewer's whole way, written to a real file and loaded by
// myMap::loadMap, and every tile is checked.

#include "isoCase.h"
#include "mapChecker.h"
#include "mapReader.h"
#include "myMap.h"

#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

struct Fixture {
    std::unique_ptr<QApplication> application;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<myMap> map;
    QString name;
    unsigned inputs = 0;
};

Fixture &fixture()
{
    static Fixture instance;
    return instance;
}

// libFuzzer ends the process with exit(). Qt's own globals are gone by the
// time function statics are destroyed, so the fixture is torn down from an
// exit handler registered after Qt's, which runs before them.
void tearDown()
{
    Fixture &f = fixture();
    f.map.reset();
    f.dir.reset();
    f.application.reset();
}

// The codes the format gives, in row-major order: separators skipped, only the
// first 14 codes of the first 14 lines, '0' where a line or the file ends early.
QByteArray expectedCodes(const QByteArray &data)
{
    QByteArray codes(196, '0');
    int row = 0;
    int col = 0;
    for (int i = 0; i < data.size() && row < 14; ++i) {
        const char byte = data.at(i);
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

// The viewer's way: a real file, loadMap, and the tiles as the user sees them.
void checkThroughTheWidget(const QByteArray &data, const QByteArray &expected)
{
    {
        QFile file(fixture().name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size())
            std::abort();
    }
    myMap &map = *fixture().map;
    map.clearMap();
    if (!map.loadMap(fixture().name))
        fail(0, "loadMap could not read the file");
    int index = 0;
    for (QObject *child : map.children()) {
        auto tile = dynamic_cast<isoCase *>(child);
        if (!tile)
            continue;
        if (index >= 196)
            fail(index, "more than 196 tiles");
        const QList<QLabel *> labels = tile->findChildren<QLabel *>();
        if (labels.size() != 2)
            fail(index, "not two labels");
        const QString text = labels.at(1)->text();
        if (text.size() != 1 || text.at(0).unicode() > 0xFF)
            fail(index, "text is not one byte");
        const int code = qint8(text.at(0).unicode());
        if (tile->getCode() != code)
            fail(index, "code is not the text's sign-extended value");
        if (tile->isWalkable() != (code >= '1' && code <= '5'))
            fail(index, "walkable flag does not match the code");
        if (code != qint8(expected.at(index)))
            fail(index, "tile differs from the file's code");
        ++index;
    }
    if (index != 196)
        fail(index, "fewer than 196 tiles");
}

// Qt's warnings, such as a picture missing from a partial build, would repeat
// for every one of thousands of inputs a second; only fatal messages matter.
void dropWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qInstallMessageHandler(dropWarnings);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Fixture &f = fixture();
    f.application = std::make_unique<QApplication>(*argc, *argv);
    f.dir = std::make_unique<QTemporaryDir>();
    if (!f.dir->isValid())
        std::abort();
    // The viewer takes names relative to the working directory, which stays
    // where libFuzzer was started so that relative corpus paths keep working.
    f.name = QDir::current().relativeFilePath(f.dir->filePath(QStringLiteral("fuzz.map")));
    f.map = std::make_unique<myMap>();
    std::atexit(tearDown);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char *>(bytes), int(size));
    const QByteArray expected = expectedCodes(data);

    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    mapReader chunks;
    if (!chunks.read(buffer))
        fail(0, "reading from memory failed");
    compare(chunks.codes(), expected, "chunked read differs from the format");

    // Byte by byte, as velmora-check reads, and the grid its --grid prints.
    buffer.seek(0);
    mapReader checked;
    mapChecker checker;
    if (!checked.read(buffer, -1, {}, &checker, false))
        fail(0, "checking from memory failed");
    checker.finish();
    compare(checked.codes(), expected, "the checker's grid differs from the format");
    const QByteArray grid = mapChecker::gridText(checked.codes());
    for (int i = 0; i < 196; ++i) {
        const char code = expected.at(i);
        if (grid.at(i / 14 * 15 + i % 14) != (code > 0x20 && code < 0x7F ? code : '?'))
            fail(i, "--grid prints another code");
    }

    if (fixture().inputs++ % 1024 == 0)
        checkThroughTheWidget(data, expected);
    return 0;
}
