#pragma once
// The main window's command ids (as the menu and the accelerators know them).

constexpr int ID_STOPWATCH_START = 32771;
constexpr int ID_STOPWATCH_STOP = 32772;
constexpr int ID_STOPWATCH_RELEASE = 32773;
constexpr int ID_TIMER = 32774;
constexpr int ID_STOPWATCH_SETTINGS = 32775;
constexpr int ID_POSITION_SETTINGS = 32776;
constexpr int ID_README = 32777;
constexpr int ID_HISTORY = 32778;
constexpr int ID_SKIN_TEXT = 32779;
constexpr int ID_STOP = 32781;
constexpr int ID_PAUSE = 32783;
constexpr int ID_EJECT = 32784;
constexpr int ID_OPEN = 32785;
constexpr int ID_MUSIC_FOLDER = 34955;
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
constexpr int ID_PREVIOUS_TITLE = 32796;
constexpr int ID_NEXT_TITLE = 32797;
constexpr int ID_DVD_ROOT_MENU = 32798;
constexpr int ID_DVD_CHAPTER_MENU = 32799;
constexpr int ID_DVD_SUBPICTURE_MENU = 32800;
constexpr int ID_DVD_AUDIO_MENU = 32801;
constexpr int ID_DVD_ANGLE_MENU = 32802;
constexpr int ID_DVD_TITLE_MENU = 32803;
constexpr int ID_FULL_SCREEN = 32804;
constexpr int ID_DVD_KEY_6 = 32805;
constexpr int ID_DVD_KEY_5 = 32806;
constexpr int ID_PREVIOUS_SUBPICTURE = 32807;
constexpr int ID_NEXT_SUBPICTURE = 32808;
constexpr int ID_PREVIOUS_AUDIO = 32809;
constexpr int ID_NEXT_AUDIO = 32810;
constexpr int ID_CLOSED_CAPTION = 32811;
constexpr int ID_PLAY_SETTINGS = 32812;
constexpr int ID_PLAY = 32813;
constexpr int ID_MY_MUSIC = 34955;
constexpr int ID_PLAYLIST = 34956;
constexpr int ID_NEXT_ANGLE = 34951;
constexpr int ID_PREVIOUS_ANGLE = 34952;
constexpr int ID_SLOW_FORWARD = 34953;
constexpr int ID_SLOW_BACKWARD = 34954;
constexpr int ID_VOLUME_UP = 34957;
constexpr int ID_VOLUME_DOWN = 34958;

// Decoding modes 0..3, then the TV-output switch.
constexpr int ID_DECODE_FIRST = 32881;
constexpr int ID_DECODE_LAST = 32884;
constexpr int ID_NO_VPE = 32885;

// The run-time entries of the context menu's submenus: command = first id + n.
constexpr int ID_SUBPICTURE_OFF = 32886;
constexpr int ID_SUBPICTURE_FIRST = 32887;
constexpr int ID_SUBPICTURE_LAST = 32918;
constexpr int ID_AUDIO_FIRST = 32919;
constexpr int ID_AUDIO_LAST = 32927;
constexpr int ID_PROPERTIES_FIRST = 32928;
constexpr int ID_PROPERTIES_LAST = 32938;
constexpr int ID_JUMP_FIRST = 32940;
constexpr int ID_JUMP_LAST = 34940;
constexpr int ID_ANGLE_FIRST = 34941;
constexpr int ID_ANGLE_LAST = 34950;
// Skin button k (4 and up) sends this plus k.
constexpr int kSkinButtonCommandBase = 32779;

// The DVD's user operations (GetValidUops) that decide the DVD commands and the menu items;
// a set bit forbids the operation.
constexpr unsigned long kUopShowTitleMenu = 0x400;
constexpr unsigned long kUopShowRootMenu = 0x800;
constexpr unsigned long kUopShowSubpictureMenu = 0x1000;
constexpr unsigned long kUopShowAudioMenu = 0x2000;
constexpr unsigned long kUopShowAngleMenu = 0x4000;
constexpr unsigned long kUopShowChapterMenu = 0x8000;
constexpr unsigned long kUopSelectAudio = 0x100000;
constexpr unsigned long kUopSelectSubpicture = 0x200000;
constexpr unsigned long kUopSelectAngle = 0x400000;
