#pragma once

#include <QList>

#include <array>

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;
class QObject;

namespace pimra {

namespace online {
struct Commands;
}

// The window's menu bar, every item by its name. Handlers are connected by the window.
struct MainMenu {
    static constexpr int kBackgroundCount = 8;
    static constexpr int kMenuThreads = 8;  // the most threads "Потоки" offers

    // Builds the menu bar's items in their order, with captions, shortcuts and check states.
    explicit MainMenu(QMenuBar* bar);

    QAction* N12;     // "Игра Online", a command in the bar itself
    QAction* logout;  // "Выйти", beside it in the bar while logged in; in no list below

    QMenu* N1;     // "Игра с компьютером"
    QAction* N2;   // "Новая"
    QAction* N7;   // "Сохранить"
    QAction* N11;  // "Загрузить "
    QAction* N23;  // "Выбрать "
    QAction* N42;  // "Запись партии"
    QAction* N4;   // "Выход"

    QMenu* N8;     // "Звук"
    QAction* N10;  // "Звуки ходов"

    QMenu* N5;            // "Помощь"
    QAction* N6;          // "Правила"
    QAction* N39;         // "Об игре"
    QAction* myGames;     // "Мои партии": the player's page on the server, once logged in
    QMenu* languageMenu;  // "Язык": "Русский", "English"
    QActionGroup* languageGroup;
    QAction* russianItem;
    QAction* englishItem;
    QAction* N40;  // "О программе"

    QMenu* N15;          // "Уровень"
    QAction* N16;        // "Легкий"
    QAction* N17;        // "Нормальный"
    QAction* N18;        // "Сложный"
    QAction* N19;        // "Очень сложный"
    QAction* N41;        // "Мастер"
    QAction* N22;        // "Изменчивый"
    QMenu* threadsMenu;  // "Потоки": the master's and the analysis' search threads
    QActionGroup* threadsGroup;
    std::array<QAction*, kMenuThreads> threadItems;  // 1 … kMenuThreads threads

    QMenu* N26;    // "Особые возможности"
    QAction* N20;  // "Назад"
    QAction* N29;  // "Вперед"
    QAction* N24;  // "Подсказка"
    QAction* N25;  // "Поменятся полями"
    QAction* N27;  // "Увеличить кол-во камней"
    QAction* N28;  // "Уменьшить кол-во камней"
    QAction* N43;  // "Анализ"
    QAction* N44;  // "Чат": the table's chat pane, and saying lines there

    QMenu* N30;  // "Фон"
    QActionGroup* backgroundGroup;
    std::array<QAction*, kBackgroundCount> backgrounds;  // N31 … N37, N9
    QAction* ownRowBottom;  // "Моё поле снизу": seat 2 sees the board turned at a table

    // The level items with the level each sets.
    QAction* levelItem(int level) const;
    // Top-level entries in the bar's order, and those a running move disables.
    QList<QAction*> topLevel() const;
    QList<QAction*> lockedDuringMove() const;
    // What stays locked while the computer thinks of its move; the rest opens again.
    QList<QAction*> lockedWhileThinking() const;
    QList<QMenu*> menus() const;
    // Items enabled as the commands allowed now; only a picture, each command checks again.
    void mirror(const online::Commands& allowed) const;
};

}  // namespace pimra
