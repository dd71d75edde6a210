// GeofenceDevice (see geofencedevice.h).
#include "devsim/geofencedevice.h"

#include <cstdlib>

namespace devsim {

GeofenceDevice::GeofenceDevice(DeviceSimulator& sim, std::string header) : m_header(std::move(header)) {
  sim.AddHandler([this](const std::string& line, Responder& out) { return Handle(line, out); });
}

void GeofenceDevice::Put(const SimGeofence& geofence) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_table[geofence.id] = geofence;
}

SimGeofence GeofenceDevice::Get(int id) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  const auto it = m_table.find(id);
  if (it == m_table.end()) {
    SimGeofence none;
    none.id = id;
    return none;
  }
  return it->second;
}

std::vector<int> GeofenceDevice::UsedIds() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<int> ids;
  for (const auto& entry : m_table)
    if (entry.second.used) ids.push_back(entry.first);
  return ids;
}

void GeofenceDevice::SetWriteError(bool error) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_writeError = error;
}

std::vector<std::string> GeofenceDevice::Writes() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_writes;
}

std::vector<std::string> GeofenceDevice::ListLines() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<std::string> lines;
  for (const auto& entry : m_table) {
    const SimGeofence& g = entry.second;
    if (!g.used) continue;
    const int flags = 1 | (g.in == 1 ? 2 : 0) | (g.out == 1 ? 4 : 0);
    lines.push_back("$PVR;GEO;Req;" + std::to_string(g.id) + ";" + std::to_string(flags) + ";" + g.latitude + ";" +
                    g.longitude + ";" + g.radius + g.extra);
  }
  if (lines.empty()) {
    lines.push_back("$PVR;GEO;NoData");
  } else {
    lines.push_back("$PVR;GEO;Total;" + std::to_string(lines.size()));
  }
  return lines;
}

std::string GeofenceDevice::Item(int code, int element) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  const auto it = m_items.find({code, element});
  return it == m_items.end() ? std::string() : it->second;
}

void GeofenceDevice::PutItem(int code, int element, const std::string& value) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_items[{code, element}] = value;
}

static bool IsGeofenceCode(int code) { return (code >= 50 && code <= 52) || (code >= 91 && code <= 98); }

static std::string TwoDigits(int n) { return n < 10 ? "0" + std::to_string(n) : std::to_string(n); }

std::vector<std::string> GeofenceDevice::Answer(const std::string& raw) {
  const std::string line = BareCommandLine(raw);
  if (line == "$PVRRGEO") return ListLines();
  // Numbered-parameter reads and writes of the geofence codes.
  if (line.compare(0, 4, "PRG;") == 0 || line.compare(0, 4, "REQ;") == 0) {
    const std::vector<std::string> f = SplitFields(line, ';');
    if (f.size() < 4) return {};
    const int code = std::atoi(f[2].c_str());
    if (!IsGeofenceCode(code)) return {};
    std::lock_guard<std::mutex> lock(m_mutex);
    m_writes.push_back(line);
    if (line[0] == 'P') {
      if (m_writeError) return {"RPR;" + f[1] + ";ERROR"};
      for (size_t i = 3; i < f.size(); ++i) {
        const size_t hash = f[i].find('#');
        if (hash == std::string::npos) continue;
        m_items[{code, std::atoi(f[i].substr(0, hash).c_str())}] = f[i].substr(hash + 1);
      }
      return {"RPR;" + f[1] + ";OK"};
    }
    std::string reply = "RRE;" + f[1] + ";" + TwoDigits(code);
    for (const std::string& element : SplitFields(f[3], ',')) {
      const int nn = std::atoi(element.c_str());
      const auto it = m_items.find({code, nn});
      reply += ";" + TwoDigits(nn) + "#" + (it == m_items.end() ? std::string("NoData") : it->second);
    }
    return {reply};
  }
  const size_t at = line.find(m_header + ";");
  if (at == std::string::npos || line.empty() || line[0] != '$') return {};
  const std::string token = line.substr(0, at);  // the model token in front of the header word
  const std::vector<std::string> f = SplitFields(line.substr(at + m_header.size() + 1), ';');
  std::lock_guard<std::mutex> lock(m_mutex);
  m_writes.push_back(line);
  if (m_writeError || f.size() < 7) return {token + ";RES;" + m_header + ";ERROR"};
  SimGeofence g;
  g.id = std::atoi(f[0].c_str());
  g.used = std::atoi(f[1].c_str());
  g.latitude = f[2];
  g.longitude = f[3];
  g.radius = f[4];
  g.in = std::atoi(f[5].c_str());
  g.out = std::atoi(f[6].c_str());
  for (size_t i = 7; i < f.size(); ++i) g.extra += ";" + f[i];
  m_table[g.id] = g;
  return {token + ";RES;" + m_header + ";OK"};
}

bool GeofenceDevice::Handle(const std::string& line, Responder& out) {
  const std::vector<std::string> replies = Answer(line);
  for (const std::string& reply : replies) out.SendLine(reply);
  return !replies.empty();
}

}  // namespace devsim
