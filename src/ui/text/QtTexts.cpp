#include "ui/text/QtTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

bool followLanguageInQtTexts(bool english)
{
    // Goes with the application object.
    static QPointer<QTranslator> russian;
    if (english) {
        if (russian)
            QCoreApplication::removeTranslator(russian);
        return true;
    }
    if (!russian) {
        auto* translator = new QTranslator(QCoreApplication::instance());
        if (!translator->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"),
                              QStringLiteral("_"),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            delete translator;
            return false;
        }
        russian = translator;
    }
    return QCoreApplication::installTranslator(russian);
}
