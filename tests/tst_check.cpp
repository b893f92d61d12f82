// SPDX-License-Identifier: MIT
#include "testSupport.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

// velmora-check run as a map author runs it, on small maps written by the
// test, and judged by exactly what it prints and its exit status.
class TestCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void diagnostics_data();
    void diagnostics();
    void stopsReportingAKindAfterTwenty();
    void failures_data();
    void failures();
    void namesAsGiven();
    void helpLinesUpItsOptions();

private:
    QTemporaryDir dir;
};

namespace {

programRun check(const QStringList &arguments, const QString &script = QString())
{
    return runProgram(QStringLiteral(VELMORA_CHECK), arguments, script);
}

// Rows of fourteen codes that check clean.
QByteArray goodRows(int count)
{
    return QByteArray("22222222222222\n").repeated(count);
}

} // namespace

void TestCheck::initTestCase()
{
    QVERIFY(dir.isValid());
    QVERIFY(QDir::setCurrent(dir.path()));
}

void TestCheck::diagnostics_data()
{
    QTest::addColumn<QByteArray>("content");
    // When not 0, the file is made this long by a hole after its content.
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("exitCode");

    const qint64 asWritten = 0;
    QTest::newRow("clean map") << goodRows(14) << asWritten << QByteArray() << 0;
    QTest::newRow("only blank lines after the 14th")
        << goodRows(14) + "\n  \r\n" << asWritten << QByteArray() << 0;
    QTest::newRow("codes that are not ground codes")
        << "2a22\t\xff" "22222222\n" + goodRows(13) << asWritten
        << QByteArray("m.map:1:2: warning: 'a' is not a ground code: row 0, column 1 (x 1, y 0) shows empty ground\n"
                      "m.map:1:5: warning: '\\t\\xff' are 2 bytes that are not ground codes: "
                      "row 0, columns 4 to 5 (x 4 to 5, y 0) show empty ground\n")
        << 1;
    QTest::newRow("codes either side of the ground codes")
        << "08/92222222222\n" + goodRows(13) << asWritten
        << QByteArray("m.map:1:3: warning: '/9' are 2 bytes that are not ground codes: "
                      "row 0, columns 2 to 3 (x 2 to 3, y 0) show empty ground\n")
        << 1;
    QTest::newRow("runs apart only by a space")
        << "a b222222222222\n" + goodRows(13) << asWritten
        << QByteArray("m.map:1:1: warning: 'a' is not a ground code: row 0, column 0 (x 0, y 0) shows empty ground\n"
                      "m.map:1:3: warning: 'b' is not a ground code: row 0, column 1 (x 1, y 0) shows empty ground\n")
        << 1;
    QTest::newRow("a control byte") << "2\x01" "222222222222\n" + goodRows(13) << asWritten
        << QByteArray("m.map:1:2: warning: '\\x01' is not a ground code: row 0, column 1 (x 1, y 0) shows empty ground\n")
        << 1;
    QTest::newRow("a quote and a backslash") << "2'\\22222222222\n" + goodRows(13) << asWritten
        << QByteArray("m.map:1:2: warning: '\\'\\\\' are 2 bytes that are not ground codes: "
                      "row 0, columns 1 to 2 (x 1 to 2, y 0) show empty ground\n")
        << 1;
    // Eight bytes are shown, and "..." says there were more.
    QTest::newRow("runs of 8 and 9 bytes") << "abcdefgh222222\nabcdefghi22222\n" + goodRows(12)
        << asWritten
        << QByteArray("m.map:1:1: warning: 'abcdefgh' are 8 bytes that are not ground codes: "
                      "row 0, columns 0 to 7 (x 0 to 7, y 0) show empty ground\n"
                      "m.map:2:1: warning: 'abcdefgh...' are 9 bytes that are not ground codes: "
                      "row 1, columns 0 to 8 (x 0 to 8, y 1) show empty ground\n")
        << 1;
    QTest::newRow("byte order mark")
        << "\xEF\xBB\xBF" "22222222222\n" + goodRows(13) << asWritten
        << QByteArray("m.map:1:1: warning: UTF-8 byte order mark: read as three codes, it shifts "
                      "row 0 three cells to the right\n")
        << 1;
    QTest::newRow("a byte order mark alone on its line")
        << "\xEF\xBB\xBF\n" + goodRows(13) << asWritten
        << QByteArray("m.map:1:1: warning: UTF-8 byte order mark: read as three codes, it shifts "
                      "row 0 three cells to the right\n"
                      "m.map:1:4: note: row 0 has 3 codes: columns 3 to 13 (x 3 to 13, y 0) are filled with '0'\n")
        << 1;
    QTest::newRow("codes after the 14th")
        << goodRows(1) + "2222222222222211 1\n" + goodRows(12) << asWritten
        << QByteArray("m.map:2:15: warning: row 1 has 17 codes: the 3 after the 14th are ignored\n")
        << 1;
    QTest::newRow("lines after the 14th") << goodRows(16) + "6" << asWritten
        << QByteArray("m.map:15:1: warning: 3 lines after the 14th are ignored\n") << 1;
    // Past the first chunk, where the grid is long complete.
    QTest::newRow("lines after the 14th, past the first 8 KiB")
        << goodRows(14) + QByteArray(9000, ' ') + "\n6\n6" << asWritten
        << QByteArray("m.map:15:1: warning: 3 lines after the 14th are ignored\n") << 1;
    QTest::newRow("one line after the 14th, ended by a line feed")
        << goodRows(14) + "6\n" << asWritten
        << QByteArray("m.map:15:1: warning: 1 line after the 14th is ignored\n") << 1;
    QTest::newRow("one line after the 14th")
        << goodRows(14) + "6" << asWritten
        << QByteArray("m.map:15:1: warning: 1 line after the 14th is ignored\n") << 1;
    QTest::newRow("one code in a row, one too many, one row missing")
        << "2\n222222222222223\n" + goodRows(11) << asWritten
        << QByteArray("m.map:1:2: note: row 0 has 1 code: columns 1 to 13 (x 1 to 13, y 0) are filled with '0'\n"
                      "m.map:2:15: warning: row 1 has 15 codes: the one after the 14th is ignored\n"
                      "m.map:14:1: note: the file has only 13 lines: row 13 is filled with '0'\n")
        << 1;
    QTest::newRow("old Mac line ends") << QByteArray("1234\r5678\r1234\r") << asWritten
        << QByteArray("m.map:1:5: warning: carriage return without a line feed (an old Mac line "
                      "end): lines end only at line feeds, so the whole file is one line\n"
                      "m.map:1:16: note: row 0 has 12 codes: columns 12 to 13 (x 12 to 13, y 0) are filled with '0'\n"
                      "m.map:1:16: note: the file has only 1 line: rows 1 to 13 are filled with '0'\n")
        << 1;
    QTest::newRow("an old Mac line end in a file of line feeds")
        << "2222222\r2222222\n" + goodRows(13) << asWritten
        << QByteArray("m.map:1:8: warning: carriage return without a line feed (an old Mac line "
                      "end): lines end only at line feeds, so this line runs on to the next one\n")
        << 1;
    QTest::newRow("CR LF line ends") << QByteArray("22222222222222\r\n").repeated(14) << asWritten
                                     << QByteArray() << 0;
    // Only codes after a carriage return on its line show a line end that is not one.
    QTest::newRow("carriage returns and blanks before a line feed")
        << QByteArray("22222222222222\r \r\r\n").repeated(14) << asWritten << QByteArray() << 0;
    QTest::newRow("short rows and missing rows")
        << "2222222222222\n\n" + goodRows(10) << asWritten
        << QByteArray("m.map:1:14: note: row 0 has 13 codes: column 13 (x 13, y 0) is filled with '0'\n"
                      "m.map:2:1: note: row 1 has no codes: all its cells are filled with '0'\n"
                      "m.map:13:1: note: the file has only 12 lines: rows 12 to 13 are filled with '0'\n")
        << 0;
    QTest::newRow("empty file") << QByteArray() << asWritten
        << QByteArray("m.map:1:1: note: the file is empty: every cell is filled with '0'\n") << 0;
    QTest::newRow("NUL bytes") << QByteArray("22\0" "222\0" "222222222\n", 17) + goodRows(13)
        << asWritten
        << QByteArray("m.map:1:3: note: NUL bytes are skipped (2 in the lines that count)\n") << 0;
    // Positions count from the file's start, whatever chunk a byte is read in.
    QTest::newRow("a code past the first 8 KiB") << goodRows(13) + "2" + QByteArray(9000, ' ')
                                                     + "x222222222222\n"
        << asWritten
        << QByteArray("m.map:14:9002: warning: 'x' is not a ground code: row 13, column 1 (x 1, y 13) shows empty ground\n")
        << 1;
    QTest::newRow("a run of bytes across byte 8192")
        << "2" + QByteArray(8190, ' ') + "xy22222222222\n" + goodRows(13) << asWritten
        << QByteArray("m.map:1:8192: warning: 'xy' are 2 bytes that are not ground codes: "
                      "row 0, columns 1 to 2 (x 1 to 2, y 0) show empty ground\n")
        << 1;
    QTest::newRow("a lone first byte of a byte order mark")
        << "\xEF" "2222222222222\n" + goodRows(13) << asWritten
        << QByteArray("m.map:1:1: warning: '\\xef' is not a ground code: row 0, column 0 (x 0, y 0) shows empty ground\n")
        << 1;
    // A hole reads as NUL bytes: skipped, and counted with them.
    QTest::newRow("sparse file") << goodRows(13) + "2222222222222" << (qint64(1) << 40)
        << QByteArray("m.map:14:14: note: NUL bytes are skipped (1099511627568 in the lines that count)\n"
                      "m.map:14:1099511627582: note: row 13 has 13 codes: column 13 (x 13, y 13) is filled with '0'\n")
        << 0;
    QTest::newRow("a clean map, then a hole") << goodRows(14) << (qint64(1) << 30) << QByteArray() << 0;
}

void TestCheck::diagnostics()
{
    QFETCH(QByteArray, content);
    QFETCH(qint64, size);
    QFETCH(QByteArray, expected);
    QFETCH(int, exitCode);
    if (size && portableIo)
        QSKIP(needsPosixIo);
    QVERIFY(writeFile(QStringLiteral("m.map"), content));
    if (size)
        QVERIFY(QFile::resize(QStringLiteral("m.map"), size));
    const programRun run = check({QStringLiteral("m.map")});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.out, expected);
    QCOMPARE(run.exitCode, exitCode);
}

// 14 rows of 7 separate bad codes each: 20 are reported, then one note says
// how many more there were, at the first one left out; --grid follows.
void TestCheck::stopsReportingAKindAfterTwenty()
{
    QVERIFY(writeFile(QStringLiteral("m.map"), QByteArray("a2a2a2a2a2a2a2\n").repeated(14)));
    const programRun run = check({QStringLiteral("--grid"), QStringLiteral("m.map")});
    QCOMPARE(run.exitCode, 1);
    const QList<QByteArray> lines = run.out.split('\n');
    QCOMPARE(lines.size(), 20 + 1 + 14 + 1);
    QCOMPARE(lines.at(19), QByteArray("m.map:3:11: warning: 'a' is not a ground code: row 2, column 10 (x 10, y 2) shows empty ground"));
    QCOMPARE(lines.at(20), QByteArray("m.map:3:13: note: 78 more runs of bytes that are not ground codes are not reported"));
    QCOMPARE(lines.at(21), QByteArray("a2a2a2a2a2a2a2"));
}

void TestCheck::failures_data()
{
    QTest::addColumn<QStringList>("arguments");
    // Bash that runs the program as check() does, or empty.
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("err");
    const QByteArray usage = " (usage: velmora-check [--grid] MAP..., or --help)\n";
    const QString plain;
    QTest::newRow("no map") << QStringList() << plain << 2 << "velmora-check: no map file given" + usage;
    QTest::newRow("unknown option") << QStringList{"--frobnicate", "good.map"} << plain << 2
                                    << "velmora-check: Unknown option 'frobnicate'" + usage;
    QTest::newRow("a value to an option that takes none") << QStringList{"--grid=yes", "good.map"}
        << plain << 2 << "velmora-check: Unexpected value after '--grid'" + usage;
    QTest::newRow("missing map, then a good one") << QStringList{"missing.map", "good.map"} << plain << 2
        << QByteArray("velmora-check: missing.map: No such file or directory\n");
    QTest::newRow("a folder") << QStringList{"."} << plain << 2
                              << "velmora-check: .: " + QByteArray(isAFolder) + '\n';
    QTest::newRow("a line feed in a name") << QStringList{"a\nb.map"} << plain << 2
        << QByteArray("velmora-check: a\\nb.map: No such file or directory\n");
    QTest::newRow("control bytes in a name") << QStringList{"a\x01\x7f" "b.map"} << plain << 2
        << QByteArray("velmora-check: a\\x01\\x7fb.map: No such file or directory\n");
    // Output that is lost is a failure, told in one line.
    QTest::newRow("diagnostics to a full output") << QStringList{"bad.map"}
        << "exec \"$0\" \"$@\" >/dev/full" << 2
        << QByteArray("velmora-check: write error: No space left on device\n");
    QTest::newRow("help to a full output") << QStringList{"--help"} << "exec \"$0\" \"$@\" >/dev/full"
        << 2 << QByteArray("velmora-check: write error: No space left on device\n");
    QTest::newRow("version to a closed output") << QStringList{"--version"}
        << "exec \"$0\" \"$@\" >&-" << 2
        << QByteArray("velmora-check: write error: Bad file descriptor\n");
    // More than a pipe holds, to a reader that has gone.
    QTest::newRow("grid into a closed pipe, SIGPIPE ignored")
        << QStringLiteral("--grid good.map").append(QStringLiteral(" good.map").repeated(999)).split(QLatin1Char(' '))
        << "trap '' PIPE; \"$0\" \"$@\" | head -c 1 >/dev/null; exit ${PIPESTATUS[0]}" << 2
        << QByteArray("velmora-check: write error: Broken pipe\n");
}

void TestCheck::failures()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, script);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, err);
    QVERIFY(writeFile(QStringLiteral("good.map"), goodRows(14)));
    QVERIFY(writeFile(QStringLiteral("bad.map"), "x" + goodRows(14)));
    const programRun run = check(arguments, script);
    QCOMPARE(run.err, err);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.exitCode, exitCode);
}

// Names are the bytes given, a line feed or a byte of another encoding
// among them; a diagnostic stays one line.
void TestCheck::namesAsGiven()
{
    if (portableIo)
        QSKIP(namesDecoded);
    QVERIFY(writeFile(QStringLiteral("two\nlines.map"), "x" + goodRows(14).mid(1)));
    const int fd = ::open("\xe9t\xe9.map", O_WRONLY | O_CREAT | O_EXCL, 0644);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, "\x7f\t\xe9", 3), ssize_t(3));
    QCOMPARE(::close(fd), 0);
    const programRun run = check({QStringLiteral("two\nlines.map")},
                          QStringLiteral("exec \"$0\" --grid \"$@\" \"$(printf '\\351t\\351.map')\""));
    // Qt could not remove it: it would decode its name.
    QCOMPARE(::unlink("\xe9t\xe9.map"), 0);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.out,
             "two\\nlines.map:1:1: warning: 'x' is not a ground code: row 0, column 0 (x 0, y 0) shows empty ground\n"
             + QByteArray("x2222222222222\n") + goodRows(13)
             + "\xe9t\xe9.map:1:1: warning: '\\x7f\\t\\xe9' are 3 bytes that are not ground codes: "
               "row 0, columns 0 to 2 (x 0 to 2, y 0) show empty ground\n"
               "\xe9t\xe9.map:1:4: note: row 0 has 3 codes: columns 3 to 13 (x 3 to 13, y 0) are filled with '0'\n"
               "\xe9t\xe9.map:1:4: note: the file has only 1 line: rows 1 to 13 are filled with '0'\n"
               "???00000000000\n"
             + QByteArray("00000000000000\n").repeated(13));
    QCOMPARE(run.exitCode, 1);
}

// Each option's text, the line that continues it included, starts in one column.
void TestCheck::helpLinesUpItsOptions()
{
    const programRun run = check({QStringLiteral("--help")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out.mid(run.out.indexOf("Options:\n")),
             QByteArray("Options:\n"
                        "  --grid         After each map's diagnostics, print its 14 rows of codes\n"
                        "                 as the viewer places them.\n"
                        "  -h, --help     Show this help and exit.\n"
                        "  -v, --version  Show the version and exit.\n"));
}

QTEST_MAIN(TestCheck)
#include "tst_check.moc"
