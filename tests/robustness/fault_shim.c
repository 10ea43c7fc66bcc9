// Fails one chosen I/O call of a program, for the fault sweep (fault_sweep_test.cpp).
// Loaded with LD_PRELOAD; set through the environment:
//   QUENDRA_FAULT_DIR     calls are counted from the first one naming a path under it; then
//                         every call naming a path, and every call on a descriptor opened
//                         since (so writes to stderr are not counted)
//   QUENDRA_FAULT_CALL    the counted call to fail, from 1; 0 or unset fails none
//   QUENDRA_FAULT_ERRNO   the error it fails with; 0 means the process is killed there
//   QUENDRA_FAULT_REPORT  a file that gets a line per counted call: number, kind, and the
//                         descriptor's use (r, w, d: read, write, folder)
//   QUENDRA_NO_TMPFILE    when set, O_TMPFILE is refused as by a file system without it
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

// The next definition of `name`: libc's, or a sanitizer's in front of it.
#define REAL(name) ((__typeof__(&name))Next(#name))

typedef void (*Function)(void);

static Function Next(const char* name) {
    void* symbol = dlsym(RTLD_NEXT, name);
    Function function;
    memcpy(&function, &symbol, sizeof function);  // ISO C has no cast for this
    return function;
}

static int armed;
static long counted;
static char uses[1024];  // per descriptor opened while armed: 'r', 'w' or 'd'

static const char* Env(const char* name) {
    const char* value = getenv(name);
    return value != NULL ? value : "";
}

static int Tracked(int fd) {
    return fd >= 0 && fd < (int)sizeof uses && uses[fd] != 0;
}

// Counts the call; nonzero when it is the one to fail (errno is then set).
static int Fault(const char* kind, int fd) {
    char line[64], use[4] = "";
    if (fd >= 0) snprintf(use, sizeof use, "(%c)", uses[fd]);
    int n = snprintf(line, sizeof line, "%ld %s%s\n", ++counted, kind, use);
    int out =
        REAL(open)(Env("QUENDRA_FAULT_REPORT"), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (out >= 0) {
        if (REAL(write)(out, line, (size_t)n) < 0) abort();
        REAL(close)(out);
    }
    if (counted != atol(Env("QUENDRA_FAULT_CALL"))) return 0;
    errno = atoi(Env("QUENDRA_FAULT_ERRNO"));
    if (errno == 0) raise(SIGKILL);
    return 1;
}

static int PathCall(const char* kind, const char* path) {
    const char* dir = Env("QUENDRA_FAULT_DIR");
    if (path != NULL && *dir && strncmp(path, dir, strlen(dir)) == 0) armed = 1;
    return armed && Fault(kind, -1);
}

static int FdCall(const char* kind, int fd) {
    return Tracked(fd) && Fault(kind, fd);
}

static int Opened(int fd, int flags) {
    if (armed && fd >= 0 && fd < (int)sizeof uses) {
        uses[fd] = (flags & O_DIRECTORY) && (flags & O_TMPFILE) != O_TMPFILE ? 'd'
                   : (flags & O_ACCMODE) == O_RDONLY                         ? 'r'
                                                                             : 'w';
    }
    return fd;
}

static mode_t ModeOf(int flags, va_list args) {
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(args, mode_t) : 0;
}

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    mode_t mode = ModeOf(flags, args);
    va_end(args);
    if (PathCall("open", path)) return -1;
    return Opened(REAL(open)(path, flags, mode), flags);
}

int openat(int dir, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    mode_t mode = ModeOf(flags, args);
    va_end(args);
    if ((flags & O_TMPFILE) == O_TMPFILE && *Env("QUENDRA_NO_TMPFILE")) {
        errno = EOPNOTSUPP;
        return -1;
    }
    if (PathCall((flags & O_TMPFILE) == O_TMPFILE ? "openat-tmpfile" : "openat", path)) return -1;
    return Opened(REAL(openat)(dir, path, flags, mode), flags);
}

int close(int fd) {
    int fail = FdCall("close", fd);
    if (Tracked(fd)) uses[fd] = 0;
    if (fail) {
        REAL(close)(fd);  // as on Linux: the descriptor is gone even when close fails
        return -1;
    }
    return REAL(close)(fd);
}

// The rest pass the call on unless it is the one to fail: on the descriptor, or on `path`.
#define ON_FD(type, name, params, ...)                           \
    type name params {                                           \
        return FdCall(#name, fd) ? -1 : REAL(name)(__VA_ARGS__); \
    }
#define ON_PATH(type, name, path, params, ...)                       \
    type name params {                                               \
        return PathCall(#name, path) ? -1 : REAL(name)(__VA_ARGS__); \
    }

ON_FD(ssize_t, read, (int fd, void* data, size_t size), fd, data, size)
ON_FD(ssize_t, write, (int fd, const void* data, size_t size), fd, data, size)
ON_FD(int, fsync, (int fd), fd)
ON_FD(int, fstat, (int fd, struct stat* info), fd, info)
ON_FD(int, fchmod, (int fd, mode_t mode), fd, mode)
ON_FD(int, fchown, (int fd, uid_t owner, gid_t group), fd, owner, group)
ON_PATH(int, stat, path, (const char* path, struct stat* info), path, info)
ON_PATH(int, lstat, path, (const char* path, struct stat* info), path, info)
ON_PATH(int, faccessat, path, (int dir, const char* path, int mode, int flags), dir, path, mode,
        flags)
ON_PATH(int, linkat, to, (int fromDir, const char* from, int toDir, const char* to, int flags),
        fromDir, from, toDir, to, flags)
ON_PATH(int, renameat, to, (int fromDir, const char* from, int toDir, const char* to), fromDir,
        from, toDir, to)
