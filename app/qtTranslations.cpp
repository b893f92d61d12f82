// SPDX-License-Identifier: MIT
#include "qtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

QString qtTranslationsFolder()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#else
    return QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#endif
}

QTranslator *loadQtTranslations(const QLocale &locale, const QString &folder)
{
    // qtbase holds the texts of Qt's widgets and command line parser, in Qt 5 as in Qt 6.
    auto translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder)
        && QCoreApplication::installTranslator(translator))
        return translator;
    delete translator;
    return nullptr;
}
