#pragma once
// The numbers and texts of the MCI command-string interface that both the CD engine and the
// media process know: the completion message MM_MCINOTIFY with its flags, and the error codes
// with the texts mciGetErrorString gives.

#include <QString>

#include <cstdint>

namespace platform {

constexpr unsigned MM_MCINOTIFY = 0x3B9;

constexpr std::uintptr_t MCI_NOTIFY_SUCCESSFUL = 0x01;
constexpr std::uintptr_t MCI_NOTIFY_SUPERSEDED = 0x02;
constexpr std::uintptr_t MCI_NOTIFY_ABORTED = 0x04;
constexpr std::uintptr_t MCI_NOTIFY_FAILURE = 0x08;

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

// The text of MCI error `error`. False (and a text saying so) for a code MCI does not know.
bool mciGetErrorString(unsigned error, QString* text);

} // namespace platform
