#include "platform/ipc/MediaProtocol.h"

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

} // namespace
