// Test helper for the tests on a real X display: the user's own pointer and keyboard, through the X
// server's XTest extension. The events enter the X server as a device's do, so they take the user's
// whole path: the server picks the window under the pointer (or the one with the input focus), and
// Qt delivers them from there. A connection of its own, apart from the program's.
#pragma once

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <QPoint>
#include <QWidget>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace displaytest {

class XInput {
 public:
  XInput() {
    m_conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(m_conn) != 0) return;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_conn)).data->root;
    auto* ext = xcb_get_extension_data(m_conn, &xcb_test_id);
    m_ok = ext != nullptr && ext->present != 0;
  }
  ~XInput() { xcb_disconnect(m_conn); }
  XInput(const XInput&) = delete;
  XInput& operator=(const XInput&) = delete;

  // False without a display or without the XTest extension.
  bool Ok() const { return m_ok; }

  void MoveTo(QPoint global) {
    xcb_test_fake_input(m_conn, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_root, static_cast<int16_t>(global.x()),
                        static_cast<int16_t>(global.y()), 0);
    Sync();
  }
  // A press and a release of button 1 (left), 2 (middle) or 3 (right) where the pointer is.
  void Click(uint8_t button) {
    xcb_test_fake_input(m_conn, XCB_BUTTON_PRESS, button, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(m_conn, XCB_BUTTON_RELEASE, button, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    Sync();
  }
  // A press and a release of the key that gives the key symbol (without a modifier); false when the
  // keyboard has no such key.
  bool Key(uint32_t keysym) {
    const uint8_t code = KeyCodeOf(keysym);
    if (code == 0) return false;
    xcb_test_fake_input(m_conn, XCB_KEY_PRESS, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(m_conn, XCB_KEY_RELEASE, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    Sync();
    return true;
  }
  // The X window that has the keyboard (the input focus).
  xcb_window_t InputFocus() {
    xcb_get_input_focus_reply_t* reply = xcb_get_input_focus_reply(m_conn, xcb_get_input_focus(m_conn), nullptr);
    const xcb_window_t focus = reply != nullptr ? reply->focus : XCB_NONE;
    std::free(reply);
    return focus;
  }

 private:
  // Waits until the server has taken the requests.
  void Sync() { std::free(xcb_get_input_focus_reply(m_conn, xcb_get_input_focus(m_conn), nullptr)); }

  uint8_t KeyCodeOf(uint32_t keysym) {
    const xcb_setup_t* setup = xcb_get_setup(m_conn);
    const uint8_t first = setup->min_keycode;
    const uint8_t count = static_cast<uint8_t>(setup->max_keycode - first + 1);
    xcb_get_keyboard_mapping_reply_t* map =
        xcb_get_keyboard_mapping_reply(m_conn, xcb_get_keyboard_mapping(m_conn, first, count), nullptr);
    if (map == nullptr) return 0;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
    const int per = map->keysyms_per_keycode;
    uint8_t found = 0;
    // The key's unshifted symbol only: a shifted one would need the modifier pressed too.
    for (int i = 0; i < count && found == 0 && per > 0; ++i)
      if (syms[i * per] == keysym) found = static_cast<uint8_t>(first + i);
    std::free(map);
    return found;
  }

  xcb_connection_t* m_conn = nullptr;
  xcb_window_t m_root = XCB_NONE;
  bool m_ok = false;
};

// The centre of a widget on the screen.
inline QPoint CentreOf(const QWidget* w) { return w->mapToGlobal(w->rect().center()); }

}  // namespace displaytest
