// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QtTest>

// Map files and the codes they give, shared by the format's test, which reads
// them with the reader alone, and the map widget's, which loads them into tiles.

// The codes a map file should give, as 196 bytes in row-major order: each
// listed row padded with '0', missing rows all '0'.
inline QByteArray grid(const QList<QByteArray> &rows)
{
    QByteArray codes;
    for (int row = 0; row < 14; ++row)
        codes += rows.value(row).leftJustified(14, '0', true);
    return codes;
}

// The same row, fourteen times.
inline QList<QByteArray> sameRows(const QByteArray &row)
{
    QList<QByteArray> rows;
    for (int i = 0; i < 14; ++i)
        rows.append(row);
    return rows;
}

// Columns content and codes.
inline void addReaderRows()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("codes");

    const QByteArray line = "12345678012345";
    const QByteArray full = grid(sameRows(line));
    QTest::newRow("lf line ends") << (line + '\n').repeated(14) << full;
    QTest::newRow("crlf line ends") << (line + "\r\n").repeated(14) << full;
    QTest::newRow("no final line feed") << (line + '\n').repeated(14).chopped(1) << full;
    QTest::newRow("lines after the 14th ignored")
        << (line + '\n').repeated(14) + "66666666666666\n" << full;
    QTest::newRow("spaces and nul between codes")
        << QByteArray("1 2\0003  4\n 5\n", 12) << grid({"1234", "5"});
    QTest::newRow("tab is a code") << QByteArray("1 1\t1\n") << grid({"11\t1"});
    QTest::newRow("20 codes on a line")
        << QByteArray("12345671234567777777\n\n22\n") << grid({"12345671234567", "", "22"});
    QTest::newRow("3 lines") << QByteArray("1\n2\n3\n") << grid({"1", "2", "3"});
    QTest::newRow("empty file") << QByteArray() << grid({});
    QTest::newRow("empty lines") << QByteArray("\n\n\r\n4\n") << grid({"", "", "", "4"});
    QTest::newRow("cr only line ends")
        << QByteArray("1234\r5678\r1234\r") << grid({"123456781234"});
    QTest::newRow("utf-8 byte order mark")
        << QByteArray("\xEF\xBB\xBF" "12345678123456\n2\n")
        << grid({"\xEF\xBB\xBF" "12345678123", "2"});
    QTest::newRow("latin-1 codes") << QByteArray("\xE9\xFF\x80\x7F\n") << grid({"\xE9\xFF\x80\x7F"});
    // Lines longer than any read buffer: codes after the filler, and the
    // surplus of a long line dropped up to its own line feed.
    QTest::newRow("long filler before codes")
        << QByteArray(100000, ' ') + "77\n" + "6\n" << grid({"77", "6"});
    QTest::newRow("long line of codes")
        << QByteArray(100000, '5') + "\n4\n" << grid({"55555555555555", "4"});
}
