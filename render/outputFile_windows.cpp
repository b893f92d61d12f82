// SPDX-License-Identifier: MIT
#include "outputFile.h"

#include "commandLine.h"
#include "fileNames.h"
#include "windowsError.h"

#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <io.h>
#include <string>
#include <windows.h>

namespace {

std::wstring wide(const QByteArray &name)
{
    return fileNames::decoded(name).toStdWString();
}

// The name with its folder, as ReplaceFileW needs under Wine, which takes a
// bare name's missing folder for an invalid one.
std::wstring fullPath(const std::wstring &name)
{
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFullPathNameW(name.c_str(), DWORD(full.size()), full.data(), nullptr);
        if (length == 0)
            return name;
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.resize(length);
    }
}

QString lastReason()
{
    return windowsReason(::GetLastError());
}

outputFile::fileId idOf(const BY_HANDLE_FILE_INFORMATION &info)
{
    return {info.dwVolumeSerialNumber, quint64(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
}

// Every byte of bytes to handle; empty, or the reason the write failed.
QString writeAll(HANDLE handle, const QByteArray &bytes)
{
    for (qint64 done = 0; done < bytes.size();) {
        const DWORD chunk = DWORD(qMin<qint64>(bytes.size() - done, 1 << 30));
        DWORD written = 0;
        if (!::WriteFile(handle, bytes.constData() + done, chunk, &written, nullptr))
            return lastReason();
        // Nothing written and no error: a device that takes no more.
        if (written == 0)
            return commandLine::reasonOf(EIO);
        done += written;
    }
    return QString();
}

// Ctrl+C and the console's close are held back while the temporary file has
// a name, so that none stays behind, and take effect once it is renamed or
// removed, as they would have.
std::atomic<DWORD> heldEvent{0};
std::atomic<bool> holding{false};

BOOL WINAPI holdEvent(DWORD event)
{
    if (!holding)
        return FALSE;
    heldEvent = event + 1;
    return TRUE;
}

class interruptBlocker
{
public:
    interruptBlocker()
    {
        holding = true;
        ::SetConsoleCtrlHandler(holdEvent, TRUE);
    }
    ~interruptBlocker()
    {
        holding = false;
        ::SetConsoleCtrlHandler(holdEvent, FALSE);
        if (heldEvent)
            ::ExitProcess(STATUS_CONTROL_C_EXIT);
    }
};

// A file beside the output, named .velmora-render-XXXXXX, that becomes the
// output once written; removed on any failure.
class temporaryFile
{
public:
    ~temporaryFile()
    {
        if (handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
        if (!name.empty())
            ::DeleteFileW(name.c_str());
    }

    // Each gives empty, or the reason the call failed.
    QString create(const QByteArray &folder)
    {
        for (;;) {
            const std::wstring tried = wide(folder + "\\.velmora-render-"
                                            + QByteArray::number(QRandomGenerator::global()->generate(), 36));
            handle = ::CreateFileW(tried.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
            if (handle != INVALID_HANDLE_VALUE) {
                name = tried;
                return QString();
            }
            if (::GetLastError() != ERROR_FILE_EXISTS)
                return lastReason();
        }
    }

    QString write(const QByteArray &bytes)
    {
        QString problem = writeAll(handle, bytes);
        // On the disk before it replaces the output.
        if (problem.isEmpty() && !::FlushFileBuffers(handle))
            problem = lastReason();
        // A network share may report a failed write only at the close.
        if (!::CloseHandle(handle) && problem.isEmpty())
            problem = lastReason();
        handle = INVALID_HANDLE_VALUE;
        return problem;
    }

    // ReplaceFileW keeps what the output had: its permissions (its access
    // list), attributes and creation time; a new output comes from a move.
    QString renameOver(const QByteArray &target, bool exists)
    {
        const std::wstring to = fullPath(wide(target));
        const bool moved = exists
            ? ::ReplaceFileW(to.c_str(), fullPath(name).c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                             nullptr, nullptr)
            : ::MoveFileExW(name.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!moved)
            return lastReason();
        name.clear();
        return QString();
    }

private:
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::wstring name;
};

} // namespace

namespace outputFile {

QString identify(int fd, fileId &id)
{
    const auto handle = reinterpret_cast<HANDLE>(fd < 0 ? -1 : _get_osfhandle(fd));
    BY_HANDLE_FILE_INFORMATION info;
    if (handle == INVALID_HANDLE_VALUE)
        return commandLine::reasonOf(EBADF);
    if (!::GetFileInformationByHandle(handle, &info))
        return lastReason();
    id = idOf(info);
    return QString();
}

QString write(const QByteArray &path, const QByteArray &bytes, const fileId &map)
{
    // Opening the output as it is, without creating or truncating it, tells
    // a file from a device (NUL, CON, a pipe) and refuses what cannot be
    // written, a read-only file among them, before anything changes.
    const HANDLE existing = ::CreateFileW(wide(path).c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (existing == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_NOT_FOUND)
        return lastReason();
    if (existing != INVALID_HANDLE_VALUE) {
        const bool isFile = ::GetFileType(existing) == FILE_TYPE_DISK;
        QString problem;
        BY_HANDLE_FILE_INFORMATION info;
        if (!isFile)
            problem = writeAll(existing, bytes);
        else if (!::GetFileInformationByHandle(existing, &info))
            problem = lastReason();
        else if (idOf(info) == map)
            problem = isTheMap();
        if (!::CloseHandle(existing) && problem.isEmpty())
            problem = lastReason();
        if (!isFile || !problem.isEmpty())
            return problem;
    }
    const int slash = qMax(path.lastIndexOf('/'), path.lastIndexOf('\\'));
    // "C:" for C:\out.png and "" for \out.png, each followed by a separator.
    const QByteArray folder = slash < 0 ? QByteArray(".") : path.left(slash);

    const interruptBlocker held;
    temporaryFile file;
    QString problem = file.create(folder);
    if (problem.isEmpty())
        problem = file.write(bytes);
    if (problem.isEmpty())
        problem = file.renameOver(path, existing != INVALID_HANDLE_VALUE);
    return problem;
}

} // namespace outputFile
