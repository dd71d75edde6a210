// Start-up benchmark: starts the program and a minimal Qt Widgets dialog in turn, in pairs in
// ABBA order (A B, B A, A B, ...), and measures for each start the time from the spawn to the Qt
// application object and to the first painted frame (reported by a preloaded probe, probe.cpp),
// and for the first pairs the resident memory after a while idle (/proc/PID/smaps_rollup). It
// prints the medians of both and their ratios: only ratios taken in one run compare.
//
//   startup_bench [--pairs N] [--idle-pairs N] [--idle-seconds S] [--program PATH]
//                 [--reference PATH] [--probe PATH]
//
// The paths default to the files built beside this one and the program of the build. The
// environment chooses the display (QT_QPA_PLATFORM=offscreen, or xcb with DISPLAY); both programs
// run with a settings folder of their own.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

long long NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

struct Sample {
  double appMs = NAN;
  double frameMs = NAN;
  double rssMiB = NAN;
  double anonMiB = NAN;
};

struct Memory {
  double rssMiB = NAN;
  double anonMiB = NAN;
};

Memory ReadMemory(pid_t pid) {
  Memory m;
  std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
  std::string key;
  long long kb = 0;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    if (!(fields >> key >> kb)) continue;
    if (key == "Rss:") m.rssMiB = kb / 1024.0;
    if (key == "Anonymous:") m.anonMiB = kb / 1024.0;
  }
  return m;
}

void Stop(pid_t pid) {
  kill(pid, SIGTERM);
  const long long deadline = NowNs() + 5000000000LL;
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (NowNs() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// One start of path; false when the probe did not report a frame within 60 s.
bool RunOnce(const std::string& path, const std::string& probe, const std::string& configDir, double idleSeconds,
             Sample& sample) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  const long long spawned = NowNs();
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    close(fds[0]);
    setenv("STARTUP_PROBE_FD", std::to_string(fds[1]).c_str(), 1);
    setenv("LD_PRELOAD", probe.c_str(), 1);
    setenv("XDG_CONFIG_HOME", configDir.c_str(), 1);
    const int devnull = open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      dup2(devnull, 1);
      dup2(devnull, 2);
    }
    execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string got;
  const long long deadline = spawned + 60000000000LL;
  while (std::isnan(sample.frameMs) && NowNs() < deadline) {
    pollfd p{fds[0], POLLIN, 0};
    const int remaining = static_cast<int>((deadline - NowNs()) / 1000000);
    if (poll(&p, 1, std::max(remaining, 1)) <= 0) continue;
    char buf[256];
    const ssize_t n = read(fds[0], buf, sizeof buf);
    if (n <= 0) break;
    got.append(buf, static_cast<size_t>(n));
    size_t eol;
    while ((eol = got.find('\n')) != std::string::npos) {
      char what[16] = {};
      long long at = 0;
      if (std::sscanf(got.substr(0, eol).c_str(), "%15s %lld", what, &at) == 2) {
        const double ms = (at - spawned) / 1e6;
        if (std::strcmp(what, "app") == 0) sample.appMs = ms;
        if (std::strcmp(what, "frame") == 0) sample.frameMs = ms;
      }
      got.erase(0, eol + 1);
    }
  }
  close(fds[0]);
  if (!std::isnan(sample.frameMs) && idleSeconds > 0) {
    std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds));
    const Memory m = ReadMemory(pid);
    sample.rssMiB = m.rssMiB;
    sample.anonMiB = m.anonMiB;
  }
  Stop(pid);
  return !std::isnan(sample.frameMs);
}

double Median(std::vector<double> v) {
  v.erase(std::remove_if(v.begin(), v.end(), [](double x) { return std::isnan(x); }), v.end());
  if (v.empty()) return NAN;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string Folder(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string SelfFolder() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  buf[n] = 0;
  return Folder(buf);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string self = SelfFolder();
  std::string program = self + "/../src/brelvano";
  std::string reference = self + "/minimal_dialog";
  std::string probe = self + "/startup_probe.so";
  int pairs = 30;
  int idlePairs = 3;
  double idleSeconds = 5;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string opt = argv[i];
    const std::string val = argv[i + 1];
    if (opt == "--pairs") pairs = std::max(1, std::atoi(val.c_str()));
    else if (opt == "--idle-pairs") idlePairs = std::max(0, std::atoi(val.c_str()));
    else if (opt == "--idle-seconds") idleSeconds = std::atof(val.c_str());
    else if (opt == "--program") program = val;
    else if (opt == "--reference") reference = val;
    else if (opt == "--probe") probe = val;
    else {
      std::fprintf(stderr, "unknown option %s\n", opt.c_str());
      return 2;
    }
  }
  if (getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  char configTemplate[] = "/tmp/startup_bench-XXXXXX";
  if (mkdtemp(configTemplate) == nullptr) return 1;
  const std::string configDir = configTemplate;

  std::vector<Sample> prog;
  std::vector<Sample> ref;
  int failures = 0;
  for (int pair = 0; pair < pairs; ++pair) {
    const double idle = pair < idlePairs ? idleSeconds : 0;
    // ABBA: the program first in even pairs, the reference first in odd ones.
    for (int turn = 0; turn < 2; ++turn) {
      const bool programTurn = (turn == 0) == (pair % 2 == 0);
      Sample s;
      if (!RunOnce(programTurn ? program : reference, probe, configDir, idle, s)) ++failures;
      (programTurn ? prog : ref).push_back(s);
    }
  }
  const auto column = [](const std::vector<Sample>& v, double Sample::*field) {
    std::vector<double> out;
    for (const Sample& s : v) out.push_back(s.*field);
    return Median(out);
  };
  std::printf("platform %s, %d pairs (ABBA), idle memory of %d pairs after %.1f s; medians\n",
              getenv("QT_QPA_PLATFORM"), pairs, std::min(idlePairs, pairs), idleSeconds);
  std::printf("%-32s %12s %12s %8s\n", "", "program", "minimal", "ratio");
  const struct {
    const char* name;
    double Sample::*field;
    const char* unit;
  } rows[] = {{"spawn to application object", &Sample::appMs, "ms"},
              {"spawn to first painted frame", &Sample::frameMs, "ms"},
              {"idle RSS", &Sample::rssMiB, "MiB"},
              {"idle anonymous memory", &Sample::anonMiB, "MiB"}};
  for (const auto& r : rows) {
    const double a = column(prog, r.field);
    const double b = column(ref, r.field);
    std::printf("%-32s %8.1f %-3s %8.1f %-3s %7.2fx\n", r.name, a, r.unit, b, r.unit, a / b);
  }
  if (failures > 0) std::printf("%d starts showed no frame within 60 s\n", failures);
  const std::string cleanup = "rm -rf '" + configDir + "'";
  if (std::system(cleanup.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", configDir.c_str());
  return failures > 0 ? 1 : 0;
}
