// Draws Sorlin's default skin: the skin definition (Sorlin.ini) and its background picture
// (Sorlin.png, drawn at twice the skin's size so it stays sharp on high-density screens).
// The buttons' outlines in the definition are the same polygons the picture draws, so the face
// looks the same whether the program fills the buttons itself (Position\BTN_SHOW) or not.
//   sorlin_skin_maker OUTPUT_FOLDER

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 150;
constexpr int kScale = 2;
constexpr int kCorner = 22;

// Colours of the face (as Qt colours); the skin file writes them blue-green-red.
const QColor kBody(0x1d, 0x23, 0x31);
const QColor kBodyLight(0x2c, 0x34, 0x47);
const QColor kRim(0x47, 0x52, 0x6b);
const QColor kGlyph(0xd3, 0xda, 0xe8);
const QColor kAccent(0x66, 0xff, 0x99);
const QColor kLcdTop(0x0b, 0x1c, 0x17);
const QColor kLcdBottom(0x06, 0x11, 0x0e);

struct Button
{
    int number; // the skin-button command
    QString tip;
    QPolygon shape; // in skin coordinates
};

QPolygon Rect(int x0, int y0, int x1, int y1)
{
    return QPolygon({QPoint(x0, y0), QPoint(x1, y0), QPoint(x1, y1), QPoint(x0, y1)});
}

QPolygon Triangle(int x0, int y0, int x1, int y1, bool right)
{
    const int mid = (y0 + y1) / 2;
    return right ? QPolygon({QPoint(x0, y0), QPoint(x1, mid), QPoint(x0, y1)})
                 : QPolygon({QPoint(x1, y0), QPoint(x0, mid), QPoint(x1, y1)});
}

// Several shapes as one polygon: each is reached from the first by a path of no width, which
// encloses nothing, so the polygon covers exactly the shapes.
QPolygon Join(const std::vector<QPolygon>& parts)
{
    QPolygon joined;
    const QPoint anchor = parts.front().front();
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            joined << anchor;
        joined << parts[i] << parts[i].front();
    }
    joined << anchor;
    return joined;
}

QPolygon Circle(QPointF centre, double r, int points, double fromDegrees = 0, double toDegrees = 360)
{
    QPolygon p;
    for (int i = 0; i <= points; ++i) {
        const double a = (fromDegrees + (toDegrees - fromDegrees) * i / points) * std::numbers::pi / 180;
        p << QPoint(static_cast<int>(std::lround(centre.x() + r * std::sin(a))),
                    static_cast<int>(std::lround(centre.y() - r * std::cos(a))));
    }
    return p;
}

std::vector<Button> Buttons()
{
    std::vector<Button> b;
    // Transport row: glyphs 18 tall around y = 90.
    const int t = 81, m = 99;
    b.push_back({8, QStringLiteral("前の曲"), Join({Rect(16, t, 19, m), Triangle(19, t, 32, m, false)})});
    b.push_back({12, QStringLiteral("巻き戻し"),
                 Join({Triangle(46, t, 56, m, false), Triangle(56, t, 66, m, false)})});
    b.push_back({3, QStringLiteral("再生"), Triangle(82, t - 1, 98, m + 1, true)});
    b.push_back({4, QStringLiteral("一時停止"), Join({Rect(113, t, 118, m), Rect(122, t, 127, m)})});
    b.push_back({2, QStringLiteral("停止"), Rect(144, t + 1, 160, m - 1)});
    b.push_back({13, QStringLiteral("早送り"),
                 Join({Triangle(174, t, 184, m, true), Triangle(184, t, 194, m, true)})});
    b.push_back({9, QStringLiteral("次の曲"), Join({Triangle(208, t, 221, m, true), Rect(221, t, 224, m)})});
    // Second row: smaller glyphs around y = 124.
    const int u = 117, v = 131;
    b.push_back({10, QStringLiteral("最初の曲"), Join({Rect(16, u, 18, v), Triangle(18, u, 28, v, false)})});
    b.push_back({11, QStringLiteral("最後の曲"), Join({Triangle(44, u, 54, v, true), Rect(54, u, 56, v)})});
    b.push_back({6, QStringLiteral("開く"),
                 QPolygon({QPoint(72, u + 1), QPoint(78, u + 1), QPoint(80, u + 3), QPoint(86, u + 3),
                           QPoint(86, v), QPoint(72, v)})});
    b.push_back({5, QStringLiteral("取り出し"),
                 Join({QPolygon({QPoint(99, u + 8), QPoint(106, u), QPoint(113, u + 8)}),
                       Rect(100, u + 11, 112, v)})});
    // Full screen: a screen on its stand.
    b.push_back(
        {25, QStringLiteral("全画面表示"),
         Join({Rect(127, u, 143, u + 10), Rect(133, u + 10, 137, v - 1), Rect(130, v - 1, 140, v + 1)})});
    // Play settings: a cog.
    {
        QPolygon cog;
        for (int i = 0; i < 16; ++i) {
            const double a = i * std::numbers::pi / 8 + std::numbers::pi / 16;
            const double r = (i % 2 == 0) ? 8.0 : 5.5;
            cog << QPoint(static_cast<int>(std::lround(162 + r * std::sin(a))),
                          static_cast<int>(std::lround(124 - r * std::cos(a))));
        }
        b.push_back({33, QStringLiteral("再生設定"), cog});
    }
    // Close the medium: a cross.
    b.push_back({7, QStringLiteral("閉じる"),
                 QPolygon({QPoint(183, u), QPoint(190, u + 5), QPoint(197, u), QPoint(199, u + 2),
                           QPoint(192, u + 7), QPoint(199, u + 12), QPoint(197, v), QPoint(190, u + 9),
                           QPoint(183, v), QPoint(181, u + 12), QPoint(188, u + 7), QPoint(181, u + 2)})});
    // Exit: the power sign, an open ring with a bar through its gap.
    {
        // Few points: a value longer than 255 characters is cut short by the skin reader.
        QPolygon ring = Circle(QPointF(218, 125), 7.5, 9, 35, 325);
        QPolygon inner = Circle(QPointF(218, 125), 4.5, 9, 325, 35);
        ring << inner;
        b.push_back({1, QStringLiteral("終了"), Join({ring, Rect(216, u - 1, 220, u + 8)})});
    }
    return b;
}

QString Points(const QPolygon& polygon)
{
    QStringList numbers;
    for (const QPoint& p : polygon)
        numbers << QString::number(p.x()) << QString::number(p.y());
    return numbers.join(u',');
}

QString Bgr(const QColor& c)
{
    return QStringLiteral("%1%2%3")
        .arg(c.blue(), 2, 16, QLatin1Char('0'))
        .arg(c.green(), 2, 16, QLatin1Char('0'))
        .arg(c.red(), 2, 16, QLatin1Char('0'))
        .toUpper();
}

void DrawFace(QPainter& p, const std::vector<Button>& buttons)
{
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath body;
    body.addRoundedRect(QRectF(0.5, 0.5, kWidth - 1, kHeight - 1), kCorner, kCorner);
    QLinearGradient bodyFill(0, 0, 0, kHeight);
    bodyFill.setColorAt(0, kBodyLight);
    bodyFill.setColorAt(1, kBody);
    p.fillPath(body, bodyFill);
    p.setPen(QPen(kRim, 1));
    p.drawPath(body);

    // The display: a dark window with a faint glow at its top.
    QPainterPath lcd;
    lcd.addRoundedRect(QRectF(12, 9, 216, 58), 11, 11);
    QLinearGradient lcdFill(0, 9, 0, 67);
    lcdFill.setColorAt(0, kLcdTop);
    lcdFill.setColorAt(1, kLcdBottom);
    p.fillPath(lcd, lcdFill);
    QRadialGradient glow(QPointF(120, 12), 110);
    glow.setColorAt(0, QColor(0x66, 0xff, 0x99, 26));
    glow.setColorAt(1, QColor(0x66, 0xff, 0x99, 0));
    p.fillPath(lcd, glow);
    p.setPen(QPen(QColor(0, 0, 0, 140), 1.2));
    p.drawPath(lcd);
    p.setPen(QPen(QColor(255, 255, 255, 28), 1));
    p.drawLine(QPointF(24, 67.5), QPointF(216, 67.5));

    // A groove between the rows.
    p.setPen(QPen(QColor(0, 0, 0, 90), 1));
    p.drawLine(QPointF(18, 108.5), QPointF(222, 108.5));
    p.setPen(QPen(QColor(255, 255, 255, 20), 1));
    p.drawLine(QPointF(18, 109.5), QPointF(222, 109.5));

    for (const Button& button : buttons) {
        QPainterPath glyph;
        glyph.addPolygon(QPolygonF(button.shape));
        glyph.closeSubpath();
        glyph.setFillRule(Qt::WindingFill);
        p.save();
        p.translate(0, 0.8);
        p.fillPath(glyph, QColor(0, 0, 0, 110)); // shadow
        p.restore();
        const QRectF box = glyph.boundingRect();
        QLinearGradient fill(box.topLeft(), box.bottomLeft());
        fill.setColorAt(0, kGlyph.lighter(112));
        fill.setColorAt(1, kGlyph.darker(112));
        p.fillPath(glyph, fill);
    }
    // The play button's accent.
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(90, 104.5), 1.6, 1.6);
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: sorlin_skin_maker OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const std::vector<Button> buttons = Buttons();

    QImage picture(kWidth * kScale, kHeight * kScale, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    {
        QPainter p(&picture);
        p.scale(kScale, kScale);
        DrawFace(p, buttons);
    }
    if (!picture.save(out.filePath(QStringLiteral("Sorlin.png")), "PNG", 0)) {
        std::fprintf(stderr, "cannot write Sorlin.png\n");
        return 1;
    }

    QFile file(out.filePath(QStringLiteral("Sorlin.ini")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "cannot write Sorlin.ini\n");
        return 1;
    }
    QTextStream ini(&file);
    ini << "; Sorlin's default skin, made by tools/make-skin; edit tools/skinmaker/SkinMaker.cpp and run it "
           "again.\n";
    ini << "[Position]\n";
    ini << "Back=Sorlin.png\n";
    // A rounded rectangle: two rectangles and four corner circles.
    const int c = kCorner, w = kWidth, h = kHeight;
    ini << "BackShapeType=1,1,0,0,0,0\n";
    ini << QStringLiteral("BackShape=%1,0,%2,%3,0,%1,%4,%5,0,0,%6,%6,%7,0,%4,%6,0,%8,%6,%3,%7,%8,%4,%3\n")
               .arg(c)
               .arg(w - c)
               .arg(h)
               .arg(w)
               .arg(h - c)
               .arg(2 * c)
               .arg(w - 2 * c)
               .arg(h - 2 * c);
    ini << QStringLiteral("BaseSize=%1,%2\n").arg(w).arg(h);
    ini << "StrArea=20,13,220,63\n";
    ini << "BtnMax=33\n";
    for (const Button& button : buttons) {
        // The reader keeps 255 characters of a value: a longer outline would lose its last points.
        if (Points(button.shape).size() > 255)
            qFatal("the outline of button %d is longer than a skin value may be", button.number);
        ini << QStringLiteral("Btn%1=%2\n").arg(button.number).arg(Points(button.shape));
        ini << QStringLiteral("BtnName%1=%2\n").arg(button.number).arg(button.tip);
    }
    ini << "BaseClr=" << Bgr(kBody) << "\n";
    ini << "BtnOffClr=" << Bgr(kGlyph) << "\n";
    ini << "BtnOnClr=" << Bgr(QColor(0x8e, 0xa0, 0xc4)) << "\n";
    ini << "BtnDisClr=" << Bgr(QColor(0x5a, 0x63, 0x78)) << "\n";
    ini << "ForeClr=" << Bgr(QColor(0xe6, 0xea, 0xf2)) << "\n";
    ini << "BackClr=" << Bgr(kBodyLight) << "\n";
    ini << "EditClr=" << Bgr(QColor(0x14, 0x19, 0x24)) << "\n";
    ini << "CtrlClr=" << Bgr(QColor(0x3a, 0x44, 0x5c)) << "\n";
    return 0;
}
