// SPDX-License-Identifier: MIT
#include "mapFile.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
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

bool mapFile::openMap(const QString &path)
{
    // A name with a NUL in it would be cut short by the system and open
    // another file than the one named.
    if (path.contains(QChar(0))) {
        setErrorString(reasonOf(EINVAL));
        return false;
    }
#ifdef Q_OS_UNIX
    // One open, then questions to what was opened, never to the name again,
    // so that swapping the name in between changes nothing. Opening a FIFO
    // without O_NONBLOCK would wait for a writer.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        setErrorString(reasonOf(errno));
        return false;
    }
    struct stat status;
    QString problem;
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
    setFileName(path);
    if (!QFileInfo(path).isFile()) {
        setErrorString(QStringLiteral("not a regular file"));
        return false;
    }
    if (!open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    sizeAtOpen = size();
    return true;
#endif
}

bool mapFile::readMap(mapReader &reader, mapReader::observer *watcher, bool whole)
{
    mapReader::dataFinder findData;
#if defined(Q_OS_UNIX) && defined(SEEK_DATA)
    findData = [fd = handle()](qint64 offset, qint64 end) -> qint64 {
        const off_t data = ::lseek(fd, offset, SEEK_DATA);
        if (data >= 0)
            return data;
        // ENXIO: nothing but a hole from offset on. Any other error: this
        // file system does not tell, and every byte is read.
        return errno == ENXIO ? end : offset;
    };
#endif
    return reader.read(*this, sizeAtOpen, findData, watcher, whole);
}
