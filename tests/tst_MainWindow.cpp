// SPDX-License-Identifier: MIT
#include "MainWindow.h"
#include "qtTranslations.h"
#include "testSupport.h"

#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMetaMethod>
#include <QPushButton>
#include <QTranslator>
#include <QtTest>

// Each test builds its own window in a fresh working directory, since the
// window reads test.map from there as it is built.
class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void windowAndWidgets();
    void metaData();
    void buttonTakesFocusFirst();
    void reloadTriggers_data();
    void reloadTriggers();
    void remembersTheLastTypedName();
    void missingNameLeavesGridCleared();
    void nameIsUsedAsTyped();
    void startsWithoutTestMap();
    void accessibleControls_data();
    void accessibleControls();
    void qtTextsFollowTheLocale_data();
    void qtTextsFollowTheLocale();
};

void TestMainWindow::init()
{
    QVERIFY(enterNewFolder());
    QVERIFY(writeFile(QStringLiteral("test.map"), uniformMap('1')));
    QVERIFY(writeFile(QStringLiteral("a.map"), uniformMap('2')));
    QVERIFY(writeFile(QStringLiteral("b.map"), uniformMap('3')));
}

void TestMainWindow::windowAndWidgets()
{
    MainWindow window;
    const WindowParts parts = partsOf(window);
    // Attached in this order, which is also the focus order.
    QCOMPARE(window.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly),
             (QList<QWidget *>{parts.button, parts.field, parts.map}));
    QCOMPARE(window.windowTitle(), QStringLiteral("3D Velmora"));
    QCOMPARE(window.size(), QSize(928, 512));
    QCOMPARE(window.minimumSize(), QSize(928, 512));
    QCOMPARE(window.maximumSize(), QSize(928, 512));
    QCOMPARE(parts.map->geometry(), QRect(0, 0, 928, 480));
    QCOMPARE(parts.button->geometry(), QRect(896, 480, 32, 32));
    QCOMPARE(parts.field->geometry(), QRect(0, 480, 896, 32));
    QCOMPARE(parts.button->text(), QStringLiteral("-"));
    QCOMPARE(parts.field->placeholderText(), QStringLiteral("fichier *.map"));
    QVERIFY(parts.field->text().isEmpty());
    QVERIFY(!window.windowIcon().isNull());
    QVERIFY(!window.centralWidget() && !window.menuWidget());
    QCOMPARE(shownCodes(window), QByteArray(196, '1'));
}

void TestMainWindow::metaData()
{
    const QMetaObject &meta = MainWindow::staticMetaObject;
    QCOMPARE(meta.className(), "MainWindow");
    QCOMPARE(meta.superClass(), &QMainWindow::staticMetaObject);
    QCOMPARE(meta.methodCount() - meta.methodOffset(), 1);
    const QMetaMethod slot = meta.method(meta.methodOffset());
    QCOMPARE(slot.methodSignature(), QByteArray("reloadWanted()"));
    QCOMPARE(slot.methodType(), QMetaMethod::Slot);
    QCOMPARE(slot.access(), QMetaMethod::Private);
    QCOMPARE(meta.propertyCount(), meta.propertyOffset());
    QCOMPARE(meta.enumeratorCount(), meta.enumeratorOffset());
    QCOMPARE(meta.classInfoCount(), meta.classInfoOffset());
}

void TestMainWindow::buttonTakesFocusFirst()
{
    MainWindow window;
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const WindowParts parts = partsOf(window);
    QCOMPARE(QApplication::focusWidget(), parts.button);
    QCOMPARE(parts.button->nextInFocusChain(), parts.field);
}

void TestMainWindow::reloadTriggers_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<bool>("reloads");
    QTest::newRow("enter in the field") << "field enter" << false;
    QTest::newRow("return in the field") << "field return" << false;
    QTest::newRow("enter on the button") << "button enter" << false;
    QTest::newRow("return on the button") << "button return" << false;
    QTest::newRow("space on the button") << "button space" << true;
    QTest::newRow("click on the button") << "button click" << true;
    QTest::newRow("press without release on the button") << "button press" << false;
}

void TestMainWindow::reloadTriggers()
{
    QFETCH(QString, trigger);
    QFETCH(bool, reloads);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const WindowParts parts = partsOf(window);
    parts.field->setFocus();
    QTest::keyClicks(parts.field, QStringLiteral("a.map"));

    QWidget *target = trigger.startsWith(QLatin1String("field")) ? static_cast<QWidget *>(parts.field)
                                                                 : parts.button;
    target->setFocus();
    if (trigger.endsWith(QLatin1String("enter")))
        QTest::keyClick(target, Qt::Key_Enter);
    else if (trigger.endsWith(QLatin1String("return")))
        QTest::keyClick(target, Qt::Key_Return);
    else if (trigger.endsWith(QLatin1String("space")))
        QTest::keyClick(target, Qt::Key_Space);
    else if (trigger.endsWith(QLatin1String("press")))
        QTest::mousePress(target, Qt::LeftButton);
    else
        QTest::mouseClick(target, Qt::LeftButton);
    QCOMPARE(shownCodes(window), QByteArray(196, reloads ? '2' : '1'));
}

void TestMainWindow::remembersTheLastTypedName()
{
    MainWindow window;
    const WindowParts parts = partsOf(window);
    // An empty field right after start reloads test.map, changed on disk meanwhile.
    QVERIFY(writeFile(QStringLiteral("test.map"), uniformMap('4')));
    QTest::mouseClick(parts.button, Qt::LeftButton);
    QCOMPARE(shownCodes(window), QByteArray(196, '4'));

    parts.field->setText(QStringLiteral("a.map"));
    QTest::mouseClick(parts.button, Qt::LeftButton);
    QCOMPARE(shownCodes(window), QByteArray(196, '2'));
    parts.field->clear();
    QVERIFY(writeFile(QStringLiteral("a.map"), uniformMap('5')));
    QTest::mouseClick(parts.button, Qt::LeftButton);
    QCOMPARE(shownCodes(window), QByteArray(196, '5'));
}

void TestMainWindow::missingNameLeavesGridCleared()
{
    MainWindow window;
    const WindowParts parts = partsOf(window);
    parts.field->setText(QStringLiteral("missing.map"));
    QTest::mouseClick(parts.button, Qt::LeftButton);
    QCOMPARE(shownCodes(window), QByteArray(196, ' '));
    for (const isoCase *tile : tilesOf(*parts.map))
        QVERIFY(!tile->isWalkable());
    // The missing name is remembered all the same.
    QVERIFY(writeFile(QStringLiteral("missing.map"), uniformMap('6')));
    parts.field->clear();
    QTest::mouseClick(parts.button, Qt::LeftButton);
    QCOMPARE(shownCodes(window), QByteArray(196, '6'));
}

void TestMainWindow::nameIsUsedAsTyped()
{
    QVERIFY(writeFile(QStringLiteral(" a.map"), uniformMap('7')));
    MainWindow window;
    const WindowParts parts = partsOf(window);
    parts.field->setText(QStringLiteral(" a.map"));
    QTest::mouseClick(parts.button, Qt::LeftButton);
    QCOMPARE(shownCodes(window), QByteArray(196, '7'));
}

void TestMainWindow::startsWithoutTestMap()
{
    QVERIFY(QFile::remove(QStringLiteral("test.map")));
    MainWindow window;
    QCOMPARE(shownCodes(window), QByteArray(196, ' '));
    partsOf(window).field->setText(QStringLiteral("b.map"));
    QTest::mouseClick(partsOf(window).button, Qt::LeftButton);
    QCOMPARE(shownCodes(window), QByteArray(196, '3'));
}

void TestMainWindow::accessibleControls_data()
{
    QTest::addColumn<bool>("button");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("shownText");
    QTest::newRow("reload button")
        << true << "Recharger la carte"
        << "Relit le fichier de carte nommé dans le champ, ou le dernier lu si le champ est vide"
        << "-";
    QTest::newRow("file name field")
        << false << "Nom du fichier de carte"
        << "Nom du fichier de carte à lire, relatif au dossier de travail" << "";
}

// What a screen reader announces, through the same interface it queries; the
// visible texts stay as they are.
void TestMainWindow::accessibleControls()
{
    QFETCH(bool, button);
    QFETCH(QString, name);
    QFETCH(QString, description);
    QFETCH(QString, shownText);
    MainWindow window;
    const WindowParts parts = partsOf(window);
    QWidget *control = button ? static_cast<QWidget *>(parts.button) : parts.field;
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), name);
    // Compared whole: without one, Qt would offer the tooltip or the placeholder.
    QCOMPARE(accessible->text(QAccessible::Description), description);
    QCOMPARE(button ? parts.button->text() : parts.field->text(), shownText);
    // A mouse user learns what "-" does by hovering it.
    QCOMPARE(control->toolTip().isEmpty(), !button);
}

void TestMainWindow::qtTextsFollowTheLocale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("withQtTranslations");
    QTest::addColumn<QString>("firstEntry");
    QTest::newRow("French") << QLocale(QLocale::French, QLocale::France) << true << "&Annuler";
    QTest::newRow("French, translations missing")
        << QLocale(QLocale::French, QLocale::France) << false << "&Undo";
    QTest::newRow("a language Qt does not speak") << QLocale(QLocale::Esperanto) << true << "&Undo";
}

// The field's context menu is Qt's own; only the visible texts of our own stay as they are.
void TestMainWindow::qtTextsFollowTheLocale()
{
    QFETCH(QLocale, locale);
    QFETCH(bool, withQtTranslations);
    QFETCH(QString, firstEntry);
    const QString folder = withQtTranslations ? qtTranslationsFolder() : QDir::currentPath();
#ifdef Q_OS_WIN
    if (withQtTranslations)
        QSKIP("the Windows build carries no translations of Qt's own texts");
#endif
    if (withQtTranslations && !QFile::exists(folder + QStringLiteral("/qtbase_fr.qm")))
        QFAIL(qPrintable(QStringLiteral("no Qt translations in %1 (Debian: qt6-translations-l10n, "
                                            "qttranslations5-l10n for Qt 5)")
                             .arg(folder)));
    std::unique_ptr<QTranslator> translator(loadQtTranslations(locale, folder));
    QCOMPARE(bool(translator), firstEntry != QLatin1String("&Undo"));

    MainWindow window;
    const WindowParts parts = partsOf(window);
    std::unique_ptr<QMenu> menu(parts.field->createStandardContextMenu());
    QVERIFY(!menu->actions().isEmpty());
    // The entry's text ends with its shortcut after a tab.
    QCOMPARE(menu->actions().first()->text().section(QLatin1Char('\t'), 0, 0), firstEntry);
    QCOMPARE(parts.field->placeholderText(), QStringLiteral("fichier *.map"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_MainWindow.moc"
