#pragma once

#include "util/Messages.h"

#include <QString>

class QWidget;

// The program's message dialogs: window title "エラー" or "情報", heading "Velmira 2", the message
// below it. Owned by the active window, modal.
void ShowMessageDialog(TMessageKind kind, const QString& message);
// The same dialog with Yes and No instead of OK; true for Yes.
bool AskYesNo(TMessageKind kind, const QString& message);

// The general error report for an error that escaped an event handler: a message box titled
// "Velmira 2" with the error's text, given a full stop when its last character sorts after ".".
void ShowErrorReport(const QString& text);
QString WithFullStop(const QString& text);

// Routes ShowErrorMessage / ShowInfoMessage of the core to the dialogs above.
void InstallMessageDialogs();
