#pragma once
// The messages of the layers below the window, which write English (the
// shell command prints them so), in the window's language. Each known shape
// is one translatable text with %1, %2 ... for the names, numbers and
// reasons it carries; a message of no known shape is shown as it is.

#include <QString>

#include <string>

// A failure's message, as the message box and the status panel show it.
QString CoreMessageText(const std::string& message);
// The words shown below a message: a library's own stay as they are.
QString CoreReasonText(const std::string& reason);
// Whether the message has a shape the catalogue knows.
bool IsKnownCoreMessage(const std::string& message);
