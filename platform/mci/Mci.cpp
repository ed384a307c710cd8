#include "Mci.h"

#include "MciInterpreter.h"

#include <memory>

namespace platform::mci {

namespace {

MciInterpreter& Interpreter()
{
    // Aliases live as long as the process, as MCI's do.
    static const auto interpreter = std::make_unique<MciInterpreter>();
    return *interpreter;
}

} // namespace

unsigned SendString(const QString& command, QString* reply, QObject* callback, int* deviceId)
{
    return Interpreter().Send(command, reply, callback, deviceId);
}

} // namespace platform::mci
