// Test helper: ends the processes a test program leaves running at its exit. The Qt application
// of a test program is never deleted, so the web engine's helper processes are not shut down with
// it; one left behind keeps the program's output open and the test runner waits for it.
#pragma once

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace testsupport {

// The processes whose parent is pid (from /proc).
inline std::vector<pid_t> ChildProcesses(pid_t pid) {
  std::vector<pid_t> children;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return children;
  while (dirent* entry = readdir(proc)) {
    char* end = nullptr;
    const long id = std::strtol(entry->d_name, &end, 10);
    if (id <= 0 || *end != '\0') continue;
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%ld/stat", id);
    FILE* f = std::fopen(path, "r");
    if (f == nullptr) continue;
    // "pid (name) state ppid ...": the name may hold blanks, so the fields start after the last ')'.
    char line[512] = {0};
    const size_t n = std::fread(line, 1, sizeof line - 1, f);
    std::fclose(f);
    line[n] = '\0';
    const char* last = nullptr;
    for (const char* p = line; *p != '\0'; ++p)
      if (*p == ')') last = p;
    char state = 0;
    long parent = 0;
    if (last != nullptr && std::sscanf(last + 1, " %c %ld", &state, &parent) == 2 && parent == pid)
      children.push_back(static_cast<pid_t>(id));
  }
  closedir(proc);
  return children;
}

// Ends every process below this one. The whole tree is gathered before any is signalled, so that
// no grandchild moves to another parent in between.
inline void EndHelperProcesses() {
  std::vector<pid_t> tree = ChildProcesses(getpid());
  for (size_t i = 0; i < tree.size(); ++i) {
    for (pid_t grandchild : ChildProcesses(tree[i])) tree.push_back(grandchild);
  }
  for (pid_t p : tree) kill(p, SIGKILL);
}

// Ends them at the program's exit (once, however often it is asked).
inline void EndHelperProcessesAtExit() {
  static const bool registered = std::atexit(EndHelperProcesses) == 0;
  (void)registered;
}

}  // namespace testsupport
