// The one key vocabulary of the shell: keys are known by their Windows
// virtual-key codes on every platform (keyDown is indexed by them, the control
// table maps them to actions). Letters and digits are their capital's and
// digit's ASCII code; the window turns SDL keycodes into these.
#pragma once

constexpr int VK_BACK_CODE = 0x08;
constexpr int VK_TAB_CODE = 0x09;
constexpr int VK_RETURN_CODE = 0x0D;
constexpr int VK_SHIFT_CODE = 0x10;
constexpr int VK_CONTROL_CODE = 0x11;
constexpr int VK_MENU_CODE = 0x12;  // Alt
constexpr int VK_PAUSE_CODE = 0x13;
constexpr int VK_CAPITAL_CODE = 0x14;
constexpr int VK_ESCAPE_CODE = 0x1B;
constexpr int VK_SPACE_CODE = 0x20;
constexpr int VK_PRIOR_CODE = 0x21;  // Page Up
constexpr int VK_NEXT_CODE = 0x22;   // Page Down
constexpr int VK_END_CODE = 0x23;
constexpr int VK_HOME_CODE = 0x24;
constexpr int VK_LEFT_CODE = 0x25;
constexpr int VK_UP_CODE = 0x26;
constexpr int VK_RIGHT_CODE = 0x27;
constexpr int VK_DOWN_CODE = 0x28;
constexpr int VK_INSERT_CODE = 0x2D;
constexpr int VK_DELETE_CODE = 0x2E;
constexpr int VK_F1_CODE = 0x70;  // F2..F12 follow
constexpr int VK_MEDIA_NEXT_TRACK_CODE = 0xB0;
constexpr int VK_MEDIA_PREV_TRACK_CODE = 0xB1;
constexpr int VK_MEDIA_STOP_CODE = 0xB2;
constexpr int VK_MEDIA_PLAY_PAUSE_CODE = 0xB3;
