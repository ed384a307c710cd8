#include "SorlinApp.h"

#include "FirstPaint.h"

#include "AutoplayHandlers.h"
#include "CommandLine.h"
#include "DisplayFont.h"
#include "DisplayPlatform.h"
#include "Messages.h"
#include "SettingsStore.h"
#include "SorlinDlg.h"
#include "platform/Folders.h"
#include "platform/SignalNotifier.h"
#include "skin/Dib.h"

#include <QApplication>
#include <QImageReader>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

// When the display goes away, Qt ends the process with exit() from inside the event loop;
// the window is still alive then, and its settings are written on the way out.
CSorlinDlg* windowAtExit = nullptr;

void SaveSettingsAtExit()
{
    if (windowAtExit)
        windowAtExit->SaveSettingsOnce();
}

} // namespace

CSorlinApp::CSorlinApp(QString line) : commandLine(std::move(line)), programFolder(platform::ProgramFolder())
{}

void CSorlinApp::RegisterAutoplayHandlers() const
{
    ::RegisterAutoplayHandlers(QCoreApplication::applicationFilePath(),
                               programFolder + QStringLiteral("sorlin.png"));
}

void CSorlinApp::UnregisterAutoplayHandlers() const
{
    ::UnregisterAutoplayHandlers();
}

void CSorlinApp::DeleteSettings(SettingsStore& store)
{
    store.DeleteSettings();
}

void CSorlinApp::AfterMainWindow(int result, SettingsStore& store) const
{
    if (result == kResultDeleteSettings) {
        DeleteSettings(store);
        UnregisterAutoplayHandlers();
    }
}

int CSorlinApp::InitInstance()
{
    // The registration is renewed on every start; it waits until the window is on screen,
    // and a start that ends without painting (one that defers to a running window) does it
    // on its way out.
    bool registered = false;
    const auto registerOnce = [this, &registered] {
        if (!std::exchange(registered, true))
            RegisterAutoplayHandlers();
    };

    SettingsStore store;
    const bool border = store.ReadInt(QStringLiteral("Position"), QStringLiteral("BORDER"), 0) != 0;

    CSorlinDlg::Environment environment;
    environment.commandLine = commandLine;
    environment.programFolder = programFolder;
    environment.store = &store;
    environment.drives = platform::DriveTable::FromSystem();
    environment.afterFirstPaint = registerOnce;

    MarkStartupStep("environment");
    CSorlinDlg dialog(std::move(environment), border);
    MarkStartupStep("window-object");
    platform::SignalNotifier terminationSignals;
    QObject::connect(&terminationSignals, &platform::SignalNotifier::TerminationRequested, &dialog,
                     &CSorlinDlg::CloseFromOutside);

    static const bool atExitRegistered = std::atexit(&SaveSettingsAtExit) == 0;
    (void)atExitRegistered;
    windowAtExit = &dialog;
    const int result = dialog.DoModal();
    dialog.DestroyWindow();
    windowAtExit = nullptr;
    registerOnce();
    AfterMainWindow(result, store);
    return 0;
}

int RunSorlin(int argc, char** argv)
{
    MarkStartupStep("main");
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString commandLine = JoinCommandLine(arguments);

    switch (ClassifyCommandLine(commandLine)) {
    case CommandLineAction::ExitAtOnce:
        return 0;
    case CommandLineAction::RegisterHandlers: {
        QCoreApplication app(argc, argv);
        CSorlinApp(commandLine).RegisterAutoplayHandlers();
        return 0;
    }
    case CommandLineAction::UnregisterHandlers: {
        QCoreApplication app(argc, argv);
        CSorlinApp(commandLine).UnregisterAutoplayHandlers();
        return 0;
    }
    case CommandLineAction::Run:
        break;
    }

    // The display connection is written without MSG_NOSIGNAL: when the server goes away in
    // the middle of a write, the process must still reach exit() and write its settings.
    platform::IgnoreBrokenPipes();
    // Qt reads its platform from the arguments it is given; the programs the schedule starts
    // do not inherit the choice as they would an environment variable.
    std::vector<char*> qtArguments(argv, argv + std::max(argc, 0));
    QByteArray programName("sorlin");
    if (qtArguments.empty())
        qtArguments.push_back(programName.data());
    QByteArray platformOption("-platform");
    QByteArray platformName = DefaultDisplayPlatform(arguments, CurrentDisplaySession()).toLocal8Bit();
    if (!platformName.isEmpty())
        qtArguments.insert(qtArguments.begin() + 1, {platformOption.data(), platformName.data()});
    int qtArgumentCount = static_cast<int>(qtArguments.size());
    qtArguments.push_back(nullptr);
    QApplication app(qtArgumentCount, qtArguments.data());
    MarkStartupStep("application");
    // Qt's image readers (the image plug-in's) refuse a picture that would take more than this
    // decoded, from its header, before allocating it.
    QImageReader::setAllocationLimit(static_cast<int>(kMaxPictureBytes >> 20));
    // Overlaps with the rest of the start-up until the display font is made.
    PrepareFontMatching();
    // The program speaks Japanese whatever the locale: so do Qt's own dialogs and buttons.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);
    MarkStartupStep("translations");
    // Qt takes its own options (-platform, -display) out of the arguments.
    return CSorlinApp(JoinCommandLine(QApplication::arguments().mid(1))).InitInstance();
}
