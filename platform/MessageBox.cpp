#include "MessageBox.h"

#include "ProgramEnding.h"
#include "res/StringTable.h"

#include <QMessageBox>

namespace platform {

namespace {
MessageBoxObserver& Observer()
{
    static MessageBoxObserver observer;
    return observer;
}
} // namespace

void SetMessageBoxObserver(MessageBoxObserver observer)
{
    Observer() = std::move(observer);
}

int ShowMessageBox(QWidget* parent, const QString& text, int buttons)
{
    if (ProgramEnding())
        return buttons == kMbYesNo ? kIdNo : kIdCancel;
    if (Observer())
        return Observer()(text, buttons);
    const QString caption = res::LoadString(res::kStrAppTitle);
    if (buttons == kMbYesNo) {
        const auto answer = QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No,
                                                  QMessageBox::Yes);
        return answer == QMessageBox::Yes ? kIdYes : kIdNo;
    }
    QMessageBox::information(parent, caption, text);
    return kIdOk;
}

} // namespace platform
