#include "ProgramEnding.h"

namespace platform {

namespace {
bool ending = false;
} // namespace

void SetProgramEnding(bool value)
{
    ending = value;
}

bool ProgramEnding()
{
    return ending;
}

} // namespace platform
