// SPDX-License-Identifier: MIT
#include "mapChecker.h"

#include <algorithm>
#include <cstring>

namespace {

using fate = mapReader::fate;
constexpr int gridSize = mapReader::gridSize;
// How many bytes of a run the message shows.
constexpr int shownBytes = 8;
const char byteOrderMark[] = "\xEF\xBB\xBF";

// Bytes as a C character literal would write them.
QString printable(const QByteArray &bytes)
{
    QString text;
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        if (byte == '\'' || byte == '\\')
            text += QLatin1String("\\") + QLatin1Char(byte);
        else if (byte == '\t')
            text += QLatin1String("\\t");
        else if (value > 0x20 && value < 0x7F)
            text += QLatin1Char(byte);
        else
            text += QLatin1String("\\x") + QLatin1Char("0123456789abcdef"[value >> 4])
                + QLatin1Char("0123456789abcdef"[value & 15]);
    }
    return text;
}

QString cells(int row, int first, int last)
{
    if (first == last)
        return QStringLiteral("cell %1,%2").arg(QString::number(row), QString::number(first));
    return QStringLiteral("cells %1,%2 to %1,%3")
        .arg(QString::number(row), QString::number(first), QString::number(last));
}

// "the one ... is" or "the 3 ... are", and the like.
QString plural(qint64 count, const char *one, const char *many)
{
    return QLatin1String(count == 1 ? one : many);
}

} // namespace

void mapChecker::taken(qint64 offset, char byte, fate what, int row, int col)
{
    watchCarriageReturn(offset, byte, what);
    if (!bomDecided && heldAsByteOrderMark(offset, byte, what))
        return;

    const bool unknown = what == fate::code && (byte < '0' || byte > '8');
    if (!unknown || offset != runEnd)
        reportUnknownRun();
    switch (what) {
    case fate::code:
        rowCodes = col + 1;
        if (unknown)
            unknownCodeAt(offset, byte, row, col);
        break;
    case fate::surplus:
        if (surplusCount++ == 0)
            surplusStart = at(offset);
        break;
    case fate::lineEnd:
        reportSurplusCodes();
        reportShortRow(at(offset));
        complete = row == gridSize - 1;
        ++line;
        lineStart = offset + 1;
        break;
    case fate::separator:
        if (byte == '\0' && nulCount++ == 0)
            firstNul = at(offset);
        break;
    case fate::beyond:
        break;
    }
}

void mapChecker::beyond(qint64 offset, const char *bytes, qint64 size)
{
    const char *const end = bytes + size;
    for (const char *byte = bytes; !codesBeyond && byte < end; ++byte)
        codesBeyond = *byte != '\n' && *byte != '\0' && *byte != '\r' && *byte != ' ';
    for (const char *lineFeed = bytes;
         (lineFeed = static_cast<const char *>(std::memchr(lineFeed, '\n', size_t(end - lineFeed))));
         ++lineFeed) {
        ++linesBeyond;
        lineStart = offset + (lineFeed - bytes) + 1;
    }
}

void mapChecker::hole(qint64 offset, qint64 size)
{
    reportUnknownRun();
    if (complete)
        return;
    if (nulCount == 0)
        firstNul = at(offset);
    nulCount += size;
}

void mapChecker::ended(qint64 offset)
{
    fileEnd = offset;
}

QList<mapChecker::diagnostic> mapChecker::finish()
{
    if (!bomDecided)
        releaseByteOrderMark();
    reportUnknownRun();
    reportMissingRows();
    reportLooseReturn();
    reportNuls();
    reportLinesBeyond();
    reportUnreported();
    std::stable_sort(found.begin(), found.end(), [](const diagnostic &a, const diagnostic &b) {
        return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
    return found;
}

bool mapChecker::counted(int sort, position where)
{
    if (counts[sort]++ < maxPerKind)
        return true;
    if (counts[sort] == maxPerKind + 1)
        firstUnreported[sort] = where;
    return false;
}

void mapChecker::report(position where, bool warning, const QString &message)
{
    found.append({where.line, where.column, warning, message});
}

// The first bytes are held while they match a byte order mark; true while
// this one is held.
bool mapChecker::heldAsByteOrderMark(qint64 offset, char byte, fate what)
{
    if (what == fate::code && offset == bomBytes.size() && byte == byteOrderMark[offset]) {
        bomBytes += byte;
        if (bomBytes.size() == 3) {
            bomDecided = true;
            report({1, 1}, true,
                   QStringLiteral("UTF-8 byte order mark: read as three codes, it shifts "
                                  "row 0 three cells to the right"));
        }
        return true;
    }
    releaseByteOrderMark();
    return false;
}

// Bytes that began like a byte order mark and turned out to be none are
// codes like any other.
void mapChecker::releaseByteOrderMark()
{
    bomDecided = true;
    for (int i = 0; i < bomBytes.size(); ++i)
        unknownCodeAt(i, bomBytes.at(i), 0, i);
}

// A carriage return ends no line: the codes after it on its line, if any,
// show that one was meant to end there.
void mapChecker::watchCarriageReturn(qint64 offset, char byte, fate what)
{
    if (what == fate::lineEnd)
        returnPending = false;
    if (returnPending && (what == fate::code || what == fate::surplus)) {
        returnPending = false;
        if (looseReturn.line == 0)
            looseReturn = pendingReturn;
    }
    if (looseReturn.line != 0 && byte == '\n')
        lineFeedAfterLooseReturn = true;
    if (byte == '\r' && what == fate::separator && !returnPending) {
        returnPending = true;
        pendingReturn = at(offset);
    }
}

void mapChecker::unknownCodeAt(qint64 offset, char byte, int row, int col)
{
    if (runEnd != offset) {
        runStart = at(offset);
        runBytes.clear();
        runLength = 0;
        runRow = row;
        runCol = col;
    }
    if (runBytes.size() < shownBytes)
        runBytes += byte;
    ++runLength;
    runEnd = offset + 1;
}

void mapChecker::reportUnknownRun()
{
    if (runEnd < 0)
        return;
    runEnd = -1;
    if (!counted(unknownCode, runStart))
        return;
    const QString bytes = printable(runBytes) + (runLength > shownBytes ? QStringLiteral("...") : QString());
    const QString where = cells(runRow, runCol, runCol + int(runLength) - 1);
    if (runLength == 1)
        report(runStart, true,
               QStringLiteral("'%1' is not a ground code: %2 shows empty ground").arg(bytes, where));
    else
        report(runStart, true,
               QStringLiteral("'%1' are %2 bytes that are not ground codes: %3 show empty ground")
                   .arg(bytes, QString::number(runLength), where));
}

void mapChecker::reportSurplusCodes()
{
    if (surplusCount > 0 && counted(surplusCodes, surplusStart))
        report(surplusStart, true,
               QStringLiteral("row %1 has %2 codes: %3 after the %4th %5 ignored")
                   .arg(QString::number(line), QString::number(gridSize + surplusCount),
                        surplusCount == 1 ? QStringLiteral("the one")
                                          : QStringLiteral("the ") + QString::number(surplusCount),
                        QString::number(gridSize), plural(surplusCount, "is", "are")));
    surplusCount = 0;
}

void mapChecker::reportShortRow(position where)
{
    if (rowCodes < gridSize && counted(shortRow, where)) {
        QString what;
        if (rowCodes == 0)
            what = QStringLiteral("no codes: all its cells are");
        else
            what = QStringLiteral("%1 %2: %3 %4")
                       .arg(QString::number(rowCodes), plural(rowCodes, "code", "codes"),
                            cells(int(line), rowCodes, gridSize - 1),
                            plural(gridSize - rowCodes, "is", "are"));
        report(where, false,
               QStringLiteral("row %1 has %2 filled with '0'").arg(QString::number(line), what));
    }
    rowCodes = 0;
}

// A last line without a line feed is a row all the same; the rows after the
// file's last line are reported once for all.
void mapChecker::reportMissingRows()
{
    if (complete)
        return;
    const position end = at(fileEnd);
    const bool lastLineOpen = fileEnd > lineStart;
    if (lastLineOpen) {
        reportSurplusCodes();
        reportShortRow(end);
    }
    const qint64 lines = line + (lastLineOpen ? 1 : 0);
    if (lines == 0)
        report(end, false, QStringLiteral("the file is empty: every cell is filled with '0'"));
    else if (lines < gridSize)
        report(end, false,
               QStringLiteral("the file has only %1 %2: %3 filled with '0'")
                   .arg(QString::number(lines), plural(lines, "line", "lines"),
                        lines == gridSize - 1
                            ? QStringLiteral("row %1 is").arg(gridSize - 1)
                            : QStringLiteral("rows %1 to %2 are").arg(lines).arg(gridSize - 1)));
}

void mapChecker::reportLooseReturn()
{
    if (looseReturn.line != 0)
        report(looseReturn, true,
               QStringLiteral("carriage return without a line feed (an old Mac line end): lines end "
                              "only at line feeds, so %1")
                   .arg(lineFeedAfterLooseReturn ? QStringLiteral("this line runs on to the next one")
                                                 : QStringLiteral("the whole file is one line")));
}

void mapChecker::reportNuls()
{
    if (nulCount > 0)
        report(firstNul, false,
               QStringLiteral("NUL bytes are skipped (%1 in the lines that count)").arg(nulCount));
}

void mapChecker::reportLinesBeyond()
{
    if (!codesBeyond)
        return;
    const qint64 ignored = linesBeyond + (fileEnd > lineStart ? 1 : 0);
    report({gridSize + 1, 1}, true,
           QStringLiteral("%1 %2 after the %3th %4 ignored")
               .arg(QString::number(ignored), plural(ignored, "line", "lines"),
                    QString::number(gridSize), plural(ignored, "is", "are")));
}

void mapChecker::reportUnreported()
{
    const QString names[kinds] = {
        QStringLiteral("runs of bytes that are not ground codes"),
        QStringLiteral("rows with codes after the %1th").arg(gridSize),
        QStringLiteral("rows with missing codes")};
    for (int sort = 0; sort < kinds; ++sort)
        if (counts[sort] > maxPerKind)
            report(firstUnreported[sort], false,
                   QStringLiteral("%1 more %2 are not reported")
                       .arg(QString::number(counts[sort] - maxPerKind), names[sort]));
}

QByteArray mapChecker::gridText(const QByteArray &codes)
{
    QByteArray text;
    for (int row = 0; row < gridSize; ++row) {
        for (int col = 0; col < gridSize; ++col) {
            const char code = codes.at(row * gridSize + col);
            text += code > 0x20 && code < 0x7F ? code : '?';
        }
        text += '\n';
    }
    return text;
}
