#pragma once
// How a run's progress shows on standard error: one live line redrawn in
// place on a terminal, one line per finished picture anywhere else.

#include <cstdio>
#include <string>

// "Files 3/10 [#########...................]  30%" for a bar that has
// counted down to `remaining` of `maximum`.
std::string ProgressLine(const std::string& caption, int maximum, int remaining, int width = 30);

class TProgressReport {
public:
    TProgressReport(std::FILE* out, bool live) : FOut(out), FLive(live) {}

    void SetCaption(const std::string& caption);
    void SetMaximum(int maximum) { FMaximum = maximum; }
    void SetRemaining(int remaining);
    // The picture just finished (or failed).
    void ItemDone(const std::string& path);
    // Ends the live line so that later output starts on a fresh one.
    void Finish();

private:
    void Redraw();

    std::FILE* FOut;
    bool FLive;
    std::string FCaption;
    int FMaximum = 0;
    int FRemaining = 0;
    bool FLineOpen = false;
};
