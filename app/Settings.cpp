#include "Settings.h"

#include "SettingsStore.h"
#include "res/StringTable.h"

#include <variant>

namespace {

enum class ReadAs
{
    Raw,
    NonZero,
    EqualsOne,
    DecodeMode, // 0..3, anything else 0
};

using Field =
    std::variant<int AppSettings::*, bool AppSettings::*, uint8_t AppSettings::*, QString AppSettings::*>;

struct ValueDef
{
    const char* section;
    const char* key;
    Field field;
    ReadAs readAs = ReadAs::Raw;
};

const QString kPlay = QStringLiteral("Play");

// Every scalar value, in the order it is saved. Defaults are AppSettings' own.
const ValueDef kValues[] = {
    {"Play", "DvdDecode", &AppSettings::dvdDecode, ReadAs::DecodeMode},
    {"Play", "DvdDecodeNoVPE", &AppSettings::dvdDecodeNoVPE},
    {"Play", "CCOn", &AppSettings::ccOn, ReadAs::NonZero},
    {"Play", "SubPicture", &AppSettings::subPicture, ReadAs::NonZero},
    {"Play", "SubPictureTrack", &AppSettings::subPictureTrack},
    {"Play", "AudioTrack", &AppSettings::audioTrack},
    {"Play", "FullScreen", &AppSettings::fullScreen, ReadAs::NonZero},
    {"Play", "LastTrack", &AppSettings::lastTrack},
    {"Play", "LastTrackDVD", &AppSettings::lastTrackDVD},
    {"Play", "LastChapterDVD", &AppSettings::lastChapterDVD},
    {"Play", "LastPos", &AppSettings::lastPos},
    {"Play", "LastUpc", &AppSettings::lastUpc},
    {"Play", "Drive", &AppSettings::drive},
    {"Play", "PlayList", &AppSettings::playList},
    {"Play", "LastFile", &AppSettings::lastFile},
    {"Play", "AutoPlay", &AppSettings::autoPlay, ReadAs::EqualsOne},
    {"Play", "Repeat", &AppSettings::repeat, ReadAs::NonZero},
    {"Play", "Title", &AppSettings::title, ReadAs::NonZero},
    {"Play", "Random", &AppSettings::random, ReadAs::NonZero},
    {"Play", "CCCDFirst", &AppSettings::cccdFirst, ReadAs::EqualsOne},
    {"Play", "DVDAUDIOFirst", &AppSettings::dvdAudioFirst, ReadAs::EqualsOne},
    {"Play", "DownloadCache", &AppSettings::downloadCache, ReadAs::EqualsOne},
    {"Position", "BORDER", &AppSettings::border, ReadAs::NonZero},
    {"Position", "X", &AppSettings::x},
    {"Position", "Y", &AppSettings::y},
    {"Position", "W", &AppSettings::w},
    {"Position", "H", &AppSettings::h},
    {"Position", "COLOR", &AppSettings::color},
    {"Position", "BTN_SHOW", &AppSettings::btnShow},
    {"Position", "TOPMOST", &AppSettings::topmost},
    {"Position", "Back", &AppSettings::back},
    {"Position", "PlugIn", &AppSettings::plugIn},
    {"Position", "WaitTime", &AppSettings::waitTime},
    {"Position", "DSFirst", &AppSettings::dsFirst, ReadAs::NonZero},
    {"Position", "MATCH", &AppSettings::match, ReadAs::EqualsOne},
    {"Position", "StillWindow", &AppSettings::stillWindow, ReadAs::NonZero},
    {"Position", "UseThema", &AppSettings::useThema, ReadAs::EqualsOne},
    {"Position", "Thema", &AppSettings::thema},
    {"Position", "DispString", &AppSettings::dispString, ReadAs::EqualsOne},
    {"Font", "Height", &AppSettings::fontHeight},
    {"Font", "Weight", &AppSettings::fontWeight},
    {"Font", "Italic", &AppSettings::fontItalic},
    {"Font", "FaceName", &AppSettings::fontFaceName},
    {"Program", "Select", &AppSettings::programSelect},
    {"Program", "CountDown", &AppSettings::countDown},
    {"Program", "CountMax", &AppSettings::countMax},
};

int ApplyReadAs(int raw, ReadAs readAs)
{
    switch (readAs) {
    case ReadAs::NonZero:
        return raw != 0;
    case ReadAs::EqualsOne:
        return raw == 1;
    case ReadAs::DecodeMode:
        return raw >= 0 && raw < kDvdDecodeModeCount ? raw : 0;
    case ReadAs::Raw:
        break;
    }
    return raw;
}

void LoadValue(const SettingsStore& store, const ValueDef& def, AppSettings& settings)
{
    const QString section = QString::fromLatin1(def.section);
    const QString key = QString::fromLatin1(def.key);
    std::visit(
        [&](auto member) {
            using T = std::remove_reference_t<decltype(settings.*member)>;
            T& value = settings.*member;
            if constexpr (std::is_same_v<T, QString>) {
                value = store.ReadString(section, key, value);
            } else {
                // The default already in `value` passes through the read-as rule unchanged.
                value = static_cast<T>(
                    ApplyReadAs(store.ReadInt(section, key, static_cast<int>(value)), def.readAs));
            }
        },
        def.field);
}

void SaveValue(SettingsStore& store, const ValueDef& def, const AppSettings& settings)
{
    const QString section = QString::fromLatin1(def.section);
    const QString key = QString::fromLatin1(def.key);
    std::visit(
        [&](auto member) {
            const auto& value = settings.*member;
            if constexpr (std::is_same_v<std::remove_cvref_t<decltype(value)>, QString>)
                store.WriteString(section, key, value);
            else
                store.WriteInt(section, key, static_cast<int>(value));
        },
        def.field);
}

void LoadSection(const SettingsStore& store, const char* section, AppSettings& settings)
{
    for (const ValueDef& def : kValues) {
        if (qstrcmp(def.section, section) == 0)
            LoadValue(store, def, settings);
    }
}

void SaveSection(SettingsStore& store, const char* section, const AppSettings& settings)
{
    for (const ValueDef& def : kValues) {
        if (qstrcmp(def.section, section) == 0)
            SaveValue(store, def, settings);
    }
}

QString TimerSection(int n)
{
    return QStringLiteral("Program%1").arg(n);
}

CTimerEntry LoadTimerEntry(const SettingsStore& store, int n, const QString& programFolder)
{
    const QString section = TimerSection(n);
    CTimerEntry entry = DefaultTimerEntry(n, programFolder);
    const int hourDefault = n == 0 ? -1 : 0;
    entry.year = static_cast<uint16_t>(store.ReadInt(section, QStringLiteral("Year"), 0));
    entry.month = static_cast<uint16_t>(store.ReadInt(section, QStringLiteral("Month"), 0));
    entry.day = static_cast<uint16_t>(store.ReadInt(section, QStringLiteral("Day"), 0));
    const int hour = store.ReadInt(section, QStringLiteral("Hour"), hourDefault);
    entry.hour = static_cast<uint16_t>(hour);
    entry.hour2 = static_cast<uint16_t>(store.ReadInt(section, QStringLiteral("Hour2"), hour));
    entry.minute = static_cast<uint16_t>(store.ReadInt(section, QStringLiteral("Min"), 0));
    entry.second = static_cast<uint16_t>(store.ReadInt(section, QStringLiteral("Sec"), 0));
    entry.launch = store.ReadString(section, QStringLiteral("Launch"), entry.launch);
    entry.exec = store.ReadInt(section, QStringLiteral("Exec"), entry.exec);
    return entry;
}

void SaveTimerEntry(SettingsStore& store, int n, const CTimerEntry& entry)
{
    const QString section = TimerSection(n);
    store.WriteInt(section, QStringLiteral("Year"), entry.year);
    store.WriteInt(section, QStringLiteral("Month"), entry.month);
    store.WriteInt(section, QStringLiteral("Day"), entry.day);
    store.WriteInt(section, QStringLiteral("Hour"), entry.hour);
    store.WriteInt(section, QStringLiteral("Hour2"), entry.hour2);
    store.WriteInt(section, QStringLiteral("Min"), entry.minute);
    store.WriteInt(section, QStringLiteral("Sec"), entry.second);
    store.WriteString(section, QStringLiteral("Launch"), QuoteLaunch(entry.launch));
    store.WriteInt(section, QStringLiteral("Exec"), entry.exec);
}

} // namespace

int DvdDecodeFlags(int decodeMode, int noVpe)
{
    static constexpr int kModeFlags[kDvdDecodeModeCount] = {1, 2, 4, 8};
    const int mode = decodeMode >= 0 && decodeMode < kDvdDecodeModeCount ? decodeMode : 0;
    return kModeFlags[mode] | (noVpe != 0 ? 256 : 0);
}

CTimerEntry DefaultTimerEntry(int n, const QString& programFolder)
{
    CTimerEntry entry;
    const bool chime = n == 0 || n == kAlarmTimerEntry;
    entry.hour = n == 0 ? kAnyHour : 0;
    entry.hour2 = entry.hour;
    entry.launch = chime ? programFolder + QStringLiteral("Chimes.wav") : QString();
    entry.exec = chime ? 1 : 0;
    return entry;
}

AppSettings AppSettings::Defaults(const QString& programFolder)
{
    AppSettings settings;
    settings.plugIn = programFolder;
    settings.thema = programFolder + QStringLiteral("Sorlin.ini");
    settings.fontFaceName = res::LoadString(res::kStrDefaultFontFace);
    for (int n = 0; n < kTimerEntryCount; ++n)
        settings.timers[n] = DefaultTimerEntry(n, programFolder);
    return settings;
}

QString QuoteLaunch(const QString& launch)
{
    if (launch.isEmpty() || (launch.startsWith(u'"') && launch.endsWith(u'"')))
        return launch;
    return u'"' + launch + u'"';
}

QString LoadDrive(const SettingsStore& store)
{
    return store.ReadString(kPlay, QStringLiteral("Drive"), QString());
}

AppSettings LoadSettings(const SettingsStore& store, const QString& programFolder)
{
    AppSettings settings = AppSettings::Defaults(programFolder);
    LoadSection(store, "Position", settings);
    LoadSection(store, "Play", settings);
    for (int n = 0; n < kTimerEntryCount; ++n)
        settings.timers[n] = LoadTimerEntry(store, n, programFolder);
    LoadSection(store, "Program", settings);
    LoadSection(store, "Font", settings);
    return settings;
}

bool SaveSettings(SettingsStore& store, const AppSettings& settings)
{
    SaveSection(store, "Play", settings);
    SaveSection(store, "Position", settings);
    SaveSection(store, "Font", settings);
    for (int n = 0; n < kTimerEntryCount; ++n)
        SaveTimerEntry(store, n, settings.timers[n]);
    SaveSection(store, "Program", settings);
    return store.Sync();
}
