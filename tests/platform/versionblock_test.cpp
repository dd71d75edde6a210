// Tests of the version block: this test program carries its own block and reads it back from its
// file; damaged, truncated and block-less files give nothing and never crash.
#include "platform/versionblock.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/files.h"

namespace {

namespace vb = platform::versionblock;

constexpr vb::Entry kEntries[] = {
    {u"ProductVersion", u"7.1.0.12"},
    {u"FileVersion", u"7.1.0.13"},
    {u"LegalCopyright", u"Copyright \u00a9 2026 Test Works"},
    {u"CompanyName", u"Test Works"},
    {u"ProductName", u"Layer tests"},
    {u"FileDescription", u"Tests of the layer"},
    {u"Comments", u""},
};
constexpr vb::Definition kDefinition{{7, 1, 0, 13}, {7, 1, 0, 12}, 0x0409, 1200, vb::kFileTypeApp,
                                     kEntries, std::size(kEntries)};

}  // namespace

PLATFORM_VERSION_BLOCK(kDefinition)

namespace {

using Bytes = std::vector<uint8_t>;

const CString kSelf = L"/proc/self/exe";

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

volatile uint8_t g_mask = vb::kMarkerMask;  // keeps the plain marker out of this program's code

Bytes MarkerBytes() {
  Bytes marker;
  for (uint8_t b : vb::kMaskedMarker) marker.push_back(static_cast<uint8_t>(b ^ g_mask));
  return marker;
}

// Offsets of every copy of the block in the bytes (the build may also copy it into debugging data).
std::vector<size_t> BlockOffsets(const Bytes& bytes, const Bytes& block) {
  std::vector<size_t> offsets;
  for (auto it = bytes.begin();; ++it) {
    it = std::search(it, bytes.end(), block.begin(), block.end());
    if (it == bytes.end()) break;
    offsets.push_back(static_cast<size_t>(it - bytes.begin()));
  }
  return offsets;
}

void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t Get32(const Bytes& b, size_t at) {
  return b[at] | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}
void Reseal(Bytes& b, size_t at) {
  const uint32_t size = Get32(b, at + vb::kSizeOffset);
  Put32(b, at + vb::kChecksumOffset, vb::Checksum(b.data() + at + vb::kChecksumStart, size - vb::kChecksumStart));
}

CString Text(const void* block, const char* subBlock) {
  void* value = nullptr;
  UINT len = 0;
  if (!VerQueryValue(block, CString(subBlock), &value, &len)) return L"<absent>";
  return CString(static_cast<const char16_t*>(value));
}

class VersionBlock : public testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "brelvano-version-XXXXXX").string();
    ASSERT_NE(mkdtemp(&tmpl[0]), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string Path(const char* name) const { return dir_ + "/" + name; }

  std::string dir_;
};

TEST_F(VersionBlock, ProgramReadsItsOwnValuesFromItsFile) {
  DWORD handle = 99;
  const DWORD size = GetFileVersionInfoSize(kSelf, &handle);
  EXPECT_EQ(handle, 0u);
  ASSERT_EQ(size, vb::EncodedSize(kDefinition));
  std::vector<uint8_t> block(size);
  ASSERT_TRUE(GetFileVersionInfo(kSelf, 0, size, block.data()));

  const struct {
    const char* subBlock;
    const char* expected;
  } texts[] = {
      {"\\StringFileInfo\\040904b0\\ProductVersion", "7.1.0.12"},
      {"\\StringFileInfo\\040904b0\\FileVersion", "7.1.0.13"},
      {"\\StringFileInfo\\040904b0\\LegalCopyright", "Copyright \u00a9 2026 Test Works"},
      {"\\StringFileInfo\\040904b0\\CompanyName", "Test Works"},
      {"\\StringFileInfo\\040904b0\\ProductName", "Layer tests"},
      {"\\StringFileInfo\\040904b0\\FileDescription", "Tests of the layer"},
      {"\\StringFileInfo\\040904b0\\Comments", ""},
      {"\\stringfileinfo\\040904B0\\productversion", "7.1.0.12"},  // no case in names and digits
      {"/StringFileInfo/040904b0/ProductVersion", "7.1.0.12"},
      {"\\StringFileInfo\\040904b0\\InternalName", "<absent>"},
      {"\\StringFileInfo\\041203b5\\ProductVersion", "<absent>"},  // not the block's pair
      {"\\StringFileInfo\\0409\\ProductVersion", "<absent>"},
      {"\\StringFileInfo\\04090x4b\\ProductVersion", "<absent>"},
      {"\\StringFileInfo\\040904b0", "<absent>"},
      {"\\StringFileInfo\\040904b0\\ProductVersion\\More", "<absent>"},
      {"\\VarFileInfo", "<absent>"},
      {"\\Elsewhere\\Translation", "<absent>"},
  };
  for (const auto& t : texts) EXPECT_EQ(Text(block.data(), t.subBlock), CString(t.expected)) << t.subBlock;

  void* value = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValue(block.data(), L"\\VarFileInfo\\Translation", &value, &len));
  ASSERT_EQ(len, 4u);
  DWORD translation = 0;
  std::memcpy(&translation, value, 4);
  EXPECT_EQ(translation, 0x04B00409u);  // language low, code page high

  ASSERT_TRUE(VerQueryValue(block.data(), L"\\", &value, &len));
  ASSERT_EQ(len, sizeof(VS_FIXEDFILEINFO));
  VS_FIXEDFILEINFO fixed{};
  std::memcpy(&fixed, value, sizeof fixed);
  EXPECT_EQ(fixed.dwSignature, VS_FFI_SIGNATURE);
  EXPECT_EQ(fixed.dwStrucVersion, VS_FFI_STRUCVERSION);
  EXPECT_EQ(fixed.dwFileVersionMS, 0x00070001u);
  EXPECT_EQ(fixed.dwFileVersionLS, 0x0000000Du);
  EXPECT_EQ(fixed.dwProductVersionMS, 0x00070001u);
  EXPECT_EQ(fixed.dwProductVersionLS, 0x0000000Cu);
  EXPECT_EQ(fixed.dwFileType, VFT_APP);

  // The same block in memory, and from the run-time builder.
  DWORD embeddedSize = 0;
  const void* embedded = platform::EmbeddedVersionBlock(&embeddedSize);
  ASSERT_NE(embedded, nullptr);
  ASSERT_EQ(embeddedSize, size);
  EXPECT_EQ(std::memcmp(embedded, block.data(), size), 0);
  EXPECT_EQ(platform::BuildVersionBlock(kDefinition), block);
}

// The running program answers from the block built into it; a copy of its file (another file)
// is read through and gives the same block.
TEST_F(VersionBlock, TheProgramAndACopyOfItsFileGiveTheSameBlock) {
  const std::string copy = Path("copy-of-the-program");
  std::filesystem::copy_file(kSelf.ToUtf8(), copy);
  const DWORD size = GetFileVersionInfoSize(kSelf, nullptr);
  ASSERT_EQ(GetFileVersionInfoSize(CString::FromUtf8(copy), nullptr), size);
  std::vector<uint8_t> own(size), copied(size);
  ASSERT_TRUE(GetFileVersionInfo(kSelf, 0, size, own.data()));
  ASSERT_TRUE(GetFileVersionInfo(CString::FromUtf8(copy), 0, size, copied.data()));
  EXPECT_EQ(own, copied);
  long long offset = -1;
  EXPECT_TRUE(platform::FindVersionBlock(kSelf, &offset, nullptr));
  EXPECT_GT(offset, 0) << "asked where it lies, the file is read";
}

TEST_F(VersionBlock, DamagedBlocksAreRejected) {
  const Bytes block = platform::BuildVersionBlock(kDefinition);
  const size_t at = 1000;  // junk before and after the block
  struct Damage {
    const char* name;
    std::function<void(Bytes&)> apply;
    bool reseal;  // checksum made to fit again: the structure itself must be caught
  };
  const std::vector<Damage> damages = {
      {"size far beyond the file", [](Bytes& b) { Put32(b, at + vb::kSizeOffset, 0xFFFFFFF0u); }, false},
      {"size one word larger", [](Bytes& b) { Put32(b, at + vb::kSizeOffset, Get32(b, at + 16) + 4); }, false},
      {"size below the header", [](Bytes& b) { Put32(b, at + vb::kSizeOffset, 16); }, false},
      {"size not a multiple of 4", [](Bytes& b) { Put32(b, at + vb::kSizeOffset, Get32(b, at + 16) - 1); }, false},
      {"a text changed", [](Bytes& b) { b[at + vb::kTextsOffset + 6] ^= 0x20; }, false},
      {"checksum changed", [](Bytes& b) { b[at + vb::kChecksumOffset] ^= 1; }, false},
      {"unknown format version", [](Bytes& b) { b[at + vb::kFormatOffset] = 9; }, true},
      {"fixed part without signature", [](Bytes& b) { b[at + vb::kFixedOffset] = 0; }, true},
      {"key length past the end", [](Bytes& b) { b[at + vb::kTextsOffset + 1] = 0x7F; }, true},
      {"key length zero", [](Bytes& b) { b[at + vb::kTextsOffset] = b[at + vb::kTextsOffset + 1] = 0; }, true},
      {"more texts than there are", [](Bytes& b) { b[at + vb::kCountOffset] += 1; }, true},
      {"fewer texts than there are", [](Bytes& b) { b[at + vb::kCountOffset] -= 1; }, true},
      {"text without its closing zero", [](Bytes& b) { b[at + vb::kTextsOffset + 4 + 2 * 14] = 'x'; }, true},
  };
  Bytes intact(at, 0x89);
  intact.insert(intact.end(), block.begin(), block.end());
  intact.resize(intact.size() + 1000, 0);
  const std::string file = Path("file");
  WriteAll(file, intact);
  ASSERT_EQ(GetFileVersionInfoSize(CString::FromUtf8(file), nullptr), block.size()) << "the intact file";
  for (const Damage& d : damages) {
    Bytes bytes = intact;
    d.apply(bytes);
    if (d.reseal) Reseal(bytes, at);
    WriteAll(file, bytes);
    std::vector<uint8_t> data(block.size() + 64);
    EXPECT_EQ(GetFileVersionInfoSize(CString::FromUtf8(file), nullptr), 0u) << d.name;
    EXPECT_FALSE(GetFileVersionInfo(CString::FromUtf8(file), 0, static_cast<DWORD>(data.size()), data.data())) << d.name;
    // The same damage in memory.
    void* value = nullptr;
    UINT len = 0;
    EXPECT_FALSE(VerQueryValue(bytes.data() + at, L"\\", &value, &len)) << d.name;
  }
}

TEST_F(VersionBlock, DamagedOrTruncatedCopiesOfTheProgramHaveNoBlock) {
  const Bytes original = ReadAll("/proc/self/exe");
  const Bytes block = platform::BuildVersionBlock(kDefinition);
  const std::vector<size_t> copies = BlockOffsets(original, block);
  ASSERT_FALSE(copies.empty());
  const std::string copy = Path("copy");

  Bytes damaged = original;
  for (size_t at : copies) Put32(damaged, at + vb::kSizeOffset, Get32(damaged, at + vb::kSizeOffset) + 4);
  WriteAll(copy, damaged);
  EXPECT_EQ(GetFileVersionInfoSize(CString::FromUtf8(copy), nullptr), 0u);

  // Cut inside the first block (every later copy goes with it), and right after it.
  WriteAll(copy, Bytes(original.begin(), original.begin() + static_cast<ptrdiff_t>(copies.front() + block.size() / 2)));
  EXPECT_EQ(GetFileVersionInfoSize(CString::FromUtf8(copy), nullptr), 0u);
  WriteAll(copy, Bytes(original.begin(), original.begin() + static_cast<ptrdiff_t>(copies.front() + block.size())));
  EXPECT_EQ(GetFileVersionInfoSize(CString::FromUtf8(copy), nullptr), block.size());
}

TEST_F(VersionBlock, FilesWithoutABlockGiveNothing) {
  const Bytes block = platform::BuildVersionBlock(kDefinition);
  Bytes markerThenJunk = MarkerBytes();
  markerThenJunk.resize(4096, 0xAB);
  WriteAll(Path("empty"), {});
  WriteAll(Path("small"), {'M', 'Z', 0, 1});
  WriteAll(Path("marker-only"), MarkerBytes());
  WriteAll(Path("marker-junk"), markerThenJunk);
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);  // must not wait for a writer
  ASSERT_EQ(mkdir(Path("folder").c_str(), 0700), 0);
  {
    // 64 MiB without a block, mostly a hole.
    std::ofstream big(Path("big"), std::ios::binary);
    big.seekp(64 << 20);
    big.put('x');
  }
  for (const char* name : {"empty", "small", "marker-only", "marker-junk", "fifo", "folder", "big", "missing"}) {
    DWORD handle = 7;
    EXPECT_EQ(GetFileVersionInfoSize(CString::FromUtf8(Path(name)), &handle), 0u) << name;
    EXPECT_EQ(handle, 0u) << name;
    std::vector<uint8_t> data(block.size());
    EXPECT_FALSE(GetFileVersionInfo(CString::FromUtf8(Path(name)), 0, static_cast<DWORD>(data.size()), data.data()))
        << name;
  }
  EXPECT_EQ(GetFileVersionInfoSize(CString(), nullptr), 0u);

  // Blocks in memory that are not valid.
  std::vector<uint8_t> zeros(vb::kMaxSize);
  void* value = reinterpret_cast<void*>(1);
  UINT len = 5;
  EXPECT_FALSE(VerQueryValue(zeros.data(), L"\\", &value, &len));
  EXPECT_EQ(value, nullptr);
  EXPECT_EQ(len, 0u);
  EXPECT_FALSE(VerQueryValue(nullptr, L"\\", &value, &len));
}

TEST_F(VersionBlock, BlockIsFoundWhereverItLies) {
  const Bytes block = platform::BuildVersionBlock(kDefinition);
  // Offsets around the reader's 1 MiB chunks, so that the marker straddles two of them; a
  // damaged block before a good one is passed over.
  const size_t chunk = 1 << 20;
  for (size_t offset : {size_t{0}, size_t{3}, chunk - 5, chunk - 16, chunk, 2 * chunk + 1}) {
    Bytes file(offset, 0x89);  // the marker's first byte, again and again
    Bytes damaged = block;
    damaged[vb::kTextsOffset + 8] ^= 1;
    if (offset > damaged.size()) std::copy(damaged.begin(), damaged.end(), file.begin());
    file.insert(file.end(), block.begin(), block.end());
    file.resize(file.size() + 100, 0);
    WriteAll(Path("file"), file);
    long long found = -1;
    DWORD size = 0;
    ASSERT_TRUE(platform::FindVersionBlock(CString::FromUtf8(Path("file")), &found, &size)) << offset;
    EXPECT_EQ(found, static_cast<long long>(offset));
    EXPECT_EQ(size, block.size());
  }

  std::vector<uint8_t> data(block.size() - 1);
  WriteAll(Path("file"), block);
  EXPECT_FALSE(GetFileVersionInfo(CString::FromUtf8(Path("file")), 0, static_cast<DWORD>(data.size()), data.data()))
      << "a buffer too small is refused, not filled with a cut block";
  EXPECT_FALSE(GetFileVersionInfo(CString::FromUtf8(Path("file")), 0, 1 << 16, nullptr));
}

}  // namespace
