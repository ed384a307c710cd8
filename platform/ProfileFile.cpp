#include "ProfileFile.h"

#include "AnsiText.h"
#include "RegularFile.h"

#include <QFile>

namespace platform {

namespace {

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString DropEnclosingQuotes(const QString& value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

bool ProfileFile::Load(const QString& filePath)
{
    path = filePath;
    lines.clear();
    // Profiles come from discs and folders the user names: a pipe there must not hang the
    // window, nor a device fill memory.
    QFile file;
    if (!OpenRegularFile(file, filePath))
        return false;
    Parse(file.readAll());
    return true;
}

void ProfileFile::Parse(const QByteArray& bytes)
{
    lines.clear();
    QString text = DecodeAnsi(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    for (const QString& raw : text.split(u'\n')) {
        Line line;
        line.text = raw.endsWith(u'\r') ? raw.chopped(1) : raw;
        const QString trimmed = line.text.trimmed();
        if (trimmed.startsWith(u'[')) {
            const qsizetype close = trimmed.indexOf(u']');
            line.kind = Line::Section;
            line.section = (close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1)).trimmed();
        } else if (!trimmed.isEmpty() && !trimmed.startsWith(u';')) {
            const qsizetype eq = trimmed.indexOf(u'=');
            line.kind = Line::Key;
            line.key = (eq < 0 ? trimmed : trimmed.left(eq)).trimmed();
            line.value = eq < 0 ? QString() : trimmed.mid(eq + 1).trimmed();
        }
        lines.push_back(std::move(line));
    }
    // split() leaves one empty line after a final newline; it is not part of the file.
    if (!lines.empty() && lines.back().kind == Line::Other && lines.back().text.isEmpty())
        lines.pop_back();
}

int ProfileFile::FindSection(const QString& section) const
{
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == Line::Section && SameName(lines[i].section, section))
            return static_cast<int>(i);
    }
    return -1;
}

int ProfileFile::SectionEnd(int headerIndex) const
{
    size_t i = static_cast<size_t>(headerIndex) + 1;
    while (i < lines.size() && lines[i].kind != Line::Section)
        ++i;
    return static_cast<int>(i);
}

int ProfileFile::FindKey(int headerIndex, const QString& key) const
{
    const int end = SectionEnd(headerIndex);
    for (int i = headerIndex + 1; i < end; ++i) {
        if (lines[i].kind == Line::Key && SameName(lines[i].key, key))
            return i;
    }
    return -1;
}

std::optional<QString> ProfileFile::Find(const QString& section, const QString& key) const
{
    const int header = FindSection(section);
    if (header < 0)
        return std::nullopt;
    const int index = FindKey(header, key);
    if (index < 0)
        return std::nullopt;
    return DropEnclosingQuotes(lines[index].value);
}

QString ProfileFile::GetString(const QString& section, const QString& key, const QString& defaultValue,
                               int bufferSize) const
{
    QString value = Find(section, key).value_or(defaultValue);
    if (bufferSize > 0 && value.size() > bufferSize - 1)
        value.truncate(bufferSize - 1);
    return value;
}

int ProfileFile::GetInt(const QString& section, const QString& key, int defaultValue) const
{
    const auto value = Find(section, key);
    if (!value)
        return defaultValue;
    const QString text = value->trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    int base = 10;
    if (i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    const qsizetype start = i;
    qint64 result = 0;
    for (; i < text.size(); ++i) {
        const char16_t ch = QChar(text[i]).toLower().unicode();
        const int digit = ch >= u'0' && ch <= u'9'                 ? ch - u'0'
                          : base == 16 && ch >= u'a' && ch <= u'f' ? ch - u'a' + 10
                                                                   : -1;
        if (digit < 0)
            break;
        // Wrap like a 32-bit conversion instead of overflowing.
        result = static_cast<qint64>(static_cast<quint32>(result * base + digit));
    }
    if (i == start)
        return defaultValue;
    // Negated in 32 unsigned bits, as the conversion wraps: "-2147483648" is INT_MIN, not an
    // overflow.
    const auto bits = static_cast<quint32>(result);
    return static_cast<qint32>(negative ? 0u - bits : bits);
}

QStringList ProfileFile::SectionNames() const
{
    QStringList names;
    for (const Line& line : lines) {
        if (line.kind == Line::Section)
            names << line.section;
    }
    return names;
}

QStringList ProfileFile::KeyNames(const QString& section) const
{
    QStringList names;
    const int header = FindSection(section);
    if (header < 0)
        return names;
    const int end = SectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        if (lines[i].kind == Line::Key)
            names << lines[i].key;
    }
    return names;
}

void ProfileFile::SetString(const QString& section, const QString& key, const QString& value)
{
    int header = FindSection(section);
    if (header < 0) {
        Line head;
        head.kind = Line::Section;
        head.section = section;
        head.text = QStringLiteral("[%1]").arg(section);
        lines.push_back(head);
        header = static_cast<int>(lines.size()) - 1;
    }
    Line line;
    line.kind = Line::Key;
    line.key = key;
    line.value = value;
    line.text = key + u'=' + value;
    const int index = FindKey(header, key);
    if (index >= 0) {
        lines[index] = line;
        return;
    }
    // After the section's last key, before any blank lines that separate it from the next.
    int insertAt = SectionEnd(header);
    while (insertAt > header + 1 && lines[insertAt - 1].kind == Line::Other &&
           lines[insertAt - 1].text.trimmed().isEmpty())
        --insertAt;
    lines.insert(lines.begin() + insertAt, line);
}

void ProfileFile::RemoveKey(const QString& section, const QString& key)
{
    const int header = FindSection(section);
    if (header < 0)
        return;
    const int index = FindKey(header, key);
    if (index >= 0)
        lines.erase(lines.begin() + index);
}

void ProfileFile::RemoveSection(const QString& section)
{
    const int header = FindSection(section);
    if (header >= 0)
        lines.erase(lines.begin() + header, lines.begin() + SectionEnd(header));
}

QByteArray ProfileFile::ToBytes() const
{
    QString text;
    for (const Line& line : lines) {
        text += line.text;
        text += u'\n';
    }
    return text.toUtf8();
}

bool ProfileFile::Save() const
{
    return SaveAs(path);
}

bool ProfileFile::SaveAs(const QString& target) const
{
    return !target.isEmpty() && WriteFileAtomically(target, ToBytes());
}

} // namespace platform
