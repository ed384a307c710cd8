#pragma once
// INI files with the rules of the Windows profile functions, for skin files, AUTORUN.INF
// and the download cache index: section and key names are case-insensitive and the first
// match wins, blanks around names and values are trimmed, one pair of enclosing quotes is
// dropped on read, and values are cut to the caller's buffer. Text is read by the ANSI rule
// and written as UTF-8; a save replaces the file whole or leaves it untouched.

#include "AtomicFile.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace platform {

class ProfileFile
{
public:
    ProfileFile() = default;
    explicit ProfileFile(const QString& path) { Load(path); }

    // Reads `path`. A missing or unreadable file gives an empty profile and false.
    bool Load(const QString& path);
    // Parses INI text held in memory (bytes by the ANSI rule).
    void Parse(const QByteArray& bytes);
    // Writes the profile back to the file it was loaded from, atomically.
    bool Save() const;
    bool SaveAs(const QString& path) const;

    const QString& Path() const { return path; }

    // The value of `key` in `section`, or `defaultValue` when either is missing.
    // `bufferSize` > 0 cuts the result to bufferSize - 1 characters, as a caller's buffer would.
    QString GetString(const QString& section, const QString& key, const QString& defaultValue = {},
                      int bufferSize = 0) const;
    // The leading integer of the value (decimal, or hexadecimal after "0x"), or the default
    // when the key is missing or the value does not start with a number.
    int GetInt(const QString& section, const QString& key, int defaultValue) const;
    std::optional<QString> Find(const QString& section, const QString& key) const;

    QStringList SectionNames() const;
    QStringList KeyNames(const QString& section) const;

    // Sets or adds a value; a new section goes to the end of the file.
    void SetString(const QString& section, const QString& key, const QString& value);
    void RemoveKey(const QString& section, const QString& key);
    void RemoveSection(const QString& section);

    QByteArray ToBytes() const;

private:
    struct Line
    {
        QString text;    // as read, for lines that are written back unchanged
        QString section; // for section headers: the name
        QString key;     // for key lines: the trimmed name
        QString value;   // for key lines: the trimmed raw value
        enum Kind
        {
            Other,
            Section,
            Key
        } kind = Other;
    };

    int FindSection(const QString& section) const;          // index of the header, -1 = none
    int SectionEnd(int headerIndex) const;                  // index after the section's last line
    int FindKey(int headerIndex, const QString& key) const; // index of the key line, -1 = none

    QString path;
    std::vector<Line> lines;
};

} // namespace platform
