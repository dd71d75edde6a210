// Menus: CMenu over a menu kept by the layer (items with command ids, texts, states and nested
// popups), the registry of the program's menu templates, and popup menus tracked at a screen
// point through the modal service.
#pragma once

#include <utility>
#include <vector>

#include "platform/cstring.h"
#include "platform/wnd.h"

// Item flags.
#define MF_INSERT 0x00000000u
#define MF_CHANGE 0x00000080u
#define MF_APPEND 0x00000100u
#define MF_DELETE 0x00000200u
#define MF_REMOVE 0x00001000u
#define MF_BYCOMMAND 0x00000000u
#define MF_BYPOSITION 0x00000400u
#define MF_SEPARATOR 0x00000800u
#define MF_ENABLED 0x00000000u
#define MF_GRAYED 0x00000001u
#define MF_DISABLED 0x00000002u
#define MF_UNCHECKED 0x00000000u
#define MF_CHECKED 0x00000008u
#define MF_USECHECKBITMAPS 0x00000200u
#define MF_STRING 0x00000000u
#define MF_BITMAP 0x00000004u
#define MF_OWNERDRAW 0x00000100u
#define MF_POPUP 0x00000010u
#define MF_MENUBARBREAK 0x00000020u
#define MF_MENUBREAK 0x00000040u
#define MF_UNHILITE 0x00000000u
#define MF_HILITE 0x00000080u
#define MF_DEFAULT 0x00001000u

// TrackPopupMenu flags.
#define TPM_LEFTBUTTON 0x0000u
#define TPM_RIGHTBUTTON 0x0002u
#define TPM_LEFTALIGN 0x0000u
#define TPM_CENTERALIGN 0x0004u
#define TPM_RIGHTALIGN 0x0008u
#define TPM_TOPALIGN 0x0000u
#define TPM_VCENTERALIGN 0x0010u
#define TPM_BOTTOMALIGN 0x0020u
#define TPM_HORIZONTAL 0x0000u
#define TPM_VERTICAL 0x0040u
#define TPM_NONOTIFY 0x0080u
#define TPM_RETURNCMD 0x0100u

// One item of a menu template: a command (text, id), a separator (MF_SEPARATOR) or a popup
// (MF_POPUP, or any item that has popup items) with its own items. Flags may add MF_GRAYED,
// MF_CHECKED, MF_DISABLED, MF_DEFAULT.
struct MenuTemplateItem {
  MenuTemplateItem(CString text_ = CString(), UINT id_ = 0, UINT flags_ = MF_STRING,
                   std::vector<MenuTemplateItem> popup_ = {})
      : text(std::move(text_)), id(id_), flags(flags_), popup(std::move(popup_)) {}
  CString text;
  UINT id;
  UINT flags;
  std::vector<MenuTemplateItem> popup;
};

namespace platform {
// The program's menus by resource number (a later registration of the same id replaces it).
void RegisterMenuTemplate(UINT id, const std::vector<MenuTemplateItem>& items);
bool FindMenuTemplate(UINT id, std::vector<MenuTemplateItem>& items);
// The items of a live menu in template form (empty for a handle that is not a menu).
std::vector<MenuTemplateItem> MenuItemsOf(HMENU menu);
}  // namespace platform

// True while the handle names a live menu.
BOOL IsMenu(HMENU hMenu);
BOOL DestroyMenu(HMENU hMenu);

// A menu handle holder. Menus belong to the GUI thread. A menu destroyed with DestroyMenu takes
// its popups with it; a popup appended to another menu belongs to that menu from then on, so the
// object that made it should Detach it (destroying it anyway leaves an empty slot that is skipped).
class CMenu {
 public:
  CMenu() = default;
  virtual ~CMenu();
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  HMENU m_hMenu = nullptr;

  // The object attached to a handle, or a temporary one kept by the menu (valid while it lives).
  static CMenu* FromHandle(HMENU hMenu);
  BOOL Attach(HMENU hMenu);
  HMENU Detach();
  HMENU GetSafeHmenu() const { return m_hMenu; }
  operator HMENU() const { return m_hMenu; }

  BOOL CreateMenu();
  BOOL CreatePopupMenu();
  // A menu bar built from the template registered under that id.
  BOOL LoadMenu(UINT nIDResource);
  BOOL DestroyMenu();

  // nIDNewItem is the command id, or for MF_POPUP the popup's handle cast to UINT_PTR.
  BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, const CString& lpszNewItem = CString());
  // Inserts before the item at nPosition (MF_BYPOSITION; -1 or past the end appends) or before
  // the item with that command (MF_BYCOMMAND, searched through the popups too).
  BOOL InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, const CString& lpszNewItem = CString());
  BOOL ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, const CString& lpszNewItem = CString());
  // DeleteMenu destroys a popup item's menu; RemoveMenu only takes the item out.
  BOOL DeleteMenu(UINT nPosition, UINT nFlags);
  BOOL RemoveMenu(UINT nPosition, UINT nFlags);

  // Previous state (MF_ENABLED / MF_GRAYED / MF_DISABLED bits, MF_CHECKED / MF_UNCHECKED), or
  // 0xFFFFFFFF when there is no such item.
  UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable);
  UINT CheckMenuItem(UINT nIDCheckItem, UINT nCheck);
  // The item's flags, or 0xFFFFFFFF when there is no such item.
  UINT GetMenuState(UINT nID, UINT nFlags) const;
  // -1 for a handle that is not a menu.
  int GetMenuItemCount() const;
  // The command id at a position; 0 for a separator, 0xFFFFFFFF for a popup or no item.
  UINT GetMenuItemID(int nPos) const;
  // The item's text and its length (0 and an empty text when there is no such item).
  int GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const;
  // The popup at a position, or null.
  CMenu* GetSubMenu(int nPos) const;
  BOOL SetDefaultItem(UINT uItem, BOOL fByPos = FALSE);

  // Shows the popup at the screen point (TPM_RIGHTALIGN / CENTERALIGN / BOTTOMALIGN / VCENTERALIGN
  // place it relative to the point) and waits for the choice. The chosen command is posted as
  // WM_COMMAND(id, 0) to pWnd after the menu has closed; with TPM_RETURNCMD it is returned
  // instead (0 for none) and nothing is sent. Without TPM_RETURNCMD the result is TRUE when the
  // menu could be shown. pWnd must be a window.
  BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect = nullptr);

 private:
  friend struct MenuAccess;
  bool m_bTemporary = false;
};
