#pragma once
// The program is on its way out once its main window has ended. From then on no message box
// shows (one would hold the end up until someone answered it), nothing is launched and no
// media process is started. UI thread.

namespace platform {

void SetProgramEnding(bool ending);
bool ProgramEnding();

} // namespace platform
