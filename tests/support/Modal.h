#pragma once
// Answering modal dialogs from a test: the answer runs inside the dialog's own event loop
// once a dialog of the awaited type is the active modal widget. Every wait is bounded: a
// dialog that never comes leaves the answer unrun (the returned flag stays false), and one
// the answer leaves open is rejected at the bound, with any box it opened over itself, so no
// test hangs.

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

namespace testsupport {

template <class T> std::shared_ptr<bool> WhenModal(std::function<void(T*)> answer, int timeoutMs = 10000)
{
    auto ran = std::make_shared<bool>(false);
    // Deletes itself once it is done; the application takes it if the test ends first.
    auto* poll = new QTimer(qApp);
    poll->setInterval(10);
    QObject::connect(
        poll, &QTimer::timeout,
        [poll, ran, answer = std::move(answer), deadline = QDeadlineTimer(timeoutMs)] {
            auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
            if (!dialog && !deadline.hasExpired())
                return;
            poll->stop();
            poll->deleteLater();
            if (!dialog)
                return;
            *ran = true;
            QPointer<QDialog> guard(dialog);
            answer(dialog);
            if (guard && guard->isVisible()) {
                QTimer::singleShot(std::max<qint64>(deadline.remainingTime(), 0), guard.data(), [guard] {
                    // Boxes the dialog opened over itself go first.
                    while (guard && guard->isVisible()) {
                        auto* top = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                        (top ? top : guard.data())->reject();
                    }
                });
            }
        });
    poll->start();
    return ran;
}

// Chooses a file in a file dialog as a user typing its name would, and accepts. selectFile
// alone leaves the name box untouched while that box has the focus, which it may or may not
// have yet when the answer runs, and an accept with an empty box only opens the folder.
inline void ChooseFile(QFileDialog* browse, const QString& path)
{
    browse->selectFile(path);
    if (auto* name = browse->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->setText(path);
    static_cast<QDialog*>(browse)->accept();
}

} // namespace testsupport
