// The Qt widgets behind the standard control classes and the helpers they share. Each widget
// holds all the state of its control, so any object that takes the window over sees it. Only the
// control sources include this header.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <vector>

#include "platform/controls.h"

class QPainter;

namespace platform {
namespace ctl {

// The window whose widget is exactly w (not one of its ancestors), or null.
CWnd* OwnWnd(const QWidget* w);
// The style of w's window, or the fallback while w has no window.
DWORD StyleOf(const QWidget* w, DWORD fallback);
// WM_COMMAND notification of w's window to its parent; nothing when w has no window.
void Notify(QWidget* w, UINT code);
// Sends a message to w's window; 0 when w has no window.
LRESULT SendToOwn(QWidget* w, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// Owner draw: WM_DRAWITEM / WM_MEASUREITEM to the window's parent (the window's own DrawItem /
// MeasureItem when it has no parent). The record's CtlID and hwndItem are filled in here.
void SendDrawItem(CWnd* wnd, DRAWITEMSTRUCT& dis, QPainter& painter);
void SendMeasureItem(CWnd* wnd, MEASUREITEMSTRUCT& mis);

// Windows text <-> Qt text conversions for the searchable item lists.
int CompareNoCase(const QString& a, const QString& b);
bool StartsWithNoCase(const QString& text, const QString& prefix);

// ---- buttons ------------------------------------------------------------------------------

// State shared by the button widgets (a push button, a check box, a radio button, a group box).
struct ButtonState {
  DWORD winStyle = 0;
  HBITMAP bitmap = nullptr;
  HICON icon = nullptr;
};
ButtonState* ButtonStateOf(QWidget* w);

class PushButtonWidget : public QPushButton, public ButtonState {
  Q_OBJECT
 public:
  PushButtonWidget(DWORD winStyle, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

class CheckBoxWidget : public QCheckBox, public ButtonState {
  Q_OBJECT
 public:
  CheckBoxWidget(DWORD winStyle, QWidget* parent);

 protected:
  void nextCheckState() override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

class RadioButtonWidget : public QRadioButton, public ButtonState {
  Q_OBJECT
 public:
  RadioButtonWidget(DWORD winStyle, QWidget* parent);

 protected:
  void nextCheckState() override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

class GroupBoxWidget : public QGroupBox, public ButtonState {
  Q_OBJECT
 public:
  GroupBoxWidget(DWORD winStyle, QWidget* parent);
};

// ---- statics ------------------------------------------------------------------------------

class StaticWidget : public QFrame {
  Q_OBJECT
 public:
  StaticWidget(DWORD winStyle, QWidget* parent);
  DWORD winStyle;
  QString text;  // as set, with its '&' prefixes
  HBITMAP bitmap = nullptr;
  HICON icon = nullptr;

  void ApplyBitmapSize();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// ---- edits --------------------------------------------------------------------------------

// What the edit operations need from either edit widget. Positions here are Qt positions (one
// unit per line break); the control class converts to the window text's "\r\n" positions.
class EditCore {
 public:
  virtual ~EditCore() = default;
  virtual QWidget* Widget() = 0;
  virtual bool Multiline() const = 0;
  virtual QString QtText() const = 0;  // line breaks as '\n'
  virtual void SetQtText(const QString& text) = 0;
  virtual void QtSel(int& start, int& end) const = 0;
  virtual void SetQtSel(int start, int end, bool scroll) = 0;  // caret at end
  virtual void QtInsert(const QString& text) = 0;              // replaces the selection
  virtual bool IsReadOnly() const = 0;
  virtual void SetReadOnlyState(bool ro) = 0;
  virtual bool Modified() const = 0;
  virtual void SetModified(bool m) = 0;
  virtual bool UndoAvailable() const = 0;
  virtual void DoUndo() = 0;
  virtual void ClearUndo() = 0;
  virtual int FirstVisibleLine() const = 0;
  virtual void ScrollBy(int lines, int chars) = 0;
  virtual void ApplyPasswordChar(wchar_t ch) = 0;

  DWORD winStyle = 0;
  UINT limit = 30000;
  int quiet = 0;         // > 0 while the control changes its own text
  wchar_t passwordChar = 0;
  bool creating = true;  // until the window's first text is in place

  DWORD Style() { return StyleOf(Widget(), winStyle); }
  int WinLength(const QString& qt) const;  // length with "\r\n" line breaks
  int WinToQt(const QString& qt, int winPos) const;
  int QtToWin(const QString& qt, int qtPos) const;
  QString WinText() const;
  // Typing, pasting and ReplaceSel: case and digit filters, one line for a single-line edit, the
  // limit (EN_MAXTEXT when cut). typed: the text came from the keyboard.
  void InsertUserText(QString text, bool typed);
  // Handling of the clipboard and undo messages.
  void DoPaste();
  void DoCopy();
  void DoCut();
  void DoClear();
  // Routes Ctrl+V and the like through the window's messages; true when the key was taken.
  bool HandleEditKey(QKeyEvent* event);
  void NotifyChanged();
};
EditCore* EditCoreOf(QWidget* w);

class LineEditWidget : public QLineEdit, public EditCore {
  Q_OBJECT
 public:
  LineEditWidget(DWORD winStyle, QWidget* parent);
  QWidget* Widget() override { return this; }
  bool Multiline() const override { return false; }
  QString QtText() const override;
  void SetQtText(const QString& text) override;
  void QtSel(int& start, int& end) const override;
  void SetQtSel(int start, int end, bool scroll) override;
  void QtInsert(const QString& text) override;
  bool IsReadOnly() const override { return isReadOnly(); }
  void SetReadOnlyState(bool ro) override { setReadOnly(ro); }
  bool Modified() const override { return isModified(); }
  void SetModified(bool m) override { setModified(m); }
  bool UndoAvailable() const override { return isUndoAvailable(); }
  void DoUndo() override { undo(); }
  void ClearUndo() override;
  int FirstVisibleLine() const override { return 0; }
  void ScrollBy(int lines, int chars) override;
  void ApplyPasswordChar(wchar_t ch) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

class TextEditWidget : public QPlainTextEdit, public EditCore {
  Q_OBJECT
 public:
  TextEditWidget(DWORD winStyle, QWidget* parent);
  QWidget* Widget() override { return this; }
  bool Multiline() const override { return true; }
  QString QtText() const override;
  void SetQtText(const QString& text) override;
  void QtSel(int& start, int& end) const override;
  void SetQtSel(int start, int end, bool scroll) override;
  void QtInsert(const QString& text) override;
  bool IsReadOnly() const override { return isReadOnly(); }
  void SetReadOnlyState(bool ro) override { setReadOnly(ro); }
  bool Modified() const override;
  void SetModified(bool m) override;
  bool UndoAvailable() const override;
  void DoUndo() override { undo(); }
  void ClearUndo() override;
  int FirstVisibleLine() const override;
  void ScrollBy(int lines, int chars) override;
  void ApplyPasswordChar(wchar_t) override {}

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool canInsertFromMimeData(const QMimeData*) const override { return false; }
};

// ---- combo box ----------------------------------------------------------------------------

class ComboWidget : public QComboBox {
  Q_OBJECT
 public:
  ComboWidget(DWORD winStyle, QWidget* parent);
  ~ComboWidget() override;
  DWORD winStyle;
  int quiet = 0;  // > 0 while the program changes the control
  bool dropped = false;
  int droppedWidth = 0;

  void showPopup() override;
  void hidePopup() override;
  // Sets the selection without notifications (-1 clears it).
  void SetSelection(int index);

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // A drop-down combo box is as tall as its selection field; the height it was given is the
  // height of its dropped list, as on Windows.
  void FitSelectionField();
  bool m_alive = true;
};

// ---- list box -----------------------------------------------------------------------------

class ListBoxWidget;

class ListBoxDelegate : public QStyledItemDelegate {
 public:
  explicit ListBoxDelegate(ListBoxWidget* list);
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  ListBoxWidget* m_list;
};

class ListBoxWidget : public QListWidget {
  Q_OBJECT
 public:
  ListBoxWidget(DWORD winStyle, QWidget* parent);
  DWORD winStyle;
  int quiet = 0;             // > 0 while the program changes the control
  int fixedHeight = -1;      // the item height of every item (-1: not known yet)
  bool measuring = false;
  int horizontalExtent = 0;

  DWORD Style() const { return StyleOf(this, winStyle); }
  bool OwnerDraw() const { return (Style() & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }
  bool Variable() const { return (Style() & LBS_OWNERDRAWVARIABLE) != 0; }
  bool MultiSel() const { return (Style() & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }
  int DefaultItemHeight() const;
  // The height of an item; asks the owner (WM_MEASUREITEM) the first time it is needed.
  int HeightOf(int row);
  void MeasureNewItem(int row);
  void SelectOnly(int row);  // -1 clears; no notification
  void RefreshLayout();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// ---- progress bar -------------------------------------------------------------------------

class ProgressWidget : public QProgressBar {
  Q_OBJECT
 public:
  ProgressWidget(DWORD winStyle, QWidget* parent);
  int low = 0;
  int high = 100;
  int pos = 0;
  int step = 10;
  COLORREF barColor = CLR_DEFAULT;
  COLORREF bkColor = CLR_DEFAULT;
  void Sync();
  void SyncColors();
};

// ---- scroll bar ---------------------------------------------------------------------------

class ScrollBarWidget : public QScrollBar {
  Q_OBJECT
 public:
  ScrollBarWidget(DWORD winStyle, QWidget* parent);
  SCROLLINFO info{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
  int quiet = 0;
  void Sync();  // puts the Qt bar on the stored range, page and position
  int MaxPos() const;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void OnAction(int action);
  void OnReleased();
  void Send(int code, int pos);
  bool m_tracking = false;
  bool m_acted = false;
};

// ---- IP address ---------------------------------------------------------------------------

class IpAddressWidget;

class IpFieldEdit : public QLineEdit {
  Q_OBJECT
 public:
  IpFieldEdit(IpAddressWidget* owner, int index);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  IpAddressWidget* m_owner;
  int m_index;
};

class IpAddressWidget : public QFrame {
  Q_OBJECT
 public:
  IpAddressWidget(DWORD winStyle, QWidget* parent);
  IpFieldEdit* fields[4];
  int lowRange[4] = {0, 0, 0, 0};
  int highRange[4] = {255, 255, 255, 255};
  int quiet = 0;

  int FieldValue(int i) const;  // -1 when blank
  void SetFieldValue(int i, int value);  // -1 blanks it
  void FocusField(int i, bool selectAll);
  void UserEdited(int i);
  void Commit(int i);  // clamps a field the user typed into its range
  QString Text() const;
  void SetText(const QString& text);
};

// ---- tooltip ------------------------------------------------------------------------------

class ToolTipWidget : public QWidget {
  Q_OBJECT
 public:
  ToolTipWidget(DWORD winStyle, QWidget* parent);
  ~ToolTipWidget() override;

  struct Tool {
    QPointer<QWidget> widget;
    UINT_PTR id = 0;
    bool wholeWindow = true;
    QRect rect;
    QString text;
  };
  std::vector<Tool> tools;
  bool active = true;
  int delays[4] = {-1, -1, -1, -1};  // TTDT_xxx; -1 = automatic
  int maxWidth = -1;
  COLORREF bkColor = CLR_DEFAULT;
  COLORREF textColor = CLR_DEFAULT;

  Tool* Find(const QWidget* w, UINT_PTR id);
  void Publish(Tool& tool);   // mirrors a whole-window tool in the widget's own tooltip
  void Unpublish(Tool& tool);
  void ApplyColors(QWidget* w);
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace ctl
}  // namespace platform
