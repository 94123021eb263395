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
    // columns: the terminal's width, which the live line never reaches.
    TProgressReport(std::FILE* out, bool live, int columns = 80) : FOut(out), FLive(live), FColumns(columns) {}

    void SetCaption(const std::string& caption);
    void SetMaximum(int maximum) { FMaximum = maximum; }
    void SetRemaining(int remaining);
    // The picture being worked on now; the live line shows it.
    void SetPicture(const std::string& path);
    // A picture is stored (its commit on disk), or skipped because the
    // archive holds its name; caption is that picture's own, holder the
    // picture of this run that took the name, if one did.
    void ItemDone(const std::string& caption, const std::string& path, bool skipped, const std::string& holder = {});
    // A message of its own line, above the live line.
    void PrintLine(const std::string& text);
    // Ends the live line so that later output starts on a fresh one.
    void Finish();

private:
    void Redraw();
    std::string LiveLine() const;

    std::FILE* FOut;
    bool FLive;
    int FColumns;
    std::string FCaption;
    std::string FPicture;
    int FMaximum = 0;
    int FRemaining = 0;
    bool FLineOpen = false;
};
