// SPDX-License-Identifier: MIT
#pragma once

#include <QLocale>
#include <QString>

class QTranslator;

// Qt's own translations, as Debian installs them for Qt 5 and Qt 6.
QString qtTranslationsFolder();

// Makes Qt's own texts (the field's context menu, the command line's help)
// speak the language of `locale`, from Qt's translations in `folder`. Returns
// the installed translator, owned by the application, or null when there is
// no translation for that language: Qt's texts then stay English.
// Call it once the application object exists.
QTranslator *loadQtTranslations(const QLocale &locale = QLocale(),
                                const QString &folder = qtTranslationsFolder());
