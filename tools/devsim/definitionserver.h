// The definition a simulated tracker sends on request: its XML definition in binary packets (one
// file, or numbered sub-files announced with a header line) and its JSON definition in text frames
// after the assignment-header CSV, with switches for bad checksums, split and truncated packets, a
// lying length, a lost packet, silence and a line throttled to a baud rate.
//
// XML packet: STX, payload length (high, low), flag (0x80 more follow, 0x81 last of the file),
// payload, XOR of the payload, ETX. JSON frame: STX, "$PVR;JsonPk;<n>;<checksum>;<data>", ETX, the
// checksum being two lower-case hex digits of the XOR of the data bytes.
//
// Requests answered: "$ReqXmlPk" (next packet of the single file), "$ReqXmlPk;<file>;<packet>",
// "$ReqXmlResend" (the last packet again), "$ReqJsonPk;No;<n>" (frame n, from 1), each with or
// without "AT^". The start lines ("StartXML", "Hdr", "StartJSON", "CSV") come from the tracker
// persona, which this server configures.
#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "devsim/devsim.h"
#include "devsim/trackerdevice.h"

namespace devsim {

class DefinitionServer {
 public:
  // Installs the server's handler on sim. Both must outlive the simulator's run.
  DefinitionServer(DeviceSimulator& sim, TrackerDevice& tracker);
  DefinitionServer(const DefinitionServer&) = delete;
  DefinitionServer& operator=(const DefinitionServer&) = delete;

  // The packet of a payload, as sent (flag 0x81 when last). badChecksum flips the checksum.
  static std::string XmlPacket(const std::string& payload, bool last, bool badChecksum = false);
  // The JSON frame n (from 1) of data.
  static std::string JsonFrame(int n, const std::string& data);

  // One XML file sent in packets of at most packetBytes payload bytes.
  void ServeXmlFile(const std::string& xml, size_t packetBytes = 512);
  // Numbered sub-files, each with its header word ("RPT_SET" is one the program leaves out).
  void ServeXmlSubFiles(const std::vector<std::pair<std::string, std::string>>& files, size_t packetBytes = 512);
  // The CSV, then the JSON text cut into `frames` frames of about equal size.
  void ServeJson(const std::string& csv, const std::string& json, int frames);

  // Faults, counted over the packets and frames sent from the call on (resends included; 0-based:
  // 0 is the next one sent; a negative index switches the fault off).
  // The next n packets or frames carry a wrong checksum.
  void SetBadChecksums(int n);
  // Every packet or frame is written in two pieces, cut after `cut` bytes, with a pause between
  // them long enough to make them two deliveries (0: whole).
  void SetSplitAt(size_t cut);
  // Packet or frame number `index` is not sent (once).
  void SetLost(int index);
  // Packet or frame number `index` is sent cut to its first `keep` bytes (once).
  void SetTruncated(int index, size_t keep);
  // Packet number `index` announces `length` payload bytes whatever it carries (once).
  void SetLyingLength(int index, int length);
  // After this many packets or frames the server answers nothing more (-1: never silent).
  void SetSilentAfter(int sent);
  // The first time sub-file `file` (its number on the device) is asked for, this text is sent in its
  // place, in one packet; later requests get the file itself.
  void SetFirstCopy(size_t file, const std::string& text);
  // Paces what is sent to a line of this many baud, 10 bits a byte (0: as fast as it goes).
  void SetThrottleBaud(int baud);

  // Packets and frames sent (each resend counts), and the requests received, in order.
  int Sent() const;
  std::vector<std::string> Requests() const;
  // Bytes written to the line so far, and when the last write ended.
  size_t BytesSent() const;
  std::chrono::steady_clock::time_point LastWriteEnd() const;

 private:
  bool Handle(const std::string& line, Responder& out);
  // Sends one packet or frame with the faults in force.
  void SendUnit(std::string unit, Responder& out, bool isXml);

  DeviceSimulator& m_sim;
  TrackerDevice& m_tracker;
  mutable std::mutex m_mutex;
  size_t m_packetBytes = 512;
  // Sub-files by number on the device (a single file is file 0), and the JSON frames' data.
  std::vector<std::string> m_files;
  bool m_single = true;
  std::vector<std::string> m_jsonFrames;
  std::map<size_t, std::string> m_firstCopies;
  size_t m_nextSingle = 0;
  std::string m_lastUnit;
  // Faults.
  int m_badChecksums = 0;
  size_t m_splitAt = 0;
  int m_lost = -1;
  int m_truncated = -1;
  size_t m_truncateKeep = 0;
  int m_lying = -1;
  int m_lyingLength = 0;
  int m_silentAfter = -1;
  int m_baud = 0;
  // Counters.
  int m_sent = 0;
  size_t m_bytesSent = 0;
  std::chrono::steady_clock::time_point m_lastWriteEnd{};
  std::vector<std::string> m_requests;
};

}  // namespace devsim
