#include "TrayIcon.h"

#include "Messages.h"
#include "platform/WindowMessage.h"

#include <QSystemTrayIcon>

namespace {
constexpr int kMaxTipLength = 127;
}

CTrayIcon::CTrayIcon() = default;

CTrayIcon::~CTrayIcon()
{
    Delete();
}

bool CTrayIcon::Add(QObject* window, unsigned iconId, unsigned callbackMessage, const QIcon& image,
                    const QString& tip)
{
    Delete();
    icon = std::make_unique<QSystemTrayIcon>(image);
    icon->setToolTip(tip.left(kMaxTipLength));
    QObject::connect(icon.get(), &QSystemTrayIcon::activated, window,
                     [window, iconId, callbackMessage](QSystemTrayIcon::ActivationReason reason) {
                         switch (reason) {
                         case QSystemTrayIcon::Context:
                             platform::PostWindowMessage(window, callbackMessage, iconId, WM_RBUTTONDOWN);
                             break;
                         case QSystemTrayIcon::Trigger:
                         case QSystemTrayIcon::DoubleClick:
                             platform::PostWindowMessage(window, callbackMessage, iconId, WM_LBUTTONDOWN);
                             break;
                         default:
                             break;
                         }
                     });
    icon->show();
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void CTrayIcon::Delete()
{
    if (icon) {
        icon->hide();
        icon.reset();
    }
}
