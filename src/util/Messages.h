#pragma once

#include <QString>
#include <functional>

// Messages for the member: an error or an information dialog headed with the program's name.
// The main window installs the handler that shows them; until then they go to standard error.
enum class TMessageKind { Error, Information };
using TMessageHandler = std::function<void(TMessageKind, const QString&)>;

void SetMessageHandler(TMessageHandler handler);
void ShowErrorMessage(const QString& message);
void ShowInfoMessage(const QString& message);
