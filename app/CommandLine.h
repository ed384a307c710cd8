#pragma once
// The program's command line: three switches compared exactly, anything else a path.

#include <QString>
#include <QStringList>

enum class CommandLineAction
{
    RegisterHandlers,   // "/S": register as the handler of inserted discs, then exit
    UnregisterHandlers, // "/R": remove that registration, then exit
    ExitAtOnce,         // "S": exit touching nothing
    Run,                // anything else, empty included: run the main window
};

// The raw command line: the arguments after the program's name joined by blanks.
QString JoinCommandLine(const QStringList& arguments);

CommandLineAction ClassifyCommandLine(const QString& commandLine);

// The path that a command line names: one pair of surrounding double quotes dropped (a text
// that only starts with one loses its first and last character), then one trailing "/" that
// is not the whole path; "file://" addresses become local paths and "cdda://sr0" the drive.
QString PathFromCommandLine(const QString& commandLine);

// `path` made absolute against `startFolder` (the folder the program was started from) when it
// is a relative file path, so that it still names the file when it is handed to a window
// started elsewhere or saved; absolute paths and addresses ("http://...", "cdda:...") stay.
QString AbsoluteFromStartFolder(const QString& path, const QString& startFolder);
