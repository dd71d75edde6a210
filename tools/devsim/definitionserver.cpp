// DefinitionServer (see definitionserver.h).
#include "devsim/definitionserver.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace devsim {

namespace {
constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;
// The pause between the pieces of a split packet: longer than the program's gap between characters.
constexpr int kSplitPauseMs = 150;
// Bytes written at once on a throttled line.
constexpr size_t kThrottleChunk = 32;

unsigned char Xor(const std::string& bytes) {
  unsigned char x = 0;
  for (unsigned char c : bytes) x ^= c;
  return x;
}

std::string Bare(const std::string& line) { return BareCommandLine(line); }

bool ParseInt(const std::string& text, int& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (end == nullptr || *end != '\0' || v < 0 || v > 1000000) return false;
  value = static_cast<int>(v);
  return true;
}
}  // namespace

DefinitionServer::DefinitionServer(DeviceSimulator& sim, TrackerDevice& tracker) : m_sim(sim), m_tracker(tracker) {
  m_sim.AddHandler([this](const std::string& line, Responder& out) { return Handle(line, out); });
}

std::string DefinitionServer::XmlPacket(const std::string& payload, bool last, bool badChecksum) {
  std::string packet;
  packet.push_back(kStx);
  packet.push_back(static_cast<char>((payload.size() >> 8) & 0xFF));
  packet.push_back(static_cast<char>(payload.size() & 0xFF));
  packet.push_back(static_cast<char>(last ? 0x81 : 0x80));
  packet += payload;
  unsigned char x = Xor(payload);
  if (badChecksum) x ^= 0x5A;
  packet.push_back(static_cast<char>(x));
  packet.push_back(kEtx);
  return packet;
}

std::string DefinitionServer::JsonFrame(int n, const std::string& data) {
  char checksum[8];
  std::snprintf(checksum, sizeof checksum, "%02x", static_cast<unsigned>(Xor(data)));
  std::string frame;
  frame.push_back(kStx);
  frame += "$PVR;JsonPk;" + std::to_string(n) + ";" + checksum + ";" + data;
  frame.push_back(kEtx);
  return frame;
}

void DefinitionServer::ServeXmlFile(const std::string& xml, size_t packetBytes) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_files = {xml};
    m_single = true;
    m_nextSingle = 0;
    m_packetBytes = packetBytes == 0 ? 512 : packetBytes;
  }
  m_tracker.SetStartXmlFields(std::to_string(xml.size()));
}

void DefinitionServer::ServeXmlSubFiles(const std::vector<std::pair<std::string, std::string>>& files,
                                        size_t packetBytes) {
  std::string start = std::to_string(files.size());
  std::string header;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_files.clear();
    m_single = false;
    m_packetBytes = packetBytes == 0 ? 512 : packetBytes;
    for (size_t i = 0; i < files.size(); ++i) {
      m_files.push_back(files[i].second);
      start += ";" + std::to_string(files[i].second.size());
      header += (i == 0 ? "" : ";") + files[i].first;
    }
  }
  m_tracker.SetStartXmlFields(start);
  m_tracker.SetHeaderFields(header);
}

void DefinitionServer::ServeJson(const std::string& csv, const std::string& json, int frames) {
  if (frames < 1) frames = 1;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_jsonFrames.clear();
    const size_t size = (json.size() + static_cast<size_t>(frames) - 1) / static_cast<size_t>(frames);
    for (int i = 0; i < frames; ++i) {
      const size_t from = std::min(json.size(), static_cast<size_t>(i) * size);
      m_jsonFrames.push_back(json.substr(from, size));
    }
  }
  m_tracker.SetCsv(csv);
  m_tracker.SetStartJsonFields(std::to_string(json.size()) + ";" + std::to_string(frames));
}

void DefinitionServer::SetBadChecksums(int n) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_badChecksums = n;
}
void DefinitionServer::SetSplitAt(size_t cut) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_splitAt = cut;
}
void DefinitionServer::SetLost(int index) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_lost = index < 0 ? -1 : m_sent + index;
}
void DefinitionServer::SetTruncated(int index, size_t keep) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_truncated = index < 0 ? -1 : m_sent + index;
  m_truncateKeep = keep;
}
void DefinitionServer::SetLyingLength(int index, int length) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_lying = index < 0 ? -1 : m_sent + index;
  m_lyingLength = length;
}
void DefinitionServer::SetSilentAfter(int sent) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_silentAfter = sent < 0 ? -1 : m_sent + sent;
}
void DefinitionServer::SetFirstCopy(size_t file, const std::string& text) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_firstCopies[file] = text;
}

void DefinitionServer::SetThrottleBaud(int baud) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_baud = baud;
}
int DefinitionServer::Sent() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_sent;
}
std::chrono::steady_clock::time_point DefinitionServer::LastWriteEnd() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_lastWriteEnd;
}
std::vector<std::string> DefinitionServer::Requests() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_requests;
}
size_t DefinitionServer::BytesSent() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_bytesSent;
}

bool DefinitionServer::Handle(const std::string& line, Responder& out) {
  const std::string bare = Bare(line);
  std::string unit;
  bool isXml = true;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (bare.compare(0, 9, "$ReqXmlPk") == 0) {
      m_requests.push_back(line);
      const std::string args = bare.substr(9);
      size_t file = 0;
      size_t packet = 0;
      if (args.empty()) {
        if (!m_single) return true;
        packet = m_nextSingle++;
      } else {
        const size_t semi = args.find(';', 1);
        int f = 0;
        int p = 0;
        if (args[0] != ';' || semi == std::string::npos || !ParseInt(args.substr(1, semi - 1), f) ||
            !ParseInt(args.substr(semi + 1), p))
          return true;
        file = static_cast<size_t>(f);
        packet = static_cast<size_t>(p);
      }
      if (file >= m_files.size()) return true;
      std::string bytes = m_files[file];
      const auto first = m_firstCopies.find(file);
      if (first != m_firstCopies.end() && packet == 0) {
        bytes = first->second;
        m_firstCopies.erase(first);
      }
      const size_t count = bytes.empty() ? 1 : (bytes.size() + m_packetBytes - 1) / m_packetBytes;
      if (packet >= count) packet = count - 1;
      const std::string payload = bytes.substr(std::min(bytes.size(), packet * m_packetBytes), m_packetBytes);
      unit = XmlPacket(payload, packet + 1 == count);
      m_lastUnit = unit;
    } else if (bare == "$ReqXmlResend") {
      m_requests.push_back(line);
      if (m_lastUnit.empty()) return true;
      unit = m_lastUnit;
    } else if (bare.compare(0, 14, "$ReqJsonPk;No;") == 0) {
      m_requests.push_back(line);
      int n = 0;
      if (!ParseInt(bare.substr(14), n) || n < 1 || static_cast<size_t>(n) > m_jsonFrames.size()) return true;
      unit = JsonFrame(n, m_jsonFrames[static_cast<size_t>(n) - 1]);
      isXml = false;
      m_lastUnit = unit;
    } else {
      return false;
    }
  }
  SendUnit(unit, out, isXml);
  return true;
}

void DefinitionServer::SendUnit(std::string unit, Responder& out, bool isXml) {
  size_t split = 0;
  int baud = 0;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    const int index = m_sent;
    if (m_silentAfter >= 0 && index >= m_silentAfter) return;
    ++m_sent;
    if (index == m_lost) {
      m_lost = -1;
      return;
    }
    if (m_badChecksums > 0) {
      --m_badChecksums;
      if (isXml) {
        if (unit.size() >= 6) unit[unit.size() - 2] = static_cast<char>(unit[unit.size() - 2] ^ 0x5A);
      } else {
        // The checksum field is the fourth; its first digit changes.
        size_t at = 0;
        for (int i = 0; i < 3 && at != std::string::npos; ++i) at = unit.find(';', at + 1);
        if (at != std::string::npos && at + 1 < unit.size()) unit[at + 1] = unit[at + 1] == 'f' ? '0' : 'f';
      }
    }
    if (index == m_lying && isXml && unit.size() >= 4) {
      unit[1] = static_cast<char>((m_lyingLength >> 8) & 0xFF);
      unit[2] = static_cast<char>(m_lyingLength & 0xFF);
      m_lying = -1;
    }
    if (index == m_truncated) {
      unit = unit.substr(0, m_truncateKeep);
      m_truncated = -1;
    }
    split = m_splitAt;
    baud = m_baud;
  }
  const auto write = [&](const std::string& bytes) {
    if (baud <= 0) {
      out.Send(bytes);
    } else {
      // 10 bits a byte: each chunk takes its time on the line.
      const auto start = std::chrono::steady_clock::now();
      for (size_t at = 0; at < bytes.size(); at += kThrottleChunk) {
        const std::string chunk = bytes.substr(at, kThrottleChunk);
        out.Send(chunk);
        const long long done = static_cast<long long>(at + chunk.size());
        std::this_thread::sleep_until(start + std::chrono::microseconds(done * 10 * 1000000 / baud));
      }
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bytesSent += bytes.size();
    m_lastWriteEnd = std::chrono::steady_clock::now();
  };
  if (split > 0 && split < unit.size()) {
    write(unit.substr(0, split));
    std::this_thread::sleep_for(std::chrono::milliseconds(kSplitPauseMs));
    write(unit.substr(split));
  } else {
    write(unit);
  }
}

}  // namespace devsim
