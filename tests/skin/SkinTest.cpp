#include "Bmp.h"
#include "skin/SkinDefinition.h"
#include "skin/WindowSkin.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class SkinTest : public ::testing::Test
{
protected:
    QString SkinFile(const QByteArray& text)
    {
        const QString path = dir.filePath(QStringLiteral("skin.ini"));
        EXPECT_TRUE(bmp::Write(path, "[Position]\n" + text));
        return path;
    }
    // Points of a region, for comparing shapes without caring how they are cut into rectangles.
    static bool Same(const QRegion& a, const QRegion& b) { return a.xored(b).isEmpty(); }

    QTemporaryDir dir;
    WindowSkin skin;
};

TEST_F(SkinTest, ValuesAndTheirDefaults)
{
    SkinDefinition definition;
    ReadSkinDefinition(dir.filePath(QStringLiteral("none.ini")), &definition);
    EXPECT_EQ(definition.back, u"Sorlin.bmp");
    EXPECT_EQ(definition.shape, (std::vector<QPoint>{{0, 0}, {179, 179}}));
    EXPECT_EQ(definition.buttonCount, 50);
    EXPECT_EQ(definition.buttons[49].points.size(), 4u);
    EXPECT_EQ(definition.baseColour, 0xD09FDBu);
    EXPECT_EQ(ToQColor(definition.baseColour), QColor(0xDB, 0x9F, 0xD0));

    ReadSkinDefinition(SkinFile("BackShape=10, 20, 30, 40, 50\n"
                                "BtnMax=70\nBtn1=1,2,3\nBtnName1=再生\n"
                                "BaseClr=not a colour\nBtnOnClr=FF0000\nForeClr=  0x00ff00\n"
                                "BaseSize=123\nMainFirst=1\nStrArea=5,6,7,8,9\n"),
                       &definition);
    EXPECT_EQ(definition.shape, (std::vector<QPoint>{{10, 20}, {30, 40}})) << "the odd number is dropped";
    EXPECT_EQ(definition.buttonCount, 50) << "no more buttons than the tables hold";
    EXPECT_EQ(definition.buttons[0].points, (std::vector<QPoint>{{1, 2}}));
    EXPECT_EQ(definition.buttons[0].name, QStringLiteral("再生"));
    EXPECT_EQ(definition.baseColour, 0xD09FDBu) << "kept";
    EXPECT_EQ(definition.baseBrush, 0u) << "but the fill is black";
    EXPECT_EQ(ToQColor(definition.buttonOnColour), QColor(0, 0, 255)) << "FF0000 is blue";
    EXPECT_EQ(definition.foreColour, 0x00ff00u);
    EXPECT_EQ(definition.baseSize, QSize(0, 0)) << "without a comma the old size stays";
    EXPECT_TRUE(definition.mainFirst);
    EXPECT_EQ(definition.textArea0, QPoint(5, 6));
    EXPECT_EQ(definition.textArea1, QPoint(7, 8));

    ReadSkinDefinition(SkinFile("BtnMax=-3\nBaseSize=40,30\n"), &definition);
    EXPECT_EQ(definition.buttonCount, 0);
    EXPECT_TRUE(definition.buttons[0].points.empty());
    EXPECT_EQ(definition.baseSize, QSize(40, 30));

    const std::vector<QPoint> many = ParseSkinPointList(QString(QStringLiteral("1,")).repeated(300));
    EXPECT_EQ(many.size(), 100u);
}

TEST_F(SkinTest, OutlinesScaleFromTheBaseSize)
{
    // Without a skin file there is no base size: the default outline, the circle of
    // (0, 0)–(179, 179), is taken in the window's own coordinates.
    skin.Read(dir.filePath(QStringLiteral("none.ini")));
    skin.Rebuild(QRect(0, 0, 179, 179), nullptr);
    EXPECT_TRUE(Same(skin.WindowRegion(), QRegion(QRect(0, 0, 179, 179), QRegion::Ellipse)));
    for (const auto& button : skin.ButtonRegions())
        EXPECT_TRUE(button && button->isEmpty()) << "the default points enclose nothing";
    EXPECT_TRUE(skin.TextArea().isEmpty());

    // An ellipse and a rectangle, in a skin drawn at 100 × 50 shown at 200 × 100.
    skin.Read(SkinFile("BaseSize=100,50\nBackShapeType=0,1\nBackShape=0,0,50,50,40,10,100,40\n"
                       "BtnMax=2\nBtn1=10,10,30,10,30,30,10,30\n"));
    skin.Rebuild(QRect(0, 0, 200, 100), nullptr);
    const QRegion expected =
        QRegion(QRect(0, 0, 100, 100), QRegion::Ellipse) + QRegion(QRect(80, 20, 120, 60));
    EXPECT_TRUE(Same(skin.WindowRegion(), expected));
    ASSERT_TRUE(skin.ButtonRegions()[0]);
    EXPECT_EQ(skin.ButtonRegions()[0]->boundingRect(), QRect(20, 20, 40, 40));
    EXPECT_TRUE(skin.ButtonRegions()[1]->isEmpty()) << "the default points enclose nothing";
    EXPECT_EQ(skin.HitTest(QPoint(30, 30)), 0);
    EXPECT_EQ(skin.HitTest(QPoint(150, 90)), kNoHit);

    // A polygon outline, and a text band one line tall centred on its line.
    skin.SetLineHeight(20);
    skin.Read(
        SkinFile("BaseSize=100,100\nBackShapeType=2\nBackShape=0,0,100,0,50,100\nStrArea=10,50,90,50\n"));
    skin.Rebuild(QRect(0, 0, 100, 100), nullptr);
    EXPECT_TRUE(skin.WindowRegion().contains(QPoint(50, 10)));
    EXPECT_FALSE(skin.WindowRegion().contains(QPoint(5, 90)));
    EXPECT_EQ(skin.TextArea().boundingRect(), QRect(10, 40, 80, 20));
    EXPECT_EQ(skin.HitTest(QPoint(50, 45)), kTextAreaHit);

    // Outline types outside 0 … 3 are the ellipse of the window.
    skin.Read(SkinFile("BaseSize=10,10\nBackShapeType=-4\n"));
    skin.Rebuild(QRect(0, 0, 60, 40), nullptr);
    EXPECT_TRUE(Same(skin.WindowRegion(), QRegion(QRect(0, 0, 60, 40), QRegion::Ellipse)));

    // Outlines far past any screen, scaled up by a tiny base size, stop a window's size past its
    // edges: no edge wraps round and no region grows to gigabytes.
    const char* huge[] = {
        "BaseSize=1,1\nBackShapeType=0\nBackShape=0,0,-2147483648,-2147483648\n",
        "BaseSize=1,1\nBackShapeType=0\nBackShape=-2147483647,-2147483647,2147483647,2147483647\n",
        "BaseSize=1,1\nBackShapeType=2\nBackShape=0,0,2147483647,0,0,2147483647\nBtnMax=1\n"
        "Btn1=0,0,2147483647,0,0,2147483647\n",
    };
    for (const char* text : huge) {
        SCOPED_TRACE(text);
        skin.Read(SkinFile(text));
        skin.Rebuild(QRect(0, 0, 200, 100), nullptr);
        const QRect bounds = skin.WindowRegion().boundingRect();
        EXPECT_GE(bounds.left(), -200);
        EXPECT_LE(bounds.bottom(), 400);
    }
}

TEST_F(SkinTest, MaskColoursGiveButtonsAndTextArea)
{
    // 20 × 10 mask: button 1 at columns 0–4, button 2 at 5–9 in the top half, text area in
    // the bottom half; white elsewhere.
    bmp::Spec mask;
    mask.width = 20;
    mask.height = 10;
    mask.colour = [](int x, int y) {
        if (y >= 5)
            return qRgb(255, 99, 255);
        if (x < 5)
            return qRgb(255, 1, 255);
        if (x < 10)
            return qRgb(255, 2, 255);
        return qRgb(255, 255, 255);
    };
    ASSERT_TRUE(bmp::Write(dir.filePath(QStringLiteral("mask.bmp")), bmp::File(mask)));
    skin.Read(SkinFile("BtnMax=3\nBtn3=0,0,20,0,20,10\n"));
    ASSERT_TRUE(skin.LoadMask(dir.filePath(QStringLiteral("mask.bmp"))));
    EXPECT_EQ(skin.Definition().baseSize, QSize(20, 10)) << "taken from the mask";

    skin.Rebuild(QRect(0, 0, 40, 20), nullptr); // twice the mask's size
    ASSERT_TRUE(skin.ButtonRegions()[0]);
    EXPECT_TRUE(Same(*skin.ButtonRegions()[0], QRegion(0, 0, 10, 10)));
    EXPECT_TRUE(Same(*skin.ButtonRegions()[1], QRegion(10, 0, 10, 10)));
    EXPECT_FALSE(skin.ButtonRegions()[2]) << "in mask mode the outlines are not used";
    EXPECT_TRUE(Same(skin.TextArea(), QRegion(0, 10, 40, 10)));
    EXPECT_EQ(skin.HitTest(QPoint(12, 3)), 1);
    EXPECT_EQ(skin.HitTest(QPoint(30, 15)), kTextAreaHit);

    // An odd scale still covers every pixel's cell without gaps.
    skin.Rebuild(QRect(0, 0, 33, 17), nullptr);
    QRegion all = skin.TextArea();
    for (const auto& button : skin.ButtonRegions())
        if (button)
            all += *button;
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_TRUE(all.contains(QPoint(x, y))) << x << "," << y;

    // A mask that is not 24 bits gives no areas; the text area falls back to its rectangle.
    bmp::Spec eight;
    eight.bitCount = 8;
    eight.palette = {qRgb(255, 1, 255)};
    ASSERT_TRUE(bmp::Write(dir.filePath(QStringLiteral("mask8.bmp")), bmp::File(eight)));
    skin.Read(SkinFile("BaseSize=10,10\nStrArea=0,0,10,5\n"));
    ASSERT_TRUE(skin.LoadMask(dir.filePath(QStringLiteral("mask8.bmp"))));
    skin.Rebuild(QRect(0, 0, 10, 10), nullptr);
    EXPECT_FALSE(skin.ButtonRegions()[0]);
    EXPECT_EQ(skin.TextArea().boundingRect(), QRect(0, 0, 10, 5));
}

TEST_F(SkinTest, KeyColourOfTheBackgroundIsCutOut)
{
    bmp::Spec picture;
    picture.width = 10;
    picture.height = 10;
    picture.colour = [](int x, int y) { return x + y < 5 ? qRgb(0, 255, 0) : qRgb(9, 9, 9); };
    ASSERT_TRUE(bmp::Write(dir.filePath(QStringLiteral("back.bmp")), bmp::File(picture)));
    CDib background;
    ASSERT_TRUE(background.Load(dir.filePath(QStringLiteral("back.bmp"))));
    skin.Read(SkinFile("BaseSize=10,10\nBackShapeType=3\n"));
    skin.Rebuild(QRect(0, 0, 10, 10), &background);
    EXPECT_FALSE(skin.WindowRegion().contains(QPoint(0, 0)));
    EXPECT_FALSE(skin.WindowRegion().contains(QPoint(2, 2)));
    EXPECT_TRUE(skin.WindowRegion().contains(QPoint(3, 2)));
    EXPECT_TRUE(skin.WindowRegion().contains(QPoint(9, 9)));
}

TEST_F(SkinTest, PaintingFillsLightsFramesAndWritesInsideTheTextArea)
{
    skin.Read(SkinFile("BaseSize=100,100\nBackShapeType=1\nBackShape=0,0,100,100\nBtnMax=2\n"
                       "Btn1=10,10,40,10,40,40,10,40\nBtn2=60,10,90,10,90,40,60,40\nStrArea=0,60,100,100\n"
                       "BaseClr=000000\nBtnOffClr=FF0000\nBtnOnClr=0000FF\n"));
    skin.SetLineHeight(30);
    skin.Rebuild(QRect(0, 0, 100, 100), nullptr);
    skin.SetLit(1);
    skin.SetHover(0);

    QImage canvas(100, 100, QImage::Format_RGB32);
    canvas.fill(Qt::gray);
    QPainter painter(&canvas);
    WindowSkin::PaintOptions options;
    options.showButtons = true;
    options.textColour = Qt::white;
    QFont font;
    font.setPixelSize(20);
    options.font = font;
    options.text = QStringLiteral("88:88");
    skin.Paint(painter, canvas.rect(), options);
    painter.end();

    EXPECT_EQ(canvas.pixel(5, 5), qRgb(0, 0, 0)) << "the base colour";
    EXPECT_EQ(canvas.pixel(25, 25), qRgb(0, 0, 255)) << "button 1 off: FF0000 is blue";
    EXPECT_EQ(canvas.pixel(75, 25), qRgb(255, 0, 0)) << "button 2 lit: 0000FF is red";
    EXPECT_EQ(canvas.pixel(10, 25), qRgb(255, 0, 0)) << "the frame of every button";
    int textPixels = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            if (canvas.pixel(x, y) == qRgb(255, 255, 255)) {
                ++textPixels;
                EXPECT_TRUE(skin.TextArea().contains(QPoint(x, y))) << x << "," << y;
            }
    EXPECT_GT(textPixels, 20);
}

} // namespace
