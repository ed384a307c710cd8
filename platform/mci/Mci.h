#pragma once
// The MCI command-string interface, for "cdaudio" devices: a command such as
// "open cdaudio!/dev/sr0 alias CD0 shareable wait" or "play CD0 from 2000 to 9800 notify" is
// carried out on a drive or a CD image file, and answered as MCI answers: a reply text
// ("audio", "true", "playing", numbers in the current time format) and 0, or an MCI error code
// whose text mciGetErrorString gives.
//
// Aliases are process-wide, as MCI's are per program. A play sent with "notify" ends with
// MM_MCINOTIFY posted to `callback` with the MCI_NOTIFY_* flag as wParam and the device id as
// lParam: successful when the range was played, superseded by a later play, aborted by pause,
// stop, seek, close or the door, failure when the disc went away. Other commands with
// "notify" post "successful" once done. UI thread only.

#include "platform/WindowMessage.h"

#include <QString>

class QObject;

namespace platform {

constexpr unsigned MM_MCINOTIFY = 0x3B9;

constexpr WPARAM MCI_NOTIFY_SUCCESSFUL = 0x01;
constexpr WPARAM MCI_NOTIFY_SUPERSEDED = 0x02;
constexpr WPARAM MCI_NOTIFY_ABORTED = 0x04;
constexpr WPARAM MCI_NOTIFY_FAILURE = 0x08;

constexpr unsigned MCIERR_BASE = 256;
constexpr unsigned MCIERR_UNRECOGNIZED_KEYWORD = MCIERR_BASE + 3;
constexpr unsigned MCIERR_UNRECOGNIZED_COMMAND = MCIERR_BASE + 5;
constexpr unsigned MCIERR_HARDWARE = MCIERR_BASE + 6;
constexpr unsigned MCIERR_INVALID_DEVICE_NAME = MCIERR_BASE + 7;
constexpr unsigned MCIERR_CANNOT_LOAD_DRIVER = MCIERR_BASE + 10;
constexpr unsigned MCIERR_MISSING_COMMAND_STRING = MCIERR_BASE + 11;
constexpr unsigned MCIERR_BAD_INTEGER = MCIERR_BASE + 14;
constexpr unsigned MCIERR_MISSING_PARAMETER = MCIERR_BASE + 17;
constexpr unsigned MCIERR_UNSUPPORTED_FUNCTION = MCIERR_BASE + 18;
constexpr unsigned MCIERR_DEVICE_NOT_READY = MCIERR_BASE + 20;
constexpr unsigned MCIERR_OUTOFRANGE = MCIERR_BASE + 26;
constexpr unsigned MCIERR_DUPLICATE_ALIAS = MCIERR_BASE + 33;
constexpr unsigned MCIERR_BAD_CONSTANT = MCIERR_BASE + 34;
constexpr unsigned MCIERR_MISSING_DEVICE_NAME = MCIERR_BASE + 36;
constexpr unsigned MCIERR_BAD_TIME_FORMAT = MCIERR_BASE + 37;
constexpr unsigned MCIERR_NO_CLOSING_QUOTE = MCIERR_BASE + 38;

// Carries out `command`; 0 on success. The reply text goes to `reply` (empty when there is
// none or the command failed). `callback` receives the notifications of a "notify" command.
unsigned mciSendString(const QString& command, QString* reply, QObject* callback);
// The text of MCI error `error`. False (and a text saying so) for a code MCI does not know.
bool mciGetErrorString(unsigned error, QString* text);

} // namespace platform
