// SPDX-License-Identifier: MIT
// libFuzzer target for the map reader. Each input is written to a real file
// and read through myMap::loadMap, as the viewer reads a file a user names;
// then every tile is checked against what the map format promises.

#include "isoCase.h"
#include "myMap.h"

#include <QApplication>
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
QByteArray expectedCodes(const uint8_t *data, size_t size)
{
    QByteArray codes(196, '0');
    int row = 0;
    int col = 0;
    for (size_t i = 0; i < size && row < 14; ++i) {
        const char byte = static_cast<char>(data[i]);
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
    std::fprintf(stderr, "tile %d,%d: %s\n", index / 14, index % 14, what);
    std::abort();
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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    {
        QFile file(fixture().name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    myMap &map = *fixture().map;
    // As the window does: the grid is cleared, then filled from the file.
    map.clearMap();
    map.loadMap(fixture().name);

    const QByteArray expected = expectedCodes(data, size);
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
        if (text.size() != 1)
            fail(index, "text is not one character");
        if (text.at(0).unicode() > 0xFF)
            fail(index, "text is not a byte");
        const int code = qint8(text.at(0).unicode());
        if (tile->getCode() != code)
            fail(index, "code is not the text's sign-extended value");
        if (tile->isWalkable() != (code >= '1' && code <= '5'))
            fail(index, "walkable flag does not match the code");
        if (code != qint8(expected.at(index)))
            fail(index, "code differs from the file's");
        ++index;
    }
    if (index != 196)
        fail(index, "fewer than 196 tiles");
    return 0;
}
