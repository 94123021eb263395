#pragma once
// A failure's message as the program's message box shows it.

#include <string>

// The message with "." appended when its last character sorts after "."
// (so "... (3)" stays as it is).
std::string MessageBoxText(const std::string& message);

// The message of the exception being handled, whatever its type; call it
// inside a catch block.
std::string CurrentExceptionMessage();
