/* SPDX-License-Identifier: MIT */
/* The floor under quillet-convert's start: a file read and written to
 * /dev/null through a 64 KB buffer, and nothing else. What any program
 * pays to start, read a small file and end. */

#include <fcntl.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    static char buffer[64 * 1024];
    if (argc != 2)
        return 2;
    int in = open(argv[1], O_RDONLY);
    int out = open("/dev/null", O_WRONLY);
    if (in < 0 || out < 0)
        return 1;
    ssize_t got;
    while ((got = read(in, buffer, sizeof buffer)) > 0)
        if (write(out, buffer, (size_t)got) != got)
            return 1;
    return got < 0;
}
