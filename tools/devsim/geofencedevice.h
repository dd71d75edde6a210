// The circular geofences of a simulated tracker, for the $-command set: the device keeps a table of
// geofences, lists the used ones in answer to "$PVRRGEO" ("$PVR;GEO;Req;..." lines, then
// "$PVR;GEO;Total;n" or "$PVR;GEO;NoData"), and stores a geofence line "<S>CGF;id;used;lat;lon;
// radius;in;out[;further values]" (used 0 removes the geofence), answering "<S>;RES;CGF;OK" or,
// with the error switch on, "<S>;RES;CGF;ERROR" (the table then stays as it was). In the
// numbered-parameter set a geofence is one element of the codes 50-52 and 91-98: "AT^PRG;I;code;
// nn#value" stores the element's value text ("RPR;I;OK", or "RPR;I;ERROR" with the error switch),
// "AT^REQ;I;code;nn,nn" answers "RRE;I;code;nn#value;..." ("nn#NoData" for an element never written).
#pragma once

#include <map>
#include <utility>
#include <mutex>
#include <string>
#include <vector>

#include "devsim/devsim.h"

namespace devsim {

struct SimGeofence {
  int id = 0;
  int used = 0;
  int in = 0;
  int out = 0;
  std::string latitude;
  std::string longitude;
  std::string radius;
  std::string extra;  // the further values, each preceded by ';'
};

class GeofenceDevice {
 public:
  // Installs the handler on sim (before or after sim.Start()); the object must outlive the run.
  explicit GeofenceDevice(DeviceSimulator& sim, std::string header = "CGF");
  GeofenceDevice(const GeofenceDevice&) = delete;
  GeofenceDevice& operator=(const GeofenceDevice&) = delete;

  void Put(const SimGeofence& geofence);
  // The geofence with that number (used 0 and empty texts when the device has none).
  SimGeofence Get(int id) const;
  // The numbers of the used geofences, in order.
  std::vector<int> UsedIds() const;
  // Writes are answered with an error and change nothing.
  void SetWriteError(bool error);
  // The geofence lines received, in order.
  std::vector<std::string> Writes() const;

  // The list lines of the table (without CR LF).
  std::vector<std::string> ListLines() const;
  // A numbered-parameter element (empty when never written).
  std::string Item(int code, int element) const;
  void PutItem(int code, int element, const std::string& value);
  // The answer lines to a received line (without CR LF); empty for a line that is not the
  // device's geofence business.
  std::vector<std::string> Answer(const std::string& line);

 private:
  bool Handle(const std::string& line, Responder& out);

  std::string m_header;
  mutable std::mutex m_mutex;
  std::map<int, SimGeofence> m_table;
  bool m_writeError = false;
  std::vector<std::string> m_writes;
  std::map<std::pair<int, int>, std::string> m_items;
};

}  // namespace devsim
