// orv-bench-child REPEATS COMMAND [ARGS...]: runs COMMAND REPEATS times, its standard output
// going to /dev/null, and prints one line per run: wall time in nanoseconds, peak resident set in
// KiB, CPU time (user + system) in nanoseconds (all from wait4's rusage) and exit status.
//
// The benchmarks measure child processes through this small static program rather than
// directly: a child's peak resident set counts the memory of the process it was started from,
// and this one holds a few hundred KiB where a benchmark holds megabytes.
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace {

long long nowNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        fputs("usage: orv-bench-child REPEATS COMMAND [ARGS...]\n", stderr);
        return 2;
    }
    const int repeats = atoi(argv[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    for (int i = 0; i < repeats; ++i) {
        const long long t0 = nowNs();
        pid_t pid = 0;
        if (posix_spawn(&pid, argv[2], &actions, nullptr, argv + 2, environ) != 0) {
            perror(argv[2]);
            return 1;
        }
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) != pid) {
            perror("wait4");
            return 1;
        }
        const long long t1 = nowNs();
        const long long cpu =
            (static_cast<long long>(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000000000LL +
            (static_cast<long long>(usage.ru_utime.tv_usec) + usage.ru_stime.tv_usec) * 1000LL;
        printf("%lld %ld %lld %d\n", t1 - t0, usage.ru_maxrss, cpu,
               WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    }
    return 0;
}
