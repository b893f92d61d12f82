// SPDX-License-Identifier: MIT
#include "MainWindow.h"
#include "testSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QLineEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

// velmora-render is run as users run it: as a program, by its path, from a
// working folder of its own, and judged by its picture, its exit code and
// what it prints.
class TestRender : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void matchesTheViewer_data();
    void matchesTheViewer();
    void defaultOutput_data();
    void defaultOutput();
    void failures_data();
    void failures();
    void replacesAnExistingOutputWhole();
    void helpAndVersion_data();
    void helpAndVersion();
    void needsNoDisplay();

private:
    struct Run {
        int exitCode;
        QByteArray out;
        QByteArray err;
    };
    Run render(const QStringList &arguments,
               const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
    // Everything under the temporary folder, as sorted relative paths.
    QStringList filesInDir() const;

    std::unique_ptr<QTemporaryDir> dir;
};

void TestRender::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    QVERIFY(QDir(dir->path()).mkpath(QStringLiteral("maps/sub")));
    QVERIFY(QDir(dir->path()).mkpath(QStringLiteral("elsewhere")));
    // The program is started away from the maps, so that only its own way of
    // reaching them can find them.
    QVERIFY(QDir::setCurrent(dir->filePath(QStringLiteral("elsewhere"))));
}

TestRender::Run TestRender::render(const QStringList &arguments,
                                   const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VELMORA_RENDER), arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return {-1, QByteArray(), process.readAllStandardError()};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

QStringList TestRender::filesInDir() const
{
    QStringList files;
    QDirIterator it(dir->path(),
                    QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(dir->path()).relativeFilePath(it.next()));
    files.sort();
    return files;
}

void TestRender::matchesTheViewer_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("absolute");

    const QByteArray everyCode = "12345678\n9abc0 \tx\r\n" + uniformMap('2');
    QTest::newRow("every code, relative path") << "maps/all.map" << everyCode << false;
    QTest::newRow("every code, absolute path") << "maps/all.map" << everyCode << true;
    QTest::newRow("one ground") << "maps/water.map" << uniformMap('6') << false;
    QTest::newRow("short lines and CR LF")
        << "maps/short.map" << QByteArray("12\r\n3\r\n\r\n456\r\n") << false;
    QTest::newRow("empty file") << "maps/empty.map" << QByteArray() << false;
    QTest::newRow("name with a leading space") << "maps/sub/ odd.map" << uniformMap('7') << false;
}

void TestRender::matchesTheViewer()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, absolute);
    const QString mapPath = dir->filePath(name);
    QVERIFY(writeFile(mapPath, content));
    const QString out = dir->filePath(QStringLiteral("out.png"));

    const QString given = absolute ? mapPath : QStringLiteral("../") + name;
    const Run run = render({given, QStringLiteral("../out.png")});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    const QImage rendered(out);
    QCOMPARE(rendered.size(), QSize(928, 480));

    // The viewer, shown as a user sees it, loading the same map from its folder.
    const QFileInfo map(mapPath);
    QVERIFY(QDir::setCurrent(map.absolutePath()));
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const WindowParts parts = partsOf(window);
    parts.field->setText(map.fileName());
    QTest::mouseClick(parts.button, Qt::LeftButton);
    const QImage shown = parts.map->grab().toImage();
    QCOMPARE(rendered.convertToFormat(QImage::Format_ARGB32),
             shown.convertToFormat(QImage::Format_ARGB32));
}

void TestRender::defaultOutput_data()
{
    QTest::addColumn<QString>("map");
    QTest::addColumn<QString>("picture");
    QTest::newRow("suffix replaced") << "maps/river.map" << "maps/river.png";
    QTest::newRow("no suffix") << "maps/river" << "maps/river.png";
    QTest::newRow("only the last suffix replaced") << "maps/sub/a.b.map" << "maps/sub/a.b.png";
}

void TestRender::defaultOutput()
{
    QFETCH(QString, map);
    QFETCH(QString, picture);
    QVERIFY(writeFile(dir->filePath(map), uniformMap('3')));
    const Run run = render({QStringLiteral("../") + map});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(QImage(dir->filePath(picture)).size(), QSize(928, 480));
    // Nothing but the map and its picture.
    QStringList expected = {QStringLiteral("elsewhere"), QStringLiteral("maps"),
                            QStringLiteral("maps/sub"), map, picture};
    expected.sort();
    QCOMPARE(filesInDir(), expected);
}

void TestRender::failures_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    // What the one line on stderr must name.
    QTest::addColumn<QString>("named");

    QTest::newRow("no argument") << QStringList() << 2 << "MAP";
    QTest::newRow("too many arguments")
        << QStringList{"../maps/a.map", "../a.png", "../b.png"} << 2 << "MAP";
    QTest::newRow("unknown option")
        << QStringList{"--frobnicate", "../maps/a.map"} << 2 << "frobnicate";
    QTest::newRow("empty map name") << QStringList{""} << 2 << "empty";
    QTest::newRow("missing map") << QStringList{"../maps/missing.map"} << 1
                                 << "../maps/missing.map";
    QTest::newRow("map is a folder") << QStringList{"../maps/sub"} << 1 << "../maps/sub";
    QTest::newRow("map is a FIFO") << QStringList{"../maps/fifo.map"} << 1 << "../maps/fifo.map";
    QTest::newRow("output folder missing")
        << QStringList{"../maps/a.map", "../nowhere/a.png"} << 1 << "../nowhere/a.png";
    QTest::newRow("output is a folder")
        << QStringList{"../maps/a.map", "../maps/sub"} << 1 << "../maps/sub";
    QTest::newRow("output is the map")
        << QStringList{"../maps/a.map", "../maps/a.map"} << 1 << "../maps/a.map";
}

void TestRender::failures()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, named);
    QVERIFY(writeFile(dir->filePath(QStringLiteral("maps/a.map")), uniformMap('1')));
#ifdef Q_OS_UNIX
    const QByteArray fifo = QFile::encodeName(dir->filePath(QStringLiteral("maps/fifo.map")));
    QCOMPARE(mkfifo(fifo.constData(), 0600), 0);
#endif
    const QStringList before = filesInDir();
    const Run run = render(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.out, QByteArray());
    QVERIFY2(run.err.startsWith("velmora-render: ") && run.err.endsWith('\n') &&
                 run.err.count('\n') == 1,
             run.err);
    QVERIFY2(run.err.contains(named.toUtf8()), run.err);
    QCOMPARE(QFile(dir->filePath(QStringLiteral("maps/a.map"))).size(), uniformMap('1').size());
    QCOMPARE(filesInDir(), before);
}

void TestRender::replacesAnExistingOutputWhole()
{
    QVERIFY(writeFile(dir->filePath(QStringLiteral("maps/a.map")), uniformMap('5')));
    const QString out = dir->filePath(QStringLiteral("maps/a.png"));
    QVERIFY(writeFile(out, QByteArray(1 << 20, 'x')));

    // A failing render leaves it as it was...
    QCOMPARE(render({QStringLiteral("../maps/missing.map"), out}).exitCode, 1);
    QCOMPARE(QFileInfo(out).size(), qint64(1 << 20));
    // ...and a good one replaces it with the picture alone, leaving no temporary file.
    const QStringList before = filesInDir();
    QCOMPARE(render({QStringLiteral("../maps/a.map")}).exitCode, 0);
    QCOMPARE(QImage(out).size(), QSize(928, 480));
    QVERIFY(QFileInfo(out).size() < (1 << 20));
    QCOMPARE(filesInDir(), before);
}

void TestRender::helpAndVersion_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("--help") << "--help" << QByteArray("Usage: ");
    QTest::newRow("-h") << "-h" << QByteArray("Usage: ");
    QTest::newRow("--help-all") << "--help-all" << QByteArray("Usage: ");
    QTest::newRow("--version") << "--version" << QByteArray("velmora-render " VELMORA_VERSION "\n");
}

void TestRender::helpAndVersion()
{
    QFETCH(QString, option);
    QFETCH(QByteArray, expected);
    const Run run = render({option});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());
    QVERIFY2(run.out.startsWith(expected), run.out);
    if (option != QLatin1String("--version")) {
        QVERIFY(run.out.contains("MAP"));
        QVERIFY(run.out.contains("OUT.png"));
    }
    QCOMPARE(filesInDir(),
             QStringList{QStringLiteral("elsewhere")} << QStringLiteral("maps")
                                                      << QStringLiteral("maps/sub"));
}

// Without a platform chosen and without any display, it still renders.
void TestRender::needsNoDisplay()
{
    QVERIFY(writeFile(dir->filePath(QStringLiteral("maps/a.map")), uniformMap('4')));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    const Run run = render({QStringLiteral("../maps/a.map")}, environment);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(QImage(dir->filePath(QStringLiteral("maps/a.png"))).size(), QSize(928, 480));
}

QTEST_MAIN(TestRender)
#include "tst_render.moc"
