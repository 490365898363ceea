#pragma once

namespace pimra::online {

// What the window is doing besides the game itself.
struct Activity {
    bool animating = false;  // a move is being shown
    bool hint = false;       // a hinted pit is lit
    bool request = false;    // an exchange with the server runs (the lobby's too)
};

// Which commands the user may give now; the window's menu and buttons only mirror this.
struct Commands {
    bool lobby = true;         // "Игра Online"
    bool save = true;          // "Сохранить" waits for the move's end
    bool sound = true;         // "Звук"
    bool special = true;       // "Особые возможности": local play, nothing running
    bool background = true;    // "Фон"
    bool back = false;         // "Назад"
    bool forward = false;      // "Вперед"
    bool addStones = true;     // "Увеличить кол-во камней"
    bool removeStones = true;  // "Уменьшить кол-во камней"
    // The record window's commands, and whether they may run now (nothing running at all).
    bool recordCommands = true;
    bool history = true;
    // The analysis follows the board; at a table it is not offered.
    bool analysis = true;
};

}  // namespace pimra::online
