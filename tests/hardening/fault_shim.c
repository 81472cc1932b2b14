/* Fault injection for the files the programs write, loaded with LD_PRELOAD. It makes one chosen
 * kind of call fail with a chosen errno, at the Nth call of that kind whose path matches (or from
 * the Nth on), and leaves every other call to the C library. Configured by the environment:
 *
 *   FAULT_CALL   write (fwrite, fflush, write on a regular file), fsync (fsync, fdatasync),
 *                rename, mkdir, or create (fopen of a path for writing)
 *   FAULT_AT     N: the Nth matching call fails; N+: the Nth and every later one
 *   FAULT_ERRNO  ENOSPC, EACCES, EIO or EISDIR
 *   FAULT_PATH   only calls on a path that contains this text count (for write and fsync the
 *                path of the descriptor); every path when unset
 *   FAULT_LOG    a file to which each injected fault appends "call path errno-name\n"
 *
 * Only regular files count for write and fsync, so that the console and sockets stay untouched. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

static long matching_calls;

static const char* setting(const char* name) {
    const char* value = getenv(name);
    return value != NULL && value[0] != '\0' ? value : NULL;
}

static int errno_named(const char* name) {
    if (name == NULL || strcmp(name, "EIO") == 0) {
        return EIO;
    }
    if (strcmp(name, "ENOSPC") == 0) {
        return ENOSPC;
    }
    if (strcmp(name, "EACCES") == 0) {
        return EACCES;
    }
    if (strcmp(name, "EISDIR") == 0) {
        return EISDIR;
    }
    return EIO;
}

static void path_of_descriptor(int fd, char* path, size_t capacity) {
    char link[64];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, path, capacity - 1);
    path[length < 0 ? 0 : length] = '\0';
}

static int is_regular_file(int fd) {
    struct stat info;
    return fd >= 0 && fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

/* Whether this call of kind `call` on `path` is to fail; sets errno and logs when it is. The
 * caller's errno is kept when it is not. */
static int inject(const char* call, const char* path) {
    const int saved = errno;
    const char* chosen = setting("FAULT_CALL");
    const char* at = setting("FAULT_AT");
    const char* filter = setting("FAULT_PATH");
    if (chosen == NULL || at == NULL || strcmp(chosen, call) != 0 ||
        (filter != NULL && (path == NULL || strstr(path, filter) == NULL))) {
        errno = saved;
        return 0;
    }
    char* end = NULL;
    const long target = strtol(at, &end, 10);
    const int from_then_on = end != NULL && *end == '+';
    ++matching_calls;
    if (matching_calls != target && !(from_then_on && matching_calls > target)) {
        errno = saved;
        return 0;
    }
    const char* log = setting("FAULT_LOG");
    if (log != NULL) {
        FILE* (*real_fopen)(const char*, const char*) =
            (FILE * (*)(const char*, const char*)) dlsym(RTLD_NEXT, "fopen");
        size_t (*real_fwrite)(const void*, size_t, size_t, FILE*) =
            (size_t(*)(const void*, size_t, size_t, FILE*))dlsym(RTLD_NEXT, "fwrite");
        FILE* out = real_fopen(log, "a");
        if (out != NULL) {
            char line[4200];
            const int length = snprintf(line, sizeof line, "%s %s %s\n", call, path ? path : "-",
                                        setting("FAULT_ERRNO") ? setting("FAULT_ERRNO") : "EIO");
            real_fwrite(line, 1, (size_t)length, out);
            fclose(out);
        }
    }
    errno = errno_named(setting("FAULT_ERRNO"));
    return 1;
}

static int inject_on_descriptor(const char* call, int fd) {
    if (!is_regular_file(fd)) {
        return 0;
    }
    char path[4096];
    path_of_descriptor(fd, path, sizeof path);
    return inject(call, path);
}

#define REAL(name, type) ((type)dlsym(RTLD_NEXT, name))

size_t fwrite(const void* data, size_t size, size_t count, FILE* stream) {
    if (inject_on_descriptor("write", fileno(stream))) {
        return 0;
    }
    return REAL("fwrite", size_t(*)(const void*, size_t, size_t, FILE*))(data, size, count, stream);
}

int fflush(FILE* stream) {
    if (stream != NULL && inject_on_descriptor("write", fileno(stream))) {
        return EOF;
    }
    return REAL("fflush", int (*)(FILE*))(stream);
}

ssize_t write(int fd, const void* data, size_t size) {
    if (inject_on_descriptor("write", fd)) {
        return -1;
    }
    return REAL("write", ssize_t(*)(int, const void*, size_t))(fd, data, size);
}

int fsync(int fd) {
    if (inject_on_descriptor("fsync", fd)) {
        return -1;
    }
    return REAL("fsync", int (*)(int))(fd);
}

int fdatasync(int fd) {
    if (inject_on_descriptor("fsync", fd)) {
        return -1;
    }
    return REAL("fdatasync", int (*)(int))(fd);
}

int rename(const char* source, const char* target) {
    if (inject("rename", target)) {
        return -1;
    }
    return REAL("rename", int (*)(const char*, const char*))(source, target);
}

int mkdir(const char* path, mode_t mode) {
    if (inject("mkdir", path)) {
        return -1;
    }
    return REAL("mkdir", int (*)(const char*, mode_t))(path, mode);
}

static int for_writing(const char* mode) {
    return mode != NULL && strpbrk(mode, "wa+") != NULL;
}

FILE* fopen(const char* path, const char* mode) {
    if (for_writing(mode) && inject("create", path)) {
        return NULL;
    }
    return REAL("fopen", FILE * (*)(const char*, const char*))(path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
    if (for_writing(mode) && inject("create", path)) {
        return NULL;
    }
    return REAL("fopen64", FILE * (*)(const char*, const char*))(path, mode);
}
