// Sounds and opening links: what PlaySound and ShellExecuteEx answer by themselves, and what a
// replacing handler receives.
#include "platform/shellexec.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>
#include <vector>

#include <QTest>

#include "platform/codepage.h"
#include "platform/winerror.h"
#include "test_main_env.h"

namespace {

class ShellExecTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(platform::test::EnsureApplication(), nullptr); }
  void TearDown() override {
    platform::SetSoundHandler(nullptr);
    platform::SetShellHandler(nullptr);
  }
};

TEST_F(ShellExecTest, PlaySoundAnswersWhetherTheSoundExists) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string wav = (dir.path() + QStringLiteral("/ding.wav")).toStdString();
  std::ofstream(wav) << "RIFF";
  const CString existing(wav.c_str());
  const CString missing((dir.path() + QStringLiteral("/none.wav")).toStdWString().c_str());
  const std::wstring existingText = existing.ToWString();
  const std::wstring missingText = missing.ToWString();
  struct Case {
    const char* what;
    const wchar_t* sound;
    HMODULE module;
    DWORD flags;
    BOOL result;
  };
  const Case cases[] = {
      {"stop (no sound)", nullptr, nullptr, SND_ASYNC, TRUE},
      {"a file that exists", existingText.c_str(), nullptr, SND_FILENAME | SND_NODEFAULT | SND_ASYNC, TRUE},
      {"a file that does not", missingText.c_str(), nullptr, SND_FILENAME | SND_NODEFAULT, FALSE},
      {"a resource (the layer carries none)", L"CLICK", reinterpret_cast<HMODULE>(0x10), SND_RESOURCE, FALSE},
      {"neither file nor resource", L"SystemStart", nullptr, SND_ALIAS, FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(PlaySound(c.sound, c.module, c.flags), c.result);
  }
}

TEST_F(ShellExecTest, HandlersReceiveTheRequestsAndDecideTheResult) {
  std::vector<platform::SoundRequest> sounds;
  platform::SetSoundHandler([&](const platform::SoundRequest& r) {
    sounds.push_back(r);
    return TRUE;
  });
  EXPECT_TRUE(PlaySound(L"/tmp/x.wav", nullptr, SND_FILENAME | SND_NOWAIT));
  ASSERT_EQ(sounds.size(), 1u);
  EXPECT_EQ(sounds[0].sound, CString(L"/tmp/x.wav"));
  EXPECT_EQ(sounds[0].flags, SND_FILENAME | SND_NOWAIT);

  std::vector<platform::ShellRequest> opened;
  BOOL answer = TRUE;
  platform::SetShellHandler([&](const platform::ShellRequest& r) {
    opened.push_back(r);
    return answer;
  });
  for (BOOL result : {TRUE, FALSE}) {
    answer = result;
    SHELLEXECUTEINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = L"https://example.invalid/page";
    info.lpParameters = L"-x";
    info.nShow = SW_SHOWMAXIMIZED;
    EXPECT_EQ(ShellExecuteEx(&info), result);
    EXPECT_EQ(reinterpret_cast<intptr_t>(info.hInstApp) > 32, result == TRUE) << "hInstApp tells success from failure";
  }
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0].verb, CString(L"open"));
  EXPECT_EQ(opened[0].file, CString(L"https://example.invalid/page"));
  EXPECT_EQ(opened[0].parameters, CString(L"-x"));
  EXPECT_EQ(opened[0].show, SW_SHOWMAXIMIZED);
  EXPECT_EQ(opened[0].mask, SEE_MASK_FLAG_NO_UI);
}

TEST_F(ShellExecTest, ShellExecuteRefusesWhatItCannotOpen) {
  EXPECT_FALSE(ShellExecuteEx(nullptr));
  struct Case {
    const char* what;
    const wchar_t* verb;
    const wchar_t* file;
    intptr_t error;
  };
  const Case cases[] = {
      {"no file", L"open", nullptr, SE_ERR_FNF},
      {"empty file", nullptr, L"", SE_ERR_FNF},
      {"a verb the desktop has no meaning for", L"print", L"/tmp/a.txt", SE_ERR_NOASSOC},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SHELLEXECUTEINFO info{};
    info.cbSize = sizeof(info);
    info.lpVerb = c.verb;
    info.lpFile = c.file;
    EXPECT_FALSE(ShellExecuteEx(&info));
    EXPECT_EQ(reinterpret_cast<intptr_t>(info.hInstApp), c.error);
  }
}

}  // namespace

namespace {

TEST(StartProgram, ArgumentsStayWholeAndNoShellRuns) {
  EXPECT_EQ(SplitCommandLine(L"\"/opt/my app/run\" -x  \"a b\""),
            (std::vector<CString>{L"/opt/my app/run", L"-x", L"a b"}));
  EXPECT_TRUE(SplitCommandLine(L"   ").empty());
  EXPECT_EQ(StartProgram({}, SW_SHOW), static_cast<UINT>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(StartProgram({L"/nonexistent/program"}, SW_SHOW), static_cast<UINT>(ERROR_FILE_NOT_FOUND));
  // A real start: the argument with blanks and shell characters arrives as one file name.
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const CString target = CString(dir.path().toStdWString().c_str()) + L"/a b;$(x).txt";
  EXPECT_GT(StartProgram({L"touch", target}, SW_SHOW), 32u);
  const std::string path = platform::TextToBytes(CP_UTF8, target);
  bool made = false;
  for (int i = 0; i < 500 && !made; ++i) {
    made = std::ifstream(path).good();
    if (!made) QTest::qWait(10);
  }
  EXPECT_TRUE(made);
}

}  // namespace
