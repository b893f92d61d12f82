// SPDX-License-Identifier: MIT
// velmora-render: writes the map area of the viewer for one map file to a PNG
// picture, without a window and without a display.

#include "commandLine.h"
#include "mapFile.h"
#include "mapReader.h"
#include "mapPicture.h"
#include "qtStart.h"
#include "outputFile.h"
#include "pngWriter.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

enum exitCode { success = 0, failure = 1 };

// Thumbnailers ask for 128 to 1024 pixels; a bound keeps a mistyped size
// from asking for gigabytes.
constexpr int largestSize = 4096;

const commandLine::program renderProgram = {
    "velmora-render",
    VELMORA_VERSION,
    "[--size N] MAP [OUT.png]",
    "Writes the 928 by 480 map area that the 3D Velmora viewer shows for MAP\n"
    "to a PNG picture, by default MAP's name with .png; OUT.png may be \"-\"\n"
    "for standard output.\n",
    {{"size", 0, "N",
      "Scale the picture smoothly to fit N by N pixels, its aspect\nkept (a thumbnail); N from 1 to 4096."}},
    2,
    failure,
};

// The program's command line, for Qt's message handler.
const commandLine *renderCommandLine = nullptr;
QtMessageHandler defaultHandler = nullptr;
bool startingQt = false;
QString platformReason;

// Qt's own notes (such as a missing XDG_RUNTIME_DIR) would mix with the
// program's one line, so only its critical errors are let through. A platform
// that cannot start is Qt's fatal error, which would abort: it becomes the
// program's one line instead, with the reason Qt gave just before.
void qtMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (startingQt && type == QtFatalMsg) {
        renderCommandLine->fail(failure, "the Qt platform \"" + qgetenv("QT_QPA_PLATFORM") + '"',
                      QStringLiteral("cannot start (%1)")
                          .arg(platformReason.isEmpty() ? message.section(QLatin1Char('\n'), 0, 0)
                                                        : platformReason));
        std::_Exit(failure);
    }
    if (startingQt && platformReason.isEmpty()
        && QByteArray(context.category ? context.category : "").startsWith("qt.qpa"))
        platformReason = message.trimmed();
    if (type == QtCriticalMsg || type == QtFatalMsg)
        defaultHandler(type, context, message);
}

// MAP's path with the last suffix of its file name, if any, replaced by .png.
QByteArray defaultOutput(const QByteArray &mapPath)
{
    const int nameStart = mapPath.lastIndexOf('/') + 1;
    const int dot = mapPath.lastIndexOf('.');
    return (dot >= nameStart ? mapPath.left(dot) : mapPath) + ".png";
}

// Whether the picture fitted to size by size, or not fitted when size is 0,
// shows the code texts. Without them the program needs no Qt platform nor
// the fonts, whose loading was most of a small thumbnail's time.
bool withTexts(int size)
{
    return size == 0 || size >= mapPicture::textsFrom;
}

// The map area as the viewer shows it, fitted to size by size unless size
// is 0, as a PNG file's bytes. Encoded in memory first: the only failures
// left are the system's.
QByteArray picture(const QByteArray &codes, int size)
{
    if (!withTexts(size))
        return pngWriter::encode(mapPicture::fittedWithoutTexts(codes, size));
    const QImage area = mapPicture::draw(codes);
    return pngWriter::encode(size ? mapPicture::fitted(area, size) : area);
}

// The value of --size, 0 without it, or -1 when it is no size.
int requestedSize(const commandLine &cli)
{
    if (!cli.isSet("size"))
        return 0;
    const QByteArray given = cli.value("size");
    // Digits only: toInt alone would take a sign and surrounding blanks.
    for (const char byte : given)
        if (byte < '0' || byte > '9')
            return -1;
    bool ok = false;
    const int size = given.toInt(&ok);
    return ok && size >= 1 && size <= largestSize ? size : -1;
}

int render(commandLine &cli, char *program)
{
    const int size = requestedSize(cli);
    if (size < 0)
        return cli.usage("--size takes a whole number of pixels from 1 to "
                         + QByteArray::number(largestSize) + ", not '"
                         + commandLine::escaped(cli.value("size")) + "'");
    const QByteArray mapPath = cli.names().at(0);
    const QByteArray outPath = cli.names().size() > 1 ? cli.names().at(1) : defaultOutput(mapPath);
    mapFile map;
    mapReader reader;
    if (!map.openMap(mapPath) || !map.readMap(reader))
        return cli.fail(failure, mapPath, map.errorString());
    outputFile::fileId mapId;
    const QString unknown = outputFile::identify(map.handle(), mapId);
    if (!unknown.isEmpty())
        return cli.fail(failure, mapPath, unknown);

    // Only a picture with texts is fitted by Qt's scaling, with its threads;
    // a smaller thumbnail is averaged down on this one.
    const bool qtScales = size && withTexts(size);
    if (!enoughMemoryAhead(qtScales))
        return cli.fail(failure, QByteArray(), commandLine::reasonOf(ENOMEM));
    if (const int refusal = qtScales ? mapPicture::startFittingThreads(size) : 0)
        return cli.fail(failure, QByteArray(), commandLine::reasonOf(refusal));
    defaultHandler = qInstallMessageHandler(qtMessage);
    // No display is needed unless the user asks for a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && defaultQtPlatform())
        qputenv("QT_QPA_PLATFORM", defaultQtPlatform());
    // Qt is given the program's name alone: every argument is the renderer's
    // own, so that a map named "-style" is a map.
    int qtArgc = 1;
    char *qtArgv[] = {program, nullptr};
    startingQt = true;
    std::optional<QGuiApplication> application;
    if (withTexts(size))
        application.emplace(qtArgc, qtArgv);
    else
        // Without texts no plugin is needed either: PNG is Qt Gui's own.
        QCoreApplication::setLibraryPaths({});
    startingQt = false;

    const QByteArray png = picture(reader.codes(), size);
    if (png.isEmpty())
        return cli.fail(failure, QByteArray(), commandLine::reasonOf(ENOMEM));
    if (outPath != "-") {
        const QString problem = outputFile::write(outPath, png, mapId);
        return problem.isEmpty() ? success : cli.fail(failure, outPath, problem);
    }
    outputFile::fileId outId;
    if (outputFile::identify(fileno(stdout), outId).isEmpty() && outId == mapId)
        return cli.fail(failure, outPath, outputFile::isTheMap());
    cli.print(png);
    const int error = cli.flushOutput();
    return error ? cli.fail(failure, outPath, commandLine::reasonOf(error)) : success;
}

} // namespace

int main(int argc, char *argv[])
{
    commandLine cli(renderProgram);
    renderCommandLine = &cli;
    return cli.run(argc, argv, [&cli, argv] { return render(cli, argv[0]); });
}
