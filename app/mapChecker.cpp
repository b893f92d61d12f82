// SPDX-License-Identifier: MIT
#include "mapChecker.h"

#include <algorithm>

namespace {

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

} // namespace

void mapChecker::taken(qint64 offset, char byte, mapReader::fate what, int row, int col)
{
    using fate = mapReader::fate;
    // A carriage return ends no line: the codes after it on its line, if any,
    // show that one was meant to end there.
    if (what == fate::lineEnd)
        returnPending = false;
    if (returnPending && (what == fate::code || what == fate::surplus)) {
        returnPending = false;
        if (looseReturn.line == 0)
            looseReturn = pendingReturn;
    }
    if (looseReturn.line != 0 && byte == '\n')
        lineFeedAfterLooseReturn = true;

    if (!bomDecided) {
        if (what == fate::code && offset == bomBytes.size() && byte == byteOrderMark[offset]) {
            bomBytes += byte;
            if (bomBytes.size() == 3) {
                bomDecided = true;
                report({1, 1}, true,
                       QStringLiteral("UTF-8 byte order mark: read as three codes, it shifts "
                                      "row 0 three cells to the right"));
            }
            return;
        }
        bomDecided = true;
        for (int i = 0; i < bomBytes.size(); ++i)
            unknownCodeAt(i, bomBytes.at(i), 0, i);
    }

    const bool unknown = what == fate::code && (byte < '0' || byte > '8');
    if (!unknown || offset != runEnd)
        flushUnknownRun();
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
        endRow(at(offset));
        complete = row == gridSize - 1;
        break;
    case fate::separator:
        if (byte == '\0')
            nulsAt(offset, 1);
        else if (byte == '\r' && !returnPending) {
            returnPending = true;
            pendingReturn = at(offset);
        }
        break;
    case fate::beyond:
        if (byte == '\n')
            ++linesBeyond;
        else if (byte != '\0' && byte != '\r' && byte != ' ')
            codesBeyond = true;
        break;
    }
    if (byte == '\n') {
        ++line;
        lineStart = offset + 1;
    }
}

void mapChecker::hole(qint64 offset, qint64 size)
{
    flushUnknownRun();
    if (!complete)
        nulsAt(offset, size);
}

void mapChecker::ended(qint64 offset)
{
    fileEnd = offset;
}

void mapChecker::nulsAt(qint64 offset, qint64 size)
{
    if (nulCount == 0)
        firstNul = at(offset);
    nulCount += size;
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

void mapChecker::flushUnknownRun()
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

void mapChecker::endRow(position where)
{
    const int row = int(line);
    if (surplusCount > 0 && counted(surplusCodes, surplusStart))
        report(surplusStart, true,
               QStringLiteral("row %1 has %2 codes: %3 after the 14th %4 ignored")
                   .arg(QString::number(row), QString::number(gridSize + surplusCount),
                        surplusCount == 1 ? QStringLiteral("the one")
                                          : QStringLiteral("the ") + QString::number(surplusCount),
                        surplusCount == 1 ? QStringLiteral("is") : QStringLiteral("are")));
    if (rowCodes < gridSize && counted(shortRow, where)) {
        QString what;
        if (rowCodes == 0)
            what = QStringLiteral("no codes: all its cells are");
        else
            what = QStringLiteral("%1 %2: %3 %4")
                       .arg(QString::number(rowCodes),
                            rowCodes == 1 ? QStringLiteral("code") : QStringLiteral("codes"),
                            cells(row, rowCodes, gridSize - 1),
                            rowCodes == gridSize - 1 ? QStringLiteral("is") : QStringLiteral("are"));
        report(where, false, QStringLiteral("row %1 has %2 filled with '0'").arg(QString::number(row), what));
    }
    rowCodes = 0;
    surplusCount = 0;
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

QList<mapChecker::diagnostic> mapChecker::finish()
{
    if (!bomDecided) {
        bomDecided = true;
        for (int i = 0; i < bomBytes.size(); ++i)
            unknownCodeAt(i, bomBytes.at(i), 0, i);
    }
    flushUnknownRun();
    const position end = at(fileEnd);
    if (!complete) {
        // A last line without a line feed is a row all the same.
        const bool lastLineOpen = fileEnd > lineStart;
        if (lastLineOpen)
            endRow(end);
        const qint64 lines = line + (lastLineOpen ? 1 : 0);
        if (lines == 0)
            report(end, false, QStringLiteral("the file is empty: every cell is filled with '0'"));
        else if (lines < gridSize)
            report(end, false,
                   QStringLiteral("the file has only %1 %2: %3 filled with '0'")
                       .arg(lines)
                       .arg(lines == 1 ? QStringLiteral("line") : QStringLiteral("lines"))
                       .arg(lines == gridSize - 1
                                ? QStringLiteral("row 13 is")
                                : QStringLiteral("rows %1 to 13 are").arg(lines)));
    }
    if (looseReturn.line != 0)
        report(looseReturn, true,
               QStringLiteral("carriage return without a line feed (an old Mac line end): lines end "
                              "only at line feeds, so %1")
                   .arg(lineFeedAfterLooseReturn ? QStringLiteral("this line runs on to the next one")
                                                 : QStringLiteral("the whole file is one line")));
    if (nulCount > 0)
        report(firstNul, false,
               QStringLiteral("NUL bytes are skipped (%1 in the lines that count)").arg(nulCount));
    if (codesBeyond) {
        const qint64 ignored = linesBeyond + (fileEnd > lineStart ? 1 : 0);
        report({gridSize + 1, 1}, true,
               QStringLiteral("%1 %2 after the 14th %3 ignored")
                   .arg(ignored)
                   .arg(ignored == 1 ? QStringLiteral("line") : QStringLiteral("lines"))
                   .arg(ignored == 1 ? QStringLiteral("is") : QStringLiteral("are")));
    }
    const char *const names[kinds] = {"runs of bytes that are not ground codes",
                                      "rows with codes after the 14th", "rows with missing codes"};
    for (int sort = 0; sort < kinds; ++sort)
        if (counts[sort] > maxPerKind)
            found.append({firstUnreported[sort].line, firstUnreported[sort].column, false,
                          QStringLiteral("%1 more %2 are not reported")
                              .arg(counts[sort] - maxPerKind)
                              .arg(QLatin1String(names[sort]))});
    std::stable_sort(found.begin(), found.end(), [](const diagnostic &a, const diagnostic &b) {
        return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
    return found;
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
