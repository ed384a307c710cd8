#include "app/CommandLine.h"

#include <ostream>

#include <gtest/gtest.h>

namespace {

struct ClassifyCase
{
    const char* commandLine;
    CommandLineAction action;
    friend void PrintTo(const ClassifyCase& c, std::ostream* os) { *os << '[' << c.commandLine << ']'; }
};

class ClassifyCommandLineTest : public ::testing::TestWithParam<ClassifyCase>
{};

TEST_P(ClassifyCommandLineTest, SwitchesAreExactAndCaseSensitive)
{
    EXPECT_EQ(ClassifyCommandLine(QString::fromUtf8(GetParam().commandLine)), GetParam().action);
}

INSTANTIATE_TEST_SUITE_P(Cases, ClassifyCommandLineTest,
                         ::testing::Values(ClassifyCase{"/S", CommandLineAction::RegisterHandlers},
                                           ClassifyCase{"/R", CommandLineAction::UnregisterHandlers},
                                           ClassifyCase{"S", CommandLineAction::ExitAtOnce},
                                           // Lower case, blanks or quotes make it a path.
                                           ClassifyCase{"/s", CommandLineAction::Run},
                                           ClassifyCase{"/r", CommandLineAction::Run},
                                           ClassifyCase{"s", CommandLineAction::Run},
                                           ClassifyCase{"S ", CommandLineAction::Run},
                                           ClassifyCase{" /S", CommandLineAction::Run},
                                           ClassifyCase{"\"/S\"", CommandLineAction::Run},
                                           ClassifyCase{"", CommandLineAction::Run},
                                           ClassifyCase{"/media/cdrom", CommandLineAction::Run}));

struct PathCase
{
    const char* commandLine;
    const char* path;
    friend void PrintTo(const PathCase& c, std::ostream* os) { *os << '[' << c.commandLine << ']'; }
};

class PathFromCommandLineTest : public ::testing::TestWithParam<PathCase>
{};

TEST_P(PathFromCommandLineTest, QuotesAndTrailingSlashAreDropped)
{
    EXPECT_EQ(PathFromCommandLine(QString::fromUtf8(GetParam().commandLine)),
              QString::fromUtf8(GetParam().path));
}

INSTANTIATE_TEST_SUITE_P(Cases, PathFromCommandLineTest,
                         ::testing::Values(PathCase{"", ""}, PathCase{"\"/media/cdrom/\"", "/media/cdrom"},
                                           PathCase{"\"/home/a b/song.mp3\"", "/home/a b/song.mp3"},
                                           PathCase{"/home/a b/song.mp3", "/home/a b/song.mp3"},
                                           PathCase{"\"", ""},
                                           // A quote that is never closed takes no letter of the name
                                           // with it; one at the end alone is part of the name.
                                           PathCase{"\"/music/x.mp3", "/music/x.mp3"},
                                           PathCase{"/music/say \"hi\"", "/music/say \"hi\""},
                                           PathCase{"/music/", "/music"},
                                           // The root stays a path.
                                           PathCase{"/", "/"}, PathCase{"\"/\"", "/"}, PathCase{"/s", "/s"},
                                           PathCase{"file:///home/a%20b/disc", "/home/a b/disc"},
                                           PathCase{"cdda://sr0/", "/dev/sr0"},
                                           PathCase{"http://127.0.0.1/x.mp3", "http://127.0.0.1/x.mp3"},
                                           PathCase{"ＣＤ/曲.mp3", "ＣＤ/曲.mp3"}));

// A relative name still names its file when it is handed to a window started elsewhere.
TEST(AbsoluteFromStartFolderTest, RelativeFilePathsTakeTheStartFolder)
{
    const std::pair<const char*, const char*> cases[] = {
        {"f3.wav", "/home/u/music/f3.wav"},
        {"../other/f.ogg", "/home/u/other/f.ogg"},
        {"./disc", "/home/u/music/disc"},
        {"/media/cdrom", "/media/cdrom"},
        {"http://127.0.0.1/x.m3u", "http://127.0.0.1/x.m3u"},
        {"rtsp:live", "rtsp:live"},
        {"a:b/c.mp3", "/home/u/music/a:b/c.mp3"},
        {"dir/a:b.mp3", "/home/u/music/dir/a:b.mp3"},
        {"", ""},
    };
    for (const auto& [path, absolute] : cases)
        EXPECT_EQ(AbsoluteFromStartFolder(QString::fromUtf8(path), QStringLiteral("/home/u/music")),
                  QString::fromUtf8(absolute))
            << path;
}

TEST(JoinCommandLineTest, ArgumentsAreJoinedWithOneBlank)
{
    EXPECT_EQ(JoinCommandLine({}), QString());
    EXPECT_EQ(JoinCommandLine({QStringLiteral("/home/a"), QStringLiteral("b.mp3")}),
              QStringLiteral("/home/a b.mp3"));
}

} // namespace
