#pragma once
// Carries out "cdaudio" command strings: the open aliases, the drives behind them (shared by
// every alias on the same drive) and their playback. See Mci.h for the interface.

#include "CdAudioPlayer.h"
#include "CdDrive.h"
#include "platform/WindowMessage.h"
#include "platform/ipc/MciCommand.h"

#include <QPointer>
#include <QString>

#include <map>
#include <memory>
#include <vector>

class QObject;

namespace platform::mci {

class MciInterpreter
{
public:
    MciInterpreter();
    ~MciInterpreter();
    MciInterpreter(const MciInterpreter&) = delete;
    MciInterpreter& operator=(const MciInterpreter&) = delete;

    // See Mci.h.
    unsigned Send(const QString& command, QString* reply, QObject* callback, int* deviceId = nullptr);

private:
    struct DriveState;
    struct Device
    {
        QString alias;
        int id = 0;
        DriveState* drive = nullptr;
        bool msf = false;
    };
    struct Request
    {
        std::vector<MciWord> words; // after the alias, without "wait" and "notify"
        bool notify = false;
        QObject* callback = nullptr;
    };

    unsigned Open(const QString& command, const MciCommand& parsed, QString* reply, QObject* callback);
    unsigned Close(Device& device);
    unsigned Status(Device& device, const Request& request, QString* reply);
    unsigned Set(Device& device, const Request& request);
    unsigned Seek(Device& device, const Request& request);
    unsigned Play(Device& device, const Request& request);
    unsigned Info(Device& device, const Request& request, QString* reply);

    DriveState& DriveFor(const QString& path);
    Device* Find(const QString& alias);
    // Ends the pending play notification of `drive` with `flags` and stops the sound.
    void EndPlay(DriveState& drive, WPARAM flags);

    std::map<QString, std::unique_ptr<DriveState>> drives; // by path, for the program's life
    std::vector<Device> devices;
    int nextId = 1;
};

} // namespace platform::mci
