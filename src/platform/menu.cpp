// Menus kept by the layer, the menu-template registry and popup menus.
#include "platform/menu.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_set>

#include "platform/modal.h"
#include "platform/trace.h"

// The menu behind an HMENU.
struct MenuData {
  struct Item {
    UINT flags = 0;
    UINT id = 0;
    CString text;
    HMENU sub = nullptr;
  };
  std::vector<Item> items;
  bool popup = false;
  CMenu* permanent = nullptr;  // the object attached to it
  CMenu* temporary = nullptr;  // the stand-in FromHandle gives when none is attached
};

struct MenuAccess {
  static void SetTemporary(CMenu* m, bool t) { m->m_bTemporary = t; }
  static bool IsTemporary(const CMenu* m) { return m->m_bTemporary; }
};

namespace {

// Menus belong to the GUI thread; the lock only keeps IsMenu safe from elsewhere.
std::recursive_mutex g_menuMutex;
std::unordered_set<MenuData*>& LiveMenus() {
  static auto* live = new std::unordered_set<MenuData*>();
  return *live;
}
// Stand-in objects of destroyed menus, reused by later FromHandle calls so that a stale pointer
// never points at freed memory.
std::vector<CMenu*>& SpareTemporaries() {
  static auto* spare = new std::vector<CMenu*>();
  return *spare;
}

MenuData* Data(HMENU h) {
  if (h == nullptr) return nullptr;
  auto* d = reinterpret_cast<MenuData*>(h);
  std::lock_guard<std::recursive_mutex> lock(g_menuMutex);
  return LiveMenus().count(d) != 0 ? d : nullptr;
}

HMENU NewMenu(bool popup) {
  auto* d = new MenuData();
  d->popup = popup;
  std::lock_guard<std::recursive_mutex> lock(g_menuMutex);
  LiveMenus().insert(d);
  return reinterpret_cast<HMENU>(d);
}

void Destroy(MenuData* d, int depth = 0) {
  if (d == nullptr || depth > 64) return;
  {
    std::lock_guard<std::recursive_mutex> lock(g_menuMutex);
    if (LiveMenus().erase(d) == 0) return;
  }
  for (MenuData::Item& item : d->items) {
    if (item.sub != nullptr) Destroy(Data(item.sub), depth + 1);
  }
  if (d->permanent != nullptr) d->permanent->m_hMenu = nullptr;
  if (d->temporary != nullptr) {
    d->temporary->m_hMenu = nullptr;
    SpareTemporaries().push_back(d->temporary);
  }
  delete d;
}

// Finds an item by position or by command (searching popups too). *owner receives its menu.
MenuData::Item* FindItem(MenuData* d, UINT pos, UINT flags, MenuData** owner, size_t* index, int depth = 0) {
  if (d == nullptr || depth > 64) return nullptr;
  if (flags & MF_BYPOSITION) {
    if (pos >= d->items.size()) return nullptr;
    if (owner != nullptr) *owner = d;
    if (index != nullptr) *index = pos;
    return &d->items[pos];
  }
  for (size_t i = 0; i < d->items.size(); ++i) {
    MenuData::Item& item = d->items[i];
    if (item.sub == nullptr && !(item.flags & MF_SEPARATOR) && item.id == pos) {
      if (owner != nullptr) *owner = d;
      if (index != nullptr) *index = i;
      return &item;
    }
  }
  for (MenuData::Item& item : d->items) {
    if (item.sub == nullptr) continue;
    if (MenuData::Item* found = FindItem(Data(item.sub), pos, flags, owner, index, depth + 1)) return found;
  }
  return nullptr;
}

// Whether adding sub under d would make a cycle.
bool Contains(MenuData* d, MenuData* target, int depth = 0) {
  if (d == nullptr || depth > 64) return false;
  if (d == target) return true;
  for (const MenuData::Item& item : d->items) {
    if (item.sub != nullptr && Contains(Data(item.sub), target, depth + 1)) return true;
  }
  return false;
}

bool MakeItem(MenuData* d, UINT nFlags, UINT_PTR nIDNewItem, const CString& text, MenuData::Item& out) {
  out.flags = nFlags & ~(MF_BYPOSITION | MF_CHANGE | MF_APPEND | MF_DELETE | MF_REMOVE);
  out.text = text;
  if (nFlags & MF_POPUP) {
    MenuData* sub = Data(reinterpret_cast<HMENU>(nIDNewItem));
    if (sub == nullptr || Contains(sub, d)) return false;
    out.sub = reinterpret_cast<HMENU>(sub);
    out.id = 0;
  } else if (nFlags & MF_SEPARATOR) {
    out.id = 0;
    out.text.Empty();
  } else {
    out.id = static_cast<UINT>(nIDNewItem);
  }
  return true;
}

std::mutex g_templateMutex;
std::map<UINT, std::vector<MenuTemplateItem>>& Templates() {
  static auto* t = new std::map<UINT, std::vector<MenuTemplateItem>>();
  return *t;
}

void Build(MenuData* d, const std::vector<MenuTemplateItem>& items, int depth) {
  if (depth > 64) return;
  for (const MenuTemplateItem& t : items) {
    MenuData::Item item;
    item.flags = t.flags & ~MF_POPUP;
    item.id = t.id;
    item.text = t.text;
    if ((t.flags & MF_POPUP) || !t.popup.empty()) {
      HMENU sub = NewMenu(true);
      Build(Data(sub), t.popup, depth + 1);
      item.sub = sub;
      item.flags |= MF_POPUP;
      item.id = 0;
    } else if (t.flags & MF_SEPARATOR) {
      item.text.Empty();
      item.id = 0;
    }
    d->items.push_back(item);
  }
}

std::vector<MenuTemplateItem> Snapshot(MenuData* d, int depth) {
  std::vector<MenuTemplateItem> out;
  if (d == nullptr || depth > 64) return out;
  for (const MenuData::Item& item : d->items) {
    MenuTemplateItem t;
    t.text = item.text;
    t.id = item.id;
    t.flags = item.flags;
    if (item.sub != nullptr) {
      if (MenuData* sub = Data(item.sub)) {
        t.popup = Snapshot(sub, depth + 1);
      } else {
        continue;  // a popup destroyed behind the menu's back
      }
    }
    out.push_back(std::move(t));
  }
  return out;
}

bool IsEnabledCommand(MenuData* d, UINT command, int depth = 0) {
  if (d == nullptr || depth > 64) return false;
  for (const MenuData::Item& item : d->items) {
    if (item.flags & (MF_GRAYED | MF_DISABLED)) continue;
    if (item.sub != nullptr) {
      if (IsEnabledCommand(Data(item.sub), command, depth + 1)) return true;
    } else if (!(item.flags & MF_SEPARATOR) && item.id == command) {
      return true;
    }
  }
  return false;
}

void FillQMenu(QMenu* menu, MenuData* d, int depth) {
  if (d == nullptr || depth > 64) return;
  for (const MenuData::Item& item : d->items) {
    if (item.flags & MF_SEPARATOR) {
      menu->addSeparator();
      continue;
    }
    const bool enabled = (item.flags & (MF_GRAYED | MF_DISABLED)) == 0;
    if (item.sub != nullptr) {
      MenuData* sub = Data(item.sub);
      if (sub == nullptr) continue;
      QMenu* child = menu->addMenu(item.text.q());
      child->setEnabled(enabled);
      FillQMenu(child, sub, depth + 1);
      continue;
    }
    QAction* action = menu->addAction(item.text.q());
    action->setData(static_cast<uint>(item.id));
    action->setEnabled(enabled);
    if (item.flags & MF_CHECKED) {
      action->setCheckable(true);
      action->setChecked(true);
    }
    if (item.flags & MF_DEFAULT) {
      QFont f = action->font();
      f.setBold(true);
      action->setFont(f);
    }
  }
}

}  // namespace

namespace platform {

void RegisterMenuTemplate(UINT id, const std::vector<MenuTemplateItem>& items) {
  std::lock_guard<std::mutex> lock(g_templateMutex);
  Templates()[id] = items;
}

bool FindMenuTemplate(UINT id, std::vector<MenuTemplateItem>& items) {
  std::lock_guard<std::mutex> lock(g_templateMutex);
  auto it = Templates().find(id);
  if (it == Templates().end()) return false;
  items = it->second;
  return true;
}

std::vector<MenuTemplateItem> MenuItemsOf(HMENU menu) { return Snapshot(Data(menu), 0); }

}  // namespace platform

BOOL IsMenu(HMENU hMenu) { return Data(hMenu) != nullptr ? TRUE : FALSE; }

BOOL DestroyMenu(HMENU hMenu) {
  MenuData* d = Data(hMenu);
  if (d == nullptr) return FALSE;
  Destroy(d);
  return TRUE;
}

// ---- CMenu ----------------------------------------------------------------------------------

CMenu::~CMenu() {
  if (m_hMenu != nullptr && !m_bTemporary) DestroyMenu();
}

CMenu* CMenu::FromHandle(HMENU hMenu) {
  MenuData* d = Data(hMenu);
  if (d == nullptr) return nullptr;
  if (d->permanent != nullptr) return d->permanent;
  if (d->temporary == nullptr) {
    CMenu* t = nullptr;
    if (!SpareTemporaries().empty()) {
      t = SpareTemporaries().back();
      SpareTemporaries().pop_back();
    } else {
      t = new CMenu();
      MenuAccess::SetTemporary(t, true);
    }
    t->m_hMenu = hMenu;
    d->temporary = t;
  }
  return d->temporary;
}

BOOL CMenu::Attach(HMENU hMenu) {
  MenuData* d = Data(hMenu);
  if (d == nullptr || m_hMenu != nullptr || m_bTemporary) return FALSE;
  if (d->permanent != nullptr && d->permanent != this) return FALSE;
  d->permanent = this;
  m_hMenu = hMenu;
  return TRUE;
}

HMENU CMenu::Detach() {
  HMENU h = m_hMenu;
  if (MenuData* d = Data(h)) {
    if (d->permanent == this) d->permanent = nullptr;
  }
  if (!m_bTemporary) m_hMenu = nullptr;
  return h;
}

BOOL CMenu::CreateMenu() {
  if (m_hMenu != nullptr || m_bTemporary) return FALSE;
  return Attach(NewMenu(false));
}

BOOL CMenu::CreatePopupMenu() {
  if (m_hMenu != nullptr || m_bTemporary) return FALSE;
  return Attach(NewMenu(true));
}

BOOL CMenu::LoadMenu(UINT nIDResource) {
  if (m_hMenu != nullptr || m_bTemporary) return FALSE;
  std::vector<MenuTemplateItem> items;
  if (!platform::FindMenuTemplate(nIDResource, items)) {
    platform::TraceFormat(L"no menu template %u", nIDResource);
    return FALSE;
  }
  HMENU h = NewMenu(false);
  Build(Data(h), items, 0);
  return Attach(h);
}

BOOL CMenu::DestroyMenu() {
  if (m_hMenu == nullptr) return FALSE;
  HMENU h = m_hMenu;
  m_hMenu = nullptr;
  return ::DestroyMenu(h);
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, const CString& lpszNewItem) {
  MenuData* d = Data(m_hMenu);
  MenuData::Item item;
  if (d == nullptr || !MakeItem(d, nFlags, nIDNewItem, lpszNewItem, item)) return FALSE;
  d->items.push_back(item);
  return TRUE;
}

BOOL CMenu::InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, const CString& lpszNewItem) {
  MenuData* d = Data(m_hMenu);
  MenuData::Item item;
  if (d == nullptr) return FALSE;
  MenuData* owner = d;
  size_t index = d->items.size();
  if (nFlags & MF_BYPOSITION) {
    if (nPosition < d->items.size()) index = nPosition;
  } else if (FindItem(d, nPosition, MF_BYCOMMAND, &owner, &index) == nullptr) {
    return FALSE;
  }
  if (!MakeItem(owner, nFlags, nIDNewItem, lpszNewItem, item)) return FALSE;
  owner->items.insert(owner->items.begin() + static_cast<std::ptrdiff_t>(index), item);
  return TRUE;
}

BOOL CMenu::ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, const CString& lpszNewItem) {
  MenuData* owner = nullptr;
  MenuData::Item* found = FindItem(Data(m_hMenu), nPosition, nFlags, &owner, nullptr);
  MenuData::Item item;
  if (found == nullptr || !MakeItem(owner, nFlags, nIDNewItem, lpszNewItem, item)) return FALSE;
  HMENU oldSub = found->sub;
  *found = item;
  if (oldSub != nullptr && oldSub != item.sub) ::DestroyMenu(oldSub);
  return TRUE;
}

BOOL CMenu::DeleteMenu(UINT nPosition, UINT nFlags) {
  MenuData* owner = nullptr;
  size_t index = 0;
  if (FindItem(Data(m_hMenu), nPosition, nFlags, &owner, &index) == nullptr) return FALSE;
  HMENU sub = owner->items[index].sub;
  owner->items.erase(owner->items.begin() + static_cast<std::ptrdiff_t>(index));
  if (sub != nullptr) ::DestroyMenu(sub);
  return TRUE;
}

BOOL CMenu::RemoveMenu(UINT nPosition, UINT nFlags) {
  MenuData* owner = nullptr;
  size_t index = 0;
  if (FindItem(Data(m_hMenu), nPosition, nFlags, &owner, &index) == nullptr) return FALSE;
  owner->items.erase(owner->items.begin() + static_cast<std::ptrdiff_t>(index));
  return TRUE;
}

UINT CMenu::EnableMenuItem(UINT nIDEnableItem, UINT nEnable) {
  MenuData::Item* item = FindItem(Data(m_hMenu), nIDEnableItem, nEnable, nullptr, nullptr);
  if (item == nullptr) return 0xFFFFFFFFu;
  UINT old = item->flags & (MF_GRAYED | MF_DISABLED);
  item->flags = (item->flags & ~(MF_GRAYED | MF_DISABLED)) | (nEnable & (MF_GRAYED | MF_DISABLED));
  return old;
}

UINT CMenu::CheckMenuItem(UINT nIDCheckItem, UINT nCheck) {
  MenuData::Item* item = FindItem(Data(m_hMenu), nIDCheckItem, nCheck, nullptr, nullptr);
  if (item == nullptr) return 0xFFFFFFFFu;
  UINT old = item->flags & MF_CHECKED;
  item->flags = (item->flags & ~MF_CHECKED) | (nCheck & MF_CHECKED);
  return old;
}

UINT CMenu::GetMenuState(UINT nID, UINT nFlags) const {
  MenuData::Item* item = FindItem(Data(m_hMenu), nID, nFlags, nullptr, nullptr);
  if (item == nullptr) return 0xFFFFFFFFu;
  UINT state = item->flags;
  if (item->sub != nullptr) {
    MenuData* sub = Data(item->sub);
    state |= MF_POPUP;
    state = (state & 0xFFu) | (static_cast<UINT>(sub != nullptr ? sub->items.size() : 0) << 8);
  }
  return state;
}

int CMenu::GetMenuItemCount() const {
  MenuData* d = Data(m_hMenu);
  return d != nullptr ? static_cast<int>(d->items.size()) : -1;
}

UINT CMenu::GetMenuItemID(int nPos) const {
  MenuData* d = Data(m_hMenu);
  if (d == nullptr || nPos < 0 || static_cast<size_t>(nPos) >= d->items.size()) return 0xFFFFFFFFu;
  const MenuData::Item& item = d->items[static_cast<size_t>(nPos)];
  if (item.sub != nullptr) return 0xFFFFFFFFu;
  return item.id;
}

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const {
  MenuData::Item* item = FindItem(Data(m_hMenu), nIDItem, nFlags, nullptr, nullptr);
  rString = item != nullptr ? item->text : CString();
  return rString.GetLength();
}

CMenu* CMenu::GetSubMenu(int nPos) const {
  MenuData* d = Data(m_hMenu);
  if (d == nullptr || nPos < 0 || static_cast<size_t>(nPos) >= d->items.size()) return nullptr;
  return FromHandle(d->items[static_cast<size_t>(nPos)].sub);
}

BOOL CMenu::SetDefaultItem(UINT uItem, BOOL fByPos) {
  MenuData* d = Data(m_hMenu);
  if (d == nullptr) return FALSE;
  for (MenuData::Item& item : d->items) item.flags &= ~MF_DEFAULT;
  if (uItem == 0xFFFFFFFFu) return TRUE;
  MenuData::Item* item = FindItem(d, uItem, fByPos ? MF_BYPOSITION : MF_BYCOMMAND, nullptr, nullptr);
  if (item == nullptr) return FALSE;
  item->flags |= MF_DEFAULT;
  return TRUE;
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect) {
  (void)lpRect;
  using namespace platform;
  MenuData* d = Data(m_hMenu);
  if (d == nullptr || pWnd == nullptr || pWnd->m_hWnd == nullptr) return FALSE;
  ModalRecord record;
  record.kind = ModalKind::PopupMenu;
  record.flags = nFlags;
  record.point = POINT{x, y};
  record.menuItems = Snapshot(d, 0);
  ModalAnswer answer;
  UINT command = 0;
  const HWND target = pWnd->m_hWnd;
  switch (ModalService::Instance().Route(record, &answer)) {
    case ModalRoute::Unexpected:
      return (nFlags & TPM_RETURNCMD) ? 0 : TRUE;
    case ModalRoute::Scripted:
      command = answer.command;
      if (command != 0 && !IsEnabledCommand(d, command)) {
        ModalService::Instance().ReportUnexpected(record);
        command = 0;
      }
      break;
    case ModalRoute::Real: {
      if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return FALSE;
      // Not parented to the window: a handler may destroy it while the menu is open.
      QMenu menu;
      FillQMenu(&menu, d, 0);
      QSize size = menu.sizeHint();
      QPoint at(x, y);
      if (nFlags & TPM_RIGHTALIGN) at.rx() -= size.width();
      else if (nFlags & TPM_CENTERALIGN) at.rx() -= size.width() / 2;
      if (nFlags & TPM_BOTTOMALIGN) at.ry() -= size.height();
      else if (nFlags & TPM_VCENTERALIGN) at.ry() -= size.height() / 2;
      QAction* chosen = menu.exec(at);
      if (chosen != nullptr) command = chosen->data().toUInt();
      break;
    }
  }
  if (nFlags & TPM_RETURNCMD) return static_cast<BOOL>(command);
  if (command != 0 && IsWindow(target)) ::PostMessage(target, WM_COMMAND, MAKEWPARAM(command, 0), 0);
  return TRUE;
}
