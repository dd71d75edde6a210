// RecordStore (see recordstore.h).
#include "devsim/recordstore.h"

#include <cstdlib>

namespace devsim {

RecordStore::RecordStore(DeviceSimulator& sim) {
  sim.AddHandler([this](const std::string& line, Responder& out) { return Handle(line, out); });
}

void RecordStore::SetAccessPoints(const std::vector<std::string>& entries) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_accessPoints = entries;
}

void RecordStore::SetDriverIds(const std::vector<std::string>& ids) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_driverIds = ids;
}

std::vector<std::string> RecordStore::AccessPoints() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_accessPoints;
}

std::vector<std::string> RecordStore::DriverIds() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_driverIds;
}

void RecordStore::SetModelToken(const std::string& token) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_model = token;
}

bool RecordStore::Handle(const std::string& raw, Responder& out) {
  std::string line = raw;
  if (line.compare(0, 3, "AT^") == 0) line = line.substr(3);
  std::vector<std::string> replies;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (line == "$PVRRAP") {
      for (size_t i = 0; i < m_accessPoints.size(); ++i)
        replies.push_back("$PVR;AP;Req;" + std::to_string(i + 1) + ";" + m_accessPoints[i]);
      replies.push_back(m_accessPoints.empty() ? std::string("$PVR;AP;NoData")
                                               : "$PVR;AP;Total;" + std::to_string(m_accessPoints.size()));
    } else if (line == "$PVRGDID") {
      for (const std::string& id : m_driverIds) replies.push_back("$PVR;GDID;" + id);
      replies.push_back(m_driverIds.empty() ? std::string("$PVR;GDID;NoData")
                                            : "$PVR;GDID;Total;" + std::to_string(m_driverIds.size()));
    } else if (line.compare(0, 8, "$PVRRDID") == 0) {
      m_driverIds.clear();
      replies.push_back("$PVR;RDID;OK");
    } else if (line == m_model + "HGD;;02;ALL") {
      const std::string head = m_model + "HGD;Res;02;ALL";
      if (m_driverIds.empty()) replies.push_back(head + ";NoData");
      for (size_t i = 0; i < m_driverIds.size(); i += kOldIdsPerLine) {
        std::string reply = head;
        for (size_t k = i; k < m_driverIds.size() && k < i + kOldIdsPerLine; ++k) reply += ";" + m_driverIds[k];
        if (i + kOldIdsPerLine < m_driverIds.size()) reply += ";Continued";
        replies.push_back(reply);
      }
    } else if (!HandleWrite(line, replies)) {
      return false;
    }
  }
  for (const std::string& reply : replies) out.SendLine(reply);
  return true;
}

bool RecordStore::HandleWrite(const std::string& line, std::vector<std::string>& replies) {
  if (line.compare(0, m_model.size(), m_model) != 0) return false;
  const std::string command = line.substr(m_model.size());
  const std::string header = command.substr(0, command.find(';'));
  const std::string body = command.size() > header.size() ? command.substr(header.size() + 1) : std::string();
  std::vector<std::string> fields;
  for (size_t start = 0; !body.empty();) {
    const size_t semicolon = body.find(';', start);
    fields.push_back(body.substr(start, semicolon == std::string::npos ? std::string::npos : semicolon - start));
    if (semicolon == std::string::npos) break;
    start = semicolon + 1;
  }
  if (header == "HRD") {
    m_driverIds.clear();
  } else if (header == "HAD") {
    for (const std::string& id : fields)
      if (!id.empty()) m_driverIds.push_back(id);
  } else if (header == "APS" && !fields.empty()) {
    const int n = std::atoi(fields[0].c_str());
    if (n < 1 || n > kMaxAccessPoints) return false;
    if (m_accessPoints.size() < static_cast<size_t>(n)) m_accessPoints.resize(static_cast<size_t>(n));
    m_accessPoints[static_cast<size_t>(n) - 1] = body.substr(fields[0].size() + (fields.size() > 1 ? 1 : 0));
  } else {
    return false;
  }
  replies.push_back(m_model + header + ";Res;OK");
  return true;
}

}  // namespace devsim
