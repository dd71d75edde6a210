// What automation tools and screen readers see of a dialog's controls: roles, names (own text or
// the preceding label), control ids, items and cells, states, and the press action, before and
// after the program and the user change the controls.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QComboBox>
#include <QWidget>

#include "notify_sink.h"
#include "platform/accessibility.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/listctrl.h"
#include "platform/tabctrl.h"
#include "test_main_env.h"

namespace {

constexpr UINT kDialogId = 9301;
enum : UINT {
  kNameLabel = 1001, kNameEdit, kPassLabel, kPassEdit, kDrawButton, kCheck, kRadio, kGroup, kLogo, kPortLabel,
  kPortCombo, kDrawList, kRecords, kTabs, kProgress, kScroll, kLoneEdit, kEmptyButton
};

void RegisterSample() {
  platform::DialogTemplate t;
  t.id = kDialogId;
  t.cx = 300;
  t.cy = 220;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  t.caption = L"Device Settings";
  const DWORD v = WS_VISIBLE | WS_CHILD;
  t.items = {
      {L"STATIC", L"&Name:", kNameLabel, 4, 4, 40, 8, v | SS_LEFT, 0, {}},
      {L"EDIT", L"hello", kNameEdit, 50, 4, 80, 12, v | WS_TABSTOP | ES_AUTOHSCROLL, 0, {}},
      {L"STATIC", L"Password:", kPassLabel, 4, 20, 40, 8, v | SS_LEFT, 0, {}},
      {L"EDIT", L"secret", kPassEdit, 50, 20, 80, 12, v | WS_TABSTOP | ES_PASSWORD, 0, {}},
      {L"BUTTON", L"&OK", IDOK, 140, 4, 50, 14, v | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, {}},
      {L"BUTTON", L"Draw", kDrawButton, 140, 20, 50, 14, v | WS_TABSTOP | BS_OWNERDRAW, 0, {}},
      {L"BUTTON", L"Check", kCheck, 200, 4, 50, 10, v | WS_TABSTOP | BS_AUTOCHECKBOX, 0, {}},
      {L"BUTTON", L"Radio", kRadio, 200, 20, 50, 10, v | WS_TABSTOP | BS_AUTORADIOBUTTON, 0, {}},
      {L"BUTTON", L"Group", kGroup, 196, 0, 60, 34, v | BS_GROUPBOX, 0, {}},
      {L"STATIC", L"IDB_LOGO", kLogo, 260, 4, 30, 30, v | SS_BITMAP, 0, {}},
      {L"STATIC", L"Port:", kPortLabel, 4, 40, 40, 8, v | SS_LEFT, 0, {}},
      {L"COMBOBOX", L"", kPortCombo, 50, 40, 80, 60, v | WS_TABSTOP | CBS_DROPDOWNLIST, 0, {L"ttyUSB0", L"ttyACM0"}},
      {L"LISTBOX", L"", kDrawList, 140, 40, 80, 40, v | WS_TABSTOP | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, 0,
       {L"alpha", L"beta", L"gamma"}},
      {L"SysListView32", L"", kRecords, 4, 90, 200, 80, v | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, 0, {}},
      {L"SysTabControl32", L"", kTabs, 4, 175, 200, 20, v | WS_TABSTOP, 0, {}},
      {L"msctls_progress32", L"", kProgress, 210, 90, 80, 10, v, 0, {}},
      {L"SCROLLBAR", L"", kScroll, 210, 105, 80, 10, v | SBS_HORZ, 0, {}},
      {L"EDIT", L"", kLoneEdit, 210, 120, 80, 12, v | WS_TABSTOP, 0, {}},
      {L"BUTTON", L"", kEmptyButton, 210, 140, 80, 12, v | WS_TABSTOP, 0, {}},
  };
  platform::RegisterDialogTemplate(t);
}

class AccessibilityTest : public platform::test::ScriptedModalTest {
 protected:
  void SetUp() override {
    ScriptedModalTest::SetUp();
    RegisterSample();
    ASSERT_TRUE(dialog.Create(kDialogId));
    auto* list = dynamic_cast<CListCtrl*>(dialog.GetDlgItem(kRecords));
    ASSERT_NE(list, nullptr);
    list->InsertColumn(0, CString(L"Time"), LVCFMT_LEFT, 80);
    list->InsertColumn(1, CString(L"Speed"), LVCFMT_LEFT, 60);
    const wchar_t* rows[][2] = {{L"10:00", L"42"}, {L"10:05", L"57"}, {L"10:10", L"0"}};
    for (int r = 0; r < 3; ++r) {
      list->InsertItem(r, CString(rows[r][0]));
      list->SetItemText(r, 1, CString(rows[r][1]));
    }
    auto* tabs = dynamic_cast<CTabCtrl*>(dialog.GetDlgItem(kTabs));
    ASSERT_NE(tabs, nullptr);
    tabs->InsertItem(0, CString(L"&General"));
    tabs->InsertItem(1, CString(L"Network"));
    tabs->InsertItem(2, CString(L"Alarms"));
  }
  void TearDown() override {
    dialog.DestroyWindow();
    ScriptedModalTest::TearDown();
  }

  CWnd* Item(UINT id) { return dialog.GetDlgItem(static_cast<int>(id)); }
  QAccessibleInterface* Iface(UINT id) {
    CWnd* w = Item(id);
    return w != nullptr ? QAccessible::queryAccessibleInterface(w->GetWidget()) : nullptr;
  }

  CDialog dialog;
};

TEST_F(AccessibilityTest, ControlsReportRoleNameAndId) {
  struct Case {
    UINT id;
    QAccessible::Role role;
    const char* name;
  };
  const Case cases[] = {
      {kNameLabel, QAccessible::StaticText, "Name:"},
      {kNameEdit, QAccessible::EditableText, "Name:"},        // named by its label, not its content
      {kPassEdit, QAccessible::EditableText, "Password:"},
      {IDOK, QAccessible::PushButton, "OK"},
      {kDrawButton, QAccessible::PushButton, "Draw"},         // owner-drawn: still a push button
      {kCheck, QAccessible::CheckBox, "Check"},
      {kRadio, QAccessible::RadioButton, "Radio"},
      {kGroup, QAccessible::Grouping, "Group"},
      {kLogo, QAccessible::Graphic, "IDB_LOGO"},
      {kPortCombo, QAccessible::ComboBox, "Port:"},
      {kDrawList, QAccessible::List, ""},                     // preceded by a combo box, not a label
      {kRecords, QAccessible::Table, ""},
      {kTabs, QAccessible::PageTabList, ""},
      {kProgress, QAccessible::ProgressBar, ""},
      {kScroll, QAccessible::ScrollBar, ""},
      {kLoneEdit, QAccessible::EditableText, ""},
      {kEmptyButton, QAccessible::PushButton, ""},            // no text, preceded by an edit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    QAccessibleInterface* a = Iface(c.id);
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(a->isValid());
    EXPECT_EQ(a->role(), c.role);
    EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf8(c.name));
    EXPECT_EQ(a->text(QAccessible::Description), QString("id=%1").arg(c.id));
    EXPECT_EQ(Item(c.id)->GetWidget()->objectName(), QString("id=%1").arg(c.id));
  }

  QAccessibleInterface* d = QAccessible::queryAccessibleInterface(dialog.GetWidget());
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->role(), QAccessible::Dialog);
  EXPECT_EQ(d->text(QAccessible::Name), QString("Device Settings"));
}

TEST_F(AccessibilityTest, NamesAndValuesFollowTheWindowText) {
  Item(IDOK)->SetWindowText(CString(L"&Apply && Close"));
  EXPECT_EQ(Iface(IDOK)->text(QAccessible::Name), QString("Apply & Close"));

  Item(kNameLabel)->SetWindowText(CString(L"Vehicle:"));
  EXPECT_EQ(Iface(kNameEdit)->text(QAccessible::Name), QString("Vehicle:"));

  Item(kNameEdit)->SetWindowText(CString(L"truck 7"));
  EXPECT_EQ(Iface(kNameEdit)->text(QAccessible::Value), QString("truck 7"));
  EXPECT_EQ(Iface(kNameEdit)->text(QAccessible::Name), QString("Vehicle:"));
  // A password is protected and never read out.
  EXPECT_TRUE(Iface(kPassEdit)->state().passwordEdit);
  EXPECT_TRUE(Iface(kPassEdit)->text(QAccessible::Value).isEmpty());

  // A button that gets text of its own is named by it.
  Item(kEmptyButton)->SetWindowText(CString(L"Browse"));
  EXPECT_EQ(Iface(kEmptyButton)->text(QAccessible::Name), QString("Browse"));
}

// A screen reader reads an edit through its text interface and a combo box through its value and
// items: the content and the selection, never the label in their place.
TEST_F(AccessibilityTest, EditsReadTheirValueAndCombosTheirSelectionAndItems) {
  QAccessibleTextInterface* text = Iface(kNameEdit)->textInterface();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->text(0, text->characterCount()), QString("hello"));
  text->setSelection(0, 1, 4);
  int s = -1, e = -1;
  text->selection(0, &s, &e);
  EXPECT_EQ(std::make_pair(s, e), std::make_pair(1, 4));
  // Changes from the reader go the way typing does: the window text follows.
  ASSERT_NE(Iface(kNameEdit)->editableTextInterface(), nullptr);
  Iface(kNameEdit)->editableTextInterface()->replaceText(0, 5, QString("van 3"));
  EXPECT_EQ(Item(kNameEdit)->GetWindowText(), CString(L"van 3"));
  // A password has a text interface that reads nothing and cannot be changed through it.
  ASSERT_NE(Iface(kPassEdit)->textInterface(), nullptr);
  EXPECT_EQ(Iface(kPassEdit)->textInterface()->characterCount(), 0);
  EXPECT_EQ(Iface(kPassEdit)->editableTextInterface(), nullptr);

  auto* combo = dynamic_cast<CComboBox*>(Item(kPortCombo));
  ASSERT_NE(combo, nullptr);
  combo->SetCurSel(1);
  QAccessibleInterface* port = Iface(kPortCombo);
  EXPECT_EQ(port->text(QAccessible::Name), QString("Port:"));
  EXPECT_EQ(port->text(QAccessible::Value), QString("ttyACM0"));
  ASSERT_EQ(port->childCount(), 2);
  EXPECT_EQ(port->child(0)->text(QAccessible::Name), QString("ttyUSB0"));
  EXPECT_EQ(port->child(1)->role(), QAccessible::ListItem);
  EXPECT_TRUE(port->child(1)->state().selected);
  EXPECT_EQ(port->indexOfChild(port->child(1)), 1);
  ASSERT_TRUE(port->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
  port->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  auto* widget = qobject_cast<QComboBox*>(Item(kPortCombo)->GetWidget());
  ASSERT_TRUE(platform::PumpUntil([&] { return combo->GetDroppedState() != FALSE; }, 2000)) << "the list never dropped";
  widget->hidePopup();
}

TEST_F(AccessibilityTest, StatesChangeWithTheControls) {
  QAccessibleInterface* check = Iface(kCheck);
  EXPECT_TRUE(check->state().checkable);
  EXPECT_FALSE(check->state().checked);
  dialog.CheckDlgButton(kCheck, BST_CHECKED);
  EXPECT_TRUE(check->state().checked);

  EXPECT_TRUE(Iface(IDOK)->state().defaultButton);
  EXPECT_FALSE(Iface(IDOK)->state().disabled);
  Item(IDOK)->EnableWindow(FALSE);
  EXPECT_TRUE(Iface(IDOK)->state().disabled);
  EXPECT_FALSE(Iface(IDOK)->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
  Item(IDOK)->EnableWindow(TRUE);
  EXPECT_FALSE(Iface(IDOK)->state().disabled);

  QApplication::setActiveWindow(dialog.GetWidget());
  Item(kNameEdit)->SetFocus();
  ASSERT_TRUE(platform::PumpUntil([&] { return Item(kNameEdit)->GetWidget()->hasFocus(); }, 2000))
      << "the offscreen platform gives no focus";
  EXPECT_TRUE(Iface(kNameEdit)->state().focused);
  EXPECT_FALSE(Iface(kPassEdit)->state().focused);
}

TEST_F(AccessibilityTest, PressActionClicksButtonsLikeTheUser) {
  int clicks = 0;
  auto* draw = qobject_cast<QAbstractButton*>(Item(kDrawButton)->GetWidget());
  ASSERT_NE(draw, nullptr);
  QObject::connect(draw, &QAbstractButton::clicked, [&] { ++clicks; });
  QAccessibleActionInterface* act = Iface(kDrawButton)->actionInterface();
  ASSERT_NE(act, nullptr);
  ASSERT_TRUE(act->actionNames().contains(QAccessibleActionInterface::pressAction()));
  act->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(clicks, 0) << "the click comes from the event loop, not inside the client's call";
  EXPECT_TRUE(platform::PumpUntil([&] { return clicks == 1; }, 5000));

  Iface(kCheck)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_TRUE(platform::PumpUntil([&] { return dialog.IsDlgButtonChecked(kCheck) == BST_CHECKED; }, 5000));
  EXPECT_TRUE(Iface(kCheck)->state().checked);

  Item(kDrawButton)->EnableWindow(FALSE);
  act->doAction(QAccessibleActionInterface::pressAction());
  platform::PumpPendingEvents();
  EXPECT_EQ(clicks, 1) << "a disabled button is not pressed";
}

TEST_F(AccessibilityTest, OwnerDrawnListBoxExposesItemsAndSelection) {
  QAccessibleInterface* list = Iface(kDrawList);
  ASSERT_EQ(list->childCount(), 3);
  const char* texts[] = {"alpha", "beta", "gamma"};
  for (int i = 0; i < 3; ++i) {
    QAccessibleInterface* item = list->child(i);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->role(), QAccessible::ListItem);
    EXPECT_EQ(item->text(QAccessible::Name), QString(texts[i]));
    EXPECT_FALSE(item->state().selected);
    EXPECT_EQ(item->parent(), list);
    EXPECT_EQ(list->indexOfChild(item), i);
  }
  auto* lb = dynamic_cast<CListBox*>(Item(kDrawList));
  ASSERT_NE(lb, nullptr);
  lb->SetCurSel(1);
  EXPECT_TRUE(list->child(1)->state().selected);
  EXPECT_FALSE(list->child(0)->state().selected);

  // The user clicks the third item.
  auto* view = qobject_cast<QAbstractScrollArea*>(Item(kDrawList)->GetWidget());
  RECT r{};
  ASSERT_NE(lb->GetItemRect(2, &r), LB_ERR);
  QPoint at = view->viewport()->mapFrom(view, QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2));
  testsupport::Click(view->viewport(), at);
  EXPECT_EQ(lb->GetCurSel(), 2);
  EXPECT_TRUE(list->child(2)->state().selected);
  EXPECT_FALSE(list->child(1)->state().selected);

  // Items added later appear; removed ones go.
  lb->AddString(CString(L"delta"));
  ASSERT_EQ(list->childCount(), 4);
  EXPECT_EQ(list->child(3)->text(QAccessible::Name), QString("delta"));
  lb->ResetContent();
  EXPECT_EQ(list->childCount(), 0);
  EXPECT_EQ(list->child(0), nullptr);
}

TEST_F(AccessibilityTest, ListViewExposesCellsByRowAndColumn) {
  QAccessibleInterface* a = Iface(kRecords);
  QAccessibleTableInterface* table = a->tableInterface();
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->rowCount(), 3);
  ASSERT_EQ(table->columnCount(), 2);
  EXPECT_EQ(table->columnDescription(0), QString("Time"));
  EXPECT_EQ(table->columnDescription(1), QString("Speed"));
  const char* expected[3][2] = {{"10:00", "42"}, {"10:05", "57"}, {"10:10", "0"}};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 2; ++c) {
      QAccessibleInterface* cell = table->cellAt(r, c);
      ASSERT_NE(cell, nullptr);
      EXPECT_EQ(cell->role(), QAccessible::Cell);
      EXPECT_EQ(cell->text(QAccessible::Name), QString(expected[r][c]));
      QAccessibleTableCellInterface* ci = cell->tableCellInterface();
      ASSERT_NE(ci, nullptr);
      EXPECT_EQ(ci->rowIndex(), r);
      EXPECT_EQ(ci->columnIndex(), c);
      ASSERT_EQ(ci->columnHeaderCells().size(), 1);
      EXPECT_EQ(ci->columnHeaderCells()[0]->text(QAccessible::Name), table->columnDescription(c));
    }
  }
  EXPECT_EQ(table->cellAt(3, 0), nullptr);
  EXPECT_EQ(table->cellAt(0, 2), nullptr);
  // Children: the column headers, then the cells row by row.
  EXPECT_EQ(a->childCount(), 2 + 3 * 2);
  EXPECT_EQ(a->child(0)->role(), QAccessible::ColumnHeader);
  EXPECT_EQ(a->child(2 + 2 * 2 + 1)->text(QAccessible::Name), QString("0"));

  auto* list = dynamic_cast<CListCtrl*>(Item(kRecords));
  list->SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(table->selectedRows(), QList<int>{1});
  EXPECT_TRUE(table->cellAt(1, 1)->state().selected);

  // The user clicks the last row.
  auto* view = qobject_cast<QAbstractScrollArea*>(list->GetWidget());
  CRect label;
  ASSERT_TRUE(list->GetItemRect(2, &label, LVIR_LABEL));
  CPoint mid = label.CenterPoint();
  testsupport::Click(view->viewport(), view->viewport()->mapFrom(view, QPoint(mid.x, mid.y)));
  EXPECT_EQ(table->selectedRows(), QList<int>{2});
  EXPECT_FALSE(table->cellAt(1, 0)->state().selected);

  list->SetItemText(2, 1, CString(L"88"));
  EXPECT_EQ(table->cellAt(2, 1)->text(QAccessible::Name), QString("88"));
}

TEST_F(AccessibilityTest, TabControlExposesTabsAndWhichIsSelected) {
  QAccessibleInterface* a = Iface(kTabs);
  ASSERT_EQ(a->childCount(), 3);
  const char* titles[] = {"General", "Network", "Alarms"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(a->child(i)->role(), QAccessible::PageTab);
    EXPECT_EQ(a->child(i)->text(QAccessible::Name), QString(titles[i]));
    EXPECT_EQ(a->child(i)->state().selected, i == 0);
  }
  auto* tabs = dynamic_cast<CTabCtrl*>(Item(kTabs));
  tabs->SetCurSel(2);
  EXPECT_TRUE(a->child(2)->state().selected);
  EXPECT_FALSE(a->child(0)->state().selected);

  // A user click on a tab.
  RECT r{};
  ASSERT_TRUE(tabs->GetItemRect(1, &r));
  testsupport::Click(tabs->GetWidget(), QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2));
  EXPECT_EQ(tabs->GetCurSel(), 1);
  EXPECT_TRUE(a->child(1)->state().selected);

  // The press action selects like the user does.
  QAccessibleActionInterface* act = a->child(0)->actionInterface();
  ASSERT_NE(act, nullptr);
  act->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_TRUE(platform::PumpUntil([&] { return tabs->GetCurSel() == 0; }, 5000));
  EXPECT_TRUE(a->child(0)->state().selected);

  tabs->DeleteItem(2);
  EXPECT_EQ(a->childCount(), 2);
  EXPECT_EQ(a->child(2), nullptr);
}

TEST(AccessibilityNames, MnemonicsAreStripped) {
  struct Case {
    const wchar_t* in;
    const wchar_t* out;
  };
  const Case cases[] = {{L"&OK", L"OK"}, {L"Save && Exit", L"Save & Exit"}, {L"plain", L"plain"},
                        {L"trailing&", L"trailing"}, {L"&&&x", L"&x"}, {L"", L""}};
  for (const Case& c : cases) EXPECT_EQ(platform::StripMnemonics(CString(c.in)), CString(c.out)) << CString(c.in).q().toStdString();
}

}  // namespace
