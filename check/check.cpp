// SPDX-License-Identifier: MIT
// velmora-check: tells map authors where a map file and the grid the viewer
// shows for it part ways, in the FILE:LINE:COLUMN: form that editors and CI
// systems read.

#include "commandLine.h"
#include "mapChecker.h"
#include "mapFile.h"
#include "mapReader.h"

#include <QByteArray>
#include <QString>

#include <algorithm>

namespace {

enum exitCode { clean = 0, warnings = 1, trouble = 2 };

const commandLine::program checkProgram = {
    "velmora-check",
    VELMORA_VERSION,
    "[--grid] MAP...",
    "Reads each MAP as the 3D Velmora viewer does and says, one line each, where\n"
    "the grid it shows differs from what the file seems to mean. Exit status: 0\n"
    "when no map has a warning, 1 when one has, 2 when a map cannot be read or\n"
    "the output cannot be written.\n",
    {{"grid", 0, nullptr,
      "After each map's diagnostics, print its 14 rows of codes\nas the viewer places them."}},
    -1,
    trouble,
};

// Checks one map: its diagnostics, then its grid if asked for.
int check(commandLine &cli, const QByteArray &path)
{
    mapFile file;
    mapReader reader;
    mapChecker checker;
    if (!file.openMap(path) || !file.readMap(reader, &checker))
        return cli.fail(trouble, path, file.errorString());
    const QByteArray name = commandLine::escaped(path);
    int result = clean;
    for (const mapChecker::diagnostic &found : checker.finish()) {
        cli.print(name + ':' + QByteArray::number(found.line) + ':'
                  + QByteArray::number(found.column) + (found.warning ? ": warning: " : ": note: ")
                  + found.message + '\n');
        if (found.warning)
            result = warnings;
    }
    if (cli.isSet("grid"))
        cli.print(mapChecker::gridText(reader.codes()));
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    commandLine cli(checkProgram);
    return cli.run(argc, argv, [&cli] {
        int result = clean;
        for (const QByteArray &map : cli.names())
            result = std::max(result, check(cli, map));
        return result;
    });
}
