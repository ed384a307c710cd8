#include "SettingsStore.h"

#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>
#include <limits>

namespace {

// The value of a hexadecimal digit, or -1.
int HexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

bool IsHexDigit(char16_t c)
{
    return HexValue(c) >= 0;
}

QString Hex(char16_t c)
{
    return QStringLiteral("\\x%1").arg(static_cast<uint>(c), 0, 16);
}

} // namespace

QString EscapeIniValue(const QString& text)
{
    // Text that starts with "@" would read as a typed value; doubling the "@" keeps it text.
    const QString value = text.startsWith(u'@') ? u'@' + text : text;
    QString result;
    result.reserve(value.size() + 8);
    bool needsQuotes = false;
    bool escapeNextIfHexDigit = false;
    for (const QChar qc : value) {
        const char16_t c = qc.unicode();
        if (c == u';' || c == u',' || c == u'=')
            needsQuotes = true;
        if (escapeNextIfHexDigit && IsHexDigit(c)) {
            result += Hex(c);
            continue;
        }
        escapeNextIfHexDigit = false;
        switch (c) {
        case u'\a':
            result += QLatin1String("\\a");
            break;
        case u'\b':
            result += QLatin1String("\\b");
            break;
        case u'\f':
            result += QLatin1String("\\f");
            break;
        case u'\n':
            result += QLatin1String("\\n");
            break;
        case u'\r':
            result += QLatin1String("\\r");
            break;
        case u'\t':
            result += QLatin1String("\\t");
            break;
        case u'\v':
            result += QLatin1String("\\v");
            break;
        case u'"':
        case u'\\':
            result += u'\\';
            result += qc;
            break;
        default:
            if (c <= 0x1F || c == 0x7F) {
                result += Hex(c);
                escapeNextIfHexDigit = true;
            } else {
                result += qc;
            }
        }
    }
    // The reader trims every blank QString knows (U+3000 and U+00A0 too) outside quotes.
    if (needsQuotes || (!result.isEmpty() && (result.front().isSpace() || result.back().isSpace())))
        result = u'"' + result + u'"';
    return result;
}

std::optional<QString> UnescapeIniValue(const QString& raw)
{
    if (raw.startsWith(QLatin1String("@ByteArray(")) || raw.startsWith(QLatin1String("@Variant(")) ||
        raw.startsWith(QLatin1String("@Invalid(")) || raw.startsWith(QLatin1String("@Rect(")) ||
        raw.startsWith(QLatin1String("@Size(")) || raw.startsWith(QLatin1String("@Point(")))
        return std::nullopt;
    QStringList items;
    QString item;
    bool inQuotes = false;
    qsizetype i = 0;
    // Blanks outside quotes at either end of an item do not count.
    auto finishItem = [&] {
        items << item;
        item.clear();
    };
    qsizetype lastQuotedEnd = 0;
    while (i < raw.size()) {
        const char16_t c = raw[i].unicode();
        if (c == u'"') {
            inQuotes = !inQuotes;
            ++i;
            lastQuotedEnd = item.size();
            continue;
        }
        if (c == u',' && !inQuotes) {
            while (item.size() > lastQuotedEnd && item.endsWith(u' '))
                item.chop(1);
            finishItem();
            lastQuotedEnd = 0;
            ++i;
            while (i < raw.size() && raw[i] == u' ')
                ++i;
            continue;
        }
        if (c == u'\\' && i + 1 < raw.size()) {
            const char16_t e = raw[i + 1].unicode();
            i += 2;
            switch (e) {
            case u'a':
                item += u'\a';
                break;
            case u'b':
                item += u'\b';
                break;
            case u'f':
                item += u'\f';
                break;
            case u'n':
                item += u'\n';
                break;
            case u'r':
                item += u'\r';
                break;
            case u't':
                item += u'\t';
                break;
            case u'v':
                item += u'\v';
                break;
            case u'x': {
                uint code = 0;
                while (i < raw.size() && IsHexDigit(raw[i].unicode()))
                    code = code * 16 + static_cast<uint>(HexValue(raw[i++].unicode()));
                item += QChar(static_cast<char16_t>(code));
                break;
            }
            default:
                if (e >= u'0' && e <= u'7') {
                    uint code = e - u'0';
                    while (i < raw.size() && raw[i] >= u'0' && raw[i] <= u'7')
                        code = code * 8 + (raw[i++].unicode() - u'0');
                    item += QChar(static_cast<char16_t>(code));
                } else {
                    item += QChar(e); // \" \\ \' \? and anything else: the character itself
                }
            }
            if (inQuotes)
                lastQuotedEnd = item.size();
            continue;
        }
        item += raw[i++];
        if (inQuotes)
            lastQuotedEnd = item.size();
    }
    while (item.size() > lastQuotedEnd && item.endsWith(u' '))
        item.chop(1);
    finishItem();
    QString text = items.join(QStringLiteral(", "));
    if (text.startsWith(QLatin1String("@@")))
        text.remove(0, 1);
    return text;
}

SettingsStore::SettingsStore() : SettingsStore(DefaultFilePath()) {}

SettingsStore::SettingsStore(const QString& path) : filePath(path)
{
    QFile file(filePath);
    if (file.open(QIODevice::ReadOnly))
        Parse(file.readAll());
}

QString SettingsStore::DefaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/pelmo_rin/Sorlin.conf");
}

void SettingsStore::Parse(const QByteArray& text)
{
    sections.clear();
    Section* current = nullptr;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            if (close < 0) {
                current = nullptr; // a broken header: its values belong nowhere
                continue;
            }
            const QString name = line.mid(1, close - 1).trimmed();
            auto it = std::find_if(sections.begin(), sections.end(),
                                   [&](const Section& s) { return s.name == name; });
            if (it == sections.end()) {
                sections.push_back(Section{name, {}});
                current = &sections.back();
            } else {
                current = &*it;
            }
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!current || eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString raw = line.mid(eq + 1).trimmed();
        auto it = std::find_if(current->values.begin(), current->values.end(),
                               [&](const Value& v) { return v.key == key; });
        if (it == current->values.end())
            current->values.push_back(Value{key, raw});
        else
            it->raw = raw; // the last of repeated keys wins
    }
}

QByteArray SettingsStore::Serialize() const
{
    QString text;
    for (const Section& section : sections) {
        if (section.values.empty())
            continue;
        if (!text.isEmpty())
            text += u'\n';
        text += u'[' + section.name + QStringLiteral("]\n");
        for (const Value& value : section.values)
            text += value.key + u'=' + value.raw + u'\n';
    }
    return text.toUtf8();
}

const SettingsStore::Value* SettingsStore::Find(const QString& section, const QString& key) const
{
    for (const Section& s : sections) {
        if (s.name != section)
            continue;
        for (const Value& v : s.values) {
            if (v.key == key)
                return &v;
        }
    }
    return nullptr;
}

void SettingsStore::Write(const QString& section, const QString& key, const QString& raw)
{
    auto it =
        std::find_if(sections.begin(), sections.end(), [&](const Section& s) { return s.name == section; });
    if (it == sections.end()) {
        sections.push_back(Section{section, {}});
        it = sections.end() - 1;
    }
    auto value =
        std::find_if(it->values.begin(), it->values.end(), [&](const Value& v) { return v.key == key; });
    if (value == it->values.end())
        it->values.push_back(Value{key, raw});
    else
        value->raw = raw;
}

int SettingsStore::ReadInt(const QString& section, const QString& key, int defaultValue) const
{
    const Value* value = Find(section, key);
    if (!value)
        return defaultValue;
    bool ok = false;
    const qlonglong number = UnescapeIniValue(value->raw).value_or(QString()).trimmed().toLongLong(&ok);
    if (!ok || number < std::numeric_limits<qint32>::min() || number > std::numeric_limits<quint32>::max())
        return defaultValue;
    return static_cast<qint32>(static_cast<quint32>(number));
}

QString SettingsStore::ReadString(const QString& section, const QString& key,
                                  const QString& defaultValue) const
{
    const Value* value = Find(section, key);
    if (!value)
        return defaultValue;
    return UnescapeIniValue(value->raw).value_or(defaultValue);
}

void SettingsStore::WriteInt(const QString& section, const QString& key, int value)
{
    Write(section, key, QString::number(value));
}

void SettingsStore::WriteString(const QString& section, const QString& key, const QString& value)
{
    Write(section, key, EscapeIniValue(value));
}

void SettingsStore::RemoveSection(const QString& section)
{
    sections.erase(
        std::remove_if(sections.begin(), sections.end(), [&](const Section& s) { return s.name == section; }),
        sections.end());
}

bool SettingsStore::Sync()
{
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    return platform::WriteFileAtomically(filePath, Serialize());
}

void SettingsStore::DeleteSettings()
{
    QStringList names{QStringLiteral("Font"), QStringLiteral("Play"), QStringLiteral("Position"),
                      QStringLiteral("Program")};
    for (int n = 0; n <= 50; ++n)
        names << QStringLiteral("Program%1").arg(n);
    for (const QString& name : names)
        RemoveSection(name);
    const bool empty =
        std::all_of(sections.begin(), sections.end(), [](const Section& s) { return s.values.empty(); });
    if (!empty) {
        Sync();
        return;
    }
    const QFileInfo file(filePath);
    QFile::remove(file.absoluteFilePath());
    QDir().rmdir(file.absolutePath()); // only when nothing else is in the company folder
}
