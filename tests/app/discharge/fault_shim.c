/* Faults of the file system calls that put a run's results in place,
   preloaded into a real zef_run (LD_PRELOAD) by the tests:

     FAULT_NO_LINK=1       link() fails with EPERM, as on file systems
                           without hard links (FAT, exFAT, some shares)
     FAULT_RENAME_KILL=k   the process kills itself (SIGKILL) at the k-th
                           rename out of a run folder, before it happens
     FAULT_RENAME_FAIL=k[,m]  the k-th (and m-th) such rename fails (EIO)

   Only renames whose source lies in a run folder (".run/") count: the
   journal's, the moves of the commit and the put-back. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int counted = 0;

static int env_number(const char* name, int which) {
    const char* text = getenv(name);
    if (!text) return 0;
    if (which == 1) {
        text = strchr(text, ',');
        if (!text) return 0;
        ++text;
    }
    return atoi(text);
}

int link(const char* from, const char* to) {
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
    if (strstr(from, ".run/")) {
        ++counted;
        if (counted == env_number("FAULT_RENAME_KILL", 0)) raise(SIGKILL);
        if (counted == env_number("FAULT_RENAME_FAIL", 0) ||
            counted == env_number("FAULT_RENAME_FAIL", 1)) {
            errno = EIO;
            return -1;
        }
    }
    return real(from, to);
}
