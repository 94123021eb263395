// The window in the user's language: German from the built-in translation,
// English for C and for languages without one.

#include "StatusText.h"
#include "TListBox.h"
#include "Translations.h"
#include "WindowFixture.h"

#include <QCheckBox>
#include <QPushButton>

#include <cstdlib>

namespace {

void ExpectGerman(const TMainWindow& window)
{
    EXPECT_EQ(window.Frame->text(), "&Rahmen");
    EXPECT_EQ(window.IncSubs->text(), "&Unterordner");
    EXPECT_EQ(window.FFileList->accessibleName(), "Zu verarbeitende Fotos");
    EXPECT_EQ(window.FFileList->Placeholder(), "Fotos oder Ordner hierher ziehen");
    EXPECT_EQ(EmptyListText(), "Die Liste ist leer: Zuerst Fotos oder Ordner darauf ziehen");
    EXPECT_EQ(DoneText({3, 3, 1}), "Fertig: 2 hinzugefügt, 1 übersprungen: Das Archiv enthält seinen Namen bereits");
    EXPECT_EQ(CaptionText("12 Files"), "12 Dateien");
    EXPECT_EQ(CaptionText("Files 3/10"), "Dateien 3/10");
    // Qt's own words, for the stock dialogs.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Abbrechen");
}

void ExpectEnglish(const TMainWindow& window)
{
    EXPECT_EQ(window.Frame->text(), "&Frame");
    EXPECT_EQ(window.IncSubs->text(), "&Inc subs");
    EXPECT_EQ(window.FFileList->accessibleName(), "Photos to process");
    EXPECT_EQ(window.FFileList->Placeholder(), "Drop photos or folders here");
    EXPECT_EQ(DoneText({3, 3, 1}), "Done: 2 added, 1 skipped: the archive already holds its name");
    EXPECT_EQ(CaptionText("12 Files"), "12 Files");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancel");
}

} // namespace

TEST(TranslationTest, GermanLocaleGivesGermanTexts)
{
    const TTranslations translations(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_TRUE(translations.ProgramTranslated());
    TMainWindow window;
    ExpectGerman(window);
}

TEST(TranslationTest, LanguagesWithoutATranslationStayEnglishThroughout)
{
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::French, QLocale::France), QLocale(QLocale::English)}) {
        const TTranslations translations(locale);
        EXPECT_FALSE(translations.ProgramTranslated()) << locale.name().toStdString();
        TMainWindow window;
        ExpectEnglish(window);   // Qt's French is not mixed into an English window either
    }
}

TEST(TranslationTest, CaptionsOfOtherShapesStayAsTheyAre)
{
    EXPECT_EQ(CaptionText("Plinkavorte"), "Plinkavorte");
    EXPECT_EQ(CaptionText("12 Files more"), "12 Files more");
    EXPECT_EQ(CaptionText("Files 3/"), "Files 3/");
}

// Run by ctest with LANG=de_DE.UTF-8 and with LANG=C; PLK_EXPECT_LANGUAGE
// says which the environment should give.
TEST(TranslationTest, TheDesktopsLocaleChooses)
{
    const char* expected = std::getenv("PLK_EXPECT_LANGUAGE");
    if (!expected)
        GTEST_SKIP() << "run by ctest with LANG set";
    const TTranslations translations;
    TMainWindow window;
    if (std::string(expected) == "de") {
        EXPECT_EQ(QLocale().language(), QLocale::German);
        ExpectGerman(window);
    } else {
        EXPECT_FALSE(translations.ProgramTranslated());
        ExpectEnglish(window);
    }
}
