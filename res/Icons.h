#pragma once
// Icons built into the program. Needs a QGuiApplication.

#include <QIcon>

namespace res {

constexpr int kIconProgram = 128;

// The program icon in every size it ships.
QIcon ProgramIcon();

} // namespace res
