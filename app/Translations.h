#pragma once
// The window's texts in the user's language: the program's own translation,
// built into it, and Qt's for the stock dialogs. English needs neither.

#include <QList>
#include <QLocale>

#include <memory>

class QTranslator;

class TTranslations {
public:
    // Installs what exists for the locale's languages, in the order the
    // locale prefers them.
    explicit TTranslations(const QLocale& locale = QLocale());
    ~TTranslations();
    TTranslations(const TTranslations&) = delete;
    TTranslations& operator=(const TTranslations&) = delete;

    // Whether the program's own translation was found for the locale.
    bool ProgramTranslated() const { return FProgramTranslated; }

private:
    QList<QTranslator*> FInstalled;
    bool FProgramTranslated = false;
};
