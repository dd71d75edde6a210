// The $-command set configuration of the simulated device (see setcommanddevice.h).
#include "devsim/setcommanddevice.h"

#include <utility>

namespace devsim {

SetCommandDevice::SetCommandDevice(DeviceSimulator& sim, std::string s, std::string r)
    : m_s(std::move(s)), m_r(std::move(r)) {
  sim.AddHandler([this](const std::string& line, Responder& out) { return Handle(line, out); });
}

void SetCommandDevice::ErrorOn(int n) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_errorIn = n;
}

std::string SetCommandDevice::Body(const std::string& header) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_bodies.find(header);
  return it == m_bodies.end() ? std::string() : it->second;
}

std::vector<std::string> SetCommandDevice::Commands() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_commands;
}

bool SetCommandDevice::Handle(const std::string& line, Responder& out) {
  const std::string bare = line.compare(0, 3, "AT^") == 0 ? line.substr(3) : line;
  std::string answer;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (bare == "$PVRPRFSTART" || bare == "$PVRPRFEND") {
      m_commands.push_back(line);
      return true;
    }
    if (m_s.empty() || bare.compare(0, m_s.size(), m_s) != 0 || bare.compare(0, 4, "$PVR") == 0) return false;
    const size_t semicolon = bare.find(';', m_s.size());
    const std::string header = bare.substr(m_s.size(), semicolon == std::string::npos ? std::string::npos : semicolon - m_s.size());
    if (header.empty()) return false;
    m_commands.push_back(line);
    const bool error = m_errorIn > 0 && --m_errorIn == 0;
    if (!error) m_bodies[header] = semicolon == std::string::npos ? std::string() : bare.substr(semicolon + 1);
    answer = m_s + header + ";" + m_r + (error ? ";ERROR" : ";OK");
  }
  out.SendLine(answer);
  return true;
}

}  // namespace devsim
