#include "media/DVDMedia.h"
#include "media/VideoWindow.h"
#include "platform/MessageBox.h"
#include "platform/dvd/DvdGraph.h"
#include "support/DvdDisc.h"
#include "support/Wait.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Readable failure output for texts.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

using testsupport::WaitUntil;

QString Ifo(const QString& disc)
{
    return disc + QStringLiteral("/VIDEO_TS/VIDEO_TS.IFO");
}

class DVDMediaTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        platform::SetMessageBoxObserver([this](const QString& text, int) {
            messages << text;
            return platform::kIdOk;
        });
        CMedia::RememberedVideoRect() = QRect(0, 0, 0, 0);
        disc = media_files::DvdDisc();
        ASSERT_FALSE(disc.isEmpty()) << "the test disc could not be authored";
    }
    void TearDown() override
    {
        engine.Close();
        platform::SetMessageBoxObserver(nullptr);
    }

    // Hands the engine its events and asks for the position, as the controller's tick does,
    // until `done` holds.
    bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 20000)
    {
        return WaitUntil(
            [&] {
                while (engine.HandleGraphEvent() != 0) {
                }
                int t = 0;
                int c = 0;
                engine.GetLocation(&t, &c);
                return done();
            },
            timeoutMs);
    }

    // Opens the disc, plays it and waits for its title menu.
    void OpenInMenu(const QString& path)
    {
        QWidget* video = nullptr;
        ASSERT_TRUE(engine.OpenMedia(&mainWindow, path, &video)) << messages.join(u'\n').toStdString();
        ASSERT_NE(video, nullptr);
        ASSERT_TRUE(engine.Play());
        ASSERT_TRUE(PumpUntil([&] { return engine.GetDomain() == platform::kDvdDomainVideoManagerMenu; }));
        ASSERT_TRUE(PumpUntil([&] { return engine.Dvd()->SelectedButton() == 1; }));
    }

    // From the menu into title 1 through the menu's left button.
    void EnterTitleOne()
    {
        engine.MenuKey(4, 0);
        ASSERT_TRUE(
            PumpUntil([&] { return engine.GetDomain() == platform::kDvdDomainTitle && engine.title == 1; }));
    }

    QObject mainWindow;
    CDVDMedia engine;
    QStringList messages;
    QString disc;
};

TEST_F(DVDMediaTest, ItemNamesConvertToTitlesChaptersAndTheDiscsIfo)
{
    int title = -1;
    EXPECT_EQ(engine.ParseChapterItem(QStringLiteral("/media/dvd/VIDEO_TS/VIDEO_TS_02_011.IFO"), &title), 11);
    EXPECT_EQ(title, 2);
    title = -1;
    EXPECT_EQ(engine.ParseChapterItem(QStringLiteral("/media/dvd/VIDEO_TS/VIDEOTS.IFO"), &title), 0);
    EXPECT_EQ(title, 0);
    title = -1;
    EXPECT_EQ(engine.ParseChapterItem(QStringLiteral("/media/dvd/VIDEO_TS/"), &title), 0);
    EXPECT_EQ(title, 0);
    // Short or garbled numbers read as far as they go.
    EXPECT_EQ(engine.ParseChapterItem(QStringLiteral("/d/VIDEO_TS_7"), &title), 0);
    EXPECT_EQ(title, 7);

    EXPECT_EQ(CDVDMedia::GetIfoFromItem(QStringLiteral("/media/dvd/VIDEO_TS/VIDEO_TS_02_011.IFO")),
              QStringLiteral("/media/dvd/VIDEO_TS/VIDEO_TS.IFO"));
    EXPECT_EQ(CDVDMedia::GetIfoFromItem(QStringLiteral("/x/disc.iso/AUDIO_TS/AUDIO_TS_01_001.IFO")),
              QStringLiteral("/x/disc.iso/AUDIO_TS/AUDIO_TS.IFO"));
    EXPECT_TRUE(CDVDMedia::GetIfoFromItem(QStringLiteral("/media/dvd/VIDEO_TS/VIDEOTS.IFO")).isEmpty());

    QString ifo = QStringLiteral("stale");
    ASSERT_TRUE(CDVDMedia::FindIfo(disc, &ifo, true)); // no AUDIO_TS: the video one
    EXPECT_EQ(ifo, Ifo(disc));
    QTemporaryDir empty;
    EXPECT_FALSE(CDVDMedia::FindIfo(empty.path(), &ifo, false));
    EXPECT_TRUE(ifo.isEmpty());
    ASSERT_TRUE(QDir(empty.path()).mkpath(QStringLiteral("AUDIO_TS")));
    QFile audio(empty.filePath(QStringLiteral("AUDIO_TS/AUDIO_TS.IFO")));
    ASSERT_TRUE(audio.open(QIODevice::WriteOnly));
    audio.close();
    EXPECT_TRUE(CDVDMedia::FindIfo(empty.path(), &ifo, true));
    EXPECT_EQ(ifo, empty.path() + QStringLiteral("/AUDIO_TS/AUDIO_TS.IFO"));
    EXPECT_FALSE(CDVDMedia::FindIfo(empty.path(), &ifo, false));

    const QString image = media_files::DvdDiscImage();
    ASSERT_FALSE(image.isEmpty());
    ASSERT_TRUE(CDVDMedia::FindIfo(image, &ifo, true)); // looked for inside the image
    EXPECT_EQ(ifo, image + QStringLiteral("/VIDEO_TS/VIDEO_TS.IFO"));
}

TEST_F(DVDMediaTest, RequestsOnAClosedEngineAreClampedAndKeptPending)
{
    engine.PlayTitle(0, true);
    EXPECT_EQ(engine.pendingKind, 1);
    EXPECT_EQ(engine.pendingTitle, 1);

    engine.title = 99;
    engine.pendingKind = 0;
    engine.PlayTitle(+1, false); // stays on 99: nothing to do
    EXPECT_EQ(engine.pendingKind, 0);
    engine.PlayTitle(150, true);
    EXPECT_EQ(engine.pendingKind, 0);
    engine.title = 0;

    engine.PlayChapter(0, true, 0);
    EXPECT_EQ(engine.pendingKind, 2);
    EXPECT_EQ(engine.pendingChapter, 1);
    EXPECT_EQ(engine.pendingTitle, 1);
    engine.PlayChapter(-3, true, 120);
    EXPECT_EQ(engine.pendingChapter, 999);
    EXPECT_EQ(engine.pendingTitle, 99);
    engine.title = 2;
    engine.chapter = 3;
    engine.pendingKind = 0;
    engine.PlayChapter(0, false, 0); // lands on the current chapter and title
    EXPECT_EQ(engine.pendingKind, 0);
    engine.title = engine.chapter = 0;

    EXPECT_FALSE(engine.Seek(-1, 2));
    EXPECT_EQ(engine.pendingKind, 3);
    EXPECT_EQ(engine.pendingMs, 0);
    EXPECT_EQ(engine.pendingTitle, 2);

    engine.SelectAudio(8);
    engine.SelectSubpicture(40, true);
    EXPECT_EQ(engine.audioStream, 8);
    EXPECT_EQ(engine.subpictureStream, 40);
    EXPECT_TRUE(engine.subpictureShown);

    // Navigation without a disc does nothing.
    int title = 7;
    int chapter = 7;
    EXPECT_EQ(engine.GetLocation(&title, &chapter), -1);
    EXPECT_EQ(title, 7);
    engine.MenuKey(4, 0);
    engine.MenuKey(1, 1);
    engine.PointerAction(1, 10, 10);
    engine.ShowMenu(2);
    engine.SelectAngle(1);
    QStringList items;
    bool found = false;
    int foundPos = -1;
    EXPECT_FALSE(engine.ListChapterItems(Ifo(disc), &items, &found, &foundPos, QString(), true));
    EXPECT_TRUE(items.isEmpty());
    QStringList names{QStringLiteral("stale")};
    unsigned count = 9;
    unsigned long current = 0;
    engine.GetAudioStreams(&names, &count, &current);
    EXPECT_TRUE(names.isEmpty());
    EXPECT_EQ(engine.HandleGraphEvent(), 0);
    EXPECT_FALSE(engine.Play());
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
}

TEST_F(DVDMediaTest, OpensInTheMenuAndListsEveryChapter)
{
    OpenInMenu(Ifo(disc));
    EXPECT_TRUE(engine.stillOn);
    EXPECT_EQ(engine.GetValidUops() & platform::kUopSelectOrActivateButton, 0u);
    EXPECT_TRUE(engine.changed); // a menu was entered

    QStringList items{QStringLiteral("kept")};
    bool found = false;
    int foundPos = -1;
    const QString wanted = disc + QStringLiteral("/VIDEO_TS/VIDEO_TS_02_001.IFO");
    EXPECT_TRUE(engine.ListChapterItems(Ifo(disc), &items, &found, &foundPos, wanted, true));
    const QString stem = disc + QStringLiteral("/VIDEO_TS/VIDEO_TS_");
    EXPECT_EQ(items, (QStringList{QStringLiteral("kept"), stem + QStringLiteral("01_001.IFO"),
                                  stem + QStringLiteral("01_002.IFO"), stem + QStringLiteral("01_003.IFO"),
                                  stem + QStringLiteral("02_001.IFO"), stem + QStringLiteral("02_002.IFO")}));
    EXPECT_TRUE(found);
    EXPECT_EQ(foundPos, 4);
    EXPECT_EQ(engine.BuildItemName(2, 1), wanted);

    // Languages and angles are told in a title only.
    QStringList names;
    unsigned count = 0;
    unsigned long current = 0;
    engine.GetAudioStreams(&names, &count, &current);
    EXPECT_TRUE(names.isEmpty());
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
}

} // namespace
