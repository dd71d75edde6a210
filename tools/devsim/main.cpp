// brelvano-devsim: runs the simulated device until interrupted, so the program can be tried by hand.
//
//   brelvano-devsim [--script FILE]
//
// Prints "port: /dev/pts/N" once the port is ready; the script answers request lines
// ("REQUEST => REPLY1 | REPLY2" a line). SIGINT, SIGTERM or SIGHUP stop it and remove the port
// from the registry.
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "devsim/devsim.h"

namespace {

int Usage(const char* program, int status) {
  std::fprintf(status ? stderr : stdout, "usage: %s [--script FILE]\n", program);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::string scriptFile;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") return Usage(argv[0], 0);
    if (arg == "--script" && i + 1 < argc) {
      scriptFile = argv[++i];
    } else if (arg.compare(0, 9, "--script=") == 0 && arg.size() > 9) {
      scriptFile = arg.substr(9);
    } else {
      std::fprintf(stderr, "%s: unexpected argument \"%s\"\n", argv[0], arg.c_str());
      return Usage(argv[0], 2);
    }
  }

  std::vector<devsim::ScriptEntry> script;
  if (!scriptFile.empty()) {
    std::ifstream in(scriptFile, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "%s: cannot read %s: %s\n", argv[0], scriptFile.c_str(), std::strerror(errno));
      return 2;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::string error;
    if (in.bad() || !devsim::ParseScript(text.str(), script, error)) {
      std::fprintf(stderr, "%s: %s: %s\n", argv[0], scriptFile.c_str(),
                   error.empty() ? "read error" : error.c_str());
      return 2;
    }
  }

  // Block the stop signals in every thread (the simulator's thread inherits the mask) and take
  // them synchronously below.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  devsim::DeviceSimulator sim;
  sim.LoadScript(script);
  if (!sim.Start()) {
    std::fprintf(stderr, "%s: %s\n", argv[0], sim.LastError().c_str());
    return 1;
  }
  std::printf("port: %s\n", sim.PortPath().c_str());
  std::fflush(stdout);

  int signal = 0;
  while (sigwait(&stopSignals, &signal) != 0) {
  }
  sim.Stop();
  return 0;
}
