#include "SkinDefinition.h"

#include "platform/NumberText.h"
#include "platform/ProfileFile.h"

#include <QColor>

namespace {

const QString kSection = QStringLiteral("Position");
// Values are read as into a 256-character buffer.
constexpr int kValueBuffer = 256;

} // namespace

std::vector<int> ParseSkinIntList(QStringView text, int max)
{
    std::vector<int> values;
    if (text.trimmed().isEmpty())
        return values;
    for (QStringView part : text.split(u',')) {
        if (static_cast<int>(values.size()) >= max)
            break;
        values.push_back(platform::LeadingInt(part));
    }
    return values;
}

std::vector<QPoint> ParseSkinPointList(QStringView text, int maxPoints)
{
    const std::vector<int> numbers = ParseSkinIntList(text, maxPoints * 2);
    std::vector<QPoint> points;
    for (size_t i = 0; i + 1 < numbers.size(); i += 2)
        points.emplace_back(numbers[i], numbers[i + 1]);
    return points;
}

QColor ToQColor(COLORREF colour)
{
    return QColor(colour & 0xff, (colour >> 8) & 0xff, (colour >> 16) & 0xff);
}

bool IsSkinDefinition(const QString& path)
{
    platform::ProfileFile file;
    return file.Load(path) && file.SectionNames().contains(kSection, Qt::CaseInsensitive);
}

void ReadSkinDefinition(const QString& path, SkinDefinition* skin)
{
    const platform::ProfileFile file(path);
    const auto value = [&](const char* key, const QString& defaultValue) {
        return file.GetString(kSection, QString::fromLatin1(key), defaultValue, kValueBuffer);
    };
    skin->back = value("Back", QStringLiteral("Sorlin.bmp"));
    skin->mask = value("Mask", QString());
    skin->mainFirst = platform::LeadingInt(value("MainFirst", QStringLiteral("0"))) == 1;

    skin->shapeTypes = ParseSkinIntList(value("BackShapeType", QStringLiteral("0")), kMaxShapeTypes);
    skin->shape = ParseSkinPointList(value("BackShape", QStringLiteral("  0,  0,179,179")));

    const QString base = value("BaseSize", QStringLiteral("0,0"));
    if (const qsizetype comma = base.indexOf(u','); comma >= 0)
        skin->baseSize = QSize(platform::LeadingInt(QStringView(base).left(comma)),
                               platform::LeadingInt(QStringView(base).mid(comma + 1)));

    const std::vector<QPoint> area = ParseSkinPointList(value("StrArea", QStringLiteral("  0,  0,  0,  0")));
    skin->textArea0 = area.size() > 0 ? area[0] : QPoint();
    skin->textArea1 = area.size() > 1 ? area[1] : QPoint();

    // 0 stands for all; no more than the tables hold; below 0 none.
    int count = platform::LeadingInt(value("BtnMax", QStringLiteral("50")));
    if (count == 0)
        count = kMaxSkinButtons;
    skin->buttonCount = std::clamp(count, 0, kMaxSkinButtons);
    for (int i = 0; i < kMaxSkinButtons; ++i) {
        SkinButton& button = skin->buttons[i];
        if (i >= skin->buttonCount) {
            button = SkinButton();
            continue;
        }
        const QByteArray number = QByteArray::number(i + 1);
        button.points = ParseSkinPointList(
            value(("Btn" + number).constData(), QStringLiteral("  0,  0,  0,  0,  0,  0,  0,  0")));
        button.name = value(("BtnName" + number).constData(), QString());
    }

    const auto colour = [&](const char* key, const char* defaultText, COLORREF* target) {
        const auto parsed = platform::LeadingHex(value(key, QString::fromLatin1(defaultText)));
        if (parsed)
            *target = *parsed;
        return parsed.has_value();
    };
    skin->baseBrush = colour("BaseClr", "D09FDB", &skin->baseColour) ? skin->baseColour : 0;
    colour("BtnOffClr", "C899D8", &skin->buttonOffColour);
    colour("BtnOnClr", "802314", &skin->buttonOnColour);
    colour("BtnDisClr", "154200", &skin->buttonDisabledColour);
    colour("ForeClr", "9DF90D", &skin->foreColour);
    colour("BackClr", "154200", &skin->backColour);
    colour("EditClr", "E9D2EE", &skin->editColour);
    colour("CtrlClr", "7A2719", &skin->controlColour);
}
