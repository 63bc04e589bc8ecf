/* Starts a command with the clock frame_clock reads: notes CLOCK_MONOTONIC in
 * FRAME_CLOCK_T0_NS and replaces itself with the command, so the time counts
 * from the program's own start (exec), not from a shell's.
 * Usage: frame_clock_launch COMMAND [ARGS...]  (LD_PRELOAD set by the caller) */
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: frame_clock_launch COMMAND [ARGS...]\n");
        return 2;
    }
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    char start[32];
    snprintf(start, sizeof start, "%lld", (long long)now.tv_sec * 1000000000LL + now.tv_nsec);
    setenv("FRAME_CLOCK_T0_NS", start, 1);
    execvp(argv[1], argv + 1);
    perror(argv[1]);
    return 127;
}
