// A tracking device of the numbered-parameter set on top of the simulated device: it answers the
// identity query with its ESN, REQ lines with RRE lines from its own value table (elements it does
// not hold answer "NoData"), PRG lines by storing the items and answering RPR with OK, and CMD lines
// with OK. Switches make it refuse, answer USP, leave an answer out or answer without items, answer
// slowly, fall silent after some answers, or send a reply of another code nobody asked for.
//
// Lines are recognised with their "AT^" prefix. Every answer is one line ending in CR LF.
#pragma once

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "devsim/devsim.h"

namespace devsim {

class NumberedDevice {
 public:
  // Installs the handler on sim (before the handlers that should see the lines after it).
  explicit NumberedDevice(DeviceSimulator& sim);
  NumberedDevice(const NumberedDevice&) = delete;
  NumberedDevice& operator=(const NumberedDevice&) = delete;

  void SetEsn(const std::string& esn);
  // The value of element nn of a code (generic element, list entry, record, geofence, BLE slot,
  // zone or point: the code table decides what the program makes of it).
  void SetValue(int code, int nn, const std::string& value);
  std::string Value(int code, int nn) const;
  // Answers USP to every REQ of this code.
  void SetUnsupported(int code, bool on);
  // Answers "RRE;esn;cc" without items to every REQ of this code.
  void SetEmptyReply(int code, bool on);
  // Refuses the next n PRG/CMD/REQ lines with "RPR;esn;cc;ERROR".
  void RefuseNext(int n);
  // Leaves the answers of the next n REQ/PRG/CMD lines out.
  void LoseNext(int n);
  // Every answer to a REQ line goes out this many milliseconds after the line came (a slow device).
  void SetAnswerDelayMs(int ms);
  // After n more answers to REQ lines the device answers no REQ line (n < 0: it answers again).
  void SilentAfterAnswers(int n);
  // Before its answer to the next REQ of this code the device sends line, unasked (once).
  void SendBeforeAnswer(int code, const std::string& line);
  // The lines received that this device handled (REQ, PRG, CMD), in order.
  std::vector<std::string> Requests() const;
  void ClearRequests();
  // Bytes of the answers sent so far.
  size_t AnswerBytes() const;

 private:
  bool Handle(const std::string& line, Responder& out);

  mutable std::mutex m_mutex;
  std::string m_esn = "123456789012345";
  std::map<int, std::map<int, std::string>> m_values;
  std::set<int> m_unsupported;
  std::set<int> m_empty;
  int m_refuse = 0;
  int m_lose = 0;
  int m_delayMs = 0;
  int m_answersLeft = -1;
  std::map<int, std::string> m_before;
  std::vector<std::string> m_requests;
  size_t m_answerBytes = 0;
};

}  // namespace devsim
