#pragma once
// The display font as the settings keep it (section Font): a height (negative: the characters'
// pixel height; positive: the cell's), a weight (400 normal, 700 bold), italic and a face name
// in the Windows form. The other fields of the record are fixed: Shift-JIS, fixed pitch.

#include <QFont>
#include <QString>

#include <cstdint>

struct FontRecord
{
    int height = -16;
    int weight = 400;
    uint8_t italic = 0;
    QString faceName;

    friend bool operator==(const FontRecord&, const FontRecord&) = default;
};

// The face the system has for a Windows face name ("ＭＳ ゴシック" is IPAGothic, "ＭＳ Ｐゴシック"
// IPAPGothic); other names stay.
QString SubstituteFace(const QString& faceName);

// The font `record` describes. A height or weight of 0 takes the default.
QFont FontFromRecord(const FontRecord& record);

// The record for `font` as a font chooser gives it back. `previous` keeps its face name when
// `font` is the face that stood in for it, and its height when the size did not change.
FontRecord RecordFromFont(const QFont& font, const FontRecord& previous);
