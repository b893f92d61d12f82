// SPDX-License-Identifier: MIT
#include "mapChecker.h"
#include "mapFile.h"
#include "mapReader.h"
#include "mapRows.h"
#include "testFiles.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

// The map file format alone, with Qt Core: the byte rules on buffers and
// small files, and the one way of opening a map file.
class TestMapFormat : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void reader_data();
    void reader();
    void readErrors_data();
    void readErrors();
    void unreadableFiles_data();
    void unreadableFiles();
    void endsAtTheSizeAtOpen();

private:
    QTemporaryDir dir;
};

namespace {

// Gives the bytes of a map up to a point, then fails as a disk or a network
// file system can.
class failingDevice : public QIODevice
{
public:
    failingDevice(const QByteArray &content, qint64 failure) : bytes(content), failAt(failure)
    {
        open(QIODevice::ReadOnly);
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 at = pos();
        if (at >= failAt) {
            setErrorString(QStringLiteral("Input/output error"));
            return -1;
        }
        const qint64 size = qMin(maxSize, qMin<qint64>(failAt, bytes.size()) - at);
        memcpy(data, bytes.constData() + at, size_t(size));
        return size;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    const QByteArray bytes;
    const qint64 failAt;
};

// The descriptors this process holds open, where the system lists them.
int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd"))
                   .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                   .size());
}

} // namespace

void TestMapFormat::initTestCase()
{
    QVERIFY(dir.isValid());
    QVERIFY(QDir::setCurrent(dir.path()));
}

void TestMapFormat::reader_data()
{
    addReaderRows();
}

// The same bytes read in chunks, as the viewer reads them; one at a time; in
// chunks watched by the checker, as velmora-check reads; and from a file.
void TestMapFormat::reader()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, codes);
    QBuffer buffer(&content);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    mapReader chunks;
    QVERIFY(chunks.read(buffer));
    QCOMPARE(chunks.codes(), codes);
    mapReader bytes;
    for (const char byte : content)
        bytes.take(byte);
    QCOMPARE(bytes.codes(), codes);

    QVERIFY(buffer.seek(0));
    mapReader watched;
    mapChecker checker;
    mapReader::source from;
    from.watcher = &checker;
    QVERIFY(watched.read(buffer, from));
    QCOMPARE(watched.codes(), codes);

    QVERIFY(writeFile(QStringLiteral("read.map"), content));
    mapFile file;
    mapReader fromFile;
    QVERIFY(file.openMap("read.map"));
    QVERIFY(file.readMap(fromFile));
    QCOMPARE(fromFile.codes(), codes);
}

void TestMapFormat::readErrors_data()
{
    QTest::addColumn<qint64>("failAt");
    QTest::addColumn<bool>("read");
    QTest::newRow("at the first byte") << qint64(0) << false;
    QTest::newRow("in the middle of a line") << qint64(20) << false;
    QTest::newRow("beyond the last line that counts") << qint64(14 * 15) << true;
}

// A read error is no end of file: the reader says so, and the codes read
// before it are not passed off as the map.
void TestMapFormat::readErrors()
{
    QFETCH(qint64, failAt);
    QFETCH(bool, read);
    const QByteArray content = uniformMap('3') + "trailing text\n";
    failingDevice device(content, failAt);
    mapReader reader;
    QCOMPARE(reader.read(device), read);
    if (read)
        QCOMPARE(reader.codes(), QByteArray(196, '3'));
}

void TestMapFormat::unreadableFiles_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("reason");
#ifdef Q_OS_WIN
    // Qt tells why a file did not open in Windows' words for the system's
    // code: ERROR_FILE_NOT_FOUND, and ERROR_ACCESS_DENIED for a folder.
    const QString missing = qt_error_string(2);
    const QString folder = qt_error_string(5);
#else
    const QString missing = QStringLiteral("No such file or directory");
    const QString folder = QString::fromLatin1(isAFolder);
#endif
    QTest::newRow("missing file") << QByteArray("missing.map") << missing;
    QTest::newRow("empty name") << QByteArray()
                                << (portableIo ? QStringLiteral("No file name specified") : missing);
    QTest::newRow("directory") << QByteArray("folder") << folder;
    QTest::newRow("NUL in the name") << QByteArray("good.map\0x", 10) << "Invalid argument";
#ifdef Q_OS_UNIX
    QTest::newRow("fifo with no writer") << QByteArray("fifo.map") << "not a regular file";
    QTest::newRow("symlink to a device") << QByteArray("zero.map") << "not a regular file";
    QTest::newRow("device through ..")
        << QFile::encodeName(QDir(dir.path()).relativeFilePath(QStringLiteral("/dev/zero")))
        << "not a regular file";
    QTest::newRow("read error") << QFile::encodeName(QDir(dir.path()).relativeFilePath(readErrorFile()))
                                << "Input/output error";
#endif
}

// Whatever a name leads to, opening and reading return without waiting and
// say why they failed, as the system says it.
void TestMapFormat::unreadableFiles()
{
    QFETCH(QByteArray, name);
    QFETCH(QString, reason);
    if (QTest::currentDataTag() == QByteArray("read error") && readErrorFile().isEmpty())
        QSKIP(noReadErrorFile);
    if (portableIo && name == "fifo.map")
        QSKIP(needsPosixIo);
    QVERIFY(writeFile(QStringLiteral("good.map"), uniformMap('2')));
    QVERIFY(QDir().mkpath(QStringLiteral("folder")));
#ifdef Q_OS_UNIX
    if (!QFile::exists(QStringLiteral("fifo.map")))
        QVERIFY(makeFifo(QStringLiteral("fifo.map")));
    if (!QFileInfo(QStringLiteral("zero.map")).isSymLink())
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), QStringLiteral("zero.map")));
#endif
    const int descriptors = openDescriptors();
    {
        mapFile file;
        mapReader reader;
        QVERIFY(!(file.openMap(name) && file.readMap(reader)));
        QCOMPARE(file.errorString(), reason);
    }
    // Each click on such a name would otherwise cost the viewer one.
    QCOMPARE(openDescriptors(), descriptors);
}

// A file that grows while it is read ends where it ended when opened.
void TestMapFormat::endsAtTheSizeAtOpen()
{
    QVERIFY(writeFile(QStringLiteral("grows.map"), "1\n"));
    mapFile file;
    QVERIFY(file.openMap("grows.map"));
    QFile writer(QStringLiteral("grows.map"));
    QVERIFY(writer.open(QIODevice::Append));
    QCOMPARE(writer.write("2\n"), qint64(2));
    writer.close();
    mapReader reader;
    QVERIFY(file.readMap(reader));
    QCOMPARE(reader.codes(), grid({"1"}));
}

QTEST_GUILESS_MAIN(TestMapFormat)
#include "tst_mapFormat.moc"
