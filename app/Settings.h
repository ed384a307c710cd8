#pragma once
// The program's settings: every value of every section with its default and the rule by
// which a stored value is read, loaded once when the main window starts and saved once when
// it closes.

#include "clock/TimerEntry.h"
#include "skin/FontRecord.h"

#include <QString>

#include <array>
#include <cstdint>

class SettingsStore;

constexpr int kTimerEntryCount = 51; // 0..49 the schedule, 50 the stopwatch alarm
constexpr int kAlarmTimerEntry = 50;
constexpr uint16_t kAnyHour = 65535;

// Decoding modes of DvdDecode and the graph-building flags they stand for.
constexpr int kDvdDecodeModeCount = 4;
int DvdDecodeFlags(int decodeMode, int noVpe);

struct AppSettings
{
    // Play
    int dvdDecode = 0;
    int dvdDecodeNoVPE = 0;
    bool ccOn = false;
    bool subPicture = true;
    int subPictureTrack = 0;
    int audioTrack = 0;
    bool fullScreen = false;
    int lastTrack = 1;
    int lastTrackDVD = 1;
    int lastChapterDVD = 1;
    int lastPos = 0;
    QString lastUpc;
    QString drive;
    QString playList;
    QString lastFile;
    bool autoPlay = true;
    bool repeat = false;
    bool title = true;
    bool random = false;
    bool cccdFirst = false;
    bool dvdAudioFirst = true;
    bool downloadCache = true;

    // Position
    bool border = false;
    int x = 0;
    int y = 0;
    int w = 179;
    int h = 179;
    int topmost = 1;
    QString back;
    int color = 0x99FF66; // 0x00BBGGRR
    int btnShow = 1;      // drawn only when exactly 1
    bool match = true;
    QString plugIn;
    int waitTime = 1;
    bool dsFirst = false;
    bool stillWindow = true;
    bool useThema = true;
    QString thema;
    bool dispString = true;

    // Font
    int fontHeight = -16;
    int fontWeight = 400;
    uint8_t fontItalic = 0;
    QString fontFaceName;
    FontRecord Font() const { return FontRecord{fontHeight, fontWeight, fontItalic, fontFaceName}; }
    void SetFont(const FontRecord& font)
    {
        fontHeight = font.height;
        fontWeight = font.weight;
        fontItalic = font.italic;
        fontFaceName = font.faceName;
    }

    // Program0 .. Program50
    std::array<CTimerEntry, kTimerEntryCount> timers{};

    // Program
    int programSelect = 0;
    int countDown = 180000;
    int countMax = 0;

    // The values a fresh profile has; `programFolder` ends in "/".
    static AppSettings Defaults(const QString& programFolder);
    friend bool operator==(const AppSettings&, const AppSettings&) = default;
};

// What a timer entry holds when nothing is stored for entry `n`.
CTimerEntry DefaultTimerEntry(int n, const QString& programFolder);

// How a Launch value is written: enclosed in double quotes unless it is empty or both starts
// and ends with one already.
QString QuoteLaunch(const QString& launch);

// Reads only Play\Drive, which is needed before anything else.
QString LoadDrive(const SettingsStore& store);
// Reads every value in the order Position, Play, Program0..Program50, Program, Font.
AppSettings LoadSettings(const SettingsStore& store, const QString& programFolder);
// Writes every value in the order Play, Position, Font, Program0..Program50, Program, and
// syncs the store. False when the file could not be written.
bool SaveSettings(SettingsStore& store, const AppSettings& settings);
