#pragma once
// A stand-in for a notify window: records every window message posted to it.

#include "platform/WindowMessage.h"

#include <QList>
#include <QObject>

namespace testsupport {

struct PostedMessage
{
    unsigned message;
    platform::WPARAM wParam;
    platform::LPARAM lParam;
};

class MessageLog : public QObject
{
public:
    QList<PostedMessage> messages;

    // The wParams of the messages numbered `message`, in the order they came.
    QList<platform::WPARAM> Params(unsigned message) const
    {
        QList<platform::WPARAM> params;
        for (const PostedMessage& m : messages) {
            if (m.message == message)
                params.append(m.wParam);
        }
        return params;
    }

protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() == platform::WindowMessageEvent::Type()) {
            const auto* m = static_cast<platform::WindowMessageEvent*>(event);
            messages.append({m->message, m->wParam, m->lParam});
        }
    }
};

} // namespace testsupport
