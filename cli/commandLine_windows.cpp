// SPDX-License-Identifier: MIT
#include "commandLine.h"
#include "windowsError.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

// The console behind a standard stream, or null when the stream goes to a
// file, a pipe or nowhere.
HANDLE consoleOf(FILE *stream)
{
    const HANDLE handle = ::GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode;
    return handle && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) ? handle : nullptr;
}

} // namespace

// Both streams carry bytes as they are: a picture is not text, and messages
// end with a line feed, as on every other system, wherever they are read.
int commandLine::holdStandardStreams()
{
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    int closed = 0;
    const DWORD streams[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    for (int fd = 0; fd < 3; ++fd) {
        const HANDLE handle = ::GetStdHandle(streams[fd]);
        if (!handle || handle == INVALID_HANDLE_VALUE)
            closed |= 1 << fd;
    }
    return closed;
}

// The wide command line, not argv: argv holds the names in the ANSI code
// page, which turns most of what Windows allows in a name into '?'.
QList<QByteArray> commandLine::systemArguments(int, char *[])
{
    QList<QByteArray> arguments;
    int count = 0;
    wchar_t **wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    for (int i = 0; wide && i < count; ++i)
        arguments.append(QString::fromWCharArray(wide[i]).toUtf8());
    ::LocalFree(wide);
    return arguments;
}

// A console takes text as UTF-16; bytes written to it would be read in its
// code page.
bool commandLine::writeStream(FILE *stream, const QByteArray &bytes)
{
    if (const HANDLE console = consoleOf(stream)) {
        std::fflush(stream);
        const std::wstring text = QString::fromUtf8(bytes).toStdWString();
        DWORD written = 0;
        if (::WriteConsoleW(console, text.data(), DWORD(text.size()), &written, nullptr))
            return true;
        errno = EIO;
        return false;
    }
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size());
}

// Names are UTF-8 here, so the whole line is.
QByteArray commandLine::encodedReason(const QString &reason)
{
    return reason.toUtf8();
}

QString windowsReason(unsigned long error)
{
    wchar_t *text = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                              | FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString reason = length ? QString::fromWCharArray(text, int(length)).trimmed()
                            : QStringLiteral("Windows error %1").arg(error);
    ::LocalFree(text);
    if (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    return reason;
}
