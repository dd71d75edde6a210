// PolygonDevice (see polygondevice.h).
#include "devsim/polygondevice.h"

#include <cstdlib>

namespace devsim {

PolygonDevice::PolygonDevice(DeviceSimulator& sim) {
  sim.AddHandler([this](const std::string& line, Responder& out) { return Handle(line, out); });
}

void PolygonDevice::Put(const SimPolygonZone& zone) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_zones[zone.index] = zone;
}

SimPolygonZone PolygonDevice::Get(int index) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  const auto it = m_zones.find(index);
  if (it != m_zones.end()) return it->second;
  SimPolygonZone none;
  none.index = index;
  return none;
}

std::vector<int> PolygonDevice::Zones() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<int> out;
  for (const auto& entry : m_zones)
    if (!entry.second.points.empty()) out.push_back(entry.first);
  return out;
}

void PolygonDevice::SetWriteError(bool error) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_writeError = error;
}

void PolygonDevice::SetAckPacketShift(int shift) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_ackShift = shift;
}

void PolygonDevice::RestartAfterPacket(int packet) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_restartAfter = packet;
}

void PolygonDevice::StallAfterPacket(int packet) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_stallAfter = packet;
  m_stalled = false;
}

std::string PolygonDevice::Service() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_service;
}

std::vector<std::string> PolygonDevice::Lines() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_lines;
}

std::vector<std::string> PolygonDevice::Answer(const std::string& raw) {
  bool taken = false;
  return Answer(raw, taken);
}

std::vector<std::string> PolygonDevice::Answer(const std::string& raw, bool& taken) {
  std::string line = BareCommandLine(raw);
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  const size_t plc = line.find("PLC;");
  const size_t plg = line.find("PLG;");
  const size_t pls = line.find("PLS;");
  if (!line.empty() && line[0] == '$' && pls != std::string::npos && plc == std::string::npos &&
      plg == std::string::npos) {
    // The polygon service settings: kept as sent and acknowledged.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.push_back(line);
    m_service = line.substr(pls + 4);
    return {line.substr(0, pls) + "PLS;Res;OK"};
  }
  if (line.empty() || line[0] != '$' || (plc == std::string::npos && plg == std::string::npos)) return {};
  const bool request = plc != std::string::npos && (plg == std::string::npos || plc < plg);
  const size_t at = request ? plc : plg;
  const std::string token = line.substr(0, at);
  const std::vector<std::string> f = SplitFields(line.substr(at), ';');
  std::lock_guard<std::mutex> lock(m_mutex);
  m_lines.push_back(line);
  if (request) {
    if (f.size() < 3) return {};
    const int n = std::atoi(f[2].c_str());
    const std::string head = token + "PLC;Res;" + f[1] + ";" + std::to_string(n);
    const auto it = m_zones.find(n);
    SimPolygonZone zone;
    zone.index = n;
    if (it != m_zones.end()) zone = it->second;
    if (f[1] == "GetPolygonGroupInfo") {
      std::string reply = head + ";" + std::to_string(zone.active);
      for (const std::string& role : zone.roles) reply += ";" + role;
      reply += ";" + (zone.reportedPoints.empty() ? std::to_string(zone.points.size()) : zone.reportedPoints) + ";" +
               zone.role11;
      for (const std::string& extra : zone.extras) reply += ";" + extra;
      return {reply};
    }
    if (f[1] == "GetPolygonGroupPos") {
      const size_t blocks = (zone.points.size() + 4) / 5;
      std::vector<std::string> replies;
      for (size_t b = 0; b < blocks; ++b) {
        std::string reply = head + ";" + std::to_string(b + 2) + ";" + std::to_string(blocks + 2);
        for (size_t p = 5 * b; p < 5 * b + 5; ++p)
          reply += p < zone.points.size() ? ";" + zone.points[p].first + ";" + zone.points[p].second : std::string(";;");
        replies.push_back(reply);
      }
      return replies;
    }
    if (f[1] == "ErasePolygonGroup") {
      m_zones.erase(n);
      return {head};
    }
    return {token + "PLC;Res;" + f[1] + ";Error"};
  }
  if (f.size() < 4) return {};
  const int packet = std::atoi(f[1].c_str());
  const int count = std::atoi(f[2].c_str());
  // A stalled device takes the packet and answers nothing.
  taken = true;
  if (m_stalled) return {};
  const std::string ack = token + "PLG;Res;01;" + (m_writeError ? "OK-Error;" : "OK;") +
                          std::to_string(packet + m_ackShift);
  if (m_writeError) return {ack};
  if (packet == 1) {
    m_pending = SimPolygonZone();
    m_pending.index = std::atoi(f[3].c_str());
    for (size_t i = 0; i < 10 && 4 + i < f.size(); ++i) m_pending.roles[i] = f[4 + i];
    if (f.size() > 14) m_pending.role11 = f[14];
    for (size_t i = 15; i < f.size(); ++i) m_pending.extras.push_back(f[i]);
  } else if (packet == count) {
    if (f.size() > 4) m_pending.active = std::atoi(f[4].c_str());
    m_zones[m_pending.index] = m_pending;
  } else {
    for (size_t i = 4; i + 1 < f.size(); i += 2)
      if (!f[i].empty() || !f[i + 1].empty()) m_pending.points.emplace_back(f[i], f[i + 1]);
  }
  if (m_stallAfter != 0 && packet == m_stallAfter) m_stalled = true;
  if (m_restartAfter != 0 && packet == m_restartAfter) {
    m_restartAfter = 0;
    m_pending = SimPolygonZone();
    return {ack, "System Start"};
  }
  return {ack};
}

bool PolygonDevice::Handle(const std::string& line, Responder& out) {
  bool taken = false;
  const std::vector<std::string> replies = Answer(line, taken);
  for (const std::string& reply : replies) out.SendLine(reply);
  return taken || !replies.empty();
}

}  // namespace devsim
