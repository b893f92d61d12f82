// SPDX-License-Identifier: MIT
// velmora-render: writes the map area of the viewer for one map file to a PNG
// picture, without a window and without a display.

#include "commandLine.h"
#include "localTimeZone.h"
#include "mapFile.h"
#include "mapReader.h"
#include "myMap.h"
#include "outputFile.h"

#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QString>

#include <cerrno>
#include <cstdlib>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum exitCode { success = 0, failure = 1 };

const commandLine::program renderProgram = {
    "velmora-render",
    VELMORA_VERSION,
    "MAP [OUT.png]",
    "Writes the 928 by 480 map area that the 3D Velmora viewer shows for MAP\n"
    "to a PNG picture, by default MAP's name with .png; OUT.png may be \"-\"\n"
    "for standard output.\n",
    {},
    2,
    failure,
};

const commandLine *running = nullptr;
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
        running->fail(failure, "the Qt platform \"" + qgetenv("QT_QPA_PLATFORM") + '"',
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

// The map area as the viewer shows it, as a PNG file's bytes; empty when
// memory ran out.
QByteArray picture(const QByteArray &codes)
{
    myMap area;
    area.showCodes(codes);
    // Shown as the viewer shows it, so that the background takes its size as
    // it does on the first show, but never on a screen.
    area.setAttribute(Qt::WA_DontShowOnScreen);
    area.show();
    // Encoded in memory first, so that the output's only failures are the
    // system's. Grabbing a shown widget and encoding into memory fail only
    // for want of memory, which the encoder reports as a failed write.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!QImageWriter(&buffer, "png").write(area.grab().toImage()))
        return QByteArray();
    return png;
}

// Qt checks most allocations but not all: some of its code crashes where
// memory runs out. So the address space a render takes from here on, about
// 8 MiB on Qt 6.4, is asked for twice over before Qt starts; where a limit
// (ulimit -v) leaves less, the program ends with its one line instead.
bool enoughMemoryAhead()
{
    constexpr size_t renderNeeds = 16u << 20;
    void *room = ::mmap(nullptr, renderNeeds, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (room == MAP_FAILED)
        return false;
    ::munmap(room, renderNeeds);
    return true;
}

int render(commandLine &cli, char *program)
{
    const QByteArray mapPath = cli.names().at(0);
    const QByteArray outPath = cli.names().size() > 1 ? cli.names().at(1) : defaultOutput(mapPath);
    mapFile map;
    mapReader reader;
    if (!map.openMap(mapPath) || !map.readMap(reader))
        return cli.fail(failure, mapPath, map.errorString());
    struct stat mapStatus;
    if (::fstat(map.handle(), &mapStatus) != 0)
        return cli.fail(failure, mapPath, commandLine::reasonOf(errno));

    if (!enoughMemoryAhead())
        return cli.fail(failure, QByteArray(), commandLine::reasonOf(ENOMEM));
    nameLocalTimeZone();
    defaultHandler = qInstallMessageHandler(qtMessage);
    // No display is needed unless the user asks for a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt is given the program's name alone: every argument is the renderer's
    // own, so that a map named "-style" is a map.
    int qtArgc = 1;
    char *qtArgv[] = {program, nullptr};
    startingQt = true;
    QApplication application(qtArgc, qtArgv);
    startingQt = false;

    const QByteArray png = picture(reader.codes());
    if (png.isEmpty())
        return cli.fail(failure, QByteArray(), commandLine::reasonOf(ENOMEM));
    if (outPath != "-") {
        const QString problem = outputFile::write(outPath, png, mapStatus);
        return problem.isEmpty() ? success : cli.fail(failure, outPath, problem);
    }
    struct stat outStatus;
    if (::fstat(STDOUT_FILENO, &outStatus) == 0 && outStatus.st_dev == mapStatus.st_dev
        && outStatus.st_ino == mapStatus.st_ino)
        return cli.fail(failure, outPath, QStringLiteral("is the map itself; name another output"));
    cli.print(png);
    const int error = cli.flushOutput();
    return error ? cli.fail(failure, outPath, commandLine::reasonOf(error)) : success;
}

} // namespace

int main(int argc, char *argv[])
{
    commandLine cli(renderProgram);
    running = &cli;
    return cli.run(argc, argv, [&cli, argv] { return render(cli, argv[0]); });
}
