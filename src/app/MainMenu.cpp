#include "MainMenu.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include "HelpTopics.h"
#include "ShownText.h"
#include "online/Commands.h"

namespace pimra {

namespace {

QAction* addItem(QMenu* menu, const char* text, const QKeySequence& key = {}) {
    QAction* action = menu->addAction(QString());
    setShownText(action, QString::fromUtf8(text));
    action->setShortcut(key);
    return action;
}

QMenu* addMenu(QMenuBar* bar, const char* title, int helpTopic) {
    QMenu* menu = bar->addMenu(QString());
    setShownText(menu->menuAction(), QString::fromUtf8(title));
    menu->setProperty("helpContext", helpTopic);
    return menu;
}

QAction* addCheckItem(QMenu* menu, const char* text, const QKeySequence& key) {
    QAction* action = addItem(menu, text, key);
    action->setCheckable(true);
    return action;
}

}  // namespace

MainMenu::MainMenu(QMenuBar* bar) {
    N12 = bar->addAction(QString());
    setShownText(N12, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "&Игра Online")));
    logout = bar->addAction(QString());
    setShownText(logout, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "&Выйти")));
    logout->setVisible(false);

    N1 = addMenu(bar, QT_TRANSLATE_NOOP("pimra", "Игра с &компьютером"), kHelpGeneral);
    N2 = addItem(N1, QT_TRANSLATE_NOOP("pimra", "Новая"), Qt::Key_F2);
    N7 = addItem(N1, QT_TRANSLATE_NOOP("pimra", "Сохранить"), Qt::Key_F5);
    N11 = addItem(N1, QT_TRANSLATE_NOOP("pimra", "Загрузить "), Qt::Key_F8);
    N23 = addItem(N1, QT_TRANSLATE_NOOP("pimra", "Выбрать "), Qt::Key_F7);
    N42 = addItem(N1, QT_TRANSLATE_NOOP("pimra", "Запись партии"));
    N1->addSeparator();
    N4 = addItem(N1, QT_TRANSLATE_NOOP("pimra", "Выход"));

    N8 = addMenu(bar, QT_TRANSLATE_NOOP("pimra", "&Звук"), kHelpGeneral);
    N10 = addCheckItem(N8, QT_TRANSLATE_NOOP("pimra", "Звуки ходов"), Qt::Key_F4);
    N10->setChecked(true);

    N5 = addMenu(bar, QT_TRANSLATE_NOOP("pimra", "&Помощь"), kHelpGeneral);
    N6 = addItem(N5, QT_TRANSLATE_NOOP("pimra", "Правила"));
    N39 = addItem(N5, QT_TRANSLATE_NOOP("pimra", "Об игре"));
    myGames = addItem(N5, QT_TRANSLATE_NOOP("pimra", "Мои партии"));
    myGames->setVisible(false);
    N5->addSeparator();
    // Each language is named in its own words.
    languageMenu = N5->addMenu(QString());
    setShownText(languageMenu->menuAction(), QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Язык")));
    languageGroup = new QActionGroup(languageMenu);
    russianItem = languageMenu->addAction(QStringLiteral("Русский"));
    englishItem = languageMenu->addAction(QStringLiteral("English"));
    for (QAction* item : {russianItem, englishItem}) {
        item->setCheckable(true);
        languageGroup->addAction(item);
    }
    russianItem->setChecked(true);
    N40 = addItem(N5, QT_TRANSLATE_NOOP("pimra", "О программе"));

    N15 = addMenu(bar, QT_TRANSLATE_NOOP("pimra", "&Уровень"), kHelpLevels);
    N16 = addCheckItem(N15, QT_TRANSLATE_NOOP("pimra", "Легкий"), Qt::CTRL | Qt::Key_E);
    N17 = addCheckItem(N15, QT_TRANSLATE_NOOP("pimra", "Нормальный"), Qt::CTRL | Qt::Key_N);
    N18 = addCheckItem(N15, QT_TRANSLATE_NOOP("pimra", "Сложный"), Qt::CTRL | Qt::Key_H);
    N19 = addCheckItem(N15, QT_TRANSLATE_NOOP("pimra", "Очень сложный"), Qt::CTRL | Qt::Key_V);
    N41 = addCheckItem(N15, QT_TRANSLATE_NOOP("pimra", "Мастер"), Qt::CTRL | Qt::Key_M);
    N15->addSeparator();
    N22 = addCheckItem(N15, QT_TRANSLATE_NOOP("pimra", "Изменчивый"), Qt::CTRL | Qt::Key_I);
    N15->addSeparator();
    threadsMenu = N15->addMenu(QString());
    setShownText(threadsMenu->menuAction(),
                 QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Потоки")));
    threadsGroup = new QActionGroup(threadsMenu);
    for (int k = 0; k < kMenuThreads; ++k) {
        QAction* item = threadsMenu->addAction(QString::number(k + 1));
        item->setCheckable(true);
        threadsGroup->addAction(item);
        threadItems[static_cast<std::size_t>(k)] = item;
    }

    N26 = addMenu(bar, QT_TRANSLATE_NOOP("pimra", "&Особые возможности"), kHelpSpecial);
    N20 = addItem(N26, QT_TRANSLATE_NOOP("pimra", "Назад"), Qt::Key_F9);
    N29 = addItem(N26, QT_TRANSLATE_NOOP("pimra", "Вперед"), Qt::Key_F10);
    N24 = addItem(N26, QT_TRANSLATE_NOOP("pimra", "Подсказка"), Qt::Key_F11);
    N25 = addItem(N26, QT_TRANSLATE_NOOP("pimra", "Поменятся полями"));
    N27 = addItem(N26, QT_TRANSLATE_NOOP("pimra", "Увеличить кол-во камней"));
    N28 = addItem(N26, QT_TRANSLATE_NOOP("pimra", "Уменьшить кол-во камней"));
    N43 = addItem(N26, QT_TRANSLATE_NOOP("pimra", "Анализ"), Qt::Key_F12);
    N26->addSeparator();
    N44 = addCheckItem(N26, QT_TRANSLATE_NOOP("pimra", "Чат"), {});
    N44->setChecked(true);

    N30 = addMenu(bar, QT_TRANSLATE_NOOP("pimra", "&Фон"), kHelpGeneral);
    backgroundGroup = new QActionGroup(N30);
    backgroundGroup->setExclusive(true);
    const char* const names[] = {
        QT_TRANSLATE_NOOP("pimra", "Земля"),  QT_TRANSLATE_NOOP("pimra", "Стена"),
        QT_TRANSLATE_NOOP("pimra", "Пузыри"), QT_TRANSLATE_NOOP("pimra", "Плитка"),
        QT_TRANSLATE_NOOP("pimra", "Синева"), QT_TRANSLATE_NOOP("pimra", "Полоски"),
        QT_TRANSLATE_NOOP("pimra", "Рельеф"), QT_TRANSLATE_NOOP("pimra", "Зеленый")};
    for (int k = 0; k < kBackgroundCount; ++k) {
        QAction* item = addCheckItem(N30, names[k],
                                     QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + k)));
        backgroundGroup->addAction(item);
        backgrounds[static_cast<std::size_t>(k)] = item;
    }
    N30->addSeparator();
    ownRowBottom = addCheckItem(N30, QT_TRANSLATE_NOOP("pimra", "Моё поле снизу"), {});
    ownRowBottom->setChecked(true);
}

QAction* MainMenu::levelItem(int level) const {
    switch (level) {
        case 0:
            return N22;
        case 1:
            return N16;
        case 2:
            return N17;
        case 3:
            return N18;
        case 4:
            return N19;
        case 5:
            return N41;
        default:
            return nullptr;
    }
}

QList<QAction*> MainMenu::topLevel() const {
    return {N12,
            N1->menuAction(),
            N8->menuAction(),
            N5->menuAction(),
            N15->menuAction(),
            N26->menuAction(),
            N30->menuAction()};
}

QList<QAction*> MainMenu::lockedDuringMove() const {
    // "Помощь" and "Уровень" stay open: the level may change for the computer's next move.
    // "Новая", a load and "Выход" stop the move; only "Сохранить" waits for its end.
    return {N12, N7, N8->menuAction(), N26->menuAction(), N30->menuAction()};
}

QList<QAction*> MainMenu::lockedWhileThinking() const {
    // The game may be begun anew, loaded or left while the computer thinks; the position
    // itself stays as it is.
    return {N12, N26->menuAction()};
}

QList<QMenu*> MainMenu::menus() const {
    return {N1, N8, N5, N15, N26, N30};
}

void MainMenu::mirror(const online::Commands& allowed) const {
    N12->setEnabled(allowed.lobby);
    N7->setEnabled(allowed.save);
    N8->menuAction()->setEnabled(allowed.sound);
    N26->menuAction()->setEnabled(allowed.special);
    N30->menuAction()->setEnabled(allowed.background);
    N20->setEnabled(allowed.back);
    N29->setEnabled(allowed.forward);
    N27->setEnabled(allowed.addStones);
    N28->setEnabled(allowed.removeStones);
}

}  // namespace pimra
