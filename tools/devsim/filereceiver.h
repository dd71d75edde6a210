// A tracking device taking files written into it: a start line announces a file's length, blocks of
// hexadecimal bytes with their byte sum follow, and each line is acknowledged before the program
// sends the next. The received files are kept so a test can compare them with what was sent.
// Switches: one acknowledgement lost, an error answer, silence, a line paced to a baud rate, and
// every line acknowledged twice.
//
// Lines (with or without their "AT^" prefix):
//   $PVRMCUDLST<length, 5 or more digits><sum of those digits, 2 hex digits>  -> $PVR;VRMCUDLST;OK
//   $PVRMCUDL<count, 3 digits><count bytes in hex><sum of the bytes mod 256, 2 hex> -> $PVR;VRMCUDL;OK
// A malformed line, a wrong count or sum, or a block without an announced file is answered with ERR
// in place of OK and changes nothing.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "devsim/devsim.h"

namespace devsim {

class FileReceiver {
 public:
  struct File {
    size_t announced = 0;  // the length of the start line
    std::string bytes;     // the bytes of the blocks received for it
    int blocks = 0;
    bool Complete() const { return bytes.size() == announced; }
  };

  // Installs the handler on sim (before or after sim.Start()); both must outlive the other's use.
  explicit FileReceiver(DeviceSimulator& sim);
  FileReceiver(const FileReceiver&) = delete;
  FileReceiver& operator=(const FileReceiver&) = delete;

  // Every file announced so far, in order (the last may still be arriving).
  std::vector<File> Files() const;
  // Download lines (start lines and blocks) received so far.
  int LineCount() const;
  // The n-th download line from now on (1: the next one) is taken but not acknowledged.
  void LoseAcknowledgement(int n);
  // The n-th download line from now on is answered with ERR (and not taken).
  void AnswerErrorTo(int n);
  // Silent: download lines are recorded and taken but never acknowledged.
  void SetSilent(bool silent);
  // Paces the line as a serial line of this many baud would (10 bits a byte): an acknowledgement
  // leaves once the line and the acknowledgement itself would have crossed it. 0: at once.
  void SetThrottleBaud(int baud);
  // Every download line is acknowledged twice, the second answer delayMs after the first (a device
  // that repeats its answer); -1: once.
  void AcknowledgeTwice(int delayMs);

 private:
  bool Handle(const std::string& line, Responder& out);
  // "OK" or "ERR" for a start line or a block, taking it when it is good.
  bool TakeStart(const std::string& body);
  bool TakeBlock(const std::string& body);

  mutable std::mutex m_mutex;
  std::vector<File> m_files;
  int m_lines = 0;
  int m_loseAt = 0;
  int m_errorAt = 0;
  bool m_silent = false;
  int m_baud = 0;
  int m_repeatDelayMs = -1;
};

}  // namespace devsim
