// Test helper preloaded into the zipfile tool: makes the Nth call of one C library function fail with a
// chosen errno, and counts the calls of every function it stands in front of.
//
// ZIPFILE_FAULT=<function>:<n>:<errno name or number>, e.g. write:3:ENOSPC, picks the failing call;
// ZIPFILE_FAULT_ALWAYS=<function>:<errno> makes every call of one function fail, e.g. link:EPERM as where
// hard links are refused; ZIPFILE_FAULT_COUNTS=<file> writes "<function> <calls>" lines there when the
// process exits normally. ZIPFILE_CORRUPT_CENTRAL=<n> adds one to byte n of every central directory header
// written (write or pwrite of a buffer starting "PK\1\2"), a planted fault in the archive's directory.
// Only calls through the dynamic linker are seen: libc's own inner calls (fwrite to write) are not, so
// both the stdio entry points and the system-call wrappers stand here. A failing call does nothing,
// except fclose and close, which release the stream or descriptor and then report the failure, as the
// kernel does; a failing readdir returns no entry with errno set, which a caller tells from the end of
// the folder only by errno.
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <sched.h>
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
    X(openat) X(openat64) X(read) X(pread) X(pread64) X(write) X(pwrite) X(pwrite64) X(lseek) X(lseek64)     \
        X(close) X(dup) X(fsync) X(fdatasync) X(fstat) X(stat) X(lstat) X(fstatat) X(fstatat64) X(ftruncate) \
            X(chmod) X(fchmod) X(rename) X(renameat) X(renameat2) X(link) X(linkat) X(unlink) X(unlinkat)    \
                X(remove) X(mkstemp) X(mkostemp) X(getrandom) X(getcwd) X(opendir) X(fdopendir) X(readdir)   \
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

static void configure(void) {
    if (g_configured)
        return;
    g_configured = 1;
    configureAlways();
    const char* corrupt = getenv("ZIPFILE_CORRUPT_CENTRAL");
    if (corrupt != NULL)
        g_corruptAt = atol(corrupt);
    const char* fault = getenv("ZIPFILE_FAULT");
    const char* firstColon = fault != NULL ? strchr(fault, ':') : NULL;
    const char* secondColon = firstColon != NULL ? strchr(firstColon + 1, ':') : NULL;
    if (secondColon == NULL)
        return;
    g_target = functionNamed(fault, (size_t)(firstColon - fault));
    g_nth = atol(firstColon + 1);
    g_errno = errnoNamed(secondColon + 1);
}

// Counts the call; true when it is the one to fail, with errno set.
static int failsNow(int function) {
    configure();
    const long call = __atomic_add_fetch(&g_calls[function], 1, __ATOMIC_RELAXED);
    if (function == g_alwaysTarget) {
        errno = g_alwaysErrno;
        return 1;
    }
    if (function != g_target || call != g_nth)
        return 0;
    errno = g_errno;
    return 1;
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

int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    return failsNow(id_open) ? -1 : REAL(open)(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    return failsNow(id_open64) ? -1 : REAL(open64)(path, flags, mode);
}

int openat(int folder, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    return failsNow(id_openat) ? -1 : REAL(openat)(folder, path, flags, mode);
}

int openat64(int folder, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    return failsNow(id_openat64) ? -1 : REAL(openat64)(folder, path, flags, mode);
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
    return failsNow(id_write) ? -1 : REAL(write)(fd, planted(data, count, copy), count);
}

ssize_t pwrite(int fd, const void* data, size_t count, off_t offset) {
    unsigned char copy[64];
    return failsNow(id_pwrite) ? -1 : REAL(pwrite)(fd, planted(data, count, copy), count, offset);
}

ssize_t pwrite64(int fd, const void* data, size_t count, off64_t offset) {
    return failsNow(id_pwrite64) ? -1 : REAL(pwrite64)(fd, data, count, offset);
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
    const int closed = REAL(close)(fd);
    if (!fails)
        return closed;
    errno = saved;
    return -1;
}

int dup(int fd) {
    return failsNow(id_dup) ? -1 : REAL(dup)(fd);
}

int fsync(int fd) {
    return failsNow(id_fsync) ? -1 : REAL(fsync)(fd);
}

int fdatasync(int fd) {
    return failsNow(id_fdatasync) ? -1 : REAL(fdatasync)(fd);
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
    return failsNow(id_ftruncate) ? -1 : REAL(ftruncate)(fd, length);
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
    return failsNow(id_rename) ? -1 : REAL(rename)(from, to);
}

int renameat(int fromFolder, const char* from, int toFolder, const char* to) {
    return failsNow(id_renameat) ? -1 : REAL(renameat)(fromFolder, from, toFolder, to);
}

int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned int flags) {
    return failsNow(id_renameat2) ? -1 : REAL(renameat2)(fromFolder, from, toFolder, to, flags);
}

int link(const char* existing, const char* name) {
    return failsNow(id_link) ? -1 : REAL(link)(existing, name);
}

int linkat(int existingFolder, const char* existing, int folder, const char* name, int flags) {
    return failsNow(id_linkat) ? -1 : REAL(linkat)(existingFolder, existing, folder, name, flags);
}

int unlink(const char* path) {
    return failsNow(id_unlink) ? -1 : REAL(unlink)(path);
}

int unlinkat(int folder, const char* path, int flags) {
    return failsNow(id_unlinkat) ? -1 : REAL(unlinkat)(folder, path, flags);
}

int remove(const char* path) {
    return failsNow(id_remove) ? -1 : REAL(remove)(path);
}

int mkstemp(char* pattern) {
    return failsNow(id_mkstemp) ? -1 : REAL(mkstemp)(pattern);
}

int mkostemp(char* pattern, int flags) {
    return failsNow(id_mkostemp) ? -1 : REAL(mkostemp)(pattern, flags);
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
    return failsNow(id_fopen) ? NULL : REAL(fopen)(path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
    return failsNow(id_fopen64) ? NULL : REAL(fopen64)(path, mode);
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

size_t fwrite(const void* data, size_t size, size_t count, FILE* stream) {
    if (!failsNow(id_fwrite))
        return REAL(fwrite)(data, size, count, stream);
    markFailed(stream);
    return 0;
}

int fflush(FILE* stream) {
    if (!failsNow(id_fflush))
        return REAL(fflush)(stream);
    if (stream != NULL)
        markFailed(stream);
    return EOF;
}

int fclose(FILE* stream) {
    const int fails = failsNow(id_fclose);
    const int saved = errno;
    const int closed = REAL(fclose)(stream);
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
