#include "skin/WindowSkin.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The skin that ships beside the program, drawn offscreen at its own size and at twice it.
class DefaultSkinTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString folder = QStringLiteral(SORLIN_DEFAULT_SKIN_DIR);
        skin.Read(folder + QStringLiteral("/Sorlin.ini"));
        // The background is a PNG: it comes through the program's image plug-in.
        ASSERT_TRUE(QFile::copy(QStringLiteral(SORLIN_IMAGE_PLUGIN),
                                plugins.filePath(QStringLiteral("ifqtimage.spi"))));
        background.SetPluginFolder(plugins.path());
        ASSERT_TRUE(background.Load(folder + u'/' + skin.Definition().back));
    }
    QImage Render(const QSize& size, int lit, const QString& text)
    {
        skin.Rebuild(QRect(QPoint(0, 0), size), &background);
        skin.SetLit(lit);
        skin.SetLineHeight(40);
        QImage canvas(size, QImage::Format_RGB32);
        canvas.fill(Qt::magenta);
        QPainter painter(&canvas);
        WindowSkin::PaintOptions options;
        options.showButtons = true;
        options.textColour = QColor(0xff, 0xc8, 0x00); // a colour the face does not use
        options.font.setPixelSize(16);
        options.text = text;
        options.drawBackground = [this](QPainter& p, const QRect& r) { return background.Draw(p, r, true); };
        skin.Paint(painter, canvas.rect(), options);
        return canvas;
    }
    // The command numbers the default face has buttons for.
    static constexpr int kCommands[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 25, 33};

    QTemporaryDir plugins;
    WindowSkin skin;
    CDib background;
};

TEST_F(DefaultSkinTest, EveryButtonOutlineIsReadWhole)
{
    // The reader keeps 255 characters of a value; an outline longer than that loses points.
    QFile file(QStringLiteral(SORLIN_DEFAULT_SKIN_DIR) + QStringLiteral("/Sorlin.ini"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    int outlines = 0;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        bool isNumber = false;
        const int number = line.section(u'=', 0, 0).mid(3).toInt(&isNumber);
        if (!line.startsWith(QLatin1String("Btn")) || !isNumber)
            continue;
        ++outlines;
        const std::vector<QPoint> written = ParseSkinPointList(line.section(u'=', 1));
        EXPECT_EQ(skin.Definition().buttons[number - 1].points, written) << "button " << number;
    }
    EXPECT_GT(outlines, 10);
}

TEST_F(DefaultSkinTest, EveryCommandHasAButtonWithATipAndNoTwoOverlap)
{
    EXPECT_EQ(skin.Definition().baseSize, QSize(240, 150));
    EXPECT_EQ(background.SourceRect().size(), QSize(480, 300)) << "drawn at twice the size for dense screens";
    skin.Rebuild(QRect(0, 0, 240, 150), &background);
    QRegion all;
    for (int command : kCommands) {
        SCOPED_TRACE(command);
        const auto& region = skin.ButtonRegions()[command - 1];
        ASSERT_TRUE(region && !region->isEmpty());
        EXPECT_FALSE(skin.Definition().buttons[command - 1].name.isEmpty());
        EXPECT_TRUE((all & *region).isEmpty());
        all += *region;
        EXPECT_TRUE((*region & skin.TextArea()).isEmpty());
        EXPECT_EQ(skin.HitTest(region->begin()->center()), command - 1) << "each glyph hits its own button";
    }
    EXPECT_EQ(skin.Definition().buttons[2].name, QStringLiteral("再生"));
    EXPECT_EQ(skin.Definition().buttons[24].name, QStringLiteral("全画面表示"));
    for (int i = 0; i < kMaxSkinButtons; ++i) {
        if (std::find(std::begin(kCommands), std::end(kCommands), i + 1) == std::end(kCommands)) {
            EXPECT_TRUE(!skin.ButtonRegions()[i] || skin.ButtonRegions()[i]->isEmpty()) << i + 1;
        }
    }
    // Two display lines fit the text area.
    EXPECT_GE(skin.TextArea().boundingRect().height(), 2 * 20);
}

TEST_F(DefaultSkinTest, RoundedOutlineLitButtonAndTextInsideTheDisplay)
{
    for (const QSize size : {QSize(240, 150), QSize(480, 300)}) {
        SCOPED_TRACE(size.width());
        const QImage face = Render(size, 2, QStringLiteral("2026年12月07日\n12:34:56"));
        const QRegion& window = skin.WindowRegion();
        EXPECT_FALSE(window.contains(QPoint(0, 0)));
        EXPECT_FALSE(window.contains(QPoint(size.width() - 1, size.height() - 1)));
        EXPECT_TRUE(window.contains(QPoint(size.width() / 2, 1)));
        EXPECT_TRUE(window.contains(QPoint(1, size.height() / 2)));

        // The lit play button is filled with the lit colour, its neighbour with the other.
        const QRegion play = *skin.ButtonRegions()[2];
        const QPoint inside = play.boundingRect().center() - QPoint(play.boundingRect().width() / 5, 0);
        ASSERT_TRUE(play.contains(inside));
        EXPECT_EQ(QColor(face.pixel(inside)), ToQColor(skin.Definition().buttonOnColour));
        const QRegion stop = *skin.ButtonRegions()[1];
        EXPECT_EQ(QColor(face.pixel(stop.boundingRect().center())),
                  ToQColor(skin.Definition().buttonOffColour));

        // The text is drawn, and only inside the display.
        int textPixels = 0;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                if (QColor(face.pixel(x, y)) == QColor(0xff, 0xc8, 0x00)) {
                    ++textPixels;
                    EXPECT_TRUE(skin.TextArea().contains(QPoint(x, y)));
                }
        EXPECT_GT(textPixels, 30);
    }
}

} // namespace
