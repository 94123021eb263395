#include "ListEditing.h"

#include "ListClipboard.h"

namespace {

void SelectEverything(IEditableList& list)
{
    list.SelectAll();
}

void RemoveSelection(IEditableList& list)
{
    // From the last entry down, so removals do not shift the ones still to test.
    for (int i = list.Count() - 1; i >= 0; --i)
        if (list.Selected(i))
            list.Remove(i);
}

void CopySelection(IEditableList& list, TListClipboard& clipboard)
{
    std::vector<std::string> selected;
    const int count = list.Count();
    for (int i = 0; i < count; ++i)
        if (list.Selected(i))
            selected.push_back(list.Entry(i));
    clipboard.SetMyText(JoinClipboardLines(selected));
}

void PasteLines(IEditableList& list, TListClipboard& clipboard)
{
    std::string text;
    clipboard.GetMyText(text);
    for (const std::string& line : SplitClipboardLines(text))
        list.Append(line);
}

} // namespace

void FileListKeyDown(IEditableList& list, TListClipboard& clipboard, uint16_t windowFormat,
                     uint16_t key, unsigned shift)
{
    if (shift == 0 && key == VK_DELETE)
        RemoveSelection(list);
    else if (shift & ssCtrl) {
        switch (key) {
        case VK_A:
            SelectEverything(list);
            break;
        case VK_DELETE:
            RemoveSelection(list);
            break;
        case VK_C:
            CopySelection(list, clipboard);
            break;
        case VK_V:
            if (clipboard.HasFormat(windowFormat))
                PasteLines(list, clipboard);
            break;
        default:
            break;
        }
    }
    list.SetCaption(std::to_string(list.Count()) + " Files");
}

std::string JoinClipboardLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> SplitClipboardLines(const std::string& text)
{
    std::vector<std::string> lines;
    const size_t end = text.find('\0');
    const size_t length = end == std::string::npos ? text.size() : end;
    size_t start = 0;
    size_t i = 0;
    while (i < length) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        lines.push_back(text.substr(start, i - start));
        ++i;
        if (c == '\r' && i < length && text[i] == '\n')
            ++i;
        start = i;
    }
    if (start < length)
        lines.push_back(text.substr(start, length - start));
    return lines;
}
