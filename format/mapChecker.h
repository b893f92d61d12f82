// SPDX-License-Identifier: MIT
#pragma once

#include "mapReader.h"

#include <QByteArray>
#include <QList>

// Explains why a map file may not show what its author meant. It watches the
// viewer's own reader take every byte of the file and keeps a diagnostic
// wherever the grid the viewer shows differs from what a text editor
// suggests, placed by line and by byte of that line, both counted from 1.
// Memory stays bounded for a file of any size: every kind of diagnostic comes
// at most once a row that counts, or once a file, but for runs of bytes that
// are not ground codes, of which past maxReportedRuns only the number is kept.
class mapChecker : public mapReader::observer
{
public:
    static constexpr int maxReportedRuns = 20;

    struct diagnostic {
        qint64 line;
        qint64 column;
        bool warning; // otherwise a note: the viewer likely does what was meant
        QByteArray message; // ASCII: bytes of the file are written as C escapes
    };

    void taken(qint64 offset, char byte, mapReader::fate what, int row, int col) override;
    void beyond(qint64 offset, const char *bytes, qint64 size) override;
    void hole(qint64 offset, qint64 size) override;
    void ended(qint64 offset) override;
    // What only the end of the file tells, then every diagnostic in file order.
    QList<diagnostic> finish();

    // The grid as the viewer places it, a line a row; codes outside
    // printable ASCII show as '?'.
    static QByteArray gridText(const QByteArray &codes);

private:
    struct position {
        qint64 line = 0;
        qint64 column = 0;
    };
    position at(qint64 offset) const { return {line + 1, offset - lineStart + 1}; }
    // Counts one more run of bytes that are not ground codes; true while
    // runs are still reported.
    bool reportsAnotherRun(position where);
    void report(position where, bool warning, const QByteArray &message);

    // Each kind of diagnostic: the bytes it watches, then its report.
    bool heldAsByteOrderMark(qint64 offset, char byte, mapReader::fate what);
    void releaseByteOrderMark();
    void watchCarriageReturn(qint64 offset, char byte, mapReader::fate what);
    void unknownCodeAt(qint64 offset, char byte, int row, int col);
    void reportUnknownRun();
    void reportSurplusCodes();
    void reportShortRow(position where);
    void reportMissingRows();
    void reportLooseReturn();
    void reportNuls();
    void reportLinesBeyond();
    void reportUnreportedRuns();

    QList<diagnostic> found;
    qint64 unknownRuns = 0;
    position firstUnreportedRun;

    qint64 line = 0;      // line feeds seen in the lines that count
    qint64 lineStart = 0; // offset of the current line's first byte
    qint64 fileEnd = 0;
    bool complete = false; // every line that counts has ended
    int rowCodes = 0;

    // The first bytes, held back until they prove to be a byte order mark or not.
    QByteArray bomBytes;
    bool bomDecided = false;

    // Adjacent bytes that are no ground code, reported as one, with the
    // first shownBytes of them.
    static constexpr int shownBytes = 8;
    position runStart;
    qint64 runEnd = -1;
    char runBytes[shownBytes];
    int runShown = 0; // of runBytes
    qint64 runLength = 0;
    int runRow = 0;
    int runCol = 0;

    position surplusStart;
    qint64 surplusCount = 0;

    // The first carriage return since the last line feed or code, waiting
    // to see which comes next; the first that a code followed.
    bool returnPending = false;
    position pendingReturn;
    position looseReturn;
    bool lineFeedAfterLooseReturn = false;

    position firstNul;
    qint64 nulCount = 0;

    bool codesBeyond = false;
    qint64 linesBeyond = 0;
};
