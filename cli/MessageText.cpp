#include "MessageText.h"

#include "Errors.h"

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
