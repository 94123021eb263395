#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

TTranslations::TTranslations(const QLocale& locale)
{
    auto install = [this, &locale](const QString& name, const QString& folder) {
        auto translator = std::make_unique<QTranslator>();
        if (!translator->load(locale, name, QStringLiteral("_"), folder))
            return false;
        QCoreApplication::installTranslator(translator.get());
        FInstalled << translator.release();
        return true;
    };
    FProgramTranslated = install(QStringLiteral("plinkavorte"), QStringLiteral(":/i18n"));
    // Qt's own words in the file and colour choosers and the message boxes.
    if (FProgramTranslated)
        install(QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

TTranslations::~TTranslations()
{
    for (QTranslator* translator : FInstalled) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}
