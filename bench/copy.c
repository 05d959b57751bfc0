/* tagwell-bench-copy FILE: FILE to standard output with plain read() and
 * write() calls of 512 KiB, nothing else: the floor under any filter that
 * reads and writes these bytes, and the baseline bench/compare_sed.sh sets
 * tagwell-convert against (cat may copy inside the kernel, which a filter
 * that changes the bytes cannot). */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

enum { BlockSize = 512 * 1024 };

int main(int argc, char** argv)
{
    if (argc != 2) {
        fputs("usage: tagwell-bench-copy FILE\n", stderr);
        return 2;
    }
    const int in = open(argv[1], O_RDONLY);
    char* block = malloc(BlockSize);
    if (in < 0 || block == NULL) {
        perror(argv[1]);
        return 1;
    }
    for (;;) {
        ssize_t got = read(in, block, BlockSize);
        if (got == 0)
            return 0;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            perror(argv[1]);
            return 1;
        }
        for (const char* at = block; got > 0;) {
            const ssize_t written = write(1, at, (size_t)got);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                perror("write");
                return 1;
            }
            at += written;
            got -= written;
        }
    }
}
