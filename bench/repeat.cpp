// Runs one command N times in a row, each run waited for before the next starts, so that a
// run of a few milliseconds can be timed as one command of N runs (bench_peakrss around it):
// process start and the clock's grain spread over the N runs. Stops at the first run that
// fails and exits with its status (128 + the signal that ended it); 0 when all N succeeded.
// The command's output goes where this program's goes.
// usage: bench_repeat N -- COMMAND [ARG...]
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc < 4 || std::strcmp(argv[2], "--") != 0) {
    std::fprintf(stderr, "usage: bench_repeat N -- COMMAND [ARG...]\n");
    return 2;
  }
  char* end = nullptr;
  long n = std::strtol(argv[1], &end, 10);
  if (*end != '\0' || n < 1) {
    std::fprintf(stderr, "bench_repeat: N must be a positive number\n");
    return 2;
  }
  char** cmd = argv + 3;
  for (long i = 0; i < n; ++i) {
    pid_t pid = fork();
    if (pid < 0) {
      std::perror("bench_repeat: fork");
      return 2;
    }
    if (pid == 0) {
      execvp(cmd[0], cmd);
      std::fprintf(stderr, "bench_repeat: cannot run %s: %s\n", cmd[0], std::strerror(errno));
      _exit(127);
    }
    int st = 0;
    while (waitpid(pid, &st, 0) < 0) {
      if (errno != EINTR) {
        std::perror("bench_repeat: wait");
        return 2;
      }
    }
    int status = WIFEXITED(st) ? WEXITSTATUS(st) : WIFSIGNALED(st) ? 128 + WTERMSIG(st) : 255;
    if (status != 0) return status;
  }
  return 0;
}
