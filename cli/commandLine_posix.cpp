// SPDX-License-Identifier: MIT
#include "commandLine.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

int commandLine::holdStandardStreams()
{
    int closed = 0;
    // Taken in order, /dev/null lands on the lowest closed descriptor.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        closed |= 1 << fd;
        const int held = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (held >= 0 && held != fd) {
            ::dup2(held, fd);
            ::close(held);
        }
    }
    std::signal(SIGXFSZ, SIG_IGN);
    return closed;
}

QList<QByteArray> commandLine::systemArguments(int argc, char *argv[])
{
    QList<QByteArray> arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    return arguments;
}

bool commandLine::writeStream(FILE *stream, const QByteArray &bytes)
{
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size());
}

// Names are the system's bytes, and the system's reasons in its locale.
QByteArray commandLine::encodedReason(const QString &reason)
{
    return reason.toLocal8Bit();
}
