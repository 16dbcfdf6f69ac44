#pragma once

#include <QApplication>

// The application object: an error that escapes an event handler is shown by the general error
// report and the program goes on.
class TVelmiraApplication : public QApplication
{
public:
    TVelmiraApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Fonts, style and names every window of the program shares.
void ApplyVelmiraLook(QApplication& app);
