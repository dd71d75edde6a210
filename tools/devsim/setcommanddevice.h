// A tracking device of the $-command set that keeps its configuration as the framed set commands
// it received: a command "<S><H>;<body>" (with or without "AT^") stores the body under the header
// word H and is answered "<S><H>;<R>;OK". It records the profile transfer's start and end commands
// ("$PVRPRFSTART", "$PVRPRFEND") without answering them. A switch makes it answer one command with
// an error.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "devsim/devsim.h"

namespace devsim {

class SetCommandDevice {
 public:
  // s: the definition's header token, r: its reply token.
  SetCommandDevice(DeviceSimulator& sim, std::string s, std::string r);
  SetCommandDevice(const SetCommandDevice&) = delete;
  SetCommandDevice& operator=(const SetCommandDevice&) = delete;

  // The n-th set command from now on (1: the next) is answered "<S><H>;<R>;ERROR" and not stored.
  void ErrorOn(int n);
  // The body last stored under a header word (empty when none).
  std::string Body(const std::string& header) const;
  // The set commands received and the transfer's start and end commands, in order, as received.
  std::vector<std::string> Commands() const;

 private:
  bool Handle(const std::string& line, Responder& out);

  mutable std::mutex m_mutex;
  std::string m_s;
  std::string m_r;
  int m_errorIn = 0;
  std::map<std::string, std::string> m_bodies;
  std::vector<std::string> m_commands;
};

}  // namespace devsim
