#include <QApplication>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>

#include <gmock/gmock.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // What Qt keeps for itself (the file dialog's last folders) goes to a folder of this run,
    // not to the user's configuration: one run's folders must not steer the next.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    // So do the pictures the program keeps decoded for its next start. GStreamer's registry stays
    // where it is: built afresh for every test program, it would cost a second each and change
    // the timing of what the tests watch.
    if (qEnvironmentVariableIsEmpty("GST_REGISTRY"))
        qputenv("GST_REGISTRY",
                QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                                  QStringLiteral("/gstreamer-1.0/registry.") +
                                  QSysInfo::buildCpuArchitecture() + QStringLiteral(".bin")));
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    // The tests' servers are on this machine: a proxy the machine may name is never asked for
    // them, by the tests or by the programs they start.
    for (const char* name : {"no_proxy", "NO_PROXY"}) {
        const QByteArray others = qgetenv(name);
        qputenv(name, others.isEmpty() ? QByteArray("127.0.0.1,localhost") : others + ",127.0.0.1,localhost");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
