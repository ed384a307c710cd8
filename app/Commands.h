#pragma once
// The main window's command ids (as the menu and the accelerators know them).

constexpr int ID_STOPWATCH_START = 32771;
constexpr int ID_STOPWATCH_STOP = 32772;
constexpr int ID_STOPWATCH_RELEASE = 32773;
constexpr int ID_STOP = 32781;
constexpr int ID_PAUSE = 32783;
constexpr int ID_EJECT = 32784;
constexpr int ID_OPEN = 32785;
constexpr int ID_CLOSE = 32786;
constexpr int ID_PREVIOUS = 32787;
constexpr int ID_NEXT = 32788;
constexpr int ID_FIRST = 32789;
constexpr int ID_LAST = 32790;
constexpr int ID_REWIND = 32791;
constexpr int ID_FAST_FORWARD = 32792;
constexpr int ID_DOWN = 32793;
constexpr int ID_UP = 32794;
constexpr int ID_ENTER = 32795;
constexpr int ID_FULL_SCREEN = 32804;
constexpr int ID_PLAY = 32813;
constexpr int ID_JUMP_FIRST = 32940;
constexpr int ID_JUMP_LAST = 34940;
// Skin button k (4 and up) sends this plus k.
constexpr int kSkinButtonCommandBase = 32779;
