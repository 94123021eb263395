#include "ProgressReport.h"

#include "EntryName.h"
#include "NameText.h"

#include <algorithm>

std::string ProgressLine(const std::string& caption, int maximum, int remaining, int width)
{
    const int done = maximum > 0 ? std::clamp(maximum - remaining, 0, maximum) : 0;
    const int filled = maximum > 0 ? done * width / maximum : 0;
    const int percent = maximum > 0 ? done * 100 / maximum : 0;
    std::string line = caption + " [";
    line.append(static_cast<size_t>(filled), '#');
    line.append(static_cast<size_t>(width - filled), '.');
    line += "] ";
    const std::string number = std::to_string(percent);
    line.append(3 - std::min<size_t>(3, number.size()), ' ');
    line += number + "%";
    return line;
}

void TProgressReport::SetCaption(const std::string& caption)
{
    FCaption = caption;
    FPicture.clear();  // the next picture is not known yet
    Redraw();
}

void TProgressReport::SetRemaining(int remaining)
{
    FRemaining = remaining;
    Redraw();
}

void TProgressReport::SetPicture(const std::string& path)
{
    FPicture = path;
    Redraw();
}

namespace {

std::string SkipNote(const std::string& holder)
{
    if (holder.empty())
        return " (skipped: already in the archive)";
    return " (skipped: " + EscapedName(EntryNameOf(holder)) + " is already in the archive, from " + EscapedName(holder) + ")";
}

} // namespace

void TProgressReport::ItemDone(const std::string& caption, const std::string& path, bool skipped,
                               const std::string& holder)
{
    if (FLive) {
        Redraw();
        return;
    }
    const std::string line = caption + " " + EscapedName(path) + (skipped ? SkipNote(holder) : "");
    std::fprintf(FOut, "%s\n", line.c_str());
    std::fflush(FOut);
}

void TProgressReport::PrintLine(const std::string& text)
{
    if (FLive && FLineOpen)
        std::fputs("\r\033[K", FOut);
    FLineOpen = false;
    std::fprintf(FOut, "%s\n", text.c_str());
    std::fflush(FOut);
}

void TProgressReport::Finish()
{
    if (FLive && FLineOpen) {
        std::fputc('\n', FOut);
        std::fflush(FOut);
    }
    FLineOpen = false;
}

void TProgressReport::Redraw()
{
    if (!FLive || FCaption.empty())
        return;
    // "\033[K" clears what a longer earlier line left behind.
    std::fprintf(FOut, "\r%s\033[K", LiveLine().c_str());
    std::fflush(FOut);
    FLineOpen = true;
}

// The bar, then as much of the picture's path as fits before the last
// column (writing into it would wrap the line on many terminals). On a
// narrow terminal the bar gives up room to the path.
std::string TProgressReport::LiveLine() const
{
    const int room = std::max(FColumns - 1, 0);
    const int barWidth = std::clamp(FColumns - 50, 10, 30);
    std::string line = ProgressLine(FCaption, FMaximum, FRemaining, barWidth);
    if (static_cast<int>(line.size()) >= room)
        return line.substr(0, static_cast<size_t>(room));
    const int left = room - static_cast<int>(line.size()) - 1;
    if (!FPicture.empty() && left >= 2) {
        line += ' ';
        line += ShortenedToColumns(EscapedName(FPicture), left);
    }
    return line;
}
