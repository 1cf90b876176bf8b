// The benchmark's stopwatch: runs one command and reports its wall time, its peak resident
// memory (getrusage of the child, so the figure is the command's own and not this wrapper's)
// and its exit status, as one line of key=value pairs:
//   wall_s=0.123456 maxrss_kb=1234 status=0 timeout=0 cpu_s=0.120000
// status is the exit status, or 128 + the signal that ended the command. With -t the command
// is killed after that many seconds and timeout=1 is reported.
// usage: bench_peakrss [-t SECONDS] [-o RESULTFILE] -- COMMAND [ARG...]
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

volatile std::sig_atomic_t alarmed = 0;
void onalarm(int) {
  alarmed = 1;
}

double now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

int usage() {
  std::fprintf(stderr, "usage: bench_peakrss [-t SECONDS] [-o RESULTFILE] -- COMMAND [ARG...]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  unsigned timeout = 0;
  const char* result = nullptr;
  int i = 1;
  for (; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) {
      ++i;
      break;
    }
    if (std::strcmp(argv[i], "-t") == 0 && i + 1 < argc) {
      timeout = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    } else if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
      result = argv[++i];
    } else {
      return usage();
    }
  }
  if (i >= argc) return usage();

  // No SA_RESTART: the alarm has to interrupt the wait below.
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = onalarm;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGALRM, &sa, nullptr);

  double start = now();
  pid_t pid = fork();
  if (pid < 0) {
    std::perror("bench_peakrss: fork");
    return 2;
  }
  if (pid == 0) {
    execvp(argv[i], argv + i);
    std::fprintf(stderr, "bench_peakrss: cannot run %s: %s\n", argv[i], std::strerror(errno));
    _exit(127);
  }
  if (timeout > 0) alarm(timeout);
  int st = 0;
  rusage ru;
  std::memset(&ru, 0, sizeof ru);
  bool timedout = false;
  for (;;) {
    pid_t r = wait4(pid, &st, 0, &ru);
    if (r == pid) break;
    if (r < 0 && errno == EINTR) {
      if (alarmed && !timedout) {
        kill(pid, SIGKILL);
        timedout = true;
      }
      continue;
    }
    std::perror("bench_peakrss: wait");
    return 2;
  }
  alarm(0);
  double wall = now() - start;
  int status = WIFEXITED(st) ? WEXITSTATUS(st) : WIFSIGNALED(st) ? 128 + WTERMSIG(st) : 255;

  std::FILE* out = result ? std::fopen(result, "w") : stderr;
  if (!out) {
    std::perror("bench_peakrss: result file");
    return 2;
  }
  // ru_maxrss is in kilobytes on Linux.
  // CPU time (user and system) is steadier than wall time on a shared machine.
  const double cpu = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                     static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
  std::fprintf(out, "wall_s=%.6f maxrss_kb=%ld status=%d timeout=%d cpu_s=%.6f\n", wall,
               ru.ru_maxrss, status, timedout ? 1 : 0, cpu);
  if (result && std::fclose(out) != 0) return 2;
  return 0;
}
