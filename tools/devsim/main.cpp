// brelvano-devsim: runs the simulated device until interrupted, so the program can be tried by hand.
//
//   brelvano-devsim [--script FILE] [--tracker] [--model M] [--buyer B] [--version V] [--voice 0|1]
//
// Prints "port: /dev/pts/N" once the port is ready. The script answers request lines
// ("REQUEST => REPLY1 | REPLY2" a line). --tracker makes the device a tracker of the $-command set
// (ready, version, status sections, login, diagnosis, definition requests; its access points and
// driver identifiers, empty at start) with the identity given by the other flags (each of them
// implies --tracker); the tracker answers first, the script answers
// what the tracker does not know. SIGINT, SIGTERM or SIGHUP stop it and remove the port from the
// registry.
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "devsim/devsim.h"
#include "devsim/recordstore.h"
#include "devsim/trackerdevice.h"

namespace {

int Usage(const char* program, int status) {
  std::fprintf(status ? stderr : stdout,
               "usage: %s [--script FILE] [--tracker] [--model M] [--buyer B] [--version V] [--voice 0|1]\n"
               "  --script FILE  answer request lines from FILE (\"REQUEST => REPLY1 | REPLY2\" a line)\n"
               "  --tracker      answer as a tracking device (default identity VR835, buyer AB, version 32)\n"
               "  --model M, --buyer B, --version V, --voice 0|1\n"
               "                 the tracker's identity (each implies --tracker)\n",
               program);
  return status;
}

// "--name VALUE" or "--name=VALUE" at argv[i]; advances i past a separate value.
// Returns 1 when matched with a value, 0 when not this option, -1 when the value is missing.
int TakeValue(const std::string& name, int argc, char** argv, int& i, std::string& value) {
  const std::string arg = argv[i];
  if (arg == name) {
    if (i + 1 >= argc) return -1;
    value = argv[++i];
    return 1;
  }
  if (arg.compare(0, name.size() + 1, name + "=") == 0) {
    value = arg.substr(name.size() + 1);
    return 1;
  }
  return 0;
}

// An identity part goes into the version reply between '_' and ';' separators: it must be a
// non-empty run of printable characters without either separator.
bool ValidIdentityPart(const std::string& value) {
  if (value.empty()) return false;
  for (unsigned char c : value) {
    if (c < 0x20 || c == 0x7F || c == '_' || c == ';' || c == '"') return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string scriptFile;
  bool tracker = false;
  devsim::TrackerIdentity identity;
  // The options that take a value; each checks its value and gives an error text when it is bad.
  struct ValueOption {
    const char* name;
    std::function<std::string(const std::string&)> take;
  };
  auto identityPart = [&](std::string& target) {
    return [&target, &tracker](const std::string& value) -> std::string {
      if (!ValidIdentityPart(value)) return "give a non-empty text without '_', ';', '\"' or control characters";
      target = value;
      tracker = true;
      return std::string();
    };
  };
  const ValueOption options[] = {
      {"--script",
       [&](const std::string& value) -> std::string {
         if (value.empty()) return "give a file name";
         scriptFile = value;
         return std::string();
       }},
      {"--model", identityPart(identity.model)},
      {"--buyer", identityPart(identity.buyer)},
      {"--version", identityPart(identity.version)},
      {"--voice",
       [&](const std::string& value) -> std::string {
         if (value != "0" && value != "1") return "give 0 or 1";
         identity.voice = value == "1" ? 1 : 0;
         tracker = true;
         return std::string();
       }},
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") return Usage(argv[0], 0);
    if (arg == "--tracker") {
      tracker = true;
      continue;
    }
    bool matched = false;
    for (const ValueOption& option : options) {
      std::string value;
      const int taken = TakeValue(option.name, argc, argv, i, value);
      if (taken == 0) continue;
      if (taken < 0) {
        std::fprintf(stderr, "%s: %s needs a value\n", argv[0], option.name);
        return Usage(argv[0], 2);
      }
      const std::string error = option.take(value);
      if (!error.empty()) {
        std::fprintf(stderr, "%s: %s \"%s\": %s\n", argv[0], option.name, value.c_str(), error.c_str());
        return 2;
      }
      matched = true;
      break;
    }
    if (!matched) {
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
  // The persona is made after the simulator and so outlives its run (the simulator stops below).
  std::unique_ptr<devsim::TrackerDevice> persona;
  std::unique_ptr<devsim::RecordStore> records;
  if (tracker) {
    persona = std::make_unique<devsim::TrackerDevice>(sim);
    persona->SetIdentity(identity);
    records = std::make_unique<devsim::RecordStore>(sim);
  }
  sim.LoadScript(script);
  if (!sim.Start()) {
    std::fprintf(stderr, "%s: %s\n", argv[0], sim.LastError().c_str());
    return 1;
  }
  std::printf("port: %s\n", sim.PortPath().c_str());
  if (tracker) std::printf("tracker: %s\n", devsim::TrackerDevice::VersionLine(identity).c_str());
  std::fflush(stdout);

  int signal = 0;
  while (sigwait(&stopSignals, &signal) != 0) {
  }
  sim.Stop();
  return 0;
}
