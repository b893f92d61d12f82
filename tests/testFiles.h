// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <memory>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

// Files and processes as the tests need them, with Qt Core alone. Helpers that
// can fail take the caller's place by default, so that a failure names the
// test's line rather than the helper's.

// A new temporary folder as the working folder, the one before removed;
// null where none can be made.
inline const QTemporaryDir *enterNewFolder()
{
    static std::unique_ptr<QTemporaryDir> folder;
    folder = std::make_unique<QTemporaryDir>();
    return folder->isValid() && QDir::setCurrent(folder->path()) ? folder.get() : nullptr;
}

// How a program ended: its exit code, -1 when it crashed or still ran after
// 30 s, and what it printed.
struct programRun {
    int exitCode;
    QByteArray out;
    QByteArray err;
};

// program run with arguments, or, given a bash script, the script run with
// the program as "$0" and the arguments as "$@". Its environment is the
// test's, in the C locale, so that the system's reasons read in English, and
// extra; $FAULTS names the fault injection library where there is one.
inline programRun runProgram(const QString &program, const QStringList &arguments,
                             const QString &script = QString(),
                             const QProcessEnvironment &extra = QProcessEnvironment())
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
#ifdef VELMORA_FAULTS_LIBRARY
    environment.insert(QStringLiteral("FAULTS"), QStringLiteral(VELMORA_FAULTS_LIBRARY));
    // The sanitizers' runtime would refuse to come after a preloaded library.
    environment.insert(QStringLiteral("ASAN_OPTIONS"), environment.value(QStringLiteral("ASAN_OPTIONS"))
                                                           + QStringLiteral(":verify_asan_link_order=0"));
#endif
    environment.insert(extra);
    QProcess process;
    process.setProcessEnvironment(environment);
    if (script.isEmpty())
        process.start(program, arguments);
    else
        process.start(QStringLiteral("bash"), QStringList{QStringLiteral("-c"), script, program} + arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return {-1, QByteArray(), process.readAllStandardError()};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

inline bool writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// 14 lines, each one code repeated 14 times.
inline QByteArray uniformMap(char code)
{
    return QByteArray(14, code).append('\n').repeated(14);
}

// A FIFO at name; a failure fails the calling test.
inline bool makeFifo(const QString &name, const char *file = __builtin_FILE(), int line = __builtin_LINE())
{
#ifdef Q_OS_UNIX
    if (::mkfifo(QFile::encodeName(name).constData(), 0600) == 0)
        return true;
    QTest::qFail(qPrintable(QStringLiteral("mkfifo %1: %2").arg(name, QString::fromLocal8Bit(std::strerror(errno)))),
                 file, line);
#else
    QTest::qFail(qPrintable(QStringLiteral("no FIFOs here, not even %1").arg(name)), file, line);
#endif
    return false;
}

// A regular file whose reads fail at its first byte, as on a failing disk:
// Linux shows such files in /sys. Empty when this system has none; tests then
// say so as they skip.
inline QString readErrorFile()
{
    for (const char *path : {"/sys/devices/system/cpu/power/autosuspend_delay_ms",
                             "/sys/devices/platform/power/autosuspend_delay_ms",
                             "/sys/devices/software/power/autosuspend_delay_ms"}) {
        QFile file(QString::fromLatin1(path));
        char byte;
        if (file.size() > 0 && file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)
            && file.read(&byte, 1) < 0)
            return file.fileName();
    }
    return QString();
}

constexpr const char *noReadErrorFile = "no file of /sys fails its reads on this system";

// The map reader opens files through Qt alone: FIFOs then wait for a writer,
// and holes are read as any other bytes.
#ifdef VELMORA_PORTABLE_IO
constexpr bool portableIo = true;
#else
constexpr bool portableIo = false;
#endif
constexpr const char *namesDecoded = "the portable build hands names to Qt, which decodes them, so "
                                     "a name in another encoding than the system's is lost";
// What opening a folder as a map says.
constexpr const char *isAFolder = portableIo ? "file to open is a directory" : "Is a directory";
constexpr const char *needsPosixIo = "the portable build opens files through Qt alone, which waits on "
                                     "a FIFO and reads holes byte by byte";

// A field of /proc/self/status in KiB ("VmRSS:", "VmHWM:"), or -1 where it is not known.
inline qint64 statusKiB(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// Sets the process's peak memory back to what it uses now, so that the next
// peak is the next step's own, whatever ran before in the same process.
// False where the system cannot.
inline bool resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1 && clear.flush();
}

// True in the sanitizer build. AddressSanitizer keeps freed memory in
// quarantine for a while, so the process's memory figures say nothing there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool addressSanitizerOn = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool addressSanitizerOn = true;
#else
constexpr bool addressSanitizerOn = false;
#endif
#else
constexpr bool addressSanitizerOn = false;
#endif
