// Test helper preloaded into the zipfile tool: makes the Nth call of one C library function fail with a
// chosen errno, and counts the calls of every function it stands in front of.
//
// ZIPFILE_FAULT=<function>:<n>:<errno name or number>, e.g. write:3:ENOSPC, picks the failing call;
// ZIPFILE_SIGNAL=<function>:<n>:<signal number> sends the process that signal just before the Nth call of
// the function, which then goes on as usual; ZIPFILE_TAKE_NAME=<function>:<n>:<file> gives the name that the
// Nth call of the function is to create (an open with O_CREAT, an fopen for writing, a link) to another file
// just before the call, one holding "taken by another program\n", and writes that file's path to <file>, as
// another program making a file in that moment would; ZIPFILE_FAULT_ALWAYS=<function>:<errno> makes every
// call of one function fail, e.g. link:EPERM as where hard links are refused; ZIPFILE_FAULT_COUNTS=<file>
// writes "<function> <calls>" lines there when the process exits normally. ZIPFILE_FS_LOG=<file> appends one
// line per file-system call there, after the call:
// "<call> <result>" and then "<flags> <path> [<new path>]" (open, rename, link, unlink; an open's result is
// its descriptor), "<fd> <offset> <offset in data>" (write, fwrite: the bytes go to <file>.data) or
// "<fd> <number>" (close, dup, fsync, fdatasync, fflush, truncate to <number>); paths are made absolute, with
// bytes up to the space, '%' and from DEL on as %XX. ZIPFILE_CORRUPT_CENTRAL=<n> adds one to byte n of
// every central directory header written (write or pwrite of a buffer starting "PK\1\2"), a planted fault in
// the archive's directory. Only calls through the dynamic linker are seen: libc's own inner calls (fwrite to
// write) are not, so both the stdio entry points and the system-call wrappers stand here. A failing call does
// nothing, except fclose and close, which release the stream or descriptor and then report the failure, as
// the kernel does; a failing readdir returns no entry with errno set, which a caller tells from the end of
// the folder only by errno.
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#define FAULT_FUNCTIONS(X)                                                                                   \
    X(open)                                                                                                  \
    X(open64)                                                                                                \
    X(__open_2)                                                                                              \
    X(openat)                                                                                                \
    X(openat64) X(read) X(pread) X(pread64) X(write) X(pwrite) X(pwrite64) X(lseek) X(lseek64) X(close)      \
        X(dup) X(fsync) X(fdatasync) X(fstat) X(stat) X(lstat) X(fstatat) X(fstatat64) X(ftruncate) X(chmod) \
            X(fchmod) X(rename) X(renameat) X(renameat2) X(link) X(linkat) X(unlink) X(unlinkat) X(remove)   \
                X(mkstemp) X(mkostemp) X(getrandom) X(getcwd) X(opendir) X(fdopendir) X(readdir)             \
                    X(readdir64) X(sched_getaffinity) X(fopen) X(fopen64) X(fdopen) X(fread) X(fwrite)       \
                        X(fflush) X(fclose) X(fseeko) X(ftello) X(faccessat) X(chown) X(statx)

#define AS_ID(name) id_##name,
enum { FAULT_FUNCTIONS(AS_ID) kFunctionCount };
#define AS_NAME(name) #name,
static const char* const kNames[kFunctionCount] = {FAULT_FUNCTIONS(AS_NAME)};

static long g_calls[kFunctionCount];
static int g_configured;
static int g_target = -1;
static long g_nth;
static int g_errno;
static int g_alwaysTarget = -1;
static int g_alwaysErrno;
static long g_corruptAt = -1;
static int g_signalTarget = -1;
static long g_signalNth;
static int g_signal;
static int g_takeTarget = -1;
static long g_takeNth;
static const char* g_takeReport;
static const char* g_logPath;

struct ErrnoName {
    const char* name;
    int value;
};

static const struct ErrnoName kErrnos[] = {
    {"EIO", EIO},       {"ENOSPC", ENOSPC}, {"EACCES", EACCES}, {"EINTR", EINTR},   {"EPERM", EPERM},
    {"EDQUOT", EDQUOT}, {"EROFS", EROFS},   {"ENOMEM", ENOMEM}, {"EMFILE", EMFILE}, {"EAGAIN", EAGAIN},
};

static int errnoNamed(const char* text) {
    for (size_t i = 0; i < sizeof kErrnos / sizeof kErrnos[0]; ++i) {
        if (strcmp(kErrnos[i].name, text) == 0)
            return kErrnos[i].value;
    }
    return atoi(text);
}

static int functionNamed(const char* text, size_t length) {
    for (int i = 0; i < kFunctionCount; ++i) {
        if (strlen(kNames[i]) == length && strncmp(kNames[i], text, length) == 0)
            return i;
    }
    return -1;
}

// Reads ZIPFILE_FAULT once, on the first call of any function here (which may come before constructors).
static void configureAlways(void) {
    const char* always = getenv("ZIPFILE_FAULT_ALWAYS");
    const char* colon = always != NULL ? strchr(always, ':') : NULL;
    if (colon == NULL)
        return;
    g_alwaysTarget = functionNamed(always, (size_t)(colon - always));
    g_alwaysErrno = errnoNamed(colon + 1);
}

// Reads "<function>:<n>:<rest>" from the variable `name`: the function's id, n, and where the rest
// begins; NULL when the variable is not set or not of that form.
static const char* nthCall(const char* name, int* function, long* nth) {
    const char* text = getenv(name);
    const char* firstColon = text != NULL ? strchr(text, ':') : NULL;
    const char* secondColon = firstColon != NULL ? strchr(firstColon + 1, ':') : NULL;
    if (secondColon == NULL)
        return NULL;
    *function = functionNamed(text, (size_t)(firstColon - text));
    *nth = atol(firstColon + 1);
    return secondColon + 1;
}

static void configure(void) {
    if (g_configured)
        return;
    g_configured = 1;
    configureAlways();
    g_logPath = getenv("ZIPFILE_FS_LOG");
    const char* corrupt = getenv("ZIPFILE_CORRUPT_CENTRAL");
    if (corrupt != NULL)
        g_corruptAt = atol(corrupt);
    const char* fault = nthCall("ZIPFILE_FAULT", &g_target, &g_nth);
    if (fault != NULL)
        g_errno = errnoNamed(fault);
    const char* signal = nthCall("ZIPFILE_SIGNAL", &g_signalTarget, &g_signalNth);
    if (signal != NULL)
        g_signal = atoi(signal);
    g_takeReport = nthCall("ZIPFILE_TAKE_NAME", &g_takeTarget, &g_takeNth);
}

static void takeName(int folder, const char* path);

// Counts the call, sends the process the planted signal before the chosen call, gives the name `created`
// (relative to `folder`; NULL for a call that creates none) to another file before the chosen call, and
// answers true when it is the one to fail, with errno set.
static int failsNowCreating(int function, int folder, const char* created) {
    configure();
    const long call = __atomic_add_fetch(&g_calls[function], 1, __ATOMIC_RELAXED);
    if (function == g_signalTarget && call == g_signalNth)
        kill(getpid(), g_signal);
    if (created != NULL && function == g_takeTarget && call == g_takeNth)
        takeName(folder, created);
    if (function == g_alwaysTarget) {
        errno = g_alwaysErrno;
        return 1;
    }
    if (function != g_target || call != g_nth)
        return 0;
    errno = g_errno;
    return 1;
}

static int failsNow(int function) {
    return failsNowCreating(function, AT_FDCWD, NULL);
}

// The path an open creates when it does not find it.
static const char* createdByOpen(const char* path, int flags) {
    return (flags & O_CREAT) != 0 ? path : NULL;
}

static void* next(const char* name) {
    return dlsym(RTLD_NEXT, name);
}

#define REAL(name) ((__typeof__(&name))realOf(id_##name))

static void* g_real[kFunctionCount];

static void* realOf(int function) {
    if (g_real[function] == NULL)
        g_real[function] = next(kNames[function]);
    return g_real[function];
}

// A variadic open's mode is there only when the file may be created.
static mode_t modeArgument(int flags, va_list arguments) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? (mode_t)va_arg(arguments, int) : 0;
}

// The file-system log. Each logged call runs under one lock with its line written, so that the lines
// come in the order the calls took effect, also across threads (a descriptor closed on one thread and
// reused on another is never logged the wrong way round). The log files are opened for each line, so
// that a program closing descriptors it does not know cannot close them.
static pthread_mutex_t g_logLock = PTHREAD_MUTEX_INITIALIZER;

// True, with the lock taken, when calls are logged.
static int logBegin(void) {
    configure();
    if (g_logPath == NULL)
        return 0;
    pthread_mutex_lock(&g_logLock);
    return 1;
}

static void logEnd(void) {
    pthread_mutex_unlock(&g_logLock);
}

// Appends `length` bytes to `path`; the offset they start at, or -1.
static long long appendTo(const char* path, const void* bytes, size_t length) {
    const int fd = REAL(open)(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return -1;
    const long long at = REAL(lseek)(fd, 0, SEEK_END);
    const int complete = REAL(write)(fd, bytes, length) == (ssize_t)length;
    REAL(close)(fd);
    return complete ? at : -1;
}

// `path` made absolute against the folder descriptor `folder` (or the working folder), into `out`; the
// tool names files by absolute paths, so the folder is read only for the odd relative one.
static void absolutePath(int folder, const char* path, char* out, size_t size) {
    if (path == NULL || path[0] == '/') {
        snprintf(out, size, "%s", path != NULL ? path : "");
        return;
    }
    char base[PATH_MAX] = "";
    if (folder == AT_FDCWD) {
        if (REAL(getcwd)(base, sizeof base) == NULL)
            base[0] = '\0';
    } else {
        char link[64];
        snprintf(link, sizeof link, "/proc/self/fd/%d", folder);
        const ssize_t length = readlink(link, base, sizeof base - 1);
        base[length > 0 ? length : 0] = '\0';
    }
    snprintf(out, size, "%s/%s", base, path);
}

// A path as one word: bytes up to the space, '%' and those from DEL on as %XX.
static void escapeInto(const char* path, char* out, size_t size) {
    size_t at = 0;
    for (const unsigned char* c = (const unsigned char*)path; *c != '\0' && at + 4 < size; ++c) {
        if (*c <= ' ' || *c == '%' || *c >= 0x7f)
            at += (size_t)snprintf(out + at, size - at, "%%%02X", *c);
        else
            out[at++] = (char)*c;
    }
    out[at] = '\0';
}

// Another program's file at `path`, named in the report.
static void takeName(int folder, const char* path) {
    static const char kTaken[] = "taken by another program\n";
    const int fd = REAL(openat)(folder, path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    const int complete = REAL(write)(fd, kTaken, sizeof kTaken - 1) == (ssize_t)(sizeof kTaken - 1);
    REAL(close)(fd);
    char absolute[PATH_MAX * 2];
    absolutePath(folder, path, absolute, sizeof absolute);
    if (complete)
        appendTo(g_takeReport, absolute, strlen(absolute));
}

// One line: the call, its result, then `text` (numbers, and paths escaped by the caller).
static void logLine(const char* call, long long result, const char* text) {
    static char line[3 * PATH_MAX * 2 + 256];
    const int length = snprintf(line, sizeof line, "%s %lld %s\n", call, result, text);
    if (length > 0 && (size_t)length < sizeof line)
        appendTo(g_logPath, line, (size_t)length);
}

// A call on descriptors and numbers only.
static void logNumbers(const char* call, long long result, long long a, long long b) {
    char text[64];
    snprintf(text, sizeof text, "%lld %lld", a, b);
    logLine(call, result, text);
}

// A call on one or two paths, each relative to its folder descriptor; `number` first (flags or a
// descriptor).
static void logPaths(const char* call, long long result, long long number, int folder, const char* path,
                     int toFolder, const char* to) {
    static char absolute[PATH_MAX * 2];
    static char first[3 * PATH_MAX * 2];
    static char second[3 * PATH_MAX * 2];
    absolutePath(folder, path, absolute, sizeof absolute);
    escapeInto(absolute, first, sizeof first);
    second[0] = '\0';
    if (to != NULL) {
        absolutePath(toFolder, to, absolute, sizeof absolute);
        escapeInto(absolute, second, sizeof second);
    }
    static char text[3 * PATH_MAX * 4 + 64];
    snprintf(text, sizeof text, "%lld %s%s%s", number, first, to != NULL ? " " : "", second);
    logLine(call, result, text);
}

// A write of `written` bytes at `offset` of `fd` (-1: where the descriptor stood), its bytes kept in the
// data file: "<call> <written> <fd> <offset> <data offset>".
static void logWrite(const char* call, int fd, const void* data, long long written, long long offset) {
    if (written <= 0) {
        logNumbers(call, written, fd, offset);
        return;
    }
    if (offset < 0)
        offset = REAL(lseek)(fd, 0, SEEK_CUR) - written;
    char dataPath[PATH_MAX];
    snprintf(dataPath, sizeof dataPath, "%s.data", g_logPath);
    char text[96];
    snprintf(text, sizeof text, "%d %lld %lld", fd, offset, appendTo(dataPath, data, (size_t)written));
    logLine(call, written, text);
}

// Returns what `call` returns, after `log` has logged it (with `result` set) when calls are logged; errno
// stays as the call left it.
#define RETURN_LOGGED(type, call, log)                                                                       \
    do {                                                                                                     \
        const int logged = logBegin();                                                                       \
        type const result = call;                                                                            \
        if (logged) {                                                                                        \
            const int saved = errno;                                                                         \
            log;                                                                                             \
            errno = saved;                                                                                   \
            logEnd();                                                                                        \
        }                                                                                                    \
        return result;                                                                                       \
    } while (0)

// The open(2) flags of an fopen mode.
static int flagsOfMode(const char* mode) {
    const int update = strchr(mode, '+') != NULL;
    int flags = update ? O_RDWR : mode[0] == 'r' ? O_RDONLY : O_WRONLY;
    if (mode[0] == 'w')
        flags |= O_CREAT | O_TRUNC;
    if (mode[0] == 'a')
        flags |= O_CREAT | O_APPEND;
    if (strchr(mode, 'x') != NULL)
        flags |= O_EXCL;
    return flags;
}

int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    if (failsNowCreating(id_open, AT_FDCWD, createdByOpen(path, flags)))
        return -1;
    RETURN_LOGGED(int, REAL(open)(path, flags, mode),
                  logPaths("open", result, flags, AT_FDCWD, path, 0, NULL));
}

// The open of a build with _FORTIFY_SOURCE where the flags are not known when compiling; it takes no mode.
int __open_2(const char* path, int flags) {
    if (failsNowCreating(id___open_2, AT_FDCWD, createdByOpen(path, flags)))
        return -1;
    RETURN_LOGGED(int, REAL(__open_2)(path, flags), logPaths("open", result, flags, AT_FDCWD, path, 0, NULL));
}

int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    if (failsNowCreating(id_open64, AT_FDCWD, createdByOpen(path, flags)))
        return -1;
    RETURN_LOGGED(int, REAL(open64)(path, flags, mode),
                  logPaths("open", result, flags, AT_FDCWD, path, 0, NULL));
}

int openat(int folder, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    if (failsNowCreating(id_openat, folder, createdByOpen(path, flags)))
        return -1;
    RETURN_LOGGED(int, REAL(openat)(folder, path, flags, mode),
                  logPaths("open", result, flags, folder, path, 0, NULL));
}

int openat64(int folder, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    if (failsNowCreating(id_openat64, folder, createdByOpen(path, flags)))
        return -1;
    RETURN_LOGGED(int, REAL(openat64)(folder, path, flags, mode),
                  logPaths("open", result, flags, folder, path, 0, NULL));
}

ssize_t read(int fd, void* buffer, size_t count) {
    return failsNow(id_read) ? -1 : REAL(read)(fd, buffer, count);
}

ssize_t pread(int fd, void* buffer, size_t count, off_t offset) {
    return failsNow(id_pread) ? -1 : REAL(pread)(fd, buffer, count, offset);
}

ssize_t pread64(int fd, void* buffer, size_t count, off64_t offset) {
    return failsNow(id_pread64) ? -1 : REAL(pread64)(fd, buffer, count, offset);
}

// A central directory header with the planted fault, in `copy`; else `data` itself.
static const void* planted(const void* data, size_t count, unsigned char copy[64]) {
    if (g_corruptAt < 0 || count != 46 || memcmp(data, "PK\1\2", 4) != 0 || g_corruptAt >= 46)
        return data;
    memcpy(copy, data, count);
    ++copy[g_corruptAt];
    return copy;
}

ssize_t write(int fd, const void* data, size_t count) {
    unsigned char copy[64];
    if (failsNow(id_write))
        return -1;
    const void* bytes = planted(data, count, copy);
    RETURN_LOGGED(ssize_t, REAL(write)(fd, bytes, count), logWrite("write", fd, bytes, result, -1));
}

ssize_t pwrite(int fd, const void* data, size_t count, off_t offset) {
    unsigned char copy[64];
    if (failsNow(id_pwrite))
        return -1;
    const void* bytes = planted(data, count, copy);
    RETURN_LOGGED(ssize_t, REAL(pwrite)(fd, bytes, count, offset),
                  logWrite("write", fd, bytes, result, offset));
}

ssize_t pwrite64(int fd, const void* data, size_t count, off64_t offset) {
    if (failsNow(id_pwrite64))
        return -1;
    RETURN_LOGGED(ssize_t, REAL(pwrite64)(fd, data, count, offset),
                  logWrite("write", fd, data, result, offset));
}

off_t lseek(int fd, off_t offset, int origin) {
    return failsNow(id_lseek) ? -1 : REAL(lseek)(fd, offset, origin);
}

off64_t lseek64(int fd, off64_t offset, int origin) {
    return failsNow(id_lseek64) ? -1 : REAL(lseek64)(fd, offset, origin);
}

int close(int fd) {
    const int fails = failsNow(id_close);
    const int saved = errno;
    const int logged = logBegin();
    const int closed = REAL(close)(fd);
    if (logged) {
        const int closeErrno = errno;
        logNumbers("close", closed, fd, 0);
        errno = closeErrno;
        logEnd();
    }
    if (!fails)
        return closed;
    errno = saved;
    return -1;
}

int dup(int fd) {
    if (failsNow(id_dup))
        return -1;
    RETURN_LOGGED(int, REAL(dup)(fd), logNumbers("dup", result, fd, 0));
}

int fsync(int fd) {
    if (failsNow(id_fsync))
        return -1;
    RETURN_LOGGED(int, REAL(fsync)(fd), logNumbers("fsync", result, fd, 0));
}

int fdatasync(int fd) {
    if (failsNow(id_fdatasync))
        return -1;
    RETURN_LOGGED(int, REAL(fdatasync)(fd), logNumbers("fdatasync", result, fd, 0));
}

int fstat(int fd, struct stat* status) {
    return failsNow(id_fstat) ? -1 : REAL(fstat)(fd, status);
}

int stat(const char* path, struct stat* status) {
    return failsNow(id_stat) ? -1 : REAL(stat)(path, status);
}

int lstat(const char* path, struct stat* status) {
    return failsNow(id_lstat) ? -1 : REAL(lstat)(path, status);
}

int fstatat(int folder, const char* path, struct stat* status, int flags) {
    return failsNow(id_fstatat) ? -1 : REAL(fstatat)(folder, path, status, flags);
}

int fstatat64(int folder, const char* path, struct stat64* status, int flags) {
    return failsNow(id_fstatat64) ? -1 : REAL(fstatat64)(folder, path, status, flags);
}

int ftruncate(int fd, off_t length) {
    if (failsNow(id_ftruncate))
        return -1;
    RETURN_LOGGED(int, REAL(ftruncate)(fd, length), logNumbers("truncate", result, fd, length));
}

int chmod(const char* path, mode_t mode) {
    return failsNow(id_chmod) ? -1 : REAL(chmod)(path, mode);
}

int fchmod(int fd, mode_t mode) {
    return failsNow(id_fchmod) ? -1 : REAL(fchmod)(fd, mode);
}

int faccessat(int folder, const char* path, int mode, int flags) {
    return failsNow(id_faccessat) ? -1 : REAL(faccessat)(folder, path, mode, flags);
}

int chown(const char* path, uid_t owner, gid_t group) {
    return failsNow(id_chown) ? -1 : REAL(chown)(path, owner, group);
}

int statx(int folder, const char* path, int flags, unsigned int mask, struct statx* status) {
    return failsNow(id_statx) ? -1 : REAL(statx)(folder, path, flags, mask, status);
}

int rename(const char* from, const char* to) {
    if (failsNow(id_rename))
        return -1;
    RETURN_LOGGED(int, REAL(rename)(from, to), logPaths("rename", result, 0, AT_FDCWD, from, AT_FDCWD, to));
}

int renameat(int fromFolder, const char* from, int toFolder, const char* to) {
    if (failsNow(id_renameat))
        return -1;
    RETURN_LOGGED(int, REAL(renameat)(fromFolder, from, toFolder, to),
                  logPaths("rename", result, 0, fromFolder, from, toFolder, to));
}

int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned int flags) {
    if (failsNow(id_renameat2))
        return -1;
    RETURN_LOGGED(int, REAL(renameat2)(fromFolder, from, toFolder, to, flags),
                  logPaths("rename", result, flags, fromFolder, from, toFolder, to));
}

int link(const char* existing, const char* name) {
    if (failsNowCreating(id_link, AT_FDCWD, name))
        return -1;
    RETURN_LOGGED(int, REAL(link)(existing, name),
                  logPaths("link", result, 0, AT_FDCWD, existing, AT_FDCWD, name));
}

int linkat(int existingFolder, const char* existing, int folder, const char* name, int flags) {
    if (failsNowCreating(id_linkat, folder, name))
        return -1;
    RETURN_LOGGED(int, REAL(linkat)(existingFolder, existing, folder, name, flags),
                  logPaths("link", result, flags, existingFolder, existing, folder, name));
}

int unlink(const char* path) {
    if (failsNow(id_unlink))
        return -1;
    RETURN_LOGGED(int, REAL(unlink)(path), logPaths("unlink", result, 0, AT_FDCWD, path, 0, NULL));
}

int unlinkat(int folder, const char* path, int flags) {
    if (failsNow(id_unlinkat))
        return -1;
    RETURN_LOGGED(int, REAL(unlinkat)(folder, path, flags),
                  logPaths("unlink", result, flags, folder, path, 0, NULL));
}

int remove(const char* path) {
    if (failsNow(id_remove))
        return -1;
    RETURN_LOGGED(int, REAL(remove)(path), logPaths("unlink", result, 0, AT_FDCWD, path, 0, NULL));
}

int mkstemp(char* pattern) {
    if (failsNow(id_mkstemp))
        return -1;
    RETURN_LOGGED(int, REAL(mkstemp)(pattern),
                  logPaths("open", result, O_RDWR | O_CREAT | O_EXCL, AT_FDCWD, pattern, 0, NULL));
}

int mkostemp(char* pattern, int flags) {
    if (failsNow(id_mkostemp))
        return -1;
    RETURN_LOGGED(int, REAL(mkostemp)(pattern, flags),
                  logPaths("open", result, O_RDWR | O_CREAT | O_EXCL | flags, AT_FDCWD, pattern, 0, NULL));
}

ssize_t getrandom(void* buffer, size_t length, unsigned int flags) {
    return failsNow(id_getrandom) ? -1 : REAL(getrandom)(buffer, length, flags);
}

char* getcwd(char* buffer, size_t size) {
    return failsNow(id_getcwd) ? NULL : REAL(getcwd)(buffer, size);
}

DIR* opendir(const char* path) {
    return failsNow(id_opendir) ? NULL : REAL(opendir)(path);
}

// A failing fdopendir leaves the descriptor open, the caller's to close.
DIR* fdopendir(int fd) {
    return failsNow(id_fdopendir) ? NULL : REAL(fdopendir)(fd);
}

struct dirent* readdir(DIR* folder) {
    return failsNow(id_readdir) ? NULL : REAL(readdir)(folder);
}

struct dirent64* readdir64(DIR* folder) {
    return failsNow(id_readdir64) ? NULL : REAL(readdir64)(folder);
}

int sched_getaffinity(pid_t process, size_t size, cpu_set_t* set) {
    return failsNow(id_sched_getaffinity) ? -1 : REAL(sched_getaffinity)(process, size, set);
}

FILE* fopen(const char* path, const char* mode) {
    if (failsNowCreating(id_fopen, AT_FDCWD, mode[0] != 'r' ? path : NULL))
        return NULL;
    RETURN_LOGGED(
        FILE*, REAL(fopen)(path, mode),
        logPaths("open", result != NULL ? fileno(result) : -1, flagsOfMode(mode), AT_FDCWD, path, 0, NULL));
}

FILE* fopen64(const char* path, const char* mode) {
    if (failsNowCreating(id_fopen64, AT_FDCWD, mode[0] != 'r' ? path : NULL))
        return NULL;
    RETURN_LOGGED(
        FILE*, REAL(fopen64)(path, mode),
        logPaths("open", result != NULL ? fileno(result) : -1, flagsOfMode(mode), AT_FDCWD, path, 0, NULL));
}

FILE* fdopen(int fd, const char* mode) {
    return failsNow(id_fdopen) ? NULL : REAL(fdopen)(fd, mode);
}

// A failed stream operation leaves the stream's error indicator set, as a real one does.
static void markFailed(FILE* stream) {
    stream->_flags |= _IO_ERR_SEEN;
}

size_t fread(void* buffer, size_t size, size_t count, FILE* stream) {
    if (!failsNow(id_fread))
        return REAL(fread)(buffer, size, count, stream);
    markFailed(stream);
    return 0;
}

// A stream's bytes reach the file only when its buffer is flushed: "fwrite" lines say what was handed to the
// stream, "fflush" lines (descriptor -1: every stream) when it went on.
size_t fwrite(const void* data, size_t size, size_t count, FILE* stream) {
    if (failsNow(id_fwrite)) {
        markFailed(stream);
        return 0;
    }
    if (!logBegin())
        return REAL(fwrite)(data, size, count, stream);
    const off_t at = REAL(ftello)(stream);
    const size_t written = REAL(fwrite)(data, size, count, stream);
    const int saved = errno;
    logWrite("fwrite", fileno(stream), data, (long long)(written * size), at);
    errno = saved;
    logEnd();
    return written;
}

int fflush(FILE* stream) {
    if (!failsNow(id_fflush))
        RETURN_LOGGED(int, REAL(fflush)(stream),
                      logNumbers("fflush", result, stream != NULL ? fileno(stream) : -1, 0));
    if (stream != NULL)
        markFailed(stream);
    return EOF;
}

int fclose(FILE* stream) {
    const int fails = failsNow(id_fclose);
    const int saved = errno;
    const int fd = fileno(stream);
    const int logged = logBegin();
    const int closed = REAL(fclose)(stream);
    if (logged) {
        const int closeErrno = errno;
        logNumbers("fflush", closed, fd, 0);
        logNumbers("close", closed, fd, 0);
        errno = closeErrno;
        logEnd();
    }
    if (!fails)
        return closed;
    errno = saved;
    return EOF;
}

int fseeko(FILE* stream, off_t offset, int origin) {
    return failsNow(id_fseeko) ? -1 : REAL(fseeko)(stream, offset, origin);
}

off_t ftello(FILE* stream) {
    return failsNow(id_ftello) ? -1 : REAL(ftello)(stream);
}

// The counts of a run that ends normally, for the test to build its list of calls to fail.
__attribute__((destructor)) static void writeCounts(void) {
    const char* path = getenv("ZIPFILE_FAULT_COUNTS");
    if (path == NULL)
        return;
    const int fd = REAL(open)(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    for (int i = 0; i < kFunctionCount; ++i) {
        char line[64];
        const int length = snprintf(line, sizeof line, "%s %ld\n", kNames[i], g_calls[i]);
        if (g_calls[i] > 0 && length > 0 && REAL(write)(fd, line, (size_t)length) != length)
            break;
    }
    REAL(close)(fd);
}
