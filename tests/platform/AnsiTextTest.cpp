#include "platform/AnsiText.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using platform::DecodeAnsi;
using platform::IsValidUtf8;

const QString kReplacement(QChar(0xFFFD));

struct DecodeCase
{
    const char* name;
    QByteArray bytes;
    QString expected;
};

void PrintTo(const DecodeCase& c, std::ostream* os)
{
    *os << c.name << " (" << c.bytes.toHex(' ').toStdString() << ")";
}

class DecodeAnsiTest : public testing::TestWithParam<DecodeCase>
{};

TEST_P(DecodeAnsiTest, GivesTheExpectedText)
{
    EXPECT_EQ(DecodeAnsi(GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, DecodeAnsiTest,
    testing::Values(DecodeCase{"Empty", QByteArray(), QString()},
                    DecodeCase{"Ascii", "Track 01.mp3", QStringLiteral("Track 01.mp3")},
                    DecodeCase{"Utf8Kanji", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", QStringLiteral("日本語")},
                    DecodeCase{"Utf8FourBytes", "\xF0\x9F\x8E\xB5", QString::fromUcs4(U"\U0001F3B5")},
                    // The same bytes could be CP932, but valid UTF-8 always wins.
                    DecodeCase{"Utf8ThatIsAlsoCp932", "\xE3\x81\x82", QStringLiteral("あ")},
                    DecodeCase{"SjisHalfWidthKatakana", "\xC3\xBD\xC4", QStringLiteral("ﾃｽﾄ")},
                    DecodeCase{"SjisKanji", "\x93\xFA\x96\x7B", QStringLiteral("日本")},
                    DecodeCase{"SjisAfterAscii", "Track 01 \x8B\xC8", QStringLiteral("Track 01 曲")},
                    // Invalid UTF-8 falls back to CP932 as a whole.
                    DecodeCase{"OverlongSlash", "\xC0\xAF", QStringLiteral("ﾀｯ")},
                    DecodeCase{"EncodedSurrogate", "\xED\xA0\x80", QStringLiteral("恝") + kReplacement},
                    DecodeCase{"TruncatedUtf8", "abc\xE6\x97", QStringLiteral("abc譌")},
                    DecodeCase{"Utf8MixedWithSjis", "\xE6\x97\xA5 \x93\xFA", QStringLiteral("譌･ 日")},
                    // Invalid in both: each bad byte becomes one replacement character.
                    DecodeCase{"UnassignedDoubleByte", "\x85\x40", kReplacement + u'@'},
                    DecodeCase{"UnassignedSingleByte",
                               "a\xFF"
                               "b",
                               u'a' + kReplacement + u'b'},
                    DecodeCase{"LeadByteAtEnd", "ab\x81", QStringLiteral("ab") + kReplacement}),
    [](const testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

TEST(IsValidUtf8Test, AcceptsOnlyWellFormedSequences)
{
    const struct
    {
        QByteArray bytes;
        bool valid;
    } cases[] = {
        {"", true},
        {"plain", true},
        {"\xED\x9F\xBF", true},          // U+D7FF, just below the surrogates
        {"\xEF\xBF\xBD", true},          // U+FFFD
        {"\xF4\x8F\xBF\xBF", true},      // U+10FFFF, the last code point
        {"\xC0\xAF", false},             // overlong "/"
        {"\xE0\x80\xAF", false},         // overlong "/" in three bytes
        {"\xED\xA0\x80", false},         // U+D800
        {"\xF4\x90\x80\x80", false},     // above U+10FFFF
        {"\xE6\x97", false},             // cut short
        {"\x80", false},                 // continuation byte alone
        {"\xE6\x41\xA5", false},         // continuation replaced by ASCII
        {"\xF8\x88\x80\x80\x80", false}, // five-byte form
        {"\xFF", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.bytes.toHex(' ').toStdString();
}

TEST(DecodeAnsiRandomTest, RandomBytesNeverGiveMoreCharactersThanBytes)
{
    std::mt19937 random(20240601);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes(1 + round % 64, '\0');
        for (char& c : bytes)
            c = static_cast<char>(byte(random));
        const QString text = DecodeAnsi(bytes);
        ASSERT_LE(text.size(), bytes.size()) << bytes.toHex(' ').toStdString();
        if (IsValidUtf8(bytes)) {
            ASSERT_EQ(text, QString::fromUtf8(bytes));
        }
    }
}

} // namespace
