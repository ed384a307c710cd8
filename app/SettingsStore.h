#pragma once
// The per-user settings file ("~/.config/pelmo_rin/Sorlin.conf"): sections of named values.
// A missing value, or one of the wrong kind, reads as the caller's default. Writes collect in
// memory and reach the file whole in Sync(); a failed write leaves the previous file as it was.

#include <QString>

#include <memory>

class QSettings;

class SettingsStore
{
public:
    // The profile of company "pelmo_rin", program "Sorlin", in the platform's native format.
    SettingsStore();
    // A profile kept in the given file (same format).
    explicit SettingsStore(const QString& filePath);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    QString FilePath() const;

    // A DWORD-like value: decimal text in the 32-bit range, read modulo 2^32 as a signed int.
    int ReadInt(const QString& section, const QString& key, int defaultValue) const;
    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    void WriteInt(const QString& section, const QString& key, int value);
    void WriteString(const QString& section, const QString& key, const QString& value);

    // Writes what was changed to the file. False when the file could not be written.
    bool Sync();

    // Removes the program's sections (Font, Play, Position, Program, Program0..Program50); the
    // file goes when nothing else is left in it, and its company folder when that is empty.
    void DeleteSettings();

private:
    std::unique_ptr<QSettings> settings;
};
