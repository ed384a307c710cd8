#pragma once
// The per-user settings file ("~/.config/pelmo_rin/Sorlin.conf", the INI format Qt's
// QSettings uses natively on Linux): sections of named values. A missing value, or one of the
// wrong kind, reads as the caller's default. Writes collect in memory and reach the file whole
// in Sync(); a failed write leaves the previous file as it was.

#include <QString>

#include <optional>
#include <utility>
#include <vector>

class SettingsStore
{
public:
    // The profile of company "pelmo_rin", program "Sorlin".
    SettingsStore();
    // A profile kept in the given file.
    explicit SettingsStore(const QString& filePath);

    static QString DefaultFilePath();
    const QString& FilePath() const { return filePath; }

    // A DWORD-like value: decimal text in the 32-bit range, read modulo 2^32 as a signed int.
    int ReadInt(const QString& section, const QString& key, int defaultValue) const;
    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    void WriteInt(const QString& section, const QString& key, int value);
    void WriteString(const QString& section, const QString& key, const QString& value);
    void RemoveSection(const QString& section);
    bool IsEmpty() const { return sections.empty(); }

    // Writes the whole profile to the file. False when it could not be written.
    bool Sync();

    // Removes the program's sections (Font, Play, Position, Program, Program0..Program50); the
    // file goes when nothing else is left in it, and its company folder when that is empty.
    void DeleteSettings();

    // The file text for the values held, and the reverse (exposed for tests).
    QByteArray Serialize() const;
    void Parse(const QByteArray& text);

private:
    struct Value
    {
        QString key;
        QString raw; // as it stands in the file, escapes and quotes included
    };
    struct Section
    {
        QString name;
        std::vector<Value> values;
    };

    const Value* Find(const QString& section, const QString& key) const;
    void Write(const QString& section, const QString& key, const QString& raw);

    QString filePath;
    std::vector<Section> sections; // in file order; new ones are appended
};

// Text as the INI file holds it: escapes for control characters, quotes and backslashes, and
// the whole value quoted when it has separators (",;=") or blanks at either end.
QString EscapeIniValue(const QString& value);
// The reverse. A value that is a list (commas outside quotes) gives its items joined by ", ";
// a value that stands for something other than text ("@ByteArray(...)", "@Variant(...)")
// gives nothing.
std::optional<QString> UnescapeIniValue(const QString& raw);
