#include "platform/ipc/MediaProtocol.h"

#include <QStringList>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

using namespace platform::ipc;

TEST(ProtocolTest, MessagesReadBackAsTheyWereWritten)
{
    Header header;
    header.type = MessageType::Event;
    header.id = 0x01020304;
    header.code = static_cast<quint16>(EventKind::Frame);
    header.handle = 0xA0B0C0D0;
    RenderResult sent;
    sent.ok = true;
    sent.videoWidth = 720;
    sent.videoHeight = 480;
    sent.device = QStringLiteral("/discs/ディスク.iso");
    platform::DvdTitleInfo title;
    title.chapters = 12;
    title.audioLanguages = QStringList{QStringLiteral("ja"), QString()};
    title.pal = true;
    sent.volume.titles = {title, platform::DvdTitleInfo{}};
    const QList<platform::ElementProperty> properties{
        {QStringLiteral("name"), QStringLiteral("v"), QStringLiteral("d")}};

    Header read;
    QByteArray arguments;
    ASSERT_TRUE(Decode(Encode(header, Pack(sent, properties)), &read, &arguments));
    EXPECT_EQ(read.type, header.type);
    EXPECT_EQ(read.id, header.id);
    EXPECT_EQ(read.code, header.code);
    EXPECT_EQ(read.handle, header.handle);
    RenderResult got;
    QList<platform::ElementProperty> gotProperties;
    ASSERT_TRUE((Unpack(arguments) >> got >> gotProperties).Ok());
    EXPECT_TRUE(got.ok);
    EXPECT_EQ(got.videoWidth, 720);
    EXPECT_EQ(got.device, sent.device);
    ASSERT_EQ(got.volume.titles.size(), 2u);
    EXPECT_EQ(got.volume.titles[0].chapters, 12);
    EXPECT_EQ(got.volume.titles[0].audioLanguages, title.audioLanguages);
    EXPECT_TRUE(got.volume.titles[0].pal);
    ASSERT_EQ(gotProperties.size(), 1);
    EXPECT_EQ(gotProperties[0].description, QStringLiteral("d"));
}

TEST(ProtocolTest, BrokenArgumentsAreRefusedWithoutTakingMemoryForThem)
{
    // A list that claims four thousand million elements in a message of a few bytes: refused
    // before anything is set aside for it.
    QByteArray huge(4, '\0');
    qToBigEndian<quint32>(0xFFFFFFFFu, huge.data());
    QStringList names;
    EXPECT_FALSE((Unpack(huge) >> names).Ok());
    EXPECT_TRUE(names.isEmpty());
    QList<platform::ElementProperty> properties;
    EXPECT_FALSE((Unpack(huge + QByteArray(64, 'x')) >> properties).Ok());

    // A DVD table of more titles than a disc has, short values, and bytes left over.
    platform::DvdVolume volume;
    QByteArray titles(4, '\0');
    qToBigEndian<quint32>(100, titles.data());
    EXPECT_FALSE((Unpack(titles + QByteArray(4000, '\0')) >> volume).Ok());
    qint64 position = 0;
    EXPECT_FALSE((Unpack(QByteArray(3, '\0')) >> position).Ok());
    EXPECT_FALSE((Unpack(Pack(qint64(5), qint32(1))) >> position).Ok()) << "bytes left over";
    EXPECT_TRUE((Unpack(Pack(qint64(5))) >> position).Ok());
    EXPECT_EQ(position, 5);

    // Headers that are too short or of no known type.
    Header header;
    QByteArray arguments;
    EXPECT_FALSE(Decode(QByteArray(kHeaderBytes - 1, '\x01'), &header, &arguments));
    EXPECT_FALSE(Decode(QByteArray(kHeaderBytes, '\x09'), &header, &arguments));
    EXPECT_FALSE(Decode(QByteArray(kHeaderBytes, '\0'), &header, &arguments));
}

// Takes every DVD command and writes down what it was given.
class RecordingDvdGraph
{
public:
    SORLIN_DVD_COMMAND_DECLARATIONS
    QStringList calls;

private:
    static QString Text(int value) { return QString::number(value); }
    static QString Text(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }
    static QString Text(double value) { return QString::number(value); }
    static QString Text(platform::DvdMenu value) { return QString::number(static_cast<int>(value)); }
    static QString Text(platform::DvdButtonMove value) { return QString::number(static_cast<int>(value)); }
    static QString Text(const platform::DvdTimeCode& value)
    {
        return QStringLiteral("%1:%2:%3.%4")
            .arg(value.hours)
            .arg(value.minutes)
            .arg(value.seconds)
            .arg(value.frames);
    }
    auto Note(const char* name)
    {
        return [this, name](const auto&... values) {
            QStringList words{QString::fromLatin1(name)};
            (words.append(Text(values)), ...);
            calls << words.join(u' ');
            return true;
        };
    }
};

using platform::DvdButtonMove;
using platform::DvdMenu;
using platform::DvdTimeCode;

#define RECORD_DVD_COMMAND(name, parameters, arguments)                                                      \
    bool RecordingDvdGraph::name parameters                                                                  \
    {                                                                                                        \
        return Note(#name) arguments;                                                                        \
    }
SORLIN_DVD_COMMANDS(RECORD_DVD_COMMAND)
#undef RECORD_DVD_COMMAND

// What the media process carries out for a command that went over the wire.
QString Delivered(const DvdCommandArgs& sent)
{
    DvdCommandArgs received;
    if (!(Unpack(Pack(sent)) >> received).Ok())
        return QStringLiteral("unreadable");
    RecordingDvdGraph graph;
    if (!DispatchDvdCommand(graph, received))
        return QStringLiteral("refused");
    return graph.calls.join(u'|');
}

TEST(ProtocolTest, DvdCommandsReachTheirCallWithEveryValueInItsPlace)
{
    const struct
    {
        DvdCommandArgs sent;
        const char* delivered;
    } cases[] = {
        {MakeDvdCommand(DvdCommandId::PlayTitle)(7), "PlayTitle 7"},
        {MakeDvdCommand(DvdCommandId::PlayAtTimeInTitle)(3, DvdTimeCode{1, 2, 3, 4, 1}),
         "PlayAtTimeInTitle 3 1:2:3.4"},
        {MakeDvdCommand(DvdCommandId::PlayChapterInTitle)(2, 15), "PlayChapterInTitle 2 15"},
        {MakeDvdCommand(DvdCommandId::ShowMenu)(DvdMenu::kChapter), "ShowMenu 7"},
        {MakeDvdCommand(DvdCommandId::Resume)(), "Resume"},
        {MakeDvdCommand(DvdCommandId::SelectButton)(DvdButtonMove::Down), "SelectButton 3"},
        {MakeDvdCommand(DvdCommandId::ActivateAtPosition)(520, -4), "ActivateAtPosition 520 -4"},
        {MakeDvdCommand(DvdCommandId::SetSubpictureState)(true), "SetSubpictureState true"},
        {MakeDvdCommand(DvdCommandId::PlayBackwards)(0.5), "PlayBackwards 0.5"},
        {MakeDvdCommand(DvdCommandId::SetClosedCaptions)(false), "SetClosedCaptions false"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Delivered(c.sent), QString::fromLatin1(c.delivered));

    // Values from a window process gone wrong name no menu, no move, no command.
    const auto command = [](DvdCommandId id, qint32 a) {
        DvdCommandArgs args;
        args.command = id;
        args.a = a;
        return args;
    };
    for (const DvdCommandArgs& bad :
         {command(DvdCommandId::ShowMenu, 1), command(DvdCommandId::ShowMenu, 8),
          command(DvdCommandId::SelectButton, -1), command(DvdCommandId::SelectButton, 4),
          command(DvdCommandId::None, 0), command(static_cast<DvdCommandId>(9999), 0)})
        EXPECT_EQ(Delivered(bad), QStringLiteral("refused")) << static_cast<int>(bad.command) << " " << bad.a;
}

} // namespace
