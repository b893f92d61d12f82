// SPDX-License-Identifier: MIT
#include "mapFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString reasonOf(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

bool mapFile::openRegular(const QByteArray &path)
{
    // Opening a FIFO without O_NONBLOCK would wait for a writer.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
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
}

mapReader::dataFinder mapFile::holeSkipper() const
{
#ifdef SEEK_DATA
    return [fd = handle()](qint64 offset, qint64 end) -> qint64 {
        const off_t data = ::lseek(fd, offset, SEEK_DATA);
        if (data >= 0)
            return data;
        // ENXIO: nothing but a hole from offset on. Any other error: this
        // file system does not tell, and every byte is read.
        return errno == ENXIO ? end : offset;
    };
#else
    return {};
#endif
}
