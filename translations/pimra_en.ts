<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ru_RU">
<context>
    <name>StoneCount</name>
    <message numerus="yes">
        <source>%n камней</source>
        <translation><numerusform>%n stone</numerusform><numerusform>%n stones</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n камень</source>
        <translation><numerusform>%n stone</numerusform><numerusform>%n stones</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n камня</source>
        <translation><numerusform>%n stone</numerusform><numerusform>%n stones</numerusform></translation>
    </message>
</context>
<context>
    <name>pimra</name>
    <message>
        <source>Вы наблюдаете</source>
        <translation>You are watching</translation>
    </message>
    <message>
        <source>Реванш</source>
        <translation>Rematch</translation>
    </message>
    <message>
        <source>Запись партии</source>
        <translation>Game record</translation>
    </message>
    <message>
        <source>Мои партии</source>
        <translation>My games</translation>
    </message>
    <message>
        <source>Анализ</source>
        <translation>Analysis</translation>
    </message>
    <message>
        <source>Моё поле снизу</source>
        <translation>My row at the bottom</translation>
    </message>
    <message>
        <source>Запомнить меня</source>
        <translation>Remember me</translation>
    </message>
    <message>
        <source>Уровни игры</source>
        <translation>Levels</translation>
    </message>
    <message>
        <source>Особые возможности</source>
        <translation>Special features</translation>
    </message>
    <message>
        <source>Как играть в Пимру</source>
        <translation>How to play Pimra</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Уровни игры&lt;/h3&gt;&lt;p&gt;В меню «Уровень» выбирается сила компьютера:&lt;/p&gt;&lt;ul&gt;&lt;li&gt;&lt;b&gt;Легкий&lt;/b&gt; — случайный ход, поправленный простыми правилами;&lt;/li&gt;&lt;li&gt;&lt;b&gt;Нормальный&lt;/b&gt; — ход, больше всего пополняющий свой калах;&lt;/li&gt;&lt;li&gt;&lt;b&gt;Сложный&lt;/b&gt; — учитывает лучший ответ соперника;&lt;/li&gt;&lt;li&gt;&lt;b&gt;Очень сложный&lt;/b&gt; — просматривает по три хода каждой стороны;&lt;/li&gt;&lt;li&gt;&lt;b&gt;Изменчивый&lt;/b&gt; — перед каждым ходом компьютер выбирает один из четырёх уровней наугад.&lt;/li&gt;&lt;/ul&gt;&lt;p&gt;Уровень можно сменить и во время хода: он действует со следующего хода компьютера.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;Levels&lt;/h3&gt;&lt;p&gt;The menu “Level” sets how strongly the computer plays:&lt;/p&gt;&lt;ul&gt;&lt;li&gt;&lt;b&gt;Easy&lt;/b&gt; — a random move, mended by simple rules;&lt;/li&gt;&lt;li&gt;&lt;b&gt;Normal&lt;/b&gt; — the move that adds most to its own store;&lt;/li&gt;&lt;li&gt;&lt;b&gt;Hard&lt;/b&gt; — takes the opponent's best answer into account;&lt;/li&gt;&lt;li&gt;&lt;b&gt;Very hard&lt;/b&gt; — looks three moves ahead for each side;&lt;/li&gt;&lt;li&gt;&lt;b&gt;Changing&lt;/b&gt; — before each move the computer picks one of the four levels at random.&lt;/li&gt;&lt;/ul&gt;&lt;p&gt;The level can be changed during a move as well: it counts from the computer's next move.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Особые возможности&lt;/h3&gt;&lt;ul&gt;&lt;li&gt;&lt;b&gt;Назад&lt;/b&gt; (F9) и &lt;b&gt;Вперед&lt;/b&gt; (F10) — шаг по истории партии;&lt;/li&gt;&lt;li&gt;&lt;b&gt;Подсказка&lt;/b&gt; (F11) — на секунду выделяет лунку, которой стоит ходить;&lt;/li&gt;&lt;li&gt;&lt;b&gt;Поменятся полями&lt;/b&gt; — игроки меняются камнями своих рядов и калахов;&lt;/li&gt;&lt;li&gt;&lt;b&gt;Увеличить&lt;/b&gt; и &lt;b&gt;Уменьшить кол-во камней&lt;/b&gt; — на один камень больше или меньше в каждой лунке (не более шести раз в каждую сторону);&lt;/li&gt;&lt;li&gt;&lt;b&gt;Чат&lt;/b&gt; — за столом online строки игроков и зрителей (зрителей — серым) и строка, чтобы сказать своё; выключенный, чат не виден и ничего не отправляет. Включается и выключается до того, как открыт стол.&lt;/li&gt;&lt;/ul&gt;</source>
        <translation>&lt;h3&gt;Special features&lt;/h3&gt;&lt;ul&gt;&lt;li&gt;&lt;b&gt;Back&lt;/b&gt; (F9) and &lt;b&gt;Forward&lt;/b&gt; (F10) — a step through the game's history;&lt;/li&gt;&lt;li&gt;&lt;b&gt;Hint&lt;/b&gt; (F11) — marks the pit worth playing for a second;&lt;/li&gt;&lt;li&gt;&lt;b&gt;Swap sides&lt;/b&gt; — the players swap the stones of their rows and stores;&lt;/li&gt;&lt;li&gt;&lt;b&gt;More stones&lt;/b&gt; and &lt;b&gt;Fewer stones&lt;/b&gt; — one stone more or less in every pit (at most six times each way);&lt;/li&gt;&lt;li&gt;&lt;b&gt;Chat&lt;/b&gt; — at an online table, the lines of the players and the spectators (the spectators' in grey) and a line to say your own; turned off, the chat is not shown and sends nothing. It is turned on or off before a table is opened.&lt;/li&gt;&lt;/ul&gt;</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Как играть в Пимру&lt;/h3&gt;&lt;p&gt;У каждого игрока шесть лунок и калах. Вы играете нижним рядом, компьютер — верхним.&lt;/p&gt;&lt;p&gt;Щёлкните по своей лунке или нажмите цифру от 1 до 6: камни из неё раскладываются по одному против часовой стрелки, чужой калах пропускается.&lt;/p&gt;&lt;p&gt;Последний камень в своём калахе даёт ещё один ход. Последний камень в пустой своей лунке забирает камни из лунки напротив.&lt;/p&gt;&lt;p&gt;Партия кончается, когда у игрока, который должен ходить, нет камней, или когда в калахе больше 36 камней. Побеждает тот, у кого в калахе больше камней.&lt;/p&gt;&lt;p&gt;Партию можно сохранить (F5) и загрузить (F8, F7); новая партия — F2.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;How to play Pimra&lt;/h3&gt;&lt;p&gt;Each player has six pits and a store. You play the bottom row, the computer the top one.&lt;/p&gt;&lt;p&gt;Click one of your pits or press a digit from 1 to 6: its stones are sown one by one anticlockwise, passing over the other player's store.&lt;/p&gt;&lt;p&gt;A last stone in your own store gives you another move. A last stone in an empty pit of your own takes the stones of the pit opposite.&lt;/p&gt;&lt;p&gt;The game ends when the player to move has no stones, or when a store holds more than 36 stones. Whoever has more stones in the store wins.&lt;/p&gt;&lt;p&gt;A game can be saved (F5) and loaded (F8, F7); a new game — F2.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Справка — </source>
        <translation>Help — </translation>
    </message>
    <message>
        <source>Стол №</source>
        <translation>Table #</translation>
    </message>
    <message>
        <source>Обновить стол</source>
        <translation>Refresh table</translation>
    </message>
    <message>
        <source>Жми, если готов</source>
        <translation>Press when ready</translation>
    </message>
    <message>
        <source>Партия завершена</source>
        <translation>Game over</translation>
    </message>
    <message>
        <source>Покинуть стол</source>
        <translation>Leave table</translation>
    </message>
    <message>
        <source>&amp;Игра Online</source>
        <translation>&amp;Online game</translation>
    </message>
    <message>
        <source>Игра с &amp;компьютером</source>
        <translation>&amp;Computer game</translation>
    </message>
    <message>
        <source>Новая</source>
        <translation>New</translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Загрузить </source>
        <translation>Load </translation>
    </message>
    <message>
        <source>Выбрать </source>
        <translation>Choose </translation>
    </message>
    <message>
        <source>Выход</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>&amp;Звук</source>
        <translation>&amp;Sound</translation>
    </message>
    <message>
        <source>Звуки ходов</source>
        <translation>Move sounds</translation>
    </message>
    <message>
        <source>&amp;Помощь</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>Правила</source>
        <translation>Rules</translation>
    </message>
    <message>
        <source>Об игре</source>
        <translation>About the game</translation>
    </message>
    <message>
        <source>Язык</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>&amp;Уровень</source>
        <translation>&amp;Level</translation>
    </message>
    <message>
        <source>Легкий</source>
        <translation>Easy</translation>
    </message>
    <message>
        <source>Нормальный</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Сложный</source>
        <translation>Hard</translation>
    </message>
    <message>
        <source>Очень сложный</source>
        <translation>Very hard</translation>
    </message>
    <message>
        <source>Мастер</source>
        <translation>Master</translation>
    </message>
    <message>
        <source>Изменчивый</source>
        <translation>Changing</translation>
    </message>
    <message>
        <source>Потоки</source>
        <translation>Threads</translation>
    </message>
    <message>
        <source>&amp;Особые возможности</source>
        <translation>S&amp;pecial</translation>
    </message>
    <message>
        <source>Назад</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>Вперед</source>
        <translation>Forward</translation>
    </message>
    <message>
        <source>Подсказка</source>
        <translation>Hint</translation>
    </message>
    <message>
        <source>Поменятся полями</source>
        <translation>Swap sides</translation>
    </message>
    <message>
        <source>Увеличить кол-во камней</source>
        <translation>More stones</translation>
    </message>
    <message>
        <source>Уменьшить кол-во камней</source>
        <translation>Fewer stones</translation>
    </message>
    <message>
        <source>&amp;Фон</source>
        <translation>Back&amp;ground</translation>
    </message>
    <message>
        <source>Земля</source>
        <translation>Earth</translation>
    </message>
    <message>
        <source>Стена</source>
        <translation>Wall</translation>
    </message>
    <message>
        <source>Пузыри</source>
        <translation>Bubbles</translation>
    </message>
    <message>
        <source>Плитка</source>
        <translation>Tiles</translation>
    </message>
    <message>
        <source>Синева</source>
        <translation>Blue</translation>
    </message>
    <message>
        <source>Полоски</source>
        <translation>Stripes</translation>
    </message>
    <message>
        <source>Рельеф</source>
        <translation>Relief</translation>
    </message>
    <message>
        <source>Зеленый</source>
        <translation>Green</translation>
    </message>
    <message>
        <source>Файл игры (*.sav)</source>
        <translation>Game file (*.sav)</translation>
    </message>
    <message>
        <source>Нижний игрок выиграл !   </source>
        <translation>The bottom player wins !   </translation>
    </message>
    <message>
        <source>Верхний игрок выиграл !   </source>
        <translation>The top player wins !   </translation>
    </message>
    <message>
        <source>Ничья !   </source>
        <translation>Draw !   </translation>
    </message>
    <message>
        <source>Ходит: </source>
        <translation>To move: </translation>
    </message>
    <message>
        <source>Победил: </source>
        <translation>Winner: </translation>
    </message>
    <message>
        <source>Пимра - </source>
        <translation>Pimra - </translation>
    </message>
    <message>
        <source>Ответ сервера: </source>
        <translation>Server's answer: </translation>
    </message>
    <message>
        <source>Ход не отправлен. </source>
        <translation>Move not sent. </translation>
    </message>
    <message>
        <source>Ход нижнего игрока</source>
        <translation>Bottom player to move</translation>
    </message>
    <message>
        <source>Ход верхнего игрока</source>
        <translation>Top player to move</translation>
    </message>
    <message>
        <source>Игра сохранена</source>
        <translation>Game saved</translation>
    </message>
    <message>
        <source>Сохраненная игра загужена</source>
        <translation>Saved game loaded</translation>
    </message>
    <message>
        <source>Ошибка: игра не сохранена</source>
        <translation>Error: the game was not saved</translation>
    </message>
    <message>
        <source>Ошибка: в лунке больше 255 камней</source>
        <translation>Error: a pit holds more than 255 stones</translation>
    </message>
    <message>
        <source>Ошибка: файл игры не открыт</source>
        <translation>Error: the game file could not be opened</translation>
    </message>
    <message>
        <source>Сервер недоступен, или отсутствует подключение к интернету!</source>
        <translation>The server cannot be reached, or there is no connection to the internet!</translation>
    </message>
    <message>
        <source>Вход в игру</source>
        <translation>Enter the game</translation>
    </message>
    <message>
        <source>Сесть за стол</source>
        <translation>Take a seat</translation>
    </message>
    <message>
        <source>Смотреть игру</source>
        <translation>Watch the game</translation>
    </message>
    <message>
        <source>Сменить аккаунт</source>
        <translation>Change account</translation>
    </message>
    <message>
        <source>Авторизация</source>
        <translation>Log in</translation>
    </message>
    <message>
        <source>Пимра</source>
        <translation>Pimra</translation>
    </message>
    <message>
        <source>Ничья</source>
        <translation>Draw</translation>
    </message>
    <message>
        <source>Ожидание</source>
        <translation>Waiting</translation>
    </message>
    <message>
        <source>Партия уже началась</source>
        <translation>The game has already begun</translation>
    </message>
    <message>
        <source>Вы не авторизованы!</source>
        <translation>You are not logged in!</translation>
    </message>
    <message>
        <source>Логин и пароль могут содержать только буквы русского и латинского алфавита, цифры и знаки, которые есть в кодировке Windows-1251.</source>
        <translation>Login and password may hold only Russian and Latin letters, digits and the signs found in the Windows-1251 code page.</translation>
    </message>
    <message>
        <source>Новая игра</source>
        <translation>New game</translation>
    </message>
    <message>
        <source>Минут на партию каждому сопернику</source>
        <translation>Minutes for the game for each player</translation>
    </message>
    <message>
        <source>Сколько секунд добавить игроку после хода</source>
        <translation>Seconds added to a player after each move</translation>
    </message>
    <message>
        <source>Минут на партию:</source>
        <translation>Minutes per game:</translation>
    </message>
    <message>
        <source>Увеличение (сек.):</source>
        <translation>Bonus (sec.):</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Игровой сервер</source>
        <translation>Game server</translation>
    </message>
    <message>
        <source>Обновить</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>Создать стол</source>
        <translation>New table</translation>
    </message>
    <message>
        <source>Открыть стол</source>
        <translation>Open table</translation>
    </message>
    <message>
        <source>Игрок 1</source>
        <translation>Player 1</translation>
    </message>
    <message>
        <source>Игрок 2</source>
        <translation>Player 2</translation>
    </message>
    <message>
        <source>Время</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Вы не авторизованы</source>
        <translation>Not logged in</translation>
    </message>
    <message>
        <source>Пимра — игра в калах для двоих</source>
        <translation>Pimra — a mancala game for two</translation>
    </message>
    <message>
        <source>Версия 0.1, для Linux</source>
        <translation>Version 0.1, for Linux</translation>
    </message>
    <message>
        <source>Компьютер думает…</source>
        <translation>The computer is thinking…</translation>
    </message>
    <message>
        <source>Логин:</source>
        <translation>Login:</translation>
    </message>
    <message>
        <source>Пароль:</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>Зарегистрироваться </source>
        <translation>Register </translation>
    </message>
    <message>
        <source>Лунка</source>
        <translation>Pit</translation>
    </message>
    <message>
        <source>%1 мин. + %2 сек. </source>
        <translation>%1 min. + %2 sec. </translation>
    </message>
    <message>
        <source>Ваш ход</source>
        <translation>Your move</translation>
    </message>
    <message>
        <source>Сохранить…</source>
        <translation>Save…</translation>
    </message>
    <message>
        <source>Открыть…</source>
        <translation>Open…</translation>
    </message>
    <message>
        <source>игрок</source>
        <translation>player</translation>
    </message>
    <message>
        <source>компьютер, </source>
        <translation>computer, </translation>
    </message>
    <message>
        <source>Начало</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Партия не окончена</source>
        <translation>Game not finished</translation>
    </message>
    <message>
        <source>Итог: </source>
        <translation>Result: </translation>
    </message>
    <message>
        <source>Запись сохранена</source>
        <translation>Record saved</translation>
    </message>
    <message>
        <source>Запись открыта</source>
        <translation>Record opened</translation>
    </message>
    <message>
        <source>Этот ход уже не достать через «Назад»</source>
        <translation>This move can no longer be reached with “Back”</translation>
    </message>
    <message>
        <source>Запись не открыта: </source>
        <translation>Record not opened: </translation>
    </message>
    <message>
        <source>Запись не сохранена: </source>
        <translation>Record not saved: </translation>
    </message>
    <message>
        <source>строка %1, </source>
        <translation>line %1, </translation>
    </message>
    <message>
        <source>файл не открывается</source>
        <translation>the file cannot be opened</translation>
    </message>
    <message>
        <source>файл не записывается</source>
        <translation>the file cannot be written</translation>
    </message>
    <message>
        <source>запись слишком велика</source>
        <translation>the record is too long</translation>
    </message>
    <message>
        <source>файл не в кодировке UTF-8</source>
        <translation>the file is not in UTF-8</translation>
    </message>
    <message>
        <source>неверный заголовок</source>
        <translation>a bad header line</translation>
    </message>
    <message>
        <source>неверная начальная позиция</source>
        <translation>a bad starting position</translation>
    </message>
    <message>
        <source>неверная запись хода</source>
        <translation>a bad move line</translation>
    </message>
    <message>
        <source>ход невозможен по правилам</source>
        <translation>a move the rules do not allow</translation>
    </message>
    <message>
        <source>итог не сходится с ходами</source>
        <translation>the result does not match the moves</translation>
    </message>
    <message>
        <source>Запись партии (*.pgn)</source>
        <translation>Game record (*.pgn)</translation>
    </message>
    <message>
        <source>точно</source>
        <translation>exact</translation>
    </message>
    <message>
        <source>глубина %1</source>
        <translation>depth %1</translation>
    </message>
    <message>
        <source>, всё точно</source>
        <translation>, all exact</translation>
    </message>
    <message>
        <source>, считаю дальше…</source>
        <translation>, searching deeper…</translation>
    </message>
    <message>
        <source>Считаю…</source>
        <translation>Searching…</translation>
    </message>
    <message>
        <source>Слишком много камней для анализа</source>
        <translation>Too many stones to analyse</translation>
    </message>
    <message>
        <source>Ходов нет, итог %1</source>
        <translation>No moves, result %1</translation>
    </message>
    <message>
        <source>Остановлено</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>Анализ не ведется за столом online</source>
        <translation>No analysis at an online table</translation>
    </message>
    <message>
        <source>(нет на месте)</source>
        <translation>(away)</translation>
    </message>
    <message>
        <source> по времени</source>
        <translation> on time</translation>
    </message>
    <message>
        <source>Лунка %1</source>
        <translation>Pit %1</translation>
    </message>
    <message>
        <source>Неверный запрос</source>
        <translation>Bad request</translation>
    </message>
    <message>
        <source>Неизвестное действие</source>
        <translation>Unknown action</translation>
    </message>
    <message>
        <source>Неизвестная игра</source>
        <translation>Unknown game</translation>
    </message>
    <message>
        <source>Неверный логин или пароль</source>
        <translation>Wrong login or password</translation>
    </message>
    <message>
        <source>Слишком много попыток входа, подождите минуту</source>
        <translation>Too many login attempts, wait a minute</translation>
    </message>
    <message>
        <source>Слишком много запросов, подождите немного</source>
        <translation>Too many requests, wait a moment</translation>
    </message>
    <message>
        <source>Время на партию от 60 до 7200 секунд, добавка от 0 до 300 секунд</source>
        <translation>Time per game from 60 to 7200 seconds, bonus from 0 to 300 seconds</translation>
    </message>
    <message>
        <source>У вас слишком много незавершённых столов</source>
        <translation>You have too many unfinished tables</translation>
    </message>
    <message>
        <source>Стол не найден</source>
        <translation>Table not found</translation>
    </message>
    <message>
        <source>Стол занят</source>
        <translation>The table is full</translation>
    </message>
    <message>
        <source>Вы уже сидите за этим столом</source>
        <translation>You already sit at this table</translation>
    </message>
    <message>
        <source>Вы не сидите за этим столом</source>
        <translation>You do not sit at this table</translation>
    </message>
    <message>
        <source>Партия ещё не началась</source>
        <translation>The game has not begun yet</translation>
    </message>
    <message>
        <source>Сейчас не ваш ход</source>
        <translation>It is not your move</translation>
    </message>
    <message>
        <source>Недопустимый ход</source>
        <translation>A move not allowed</translation>
    </message>
    <message>
        <source>Партия ещё не завершена</source>
        <translation>The game is not over yet</translation>
    </message>
    <message>
        <source>Ошибка сервера, попробуйте позже</source>
        <translation>Server error, try again later</translation>
    </message>
    <message>
        <source>Ошибка: на доске больше 216 камней</source>
        <translation>Error: the board holds more than 216 stones</translation>
    </message>
    <message>
        <source>Ошибка: файл не является сохранённой игрой</source>
        <translation>Error: the file is not a saved game</translation>
    </message>
    <message>
        <source>Связь с сервером восстановлена, стол обновлён</source>
        <translation>Connection restored, the table is reloaded</translation>
    </message>
    <message>
        <source>&amp;Выйти</source>
        <translation>Lo&amp;g out</translation>
    </message>
    <message>
        <source>Сдаться</source>
        <translation>Resign</translation>
    </message>
    <message>
        <source>Предложить ничью</source>
        <translation>Offer a draw</translation>
    </message>
    <message>
        <source>Смотреть реванш</source>
        <translation>Watch the rematch</translation>
    </message>
    <message>
        <source>Принять ничью</source>
        <translation>Accept the draw</translation>
    </message>
    <message>
        <source>Ничья по согласию !   </source>
        <translation>Draw by agreement !   </translation>
    </message>
    <message>
        <source>Ничья по согласию</source>
        <translation>Draw by agreement</translation>
    </message>
    <message>
        <source>Соперник предлагает ничью</source>
        <translation>Your opponent offers a draw</translation>
    </message>
    <message>
        <source>Вы предложили ничью</source>
        <translation>You offered a draw</translation>
    </message>
    <message>
        <source>Соперник просит реванш</source>
        <translation>Opponent wants a rematch</translation>
    </message>
    <message>
        <source>Сдать партию?</source>
        <translation>Resign the game?</translation>
    </message>
    <message>
        <source>Да</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>Нет</source>
        <translation>No</translation>
    </message>
    <message>
        <source>Сдался: </source>
        <translation>Resigned: </translation>
    </message>
    <message>
        <source>База окончаний: загружается</source>
        <translation>Endgame database: loading</translation>
    </message>
    <message>
        <source>База окончаний: строится, %1 %</source>
        <translation>Endgame database: building, %1 %</translation>
    </message>
    <message>
        <source>База окончаний: до %1 камней, %2 МБ</source>
        <translation>Endgame database: up to %1 stones, %2 MB</translation>
    </message>
    <message>
        <source>База окончаний не построена</source>
        <translation>Endgame database not built</translation>
    </message>
    <message>
        <source>Чат</source>
        <translation>Chat</translation>
    </message>
    <message>
        <source>(зритель)</source>
        <translation>(spectator)</translation>
    </message>
    <message>
        <source>Чат: Enter — сказать</source>
        <translation>Chat: Enter to say</translation>
    </message>
</context>
<context>
    <name>pimra::TLunka</name>
    <message>
        <source>Лунка %1</source>
        <translation>Pit %1</translation>
    </message>
    <message>
        <source>Пимра нижнего игрока</source>
        <translation>Bottom player's store</translation>
    </message>
    <message>
        <source>Пимра верхнего игрока</source>
        <translation>Top player's store</translation>
    </message>
    <message>
        <source>Нижний ряд</source>
        <translation>Bottom row</translation>
    </message>
    <message>
        <source>Верхний ряд</source>
        <translation>Top row</translation>
    </message>
</context>
</TS>
