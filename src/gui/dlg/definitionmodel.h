// The records of the device's parameter definition that the main window keeps: the command-framing
// header of the definition and the identity of the connected device. Only the fields the main
// window's shell reads or clears are here; the definition loaders add the rest.
#pragma once

#include "platform/cstring.h"
#include "platform/wintypes.h"

// The definition's command-framing header: eight texts.
struct DEF_HEADER {
  CString strHeader;         // header token
  CString strUnitId;         // unit identifier
  CString strPassword;
  CString strVersion;
  CString strDelimiter;
  CString strReplyToken;
  CString strRequestFormat;  // request template
  CString strReplyFormat;    // reply template

  void Clear() { *this = DEF_HEADER(); }
};

// The identity of the connected device, from its version reply.
struct DEVICE_INFO {
  CString strModel;
  CString strBuyer;
  CString strProtocol;
  CString strFirmware;       // firmware version text
  // Option flags (nonzero: present), in the order the device reports them.
  int nVoice = 0;
  int nRs232 = 0;
  int nCan = 0;
  int nSecurity = 0;
  int nLogin = 0;            // device login required (not shown in the device list)
  int nInput4 = 0;
  int nReserved = 0;
  int nExtra = 0;            // the eighth option integer
  CString strBleVersion;
  CString strWifiVersion;
  BOOL bJsonParam = FALSE;   // the definition comes as JSON

  // Empties the whole identity.
  void Clear() { *this = DEVICE_INFO(); }
  // Empties the four identity texts and the first seven option integers; the eighth and the
  // version texts keep their values.
  void ClearIdentity() {
    strModel.Empty();
    strBuyer.Empty();
    strProtocol.Empty();
    strFirmware.Empty();
    nVoice = nRs232 = nCan = nSecurity = nLogin = nInput4 = nReserved = 0;
  }
};
