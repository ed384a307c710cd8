#pragma once
// A temporary home for one test: HOME and the XDG folders point into a fresh temporary
// folder for the test's lifetime and are restored afterwards.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <map>

class TempHome
{
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    QString Path() const { return dir.path(); }
    QString ConfigHome() const { return dir.path() + QStringLiteral("/.config"); }
    QString DataHome() const { return dir.path() + QStringLiteral("/.local/share"); }
    QString CacheHome() const { return dir.path() + QStringLiteral("/.cache"); }
    QString RuntimeDir() const { return dir.path() + QStringLiteral("/run"); }
    // The settings file a program run in this home uses.
    QString SettingsFile() const { return ConfigHome() + QStringLiteral("/pelmo_rin/Sorlin.conf"); }

    // Writes `bytes` to `relativePath` below the home, creating folders.
    QString WriteFile(const QString& relativePath, const QByteArray& bytes) const;

private:
    QTemporaryDir dir;
    std::map<QByteArray, QByteArray> saved; // variable -> old value ("\0" when unset)
};
