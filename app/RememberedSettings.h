#pragma once
// What the window remembers between starts: the thumbnail settings, Inc subs,
// the archive's name, where the window and the preview were. Clear is never
// remembered, because it deletes an archive. A broken or foreign file is
// ignored and replaced; a value of the wrong kind or out of range is left out.

#include <QString>

class TMainWindow;
class TPreviewWindow;

class TRememberedSettings {
public:
    explicit TRememberedSettings(QString file) : FFile(std::move(file)) {}
    // ~/.config/plinkavorte/plinkavorte.conf, or under $XDG_CONFIG_HOME.
    static QString DefaultFile();

    void Load(TMainWindow& window, TPreviewWindow& preview) const;
    // False when the file could not be written.
    bool Save(const TMainWindow& window, const TPreviewWindow& preview) const;
    // Starts again from the defaults: the file is removed.
    void Forget() const;

private:
    QString FFile;
};
