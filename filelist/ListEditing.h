#pragma once
// The list's editing keys: Ctrl+A, Delete and Ctrl+Delete, Ctrl+C and Ctrl+V.

#include <cstdint>
#include <string>
#include <vector>

class TListClipboard;

// What the keys need of the list and its window.
class IEditableList {
public:
    virtual ~IEditableList() = default;
    virtual int Count() = 0;
    virtual std::string Entry(int i) = 0;
    virtual bool Selected(int i) = 0;
    virtual void SelectAll() = 0;
    virtual void Remove(int i) = 0;
    // Throws Exception("Unable to insert a line") when the list is full.
    virtual void Append(const std::string& line) = 0;
    virtual void SetCaption(const std::string& text) = 0;
};

enum TShiftBits : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4 };

// Windows virtual key codes, which the window maps its keys to.
constexpr uint16_t VK_DELETE = 46;
constexpr uint16_t VK_A = 65;
constexpr uint16_t VK_C = 67;
constexpr uint16_t VK_V = 86;

// Handles one key press on the list. windowFormat is the id the window
// registered for its private format; paste happens only when it is present.
// The caller passes the key on to the list afterwards in any case.
void FileListKeyDown(IEditableList& list, TListClipboard& clipboard, uint16_t windowFormat,
                     uint16_t key, unsigned shift);

// Each line followed by CR LF.
std::string JoinClipboardLines(const std::vector<std::string>& lines);
// Lines end at CR LF, a lone CR or a lone LF; the text ends at its first zero
// byte; a break at the very end adds no empty line.
std::vector<std::string> SplitClipboardLines(const std::string& text);
