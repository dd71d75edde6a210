// The polygon zones of a simulated tracker, for the $-command set. The device keeps zones (settings
// and points) and answers, each line with its model token in front:
//   "<S>PLC;GetPolygonGroupInfo;n" -> "<S>PLC;Res;GetPolygonGroupInfo;n;active;role1..role10;
//      points;role11[;extras]" (an empty zone reports 0 points);
//   "<S>PLC;GetPolygonGroupPos;n" -> one "<S>PLC;Res;GetPolygonGroupPos;n;packet;count;lng;lat..."
//      line per five points;
//   "<S>PLC;ErasePolygonGroup;n" -> the zone is erased, "<S>PLC;Res;ErasePolygonGroup;n";
//   "<S>PLG;packet;count;zone;..." -> the settings packet (1), the point packets and the end packet
//      of a zone write, each answered "<S>PLG;Res;01;OK;packet"; the zone is stored with the end
//      packet. With the error switch on every packet is answered "<S>PLG;Res;01;OK-Error;packet" and
//      nothing is stored. With a packet shift every acknowledgement names its packet number plus the
//      shift (a device that acknowledges another packet); the packets are taken all the same;
//   "<S>PLS;..." -> the service settings are kept, "<S>PLS;Res;OK".
// A write can be cut short after the acknowledgement of a given packet: the device restarts (the
// acknowledgement is followed by "System Start", the zone being written is lost, and the device
// then answers as before), or it falls silent for every later packet of the write.
// In the numbered-parameter set zones and points are elements of codes 53 and 60-89, which the
// numbered device (numbereddevice.h) keeps.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "devsim/devsim.h"

namespace devsim {

struct SimPolygonZone {
  int index = 0;
  int active = 0;
  std::vector<std::string> roles = std::vector<std::string>(10, "0");  // roles 1 .. 10
  std::string role11;
  std::vector<std::string> extras;
  std::vector<std::pair<std::string, std::string>> points;  // longitude, latitude
  // The point count the zone list reports in place of the number of points held (a faulty
  // device); empty: the points held.
  std::string reportedPoints;
};

class PolygonDevice {
 public:
  explicit PolygonDevice(DeviceSimulator& sim);
  PolygonDevice(const PolygonDevice&) = delete;
  PolygonDevice& operator=(const PolygonDevice&) = delete;

  void Put(const SimPolygonZone& zone);
  // The zone with that number (no points when the device has none).
  SimPolygonZone Get(int index) const;
  // The numbers of the zones with points, in order.
  std::vector<int> Zones() const;
  void SetWriteError(bool error);
  // The acknowledgements of "PLG" packets carry the packet number plus shift (0: their own).
  void SetAckPacketShift(int shift);
  // After acknowledging this packet of a zone write the device restarts once (0: never).
  void RestartAfterPacket(int packet);
  // After acknowledging this packet the device leaves every later "PLG" packet unanswered
  // (0: it answers them all).
  void StallAfterPacket(int packet);
  // The fields of the last polygon service line ("PLS") after its command word.
  std::string Service() const;
  // The polygon lines received, in order.
  std::vector<std::string> Lines() const;
  // The answer lines to a received line; empty for a line that is not the device's polygon business.
  std::vector<std::string> Answer(const std::string& line);

 private:
  bool Handle(const std::string& line, Responder& out);
  // taken: the line was a zone write packet, answered or not.
  std::vector<std::string> Answer(const std::string& line, bool& taken);

  mutable std::mutex m_mutex;
  std::map<int, SimPolygonZone> m_zones;
  SimPolygonZone m_pending;
  bool m_writeError = false;
  int m_ackShift = 0;
  int m_restartAfter = 0;
  int m_stallAfter = 0;
  bool m_stalled = false;
  std::string m_service;
  std::vector<std::string> m_lines;
};

}  // namespace devsim
