// Passwords blanked in the lines of the link as the log, the trace and the console show them.
#include "gui/dlg/secrettext.h"

#include <gtest/gtest.h>

namespace {

TEST(SecretText, PasswordValuesAreBlankedWhereverALineCarriesThem) {
  brelvano::SecretFields where;
  where.framed.push_back({L"GEN", 0, {2}});
  where.framed.push_back({L"NET", 1, {1}});
  where.presetFields = {3};
  where.numbered[5] = {1};
  const struct {
    const char* name;
    const wchar_t* text;
    const wchar_t* shown;
  } cases[] = {
      {"page write", L"$TGEN;web;pin4711\r", L"$TGEN;web;****\r"},
      {"page write with the prefix", L"AT^$TGEN;web;pin4711;30", L"AT^$TGEN;web;****;30"},
      {"modem tunnel", L"AT+VR=\"$TGEN;web;pin4711\"\r", L"AT+VR=\"$TGEN;web;****\r"},
      {"empty password", L"$TGEN;web;;30\r", L"$TGEN;web;;30\r"},
      {"fields before the body", L"$T;NET;UNIT1;secret;x", L"$T;NET;UNIT1;****;x"},
      {"older set form", L"$SetGEN;UNIT1;web;pin4711\r", L"$SetGEN;UNIT1;web;****\r"},
      {"another header word", L"$TRPT;web;keep\r", L"$TRPT;web;keep\r"},
      {"access-point entry", L"$PVR;AP;Req;1;homenet;wifipass99\r", L"$PVR;AP;Req;1;homenet;****\r"},
      {"access-point acknowledgement", L"$TAPS;Res;OK;2;1;homenet;wifipass99", L"$TAPS;Res;OK;2;1;homenet;****"},
      {"access-point total", L"$PVR;AP;Total;1\r", L"$PVR;AP;Total;1\r"},
      {"numbered write", L"AT^PRG;123456789012345;05;00#web;01#pin4711", L"AT^PRG;123456789012345;05;00#web;01#****"},
      {"numbered answer", L"RRE;123456789012345;05;01#pin4711;02#x\r\n", L"RRE;123456789012345;05;01#****;02#x\r\n"},
      {"numbered answer of another tab", L"RRE;123456789012345;06;01#keep", L"RRE;123456789012345;06;01#keep"},
      {"login", L"AT^$PVRUPD;Ab12\r", L"AT^$PVRUPD;****\r"},
      {"several lines", L"$TGEN;a;b\r\n$PVR;AP;Req;2;x;y\r", L"$TGEN;a;****\r\n$PVR;AP;Req;2;x;****\r"},
  };
  for (const auto& c : cases) EXPECT_EQ(brelvano::HideSecrets(c.text, where), CString(c.shown)) << c.name;
  EXPECT_EQ(brelvano::HideSecrets(L"$TGEN;web;pin4711", brelvano::SecretFields{}), CString(L"$TGEN;web;pin4711"))
      << "a definition without passwords blanks only the login";
}

}  // namespace
