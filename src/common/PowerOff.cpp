#include "common/PowerOff.h"

#include <QProcess>
#include <QStringList>

#include <utility>

namespace {

PowerOff::THandler& Installed()
{
    static PowerOff::THandler handler;
    return handler;
}

} // namespace

bool PowerOff::Request()
{
    if (Installed())
        return Installed()();
    const QString command = qEnvironmentVariable("BRENVALE_POWEROFF_COMMAND");
    if (!command.isEmpty()) {
        QStringList words = QProcess::splitCommand(command);
        const QString program = words.isEmpty() ? QString() : words.takeFirst();
        return !program.isEmpty() && QProcess::startDetached(program, words);
    }
    return QProcess::startDetached(QStringLiteral("systemctl"), {QStringLiteral("poweroff")});
}

PowerOff::THandler PowerOff::Install(THandler handler)
{
    return std::exchange(Installed(), std::move(handler));
}
