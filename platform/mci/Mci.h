#pragma once
// The MCI command-string interpreter, for "cdaudio" devices: a command such as
// "open cdaudio!/dev/sr0 alias CD0 shareable wait" or "play CD0 from 2000 to 9800 notify" is
// carried out on a drive or a CD image file, and answered as MCI answers: a reply text
// ("audio", "true", "playing", numbers in the current time format) and 0, or an MCI error code
// (MciCodes.h).
//
// Aliases are process-wide, as MCI's are per program. A play sent with "notify" ends with
// MM_MCINOTIFY posted to `callback` with the MCI_NOTIFY_* flag as wParam and the device id as
// lParam: successful when the range was played, superseded by a later play, aborted by pause,
// stop, seek, close or the door, failure when the disc went away. Other commands with
// "notify" post "successful" once done. UI thread of the media process only.

#include "platform/WindowMessage.h"
#include "platform/ipc/MciCodes.h"

#include <QString>

class QObject;

namespace platform::mci {

// Carries out `command`; 0 on success. The reply text goes to `reply` (empty when there is
// none or the command failed). `callback` receives the notifications of a "notify" command;
// `deviceId`, when given, receives the id of the device the command addressed (0 for none).
unsigned SendString(const QString& command, QString* reply, QObject* callback, int* deviceId = nullptr);

} // namespace platform::mci
