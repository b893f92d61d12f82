// SPDX-License-Identifier: MIT
#include "mapFile.h"

#include <cerrno>
#include <cstring>

#if defined(Q_OS_UNIX) && !defined(VELMORA_PORTABLE_IO)
#define VELMORA_POSIX_IO
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QString reasonOf(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

bool mapFile::openMap(const QByteArray &path)
{
    // A name with a NUL in it would be cut short by the system and open
    // another file than the one named.
    if (path.contains('\0')) {
        setErrorString(reasonOf(EINVAL));
        return false;
    }
    QString problem;
#ifdef VELMORA_POSIX_IO
    // Opening a FIFO without O_NONBLOCK would wait for a writer.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        setErrorString(reasonOf(errno));
        return false;
    }
    struct stat status;
    if (::fstat(fd, &status) != 0)
        problem = reasonOf(errno);
    else if (S_ISDIR(status.st_mode))
        problem = reasonOf(EISDIR);
    else if (!S_ISREG(status.st_mode))
        problem = QStringLiteral("not a regular file");
    if (!problem.isEmpty()) {
        ::close(fd);
        setErrorString(problem);
        return false;
    }
    sizeAtOpen = status.st_size;
    // Unbuffered: the reader reads in chunks of its own.
    return open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle);
#else
    // Qt opens the name, and counts every open file that is not a regular
    // one as sequential.
    setFileName(QFile::decodeName(path));
    if (!open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    if (isSequential()) {
        close();
        setErrorString(QStringLiteral("not a regular file"));
        return false;
    }
    sizeAtOpen = size();
    return true;
#endif
}

bool mapFile::readMap(mapReader &reader, mapReader::observer *watcher)
{
    mapReader::source from;
    from.end = sizeAtOpen;
    from.watcher = watcher;
#if defined(VELMORA_POSIX_IO) && defined(SEEK_DATA)
    from.findData = [fd = handle()](qint64 offset, qint64 end) -> qint64 {
        const off_t data = ::lseek(fd, offset, SEEK_DATA);
        if (data >= 0)
            return data;
        // ENXIO: nothing but a hole from offset on. Any other error: this
        // file system does not tell, and every byte is read.
        return errno == ENXIO ? end : offset;
    };
#endif
    return reader.read(*this, from);
}
