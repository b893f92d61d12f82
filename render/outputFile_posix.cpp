// SPDX-License-Identifier: MIT
#include "outputFile.h"

#include "commandLine.h"

#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every byte of bytes to fd; 0, or the errno of the write that failed.
int writeAll(int fd, const QByteArray &bytes)
{
    for (qint64 done = 0; done < bytes.size();) {
        const ssize_t written = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        // Nothing written and no error: a device that takes no more.
        if (written == 0)
            return EIO;
        done += written;
    }
    return 0;
}

// Interrupts are held back while a temporary file has a name, so that none
// stays behind; they are delivered once the rename is done or undone.
class interruptsHeld
{
public:
    interruptsHeld()
    {
        sigset_t held;
        sigemptyset(&held);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
            sigaddset(&held, signal);
        sigprocmask(SIG_BLOCK, &held, &before);
    }
    ~interruptsHeld() { sigprocmask(SIG_SETMASK, &before, nullptr); }

private:
    sigset_t before;
};

// A file beside the output that becomes it by a rename. Where the file
// system can, it is made without a name (O_TMPFILE) and named only once
// written, so that not even a kill leaves it behind; elsewhere it has its
// name from the start. Whatever has a name and was not renamed goes with it.
class temporaryFile
{
public:
    explicit temporaryFile(const QByteArray &where) : folder(where) {}
    ~temporaryFile()
    {
        if (fd >= 0)
            ::close(fd);
        if (!name.isEmpty())
            ::unlink(name.constData());
    }

    // Each gives 0, or the errno of the call that failed.
    int create(mode_t mode)
    {
        fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
        if (fd >= 0)
            return 0;
        // EISDIR from kernels that know no O_TMPFILE, EOPNOTSUPP from file
        // systems that give none.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return errno;
        name = folder + "/.velmora-render-XXXXXX";
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0) {
            name.clear();
            return errno;
        }
        return ::fchmod(fd, mode) == 0 ? 0 : errno;
    }

    int write(const QByteArray &bytes)
    {
        if (const int error = writeAll(fd, bytes))
            return error;
        // On the disk before it replaces the output; a file system that
        // cannot say is no failure.
        if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)
            return errno;
        if (name.isEmpty()) {
            const QByteArray opened = "/proc/self/fd/" + QByteArray::number(fd);
            for (;;) {
                name = folder + "/.velmora-render-"
                    + QByteArray::number(QRandomGenerator::global()->generate(), 36);
                if (::linkat(AT_FDCWD, opened.constData(), AT_FDCWD, name.constData(),
                             AT_SYMLINK_FOLLOW) == 0)
                    break;
                const int error = errno;
                name.clear();
                if (error != EEXIST)
                    return error;
            }
        }
        // Some file systems report a failed write only at the close (NFS).
        const int closed = ::close(fd);
        fd = -1;
        return closed == 0 ? 0 : errno;
    }

    int renameOver(const QByteArray &target)
    {
        if (::rename(name.constData(), target.constData()) != 0)
            return errno;
        name.clear();
        return 0;
    }

private:
    const QByteArray folder;
    int fd = -1;
    QByteArray name;
};

} // namespace

namespace outputFile {

QString identify(int fd, fileId &id)
{
    struct stat status;
    if (::fstat(fd, &status) != 0)
        return commandLine::reasonOf(errno);
    id = {quint64(status.st_dev), quint64(status.st_ino)};
    return QString();
}

QString write(const QByteArray &path, const QByteArray &bytes, const fileId &map)
{
    // Opening without creating or truncating changes nothing yet, and the
    // questions that follow are asked of what was opened, not of the name.
    // A FIFO is opened as a shell's redirection opens it, waiting for its
    // reader.
    const int fd = ::open(path.constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 && errno != ENOENT)
        return commandLine::reasonOf(errno);
    mode_t mode = 0666;
    QByteArray target = path;
    if (fd >= 0) {
        struct stat status;
        int error = ::fstat(fd, &status) != 0 ? errno : 0;
        if (!error && fileId{quint64(status.st_dev), quint64(status.st_ino)} == map) {
            ::close(fd);
            return QStringLiteral("is the map itself; name another output");
        }
        if (!error && !S_ISREG(status.st_mode)) {
            error = writeAll(fd, bytes);
            if (::close(fd) != 0 && !error)
                error = errno;
            return error ? commandLine::reasonOf(error) : QString();
        }
        ::close(fd);
        if (error)
            return commandLine::reasonOf(error);
        // The replacement keeps the output's permissions, and a symbolic
        // link stays a link: the file it leads to is replaced.
        mode = status.st_mode & 07777;
        char resolved[PATH_MAX];
        if (!::realpath(path.constData(), resolved))
            return commandLine::reasonOf(errno);
        target = resolved;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    const int slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : target.left(slash);

    const interruptsHeld held;
    temporaryFile file(folder);
    int error = file.create(mode);
    if (!error)
        error = file.write(bytes);
    if (!error)
        error = file.renameOver(target);
    return error ? commandLine::reasonOf(error) : QString();
}

} // namespace outputFile
