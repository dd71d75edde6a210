// The numbered-parameter tracker of the simulated device (see numbereddevice.h).
#include "devsim/numbereddevice.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace devsim {

namespace {
std::string Two(int n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", n);
  return buf;
}

int ToInt(const std::string& s) { return std::atoi(s.c_str()); }
}  // namespace

NumberedDevice::NumberedDevice(DeviceSimulator& sim) {
  sim.AddHandler([this](const std::string& line, Responder& out) { return Handle(line, out); });
}

void NumberedDevice::SetEsn(const std::string& esn) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_esn = esn;
}

void NumberedDevice::SetValue(int code, int nn, const std::string& value) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_values[code][nn] = value;
}

std::string NumberedDevice::Value(int code, int nn) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto c = m_values.find(code);
  if (c == m_values.end()) return std::string();
  auto v = c->second.find(nn);
  return v == c->second.end() ? std::string() : v->second;
}

void NumberedDevice::SetUnsupported(int code, bool on) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (on) m_unsupported.insert(code);
  else m_unsupported.erase(code);
}

void NumberedDevice::SetEmptyReply(int code, bool on) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (on) m_empty.insert(code);
  else m_empty.erase(code);
}

void NumberedDevice::RefuseNext(int n) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_refuse = n;
}

void NumberedDevice::LoseNext(int n) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_lose = n;
}

void NumberedDevice::SetAnswerDelayMs(int ms) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_delayMs = ms;
}

void NumberedDevice::SilentAfterAnswers(int n) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_answersLeft = n;
}

void NumberedDevice::SendBeforeAnswer(int code, const std::string& line) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_before[code] = line;
}

std::vector<std::string> NumberedDevice::Requests() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_requests;
}

void NumberedDevice::ClearRequests() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_requests.clear();
}

size_t NumberedDevice::AnswerBytes() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_answerBytes;
}

bool NumberedDevice::Handle(const std::string& line, Responder& out) {
  std::string answer;
  std::string before;
  int delayMs = 0;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (line == "AT^$ESN_READ") {
      answer = "ESN_RD;" + m_esn;
    } else {
      if (line.rfind("AT^REQ;", 0) != 0 && line.rfind("AT^PRG;", 0) != 0 && line.rfind("AT^CMD;", 0) != 0) return false;
      m_requests.push_back(line);
      const std::vector<std::string> f = SplitFields(line.substr(3), ';');
      const std::string word = f.empty() ? std::string() : f[0];
      const int code = f.size() > 2 ? ToInt(f[2]) : 0;
      if (m_lose > 0) {
        --m_lose;
        return true;
      }
      if (m_refuse > 0) {
        --m_refuse;
        answer = "RPR;" + m_esn + ";" + Two(code) + ";ERROR";
      } else if (word == "REQ") {
        if (m_answersLeft == 0) return true;
        if (m_answersLeft > 0) --m_answersLeft;
        delayMs = m_delayMs;
        auto unasked = m_before.find(code);
        if (unasked != m_before.end()) {
          before = unasked->second;
          m_before.erase(unasked);
        }
        if (m_unsupported.count(code) != 0) {
          answer = "USP;" + m_esn + ";" + Two(code);
        } else {
          answer = "RRE;" + m_esn + ";" + Two(code);
          if (m_empty.count(code) == 0 && f.size() > 3) {
            for (const std::string& e : SplitFields(f[3], ',')) {
              if (e.empty()) continue;
              const int nn = ToInt(e);
              auto c = m_values.find(code);
              const bool held = c != m_values.end() && c->second.count(nn) != 0;
              answer += ";" + Two(nn) + "#" + (held ? c->second.at(nn) : std::string("NoData"));
            }
          }
        }
      } else if (word == "PRG") {
        // "PRG;I;cc;nn#v;nn#v" (an assignment map "PRG;I;m1;m2#hex" is stored under m1 too).
        for (size_t i = 3; i < f.size(); ++i) {
          const size_t hash = f[i].find('#');
          if (hash == std::string::npos) continue;
          m_values[code][ToInt(f[i].substr(0, hash))] = f[i].substr(hash + 1);
        }
        answer = "RPR;" + m_esn + ";" + Two(code) + ";OK";
      } else {
        answer = "RPR;" + m_esn + ";" + Two(code) + ";OK";
      }
    }
    m_answerBytes += answer.size() + 2;
  }
  if (delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
  if (!before.empty()) out.SendLine(before);
  out.SendLine(answer);
  return true;
}

}  // namespace devsim
