// The start-up thread: it ends whether or not the application became ready, and a window made
// while it reads the fonts waits for them instead of reading them a second time.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QWidget>
#include <sys/mman.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/startupwarm.h"
#include "platform/wnd.h"
#include "qt_app.h"

TEST(StartupWarmer, EndsWithOrWithoutTheApplicationAndServesTheFirstWindow) {
  {
    platform::StartupWarmer neverReady;
    neverReady.Finish();
    neverReady.Finish();  // a second time is harmless
  }
  {
    platform::StartupWarmer dropped;  // ended by its destructor alone
  }
  // As the program's start does it: the thread starts before the application exists.
  platform::StartupWarmer warmer;
  testsupport::EnsureApp();
  warmer.ApplicationReady();
  // The top-level window is made at once; its first control waits for the font list.
  CWnd window;
  ASSERT_TRUE(window.CreateEx(0, nullptr, L"first window", WS_POPUP, CRect(0, 0, 120, 40), nullptr, 0));
  CWnd control;
  ASSERT_TRUE(control.CreateEx(0, nullptr, L"control", WS_CHILD | WS_VISIBLE, CRect(0, 0, 60, 20), &window, 1));
  EXPECT_GT(QFontMetrics(control.GetWidget()->font()).height(), 0);
  platform::AwaitStartupFonts();  // settled: returns at once
  control.DestroyWindow();
  window.DestroyWindow();
  warmer.Finish();
  EXPECT_FALSE(QFontDatabase::families().isEmpty());
}

namespace {

struct Area {
  uintptr_t start = 0;
  uintptr_t end = 0;
  std::string name;
  bool hugeAdvised = false;
};

// The calling process's mappings, with whether huge pages were asked for each.
std::vector<Area> Mappings() {
  std::vector<Area> areas;
  std::ifstream in("/proc/self/smaps");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("VmFlags:", 0) == 0) {
      if (!areas.empty()) areas.back().hugeAdvised = (" " + line + " ").find(" hg ") != std::string::npos;
      continue;
    }
    const size_t dash = line.find('-');
    const size_t space = line.find(' ');
    if (dash == std::string::npos || space == std::string::npos || dash > space) continue;
    if (line.find_first_not_of("0123456789abcdef") != dash) continue;
    Area area;
    area.start = std::stoull(line.substr(0, dash), nullptr, 16);
    area.end = std::stoull(line.substr(dash + 1, space - dash - 1), nullptr, 16);
    std::istringstream rest(line.substr(space));
    std::string field;
    for (int i = 0; i < 4 && rest >> field; ++i) {  // permissions, offset, device, inode
    }
    if (rest >> field) area.name = field;
    areas.push_back(area);
  }
  return areas;
}

}  // namespace

// Huge pages are asked for the whole 2 MiB extents of a range and for nothing around them.
TEST(StartupWarmer, HugePagesAreAskedForTheWholeExtentsOfARangeOnly) {
  std::ifstream thp("/sys/kernel/mm/transparent_hugepage/enabled");
  if (!thp) GTEST_SKIP() << "this system has no transparent huge pages";
  constexpr size_t kHuge = size_t{2} << 20;
  const struct {
    size_t offset;  // from a 2 MiB boundary
    size_t size;
    size_t firstExtent;  // of the advised range, from the same boundary
    size_t advised;
  } cases[] = {
      {0, 2 * kHuge, 0, 2 * kHuge},
      {1, 2 * kHuge, kHuge, kHuge},            // the first extent is not whole
      {kHuge / 2, 3 * kHuge, kHuge, 2 * kHuge},
      {4096, kHuge, 0, 0},                     // no whole extent
      {0, kHuge - 1, 0, 0},
  };
  for (const auto& c : cases) {
    const size_t span = 5 * kHuge;
    void* map = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(map, MAP_FAILED);
    const uintptr_t boundary = (reinterpret_cast<uintptr_t>(map) + kHuge - 1) & ~uintptr_t{kHuge - 1};
    auto* at = reinterpret_cast<unsigned char*>(boundary);
    EXPECT_EQ(platform::AdviseHugePages(at + c.offset, c.size), c.advised) << c.offset << " + " << c.size;
    bool found = false;
    for (const Area& area : Mappings()) {
      if (area.end <= reinterpret_cast<uintptr_t>(map) || area.start >= reinterpret_cast<uintptr_t>(map) + span) continue;
      if (!area.hugeAdvised) continue;
      found = true;
      EXPECT_EQ(area.start, boundary + c.firstExtent) << c.offset << " + " << c.size;
      EXPECT_EQ(area.end - area.start, c.advised) << c.offset << " + " << c.size;
    }
    EXPECT_EQ(found, c.advised > 0) << c.offset << " + " << c.size;
    munmap(map, span);
  }
  EXPECT_EQ(platform::AdviseHugePages(nullptr, 4 * kHuge), 0u);
}

// The start's heap keeps what was advised after the block it was taken with is freed: the heap
// is not given back below its new limit, and the blocks after it come from there.
TEST(StartupWarmer, ThePreparedHeapKeepsItsAdvisedTop) {
  const size_t advised = platform::PrepareStartupHeap(size_t{8} << 20);
  if (advised == 0) GTEST_SKIP() << "no heap to prepare here (another allocator, or no huge pages)";
  size_t kept = 0;
  for (const Area& area : Mappings()) {
    // The heap, or where it went on when it could not grow in place.
    if ((area.name == "[heap]" || area.name.empty()) && area.hugeAdvised) kept += area.end - area.start;
  }
  EXPECT_GE(kept, advised);
  std::vector<std::vector<char>> blocks;
  for (size_t size : {size_t{100}, size_t{200} << 10, size_t{3} << 20, size_t{20} << 20}) blocks.emplace_back(size, 'x');
  for (const auto& block : blocks) EXPECT_EQ(block.back(), 'x');
}
