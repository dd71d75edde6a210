// Test helper for the display tests of the geofence page: a $-set definition whose geofence tab
// has the usual parameters (its entry and exit alarms start without a choice), a parameter of the
// page by its name, the page's ADD button and whether a window has the keyboard.
#pragma once

#include <QApplication>
#include <QWidget>

#include "devsim/definitionserver.h"
#include "devsim/trackerdevice.h"
#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/definitionmodel.h"
#include "gui/dlg/geofencedlg.h"
#include "platform/controls.h"
#include "platform/pumpwait.h"
#include "resources/pageresource.h"

namespace displaytest {

inline constexpr char kGeofenceDefinition[] =
    "<brelvano S=\"$T\" D=\";\" cmd=\"SHDC\" res=\"SDRDH\" V=\"1\">"
    "<grp id=\"6\" title=\"Geofence\" hdr=\"CGF\" max=\"10\" unit=\"0\" ord=\"DATGRIO\">"
    "<item fid=\"Geo ID\" type=\"combo\" num=\"1\" curr=\"1\"><ele>1</ele></item>"
    "<item fid=\"Active\" type=\"combo\" num=\"2\" curr=\"Off\"><ele>Off</ele><ele>On</ele></item>"
    "<item fid=\"Latitude\" type=\"edit\" curr=\"\"/>"
    "<item fid=\"Longitude\" type=\"edit\" curr=\"\"/>"
    "<item fid=\"Radius\" type=\"edit\" curr=\"\"/>"
    "<item fid=\"IN\" type=\"combo\" num=\"2\" curr=\"\"><ele>Off</ele><ele>On</ele></item>"
    "<item fid=\"OUT\" type=\"combo\" num=\"2\" curr=\"\"><ele>Off</ele><ele>On</ele></item>"
    "<item fid=\"Speed\" type=\"edit\" curr=\"0\" max=\"3\"/>"
    "</grp>"
    "<grp id=\"1\" title=\"General\" hdr=\"GEN\"><item fid=\"APN\" type=\"edit\" curr=\"web\" max=\"20\"/></grp>"
    "</brelvano>";

// The tracker (a firmware that has its geofences edited) sends that definition once connected.
inline void ServeGeofenceDefinition(devsim::DefinitionServer& server, devsim::TrackerDevice& tracker) {
  server.ServeXmlFile(kGeofenceDefinition);
  devsim::TrackerIdentity id;
  id.model = "VR600";
  id.version = "150";
  tracker.SetIdentity(id);
}

// True once the definition has made the geofence page and the window takes the user's choice of tab.
inline bool GeofencePageReady(CBrelvanoDlg* dlg, DWORD timeoutMs) {
  return platform::PumpUntil(
      [&] { return dlg->m_pGeofenceDlg != nullptr && !dlg->m_bDefinitionPending && dlg->m_tabPages.IsWindowEnabled(); },
      timeoutMs);
}

// The geofence page's ADD button once it is shown and takes clicks; null when it never does.
inline CWnd* AddButtonWhenReady(CBrelvanoDlg* dlg, DWORD timeoutMs) {
  CWnd* add = nullptr;
  const bool ready = platform::PumpUntil(
      [&] {
        add = dlg->m_pGeofenceDlg != nullptr ? dlg->m_pGeofenceDlg->GetDlgItem(IDC_GEOFENCE_ADD) : nullptr;
        return add != nullptr && add->IsWindowEnabled() && add->IsWindowVisible() && dlg->m_tabPages.IsWindowEnabled();
      },
      timeoutMs);
  return ready ? add : nullptr;
}

// The parameter of that name in a page's list; null when there is none.
inline PARAM_INFO* ParamNamed(CPtrList* list, const wchar_t* name) {
  for (POSITION pos = list != nullptr ? list->GetHeadPosition() : nullptr; pos != nullptr;) {
    auto* p = static_cast<PARAM_INFO*>(list->GetNext(pos));
    if (p->strName == name) return p;
  }
  return nullptr;
}

// The choice control of a parameter; null when it has none.
inline CComboBox* ChoiceNamed(CPtrList* list, const wchar_t* name) {
  PARAM_INFO* p = ParamNamed(list, name);
  return p != nullptr ? dynamic_cast<CComboBox*>(p->pValueWnd) : nullptr;
}

// The entry and exit alarm choices of the open detail dialog; true when both are there and still
// without a choice.
inline bool AlarmsWithoutChoice(CPtrList* list, CComboBox*& in, CComboBox*& out) {
  in = ChoiceNamed(list, L"IN");
  out = ChoiceNamed(list, L"OUT");
  return in != nullptr && out != nullptr && in->GetCurSel() == CB_ERR && out->GetCurSel() == CB_ERR;
}

// The window is the active one, with the keyboard focus on one of its controls.
inline bool HasTheKeyboard(const QWidget* window) {
  const QWidget* focus = QApplication::focusWidget();
  return QApplication::activeWindow() == window && focus != nullptr && window->isAncestorOf(focus);
}

}  // namespace displaytest
