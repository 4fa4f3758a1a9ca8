/* Faults of the file system calls that put a run's results in place,
   preloaded into a real zef_run (LD_PRELOAD) by the tests:

     FAULT_NO_LINK=1       link() fails with EPERM, as on file systems
                           without hard links (FAT, exFAT, some shares)
     FAULT_RENAME_KILL=k   the process kills itself (SIGKILL) at the k-th
                           rename out of a run folder, before it happens
     FAULT_RENAME_FAIL=k[,m...]  the k-th (and m-th ...) such rename fails
                           (EIO)
     FAULT_SYNC_FAIL=path  fsync and fdatasync of that file or folder fail
                           (EIO)
     FAULT_TRACE=file      each fsync, fdatasync, rename, link and unlink
                           is appended to the file as a line "call path"
                           ("rename from to", "link from to")

   Only renames whose source lies in a run folder (".run/") count: the
   journal's, the moves of the commit and the put-back. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int counted = 0;

/* Whether the k-th counted rename is one of the listed ones. */
static int listed(const char* name, int k) {
    const char* text = getenv(name);
    while (text && *text) {
        if (atoi(text) == k) return 1;
        text = strchr(text, ',');
        if (text) ++text;
    }
    return 0;
}

static void trace(const char* call, const char* a, const char* b) {
    const char* file = getenv("FAULT_TRACE");
    if (!file) return;
    char line[8192];
    const int n = snprintf(line, sizeof line, "%s %s%s%s\n", call, a, b ? " " : "", b ? b : "");
    if (n <= 0 || n >= (int)sizeof line) return;
    int (*real_open)(const char*, int, ...) =
        (int (*)(const char*, int, ...))dlsym(RTLD_NEXT, "open");
    const int fd = real_open(file, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    /* One write with O_APPEND: the lines of threads do not interleave. */
    if (write(fd, line, (size_t)n) != n) {
    }
    close(fd);
}

/* The path an open descriptor was opened with. */
static void fd_path(int fd, char* path, size_t size) {
    char link[64];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, size - 1);
    path[n > 0 ? n : 0] = 0;
}

static int sync_with(const char* call, int fd) {
    char path[4096];
    fd_path(fd, path, sizeof path);
    trace(call, path, NULL);
    const char* failing = getenv("FAULT_SYNC_FAIL");
    if (failing && strcmp(failing, path) == 0) {
        errno = EIO;
        return -1;
    }
    int (*real)(int) = (int (*)(int))dlsym(RTLD_NEXT, call);
    return real(fd);
}

int fsync(int fd) { return sync_with("fsync", fd); }

int fdatasync(int fd) { return sync_with("fdatasync", fd); }

int unlink(const char* path) {
    trace("unlink", path, NULL);
    int (*real)(const char*) = (int (*)(const char*))dlsym(RTLD_NEXT, "unlink");
    return real(path);
}

int link(const char* from, const char* to) {
    trace("link", from, to);
    if (getenv("FAULT_NO_LINK")) {
        errno = EPERM;
        return -1;
    }
    int (*real)(const char*, const char*) =
        (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "link");
    return real(from, to);
}

int rename(const char* from, const char* to) {
    int (*real)(const char*, const char*) =
        (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "rename");
    trace("rename", from, to);
    if (strstr(from, ".run/")) {
        ++counted;
        if (listed("FAULT_RENAME_KILL", counted)) raise(SIGKILL);
        if (listed("FAULT_RENAME_FAIL", counted)) {
            errno = EIO;
            return -1;
        }
    }
    return real(from, to);
}
