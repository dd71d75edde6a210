// The simulated tracking device: a pseudo-terminal whose far end answers what the program sends,
// registered as a serial port so the program finds it like a real one.
//
// The simulator owns the master side of a pseudo-terminal; the program opens the slave side
// (PortPath(), e.g. "/dev/pts/7") as its serial port. While running, the port is listed in the
// registry under HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM as "\Device\DevSim<pid>_<n>" with
// the data "pts/7", as a serial driver lists its ports.
//
// What the program sends is cut into lines at CR (LF bytes are dropped); every line is recorded and
// then answered by the first handler that accepts it, else by the scripted reply for exactly that
// line, else not at all.
//
// The simulator keeps a slave descriptor of its own open until Stop/Unplug: without it, writing to
// the master before the program has opened the port (or after it closed it) fails with EIO and the
// master reports a hang-up continuously. Bytes sent while the program has no descriptor open wait in
// the terminal's input queue.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace devsim {

// Where a handler writes its answer.
class Responder {
 public:
  virtual ~Responder() = default;
  // Sends bytes as they are; false when the port is gone.
  virtual bool Send(const std::string& bytes) = 0;
  // Sends a line followed by "\r\n".
  bool SendLine(const std::string& line) { return Send(line + "\r\n"); }
};

// One scripted exchange: a request line and the lines sent back for it.
struct ScriptEntry {
  std::string request;
  std::vector<std::string> replies;
};

// Parses a script: one exchange a line, "REQUEST => REPLY1 | REPLY2" (no reply after "=>" means the
// request is recorded and left unanswered). Spaces around the request and each reply are trimmed;
// blank lines and lines starting with '#' are skipped. A line without "=>" or with an empty request
// is an error: false, and error names the line.
bool ParseScript(const std::string& text, std::vector<ScriptEntry>& out, std::string& error);

// A received command line without its "AT^" prefix and the modem tunnel's wrapping (AT+VR="...").
std::string BareCommandLine(std::string line);

// The fields of a line at sep (a trailing separator gives a last, empty field).
std::vector<std::string> SplitFields(const std::string& text, char sep);

class DeviceSimulator {
 public:
  // A handler returns true when it has dealt with the line (answered or chose not to).
  using Handler = std::function<bool(const std::string& line, Responder& out)>;

  DeviceSimulator();
  ~DeviceSimulator();  // stops
  DeviceSimulator(const DeviceSimulator&) = delete;
  DeviceSimulator& operator=(const DeviceSimulator&) = delete;

  // Opens the pseudo-terminal, sets it raw 115200 8N1, registers the port and starts answering.
  // False with LastError() when any of that fails (nothing is left behind then). Once stopped or
  // unplugged, a simulator may be started again (with a new port).
  bool Start();
  // Removes the registry value, stops answering and closes the terminal: the program's side sees
  // a hang-up (poll reports POLLHUP, read gives 0 or EIO) and loses what it had not read yet, as
  // with a real device. Safe to call more than once.
  void Stop();
  bool IsRunning() const;
  std::string LastError() const;

  // "pts/7" and "/dev/pts/7"; empty before Start.
  std::string PortName() const;
  std::string PortPath() const;
  // The registry value name of this port.
  std::string RegistryValueName() const;

  // Scripted answer for an exact request line; a later entry for the same line replaces the earlier.
  void AddReply(const std::string& requestLine, std::vector<std::string> replyLines);
  void LoadScript(const std::vector<ScriptEntry>& entries);
  // Handlers are tried in the order added, before the script. They run on the simulator's thread.
  void AddHandler(Handler handler);

  // Sends unsolicited bytes; false when the port is closed or the program does not read them in time.
  bool Send(const std::string& raw);

  // Fault switches.
  // Silent: lines are still recorded, nothing is answered.
  void SetSilent(bool silent);
  // The device disappears, as Stop does; may be called from a handler (the simulator's thread
  // then ends after the handler returns).
  void Unplug();

  // Every line received since Start (or ClearReceived), in order.
  std::vector<std::string> ReceivedLines() const;
  // Every byte received since Start (or ClearReceived).
  std::string ReceivedBytes() const;
  void ClearReceived();
  // Waits until a received line (one already recorded or a new one) satisfies pred. False on
  // timeout, or at once when the simulator is not running and no recorded line matches.
  bool WaitForLine(const std::function<bool(const std::string&)>& pred, int timeoutMs) const;
  // The same for all bytes received so far.
  bool WaitForBytes(const std::function<bool(const std::string&)>& pred, int timeoutMs) const;

 private:
  class PortResponder;

  void ReaderLoop();
  void HandleLine(const std::string& line);
  bool WriteAll(const std::string& bytes);
  void CloseTerminal();  // under m_writeMutex
  void Unregister();

  mutable std::mutex m_mutex;  // state below, except the descriptors
  mutable std::condition_variable m_changed;
  bool m_running = false;
  bool m_silent = false;
  std::string m_lastError;
  std::string m_portName;
  std::string m_valueName;
  bool m_registered = false;
  std::vector<std::shared_ptr<Handler>> m_handlers;
  std::vector<ScriptEntry> m_script;
  std::vector<std::string> m_lines;
  std::string m_bytes;
  std::string m_partial;

  std::mutex m_writeMutex;  // the terminal descriptors and writes to the master
  int m_master = -1;
  int m_slave = -1;
  int m_wake[2] = {-1, -1};

  std::thread m_reader;
  std::thread::id m_readerId;
};

}  // namespace devsim
