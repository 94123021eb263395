#include "ProgressReport.h"

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
    Redraw();
}

void TProgressReport::SetRemaining(int remaining)
{
    FRemaining = remaining;
    Redraw();
}

void TProgressReport::ItemDone(const std::string& path)
{
    if (FLive) {
        Redraw();
        return;
    }
    std::fprintf(FOut, "%s %s\n", FCaption.c_str(), path.c_str());
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
    std::fprintf(FOut, "\r%s\033[K", ProgressLine(FCaption, FMaximum, FRemaining).c_str());
    std::fflush(FOut);
    FLineOpen = true;
}
