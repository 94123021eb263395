#pragma once
// A failure's message as the program's message box shows it.

#include <string>

// The message with "." appended when its last character sorts after "."
// (so "... (3)" stays as it is).
std::string MessageBoxText(const std::string& message);

// The message of the exception being handled, whatever its type; call it
// inside a catch block.
std::string CurrentExceptionMessage();

// What the shell prints for the exception being handled: its message as the
// message box shows it, then the library's reason where the exception has one.
std::string CurrentExceptionText();

// A failure of the archive on one line that names the archive first,
// "ARCHIVE: reason": the lines of a message are joined with ": ", and a
// lead-in that names the archive again is left out.
std::string ArchiveFailureText(const std::string& archive, const std::string& message);
