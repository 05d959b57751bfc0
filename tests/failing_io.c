/* Preloaded into tagwell-convert by tst_cli: the calls fail that a failing
 * file system or disk makes fail, as the environment asks.
 *   TAGWELL_FAIL_CLOSE_STDOUT    closing standard output closes it, then
 *                                fails with EIO, as a close on NFS reports a
 *                                write-back that failed
 *   TAGWELL_FAIL_READ_AFTER=N    a read of a regular file at or past byte N
 *                                fails with EIO, as one of a bad sector does
 * Every other call goes through as usual. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static int failCloseStdout;
static long long failReadAfter = -1;

__attribute__((constructor)) static void readEnvironment(void)
{
    failCloseStdout = getenv("TAGWELL_FAIL_CLOSE_STDOUT") != NULL;
    const char* after = getenv("TAGWELL_FAIL_READ_AFTER");
    if (after != NULL)
        failReadAfter = atoll(after);
}

static void* next(const char* name)
{
    return dlsym(RTLD_NEXT, name);
}

int close(int fd)
{
    int (*real)(int);
    void* found = next("close");
    memcpy(&real, &found, sizeof real);
    const int result = real(fd);
    if (!failCloseStdout || fd != 1 || result != 0)
        return result;
    errno = EIO;
    return -1;
}

ssize_t read(int fd, void* data, size_t size)
{
    ssize_t (*real)(int, void*, size_t);
    void* found = next("read");
    memcpy(&real, &found, sizeof real);
    struct stat st;
    if (failReadAfter >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && lseek(fd, 0, SEEK_CUR) >= failReadAfter) {
        errno = EIO;
        return -1;
    }
    return real(fd, data, size);
}
