#pragma once
// An MCI command string cut into words (read by the interpreter in the media process, and looked
// at by the window's side of it). Words are separated by blanks; a word in double
// quotes may hold blanks. Each word keeps where it stood, so a device name with blanks in it
// (a path) can be taken from the original text.

#include <QString>

#include <vector>

namespace platform::mci {

struct MciWord
{
    QString text;        // without the quotes
    qsizetype begin = 0; // in the command, quotes included
    qsizetype end = 0;
    bool quoted = false;

    // Case-insensitive comparison with a keyword.
    bool Is(const char* keyword) const
    {
        return text.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
    }
};

struct MciCommand
{
    std::vector<MciWord> words;
    bool unclosedQuote = false;
};

MciCommand SplitMciCommand(const QString& command);

// A number word: decimal digits only, or "mm:ss:ff" when `msf` is set (minutes, seconds and
// frames of 1/75 s, given in milliseconds). False for anything else.
bool ParseMciNumber(const QString& word, bool msf, int* ms);
QString FormatMciNumber(int ms, bool msf);

} // namespace platform::mci
