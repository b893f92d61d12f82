// SPDX-License-Identifier: MIT
// Faults that a system shows only now and then, made to order for the
// command-line tests: loaded into a program with LD_PRELOAD, it does what
// VELMORA_FAULTS lists (comma-separated):
//   no-tmpfile     file systems without O_TMPFILE (NFS, vfat, many FUSE ones)
//   term-on-write  a SIGTERM at the first write to velmora-render's
//                  temporary file, as from a user's Ctrl-C mid-way
//   zero-write     character devices that take no more bytes, yet report no error
//   eio-on-close   character devices open for writing, standard output among
//                  them, and velmora-render's named temporary file, that
//                  report a failed write only as they close (EIO), as NFS does

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool wanted(const char *fault)
{
    const char *const faults = std::getenv("VELMORA_FAULTS");
    return faults && std::strstr(faults, fault);
}

template <typename Function>
Function real(const char *name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// The system's open, unless it is asked for a file without a name where
// there are to be none.
int opened(const char *function, const char *path, int flags, mode_t mode)
{
    if ((flags & O_TMPFILE) == O_TMPFILE && wanted("no-tmpfile")) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return real<int (*)(const char *, int, ...)>(function)(path, flags, mode);
}

// The mode argument exists only for the flags that create a file.
mode_t modeOf(int flags, va_list arguments)
{
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(arguments, mode_t) : 0;
}

bool isTemporaryOutput(int fd)
{
    char link[64];
    char target[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t size = readlink(link, target, sizeof target - 1);
    if (size < 0)
        return false;
    target[size] = '\0';
    return std::strstr(target, "/.velmora-render-") != nullptr;
}

bool failsAtClose(int fd)
{
    if (!wanted("eio-on-close"))
        return false;
    struct stat status;
    const int flags = fcntl(fd, F_GETFL);
    return flags != -1 && (flags & O_ACCMODE) != O_RDONLY && fstat(fd, &status) == 0
        && (S_ISCHR(status.st_mode) || isTemporaryOutput(fd));
}

} // namespace

extern "C" {

int open(const char *path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    return opened("open", path, flags, mode);
}

int open64(const char *path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    return opened("open64", path, flags, mode);
}

ssize_t write(int fd, const void *bytes, size_t size)
{
    static bool terminated = false;
    struct stat status;
    if (wanted("zero-write") && size > 0 && fstat(fd, &status) == 0 && S_ISCHR(status.st_mode))
        return 0;
    if (wanted("term-on-write") && !terminated && isTemporaryOutput(fd)) {
        terminated = true;
        raise(SIGTERM);
    }
    return real<ssize_t (*)(int, const void *, size_t)>("write")(fd, bytes, size);
}

// Closed all the same: only the report fails.
int close(int fd)
{
    const bool fails = failsAtClose(fd);
    const int result = real<int (*)(int)>("close")(fd);
    if (result != 0 || !fails)
        return result;
    errno = EIO;
    return -1;
}

// The C library closes a stream's descriptor by a call of its own, which
// close() above never sees.
int fclose(FILE *stream)
{
    const bool fails = failsAtClose(fileno(stream));
    const int result = real<int (*)(FILE *)>("fclose")(stream);
    if (result != 0 || !fails)
        return result;
    errno = EIO;
    return EOF;
}

} // extern "C"
