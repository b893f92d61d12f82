// SPDX-License-Identifier: MIT
#include "MainWindow.h"
#include "testSupport.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <climits>
#include <sys/stat.h>
#include <unistd.h>
#endif

// Names and files a user might hand the viewer, typed into the window's field
// and loaded with its "-" button: whatever they are, the click returns, the
// window goes on working, and the grid is cleared or, for a real map, read.
class TestHostileInput : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void hostileNames_data();
    void hostileNames();
    void unreadableFileNeedsNonRoot();
    void bigFilesInBoundedMemory_data();
    void bigFilesInBoundedMemory();
    void soakKeepsMemoryFlat();

private:
    static void load(const MainWindow &window, const QString &name);
    void verifyStillWorks(const MainWindow &window);

    QTemporaryDir dir;
};

namespace {

// What the grid shows after a name that cannot be read: no tile has a text.
const QByteArray cleared(196, ' ');

// Maps behind hostile names are all water, unlike test.map (all '1') that the
// window shows before and a.map (all '2') that it loads after.
const QByteArray waterCodes(196, '6');

} // namespace

void TestHostileInput::initTestCase()
{
    QVERIFY(dir.isValid());
    QVERIFY(QDir::setCurrent(dir.path()));
    QVERIFY(writeFile(QStringLiteral("test.map"), uniformMap('1')));
    QVERIFY(writeFile(QStringLiteral("a.map"), uniformMap('2')));
    QVERIFY(QDir().mkpath(QStringLiteral("folder.map")));
#ifdef Q_OS_UNIX
    QCOMPARE(::mkfifo("fifo.map", 0600), 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), QStringLiteral("zero.map")));
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

// After a hostile name the window still handles events and loads a real map.
void TestHostileInput::verifyStillWorks(const MainWindow &window)
{
    bool delivered = false;
    QTimer::singleShot(0, this, [&delivered] { delivered = true; });
    QTRY_VERIFY(delivered);
    load(window, QStringLiteral("a.map"));
    QCOMPARE(shownCodes(*partsOf(window).map), QByteArray(196, '2'));
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
#endif
    QTest::newRow("non-ASCII characters") << QStringLiteral("carte é 地図.map")
                                          << uniformMap('6') << waterCodes;
    QTest::newRow("line feed in the name") << QStringLiteral("two\nlines.map")
                                           << uniformMap('6') << waterCodes;
    QTest::newRow("only a line feed") << QStringLiteral("\n") << QByteArray() << cleared;
}

void TestHostileInput::hostileNames()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, mapContent);
    QFETCH(QByteArray, codes);
    if (!mapContent.isEmpty())
        QVERIFY(writeFile(name, mapContent));

    MainWindow window;
    const WindowParts parts = partsOf(window);
    QCOMPARE(shownCodes(*parts.map), QByteArray(196, '1'));
    load(window, name);
    QCOMPARE(shownCodes(*parts.map), codes);
    for (const isoCase *tile : tilesOf(*parts.map))
        QCOMPARE(tile->isWalkable(), codes.at(0) >= '1' && codes.at(0) <= '5');
    verifyStillWorks(window);
}

void TestHostileInput::unreadableFileNeedsNonRoot()
{
#ifdef Q_OS_UNIX
    if (::geteuid() == 0)
        QSKIP("relies on file permissions, which root bypasses");
    QVERIFY(writeFile(QStringLiteral("locked.map"), uniformMap('4')));
    QVERIFY(QFile::setPermissions(QStringLiteral("locked.map"), QFileDevice::WriteOwner));
    MainWindow window;
    load(window, QStringLiteral("locked.map"));
    QCOMPARE(shownCodes(*partsOf(window).map), cleared);
    verifyStillWorks(window);
#else
    QSKIP("file permissions are tested on Unix only");
#endif
}

void TestHostileInput::bigFilesInBoundedMemory_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<char>("filler");
    QTest::addColumn<QByteArray>("codes");
    // A sparse file reads as NUL bytes, which are skipped: every cell is missing.
    QTest::newRow("1 GiB sparse file") << (qint64(1) << 30) << '\0' << QByteArray(196, '0');
    QTest::newRow("200 MB without a line feed")
        << qint64(200'000'000) << '5' << QByteArray(14, '5').leftJustified(196, '0');
}

void TestHostileInput::bigFilesInBoundedMemory()
{
    QFETCH(qint64, size);
    QFETCH(char, filler);
    QFETCH(QByteArray, codes);
    {
        QFile file(QStringLiteral("big.map"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (filler == '\0') {
            QVERIFY(file.resize(size));
        } else {
            const QByteArray chunk(1 << 20, filler);
            for (qint64 written = 0; written < size; written += chunk.size())
                QVERIFY(file.write(chunk.constData(), qMin<qint64>(chunk.size(), size - written)) > 0);
        }
    }
    MainWindow window;
    // A first reload fills what Qt caches on first use, before measuring.
    load(window, QStringLiteral("a.map"));
    const qint64 before = statusKiB("VmHWM:");
    load(window, QStringLiteral("big.map"));
    const qint64 after = statusKiB("VmHWM:");
    QFile::remove(QStringLiteral("big.map"));
    QCOMPARE(shownCodes(*partsOf(window).map), codes);
    verifyStillWorks(window);
    if (addressSanitizerOn)
        QSKIP("AddressSanitizer holds freed memory in quarantine; memory is measured in the plain build");
    if (before < 0)
        QSKIP("peak memory is not known on this system");
    QVERIFY2(after - before < 16 * 1024, QByteArray::number(after - before) + " KiB more");
}

// Long use: reloads alternating among maps and a missing name must not make
// the process grow.
void TestHostileInput::soakKeepsMemoryFlat()
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
    // One round first, so that caches Qt fills on first use are already full.
    for (int i = 0; i < 2 * names.size(); ++i)
        reload(i);
    const qint64 before = statusKiB("VmRSS:");
    const int reloads = addressSanitizerOn ? 1000 : 10000;
    for (int i = 0; i < reloads; ++i)
        reload(i);
    const qint64 after = statusKiB("VmRSS:");
    QCOMPARE(shownCodes(*parts.map), QByteArray("12345678\xE9\tab00").repeated(14));
    if (addressSanitizerOn)
        QSKIP("AddressSanitizer holds freed memory in quarantine; its leak check covers this build");
    if (before < 0)
        QSKIP("resident memory is not known on this system");
    QVERIFY2(after - before <= 1024, QByteArray::number(after - before) + " KiB more");
}

QTEST_MAIN(TestHostileInput)
#include "tst_hostileInput.moc"
