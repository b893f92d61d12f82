// SPDX-License-Identifier: MIT
#include "mapChecker.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

using fate = mapReader::fate;
constexpr int gridSize = mapReader::gridSize;
const char byteOrderMark[] = "\xEF\xBB\xBF";

// Bytes as a C character literal would write them, into text, which has
// room for four characters a byte and the ending NUL.
void printable(const char *bytes, int size, char *text)
{
    for (int i = 0; i < size; ++i) {
        const auto value = static_cast<unsigned char>(bytes[i]);
        if (value == '\'' || value == '\\')
            text += std::sprintf(text, "\\%c", value);
        else if (value == '\t')
            text += std::sprintf(text, "\\t");
        else if (value > 0x20 && value < 0x7F)
            *text++ = char(value);
        else
            text += std::sprintf(text, "\\x%02x", value);
    }
    *text = '\0';
}

// A message from a printf format. Diagnostics are many in a bad file, and
// each is one allocation.
template <typename... Values>
QByteArray say(const char *format, Values... values)
{
    char text[256];
    const int size = std::snprintf(text, sizeof text, format, values...);
    return QByteArray(text, qBound(0, size, int(sizeof text) - 1));
}

// "is" or "are", and the like, for count things.
const char *plural(qint64 count, const char *one, const char *many)
{
    return count == 1 ? one : many;
}

} // namespace

void mapChecker::taken(qint64 offset, char byte, fate what, int row, int col)
{
    watchCarriageReturn(offset, byte, what);
    // A byte order mark is three codes of row 0 all the same.
    if (what == fate::code)
        rowCodes = col + 1;
    if (!bomDecided && heldAsByteOrderMark(offset, byte, what))
        return;

    const bool unknown = what == fate::code && (byte < '0' || byte > '8');
    if (!unknown || offset != runEnd)
        reportUnknownRun();
    switch (what) {
    case fate::code:
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
    reportUnreportedRuns();
    const auto before = [](const diagnostic &a, const diagnostic &b) {
        return a.line != b.line ? a.line < b.line : a.column < b.column;
    };
    // Most are found in file order already; sorting takes a buffer.
    if (!std::is_sorted(found.begin(), found.end(), before))
        std::stable_sort(found.begin(), found.end(), before);
    return found;
}

bool mapChecker::reportsAnotherRun(position where)
{
    if (unknownRuns++ < maxReportedRuns)
        return true;
    if (unknownRuns == maxReportedRuns + 1)
        firstUnreportedRun = where;
    return false;
}

void mapChecker::report(position where, bool warning, const QByteArray &message)
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
                   "UTF-8 byte order mark: read as three codes, it shifts row 0 three cells to "
                   "the right");
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
        runShown = 0;
        runLength = 0;
        runRow = row;
        runCol = col;
    }
    if (runShown < shownBytes)
        runBytes[runShown++] = byte;
    ++runLength;
    runEnd = offset + 1;
}

void mapChecker::reportUnknownRun()
{
    if (runEnd < 0)
        return;
    runEnd = -1;
    if (!reportsAnotherRun(runStart))
        return;
    char bytes[shownBytes * 4 + 1];
    printable(runBytes, runShown, bytes);
    const char *const more = runLength > shownBytes ? "..." : "";
    // Cells are named by row and column, as the viewer's screen reader names
    // them, and by x and y, as Tiled does.
    if (runLength == 1)
        report(runStart, true,
               say("'%s' is not a ground code: row %d, column %d (x %d, y %d) shows empty ground", bytes,
                   runRow, runCol, runCol, runRow));
    else {
        const long long lastCol = runCol + runLength - 1;
        report(runStart, true,
               say("'%s%s' are %lld bytes that are not ground codes: row %d, columns %d to %lld "
                   "(x %d to %lld, y %d) show empty ground",
                   bytes, more, static_cast<long long>(runLength), runRow, runCol, lastCol, runCol,
                   lastCol, runRow));
    }
}

void mapChecker::reportSurplusCodes()
{
    if (surplusCount > 0)
        report(surplusStart, true,
               say("row %lld has %lld codes: the %s after the %dth %s ignored",
                   static_cast<long long>(line), static_cast<long long>(gridSize + surplusCount),
                   surplusCount == 1 ? "one" : QByteArray::number(surplusCount).constData(), gridSize,
                   plural(surplusCount, "is", "are")));
    surplusCount = 0;
}

void mapChecker::reportShortRow(position where)
{
    if (rowCodes < gridSize) {
        const long long row = line;
        if (rowCodes == 0)
            report(where, false, say("row %lld has no codes: all its cells are filled with '0'", row));
        else if (rowCodes == gridSize - 1)
            report(where, false,
                   say("row %lld has %d codes: column %d (x %d, y %lld) is filled with '0'", row, rowCodes,
                       rowCodes, rowCodes, row));
        else
            report(where, false,
                   say("row %lld has %d %s: columns %d to %d (x %d to %d, y %lld) are filled with '0'", row,
                       rowCodes, plural(rowCodes, "code", "codes"), rowCodes, gridSize - 1, rowCodes,
                       gridSize - 1, row));
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
        report(end, false, "the file is empty: every cell is filled with '0'");
    else if (lines < gridSize)
        report(end, false,
               say("the file has only %lld %s: %s filled with '0'", static_cast<long long>(lines),
                   plural(lines, "line", "lines"),
                   lines == gridSize - 1 ? say("row %d is", gridSize - 1).constData()
                                         : say("rows %lld to %d are", static_cast<long long>(lines),
                                               gridSize - 1)
                                               .constData()));
}

void mapChecker::reportLooseReturn()
{
    if (looseReturn.line != 0)
        report(looseReturn, true,
               say("carriage return without a line feed (an old Mac line end): lines end only at "
                   "line feeds, so %s",
                   lineFeedAfterLooseReturn ? "this line runs on to the next one"
                                            : "the whole file is one line"));
}

void mapChecker::reportNuls()
{
    if (nulCount > 0)
        report(firstNul, false,
               say("NUL bytes are skipped (%lld in the lines that count)",
                   static_cast<long long>(nulCount)));
}

void mapChecker::reportLinesBeyond()
{
    if (!codesBeyond)
        return;
    const qint64 ignored = linesBeyond + (fileEnd > lineStart ? 1 : 0);
    report({gridSize + 1, 1}, true,
           say("%lld %s after the %dth %s ignored", static_cast<long long>(ignored),
               plural(ignored, "line", "lines"), gridSize, plural(ignored, "is", "are")));
}

void mapChecker::reportUnreportedRuns()
{
    if (unknownRuns > maxReportedRuns)
        report(firstUnreportedRun, false,
               say("%lld more runs of bytes that are not ground codes are not reported",
                   static_cast<long long>(unknownRuns - maxReportedRuns)));
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
