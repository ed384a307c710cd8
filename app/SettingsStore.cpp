#include "SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include <limits>

namespace {
QString Key(const QString& section, const QString& key) { return section + u'/' + key; }
} // namespace

SettingsStore::SettingsStore() : settings(std::make_unique<QSettings>(QStringLiteral("pelmo_rin"), QStringLiteral("Sorlin")))
{
}

SettingsStore::SettingsStore(const QString& filePath)
    : settings(std::make_unique<QSettings>(filePath, QSettings::NativeFormat))
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::FilePath() const { return settings->fileName(); }

int SettingsStore::ReadInt(const QString& section, const QString& key, int defaultValue) const
{
    const QVariant value = settings->value(Key(section, key));
    if (value.typeId() == QMetaType::Int)
        return value.toInt();
    if (value.typeId() != QMetaType::QString)
        return defaultValue;
    bool ok = false;
    const qlonglong number = value.toString().trimmed().toLongLong(&ok);
    if (!ok || number < std::numeric_limits<qint32>::min() || number > std::numeric_limits<quint32>::max())
        return defaultValue;
    return static_cast<qint32>(static_cast<quint32>(number));
}

QString SettingsStore::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const QVariant value = settings->value(Key(section, key));
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QStringList:
        // An unquoted value with commas reads as a list; the user meant the text.
        return value.toStringList().join(QStringLiteral(", "));
    default:
        return defaultValue;
    }
}

void SettingsStore::WriteInt(const QString& section, const QString& key, int value)
{
    settings->setValue(Key(section, key), value);
}

void SettingsStore::WriteString(const QString& section, const QString& key, const QString& value)
{
    settings->setValue(Key(section, key), value);
}

bool SettingsStore::Sync()
{
    const QFileInfo file(settings->fileName());
    QDir().mkpath(file.absolutePath());
    settings->sync();
    return settings->status() != QSettings::AccessError;
}

void SettingsStore::DeleteSettings()
{
    QStringList sections{QStringLiteral("Font"), QStringLiteral("Play"), QStringLiteral("Position"),
                         QStringLiteral("Program")};
    for (int n = 0; n <= 50; ++n)
        sections << QStringLiteral("Program%1").arg(n);
    for (const QString& section : sections)
        settings->remove(section);
    const bool empty = settings->allKeys().isEmpty();
    settings->sync();
    if (!empty)
        return;
    const QFileInfo file(settings->fileName());
    QFile::remove(file.absoluteFilePath());
    QDir().rmdir(file.absolutePath()); // only when nothing else is in the company folder
}
