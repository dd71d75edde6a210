// Small helpers shared by the zone and record pages: the main window's view of the command set
// and its dictionary, the cutting of joined record values, and the parts the zone pages' lists,
// buttons and keys have in common.
#pragma once

#include <vector>

#include "platform/cstring.h"

class CListCtrl;
class CListCtrlEx;
class CPtrList;
class CDialog;
class CWnd;
class GUI_Base;
struct MSG;

namespace brelvano {

// TRUE when the main window (pParent) runs the numbered-parameter command set.
bool PageParentUsesUpProtocol(const CWnd* pParent);
// The main window's dictionary text for a name (the name itself without a main window).
CString PageTranslate(const CWnd* pParent, const CString& text);
// Before a page's detail dialog puts its own controls into the records of pList: when the main
// window's settings page shows the same list (the first tab, say), it lets go of its controls, so
// that no control is lost and none is deleted by both.
void PageTakeListFromSettingsPage(CWnd* pParent, CPtrList* pList);
// The values of a text in which each value is preceded by sep (a text without a leading sep
// counts its first value too).
std::vector<CString> SplitJoinedValues(const CString& text, wchar_t sep);

// TRUE for the keys a page swallows (Enter and Escape, which would end the page's dialog).
bool IsPageSwallowedKey(const MSG* pMsg);
// Gives a page's Add, Edit and Delete buttons the texts of the user's language, when its library
// is there (language is the page's own language access).
void SetPageButtonTexts(CWnd& page, GUI_Base& language, int nAddId, int nEditId, int nDeleteId);
// Rebuilds the columns of a zone page's list: "No", "Active", then one column a parameter record
// of pParams (none without a list), titled in the main window's dictionary. Also empties the list.
void BuildParamColumns(CListCtrlEx& list, const CPtrList* pParams, const CWnd* pParent);
// The layout of a record page (geofences, BLE records): the page takes nPageHeight with its
// position and width kept, and its Add, Edit and Delete buttons stand in a row below the list.
void PlaceRecordPageButtons(CWnd& page, int nPageHeight, int nAddId, int nEditId, int nDeleteId);
// The record page's list and progress bar, one above the other, as wide as the page lets them be
// (at most 680 pixels: no part of the list, its scroll bar included, lies beyond the page's edge).
void PlaceRecordPageList(CWnd& page, CWnd& list, CWnd& progress);
// A detail dialog that is shown takes the keyboard: its window becomes the active one and, when
// none of its controls has the focus, its first tab stop gets it.
void TakeKeyboardFocus(CDialog& dlg);
// Places a detail dialog's two buttons side by side at the bottom right below its generated rows
// (nLastBottom the bottom of the last row), growing the dialog to at least nNeedWidth wide.
void PlaceDetailButtons(CWnd& dlg, int nNeedWidth, int nLastBottom, int nFirstId, int nSecondId);
// Writes values into the columns of a row from column 2 on, as far as the list has columns.
void SetRowValues(CListCtrl& list, int nRow, const std::vector<CString>& values);

}  // namespace brelvano
