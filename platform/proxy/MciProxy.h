#pragma once
// The MCI command-string interface, for "cdaudio" devices, carried out by the interpreter in the
// media process: a command such as "open cdaudio!/dev/sr0 alias CD0 shareable wait" or
// "play CD0 from 2000 to 9800 notify" is carried out on a drive or a CD image file and
// answered as MCI answers (a reply text and 0, or an MCI error code, MciCodes.h).
//
// A play sent with "notify" ends with MM_MCINOTIFY posted to `callback` with the MCI_NOTIFY_*
// flag as wParam and the device id as lParam; when the media process fails, every notification
// still to come ends in failure, as for a disc that went away. A command that finds no media
// process (only "open" starts one) or gets no answer in time fails with MCIERR_HARDWARE.
// UI thread only.

#include "platform/ipc/MciCodes.h"

#include <QString>

class QObject;

namespace platform {

unsigned mciSendString(const QString& command, QString* reply, QObject* callback);

} // namespace platform
