// Record helpers of the definition model and the program-wide definition counters.
#include "gui/dlg/definitionmodel.h"

#include "platform/trace.h"

BOOL g_bFileMode = FALSE;
int g_nGeofenceCount = 50;
int g_nBleCount = 50;

namespace {

int ClampCount(int nCount, int nLimit, const wchar_t* what) {
  if (nCount < 1) {
    TRACE(L"%s count %d below 1: 1 is used\n", what, nCount);
    return 1;
  }
  if (nCount > nLimit) {
    TRACE(L"%s count %d above %d: %d is used\n", what, nCount, nLimit, nLimit);
    return nLimit;
  }
  return nCount;
}

}  // namespace

void SetGeofenceCount(int nCount) { g_nGeofenceCount = ClampCount(nCount, kGeofenceSlots, L"Geofence"); }

void SetBleCount(int nCount) { g_nBleCount = ClampCount(nCount, kBleSlots, L"BLE"); }

int ControlTypeFromText(const CString& text) {
  static const struct {
    const wchar_t* text;
    int type;
  } kTypes[] = {
      {L"combo", CTRL_COMBO},         {L"edit", CTRL_EDIT},
      {L"passwd", CTRL_PASSWD},       {L"ip", CTRL_IP},
      {L"check box", CTRL_CHECK_BOX}, {L"any", CTRL_ANY},
      {L"alert_id", CTRL_ALERT_ID},   {L"sAssign", CTRL_S_ASSIGN},
      {L"mAssign", CTRL_M_ASSIGN},    {L"lAssign", CTRL_L_ASSIGN},
      {L"edit+button", CTRL_EDIT_BUTTON}, {L"edit_number", CTRL_EDIT_NUMBER},
      {L"edit_hex", CTRL_EDIT_HEX},   {L"file_edit", CTRL_FILE_EDIT},
  };
  for (const auto& entry : kTypes) {
    if (text == entry.text) return entry.type;
  }
  return -1;
}

PARAM_OPTION* CopyOptions(const PARAM_OPTION* pSource, int nCount) {
  if (nCount <= 0) return nullptr;
  PARAM_OPTION* pCopy = new PARAM_OPTION[nCount];
  if (pSource != nullptr) {
    for (int i = 0; i < nCount; ++i) pCopy[i] = pSource[i];
  }
  return pCopy;
}

void FreeParamOptions(PARAM_INFO& param) {
  delete[] param.pOptions;
  param.pOptions = nullptr;
  for (SUBGROUP_PARAM& group : param.subGroups) {
    delete[] group.pOptions;
    group.pOptions = nullptr;
  }
}

void CopyParamTabFields(PARAM_INFO& to, const PARAM_INFO& from) {
  to.bAssign = from.bAssign;
  to.nType = from.nType;
  to.nTabId = from.nTabId;
  to.strMapId = from.strMapId;
  to.strHdr = from.strHdr;
  to.bVisible = from.bVisible;
  to.bNumType = from.bNumType;
  to.nGroupMin = from.nGroupMin;
  to.nGroupMax = from.nGroupMax;
}

void CopyParamItem(PARAM_INFO& to, const PARAM_INFO& from) {
  CopyParamTabFields(to, from);
  to.nCtrlType = from.nCtrlType;
  to.assign = from.assign;
  to.strAlertId = from.strAlertId;
  to.strName = from.strName;
  to.nBase = from.nBase;
  to.nSize = from.nSize;
  to.nDecimal = from.nDecimal;
  to.strConfig = from.strConfig;
  to.nMax = from.nMax;
  to.strValue = from.strValue;
  to.bReserve = from.bReserve;
  to.nId = from.nId;
  to.nAssignNo = from.nAssignNo;
  if (from.pOptions != nullptr && from.nOptions > 0) {
    to.nOptions = from.nOptions;
    to.pOptions = CopyOptions(from.pOptions, from.nOptions);
  } else {
    to.nOptions = 0;
    to.pOptions = nullptr;
  }
}

void FreeParamInfoList(CPtrList& list) {
  POSITION pos = list.GetHeadPosition();
  while (pos != nullptr) {
    auto* p = static_cast<PARAM_INFO*>(list.GetNext(pos));
    if (p == nullptr) continue;
    FreeParamOptions(*p);
    delete p;
  }
  list.RemoveAll();
}

void TAB_INFO::Reset() {
  nIndex = TAB_TYPE_EMPTY;
  nType = TAB_TYPE_EMPTY;
  strTitle.Empty();
  strHdr.Empty();
  strMapId.Empty();
  bAssign = FALSE;
  nSize = 0;
  nTabId = 0;
}
