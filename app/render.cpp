// SPDX-License-Identifier: MIT
// velmora-render: writes the map area of the viewer for one map file to a PNG
// picture, without a window and without a display.

#include "mapFile.h"
#include "mapReader.h"
#include "myMap.h"
#include "qtTranslations.h"

#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum exitCode { success = 0, failure = 1, usageError = 2 };

QtMessageHandler defaultHandler = nullptr;
bool startingQt = false;
QString platformReason;

// Unlike the viewer, the renderer runs in scripts: every failure is one line on
// stderr, naming the path and the reason.
int fail(int code, const QString &what, const QString &reason)
{
    const QString line = QStringLiteral("velmora-render: %1: %2\n").arg(what, reason);
    std::fputs(line.toLocal8Bit().constData(), stderr);
    return code;
}

int usage(QString reason)
{
    if (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    const QString line =
        QStringLiteral("velmora-render: %1 (usage: velmora-render MAP [OUT.png], or --help)\n")
            .arg(reason);
    std::fputs(line.toLocal8Bit().constData(), stderr);
    return usageError;
}

QString reasonOf(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Qt's own notes (such as a missing XDG_RUNTIME_DIR) would mix with the
// program's one line, so only its critical errors are let through. A platform
// that cannot start is Qt's fatal error, which would abort: it becomes the
// program's one line instead, with the reason Qt gave just before.
void qtMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (startingQt && type == QtFatalMsg) {
        fail(failure, QStringLiteral("the Qt platform \"%1\"").arg(qEnvironmentVariable("QT_QPA_PLATFORM")),
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

// MAP's path with its last suffix, if any, replaced by .png.
QString defaultOutput(const QString &mapPath)
{
    const QFileInfo info(mapPath);
    const QString base = info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
    return QDir(info.path()).filePath(base + QStringLiteral(".png"));
}

// Every byte of bytes to fd; 0, or the errno of the write that failed.
int writeAll(int fd, const QByteArray &bytes)
{
    for (qint64 done = 0; done < bytes.size();) {
        const ssize_t written = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        // Nothing written and no error: a device that takes no more.
        if (written == 0)
            return EIO;
        done += written;
    }
    return 0;
}

// Interrupts are held back while a temporary file exists, so that one never
// stays behind; they are delivered once the rename is done or undone.
class interruptsHeld
{
public:
    interruptsHeld()
    {
        sigset_t held;
        sigemptyset(&held);
        for (int signal : {SIGINT, SIGTERM, SIGHUP})
            sigaddset(&held, signal);
        sigprocmask(SIG_BLOCK, &held, &before);
    }
    ~interruptsHeld() { sigprocmask(SIG_SETMASK, &before, nullptr); }

private:
    sigset_t before;
};

// Writes png to the output named outPath: straight into a FIFO, a device or
// standard output ("-"), which are never replaced; a regular file is replaced
// whole by a rename, so that a failure leaves the old one as it was. map is
// the map's own status, which the output must not be. An empty string, or the
// reason the output cannot be written.
QString writeOutput(const QString &outPath, const QByteArray &png, const struct stat &map)
{
    if (outPath == QLatin1String("-")) {
        const int error = writeAll(STDOUT_FILENO, png);
        return error ? reasonOf(error) : QString();
    }
    // Opening without creating or truncating changes nothing yet, and the
    // questions that follow are asked of what was opened, not of the name.
    const int fd = ::open(QFile::encodeName(outPath).constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 && errno != ENOENT)
        return reasonOf(errno);
    if (fd >= 0) {
        struct stat status;
        if (::fstat(fd, &status) != 0) {
            const int error = errno;
            ::close(fd);
            return reasonOf(error);
        }
        if (status.st_dev == map.st_dev && status.st_ino == map.st_ino) {
            ::close(fd);
            return QStringLiteral("is the map itself; name another output");
        }
        if (!S_ISREG(status.st_mode)) {
            int error = writeAll(fd, png);
            if (::close(fd) != 0 && !error)
                error = errno;
            return error ? reasonOf(error) : QString();
        }
        ::close(fd);
    }
    const interruptsHeld held;
    QSaveFile file(outPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(png) != png.size() || !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    return QString();
}

} // namespace

int main(int argc, char *argv[])
{
    defaultHandler = qInstallMessageHandler(qtMessage);
    // No display is needed unless the user asks for a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt is given the program's name alone: every argument is the renderer's
    // own, so that a map named "-style" is a map.
    int qtArgc = 1;
    startingQt = true;
    QApplication application(qtArgc, argv);
    startingQt = false;
    loadQtTranslations();
    QApplication::setApplicationName(QStringLiteral("velmora-render"));
    QApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QFile::decodeName(argv[i]));
    QCommandLineParser parser;
    // "-style" is one unknown option, not six short ones.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Writes the 928 by 480 map area that the 3D Velmora viewer shows for MAP\n"
                       "to a PNG picture, by default MAP's name with .png; OUT.png may be \"-\"\n"
                       "for standard output."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("MAP"), QStringLiteral("The map file to show."));
    parser.addPositionalArgument(QStringLiteral("OUT.png"), QStringLiteral("The picture to write."),
                                 QStringLiteral("[OUT.png]"));
    if (!parser.parse(arguments))
        return usage(parser.errorText());
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return success;
    }
    if (parser.isSet(versionOption)) {
        std::fputs("velmora-render " VELMORA_VERSION "\n", stdout);
        return success;
    }
    const QStringList names = parser.positionalArguments();
    if (names.isEmpty())
        return usage(QStringLiteral("no map file given"));
    if (names.size() > 2)
        return usage(QStringLiteral("too many arguments"));
    if (names.contains(QString()))
        return usage(QStringLiteral("an empty name was given"));
    const QString mapPath = names.at(0);
    const QString outPath = names.size() > 1 ? names.at(1) : defaultOutput(mapPath);

    mapFile map;
    mapReader reader;
    if (!map.openMap(mapPath) || !map.readMap(reader))
        return fail(failure, mapPath, map.errorString());
    struct stat mapStatus;
    if (::fstat(map.handle(), &mapStatus) != 0)
        return fail(failure, mapPath, reasonOf(errno));

    myMap area;
    area.showCodes(reader.codes());
    // Shown as the viewer shows it, so that the background takes its size as
    // it does on the first show, but never on a screen.
    area.setAttribute(Qt::WA_DontShowOnScreen);
    area.show();
    // Encoded in memory first: the only failures left are the system's.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!QImageWriter(&buffer, "png").write(area.grab().toImage()))
        return fail(failure, outPath, QStringLiteral("cannot encode the picture"));
    const QString problem = writeOutput(outPath, png, mapStatus);
    if (!problem.isEmpty())
        return fail(failure, outPath, problem);
    return success;
}
