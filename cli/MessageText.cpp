#include "MessageText.h"

#include "Errors.h"
#include "NameText.h"

#include <exception>
#include <new>

std::string MessageBoxText(const std::string& message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
        return message + ".";
    return message;
}

std::string CurrentExceptionMessage()
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "Out of memory";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown exception";
    }
}

std::string CurrentExceptionText()
{
    std::string text = MessageBoxText(CurrentExceptionMessage());
    try {
        throw;
    } catch (const Exception& e) {
        if (!e.Reason().empty())
            text += " " + MessageBoxText(e.Reason());
    } catch (...) {
    }
    return text;
}

namespace {

std::string OneLine(const std::string& message)
{
    std::string line;
    for (size_t at = 0; at < message.size(); ++at) {
        if (message[at] == '\r' || message[at] == '\n') {
            while (at + 1 < message.size() && (message[at + 1] == '\r' || message[at + 1] == '\n'))
                ++at;
            line += ": ";
        } else {
            line += message[at];
        }
    }
    return line;
}

bool StartsWith(const std::string& text, const std::string& start)
{
    return text.compare(0, start.size(), start) == 0;
}

} // namespace

std::string ArchiveFailureText(const std::string& archive, const std::string& message)
{
    std::string text = MessageBoxText(OneLine(message));
    const std::string leadIn = "Cannot add to " + archive + ": ";
    if (StartsWith(text, leadIn))
        text.erase(0, leadIn.size());
    else if (StartsWith(text, archive + " "))
        return EscapedName(archive) + EscapedName(text.substr(archive.size()));
    return EscapedName(archive) + ": " + EscapedName(text);
}
