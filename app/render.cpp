// SPDX-License-Identifier: MIT
// velmora-render: writes the map area of the viewer for one map file to a PNG
// picture, without a window and without a display.

#include "myMap.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>
#include <QString>
#include <QStringList>

#include <cstdio>

namespace {

enum ExitCode { success = 0, failure = 1, usageError = 2 };

QtMessageHandler defaultHandler = nullptr;

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

// MAP's path with its last suffix, if any, replaced by .png.
QString defaultOutput(const QString &mapPath)
{
    const QFileInfo info(mapPath);
    const QString base = info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
    return QDir(info.path()).filePath(base + QStringLiteral(".png"));
}

// Why the map cannot be read, or an empty string when it can.
QString mapProblem(const QFileInfo &map)
{
    if (!map.exists())
        return QStringLiteral("no such file");
    if (!map.isFile())
        return QStringLiteral("not a regular file");
    QFile file(map.absoluteFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot be read (%1)").arg(file.errorString());
    return QString();
}

// Qt's own notes (such as a missing XDG_RUNTIME_DIR) would mix with the
// program's one line; only Qt's critical and fatal errors are let through.
void qtMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        defaultHandler(type, context, message);
}

} // namespace

int main(int argc, char *argv[])
{
    defaultHandler = qInstallMessageHandler(qtMessage);
    // No display is needed unless the user asks for a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmora-render"));
    QApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes the 928 by 480 map area that the 3D Velmora viewer shows for MAP\n"
                       "to a PNG picture, by default MAP's name with .png."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("MAP"), QStringLiteral("The map file to show."));
    parser.addPositionalArgument(QStringLiteral("OUT.png"), QStringLiteral("The picture to write."),
                                 QStringLiteral("[OUT.png]"));
    if (!parser.parse(QApplication::arguments()))
        return usage(parser.errorText());
    // Qt's own options are listed by the parser itself, which then exits.
    if (parser.isSet(QStringLiteral("help-all")))
        parser.process(QApplication::arguments());
    if (parser.isSet(helpOption)) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return success;
    }
    if (parser.isSet(versionOption)) {
        std::fputs("velmora-render " VELMORA_VERSION "\n", stdout);
        return success;
    }
    const QStringList arguments = parser.positionalArguments();
    if (arguments.isEmpty())
        return usage(QStringLiteral("no map file given"));
    if (arguments.size() > 2)
        return usage(QStringLiteral("too many arguments"));
    if (arguments.contains(QString()))
        return usage(QStringLiteral("an empty name was given"));

    const QString mapPath = arguments.at(0);
    const QString outPath = arguments.size() > 1 ? arguments.at(1) : defaultOutput(mapPath);
    const QFileInfo map(mapPath);
    const QString problem = mapProblem(map);
    if (!problem.isEmpty())
        return fail(failure, mapPath, problem);
    // Resolved before leaving the working folder, where a relative name belongs.
    const QFileInfo out(QFileInfo(outPath).absoluteFilePath());
    if (out.exists() && out.canonicalFilePath() == map.canonicalFilePath())
        return fail(failure, outPath, QStringLiteral("is the map itself; name another output"));
    if (out.isDir())
        return fail(failure, outPath, QStringLiteral("is a folder"));

    // The viewer's reader takes names relative to the working folder, so it is
    // given the map's file name from inside the map's folder.
    if (!QDir::setCurrent(map.absolutePath()))
        return fail(failure, map.absolutePath(), QStringLiteral("cannot enter the folder"));
    myMap area;
    area.loadMap(map.fileName());
    // Shown as the viewer shows it, so that the background takes its size as
    // it does on the first show, but never on a screen.
    area.setAttribute(Qt::WA_DontShowOnScreen);
    area.show();
    const QImage picture = area.grab().toImage();

    // The picture goes to a temporary file beside the output, renamed over it
    // only once complete: a failure never leaves a half-written output.
    QSaveFile file(out.filePath());
    if (!file.open(QIODevice::WriteOnly))
        return fail(failure, outPath,
                    QStringLiteral("cannot be written (%1)").arg(file.errorString()));
    QImageWriter writer(&file, "png");
    if (!writer.write(picture)) {
        file.cancelWriting();
        return fail(failure, outPath,
                    QStringLiteral("cannot be written (%1)").arg(writer.errorString()));
    }
    if (!file.commit())
        return fail(failure, outPath,
                    QStringLiteral("cannot be written (%1)").arg(file.errorString()));
    return success;
}
