// A tracking device of the $-command set on top of the simulated device: it answers the ready
// command, the version query, the status sections, the login, the diagnosis poll and the
// definition requests from a state that tests configure, with switches for silence and restarts.
//
// Commands are recognised with or without their "AT^" prefix and inside the modem tunnel's
// AT+VR="..." wrapping. Every answer is one line ending in CR LF.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "devsim/devsim.h"

namespace devsim {

// What the version reply says about the device.
struct TrackerIdentity {
  std::string model = "VR835";
  std::string buyer = "AB";
  std::string protocol = "GEN";
  std::string version = "32";
  std::string fifthPart;  // a fifth '_' part of the identity field when not empty
  int voice = 0;
  int rs232 = 0;
  int can = 0;
  int security = 0;
  int login = 0;
  int input4 = 0;
  int json = 0;
  std::string field5 = "0";
  std::string field12 = "0";
  std::string field16;
  std::string bleVersion;   // field 17
  std::string wifiVersion;  // field 18
};

class TrackerDevice {
 public:
  // Installs the persona's handler on sim (before or after sim.Start()). The simulator must
  // outlive the persona's use; the persona must outlive the simulator's run.
  explicit TrackerDevice(DeviceSimulator& sim);
  TrackerDevice(const TrackerDevice&) = delete;
  TrackerDevice& operator=(const TrackerDevice&) = delete;

  // The version reply line for the identity (without CR LF).
  static std::string VersionLine(const TrackerIdentity& identity);

  void SetIdentity(const TrackerIdentity& identity);
  TrackerIdentity Identity() const;
  // The ready reply carries "UP" (numbered-parameter device).
  void SetUpProtocol(bool up);
  // The ready command is answered only from its n-th arrival on (1: at once; 0: never).
  void SetReadyAnswerFrom(int n);
  // The password the login accepts; a wrong one is answered with result 2. SetLoginResult
  // overrides the check with a fixed result (0: no override).
  void SetPassword(const std::string& password);
  void SetLoginResult(int result);
  // The fields of the diagnosis reply after "DIAG" ("0;1" gives "$PVR;DIAG;0;1").
  void SetDiagFields(const std::string& fields);
  // The fields after the keyword of the download start lines and the sub-file header line.
  void SetStartXmlFields(const std::string& fields);
  void SetStartJsonFields(const std::string& fields);
  void SetHeaderFields(const std::string& fields);
  // The assignment header table the CSV request returns (LF is sent as ESC).
  void SetCsv(const std::string& csv);
  // Commands (the name after "$PVR", or "GetMSen" / "GetMVolt" / "SetLang") left unanswered.
  void SetIgnored(const std::string& command, bool ignored);
  // Sends the restart line "System Start" now; false when the port is gone.
  bool SendSystemStart();
  // Sends "System Start" instead of the answer at the next arrival of this command.
  void RestartOn(const std::string& command);

  // How often the ready command arrived; the passwords the login received, in order.
  int ReadyCount() const;
  std::vector<std::string> Passwords() const;

 private:
  bool Handle(const std::string& line, Responder& out);
  bool Answer(const std::string& command, const std::string& argument, Responder& out);

  DeviceSimulator& m_sim;
  mutable std::mutex m_mutex;
  TrackerIdentity m_identity;
  bool m_up = false;
  int m_readyFrom = 1;
  int m_readyCount = 0;
  std::string m_password = "1234";
  int m_loginResult = 0;
  std::string m_diagFields = "0;0";
  std::string m_startXmlFields = "1024";
  std::string m_startJsonFields = "1024;1";
  std::string m_headerFields = "GEN";
  std::string m_csv = "1,ID,Identifier";
  std::map<std::string, bool> m_ignored;
  std::string m_restartOn;
  std::vector<std::string> m_passwords;
};

}  // namespace devsim
