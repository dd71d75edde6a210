// RecordStore (see recordstore.h).
#include "devsim/recordstore.h"

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
    } else {
      return false;
    }
  }
  for (const std::string& reply : replies) out.SendLine(reply);
  return true;
}

}  // namespace devsim
