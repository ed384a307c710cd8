#pragma once
// The main window's private messages and the numbers that travel with them.

#include "platform/ipc/MciCodes.h"
#include "platform/ipc/MediaCodes.h"

constexpr unsigned WM_PLAY_REQUEST = 0x401;
constexpr unsigned WM_TRAY_NOTIFY = 0x402;
constexpr unsigned WM_SHOW_CONTEXT_MENU = 0x403;
constexpr unsigned WM_HOOK_KEY = 0x404;
constexpr unsigned WM_VIDEO_MOUSE = 0x405;
constexpr unsigned WM_OPEN_PATHS = 0x406;
constexpr unsigned WM_TOGGLE_FULLSCREEN = 0x407;
using platform::MM_MCINOTIFY;   // the CD device's end of play
using platform::WM_GRAPH_EVENT; // the open engine's graph events

// Mouse messages: the tray icon reports them in lParam of WM_TRAY_NOTIFY, the video window's
// pointer in wParam of WM_VIDEO_MOUSE.
constexpr long WM_MOUSEMOVE = 0x200;
constexpr long WM_LBUTTONDOWN = 0x201;
constexpr long WM_LBUTTONDBLCLK = 0x203;
constexpr long WM_RBUTTONDOWN = 0x204;

// Results with which the main window's modal loop ends.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int kResultDeleteSettings = 1048;

constexpr unsigned kTrayIconId = 1;
constexpr int kTimerId = 1;
constexpr int kTimerPeriodMs = 500;

// Commands of the framework that the main window answers.
constexpr int ID_APP_EXIT = 57602;
constexpr int ID_APP_ABOUT = 57664;
