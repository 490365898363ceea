#include <QAccessible>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QTest>

#include "FormFixture.h"
#include "MainMenu.h"
#include "StoneCount.h"
#include "TLunka.h"
#include "TestForm.h"

using namespace pimra;

namespace {

QString nameOf(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

QChar mnemonicOf(const QString& caption) {
    const int at = caption.indexOf(QLatin1Char('&'));
    return at >= 0 && at + 1 < caption.size() ? caption[at + 1].toUpper() : QChar();
}

QMenu* openPopup() {
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

}  // namespace

class KeyboardTest : public QObject, private test::FormFixture {
    Q_OBJECT

  private slots:
    void init() { openForm(); }
    void cleanup() {
        while (QMenu* popup = openPopup()) popup->close();
        closeForm();
    }

    void everyMenuTitleHasItsOwnAltLetter() {
        QSet<QChar> letters;
        for (QAction* title : form_->menuBar()->actions()) {
            const QChar letter = mnemonicOf(title->text());
            QVERIFY2(letter.isLetter(), qPrintable(title->text()));
            QVERIFY2(!letters.contains(letter), qPrintable(title->text()));
            letters.insert(letter);
        }
    }

    void altLetterOpensItsMenuAndArrowsWalkEveryItem() {
        for (QMenu* menu : menu().menus())
            for (QAction* item : menu->actions()) item->setEnabled(true);

        const QChar letter = mnemonicOf(menu().N1->title());
        QTest::sendKeyEvent(QTest::Click, form_.get(), static_cast<Qt::Key>(letter.unicode()),
                            QString(letter.toLower()), Qt::AltModifier);
        QVERIFY(QTest::qWaitFor([] { return openPopup() != nullptr; }));
        QCOMPARE(openPopup(), menu().N1);

        // Right moves to the next menu, and Down walks through all its items.
        for (QMenu* expected : {menu().N8, menu().N5, menu().N15, menu().N26, menu().N30}) {
            // Right on a submenu's item opens the submenu; elsewhere it goes to the next menu.
            QMenu* shown = openPopup();
            while (shown->activeAction() && shown->activeAction()->menu())
                QTest::keyClick(shown, Qt::Key_Down);
            QTest::keyClick(shown, Qt::Key_Right);
            QVERIFY(QTest::qWaitFor([expected] { return openPopup() == expected; }));
            QSet<QAction*> reached;
            for (int step = 0; step < expected->actions().size() + 1; ++step) {
                QTest::keyClick(expected, Qt::Key_Down);
                if (expected->activeAction()) reached.insert(expected->activeAction());
            }
            for (QAction* item : expected->actions())
                QVERIFY2(item->isSeparator() || !item->isVisible() || reached.contains(item),
                         qPrintable(item->text()));
            if (expected == menu().N5) {
                // The language submenu opens to the right and Left closes it again.
                while (expected->activeAction() != menu().languageMenu->menuAction())
                    QTest::keyClick(expected, Qt::Key_Down);
                QTest::keyClick(expected, Qt::Key_Right);
                QVERIFY(QTest::qWaitFor([this] { return openPopup() == menu().languageMenu; }));
                QTest::keyClick(menu().languageMenu, Qt::Key_Down);
                QVERIFY(menu().languageMenu->activeAction() != nullptr);
                QTest::keyClick(menu().languageMenu, Qt::Key_Left);
                QVERIFY(QTest::qWaitFor([expected] { return openPopup() == expected; }));
            }
        }
        // Up goes round to the last background, and Enter chooses it.
        QMenu* backgrounds = openPopup();
        for (int step = 0; step < 9 && backgrounds->activeAction() != menu().backgrounds[7]; ++step)
            QTest::keyClick(backgrounds, Qt::Key_Up);
        QTest::keyClick(openPopup(), Qt::Key_Return);
        QTRY_COMPARE(form_->backgroundIndex(), 8);
    }

    void altAloneGoesToTheMenuBar() {
        QTest::keyPress(form_.get(), Qt::Key_Alt);
        QTest::keyRelease(form_.get(), Qt::Key_Alt);
        QCOMPARE(form_->menuBar()->activeAction(), menu().N12);
        QTest::keyClick(form_->menuBar(), Qt::Key_Right);
        QCOMPARE(form_->menuBar()->activeAction(), menu().N1->menuAction());
        QTest::keyClick(form_->menuBar(), Qt::Key_Down);
        QVERIFY(QTest::qWaitFor([this] { return openPopup() == menu().N1; }));
    }

    void f10StaysWithTheGame() {
        // "Вперед" is disabled at first: F10 does nothing at all, no menu opens.
        QTest::keyClick(form_.get(), Qt::Key_F10);
        QVERIFY(form_->menuBar()->activeAction() == nullptr);
        QVERIFY(openPopup() == nullptr);

        click(3);
        const Position played = form_->game().position();
        menu().N20->trigger();
        QTest::keyClick(form_.get(), Qt::Key_F10);
        QCOMPARE(form_->game().position(), played);
        QVERIFY(form_->menuBar()->activeAction() == nullptr);
    }

    void pitsTellTheirStonesToAScreenReader() {
        QAccessibleInterface* pit = QAccessible::queryAccessibleInterface(form_->pit(3));
        QCOMPARE(pit->role(), QAccessible::Button);
        QCOMPARE(pit->text(QAccessible::Name), QStringLiteral("Лунка 3, 6 камней"));
        QCOMPARE(pit->text(QAccessible::Description), QStringLiteral("Нижний ряд"));
        QCOMPARE(nameOf(form_->pit(7)), QStringLiteral("Пимра нижнего игрока, 0 камней"));
        QCOMPARE(nameOf(form_->pit(14)), QStringLiteral("Пимра верхнего игрока, 0 камней"));
        QCOMPARE(nameOf(form_->pit(9)), QStringLiteral("Лунка 9, 6 камней"));

        // Pressed by the screen reader, pit 1 plays; the names follow the counts.
        pit = QAccessible::queryAccessibleInterface(form_->pit(1));
        QVERIFY(pit->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::pressAction()));
        pit->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        settle();
        QCOMPARE(form_->game().history().moveNumber(), 1);
        QCOMPARE(nameOf(form_->pit(1)), QStringLiteral("Лунка 1, 0 камней"));
        QCOMPARE(nameOf(form_->pit(2)), QStringLiteral("Лунка 2, 7 камней"));
        QCOMPARE(nameOf(form_->pit(7)), QStringLiteral("Пимра нижнего игрока, 1 камень"));
        // A store or a top pit is no move for the user, pressed or not.
        QAccessible::queryAccessibleInterface(form_->pit(9))
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::pressAction());
        settle();
        QCOMPARE(form_->game().history().moveNumber(), 1);
    }

    void russianNumbersOfStones() {
        const struct {
            int stones;
            const char* text;
        } cases[] = {{0, "0 камней"},     {1, "1 камень"},     {2, "2 камня"},
                     {4, "4 камня"},      {5, "5 камней"},     {11, "11 камней"},
                     {12, "12 камней"},   {14, "14 камней"},   {21, "21 камень"},
                     {22, "22 камня"},    {25, "25 камней"},   {101, "101 камень"},
                     {111, "111 камней"}, {112, "112 камней"}, {254, "254 камня"}};
        for (const auto& expected : cases)
            QCOMPARE(stoneCountText(expected.stones), QString::fromUtf8(expected.text));
    }
};

QTEST_MAIN(KeyboardTest)
#include "KeyboardTest.moc"
