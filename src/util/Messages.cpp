#include "util/Messages.h"

#include <cstdio>

namespace {
TMessageHandler& handler()
{
    static TMessageHandler current;
    return current;
}

void show(TMessageKind kind, const QString& message)
{
    if (handler())
        handler()(kind, message);
    else
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}
} // namespace

void SetMessageHandler(TMessageHandler handler_)
{
    handler() = std::move(handler_);
}

void ShowErrorMessage(const QString& message)
{
    show(TMessageKind::Error, message);
}

void ShowInfoMessage(const QString& message)
{
    show(TMessageKind::Information, message);
}
