// SPDX-License-Identifier: MIT
#include "MainWindow.h"
#include "testSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
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
    void thumbnails_data();
    void thumbnails();
    void defaultOutput_data();
    void defaultOutput();
    void failures_data();
    void failures();
    void replacesAnExistingOutputWhole_data();
    void replacesAnExistingOutputWhole();
    void namesAreBytes();
    void nonRegularOutputs_data();
    void nonRegularOutputs();
    void helpAndVersion_data();
    void helpAndVersion();
    void needsNoDisplay();
    void memoryLimits();

private:
    // Everything under the temporary folder, as sorted relative paths.
    QStringList filesInDir() const;
    // A character device of the memory driver (3 is null, 7 full) at name in
    // the temporary folder, or, where this user may not make one, a link to
    // the system's own.
    bool makeDevice(const QString &name, int minor) const;
    // The map area of the viewer, shown as a user sees it, loading the map
    // from its folder; without its code texts if asked.
    static QImage shownByViewer(const QString &mapPath, bool withTexts = true);

    const QTemporaryDir *dir = nullptr;
};

namespace {

programRun render(const QStringList &arguments, const QString &script = QString())
{
    return runProgram(QStringLiteral(VELMORA_RENDER), arguments, script);
}

} // namespace

void TestRender::init()
{
    dir = enterNewFolder();
    QVERIFY(dir);
    QVERIFY(QDir(dir->path()).mkpath(QStringLiteral("maps/sub")));
    QVERIFY(QDir(dir->path()).mkpath(QStringLiteral("elsewhere")));
    // The program is started away from the maps, so that only its own way of
    // reaching them can find them.
    QVERIFY(QDir::setCurrent(dir->filePath(QStringLiteral("elsewhere"))));
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

bool TestRender::makeDevice(const QString &name, int minor) const
{
    const QByteArray path = QFile::encodeName(dir->filePath(name));
    if (::mknod(path.constData(), S_IFCHR | 0666, makedev(1, minor)) == 0)
        return true;
    return ::symlink(minor == 7 ? "/dev/full" : "/dev/null", path.constData()) == 0;
}

QImage TestRender::shownByViewer(const QString &mapPath, bool withTexts)
{
    const QFileInfo map(mapPath);
    if (!QDir::setCurrent(map.absolutePath()))
        return QImage();
    MainWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return QImage();
    const WindowParts parts = partsOf(window);
    parts.field->setText(map.fileName());
    QTest::mouseClick(parts.button, Qt::LeftButton);
    if (!withTexts)
        for (isoCase *tile : tilesOf(*parts.map))
            tile->setTopText(QString());
    return parts.map->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

void TestRender::matchesTheViewer_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    // How the map is named on the command line, from the working folder;
    // %1 is the temporary folder.
    QTest::addColumn<QStringList>("given");

    const QByteArray everyCode = "12345678\n9abc0 \tx\r\n" + uniformMap('2');
    QTest::newRow("every code, relative path") << "maps/all.map" << everyCode
                                               << QStringList{"../maps/all.map"};
    QTest::newRow("every code, absolute path") << "maps/all.map" << everyCode
                                               << QStringList{"%1/maps/all.map"};
    // Every byte that is a code, two maps' worth: glyphs that reach out of
    // their tile, such as the hook of a J, are cut at its edge as a label cuts them.
    QByteArray everyByte;
    for (int byte = 1; byte < 256; ++byte)
        if (byte != '\n' && byte != '\r' && byte != ' ')
            everyByte += char(byte);
    for (int part = 0; part < 2; ++part) {
        QByteArray lines;
        for (int row = 0; row < 14; ++row)
            lines += everyByte.mid((part * 14 + row) * 14, 14) + '\n';
        QTest::newRow(part ? "every byte, second half" : "every byte, first half")
            << "maps/bytes.map" << lines << QStringList{"../maps/bytes.map"};
    }
    QTest::newRow("one ground") << "maps/water.map" << uniformMap('6')
                                << QStringList{"../maps/water.map"};
    QTest::newRow("short lines and CR LF") << "maps/short.map"
                                           << QByteArray("12\r\n3\r\n\r\n456\r\n")
                                           << QStringList{"../maps/short.map"};
    QTest::newRow("empty file") << "maps/empty.map" << QByteArray()
                                << QStringList{"../maps/empty.map"};
    QTest::newRow("name with a leading space") << "maps/sub/ odd.map" << uniformMap('7')
                                               << QStringList{"../maps/sub/ odd.map"};
    // maps/jump leads to maps/sub/inner, so its ".." is maps/sub, not maps.
    QTest::newRow(".. after a symbolic link") << "maps/sub/x.map" << uniformMap('3')
                                              << QStringList{"../maps/jump/../x.map"};
    QTest::newRow("a name like a Qt option, after --")
        << "elsewhere/-style" << uniformMap('5') << QStringList{"--", "-style"};
}

void TestRender::matchesTheViewer()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QStringList, given);
    const QString mapPath = dir->filePath(name);
    QVERIFY(writeFile(mapPath, content));
    // What a lexical clean-up of ".." would read instead.
    QVERIFY(writeFile(dir->filePath(QStringLiteral("maps/x.map")), uniformMap('6')));
    QVERIFY(QDir(dir->path()).mkpath(QStringLiteral("maps/sub/inner")));
    QVERIFY(QFile::link(dir->filePath(QStringLiteral("maps/sub/inner")),
                        dir->filePath(QStringLiteral("maps/jump"))));
    const QString out = dir->filePath(QStringLiteral("out.png"));

    given.replaceInStrings(QStringLiteral("%1"), dir->path());
    const programRun run = render(given << QStringLiteral("../out.png"));
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    const QImage rendered(out);
    QCOMPARE(rendered.size(), QSize(928, 480));
    QCOMPARE(rendered.convertToFormat(QImage::Format_ARGB32), shownByViewer(mapPath));
}

void TestRender::thumbnails_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QSize>("size");
    // Thumbnailers ask for 128, 256, 512 and 1024 pixels; below 464 the
    // code texts are left out.
    QTest::newRow("128, as a thumbnailer asks") << QStringList{"--size", "128", "../maps/a.map", "../a.png"}
                                                << QSize(128, 66);
    QTest::newRow("463, the largest without texts") << QStringList{"--size", "463", "../maps/a.map", "../a.png"}
                                                    << QSize(463, 239);
    QTest::newRow("464, the smallest with texts") << QStringList{"--size", "464", "../maps/a.map", "../a.png"}
                                                  << QSize(464, 240);
    QTest::newRow("1024, larger than the map") << QStringList{"--size=1024", "../maps/a.map", "../a.png"}
                                               << QSize(1024, 529);
    QTest::newRow("1") << QStringList{"../maps/a.map", "--size", "1", "../a.png"} << QSize(1, 1);
    QTest::newRow("4096, the largest") << QStringList{"--size", "4096", "../maps/a.map", "../a.png"}
                                       << QSize(4096, 2118);
    QTest::newRow("the last size given") << QStringList{"--size", "64", "--size", "256", "../maps/a.map", "-"}
                                         << QSize(256, 132);
    QTest::newRow("beside the map") << QStringList{"--size", "128", "../maps/a.map"} << QSize(128, 66);
}

// A thumbnail is the whole picture scaled smoothly, its largest side the size
// asked for; below 464 pixels, the viewer's picture without its code texts,
// within a level of Qt's smooth scaling.
void TestRender::thumbnails()
{
    QFETCH(QStringList, arguments);
    QFETCH(QSize, size);
    QByteArray codes = "12345678\n9abc0 \tx\r\n" + uniformMap('2');
    QVERIFY(writeFile(dir->filePath(QStringLiteral("maps/a.map")), codes));
    const programRun full = render({QStringLiteral("../maps/a.map"), QStringLiteral("../full.png")});
    QCOMPARE(full.exitCode, 0);
    const programRun run = render(arguments);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QImage thumbnail;
    if (arguments.last() == QLatin1String("-"))
        thumbnail.loadFromData(run.out, "png");
    else
        thumbnail.load(dir->filePath(arguments.last().endsWith(QLatin1String(".map"))
                                         ? QStringLiteral("maps/a.png")
                                         : QStringLiteral("a.png")));
    QCOMPARE(thumbnail.size(), size);
    const bool texts = size.width() >= 464;
    const QImage expected = (texts ? QImage(dir->filePath(QStringLiteral("full.png")))
                                   : shownByViewer(dir->filePath(QStringLiteral("maps/a.map")), false))
                                .convertToFormat(QImage::Format_RGB32)
                                .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    int farthest = 0;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            for (const int shift : {0, 8, 16})
                farthest = qMax(farthest, qAbs(int((thumbnail.pixel(x, y) >> shift) & 0xff)
                                               - int((expected.pixel(x, y) >> shift) & 0xff)));
    QVERIFY2(farthest <= (texts ? 0 : 1), qPrintable(QString::number(farthest) + " levels off"));
}

void TestRender::defaultOutput_data()
{
    // Both under the temporary folder; the map is named from the working folder.
    QTest::addColumn<QString>("map");
    QTest::addColumn<QString>("picture");
    // What VELMORA_FAULTS lists, if anything.
    QTest::addColumn<QString>("faults");
    // Symbolic links made first, each "name>its text", the name under the
    // temporary folder.
    QTest::addColumn<QStringList>("links");
    const QStringList none;
    QTest::newRow("suffix replaced") << "maps/river.map" << "maps/river.png" << "" << none;
    QTest::newRow("no suffix") << "maps/river" << "maps/river.png" << "" << none;
    QTest::newRow("only the last suffix replaced") << "maps/sub/a.b.map" << "maps/sub/a.b.png" << "" << none;
    QTest::newRow("a name without a folder") << "elsewhere/river.map" << "elsewhere/river.png" << "" << none;
    QTest::newRow("without O_TMPFILE") << "maps/river.map" << "maps/river.png" << "no-tmpfile" << none;
    // Each relative link read from its own folder; the links stay.
    QTest::newRow("through dangling links into another folder")
        << "maps/river.map" << "elsewhere/made.png" << ""
        << QStringList{"maps/river.png>sub/hop.png", "maps/sub/hop.png>../../elsewhere/made.png"};
}

// A new picture gets what the umask leaves of 0666, as any new file.
void TestRender::defaultOutput()
{
    QFETCH(QString, map);
    QFETCH(QString, picture);
    QFETCH(QString, faults);
    QFETCH(QStringList, links);
    QStringList expected = {QStringLiteral("elsewhere"), QStringLiteral("maps"),
                            QStringLiteral("maps/sub"), map, picture};
    for (const QString &link : links) {
        QVERIFY(QFile::link(link.section(QLatin1Char('>'), 1), dir->filePath(link.section(QLatin1Char('>'), 0, 0))));
        expected.append(link.section(QLatin1Char('>'), 0, 0));
    }
    QVERIFY(writeFile(dir->filePath(map), uniformMap('3')));
    const QString script = faults.isEmpty() ? QStringLiteral("umask 027; exec \"$0\" \"$@\"")
                                            : "umask 027; VELMORA_FAULTS=" + faults
                                                  + " LD_PRELOAD=$FAULTS exec \"$0\" \"$@\"";
    const programRun run = render({QDir::current().relativeFilePath(dir->filePath(map))}, script);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(QImage(dir->filePath(picture)).size(), QSize(928, 480));
    struct stat status;
    QCOMPARE(::stat(QFile::encodeName(dir->filePath(picture)).constData(), &status), 0);
    QCOMPARE(status.st_mode & 07777, mode_t(0640));
    // Nothing but the map, its picture and the links.
    expected.sort();
    QCOMPARE(filesInDir(), expected);
}

void TestRender::failures_data()
{
    QTest::addColumn<QStringList>("arguments");
    // Bash that runs the program as render() does, or empty.
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("exitCode");
    // The one line on stderr, its bytes as Latin-1; %1 stands for the
    // temporary folder. old.png must stay as it was.
    QTest::addColumn<QString>("message");

    const QString usage = QStringLiteral(" (usage: velmora-render [--size N] MAP [OUT.png], or --help)");
    const QStringList map = {QStringLiteral("../maps/a.map")};
    const QString plain;
    const QString preloaded = QStringLiteral("LD_PRELOAD=$FAULTS ");
    QTest::newRow("no argument") << QStringList() << plain << 2 << "no map file given" + usage;
    QTest::newRow("too many arguments") << map + QStringList{"../a.png", "../b.png"} << plain << 2
                                        << "too many arguments" + usage;
    QTest::newRow("unknown option") << QStringList{"--frobnicate", "../maps/a.map"} << plain << 2
                                    << "Unknown option 'frobnicate'" + usage;
    QTest::newRow("Qt's own option") << QStringList{"-reverse", "../maps/a.map"} << plain << 2
                                     << "Unknown option 'reverse'" + usage;
    QTest::newRow("empty map name") << QStringList{""} << plain << 2
                                    << "an empty name was given" + usage;
    const QString sizeUsage = QStringLiteral("--size takes a whole number of pixels from 1 to 4096, not '%1'");
    for (const char *size : {"0", "4097", "-128", "12px", " 12", "", "99999999999"})
        QTest::newRow(qPrintable(QStringLiteral("size '%1'").arg(QLatin1String(size))))
            << QStringList{"--size", size} + map << plain << 2
            << sizeUsage.arg(QLatin1String(size)) + usage;
    QTest::newRow("--size last, without its value") << map + QStringList{"--size"} << plain << 2
                                                   << "Missing value after '--size'" + usage;
    QTest::newRow("missing map") << QStringList{"../maps/missing.map"} << plain << 1
                                 << "../maps/missing.map: No such file or directory";
    QTest::newRow("map is a folder") << QStringList{"../maps/sub"} << plain << 1
                                     << "../maps/sub: " + QString::fromLatin1(isAFolder);
    QTest::newRow("map is a FIFO") << QStringList{"../maps/fifo.map"} << plain << 1
                                   << "../maps/fifo.map: not a regular file";
    QTest::newRow("symbolic link loop") << QStringList{"../maps/loop.map"} << plain << 1
                                        << "../maps/loop.map: Too many levels of symbolic links";
    QTest::newRow("a file as a folder") << QStringList{"../maps/a.map/b.map"} << plain << 1
                                        << "../maps/a.map/b.map: Not a directory";
    const QString tooLong = QStringLiteral("../maps/") + QString(300, QLatin1Char('m'));
    QTest::newRow("name too long") << QStringList{tooLong} << plain << 1
                                   << tooLong + ": File name too long";
    // One message stays one line, and a name is its bytes, never decoded.
    QTest::newRow("a line feed in a name") << QStringList{"../maps/a\nb.map"} << plain << 1
                                           << "../maps/a\\nb.map: No such file or directory";
    QTest::newRow("a name that is not UTF-8")
        << QStringList() << "exec \"$0\" \"$(printf '../maps/\\351t\\351.map')\"" << 1
        << QString::fromLatin1("../maps/\xe9t\xe9.map: No such file or directory");
    const QString failing = readErrorFile();
    QTest::newRow("read error") << QStringList{failing} << plain << 1
                                << failing + ": Input/output error";
    QTest::newRow("output folder missing") << map + QStringList{"../nowhere/a.png"} << plain << 1
                                           << "../nowhere/a.png: No such file or directory";
    QTest::newRow("output is a folder") << map + QStringList{"../maps/sub"} << plain << 1
                                        << "../maps/sub: Is a directory";
    QTest::newRow("output is a loop of links") << map + QStringList{"../maps/loop.map"} << plain << 1
                                               << "../maps/loop.map: Too many levels of symbolic links";
    QTest::newRow("output is the map") << map + map << plain << 1
                                       << "../maps/a.map: is the map itself; name another output";
    QTest::newRow("output is a hard link to the map")
        << map + QStringList{"../maps/hard.map"} << plain << 1
        << "../maps/hard.map: is the map itself; name another output";
    QTest::newRow("output is the map by another path")
        << map + QStringList{"%1/maps/sub/../a.map"} << plain << 1
        << "%1/maps/sub/../a.map: is the map itself; name another output";
    QTest::newRow("standard output is the map") << map + QStringList{"-"}
        << "exec \"$0\" \"$@\" >>../maps/a.map" << 1 << "-: is the map itself; name another output";
    QTest::newRow("output on a full device") << map + QStringList{"../full"} << plain << 1
                                             << "../full: No space left on device";
    QTest::newRow("a device that takes no more bytes") << map + QStringList{"../null"}
        << preloaded + "VELMORA_FAULTS=zero-write exec \"$0\" \"$@\"" << 1
        << "../null: Input/output error";
    QTest::newRow("a device that fails as it closes") << map + QStringList{"../null"}
        << preloaded + "VELMORA_FAULTS=eio-on-close exec \"$0\" \"$@\"" << 1
        << "../null: Input/output error";
    QTest::newRow("standard output that fails as it closes") << map + QStringList{"-"}
        << preloaded + "VELMORA_FAULTS=eio-on-close exec \"$0\" \"$@\" >/dev/null" << 1
        << "write error: Input/output error";
    QTest::newRow("standard output full") << map + QStringList{"-"}
        << "exec \"$0\" \"$@\" >/dev/full" << 1 << "-: No space left on device";
    for (const char *name : {"-", "/dev/stdout", "/dev/fd/1", "/proc/self/fd/1"})
        QTest::newRow(qPrintable(QStringLiteral("standard output closed, named %1").arg(QLatin1String(name))))
            << map + QStringList{name} << "exec \"$0\" \"$@\" >&-" << 1
            << QLatin1String(name) + QStringLiteral(": Bad file descriptor");
    QTest::newRow("help to a full output") << QStringList{"--help"}
        << "exec \"$0\" \"$@\" >/dev/full" << 1 << "write error: No space left on device";
    // Part-way through the temporary file, with and without O_TMPFILE, and as it closes.
    QTest::newRow("over the file size limit") << map + QStringList{"../old.png"}
        << "ulimit -f 1; exec \"$0\" \"$@\"" << 1 << "../old.png: File too large";
    QTest::newRow("over the file size limit, without O_TMPFILE") << map + QStringList{"../old.png"}
        << "ulimit -f 1; " + preloaded + "VELMORA_FAULTS=no-tmpfile exec \"$0\" \"$@\"" << 1
        << "../old.png: File too large";
    QTest::newRow("a temporary file that fails as it closes") << map + QStringList{"../old.png"}
        << preloaded + "VELMORA_FAULTS=no-tmpfile,eio-on-close exec \"$0\" \"$@\"" << 1
        << "../old.png: Input/output error";
    // A real full file system, in mount and user namespaces of its own,
    // looked into before they go.
    QTest::newRow("a full file system") << map + QStringList{"../full.d/old.png"}
        << "unshare -Urm bash -c 'mount -t tmpfs -o size=4k none ../full.d"
           " && printf old >../full.d/old.png && \"$0\" \"$@\"; status=$?;"
           " [ \"$(ls -A ../full.d)\" = old.png ] && [ \"$(cat ../full.d/old.png)\" = old ]"
           " || status=99; exit $status' \"$0\" \"$@\""
        << 1 << "../full.d/old.png: No space left on device";
    QTest::newRow("platform that cannot start") << map << "QT_QPA_PLATFORM=bogus exec \"$0\" \"$@\""
        << 1 << "the Qt platform \"bogus\": cannot start "
                "(Could not find the Qt platform plugin \"bogus\" in \"\")";
}

void TestRender::failures()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, script);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    if (QTest::currentDataTag() == QByteArray("read error") && readErrorFile().isEmpty())
        QSKIP(noReadErrorFile);
    if (portableIo && QTest::currentDataTag() == QByteArray("map is a FIFO"))
        QSKIP(needsPosixIo);
    if (script.startsWith(QLatin1String("unshare"))
        && QProcess::execute(QStringLiteral("unshare"), {QStringLiteral("-Urm"), QStringLiteral("true")}) != 0)
        QSKIP("this system gives no user and mount namespaces, in which a full file system is made");
    const QString a = dir->filePath(QStringLiteral("maps/a.map"));
    QVERIFY(writeFile(a, uniformMap('1')));
    const QString old = dir->filePath(QStringLiteral("old.png"));
    QVERIFY(writeFile(old, "old picture"));
    QVERIFY(QDir(dir->path()).mkpath(QStringLiteral("full.d")));
    QCOMPARE(::symlink("loop.map", QFile::encodeName(dir->filePath(QStringLiteral("maps/loop.map"))).constData()),
             0);
    QCOMPARE(::link(QFile::encodeName(a).constData(),
                    QFile::encodeName(dir->filePath(QStringLiteral("maps/hard.map"))).constData()),
             0);
    QVERIFY(makeFifo(dir->filePath(QStringLiteral("maps/fifo.map"))));
    QVERIFY(makeDevice(QStringLiteral("full"), 7));
    QVERIFY(makeDevice(QStringLiteral("null"), 3));
    arguments.replaceInStrings(QStringLiteral("%1"), dir->path());
    const QStringList before = filesInDir();
    const programRun run = render(arguments, script);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.err, ("velmora-render: " + message.replace(QStringLiteral("%1"), dir->path()) + '\n')
                          .toLatin1());
    QCOMPARE(QFile(a).size(), uniformMap('1').size());
    QFile oldFile(old);
    QVERIFY(oldFile.open(QIODevice::ReadOnly));
    QCOMPARE(oldFile.readAll(), QByteArray("old picture"));
    QCOMPARE(filesInDir(), before);
}

void TestRender::replacesAnExistingOutputWhole_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("exitCode");
    // A umask that would take permissions the output has.
    QTest::newRow("plain") << "umask 077; exec \"$0\" \"$@\"" << 0;
    QTest::newRow("without O_TMPFILE")
        << "umask 077; VELMORA_FAULTS=no-tmpfile LD_PRELOAD=$FAULTS exec \"$0\" \"$@\"" << 0;
    // Held until the picture is in place, the interrupt then ends the
    // program; bash's own word on it is left out.
    QTest::newRow("interrupted while writing, without O_TMPFILE")
        << "exec 3>&2 2>/dev/null; VELMORA_FAULTS=no-tmpfile,term-on-write LD_PRELOAD=$FAULTS "
           "\"$0\" \"$@\" 2>&3; exit $?"
        << 128 + SIGTERM;
}

// Through a symbolic link, which stays one, keeping the output's permissions.
void TestRender::replacesAnExistingOutputWhole()
{
    QFETCH(QString, script);
    QFETCH(int, exitCode);
    QVERIFY(writeFile(dir->filePath(QStringLiteral("maps/a.map")), uniformMap('5')));
    const QString out = dir->filePath(QStringLiteral("maps/a.png"));
    QVERIFY(writeFile(out, QByteArray(1 << 20, 'x')));
    QCOMPARE(::chmod(QFile::encodeName(out).constData(), 0754), 0);
    QVERIFY(QFile::link(QStringLiteral("a.png"), dir->filePath(QStringLiteral("maps/link.png"))));

    // A failing render leaves it as it was...
    QCOMPARE(render({QStringLiteral("../maps/missing.map"), QStringLiteral("../maps/link.png")}, script)
                 .exitCode,
             1);
    QCOMPARE(QFileInfo(out).size(), qint64(1 << 20));
    // ...and a good one replaces it with the picture alone, leaving no temporary file.
    const QStringList before = filesInDir();
    const programRun run = render({QStringLiteral("../maps/a.map"), QStringLiteral("../maps/link.png")}, script);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(QImage(out).size(), QSize(928, 480));
    QVERIFY(QFileInfo(out).size() < (1 << 20));
    QCOMPARE(filesInDir(), before);
    QVERIFY(QFileInfo(dir->filePath(QStringLiteral("maps/link.png"))).isSymLink());
    struct stat status;
    QCOMPARE(::stat(QFile::encodeName(out).constData(), &status), 0);
    QCOMPARE(status.st_mode & 07777, mode_t(0754));
}

// A name is the bytes given: a map named in Latin-1 is read, and the output
// goes exactly where it was asked, not to the name its bytes decode to.
void TestRender::namesAreBytes()
{
    if (portableIo)
        QSKIP(namesDecoded);
    const auto create = [this](const char *name, const QByteArray &content) {
        const QByteArray path = QFile::encodeName(dir->path()) + '/' + name;
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        const bool written = fd >= 0 && ::write(fd, content.constData(), size_t(content.size())) == content.size();
        return ::close(fd) == 0 && written;
    };
    QVERIFY(create("maps/\xe9t\xe9.map", uniformMap('6')));
    QVERIFY(create("\xef\xbf\xbd.png", "unrelated"));
    const programRun run = render({}, QStringLiteral("exec \"$0\" \"$(printf '../maps/\\351t\\351.map')\" "
                                              "\"$(printf '../\\376.png')\""));
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    struct stat status;
    const QByteArray written = QFile::encodeName(dir->path()) + "/\xfe.png";
    QCOMPARE(::stat(written.constData(), &status), 0);
    QVERIFY(status.st_size > 1000);
    // Qt could not remove them: it would decode their names.
    QCOMPARE(::unlink(written.constData()), 0);
    QCOMPARE(::unlink((QFile::encodeName(dir->path()) + "/maps/\xe9t\xe9.map").constData()), 0);
    QFile unrelated(dir->filePath(QStringLiteral("\uFFFD.png")));
    QVERIFY(unrelated.open(QIODevice::ReadOnly));
    QCOMPARE(unrelated.readAll(), QByteArray("unrelated"));
}

void TestRender::nonRegularOutputs_data()
{
    QTest::addColumn<QString>("output");
    QTest::newRow("FIFO") << "out.fifo";
    QTest::newRow("FIFO whose reader comes late") << "late.fifo";
    QTest::newRow("character device") << "null";
    QTest::newRow("standard output") << "-";
    // Not the map, though on its file system.
    QTest::newRow("standard output to a file beside the map") << "->maps/b.png";
}

// A FIFO, a device and standard output are written to, never replaced.
void TestRender::nonRegularOutputs()
{
    QFETCH(QString, output);
    QVERIFY(writeFile(dir->filePath(QStringLiteral("maps/a.map")), uniformMap('6')));
    QCOMPARE(render({QStringLiteral("../maps/a.map"), QStringLiteral("../reference.png")}).exitCode, 0);
    QFile reference(dir->filePath(QStringLiteral("reference.png")));
    QVERIFY(reference.open(QIODevice::ReadOnly));
    const QByteArray expected = reference.readAll();

    const QByteArray path = QFile::encodeName(dir->filePath(output));
    if (output.startsWith(QLatin1Char('-'))) {
        const QString file = output.section(QLatin1Char('>'), 1);
        const programRun run = render({QStringLiteral("../maps/a.map"), QStringLiteral("-")},
                               file.isEmpty() ? QString() : "exec \"$0\" \"$@\" >../" + file);
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(run.exitCode, 0);
        QFile written(dir->filePath(file));
        QCOMPARE(file.isEmpty() ? run.out
                                : (written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray()),
                 expected);
        return;
    }
    if (output == QLatin1String("null")) {
        QVERIFY(makeDevice(output, 3));
        const programRun run = render({QStringLiteral("../maps/a.map"), QStringLiteral("../null")});
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(run.exitCode, 0);
        struct stat status;
        QCOMPARE(::stat(path.constData(), &status), 0);
        QVERIFY(S_ISCHR(status.st_mode));
        return;
    }
    // A renderer that replaced the FIFO would leave it empty. A reader that
    // comes late finds the renderer waiting for it, as a shell's redirection
    // waits.
    QVERIFY(makeFifo(QFile::decodeName(path)));
    const bool late = output.startsWith(QLatin1String("late"));
    int fd = late ? -1 : ::open(path.constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(late || fd >= 0);
    QProcess process;
    process.start(QStringLiteral(VELMORA_RENDER),
                  {QStringLiteral("../maps/a.map"), QStringLiteral("../") + output});
    if (late) {
        QVERIFY(process.waitForStarted());
        // Linux names what a process waits for: a FIFO's other end.
        const auto waitsForItsReader = [&process] {
            QFile waiting(QStringLiteral("/proc/%1/wchan").arg(process.processId()));
            return waiting.open(QIODevice::ReadOnly) && waiting.readAll() == "wait_for_partner";
        };
        // A renderer that gave up instead fails here at once, with its reason,
        // not after the three times 20 s a failing QTRY waits.
        QTRY_VERIFY_WITH_TIMEOUT(waitsForItsReader() || process.state() == QProcess::NotRunning, 20000);
        QVERIFY2(process.state() != QProcess::NotRunning, process.readAllStandardError());
        fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(fd >= 0);
    }
    QByteArray received;
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got > 0)
            received.append(chunk, int(got));
        else if (process.state() == QProcess::NotRunning)
            break;
        else
            process.waitForFinished(10);
    }
    ::close(fd);
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(received, expected);
    struct stat status;
    QCOMPARE(::lstat(path.constData(), &status), 0);
    QVERIFY(S_ISFIFO(status.st_mode));
}

void TestRender::helpAndVersion_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray help("Usage: velmora-render [--size N] MAP [OUT.png]\n"
                          "Writes the 928 by 480 map area that the 3D Velmora viewer shows for MAP\n"
                          "to a PNG picture, by default MAP's name with .png; OUT.png may be \"-\"\n"
                          "for standard output.\n\n"
                          "Options:\n"
                          "  --size N       Scale the picture smoothly to fit N by N pixels, its aspect\n"
                          "                 kept (a thumbnail); N from 1 to 4096.\n"
                          "  -h, --help     Show this help and exit.\n"
                          "  -v, --version  Show the version and exit.\n");
    QTest::newRow("--help") << "--help" << help;
    QTest::newRow("-h") << "-h" << help;
    QTest::newRow("--help-all") << "--help-all" << help;
    QTest::newRow("--version") << "--version" << QByteArray("velmora-render " VELMORA_VERSION "\n");
}

void TestRender::helpAndVersion()
{
    QFETCH(QString, option);
    QFETCH(QByteArray, expected);
    const programRun run = render({option});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.out, expected);
    QCOMPARE(filesInDir(),
             QStringList{QStringLiteral("elsewhere")} << QStringLiteral("maps")
                                                      << QStringLiteral("maps/sub"));
}

// Without a platform chosen and without any display, it still renders.
void TestRender::needsNoDisplay()
{
    QVERIFY(writeFile(dir->filePath(QStringLiteral("maps/a.map")), uniformMap('4')));
    const programRun run = render({QStringLiteral("../maps/a.map")},
                           QStringLiteral("unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY; exec \"$0\" \"$@\""));
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(QImage(dir->filePath(QStringLiteral("maps/a.png"))).size(), QSize(928, 480));
}

// Under an address space limit (ulimit -v) the renderer writes its picture
// or ends with its one line, whatever the limit; it never crashes or hangs.
// Limits from the least that lets it start, in steps of 1 MiB.
void TestRender::memoryLimits()
{
    if (addressSanitizerOn)
        QSKIP("AddressSanitizer reserves more address space than any limit tried here");
    QVERIFY(writeFile(dir->filePath(QStringLiteral("maps/a.map")), uniformMap('4')));
    const auto limited = [](int kib, const QStringList &arguments) {
        return render(arguments, QStringLiteral("ulimit -v %1; exec \"$0\" \"$@\"").arg(kib));
    };
    // Starting maps every library, as --version shows.
    int low = 1024;
    int high = 4 << 20;
    while (high - low > 1024) {
        const int middle = (low + high) / 2;
        (limited(middle, {QStringLiteral("--version")}).exitCode == 0 ? high : low) = middle;
    }
    const QStringList before = filesInDir();
    const QString out = dir->filePath(QStringLiteral("out.png"));
    // Full size, a thumbnail, whose scaling takes worker threads, and the
    // largest size, each up to the least limit that it renders under.
    const QList<QPair<QStringList, int>> sizes = {
        {{}, 928}, {{QStringLiteral("--size=128")}, 128}, {{QStringLiteral("--size=4096")}, 4096}};
    for (const QPair<QStringList, int> &size : sizes) {
        int kib = high;
        for (;; kib += 1024) {
            const programRun run = limited(kib, size.first + QStringList{QStringLiteral("../maps/a.map"),
                                                                         QStringLiteral("../out.png")});
            if (run.exitCode == 0)
                break;
            const QByteArray at = size.first.join(QLatin1Char(' ')).toLatin1() + " at " + QByteArray::number(kib) + " KiB";
            QVERIFY2(run.exitCode == 1 && run.err == "velmora-render: Cannot allocate memory\n",
                     at + ": " + QByteArray::number(run.exitCode) + ", " + run.err);
            QCOMPARE(filesInDir(), before);
            QVERIFY2(kib < high + (512 << 10), at + ": never rendered");
        }
        QVERIFY2(kib > high, "rendered under the least limit that starts it: no failure was tried");
        QCOMPARE(QImage(out).width(), size.second);
        QVERIFY(QFile::remove(out));
    }
}

QTEST_MAIN(TestRender)
#include "tst_render.moc"
