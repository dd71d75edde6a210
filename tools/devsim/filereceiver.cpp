// FileReceiver (see filereceiver.h).
#include "devsim/filereceiver.h"

#include <chrono>
#include <thread>

namespace devsim {

namespace {
constexpr char kStartWord[] = "$PVRMCUDLST";
constexpr char kBlockWord[] = "$PVRMCUDL";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The value of two hexadecimal digits at text[at], or -1.
int HexByte(const std::string& text, size_t at) {
  if (at + 2 > text.size()) return -1;
  const int hi = HexValue(text[at]);
  const int lo = HexValue(text[at + 1]);
  return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}
}  // namespace

FileReceiver::FileReceiver(DeviceSimulator& sim) {
  sim.AddHandler([this](const std::string& line, Responder& out) { return Handle(line, out); });
}

std::vector<FileReceiver::File> FileReceiver::Files() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_files;
}

int FileReceiver::LineCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_lines;
}

void FileReceiver::LoseAcknowledgement(int n) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_loseAt = n > 0 ? m_lines + n : 0;
}

void FileReceiver::AnswerErrorTo(int n) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_errorAt = n > 0 ? m_lines + n : 0;
}

void FileReceiver::SetSilent(bool silent) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_silent = silent;
}

void FileReceiver::SetThrottleBaud(int baud) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_baud = baud;
}

void FileReceiver::AcknowledgeTwice(int delayMs) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_repeatDelayMs = delayMs;
}

bool FileReceiver::TakeStart(const std::string& body) {
  // The length's digits, then their sum in two hexadecimal digits.
  if (body.size() < 7) return false;
  const std::string digits = body.substr(0, body.size() - 2);
  const int sum = HexByte(body, body.size() - 2);
  if (!AllDigits(digits) || digits.size() > 18 || sum < 0) return false;
  int digitSum = 0;
  for (char c : digits) digitSum += c - '0';
  if ((digitSum & 0xFF) != sum) return false;
  File file;
  file.announced = static_cast<size_t>(std::stoull(digits));
  m_files.push_back(file);
  return true;
}

bool FileReceiver::TakeBlock(const std::string& body) {
  if (m_files.empty() || body.size() < 5 || !AllDigits(body.substr(0, 3))) return false;
  const size_t count = static_cast<size_t>(std::stoi(body.substr(0, 3)));
  if (count < 1 || count > 512 || body.size() != 3 + 2 * count + 2) return false;
  std::string bytes;
  unsigned sum = 0;
  for (size_t i = 0; i < count; ++i) {
    const int b = HexByte(body, 3 + 2 * i);
    if (b < 0) return false;
    bytes.push_back(static_cast<char>(b));
    sum += static_cast<unsigned>(b);
  }
  if (HexByte(body, body.size() - 2) != static_cast<int>(sum & 0xFF)) return false;
  File& file = m_files.back();
  if (file.bytes.size() + bytes.size() > file.announced) return false;
  file.bytes += bytes;
  ++file.blocks;
  return true;
}

bool FileReceiver::Handle(const std::string& line, Responder& out) {
  std::string text = line;
  if (text.compare(0, 3, "AT^") == 0) text = text.substr(3);
  const bool start = text.compare(0, sizeof(kStartWord) - 1, kStartWord) == 0;
  const bool block = !start && text.compare(0, sizeof(kBlockWord) - 1, kBlockWord) == 0;
  if (!start && !block) return false;

  std::string answer;
  int baud = 0;
  int repeatDelayMs = -1;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_lines;
    const bool error = m_lines == m_errorAt;
    bool good = false;
    if (!error) {
      good = start ? TakeStart(text.substr(sizeof(kStartWord) - 1)) : TakeBlock(text.substr(sizeof(kBlockWord) - 1));
    }
    if (m_silent || m_lines == m_loseAt) return true;
    answer = std::string("$PVR;") + (start ? "VRMCUDLST" : "VRMCUDL") + (good ? ";OK" : ";ERR");
    baud = m_baud;
    repeatDelayMs = m_repeatDelayMs;
  }
  if (baud > 0) {
    // The line itself (with its CR) and the answer (with CR LF) cross the line one after the other.
    const double bytes = static_cast<double>(line.size() + 1 + answer.size() + 2);
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long long>(bytes * 10.0 * 1e6 / baud)));
  }
  out.SendLine(answer);
  if (repeatDelayMs >= 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(repeatDelayMs));
    out.SendLine(answer);
  }
  return true;
}

}  // namespace devsim
