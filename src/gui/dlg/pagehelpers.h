// Small helpers shared by the zone and record pages: the main window's view of the command set
// and its dictionary, and the cutting of joined record values.
#pragma once

#include <vector>

#include "platform/cstring.h"

class CWnd;

namespace brelvano {

// TRUE when the main window (pParent) runs the numbered-parameter command set.
bool PageParentUsesUpProtocol(const CWnd* pParent);
// The main window's dictionary text for a name (the name itself without a main window).
CString PageTranslate(const CWnd* pParent, const CString& text);
// The values of a text in which each value is preceded by sep (a text without a leading sep
// counts its first value too).
std::vector<CString> SplitJoinedValues(const CString& text, wchar_t sep);

}  // namespace brelvano
