#include "MainMenu.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include "HelpTopics.h"

namespace pimra {

namespace {

QAction* addItem(QMenu* menu, const QString& text, const QKeySequence& key = {}) {
    QAction* action = menu->addAction(text);
    action->setShortcut(key);
    return action;
}

QMenu* addMenu(QMenuBar* bar, const QString& title, int helpTopic) {
    QMenu* menu = bar->addMenu(title);
    menu->setProperty("helpContext", helpTopic);
    return menu;
}

QAction* addCheckItem(QMenu* menu, const QString& text, const QKeySequence& key) {
    QAction* action = addItem(menu, text, key);
    action->setCheckable(true);
    return action;
}

}  // namespace

MainMenu::MainMenu(QMenuBar* bar) {
    N12 = bar->addAction(QStringLiteral("Игра Online"));

    N1 = addMenu(bar, QStringLiteral("Игра с компьютером"), kHelpGeneral);
    N2 = addItem(N1, QStringLiteral("Новая"), Qt::Key_F2);
    N7 = addItem(N1, QStringLiteral("Сохранить"), Qt::Key_F5);
    N11 = addItem(N1, QStringLiteral("Загрузить "), Qt::Key_F8);
    N23 = addItem(N1, QStringLiteral("Выбрать "), Qt::Key_F7);
    N42 = addItem(N1, QStringLiteral("Запись партии"));
    N1->addSeparator();
    N4 = addItem(N1, QStringLiteral("Выход"));

    N8 = addMenu(bar, QStringLiteral("Звук"), kHelpGeneral);
    N10 = addCheckItem(N8, QStringLiteral("Звуки ходов"), Qt::Key_F4);
    N10->setChecked(true);

    N5 = addMenu(bar, QStringLiteral("Помощь"), kHelpGeneral);
    N6 = addItem(N5, QStringLiteral("Правила"));
    N39 = addItem(N5, QStringLiteral("Об игре"));
    myGames = addItem(N5, QStringLiteral("Мои партии"));
    myGames->setVisible(false);
    N5->addSeparator();
    N40 = addItem(N5, QStringLiteral("О программе"));

    N15 = addMenu(bar, QStringLiteral("Уровень"), kHelpLevels);
    N16 = addCheckItem(N15, QStringLiteral("Легкий"), Qt::CTRL | Qt::Key_E);
    N17 = addCheckItem(N15, QStringLiteral("Нормальный"), Qt::CTRL | Qt::Key_N);
    N18 = addCheckItem(N15, QStringLiteral("Сложный"), Qt::CTRL | Qt::Key_H);
    N19 = addCheckItem(N15, QStringLiteral("Очень сложный"), Qt::CTRL | Qt::Key_V);
    N41 = addCheckItem(N15, QStringLiteral("Мастер"), Qt::CTRL | Qt::Key_M);
    N15->addSeparator();
    N22 = addCheckItem(N15, QStringLiteral("Изменчивый"), Qt::CTRL | Qt::Key_I);

    N26 = addMenu(bar, QStringLiteral("Особые возможности"), kHelpSpecial);
    N20 = addItem(N26, QStringLiteral("Назад"), Qt::Key_F9);
    N29 = addItem(N26, QStringLiteral("Вперед"), Qt::Key_F10);
    N24 = addItem(N26, QStringLiteral("Подсказка"), Qt::Key_F11);
    N25 = addItem(N26, QStringLiteral("Поменятся полями"));
    N27 = addItem(N26, QStringLiteral("Увеличить кол-во камней"));
    N28 = addItem(N26, QStringLiteral("Уменьшить кол-во камней"));
    N43 = addItem(N26, QStringLiteral("Анализ"), Qt::Key_F12);

    N30 = addMenu(bar, QStringLiteral("Фон"), kHelpGeneral);
    backgroundGroup = new QActionGroup(N30);
    backgroundGroup->setExclusive(true);
    const QStringList names = {QStringLiteral("Земля"),  QStringLiteral("Стена"),
                               QStringLiteral("Пузыри"), QStringLiteral("Плитка"),
                               QStringLiteral("Синева"), QStringLiteral("Полоски"),
                               QStringLiteral("Рельеф"), QStringLiteral("Зеленый")};
    for (int k = 0; k < kBackgroundCount; ++k) {
        QAction* item = addCheckItem(N30, names[k],
                                     QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + k)));
        backgroundGroup->addAction(item);
        backgrounds[static_cast<std::size_t>(k)] = item;
    }
    N30->addSeparator();
    ownRowBottom = addCheckItem(N30, QStringLiteral("Моё поле снизу"), {});
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
    return {N12, N1->menuAction(), N8->menuAction(), N26->menuAction(), N30->menuAction()};
}

QList<QAction*> MainMenu::lockedWhileThinking() const {
    // The game may be begun anew, loaded or left while the computer thinks; the position
    // itself stays as it is.
    return {N12, N26->menuAction()};
}

QList<QMenu*> MainMenu::menus() const {
    return {N1, N8, N5, N15, N26, N30};
}

}  // namespace pimra
