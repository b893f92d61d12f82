// SPDX-License-Identifier: MIT
#include "MainWindow.h"
#include "testSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

#ifdef Q_OS_UNIX
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#if defined(__GLIBC__)
#include <malloc.h>
#endif

// Names and files a user might hand the viewer, typed into the window's field
// and loaded with its "-" button: whatever they are, the click returns and the
// grid is cleared or, for a real map, read; the window then loads a map again.
class TestHostileInput : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void hostileNames_data();
    void hostileNames();
    void bigFilesInBoundedMemory_data();
    void bigFilesInBoundedMemory();
    void nameSwappedWhileLoading();
    void soakKeepsTheHeapFlat();

private:
    static void load(const MainWindow &window, const QString &name);

    QTemporaryDir dir;
};

namespace {

// What the grid shows after a name that cannot be read: no tile has a text.
const QByteArray cleared(196, ' ');

// Maps behind hostile names are all water, unlike test.map (all '1') that the
// window shows before and a.map (all '2') that it loads after.
const QByteArray waterCodes(196, '6');

// Bytes in use on the heap, where glibc tells; resident memory elsewhere.
qint64 heapInUse()
{
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 33)
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
#else
    return statusKiB("VmRSS:") * 1024;
#endif
}

// Runs body on a thread of its own until the object goes, even when the test
// returns early on a failure.
class backgroundLoop
{
public:
    template <typename Body>
    explicit backgroundLoop(Body body)
        : thread([this, body] {
              while (!stopped)
                  body();
          })
    {
    }
    ~backgroundLoop()
    {
        stopped = true;
        thread.join();
    }

private:
    std::atomic<bool> stopped{false};
    std::thread thread;
};

} // namespace

void TestHostileInput::initTestCase()
{
    QVERIFY(dir.isValid());
    QVERIFY(QDir::setCurrent(dir.path()));
    QVERIFY(writeFile(QStringLiteral("test.map"), uniformMap('1')));
    QVERIFY(writeFile(QStringLiteral("a.map"), uniformMap('2')));
    QVERIFY(QDir().mkpath(QStringLiteral("folder.map")));
#ifdef Q_OS_UNIX
    QVERIFY(makeFifo(QStringLiteral("fifo.map")));
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), QStringLiteral("zero.map")));
    // A FIFO whose reader has gone would end the process on the next write.
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

void TestHostileInput::init()
{
    QVERIFY(QDir::setCurrent(dir.path()));
}

void TestHostileInput::load(const MainWindow &window, const QString &name)
{
    const WindowParts parts = partsOf(window);
    parts.field->setText(name);
    QTest::mouseClick(parts.button, Qt::LeftButton);
}

void TestHostileInput::hostileNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("mapContent");
    QTest::addColumn<QByteArray>("codes");

    QTest::newRow("directory") << QStringLiteral("folder.map") << QByteArray() << cleared;
#ifdef Q_OS_UNIX
    QTest::newRow("fifo with no writer") << QStringLiteral("fifo.map") << QByteArray() << cleared;
    QTest::newRow("symlink to /dev/zero") << QStringLiteral("zero.map") << QByteArray() << cleared;
    QTest::newRow("longer than the path limit")
        << QString(PATH_MAX + 1, QLatin1Char('a')) << QByteArray() << cleared;
    QTest::newRow("folders deeper than the path limit")
        << QStringLiteral("x/").repeated(PATH_MAX) + QStringLiteral("a.map") << QByteArray() << cleared;
    QTest::newRow("component longer than a file name")
        << QString(NAME_MAX + 1, QLatin1Char('b')) << QByteArray() << cleared;
    QTest::newRow("read error") << QDir(dir.path()).relativeFilePath(readErrorFile()) << QByteArray()
                                << cleared;
#endif
    QTest::newRow("non-ASCII characters") << QStringLiteral("carte é 地図.map")
                                          << uniformMap('6') << waterCodes;
    QTest::newRow("line feed in the name") << QStringLiteral("two\nlines.map")
                                           << uniformMap('6') << waterCodes;
    QTest::newRow("only a line feed") << QStringLiteral("\n") << QByteArray() << cleared;
    QTest::newRow("NUL in the name") << QStringLiteral("a.map") + QChar(0) + QStringLiteral("x")
                                     << QByteArray() << cleared;
}

void TestHostileInput::hostileNames()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, mapContent);
    QFETCH(QByteArray, codes);
    if (QTest::currentDataTag() == QByteArray("read error") && readErrorFile().isEmpty())
        QSKIP(noReadErrorFile);
    if (portableIo && name == QLatin1String("fifo.map"))
        QSKIP(needsPosixIo);
    if (!mapContent.isEmpty())
        QVERIFY(writeFile(name, mapContent));

    MainWindow window;
    const WindowParts parts = partsOf(window);
    QCOMPARE(shownCodes(*parts.map), QByteArray(196, '1'));
    {
#ifdef Q_OS_UNIX
        // A reader that waited on the FIFO would get a writer, and a map of
        // water, instead of waiting for ever; one that kept it open without
        // waiting would read it as an empty map.
        std::unique_ptr<backgroundLoop> writer;
        if (name == QLatin1String("fifo.map"))
            writer = std::make_unique<backgroundLoop>([] {
                const int fd = ::open("fifo.map", O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    const QByteArray water = uniformMap('6');
                    if (::write(fd, water.constData(), size_t(water.size())) < 0)
                        qWarning("could not write to the FIFO");
                    ::close(fd);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            });
        if (writer)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
#endif
        load(window, name);
    }
    QCOMPARE(shownCodes(*parts.map), codes);
    for (const isoCase *tile : tilesOf(*parts.map))
        QCOMPARE(tile->isWalkable(), codes.at(0) >= '1' && codes.at(0) <= '5');
    load(window, QStringLiteral("a.map"));
    QCOMPARE(shownCodes(*parts.map), QByteArray(196, '2'));
}

void TestHostileInput::bigFilesInBoundedMemory_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<char>("filler");
    QTest::addColumn<QByteArray>("codes");
    // Far larger than the disk: only its holes make it loadable at all. Holes
    // read as NUL bytes, which are skipped.
    QTest::newRow("4 TiB sparse file")
        << (qint64(4) << 40) << '\0'
        << QByteArray("12300000000000" "45000000000000" "60000000000000").leftJustified(196, '0');
    // Four times the memory bound, on one line: a reader that kept the line would exceed it.
    QTest::newRow("64 MiB without a line feed")
        << (qint64(64) << 20) << '5' << QByteArray(14, '5').leftJustified(196, '0');
}

void TestHostileInput::bigFilesInBoundedMemory()
{
    QFETCH(qint64, size);
    QFETCH(char, filler);
    QFETCH(QByteArray, codes);
    if (portableIo && filler == '\0')
        QSKIP(needsPosixIo);
    // Where the sparse file has data, in a hole that fills the file.
    const QList<QPair<qint64, QByteArray>> data = {
        {0, "12"}, {qint64(1) << 40, "3\n4"}, {qint64(3) << 40, "5\n6"}};
    {
        QFile file(QStringLiteral("big.map"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (filler == '\0') {
            if (!file.resize(size))
                QSKIP("this file system holds no file that large");
            for (const auto &[offset, bytes] : data)
                QVERIFY(file.seek(offset) && file.write(bytes) == bytes.size());
        } else {
            const QByteArray chunk(1 << 20, filler);
            for (qint64 written = 0; written < size; written += chunk.size())
                QVERIFY(file.write(chunk) == chunk.size());
        }
    }
    MainWindow window;
    // A first reload fills what Qt caches on first use, before measuring.
    load(window, QStringLiteral("a.map"));
    const bool measured = resetPeakMemory();
    const qint64 before = statusKiB("VmHWM:");
    load(window, QStringLiteral("big.map"));
    const qint64 after = statusKiB("VmHWM:");
    QFile::remove(QStringLiteral("big.map"));
    QCOMPARE(shownCodes(*partsOf(window).map), codes);
    if (filler == '\0') {
        // The same data with real NUL bytes between, written densely.
        QByteArray dense;
        for (const auto &[offset, bytes] : data)
            dense += bytes + QByteArray(4096, '\0');
        QVERIFY(writeFile(QStringLiteral("dense.map"), dense));
        load(window, QStringLiteral("dense.map"));
        QCOMPARE(shownCodes(*partsOf(window).map), codes);
    }
    if (addressSanitizerOn)
        QSKIP("AddressSanitizer holds freed memory in quarantine; memory is measured in the plain build");
    if (!measured || before < 0)
        QSKIP("peak memory cannot be measured on this system");
    QVERIFY2(after - before < 16 * 1024, QByteArray::number(after - before) + " KiB more");
}

// Another process swaps the typed name between a map, a FIFO with no writer
// and a link to a device while the user clicks: no click may wait for ever,
// and each shows the map or nothing.
void TestHostileInput::nameSwappedWhileLoading()
{
#ifdef Q_OS_UNIX
    if (portableIo)
        QSKIP(needsPosixIo);
    QVERIFY(writeFile(QStringLiteral("swap.map"), uniformMap('4')));
    QVERIFY(makeFifo(QStringLiteral("swap.fifo")));
    MainWindow window;
    const WindowParts parts = partsOf(window);
    parts.field->setText(QStringLiteral("race.map"));
    int turn = 0;
    const backgroundLoop swapper([&turn] {
        ::unlink("race.new");
        const bool made = ++turn % 3 == 0 ? ::symlink("/dev/zero", "race.new") == 0
                                          : ::link(turn % 3 == 1 ? "swap.map" : "swap.fifo",
                                                   "race.new") == 0;
        if (made)
            ::rename("race.new", "race.map");
    });
    int maps = 0;
    for (int click = 0; click < 1000; ++click) {
        parts.button->click();
        const QByteArray codes = shownCodes(*parts.map);
        QVERIFY2(codes == cleared || codes == QByteArray(196, '4'), codes);
        maps += codes != cleared;
    }
    // The swaps did reach the viewer: it saw the map some of the time.
    QVERIFY(maps > 0);
#else
    QSKIP("FIFOs and links are Unix files");
#endif
}

// Long use: reloads alternating among maps and a missing name must not make
// the heap grow. 64 bytes lost a reload would be 64,000 bytes here.
void TestHostileInput::soakKeepsTheHeapFlat()
{
    QVERIFY(writeFile(QStringLiteral("short.map"), "12\r\n3\r\n"));
    QVERIFY(writeFile(QStringLiteral("mixed.map"), QByteArray("12345678\xE9\t ab\n").repeated(14)));
    const QStringList names = {QStringLiteral("test.map"), QStringLiteral("a.map"),
                               QStringLiteral("short.map"), QStringLiteral("missing.map"),
                               QStringLiteral("mixed.map")};
    MainWindow window;
    const WindowParts parts = partsOf(window);
    const auto reload = [&](int i) {
        parts.field->setText(names.at(i % names.size()));
        parts.button->click();
    };
    // A few rounds first, so that caches Qt fills on first use are already full.
    for (int i = 0; i < 4 * names.size(); ++i)
        reload(i);
    const qint64 before = heapInUse();
    for (int i = 0; i < 1000; ++i)
        reload(i);
    const qint64 after = heapInUse();
    QCOMPARE(shownCodes(*parts.map), QByteArray("12345678\xE9\tab00").repeated(14));
    if (addressSanitizerOn)
        QSKIP("AddressSanitizer holds freed memory in quarantine; its leak check covers this build");
    QVERIFY2(after - before < 16 * 1024, QByteArray::number(after - before) + " bytes more");
}

QTEST_MAIN(TestHostileInput)
#include "tst_hostileInput.moc"
