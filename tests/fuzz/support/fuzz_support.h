// What the fuzz targets share: the invariant check, a reader that takes typed values from the
// fuzzer's bytes, a scratch folder, and the one headless main window the window-level targets
// reuse (scripted modal service, manual clock, its state put back before each input).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/cstring.h"

class CBrelvanoDlg;

namespace fuzzsupport {

// Ends the program abnormally with the message: a broken invariant is a finding like a crash.
[[noreturn]] void Fail(const char* file, int line, const char* condition);

#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::fuzzsupport::Fail(__FILE__, __LINE__, #condition))

// Takes values from the front of the input; once it is used up every value reads as zero or empty.
class InputReader {
 public:
  InputReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
  bool Bool() { return (Byte() & 1) != 0; }
  // A value in [0, count) (0 for a count of 0).
  unsigned Below(unsigned count) { return count == 0 ? 0 : Byte() % count; }
  uint32_t U32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
    return v;
  }
  // Up to maxLength bytes: a length byte, then the bytes.
  std::string Bytes(size_t maxLength);
  // The rest of the input.
  std::string Rest();
  size_t Remaining() const { return m_size - m_pos; }

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_pos = 0;
};

// The input as a string of bytes.
inline std::string AsBytes(const uint8_t* data, size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

// Makes the application, the registry file and the scratch folder once (the current folder from
// then on). The scratch folder ends with '/'.
void EnsureEnvironment();
CString ScratchFolder();
// Writes bytes to a file of the scratch folder; returns its path.
CString WriteScratchFile(const char* name, const std::string& bytes);

// The shared main window, created on first use. Every call puts back what an input may have
// changed: no pages, no definition, a fresh session, an empty log and transmitter, the zone counts
// and the file mode at their start values, empty program and Document folders, no modal records.
CBrelvanoDlg* FreshMainWindow();
// Deletes the shared window (the end of a replay), as the program's own end does.
void ReleaseMainWindow();
// Delivers bytes to the main window as the serial port does, in pieces separated by SOH (01) bytes;
// what follows a piece that ended the session still arrives, as from a real device.
void DeliverReceived(CBrelvanoDlg* dlg, const std::string& bytes);
// Runs the messages an input left pending (deferred steps, expired timers of the manual clock).
void SettleMainWindow();

}  // namespace fuzzsupport

namespace fuzzsupport {
// The loaded definition holds together: tab and report counts inside their tables, every record's
// option arrays as long as their counts say (read whole, so that the sanitizer sees every byte),
// the parse cursors inside the tabs. (The staging record may keep a count whose array went to the
// lists: it is not checked.)
void CheckDefinitionModel(CBrelvanoDlg* dlg);
}  // namespace fuzzsupport

namespace fuzzsupport {
// Loads a definition of the numbered-parameter set into the window and makes its pages: tabs of
// every page kind (generic with assignments, maps, lists, records, BLE, polygon zones with their
// service settings, presets, commands; the geofence page only when asked for, as it is slow to
// make), with codes for every route of the numbered replies. Model "VR600", version "1.2".
void LoadNumberedDefinition(CBrelvanoDlg* dlg, bool withGeofencePage);
// The shared window with that definition (and the geofence page) loaded by a fresh window, for a
// target whose inputs change only values: loaded again only when the window was reset since
// (loaded tells). The target puts back the values its input changed; the modal records are
// cleared.
CBrelvanoDlg* NumberedMainWindow(bool& loaded);
}  // namespace fuzzsupport
