// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

// What velmora-render and velmora-check share as command-line programs, in
// the manner of coreutils. Arguments are names as fileNames holds them, never
// decoded (on Windows the UTF-8 of its wide command line); every failure is one line on standard error, "program: name:
// reason"; standard output is written through print() alone and checked up
// to its close, so that an exit status never says success when output was
// lost. Build one first thing in main, before Qt or anything else opens a
// file.
class commandLine
{
public:
    struct option {
        const char *name;      // the long name, without "--"
        char letter;           // the short name, or 0
        const char *valueName; // for an option that takes a value, its name in the help
        const char *help;      // lines after the first start with a line feed
    };

    struct program {
        const char *name;        // the name messages begin with
        const char *version;
        const char *synopsis;    // what follows the name in the usage line
        const char *description; // the help's paragraph, lines ended by line feeds
        std::vector<option> options; // besides --help and --version
        int maxNames;            // names after the options; -1 for any number
        int failureStatus;       // the exit status when output is lost or memory runs out
    };

    static constexpr int usageStatus = 2;

    // Holds standard streams that were closed at start, so that no file the
    // program opens lands on them, and, where files have a size limit, turns
    // it into a write error instead of a signal.
    explicit commandLine(program about);

    // Whether the standard stream fd (0 to 2) was closed at start. It stays
    // closed to the program by every name: /dev/stdout is standard output.
    static bool closedAtStart(int fd);

    // Takes the arguments, then does the program's work and ends it: help,
    // version and usage errors are answered without it, and standard output
    // is flushed and closed, its failure reported. The status to return from
    // main. Running out of memory, anywhere, ends the program at once with
    // one line and the failure status.
    int run(int argc, char *argv[], const std::function<int()> &work);
    bool isSet(const char *name) const;
    QByteArray value(const char *name) const;
    // The names after the options: at least one, none empty.
    const QList<QByteArray> &names() const { return positional; }

    // "program: name: reason" on standard error; gives status back.
    int fail(int status, const QByteArray &name, const QString &reason) const;
    // "program: reason (usage: ...)" on standard error; gives usageStatus.
    int usage(const QByteArray &reason) const;
    static QString reasonOf(int error);
    // name as given, but for control bytes, written as C escapes so that one
    // message stays one line.
    static QByteArray escaped(const QByteArray &name);

    // Standard output. Once a write has failed nothing more is written, and
    // run() reports the failure unless flushOutput() handed it over.
    void print(const QByteArray &bytes);
    // Pushes what print() holds out to the system; 0, or the errno of the
    // write that failed, which the caller then reports.
    int flushOutput();

private:
    // A value when the program is to end at once with that status.
    std::optional<int> parse(const QList<QByteArray> &arguments);
    QByteArray help() const;
    int finish(int status);

    // The system's side, one file per system.
    // Makes the standard streams what the program needs; the streams that
    // were closed at start, a bit each (1 << fd).
    static int holdStandardStreams();
    // The arguments as the system gave them, the program's name first.
    static QList<QByteArray> systemArguments(int argc, char *argv[]);
    // All of bytes to stream, as one write where the system allows; false
    // with errno set when it fails.
    static bool writeStream(FILE *stream, const QByteArray &bytes);
    // A reason in the encoding the rest of a message is in.
    static QByteArray encodedReason(const QString &reason);

    const program about;
    QList<QByteArray> positional;
    QList<QByteArray> setNames;
    QList<QByteArray> values;
    bool printed = false;
    int outputError = 0;
    bool outputErrorTaken = false;
};
