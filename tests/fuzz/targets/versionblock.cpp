// The version block reader on any file: the input as the file itself, or (first byte odd) the
// input as the body of a block behind a correct marker, size and checksum, so that the reader's
// checks of the contents are reached. Every value looked up lies inside the block copied, texts end
// with their zero, and the version class agrees with the lookup functions.
#include <cstdint>
#include <string>
#include <vector>

#include "gui/dlg/fileversion.h"
#include "platform/versionblock.h"
#include "platform/versionblock_format.h"
#include "support/fuzz_support.h"

namespace {

namespace vb = platform::versionblock;

std::string Sealed(const std::string& body, size_t prefix) {
  std::string block(prefix, '\x7f');
  const size_t start = block.size();
  for (size_t i = 0; i < vb::kMarkerSize; ++i) block.push_back(static_cast<char>(vb::kMaskedMarker[i] ^ vb::kMarkerMask));
  block.append(8, '\0');
  block += body;
  while ((block.size() - start) % 4 != 0) block.push_back('\0');
  const size_t size = block.size() - start;
  auto* bytes = reinterpret_cast<uint8_t*>(&block[start]);
  vb::Put32(bytes, vb::kSizeOffset, static_cast<uint32_t>(size));
  vb::Put32(bytes, vb::kChecksumOffset, vb::Checksum(bytes + vb::kChecksumStart, size - vb::kChecksumStart));
  block.append(prefix, '\x7f');
  return block;
}

bool Inside(const void* p, UINT bytes, const std::vector<uint8_t>& block) {
  const auto* b = static_cast<const uint8_t*>(p);
  return b >= block.data() && b + bytes <= block.data() + block.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::InputReader input(data, size);
  const uint8_t mode = input.Byte();
  const std::string body = input.Rest();
  const std::string file = (mode & 1) != 0 ? Sealed(body, mode >> 1) : fuzzsupport::AsBytes(data, size);
  const CString path = fuzzsupport::WriteScratchFile("program.bin", file);

  DWORD handle = 1;
  const DWORD blockSize = GetFileVersionInfoSize(path, &handle);
  FUZZ_CHECK(handle == 0);
  CFileVersion version;
  const BOOL opened = version.Open(path);
  if (blockSize == 0) {
    FUZZ_CHECK(!opened);
    return 0;
  }
  FUZZ_CHECK(blockSize <= vb::kMaxSize && blockSize <= file.size());
  std::vector<uint8_t> block(blockSize);
  FUZZ_CHECK(GetFileVersionInfo(path, 0, blockSize, block.data()));
  FUZZ_CHECK(!GetFileVersionInfo(path, 0, blockSize - 1, block.data()));

  void* value = nullptr;
  UINT length = 0;
  if (VerQueryValue(block.data(), L"\\", &value, &length)) {
    FUZZ_CHECK(length == sizeof(VS_FIXEDFILEINFO) && Inside(value, length, block));
  }
  if (!VerQueryValue(block.data(), L"\\VarFileInfo\\Translation", &value, &length)) {
    FUZZ_CHECK(value == nullptr && length == 0);
    return 0;
  }
  FUZZ_CHECK(length == 4 && Inside(value, length, block));
  const uint32_t pair = vb::Get32(static_cast<const uint8_t*>(value), 0);
  CString table;
  table.Format(L"\\StringFileInfo\\%04x%04x\\", pair & 0xFFFF, pair >> 16);
  // Names taken from the block's own texts and a few the program asks for.
  std::vector<CString> names = {L"ProductVersion", L"LegalCopyright", L"FileVersion", L"CompanyName", L""};
  for (const CString& name : names) {
    if (VerQueryValue(block.data(), table + name, &value, &length)) {
      FUZZ_CHECK(length >= 1 && Inside(value, length * 2, block));
      FUZZ_CHECK(static_cast<const char16_t*>(value)[length - 1] == 0);
      if (opened) FUZZ_CHECK(version.QueryValue(name) == CString(static_cast<const char16_t*>(value)));
    } else {
      FUZZ_CHECK(value == nullptr && length == 0);
    }
  }
  if (opened) {
    VS_FIXEDFILEINFO fixed{};
    FUZZ_CHECK(version.GetFixedInfo(fixed));
    version.GetFixedFileVersion();
    version.GetFixedProductVersion();
  }
  return 0;
}
