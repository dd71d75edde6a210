// The program's own resources (see programresources.h). The two images are drawn here, pixel by
// pixel, into Windows bitmap files held in memory, so the program carries no binary files.
#include "resources/programresources.h"

#include "resources/pagetemplates.h"

#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/listctrl.h"
#include "platform/menu.h"
#include "platform/resources.h"
#include "platform/tabctrl.h"

#ifndef WS_EX_APPWINDOW
#define WS_EX_APPWINDOW 0x00040000u
#endif

namespace brelvano {
namespace {

struct Rgb {
  double r, g, b;
};

// A 24-bit bottom-up .bmp file of width x height pixels, each given by pixel(x, y) (y from the top).
template <typename PixelFn>
std::string MakeBmp(int width, int height, PixelFn pixel) {
  const int rowBytes = (width * 3 + 3) & ~3;
  const uint32_t imageBytes = static_cast<uint32_t>(rowBytes * height);
  std::string bmp;
  auto put16 = [&](uint16_t v) { bmp.push_back(char(v & 0xFF)); bmp.push_back(char(v >> 8)); };
  auto put32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) bmp.push_back(char((v >> (8 * i)) & 0xFF)); };
  bmp += "BM";
  put32(14 + 40 + imageBytes);
  put32(0);
  put32(14 + 40);
  put32(40);
  put32(static_cast<uint32_t>(width));
  put32(static_cast<uint32_t>(height));
  put16(1);
  put16(24);
  put32(0);
  put32(imageBytes);
  put32(2835);
  put32(2835);
  put32(0);
  put32(0);
  for (int row = height - 1; row >= 0; --row) {
    std::string line;
    for (int x = 0; x < width; ++x) {
      Rgb c = pixel(x, row);
      auto clamp = [](double v) { return char(static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v)); };
      line.push_back(clamp(c.b));
      line.push_back(clamp(c.g));
      line.push_back(clamp(c.r));
    }
    line.resize(static_cast<size_t>(rowBytes), '\0');
    bmp += line;
  }
  return bmp;
}

Rgb Mix(const Rgb& a, const Rgb& b, double t) {
  if (t < 0) t = 0;
  if (t > 1) t = 1;
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Coverage (0..1) of a map pin whose round head has its centre at (cx, cy) and radius r; its point
// lies 1.9 r below the centre. The hole in the head is left out.
double PinCoverage(double x, double y, double cx, double cy, double r) {
  const double dx = x - cx, dy = y - cy;
  const double d = std::sqrt(dx * dx + dy * dy);
  double inside = r + 0.5 - d;  // the head
  const double tipY = cy + 1.9 * r;
  if (y > cy && y < tipY) {
    const double half = r * (tipY - y) / (tipY - cy);
    inside = std::max(inside, half + 0.5 - std::fabs(dx));
  }
  const double hole = d - 0.42 * r + 0.5;
  inside = std::min(inside, hole);
  return inside <= 0 ? 0 : inside >= 1 ? 1 : inside;
}

std::string IconBmp() {
  const Rgb ring{20, 70, 140}, fill{40, 120, 200}, white{255, 255, 255}, back{255, 0, 255};
  return MakeBmp(32, 32, [&](int x, int y) {
    const double px = x + 0.5, py = y + 0.5;
    const double d = std::hypot(px - 16, py - 16);
    if (d > 15.5) return back;
    Rgb c = d > 14 ? ring : Mix(fill, ring, (py - 2) / 40);
    return Mix(c, white, PinCoverage(px, py, 16, 12.5, 6));
  });
}

std::string LogoBmp() {
  const Rgb top{232, 240, 250}, bottom{184, 206, 232}, grid{170, 192, 220}, road{250, 250, 252};
  const Rgb pin{210, 52, 48}, wave{40, 110, 190};
  const double cx = kLogoWidth / 2.0, cy = kLogoHeight / 2.0 - 20;
  return MakeBmp(kLogoWidth, kLogoHeight, [&](int x, int y) {
    const double px = x + 0.5, py = y + 0.5;
    Rgb c = Mix(top, bottom, py / kLogoHeight);
    // A faint street map.
    if (x % 30 == 0 || y % 30 == 0) c = Mix(c, grid, 0.6);
    const double roadDist = std::fabs((py - 150) - 0.35 * (px - 60));
    if (roadDist < 5) c = Mix(c, road, 1.0 - roadDist / 5);
    // Signal arcs above the pin.
    const double d = std::hypot(px - cx, py - (cy - 10));
    if (py < cy - 24) {
      for (double radius : {44.0, 60.0, 76.0}) {
        const double e = std::fabs(d - radius);
        if (e < 3 && std::fabs(px - cx) < (cy - 10 - py) * 1.1) c = Mix(c, wave, 1.0 - e / 3);
      }
    }
    // A soft shadow, then the pin.
    const double shadow = std::hypot((px - cx) / 2.2, py - (cy + 58));
    if (shadow < 8) c = Mix(c, Rgb{120, 140, 170}, (8 - shadow) / 12);
    return Mix(c, pin, PinCoverage(px, py, cx, cy, 30));
  });
}

void RegisterImages() {
  const std::string icon = IconBmp();
  platform::RegisterIconResource(IDR_MAINFRAME, reinterpret_cast<const unsigned char*>(icon.data()), icon.size());
  const std::string logo = LogoBmp();
  platform::RegisterBitmapResource(IDB_LOGO, reinterpret_cast<const unsigned char*>(logo.data()), logo.size());
}

void RegisterAboutBox() {
  using platform::DialogItemTemplate;
  platform::DialogTemplate t(IDD_ABOUTBOX, 0, 0, 190, 62, DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT,
                             0, L"Brelvano 정보", L"MS Shell Dlg", 9);
  const DWORD v = WS_VISIBLE;
  t.items = {
      DialogItemTemplate(L"STATIC", L"", IDC_ABOUT_ICON, 10, 12, 21, 20, v | SS_ICON),
      DialogItemTemplate(L"STATIC", L"Brelvano, Version 5.0", IDC_ABOUT_PRODUCT, 42, 12, 140, 10, v | SS_NOPREFIX),
      DialogItemTemplate(L"STATIC", L"Copyright (C) 2026 Kestova Inc.", IDC_ABOUT_NOTICE, 42, 26, 140, 10, v),
      DialogItemTemplate(L"BUTTON", L"OK", IDOK, 133, 41, 50, 14, v | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON),
  };
  platform::RegisterDialogTemplate(t);
}

void RegisterMainWindow() {
  using platform::DialogItemTemplate;
  platform::DialogTemplate t(IDD_BRELVANO_DIALOG, 0, 0, 563, 389,
                             WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_SETFONT,
                             WS_EX_APPWINDOW, L"Brelvano", L"MS Shell Dlg", 9);
  const DWORD v = WS_VISIBLE;
  t.items = {
      // The connection band: title, device list, port selector and the three buttons.
      DialogItemTemplate(L"BUTTON", L"", IDC_STATIC_NOID, 3, 0, 557, 62, v | BS_GROUPBOX),
      DialogItemTemplate(L"STATIC", L"Static", IDC_STATIC_TITLE, 8, 6, 200, 10, v),
      DialogItemTemplate(L"SysListView32", L"", IDC_LIST_DEVICE, 8, 22, 210, 34,
                         v | WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SINGLESEL),
      DialogItemTemplate(L"STATIC", L"Comport : ", IDC_STATIC_COMPORT, 236, 12, 40, 10, v),
      DialogItemTemplate(L"COMBOBOX", L"", IDC_COMBO_PORT, 278, 10, 70, 60, v | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                         0, {L"SEARCH..", L"USB"}),
      DialogItemTemplate(L"BUTTON", L"Connect", IDC_BTN_CONNECT, 352, 8, 40, 16, v | WS_TABSTOP | BS_PUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"Disconnect", IDC_BTN_DISCONNECT, 396, 8, 40, 16, v | WS_TABSTOP | BS_PUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"Open", IDC_BTN_OPEN, 456, 8, 40, 16, v | WS_TABSTOP | BS_PUSHBUTTON),
      DialogItemTemplate(L"STATIC", L"COMPANY :", IDC_STATIC_COMPANY, 226, 40, 150, 10, v),
      DialogItemTemplate(L"BUTTON", L"", IDC_BTN_CONSOLE, 545, 2, 14, 10, v | BS_PUSHBUTTON),
      // The page area: tab strip and logo.
      DialogItemTemplate(L"SysTabControl32", L"", IDC_TAB_PAGES, 3, 68, 557, 268, v | TCS_MULTILINE),
      DialogItemTemplate(L"STATIC", L"", IDC_STATIC_LOGO, 6, 84, 551, 248, v | SS_BITMAP | SS_CENTERIMAGE | WS_BORDER),
      // The bottom: progress bar, communication log and command line (shown with the pages).
      DialogItemTemplate(L"msctls_progress32", L"", IDC_PROGRESS, 6, 338, 551, 6, PBS_SMOOTH | WS_BORDER),
      DialogItemTemplate(L"LISTBOX", L"", IDC_LIST_LOG, 6, 346, 551, 26,
                         LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS | LBS_NOTIFY | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP),
      DialogItemTemplate(L"EDIT", L"", IDC_EDIT_COMMAND, 6, 374, 551, 12, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP),
  };
  platform::RegisterDialogTemplate(t);
}

void RegisterMenus() {
  platform::RegisterMenuTemplate(IDR_LOG_POPUP, {MenuTemplateItem(L"List Popup", 0, MF_POPUP,
                                                                  {MenuTemplateItem(L"Copy", ID_LOG_COPY),
                                                                   MenuTemplateItem(L"Clear", ID_LOG_CLEAR)})});
}

void RegisterStrings() {
  static const std::map<UINT, CString> table = {
      {IDS_ABOUTBOX, CString(L"Brelvano 정보(&A)...")},
  };
  platform::SetStringTable([](UINT id, CString& out) {
    auto it = table.find(id);
    if (it == table.end()) return false;
    out = it->second;
    return true;
  });
}

}  // namespace

void RegisterProgramResources() {
  RegisterImages();
  RegisterAboutBox();
  RegisterMainWindow();
  RegisterMenus();
  RegisterStrings();
  RegisterPageTemplates();
  RegisterSettingTemplates();
  RegisterSessionTemplates();
  RegisterWaitTemplate();
}

}  // namespace brelvano
