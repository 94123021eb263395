#pragma once
// The text the message box shows for an exception's message.

#include <string>

// A "." is added when the last character sorts after "." (so ")" gets none).
inline std::string MessageBoxText(const std::string& message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
        return message + '.';
    return message;
}
