// SPDX-License-Identifier: MIT
#include "mapFile.h"
#include "mapReader.h"
#include "testSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

// The Tiled extension, run by the real Tiled as a map author runs it, without
// a display: `tiled --export-map FORMAT IN OUT` reads and writes through it.
// Two scripts of the test's own sit beside it in the extensions folder: one
// prints every Tiled warning on standard error, since a headless export shows
// none, and keeps them with what activating them does; one registers a format
// "velmora-probe" that prints what the velmora format's write answers, which
// Tiled's command line leaves out. Tiled's window, on the offscreen platform,
// has a third, which opens a map and activates its warnings as a double click
// in the Issues panel does.
class TestTiled : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void roundTrip_data();
    void roundTrip();
    void readsTheViewersGrid();
    void writes_data();
    void writes();
    void refusals_data();
    void refusals();
    void needsVelmoraCheck();
    void issuesLeadToTheCell();

private:
    // Tiled run headless with the extension, velmora-check on PATH unless
    // path says otherwise; what it printed all in err.
    programRun tiled(const QStringList &arguments, const QString &path = QString());
    // Tiled's environment, with the configuration folder config under the
    // temporary folder, and velmora-check on PATH unless another PATH is given.
    QProcessEnvironment tiledEnvironment(const QString &config, const QString &path = QString()) const;
    // The viewer's grid for the file, codes outside '1' to '8' as '0', one
    // line of 14 codes a row.
    static QByteArray viewersGrid(const QString &map);
    // A TMX map of the codes (a string of rows of codes, '0' for an empty
    // cell) on the installed tileset, its layers each given as rows.
    QString tmxFile(const QString &name, const QList<QStringList> &layers, const QString &extra = {});

    QTemporaryDir dir;
    QString checkFolder;
};

namespace {

const QString extensionFolder = QStringLiteral(VELMORA_TILED_DIR);

const char recordWarnings[] = R"(// Prints each warning on standard error too, and
// keeps it with what activating it does.
recordedWarnings = [];
(function () {
    const real = tiled;
    tiled = new Proxy(real, {
        get(target, name) {
            if (name === "warn")
                return function (message, activated) {
                    console.warn("tiled warning: " + message);
                    recordedWarnings.push({message: message, activated: activated});
                    target.warn(message, activated);
                };
            const value = target[name];
            // Signals are functions too, with their own members.
            return typeof value === "function" && !value.connect ? value.bind(target) : value;
        },
    });
})();
)";

// In Tiled's window: opens %1, then %2, then activates each warning, as a
// double click in the Issues panel does, and writes to %3 what it selects in
// which map.
const char activateWarnings[] = R"(tiled.open("%1");
const other = tiled.open("%2");
const out = new TextFile("%3", TextFile.WriteOnly);
for (const warning of recordedWarnings) {
    tiled.activeAsset = other;
    if (warning.activated)
        warning.activated();
    const area = tiled.activeAsset.selectedArea.boundingRect;
    out.writeLine(warning.activated ? tiled.activeAsset.fileName + " " + area.x + "," + area.y + " "
                                      + area.width + "x" + area.height : "none");
}
out.commit();
)";
const char probeFormat[] = R"(// The velmora format's answer to a write, printed. Called
// from a script, a format throws what it would show in Tiled's window.
tiled.registerMapFormat("velmora-probe", {
    name: "probe",
    extension: "probe",
    write: function (map, fileName) {
        try {
            tiled.mapFormat("velmora").write(map, fileName);
        } catch (error) {
            console.warn("velmora answers: " + error.message);
            return error.message;
        }
        console.warn("velmora answers nothing");
        return undefined;
    },
});
)";

// count rows, each row; Qt 5's lists have no such constructor.
QStringList rowsOf(int count, const QString &row)
{
    QStringList rows;
    for (int i = 0; i < count; ++i)
        rows << row;
    return rows;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// What Tiled printed through the recording script, in order.
QByteArrayList printed(const QByteArray &err, const QByteArray &prefix)
{
    QByteArrayList lines;
    for (const QByteArray &line : err.split('\n')) {
        const int at = line.indexOf(prefix);
        if (at >= 0)
            lines.append(line.mid(at + prefix.size()));
    }
    return lines;
}

} // namespace

void TestTiled::initTestCase()
{
    QVERIFY(dir.isValid());
    const QDir extensions(dir.filePath(QStringLiteral("config/tiled/extensions")));
    QVERIFY(extensions.mkpath(QStringLiteral(".")));
    // Enabled as the README tells users: the installed folder linked in.
    QVERIFY(QFile::link(extensionFolder, extensions.filePath(QStringLiteral("velmora"))));
    QVERIFY(writeFile(extensions.filePath(QStringLiteral("0-recordWarnings.js")), recordWarnings));
    QVERIFY(writeFile(extensions.filePath(QStringLiteral("1-probeFormat.js")), probeFormat));
    checkFolder = QFileInfo(QStringLiteral(VELMORA_CHECK)).absolutePath();
    QVERIFY(QDir::setCurrent(dir.path()));
}

QProcessEnvironment TestTiled::tiledEnvironment(const QString &config, const QString &path) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(config));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("PATH"),
                       path.isNull() ? checkFolder + QLatin1Char(':') + environment.value(QStringLiteral("PATH"))
                                     : path);
    return environment;
}

programRun TestTiled::tiled(const QStringList &arguments, const QString &path)
{
    programRun run = runProgram(QStringLiteral(VELMORA_TILED), arguments, QString(),
                                tiledEnvironment(QStringLiteral("config"), path));
    run.err += run.out;
    return run;
}

QByteArray TestTiled::viewersGrid(const QString &map)
{
    mapFile file;
    mapReader reader;
    if (!file.openMap(QFile::encodeName(map)) || !file.readMap(reader))
        return QByteArray("(unreadable)");
    QByteArray grid;
    const QByteArray codes = reader.codes();
    for (int i = 0; i < codes.size(); ++i) {
        grid += codes.at(i) >= '1' && codes.at(i) <= '8' ? codes.at(i) : '0';
        if (i % mapReader::gridSize == mapReader::gridSize - 1)
            grid += '\n';
    }
    return grid;
}

QString TestTiled::tmxFile(const QString &name, const QList<QStringList> &layers, const QString &extra)
{
    const int height = int(layers.value(0).size());
    const int width = height ? int(layers.at(0).at(0).size()) : 0;
    QString xml = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<map version=\"1.8\" orientation=\"isometric\" renderorder=\"right-down\" width=\"%1\" "
        "height=\"%2\" tilewidth=\"64\" tileheight=\"32\" infinite=\"0\">\n"
        " <tileset firstgid=\"1\" source=\"%3/velmora.tsx\"/>\n%4")
                      .arg(width)
                      .arg(height)
                      .arg(extensionFolder, extra);
    int id = 1;
    for (const QStringList &rows : layers) {
        QStringList cells;
        for (const QString &row : rows)
            for (const QChar code : row)
                // Tile ids 0 to 7 are codes '1' to '8'; 0 is an empty cell,
                // and a letter a tile of the tileset given in extra.
                cells << QString::number(code.isDigit() ? code.digitValue()
                                                         : 9 + code.unicode() - 'a');
        xml += QStringLiteral(" <layer id=\"%1\" name=\"layer %1\" width=\"%2\" height=\"%3\">\n"
                              "  <data encoding=\"csv\">%4</data>\n </layer>\n")
                   .arg(id++)
                   .arg(rows.value(0).size())
                   .arg(rows.size())
                   .arg(cells.join(QLatin1Char(',')));
    }
    xml += QStringLiteral("</map>\n");
    const QString path = dir.filePath(name);
    return writeFile(path, xml.toUtf8()) ? path : QString();
}

void TestTiled::roundTrip_data()
{
    QTest::addColumn<QString>("map");
    for (const QString &sample : QDir(QStringLiteral(VELMORA_MAPS)).entryList({QStringLiteral("*.map")}))
        QTest::newRow(qPrintable(sample)) << QStringLiteral(VELMORA_MAPS "/") + sample;

    // Generated: every byte as a code, and grids of codes and the bytes the
    // reader skips or stumbles on, from fixed seeds.
    QByteArray everyByte;
    for (int byte = 1; byte < 256; ++byte)
        everyByte += char(byte);
    struct generatedMap {
        const char *name;
        QByteArray bytes;
    };
    QList<generatedMap> generated = {
        {"every byte", everyByte},
        {"empty file", QByteArray()},
        {"long lines, CR LF, a byte order mark", "\xef\xbb\xbf" + QByteArray("12345678123456781\r\n").repeated(20)},
    };
    const QByteArray alphabet("0123456789x\t \r\n\n\n\0", 18);
    for (quint32 seed = 1; seed <= 3; ++seed) {
        QRandomGenerator random(seed);
        QByteArray bytes;
        for (int i = 0; i < 260; ++i)
            bytes += alphabet.at(int(random.bounded(quint32(alphabet.size()))));
        generated.append({seed == 1 ? "random 1" : seed == 2 ? "random 2" : "random 3", bytes});
    }
    for (const generatedMap &each : generated) {
        const QString path = dir.filePath(QString::fromLatin1(each.name).replace(QLatin1Char(' '), QLatin1Char('_'))
                                          + QStringLiteral(".map"));
        QVERIFY(writeFile(path, each.bytes));
        QTest::newRow(each.name) << path;
    }
    // Relative, as Tiled hands it over, and like an option to velmora-check.
    QVERIFY(writeFile(QStringLiteral("-x.map"), uniformMap('5')));
    QTest::newRow("a relative name like an option") << QStringLiteral("-x.map");
}

// Read then written, any map is the viewer's grid, codes outside '1' to '8'
// as '0'; velmora-check's diagnostics came as Tiled warnings.
void TestTiled::roundTrip()
{
    QFETCH(QString, map);
    const QString out = dir.filePath(QStringLiteral("out.map"));
    QFile::remove(out);
    const programRun run = tiled({QStringLiteral("--export-map"), QStringLiteral("velmora"), QStringLiteral("--"), map, out});
    QVERIFY2(run.exitCode == 0, run.err);
    QCOMPARE(readAll(out), viewersGrid(map));

    QByteArrayList diagnostics = runProgram(QStringLiteral(VELMORA_CHECK), {QStringLiteral("--"), map}).out.split('\n');
    diagnostics.removeAll(QByteArray());
    QCOMPARE(printed(run.err, "tiled warning: "), diagnostics);
}

// Opened in Tiled, a map is an isometric 14 by 14 map of 64 by 32 tiles with
// one tile layer, whose cells show the viewer's pictures and carry its codes,
// over the viewer's background.
void TestTiled::readsTheViewersGrid()
{
    const QString map = QStringLiteral(VELMORA_MAPS "/test.map");
    const QString json = dir.filePath(QStringLiteral("test.json"));
    const programRun run = tiled({QStringLiteral("--export-map"), QStringLiteral("json"), map, json});
    QVERIFY2(run.exitCode == 0, run.err);
    const QJsonObject root = QJsonDocument::fromJson(readAll(json)).object();
    QCOMPARE(root.value(QStringLiteral("orientation")).toString(), QStringLiteral("isometric"));
    QCOMPARE(root.value(QStringLiteral("width")).toInt(), 14);
    QCOMPARE(root.value(QStringLiteral("height")).toInt(), 14);
    QCOMPARE(root.value(QStringLiteral("tilewidth")).toInt(), 64);
    QCOMPARE(root.value(QStringLiteral("tileheight")).toInt(), 32);
    const QRgb background = QImage(QStringLiteral(":/Background/vide.jpg")).pixel(0, 0);
    QCOMPARE(root.value(QStringLiteral("backgroundcolor")).toString(), QColor(background).name());
    const QJsonArray layers = root.value(QStringLiteral("layers")).toArray();
    QCOMPARE(layers.size(), 1);
    QCOMPARE(layers.at(0).toObject().value(QStringLiteral("type")).toString(), QStringLiteral("tilelayer"));
    const QJsonArray tilesets = root.value(QStringLiteral("tilesets")).toArray();
    QCOMPARE(tilesets.size(), 1);
    const QJsonObject tileset = tilesets.at(0).toObject();

    // Each tile's code, and its picture as the viewer shows that code.
    const QImage sheet(QFileInfo(json).absoluteDir().filePath(tileset.value(QStringLiteral("image")).toString()));
    QCOMPARE(sheet.size(), QSize(576, 32));
    QHash<int, char> codeOfTile;
    for (const QJsonValue tile : tileset.value(QStringLiteral("tiles")).toArray()) {
        const int id = tile.toObject().value(QStringLiteral("id")).toInt();
        const QJsonArray properties = tile.toObject().value(QStringLiteral("properties")).toArray();
        QCOMPARE(properties.size(), 1);
        QCOMPARE(properties.at(0).toObject().value(QStringLiteral("name")).toString(), QStringLiteral("code"));
        QCOMPARE(properties.at(0).toObject().value(QStringLiteral("type")).toString(), QStringLiteral("string"));
        const QString code = properties.at(0).toObject().value(QStringLiteral("value")).toString();
        QVERIFY(code.size() == 1 && code.at(0) >= QLatin1Char('0') && code.at(0) <= QLatin1Char('8'));
        codeOfTile.insert(id, code.at(0).toLatin1());
        const QImage shown = sheet.copy(id * 64, 0, 64, 32).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QVERIFY2(shown == tileImage(groundPicture(code.at(0).toLatin1()))
                              .convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 qPrintable("tile " + QString::number(id) + " is not the viewer's picture of code " + code));
    }
    QCOMPARE(codeOfTile.size(), 9);

    const int firstGid = tileset.value(QStringLiteral("firstgid")).toInt();
    // Tiled's default layer data: little-endian global tile ids, zlib'ed, in
    // base64; qUncompress wants the size in front, big-endian.
    const QJsonObject layer = layers.at(0).toObject();
    QCOMPARE(layer.value(QStringLiteral("encoding")).toString(), QStringLiteral("base64"));
    QCOMPARE(layer.value(QStringLiteral("compression")).toString(), QStringLiteral("zlib"));
    const QByteArray data = qUncompress(QByteArray::fromHex("00000310")
                                        + QByteArray::fromBase64(layer.value(QStringLiteral("data")).toString().toLatin1()));
    QCOMPARE(data.size(), 14 * 14 * 4);
    QByteArray cells;
    for (int i = 0; i < 14 * 14; ++i) {
        const int gid = qFromLittleEndian<qint32>(data.constData() + 4 * i);
        // Every cell has a tile, the empty ground's for any code without a picture.
        cells += gid ? codeOfTile.value(gid - firstGid, '?') : '-';
        if (i % 14 == 13)
            cells += '\n';
    }
    QCOMPARE(cells, viewersGrid(map));
}

void TestTiled::writes_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QByteArray>("expected");
    QStringList full;
    QByteArray fullText;
    for (int row = 0; row < 14; ++row) {
        QString line;
        for (int col = 0; col < 14; ++col)
            line += QChar(QLatin1Char(char('0' + (row + col) % 9)));
        full << line;
        fullText += line.toLatin1() + '\n';
    }
    QTest::newRow("14 by 14, every code and empty cells") << full << fullText;
    // Tile 9 of the list, the empty ground's.
    QTest::newRow("the empty ground's tile") << QStringList{"19", "91"}
                                             << "10000000000000\n01000000000000\n" + QByteArray("00000000000000\n").repeated(12);
    QTest::newRow("smaller: the rest is '0'")
        << QStringList{"123", "456"}
        << "12300000000000\n45600000000000\n" + QByteArray("00000000000000\n").repeated(12);
}

// A map made in Tiled on the tileset, saved as a .map that velmora-check
// passes without a word.
void TestTiled::writes()
{
    QFETCH(QStringList, rows);
    QFETCH(QByteArray, expected);
    const QString in = tmxFile(QStringLiteral("in.tmx"), {rows});
    const QString out = dir.filePath(QStringLiteral("out.map"));
    QVERIFY(writeFile(out, "an older map\n"));
    const programRun run = tiled({QStringLiteral("--export-map"), QStringLiteral("velmora"), in, out});
    QVERIFY2(run.exitCode == 0, run.err);
    QCOMPARE(readAll(out), expected);

    const programRun check = runProgram(QStringLiteral(VELMORA_CHECK), {QStringLiteral("--"), out});
    QCOMPARE(check.out, QByteArray());
    QCOMPARE(check.exitCode, 0);
}

void TestTiled::refusals_data()
{
    QTest::addColumn<QList<QStringList>>("layers");
    QTest::addColumn<QString>("extra");
    QTest::addColumn<QByteArray>("reason");
    const QString row14(14, QLatin1Char('2'));
    const QStringList grid14 = rowsOf(14, row14);
    QTest::newRow("15 columns") << QList<QStringList>{rowsOf(14, row14 + "2")} << QString()
                                << QByteArray("the tile layer \"layer 1\" is 15 by 14 tiles; a 3D Velmora map is at most 14 by 14");
    QTest::newRow("15 rows") << QList<QStringList>{rowsOf(15, row14)} << QString()
                             << QByteArray("is 14 by 15 tiles");
    QTest::newRow("two tile layers") << QList<QStringList>{grid14, grid14} << QString()
                                     << QByteArray("the map has 2 tile layers; a 3D Velmora map is exactly one");
    // The same pictures as a tileset of Tiled's own, named %2, its tiles %3.
    const QString tileset = QStringLiteral(
        " <tileset firstgid=\"9\" name=\"%2\" tilewidth=\"64\" tileheight=\"32\" tilecount=\"8\" columns=\"8\">\n"
        "  <image source=\"%1/velmora.png\" width=\"512\" height=\"32\"/>\n%3 </tileset>\n");
    const QList<QStringList> oneOfTheirs{rowsOf(14, QStringLiteral("22222a22222222"))};
    QTest::newRow("a tile without a code") << oneOfTheirs << tileset.arg(extensionFolder, "plain", "")
                                           << QByteArray("the tile 0 of the tileset \"plain\" at 5,0 has no \"code\" property");
    QTest::newRow("a tile whose code is a space")
        << oneOfTheirs
        << tileset.arg(extensionFolder, "spaced",
                       "  <tile id=\"0\"><properties><property name=\"code\" value=\" \"/></properties></tile>\n")
        << QByteArray("the tile 0 of the tileset \"spaced\" at 5,0 has the code \" \"");
}

// Refused with the reason, and nothing written: an existing file stays.
void TestTiled::refusals()
{
    QFETCH(QList<QStringList>, layers);
    QFETCH(QString, extra);
    QFETCH(QByteArray, reason);
    const QString in = tmxFile(QStringLiteral("refused.tmx"), layers, extra);
    const QString out = dir.filePath(QStringLiteral("kept.map"));
    QVERIFY(writeFile(out, "an older map\n"));
    for (const char *format : {"velmora", "velmora-probe"}) {
        const programRun run = tiled({QStringLiteral("--export-map"), QLatin1String(format), in, out});
        QVERIFY2(run.exitCode != 0, run.err);
        QCOMPARE(readAll(out), QByteArray("an older map\n"));
        if (QByteArray(format) == "velmora-probe") {
            const QByteArrayList answers = printed(run.err, "velmora answers: ");
            QCOMPARE(answers.size(), 1);
            QVERIFY2(answers.at(0).startsWith("Not saved as a 3D Velmora map: ") && answers.at(0).contains(reason),
                     answers.at(0));
        }
    }
}

// Without velmora-check Tiled reads no map, and says what is missing.
void TestTiled::needsVelmoraCheck()
{
    const QString out = dir.filePath(QStringLiteral("unread.map"));
    QFile::remove(out);
    // A PATH of an empty folder: Tiled is started by its full name.
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("empty")));
    const programRun run = tiled({QStringLiteral("--export-map"), QStringLiteral("velmora"),
                           QStringLiteral(VELMORA_MAPS "/river.map"), out},
                          dir.filePath(QStringLiteral("empty")));
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("cannot run velmora-check, which reads 3D Velmora maps"), run.err);
    QVERIFY(!QFile::exists(out));
}

// Activated in Tiled's Issues panel, a warning brings its map to the front
// with the cells or rows it names selected: maps/broken.map has one of each.
void TestTiled::issuesLeadToTheCell()
{
    // A configuration of its own: the window's script runs after the
    // extension, as a folder after it, and Tiled looks for no news online.
    const QDir config(dir.filePath(QStringLiteral("window")));
    QVERIFY(config.mkpath(QStringLiteral("tiled/extensions/zz")) && config.mkpath(QStringLiteral("mapeditor.org")));
    QVERIFY(QFile::link(extensionFolder, config.filePath(QStringLiteral("tiled/extensions/velmora"))));
    QVERIFY(writeFile(config.filePath(QStringLiteral("tiled/extensions/0-recordWarnings.js")), recordWarnings));
    const QString map = QStringLiteral(VELMORA_MAPS "/broken.map");
    const QString out = dir.filePath(QStringLiteral("activated.txt"));
    QVERIFY(writeFile(config.filePath(QStringLiteral("tiled/extensions/zz/activate.js")),
                      QString::fromLatin1(activateWarnings)
                          .arg(map, QStringLiteral(VELMORA_MAPS "/river.map"), out).toUtf8()));
    QVERIFY(writeFile(config.filePath(QStringLiteral("mapeditor.org/tiled.conf")),
                      "[Install]\nDisplayNews=false\nCheckForUpdates=false\n"));
    QProcess window;
    window.setProcessEnvironment(tiledEnvironment(QStringLiteral("window")));
    window.start(QStringLiteral(VELMORA_TILED), {QStringLiteral("--new-instance")});
    // The window stays open, and is closed once the script has written.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 30000);
    window.kill();
    window.waitForFinished();
    // The byte order mark, the long row 0, the tab, row 2, the carriage
    // return, the x, the two bytes of an é, row 5, the NUL, the lines after the 14th.
    QString expected;
    for (const char *selected : {"0,0 14x1", "0,0 14x1", "4,1 1x1", "0,2 14x1", "", "2,4 1x1", "11,4 2x1", "7,5 7x1", "", ""})
        expected += (*selected ? map + QLatin1Char(' ') + QLatin1String(selected) : QStringLiteral("none")) + QLatin1Char('\n');
    QCOMPARE(QString::fromUtf8(readAll(out)), expected);
}

QTEST_MAIN(TestTiled)
#include "tst_tiled.moc"
