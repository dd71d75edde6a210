// The list tables of a simulated tracker of the $-command set: the access-point list and the driver
// identifiers. Installed beside TrackerDevice on the same simulator; it takes only the lines of
// these lists (BLE records and the other numbered-parameter tables are NumberedDevice's).
//
// "$PVRRAP" lists the access points ("$PVR;AP;Req;<n>;<values>" each, then "$PVR;AP;Total;<N>", or
// "$PVR;AP;NoData"); "$PVRGDID" lists the driver identifiers ("$PVR;GDID;<id>" each, then
// "$PVR;GDID;Total;<N>" or "$PVR;GDID;NoData"); "$PVRRDID" removes them all ("$PVR;RDID;OK");
// "<S>HGD;;02;ALL" answers the older form, lines of "<S>HGD;Res;02;ALL;" and up to kOldIdsPerLine
// identifiers, each line but the last ending in ";Continued".
// The lists are written back as a profile writes them: "<S>HRD;ALL" removes the identifiers (the
// older form of "$PVRRDID"), "<S>HAD;<id>;<id>..." adds identifiers, "<S>APS;<n>;<values>" sets
// access point n; each is answered "<S><H>;Res;OK".
// Every command is recognised with or without its "AT^" prefix.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "devsim/devsim.h"

namespace devsim {

class RecordStore {
 public:
  static constexpr int kOldIdsPerLine = 30;
  static constexpr int kMaxAccessPoints = 100;

  explicit RecordStore(DeviceSimulator& sim);
  RecordStore(const RecordStore&) = delete;
  RecordStore& operator=(const RecordStore&) = delete;

  // Access-point entries: the values after the entry number ("home;WPA").
  void SetAccessPoints(const std::vector<std::string>& entries);
  std::vector<std::string> AccessPoints() const;
  void SetDriverIds(const std::vector<std::string>& ids);
  std::vector<std::string> DriverIds() const;
  // The model token S of the older driver-identifier command.
  void SetModelToken(const std::string& token);

 private:
  bool Handle(const std::string& line, Responder& out);
  // A write of a list ("HRD", "HAD", "APS"); false for any other line. Called with the lock held.
  bool HandleWrite(const std::string& line, std::vector<std::string>& replies);

  mutable std::mutex m_mutex;
  std::vector<std::string> m_accessPoints;
  std::vector<std::string> m_driverIds;
  std::string m_model = "$T";
};

}  // namespace devsim
