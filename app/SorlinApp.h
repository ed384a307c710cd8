#pragma once
// CSorlinApp: the program from start to exit. Interprets the command line, keeps the
// registration for inserted discs up to date, runs the main window modally and, when the
// user asked for it there, removes every trace of the program's settings.

#include <QString>

class SettingsStore;

class CSorlinApp
{
public:
    // `commandLine` is the raw text after the program's name.
    explicit CSorlinApp(QString commandLine);

    // Runs the program for a command line that is not a switch; needs a QApplication.
    // Returns the process exit code.
    int InitInstance();

    // What the switches do; need only a QCoreApplication.
    void RegisterAutoplayHandlers() const;
    void UnregisterAutoplayHandlers() const;
    // Removes the whole settings profile.
    static void DeleteSettings(SettingsStore& store);

    // What happens once the main window has closed with `result`.
    void AfterMainWindow(int result, SettingsStore& store) const;

private:
    QString commandLine;
    QString programFolder;
};

// The whole process: classifies the command line before any window system is touched.
int RunSorlin(int argc, char** argv);
