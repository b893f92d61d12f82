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

// The folder a name is in, as a name.
QByteArray folderOf(const QByteArray &name)
{
    const int slash = name.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : name.left(slash);
}

// Whether the symbolic link name is one of this process's links to its open
// descriptors (/proc/self/fd/1, reached by /dev/stdout and /dev/fd/1 too).
// Their text may name no file (pipe:[1234]): only the system follows them.
bool isDescriptorLink(const QByteArray &name)
{
    struct stat folder;
    if (::stat(folderOf(name).constData(), &folder) != 0)
        return false;
    for (const char *own : {"/proc/self/fd", "/proc/thread-self/fd"}) {
        struct stat descriptors;
        if (::stat(own, &descriptors) == 0 && descriptors.st_dev == folder.st_dev
            && descriptors.st_ino == folder.st_ino)
            return true;
    }
    return false;
}

// Follows the symbolic links that path is, one by one, each relative one from
// its own link's folder, as the system does, so that path becomes the name of
// the file they lead to, whether it exists or not. A link to a descriptor is
// left to the system, but for a standard stream closed at start, which stays
// closed by every name. 0, or the errno that ends the way.
int followLinks(QByteArray &path, bool &toDescriptor)
{
    // As many as Linux follows in one name.
    constexpr int mostLinks = 40;
    for (int links = 0;; ++links) {
        struct stat status;
        if (::lstat(path.constData(), &status) != 0)
            return errno == ENOENT ? 0 : errno;
        if (!S_ISLNK(status.st_mode))
            return 0;
        if (isDescriptorLink(path)) {
            bool number = false;
            const int fd = path.mid(path.lastIndexOf('/') + 1).toInt(&number);
            toDescriptor = true;
            return number && commandLine::closedAtStart(fd) ? EBADF : 0;
        }
        if (links == mostLinks)
            return ELOOP;
        QByteArray target(PATH_MAX, '\0');
        const ssize_t size = ::readlink(path.constData(), target.data(), size_t(target.size()));
        if (size < 0)
            return errno;
        if (size == target.size())
            return ENAMETOOLONG;
        target.truncate(int(size));
        path = target.startsWith('/') ? target : folderOf(path) + '/' + target;
    }
}

// Interrupts are held back while a temporary file has a name, so that none
// stays behind; they are delivered once the rename is done or undone.
class interruptBlocker
{
public:
    interruptBlocker()
    {
        sigset_t held;
        sigemptyset(&held);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
            sigaddset(&held, signal);
        sigprocmask(SIG_BLOCK, &held, &before);
    }
    ~interruptBlocker() { sigprocmask(SIG_SETMASK, &before, nullptr); }

private:
    sigset_t before;
};

// A file beside the output that becomes it by a rename. Where the file
// system can, it is made without a name (O_TMPFILE) and named only once
// written, just before the rename, so that a kill before then leaves nothing
// behind; elsewhere it has its name from the start. Whatever has a name and
// was not renamed goes with it.
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

    // Each gives 0, or the errno of the call that failed. The mode is set
    // as it stands, whatever the umask.
    int create(mode_t mode)
    {
        fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        // EISDIR from kernels that know no O_TMPFILE, EOPNOTSUPP from file
        // systems that give none.
        if (fd < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return errno;
        if (fd < 0) {
            name = folder + "/.velmora-render-XXXXXX";
            fd = ::mkostemp(name.data(), O_CLOEXEC);
        }
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
    QByteArray target = path;
    bool toDescriptor = false;
    if (const int error = followLinks(target, toDescriptor))
        return commandLine::reasonOf(error);
    // Opening without creating or truncating changes nothing yet, and the
    // questions that follow are asked of what was opened, not of the name.
    // A FIFO is opened as a shell's redirection opens it, waiting for its
    // reader.
    const int fd = ::open(target.constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 && errno != ENOENT)
        return commandLine::reasonOf(errno);
    // A new output gets what the umask leaves, as any new file; the
    // replacement of an existing one keeps its permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode_t mode = 0666 & ~mask;
    if (fd >= 0) {
        struct stat status;
        int error = ::fstat(fd, &status) != 0 ? errno : 0;
        if (!error && fileId{quint64(status.st_dev), quint64(status.st_ino)} == map) {
            ::close(fd);
            return isTheMap();
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
        mode = status.st_mode & 07777;
        // A regular file behind a descriptor (standard output redirected to
        // it) is replaced by its own name.
        char resolved[PATH_MAX];
        if (toDescriptor && !::realpath(target.constData(), resolved))
            return commandLine::reasonOf(errno);
        if (toDescriptor)
            target = resolved;
    }

    const interruptBlocker held;
    temporaryFile file(folderOf(target));
    int error = file.create(mode);
    if (!error)
        error = file.write(bytes);
    if (!error)
        error = file.renameOver(target);
    return error ? commandLine::reasonOf(error) : QString();
}

} // namespace outputFile
