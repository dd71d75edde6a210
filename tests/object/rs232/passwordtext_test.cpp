// Tests of the password blanking of the log, trace and console texts.
#include "object/rs232/passwordtext.h"

#include <gtest/gtest.h>

namespace {

TEST(PasswordText, PasswordsAreBlankedToTheLineEnd) {
  const struct {
    const char* name;
    const wchar_t* text;
    const wchar_t* shown;
  } cases[] = {
      {"login", L"$PVRUPD;Ab12", L"$PVRUPD;****"},
      {"login with its prefix and CR", L"AT^$PVRUPD;Ab12\r", L"AT^$PVRUPD;****\r"},
      {"modem tunnel", L"AT+VR=\"$PVRUPD;Ab12\"\r", L"AT+VR=\"$PVRUPD;****\r"},
      {"password with separators", L"$PVRUPD;a;b;c\r\nnext", L"$PVRUPD;****\r\nnext"},
      {"empty password", L"$PVRUPD;\r", L"$PVRUPD;\r"},
      {"two lines", L"$PVRUPD;x\n$PVRUPD;y", L"$PVRUPD;****\n$PVRUPD;****"},
      {"device password command", L"AT^$PVRVR845PWD;1234", L"AT^$PVRVR845PWD;****"},
      {"device password answer", L"$PVR;VR845PWD;Res;1", L"$PVR;VR845PWD;Res;1"},
      {"login result", L"$PVR;UPD;1", L"$PVR;UPD;1"},
      {"other command", L"$PVRVer;1416\r", L"$PVRVer;1416\r"},
  };
  for (const auto& c : cases) EXPECT_EQ(brelvano::HidePasswords(c.text), CString(c.shown)) << c.name;
}

}  // namespace
