#pragma once
// The program's string table: every user-visible text that code loads by number.
// Ids keep the numbers of the original resource script so tables, menus and
// dialogs elsewhere can refer to them unchanged.

#include <QString>

namespace res {

constexpr int kStrVersionMenuItem = 101; // system menu entry for the About dialog
constexpr int kStrClockFormat = 102;     // date and time in the clock display
constexpr int kStrConnecting = 103;      // display text while downloading
constexpr int kStrDefaultFontFace = 104; // default display font
constexpr int kStrMeasureSample = 105;   // sample text measured for the display box
constexpr int kStrBuildGraphFailed = 107;
constexpr int kStrCannotPlay = 108;
constexpr int kStrCannotPause = 109;
constexpr int kStrCannotStop = 110;
constexpr int kStrStopwatchFormat = 111;
constexpr int kStrNoGraphBuilder = 112;
constexpr int kStrNoMediaEvent = 113;
constexpr int kStrNoEventHandle = 114;
constexpr int kStrNoMediaControl = 115;
constexpr int kStrNoMediaPosition = 116;
constexpr int kStrTrackFormat = 117;
constexpr int kStrTitleTimeFormat = 118;
constexpr int kStrNoVideoWindow = 119;
constexpr int kStrNoDvdControl = 120;
constexpr int kStrNoDvdInfo = 121;
constexpr int kStrScrolledTitleFormat = 123;
constexpr int kStrConfirmDeleteSettings = 124;
constexpr int kStrNoPropertyPages = 128;
constexpr int kStrNoFilterInfo = 129;
constexpr int kStrFileNotFound = 130;      // a file the program ships is missing, with its path
constexpr int kStrCannotOpen = 131;        // nothing could open a file or link, with its name
constexpr int kStrNothingToPlay = 132;     // a playlist without an item that can be played
constexpr int kStrCannotSave = 133;        // a file could not be written, with its path
constexpr int kStrDownloadingFormat = 134; // the download dialog's message, with the address
constexpr int kStrPercentFormat = 135;     // the download dialog's progress, with the percentage
constexpr int kStrDownloadFailed = 136;    // a download that failed: its address and the reason
constexpr int kStrHttpStatus = 137;        // reason: the server's status code and text
constexpr int kStrDownloadStalled = 138;   // reason: no data for so many seconds
constexpr int kStrDownloadCutShort = 139;  // reason: the bytes that came of those announced
constexpr int kStrBadAddress = 140;        // reason: the address is none the program can fetch
constexpr int kStrTooManyRedirects = 141;  // reason: the server redirected too often
constexpr int kStrCacheNotWritable = 142;  // reason: the cache file could not be written
constexpr int kStrArchiveTooManyMembers =
    143;                                // an archive listing past the bound, with the bound and the archive
constexpr int kStrMemberTooLarge = 144; // an archive member past the size bound, with its name
constexpr int kStrCacheFull = 145;      // too little room in the cache for a member, with its name
constexpr int kStrMemberNotExtracted = 146; // a member the archive plug-in did not give, with its name
// A DVD that cannot be played, with its device or folder: no DVD-Video volume there, its title
// table unreadable or empty, no hardware MPEG-2 decoder when one is asked for, nothing started.
constexpr int kStrDvdNoVolume = 147;
constexpr int kStrDvdUnreadable = 148;
constexpr int kStrDvdNoTitles = 149;
constexpr int kStrDvdNoDecoder = 150;
constexpr int kStrDvdNotStarted = 151;
constexpr int kStrDownloadTooLarge = 152; // reason: the body passed the bound, in MiB
constexpr int kStrDiskFull = 153;         // reason: the cache's disk would be left (nearly) full
constexpr int kStrConfirmStart = 154;     // a list's or a disc's program about to start, with its path
constexpr int kStrExtractTitle = 155;     // the progress dialog's title while a member is written out
constexpr int kStrExtractingFormat = 156; // the progress dialog's message then, with the member's name
constexpr int kStrErrorCode = 10003;
constexpr int kStrExeDefaultExt = 10010;
constexpr int kStrLaunchFilter = 10011;
constexpr int kStrOpenTitle = 10012;
constexpr int kStrMediaDefaultExt = 10013;
constexpr int kStrMediaFilter = 10014;
constexpr int kStrImageFilter = 10015;
constexpr int kStrImageDefaultExt = 10016;
constexpr int kStrSkinDefaultExt = 10017;
constexpr int kStrSkinFilter = 10018;
constexpr int kStrPlaylistFilter = 10019;
constexpr int kStrPlaylistDefaultExt = 10020;
constexpr int kStrSavePlaylistTitle = 10021;
constexpr int kStrPlayCaption = 10022;
constexpr int kStrStopCaption = 10023;
constexpr int kStrOpenPlaylistTitle = 10024;
constexpr int kStrLanguageJapanese = 20001; // DVD stream language names
constexpr int kStrLanguageEnglish = 20002;
constexpr int kStrAngleFormat = 20003; // DVD angle list entry, with the angle's number
constexpr int kStrAppTitle = 57344;
constexpr int kStrOleInitFailed = 57345;

// The text of string `id`; empty when the table has no such entry.
QString LoadString(int id);

} // namespace res
