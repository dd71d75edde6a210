// TrackerDevice (see trackerdevice.h).
#include "devsim/trackerdevice.h"

#include <string>

namespace devsim {

namespace {
// The command word and its argument: "$PVRVer;1416" gives "Ver" and "1416", "$GetMSen;850000"
// gives "GetMSen" and "850000", "$PVRSetLang=09" gives "SetLang" and "09". False for other lines.
bool SplitCommand(std::string line, std::string& command, std::string& argument) {
  const std::string tunnel = "AT+VR=\"";
  if (line.compare(0, tunnel.size(), tunnel) == 0) {
    line = line.substr(tunnel.size());
    if (!line.empty() && line.back() == '"') line.pop_back();
  }
  if (line.compare(0, 3, "AT^") == 0) line = line.substr(3);
  std::string rest;
  if (line.compare(0, 4, "$PVR") == 0) {
    rest = line.substr(4);
  } else if (line.compare(0, 4, "$Get") == 0) {
    rest = line.substr(1);
  } else {
    return false;
  }
  const size_t cut = rest.find_first_of(";=");
  command = rest.substr(0, cut);
  argument = cut == std::string::npos ? std::string() : rest.substr(cut + 1);
  return !command.empty();
}
}  // namespace

TrackerDevice::TrackerDevice(DeviceSimulator& sim) : m_sim(sim) {
  m_sim.AddHandler([this](const std::string& line, Responder& out) { return Handle(line, out); });
}

std::string TrackerDevice::VersionLine(const TrackerIdentity& id) {
  std::string identity = id.model + "_" + id.buyer + "_" + id.protocol + "_" + id.version;
  if (!id.fifthPart.empty()) identity += "_" + id.fifthPart;
  const std::vector<std::string> fields = {
      "$PVR", "Ver", identity, "0", id.field5, std::to_string(id.voice), std::to_string(id.rs232),
      std::to_string(id.can), std::to_string(id.security), std::to_string(id.login), std::to_string(id.input4),
      id.field12, "0", "0", std::to_string(id.json), id.field16, id.bleVersion, id.wifiVersion};
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i != 0) line += ";";
    line += fields[i];
  }
  return line;
}

void TrackerDevice::SetIdentity(const TrackerIdentity& identity) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_identity = identity;
}

TrackerIdentity TrackerDevice::Identity() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_identity;
}

void TrackerDevice::SetUpProtocol(bool up) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_up = up;
}

void TrackerDevice::SetReadyAnswerFrom(int n) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_readyFrom = n;
}

void TrackerDevice::SetPassword(const std::string& password) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_password = password;
}

void TrackerDevice::SetLoginResult(int result) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_loginResult = result;
}

void TrackerDevice::SetDiagFields(const std::string& fields) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_diagFields = fields;
}

void TrackerDevice::SetStartXmlFields(const std::string& fields) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_startXmlFields = fields;
}

void TrackerDevice::SetStartJsonFields(const std::string& fields) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_startJsonFields = fields;
}

void TrackerDevice::SetHeaderFields(const std::string& fields) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_headerFields = fields;
}

void TrackerDevice::SetCsv(const std::string& csv) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_csv = csv;
}

void TrackerDevice::SetIgnored(const std::string& command, bool ignored) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_ignored[command] = ignored;
}

bool TrackerDevice::SendSystemStart() { return m_sim.Send("System Start\r\n"); }

void TrackerDevice::RestartOn(const std::string& command) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_restartOn = command;
}

int TrackerDevice::ReadyCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_readyCount;
}

std::vector<std::string> TrackerDevice::Passwords() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_passwords;
}

bool TrackerDevice::Handle(const std::string& line, Responder& out) {
  std::string command, argument;
  if (!SplitCommand(line, command, argument)) return false;
  return Answer(command, argument, out);
}

bool TrackerDevice::Answer(const std::string& command, const std::string& argument, Responder& out) {
  std::string reply;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (command == "Rdy") ++m_readyCount;
    if (command == "UPD") m_passwords.push_back(argument);
    if (!m_restartOn.empty() && command == m_restartOn) {
      m_restartOn.clear();
      reply = "System Start";
    } else {
      const auto ignored = m_ignored.find(command);
      if (ignored != m_ignored.end() && ignored->second) return true;
      if (command == "Rdy") {
        if (m_readyFrom <= 0 || m_readyCount < m_readyFrom) return true;
        reply = m_up ? "$PVR;Rdy;UP" : "$PVR;Rdy";
      } else if (command == "Ver") {
        reply = VersionLine(m_identity);
      } else if (command == "UPD") {
        const int result = m_loginResult != 0 ? m_loginResult : (argument == m_password ? 1 : 2);
        reply = "$PVR;UPD;" + std::to_string(result);
      } else if (command == "NTW" || command == "RPT" || command == "EVT" || command == "SVC" || command == "GSM" ||
                 command == "ADP") {
        reply = "$PVR;" + command + ";1;0";
      } else if (command == "GetMSen" || command == "GetMVolt") {
        reply = "$" + command + ";Res;" + argument + ";1";
      } else if (command == "DIAG") {
        reply = "$PVR;DIAG;" + m_diagFields;
      } else if (command == "GetXml") {
        reply = "$PVR;StartXML;" + m_startXmlFields;
      } else if (command == "GetJson") {
        reply = "$PVR;StartJSON;" + m_startJsonFields;
      } else if (command == "ReqHdr") {
        reply = "$PVR;Hdr;" + m_headerFields;
      } else if (command == "GetCsv") {
        std::string csv = m_csv;
        for (char& c : csv)
          if (c == '\n') c = '\x1b';
        reply = "$PVR;CSV;" + csv;
      } else if (command == "SetLang") {
        reply = "$PVR;SetLang;OK";
      } else {
        return false;
      }
    }
  }
  out.SendLine(reply);
  return true;
}

}  // namespace devsim
