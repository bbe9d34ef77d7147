#include "ui/kit/DesktopOpener.h"

#include <QDesktopServices>

#include <utility>

namespace {

DesktopOpener::THandler& Installed()
{
    static DesktopOpener::THandler handler;
    return handler;
}

} // namespace

bool DesktopOpener::Open(const QString& pathOrAddress)
{
    const QUrl url = pathOrAddress.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(pathOrAddress)
                                                                : QUrl(pathOrAddress);
    if (Installed())
        return Installed()(url);
    return QDesktopServices::openUrl(url);
}

DesktopOpener::THandler DesktopOpener::Install(THandler handler)
{
    return std::exchange(Installed(), std::move(handler));
}
