#pragma once

#include <QString>
#include <stdexcept>

// An error no handler of the program deals with itself: it ends the operation under way and is
// shown by the application's general error report.
class TVelmiraError : public std::runtime_error
{
public:
    explicit TVelmiraError(const QString& message) : std::runtime_error(message.toUtf8().toStdString()) {}
};
