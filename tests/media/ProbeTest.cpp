// The title readers on files made byte by byte: MIDI track and text events, ID3v1 and ID3v2
// (2.2, 2.3, 2.4) tags, ASF content descriptions, and broken or hostile variants of each.

#include "media/MIDI.h"
#include "media/MP3.h"
#include "media/TitleProbe.h"
#include "media/WMA.h"
#include "support/Fifo.h"
#include "support/Id3Tags.h"
#include "support/TitleFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace id3_tags;
using namespace title_files;

// "日本語" and "ア" in code page 932.
const QByteArray kNihongoCp932("\x93\xFA\x96\x7B\x8C\xEA");
const QByteArray kKatakanaACp932("\x83\x41");

class ProbeTest : public ::testing::Test
{
protected:
    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(WriteFile(path, bytes)) << qPrintable(path);
        return path;
    }
    QTemporaryDir dir;
};

// ---- MIDI ----

struct MidiCase
{
    const char* name;
    QByteArray track;
    QString title;
};

void PrintTo(const MidiCase& c, std::ostream* os)
{
    *os << c.name;
}

class MidiTitleTest : public ProbeTest, public ::testing::WithParamInterface<MidiCase>
{};

TEST_P(MidiTitleTest, FindsTheTitleOfTheFirstTrack)
{
    EXPECT_EQ(ProbeTitle(Write(QStringLiteral("song.mid"), Smf(GetParam().track))), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(
    Tracks, MidiTitleTest,
    ::testing::Values(
        MidiCase{"NameWinsOverAnEarlierTextEvent",
                 Meta(1, "Some text") + kNotes + Meta(3, "Track Name  ") + kEndOfTrack, "Track Name"},
        MidiCase{"TextEventWhenThereIsNoName", kNotes + Meta(1, "Only text\t") + kEndOfTrack, "Only text"},
        // Note on, then two note offs sent as note ons with running status (status byte omitted).
        MidiCase{"RunningStatusBeforeTheName",
                 QByteArray("\x00\x90\x3C\x40\x10\x3C\x00\x00\x40\x00", 10) + Meta(3, "After running") +
                     kEndOfTrack,
                 "After running"},
        MidiCase{"SystemExclusiveBeforeTheName",
                 QByteArray("\x00\xF0\x05\x7E\x7F\x09\x01\xF7", 8) + Meta(3, "GM reset first") + kEndOfTrack,
                 "GM reset first"},
        MidiCase{"JapaneseName", Meta(3, kNihongoCp932) + kEndOfTrack, QStringLiteral("日本語")},
        MidiCase{"LongNameCutTo255Bytes", Meta(3, QByteArray(300, 'n')) + kEndOfTrack, QString(255, u'n')},
        MidiCase{"EmptyName", Meta(3, "") + Meta(1, "ignored") + kEndOfTrack, QString()},
        MidiCase{"NoTextAtAll", kNotes + kEndOfTrack, QString()},
        MidiCase{"TextRunsPastTheChunk", QByteArray("\x00\xFF\x03\x40short", 9), QString()},
        MidiCase{"MetaEventCutAfterItsType", QByteArray("\x00\xFF", 2), QString()},
        MidiCase{"OnlyDataBytes", QByteArray(64, '\x7F'), QString()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProbeTest, MidiReaderRefusesBrokenChunks)
{
    const QByteArray track = Meta(3, "Name") + kEndOfTrack;
    CMIDI midi;
    QString text = QStringLiteral("untouched");

    // A track length beyond the end of the file: refused before anything is allocated.
    EXPECT_TRUE(midi.Open(Write(QStringLiteral("long.mid"), Smf(track, 0x7FFFFFF0))));
    EXPECT_FALSE(midi.ReadTrack());
    EXPECT_EQ(midi.Size(), 0);
    EXPECT_FALSE(midi.FindText(&text, true));
    EXPECT_EQ(text, u"untouched");
    EXPECT_TRUE(midi.Close());

    // One byte short.
    EXPECT_TRUE(midi.Open(Write(QStringLiteral("short.mid"), Smf(track, track.size() + 1))));
    EXPECT_FALSE(midi.ReadTrack());

    // A header of another length, a missing track and garbage are no MIDI files.
    QByteArray header7 = Smf(track);
    header7[7] = 7;
    EXPECT_FALSE(midi.Open(Write(QStringLiteral("h7.mid"), header7)));
    EXPECT_FALSE(midi.Close()) << "a file with a wrong header stays closed";
    EXPECT_TRUE(midi.Open(Write(QStringLiteral("notrack.mid"), Smf(track).left(14) + "XTrk\0\0\0\0")));
    EXPECT_FALSE(midi.ReadTrack());
    EXPECT_FALSE(midi.Open(Write(QStringLiteral("garbage.mid"), QByteArray(5000, '\xA7'))));
    EXPECT_FALSE(midi.Open(Write(QStringLiteral("tiny.mid"), "MThd")));
    EXPECT_FALSE(midi.Open(dir.filePath(QStringLiteral("missing.mid"))));
}

// ---- MIDI chunks past the end ----

QByteArray LittleEndian32(quint32 v)
{
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>(v >> (8 * i));
    return out;
}

QByteArray Chunk(const QByteArray& id, const QByteArray& body, quint32 length)
{
    return id + BigEndian32(length) + body;
}

QByteArray Chunk(const QByteArray& id, const QByteArray& body)
{
    return Chunk(id, body, static_cast<quint32>(body.size()));
}

// A header chunk of format 1 announcing `tracks` tracks, 96 ticks to the quarter note.
QByteArray Header(int tracks)
{
    return Chunk("MThd", QByteArray("\0\x01\0", 3) + static_cast<char>(tracks) + QByteArray("\0\x60", 2));
}

// An RMID file: `chunks` in a RIFF form of type "RMID".
QByteArray Rmid(const QByteArray& chunks)
{
    return "RIFF" + LittleEndian32(static_cast<quint32>(4 + chunks.size())) + "RMID" + chunks;
}

QByteArray RiffChunk(const QByteArray& id, const QByteArray& body, quint32 length)
{
    return id + LittleEndian32(length) + body + (body.size() % 2 ? QByteArray(1, '\0') : QByteArray());
}

QByteArray RiffChunk(const QByteArray& id, const QByteArray& body)
{
    return RiffChunk(id, body, static_cast<quint32>(body.size()));
}

const QByteArray kNamedTrack = Meta(3, "Name") + kEndOfTrack;

TEST_F(ProbeTest, MidiChunkPastTheEndIsFoundInStandardMidiFiles)
{
    // 26 bytes: a header for one track, then a track that claims 4 GiB and holds 4 bytes.
    const QByteArray endless = QByteArray("MThd\0\0\0\x06\0\0\0\x01\0\x60", 14) + "MTrk\xFF\xFF\xFF\xFF" +
                               QByteArray("\0\x90\x3C\x40", 4);
    ASSERT_EQ(endless.size(), 26);
    EXPECT_TRUE(CMIDI::HasChunkPastEnd(Write(QStringLiteral("endless.mid"), endless)));

    const QByteArray good = Header(2) + Chunk("MTrk", kNamedTrack) + Chunk("MTrk", kNotes + kEndOfTrack);
    EXPECT_FALSE(CMIDI::HasChunkPastEnd(Write(QStringLiteral("good.mid"), good)));
    // Chunks of kinds a reader does not know are stepped over like tracks.
    EXPECT_FALSE(CMIDI::HasChunkPastEnd(Write(QStringLiteral("extra.mid"), good + Chunk("XFIH", "info"))));
    EXPECT_TRUE(
        CMIDI::HasChunkPastEnd(Write(QStringLiteral("badextra.mid"), good + Chunk("XFIH", "info", 5))));

    // The last chunk's length exactly reaching the end is fine; one byte more is not.
    const QByteArray track = kNotes + kEndOfTrack;
    const QByteArray exact = Header(2) + Chunk("MTrk", kNamedTrack) + Chunk("MTrk", track, track.size());
    const QByteArray over = Header(2) + Chunk("MTrk", kNamedTrack) + Chunk("MTrk", track, track.size() + 1);
    EXPECT_FALSE(CMIDI::HasChunkPastEnd(Write(QStringLiteral("exact.mid"), exact)));
    EXPECT_TRUE(CMIDI::HasChunkPastEnd(Write(QStringLiteral("second.mid"), over)));

    // The header chunk itself.
    EXPECT_TRUE(CMIDI::HasChunkPastEnd(
        Write(QStringLiteral("header.mid"), Chunk("MThd", QByteArray("\0\0\0\x01\0\x60", 6), 0x100))));
    EXPECT_TRUE(CMIDI::HasChunkPastEnd(Write(QStringLiteral("headeronly.mid"), Header(1).left(12))));
}

TEST_F(ProbeTest, MidiChunkPastTheEndIsFoundInsideRmidFiles)
{
    const QByteArray smf = Header(1) + Chunk("MTrk", kNamedTrack);
    const QByteArray cut = Header(1) + Chunk("MTrk", kNamedTrack, kNamedTrack.size() + 40);
    // An odd-sized chunk before the data: RIFF pads it to an even length.
    const QByteArray info = RiffChunk("LIST", "INFOINAM\x03\0\0\0ab\0");
    ASSERT_EQ(info.size() % 2, 0);

    EXPECT_FALSE(CMIDI::HasChunkPastEnd(Write(QStringLiteral("good.rmi"), Rmid(RiffChunk("data", smf)))));
    EXPECT_FALSE(CMIDI::HasChunkPastEnd(
        Write(QStringLiteral("listed.rmi"), Rmid(info + RiffChunk("data", smf) + info))));
    EXPECT_TRUE(CMIDI::HasChunkPastEnd(Write(QStringLiteral("cut.rmi"), Rmid(RiffChunk("data", cut)))));
    EXPECT_TRUE(
        CMIDI::HasChunkPastEnd(Write(QStringLiteral("listedcut.rmi"), Rmid(info + RiffChunk("data", cut)))));
    // The track fits the file but not the data chunk around it.
    EXPECT_TRUE(CMIDI::HasChunkPastEnd(Write(
        QStringLiteral("short.rmi"), Rmid(RiffChunk("data", smf, smf.size() - 2) + QByteArray(64, '\0')))));
    // A data chunk that holds no MIDI file, and RIFF forms of other types.
    EXPECT_FALSE(
        CMIDI::HasChunkPastEnd(Write(QStringLiteral("notmidi.rmi"), Rmid(RiffChunk("data", "MTrk\xFF")))));
    QByteArray wave = Rmid(RiffChunk("data", cut));
    wave.replace(8, 4, "WAVE");
    EXPECT_FALSE(CMIDI::HasChunkPastEnd(Write(QStringLiteral("wave.wav"), wave)));
}

TEST_F(ProbeTest, MidiChunkCheckLeavesOtherFilesAloneAndStopsInTime)
{
    EXPECT_FALSE(CMIDI::HasChunkPastEnd(Write(QStringLiteral("noise.mid"), QByteArray(5000, '\xA7'))));
    EXPECT_FALSE(CMIDI::HasChunkPastEnd(Write(QStringLiteral("empty.mid"), QByteArray())));
    EXPECT_FALSE(CMIDI::HasChunkPastEnd(Write(QStringLiteral("magic.mid"), "MThd")));
    EXPECT_FALSE(CMIDI::HasChunkPastEnd(dir.filePath(QStringLiteral("missing.mid"))));
    QDir(dir.path()).mkdir(QStringLiteral("folder.mid"));
    EXPECT_FALSE(CMIDI::HasChunkPastEnd(dir.filePath(QStringLiteral("folder.mid"))));

    // Empty chunks are headers only; the walk ends after kMaxChunks of them.
    const auto after = [&](int emptyChunks) {
        QByteArray file = Header(1);
        file += QByteArray("XXXX\0\0\0\0", 8).repeated(emptyChunks);
        return file + Chunk("MTrk", kNamedTrack, 0x10000);
    };
    EXPECT_TRUE(CMIDI::HasChunkPastEnd(Write(QStringLiteral("near.mid"), after(1000))));
    EXPECT_FALSE(CMIDI::HasChunkPastEnd(Write(QStringLiteral("far.mid"), after(CMIDI::kMaxChunks))));
}

// ---- Pipes and devices ----

// A reader's own open, with nothing read after it.
class OpenOnly : public ProbeReader
{
public:
    using ProbeReader::OpenFile;
};

TEST_F(ProbeTest, PipesAndDevicesAreRefusedWithoutWaiting)
{
    for (const char* name : {"pipe.mid", "pipe.mp3", "pipe.wma"}) {
        SCOPED_TRACE(name);
        const QString fifo = testsupport::MakeFifo(dir.filePath(QString::fromLatin1(name)));
        ASSERT_FALSE(fifo.isEmpty());
        QString title = QStringLiteral("unset");
        EXPECT_TRUE(testsupport::ReturnsPromptly(fifo, [&] { title = ProbeTitle(fifo); }))
            << "the title reader waited for a writer";
        EXPECT_EQ(title, u"");
        bool opened = true;
        EXPECT_TRUE(testsupport::ReturnsPromptly(fifo, [&] { opened = OpenOnly().OpenFile(fifo); }));
        EXPECT_FALSE(opened);
        bool past = true;
        EXPECT_TRUE(testsupport::ReturnsPromptly(fifo, [&] { past = CMIDI::HasChunkPastEnd(fifo); }))
            << "the MIDI check waited for a writer";
        EXPECT_FALSE(past);
    }

    // A character device named like a song is no file, though reading it would never fail.
    const QString zero = dir.filePath(QStringLiteral("zero.mp3"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    OpenOnly reader;
    EXPECT_FALSE(reader.OpenFile(zero));
    EXPECT_FALSE(reader.OpenFile(QStringLiteral("/dev/null")));
    EXPECT_FALSE(reader.Close()) << "nothing was left open";
    EXPECT_TRUE(reader.OpenFile(Write(QStringLiteral("real.mp3"), Audio(100))));
    EXPECT_TRUE(reader.Close());
}

// ---- MP3 ----

QByteArray Mp3(const QByteArray& tag)
{
    return tag + Audio(4000);
}

QByteArray Text(const QByteArray& text)
{
    return TextBody(text);
}

struct Mp3Case
{
    const char* name;
    QByteArray file;
    QString title;
};

void PrintTo(const Mp3Case& c, std::ostream* os)
{
    *os << c.name;
}

class Mp3TitleTest : public ProbeTest, public ::testing::WithParamInterface<Mp3Case>
{};

TEST_P(Mp3TitleTest, FindsTheTitleOfTheTag)
{
    EXPECT_EQ(ProbeTitle(Write(QStringLiteral("song.mp3"), GetParam().file)), GetParam().title);
}

const QString kLongUtf16 = QString(2046, u'x') + QString::fromUcs4(U"\U0001F3B5") + QStringLiteral("tail");

INSTANTIATE_TEST_SUITE_P(
    Tags, Mp3TitleTest,
    ::testing::Values(
        Mp3Case{"V23TitleWinsOverAnEarlierAlbum",
                Mp3(Tag(3, Frame(3, "TALB", Text("Album")) + Frame(3, "TIT2", Text("Title  ")), 100)),
                "Title"},
        Mp3Case{"V23AlbumWithoutTitle",
                Mp3(Tag(3, Frame(3, "TPE1", Text("Artist")) + Frame(3, "TALB", Text("Album ")), 50)),
                "Album"},
        Mp3Case{"V23LastAlbumWins",
                Mp3(Tag(3, Frame(3, "TALB", Text("First")) + Frame(3, "TALB", Text("Second")))), "Second"},
        Mp3Case{"V22GivesTheAlbumNotTheTitle",
                Mp3(Tag(2, Frame(2, "TT2", Text("Title")) + Frame(2, "TAL", Text("Album")), 20)), "Album"},
        // 200 bytes: 0xC8 as a plain size, 0x01 0x48 sync-safe; read the wrong way the walk is lost.
        Mp3Case{"V24SyncSafeFrameSizes",
                Mp3(Tag(4, Frame(4, "TPE1", Text(QByteArray(199, 'a'))) + Frame(4, "TIT2", Text("V24")), 10)),
                "V24"},
        Mp3Case{"V24Utf8Text", Mp3(Tag(4, Frame(4, "TIT2", TextBody(QStringLiteral("曲名").toUtf8(), 3)))),
                QStringLiteral("曲名")},
        // The title frame is the tag's last bytes, past the first 1024, with no padding after it.
        Mp3Case{"TagLongerThanTheFirstRead",
                Mp3(Tag(3, Frame(3, "APIC", QByteArray(3000, '\x01')) + Frame(3, "TIT2", Text("Far away")))),
                "Far away"},
        Mp3Case{"Utf16WithByteOrderMark",
                Mp3(Tag(3, Frame(3, "TIT2",
                                 TextBody("\xFF\xFE" + Utf16Le(QStringLiteral("ユニ ")) + QByteArray(2, '\0'),
                                          1)))),
                QStringLiteral("ユニ")},
        Mp3Case{"Utf16OddByteCount",
                Mp3(Tag(3, Frame(3, "TIT2", TextBody("\xFF\xFE" + Utf16Le(QStringLiteral("AB")) + "C", 1)))),
                "AB"},
        Mp3Case{"Cp932Text", Mp3(Tag(3, Frame(3, "TIT2", Text(kNihongoCp932)))), QStringLiteral("日本語")},
        Mp3Case{"TextEndsAtItsNull", Mp3(Tag(3, Frame(3, "TIT2", Text(QByteArray("Title\0junk", 10))))),
                "Title"},
        Mp3Case{"V1WhenThereIsNoV2Tag", Audio(3000) + V1Tag("Old title     "), "Old title"},
        // A title that fills its field runs into the artist field; it ends after 30 bytes.
        Mp3Case{"V1FullThirtyBytes",
                Audio(3000) + "TAG" + QByteArray(30, 'z') + QByteArray("Artist").leftJustified(95, '\0'),
                QString(30, u'z')},
        // Texts cut to the text buffers: whole characters only.
        Mp3Case{"LongAnsiCutTo1022Bytes", Mp3(Tag(3, Frame(3, "TIT2", Text(QByteArray(5000, 'L'))))),
                QString(1022, u'L')},
        Mp3Case{"LongUtf8CutBeforeASplitCharacter",
                Mp3(Tag(3, Frame(3, "TIT2", Text(QString(400, u'あ').toUtf8())))), QString(340, u'あ')},
        Mp3Case{"LongCp932CutBeforeASplitCharacter",
                Mp3(Tag(3, Frame(3, "TIT2", Text("A" + kKatakanaACp932.repeated(600))))),
                QStringLiteral("A") + QString(510, u'ア')},
        Mp3Case{"LongUtf16CutBeforeASplitPair",
                Mp3(Tag(3, Frame(3, "TIT2", TextBody("\xFF\xFE" + Utf16Le(kLongUtf16), 1)))),
                QString(2046, u'x')}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    BrokenTags, Mp3TitleTest,
    ::testing::Values(
        Mp3Case{"EmptyTitleFrame", Mp3(Tag(3, Frame(3, "TALB", Text("Album")) + Frame(3, "TIT2", ""))), ""},
        Mp3Case{"TitleFrameWithOnlyItsEncoding", Mp3(Tag(3, Frame(3, "TIT2", Text("")))), ""},
        Mp3Case{
            "FrameSizeRunsPastTheTag",
            Mp3(Tag(3, Frame(3, "TALB", Text("Album")) + QByteArray("TIT2\x7F\xFF\xFF\xFF\0\0\0Title", 15),
                    30)),
            "Album"},
        Mp3Case{"FrameHeaderCutByTheTagEnd", Mp3(Tag(3, Frame(3, "TALB", Text("Album")) + "TIT")), "Album"},
        Mp3Case{"UnknownVersion", Mp3(Tag(5, Frame(4, "TIT2", Text("Future")))), ""},
        Mp3Case{"ZeroIdentifierEndsTheWalk",
                Mp3(Tag(3, QByteArray(10, '\0') + Frame(3, "TIT2", Text("Hidden")))), ""},
        // A small file may hold a whole tag: it is read although it is shorter than the first read.
        Mp3Case{"TagWithoutAudioShorterThanTheFirstRead", Tag(3, Frame(3, "TIT2", Text("Small"))), "Small"},
        Mp3Case{"ShorterThanATagHeader", QByteArray("ID3\x03", 4), ""},
        Mp3Case{"Garbage", QByteArray(3000, '\xC3'), ""}, Mp3Case{"EmptyFile", QByteArray(), ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProbeTest, Mp3TagSizeIsBoundByTheFile)
{
    // A size field of 256 MiB in a file of a few KB: the buffer holds the file, not the claim,
    // and the frames that are there are still read.
    QByteArray file = Mp3(Tag(3, Frame(3, "TIT2", Text("Still here")), 2000));
    file.replace(6, 4, SyncSafe(0x0FFFFFFF));
    const QString path = Write(QStringLiteral("huge.mp3"), file);
    CMP3 mp3;
    ASSERT_TRUE(mp3.Open(path));
    ASSERT_TRUE(mp3.ReadTag(false));
    EXPECT_EQ(mp3.Size(), file.size());
    QString title;
    EXPECT_TRUE(mp3.GetTitle(&title));
    EXPECT_EQ(title, u"Still here");

    // A tag that fits the first read is cut where it ends: the audio after it is no frame.
    const QByteArray small = Tag(3, Frame(3, "TIT2", Text("Small")), 40);
    ASSERT_TRUE(mp3.Open(Write(QStringLiteral("small.mp3"), Mp3(small))));
    ASSERT_TRUE(mp3.ReadTag(false));
    EXPECT_EQ(mp3.Size(), small.size());

    // Only the first part of a tag larger than the cap is loaded.
    QByteArray big = Mp3(Tag(3, Frame(3, "TIT2", Text("Big")), CMP3::kMaxBuffer + 4096));
    ASSERT_TRUE(mp3.Open(Write(QStringLiteral("big.mp3"), big)));
    ASSERT_TRUE(mp3.ReadTag(false));
    EXPECT_EQ(mp3.Size(), CMP3::kMaxBuffer);
    EXPECT_TRUE(mp3.GetTitle(&title));
    EXPECT_EQ(title, u"Big");
}

TEST_F(ProbeTest, Mp3ReaderFallsBackToV1AndLeavesTextAloneOnFailure)
{
    // No ID3v2 tag: ReadTag(false) fails and the v1 tag at the end is read.
    CMP3 mp3;
    ASSERT_TRUE(mp3.Open(Write(QStringLiteral("v1.mp3"), Audio(2000) + V1Tag("Version one"))));
    EXPECT_FALSE(mp3.ReadTag(false));
    QString text = QStringLiteral("untouched");
    EXPECT_FALSE(mp3.GetTitle(&text));
    EXPECT_EQ(text, u"untouched");
    ASSERT_TRUE(mp3.ReadTag(true));
    EXPECT_EQ(mp3.Size(), 128);
    EXPECT_TRUE(mp3.GetTitle(&text));
    EXPECT_EQ(text, u"Version one");
    EXPECT_TRUE(mp3.Close());
    EXPECT_FALSE(mp3.Close());
    EXPECT_FALSE(mp3.ReadTag(true)) << "nothing open";

    // Bytes that are no tag leave nothing for GetTitle, even when they begin like a v1 tag.
    ASSERT_TRUE(
        mp3.Open(Write(QStringLiteral("tagfirst.mp3"), "TAG" + QByteArray("Not a tag") + Audio(2000))));
    EXPECT_FALSE(mp3.ReadTag(false));
    EXPECT_FALSE(mp3.GetTitle(&text));

    ASSERT_TRUE(mp3.Open(Write(QStringLiteral("tiny.mp3"), "TAG")));
    EXPECT_FALSE(mp3.ReadTag(true)) << "shorter than a v1 tag";
}

// ---- ASF ----

struct AsfCase
{
    const char* name;
    QByteArray file;
    QString title;
};

void PrintTo(const AsfCase& c, std::ostream* os)
{
    *os << c.name;
}

class AsfTitleTest : public ProbeTest, public ::testing::WithParamInterface<AsfCase>
{};

TEST_P(AsfTitleTest, FindsTheTitleOfTheContentDescription)
{
    const QByteArray& file = GetParam().file;
    EXPECT_EQ(ProbeTitle(Write(QStringLiteral("song.wma"), file)), GetParam().title);
    EXPECT_EQ(ProbeTitle(Write(QStringLiteral("clip.WMV"), file)), GetParam().title);
}

// An extended content description first: "$WM/..." (its first name) stands where the lengths of a
// content description would, and the content description's lengths follow at 490.
QByteArray BehindExtendedDescription(const QByteArray& description)
{
    QByteArray head = AsfHead() + QByteArray(26, '\0') + Utf16Le(QStringLiteral("$WM/Genre"));
    head.append(466 - head.size(), '\0');
    return head + description + QByteArray(100, '\0');
}

INSTANTIATE_TEST_SUITE_P(
    Descriptions, AsfTitleTest,
    ::testing::Values(
        AsfCase{"Title", Asf(QStringLiteral("Windows title  "), QStringLiteral("Author")), "Windows title"},
        AsfCase{"JapaneseTitle", Asf(QStringLiteral("日本語のタイトル"), QString()),
                QStringLiteral("日本語のタイトル")},
        AsfCase{"TitleLengthZero", AsfHead() + Description(0, 4, QByteArray(40, 'A')), ""},
        AsfCase{"TitleLengthTwo", AsfHead() + Description(2, 4, QByteArray(40, 'A')), ""},
        AsfCase{"BehindAnExtendedDescription",
                BehindExtendedDescription(Description(10, 2,
                                                      Utf16Le(QStringLiteral("Ext ")) + QByteArray(4, '\0'))),
                "Ext"},
        // Seven bytes of title: the odd one is dropped.
        AsfCase{"OddTitleLength",
                AsfHead() + Description(9, 0, Utf16Le(QStringLiteral("ABC")) + QByteArray("D\0\0\0\0\0", 6)),
                "ABC"},
        AsfCase{"TitleWithoutItsNull", AsfHead() + Description(8, 0, QByteArray("O\0K\0!\0?\0\0\0\0\0", 12)),
                "OK!"},
        AsfCase{"LengthsBeyondTheFile",
                AsfHead() + Description(0xFFFF, 0xFFFF, Utf16Le(QStringLiteral("cut"))), ""},
        AsfCase{"NoAsfHeader",
                QByteArray(30, '\0') +
                    Description(8, 0, Utf16Le(QStringLiteral("Fake")) + QByteArray(4, '\0')),
                ""},
        AsfCase{"ShorterThanTheLengths", AsfHead() + kContentDescriptionGuid, ""},
        AsfCase{"ExtendedVariantInAShortFile",
                AsfHead() + QByteArray(26, '\0') + Utf16Le(QStringLiteral("$WM/")) + QByteArray(10, '\0'),
                ""}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Choice of reader ----

TEST_F(ProbeTest, ReaderIsChosenByTheExtensionWhateverItsCase)
{
    const QByteArray mp3 = Mp3(Tag(3, Frame(3, "TIT2", Text("Tagged"))));
    EXPECT_EQ(ProbeTitle(Write(QStringLiteral("lower.mp3"), mp3)), u"Tagged");
    EXPECT_EQ(ProbeTitle(Write(QStringLiteral("Mixed.Mp3"), mp3)), u"Tagged");
    EXPECT_EQ(ProbeTitle(Write(QStringLiteral("other.ogg"), mp3)), u"");
    EXPECT_EQ(ProbeTitle(Write(QStringLiteral("mp3"), mp3)), u"");
    EXPECT_EQ(ProbeTitle(Write(QStringLiteral("asf.mid"), Asf(QStringLiteral("x"), QString()))), u"");
    EXPECT_EQ(ProbeTitle(dir.filePath(QStringLiteral("missing.mp3"))), u"");
    QDir(dir.path()).mkdir(QStringLiteral("folder.mp3"));
    EXPECT_EQ(ProbeTitle(dir.filePath(QStringLiteral("folder.mp3"))), u"");
}

} // namespace
