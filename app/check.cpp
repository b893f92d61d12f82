// SPDX-License-Identifier: MIT
// velmora-check: tells map authors where a map file and the grid the viewer
// shows for it part ways, in the FILE:LINE:COLUMN: form that editors and CI
// systems read.

#include "mapChecker.h"
#include "mapFile.h"
#include "mapReader.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdio>

namespace {

enum exitCode { clean = 0, warnings = 1, trouble = 2 };

void print(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

int usage(QString reason)
{
    if (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    print(stderr, QStringLiteral("velmora-check: %1 (usage: velmora-check [--grid] MAP..., or --help)\n")
                      .arg(reason));
    return trouble;
}

// Checks one map: its diagnostics, then its grid if asked for.
int check(const QString &path, bool showGrid)
{
    mapFile file;
    mapReader reader;
    mapChecker checker;
    if (!file.openMap(path) || !file.readMap(reader, &checker, true)) {
        print(stderr, QStringLiteral("velmora-check: %1: %2\n").arg(path, file.errorString()));
        return trouble;
    }
    int result = clean;
    for (const mapChecker::diagnostic &found : checker.finish()) {
        // One arg() for all, so that a '%' in a name stays as it is.
        print(stdout, QStringLiteral("%1:%2:%3: %4: %5\n")
                          .arg(path, QString::number(found.line), QString::number(found.column),
                               found.warning ? QStringLiteral("warning") : QStringLiteral("note"),
                               found.message));
        if (found.warning)
            result = warnings;
    }
    if (showGrid) {
        const QByteArray grid = mapChecker::gridText(reader.codes());
        std::fwrite(grid.constData(), 1, size_t(grid.size()), stdout);
    }
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    // Qt is given the program's name alone: every argument is the checker's own.
    int qtArgc = 1;
    QCoreApplication application(qtArgc, argv);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QFile::decodeName(argv[i]));

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Reads each MAP as the 3D Velmora viewer does and says, one line each, where\n"
                       "the grid it shows differs from what the file seems to mean. Exit status: 0\n"
                       "when no map has a warning, 1 when one has, 2 when a map cannot be read."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption gridOption(
        QStringLiteral("grid"), QStringLiteral("After each map's diagnostics, print its 14 rows of codes "
                                               "as the viewer places them."));
    parser.addOption(gridOption);
    parser.addPositionalArgument(QStringLiteral("MAP"), QStringLiteral("The map files to check."),
                                 QStringLiteral("MAP..."));
    if (!parser.parse(arguments))
        return usage(parser.errorText());
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        print(stdout, parser.helpText());
        return clean;
    }
    if (parser.isSet(versionOption)) {
        print(stdout, QStringLiteral("velmora-check " VELMORA_VERSION "\n"));
        return clean;
    }
    const QStringList maps = parser.positionalArguments();
    if (maps.isEmpty())
        return usage(QStringLiteral("no map file given"));
    if (maps.contains(QString()))
        return usage(QStringLiteral("an empty name was given"));

    int result = clean;
    for (const QString &map : maps)
        result = qMax(result, check(map, parser.isSet(gridOption)));
    return result;
}
