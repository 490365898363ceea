# Fills translations/pimra_en.ts from the table below after lupdate has listed the texts:
#   lupdate -locations none -source-language ru_RU -target-language en_US src/app \
#       -ts translations/pimra_en.ts && python3 translations/english.py
import html
import re
import sys

ENGLISH = {
    "Уровни игры": "Levels",
    "Особые возможности": "Special features",
    "Как играть в Пимру": "How to play Pimra",
    "<h3>Уровни игры</h3><p>В меню «Уровень» выбирается сила компьютера:</p><ul><li><b>Легкий</b> — случайный ход, поправленный простыми правилами;</li><li><b>Нормальный</b> — ход, больше всего пополняющий свой калах;</li><li><b>Сложный</b> — учитывает лучший ответ соперника;</li><li><b>Очень сложный</b> — просматривает по три хода каждой стороны;</li><li><b>Изменчивый</b> — перед каждым ходом компьютер выбирает один из четырёх уровней наугад.</li></ul><p>Уровень можно сменить и во время хода: он действует со следующего хода компьютера.</p>":
        "<h3>Levels</h3><p>The menu “Level” sets how strongly the computer plays:</p><ul><li><b>Easy</b> — a random move, mended by simple rules;</li><li><b>Normal</b> — the move that adds most to its own store;</li><li><b>Hard</b> — takes the opponent's best answer into account;</li><li><b>Very hard</b> — looks three moves ahead for each side;</li><li><b>Changing</b> — before each move the computer picks one of the four levels at random.</li></ul><p>The level can be changed during a move as well: it counts from the computer's next move.</p>",
    "<h3>Особые возможности</h3><ul><li><b>Назад</b> (F9) и <b>Вперед</b> (F10) — шаг по истории партии;</li><li><b>Подсказка</b> (F11) — на секунду выделяет лунку, которой стоит ходить;</li><li><b>Поменятся полями</b> — игроки меняются камнями своих рядов и калахов;</li><li><b>Увеличить</b> и <b>Уменьшить кол-во камней</b> — на один камень больше или меньше в каждой лунке (не более шести раз в каждую сторону).</li></ul>":
        "<h3>Special features</h3><ul><li><b>Back</b> (F9) and <b>Forward</b> (F10) — a step through the game's history;</li><li><b>Hint</b> (F11) — marks the pit worth playing for a second;</li><li><b>Swap sides</b> — the players swap the stones of their rows and stores;</li><li><b>More stones</b> and <b>Fewer stones</b> — one stone more or less in every pit (at most six times each way).</li></ul>",
    "<h3>Как играть в Пимру</h3><p>У каждого игрока шесть лунок и калах. Вы играете нижним рядом, компьютер — верхним.</p><p>Щёлкните по своей лунке или нажмите цифру от 1 до 6: камни из неё раскладываются по одному против часовой стрелки, чужой калах пропускается.</p><p>Последний камень в своём калахе даёт ещё один ход. Последний камень в пустой своей лунке забирает камни из лунки напротив.</p><p>Партия кончается, когда у игрока, который должен ходить, нет камней, или когда в калахе больше 36 камней. Побеждает тот, у кого в калахе больше камней.</p><p>Партию можно сохранить (F5) и загрузить (F8, F7); новая партия — F2.</p>":
        "<h3>How to play Pimra</h3><p>Each player has six pits and a store. You play the bottom row, the computer the top one.</p><p>Click one of your pits or press a digit from 1 to 6: its stones are sown one by one anticlockwise, passing over the other player's store.</p><p>A last stone in your own store gives you another move. A last stone in an empty pit of your own takes the stones of the pit opposite.</p><p>The game ends when the player to move has no stones, or when a store holds more than 36 stones. Whoever has more stones in the store wins.</p><p>A game can be saved (F5) and loaded (F8, F7); a new game — F2.</p>",
    "Справка — ": "Help — ",
    "Вы наблюдаете": "You are watching",
    "Реванш": "Rematch",
    "Запись партии": "Game record",
    "Мои партии": "My games",
    "Анализ": "Analysis",
    "Моё поле снизу": "My row at the bottom",
    "Запомнить меня": "Remember me",
    "Стол №": "Table #",
    "Обновить стол": "Refresh table",
    "Жми, если готов": "Press when ready",
    "Партия завершена": "Game over",
    "Покинуть стол": "Leave table",
    "&Игра Online": "&Online game",
    "Игра с &компьютером": "&Computer game",
    "Новая": "New",
    "Ваш ход": "Your move",
    "Сохранить": "Save",
    "Загрузить ": "Load ",
    "Выбрать ": "Choose ",
    "Выход": "Exit",
    "&Звук": "&Sound",
    "Звуки ходов": "Move sounds",
    "&Помощь": "&Help",
    "Правила": "Rules",
    "Об игре": "About the game",
    "Язык": "Language",
    "О программе": "About",
    "&Уровень": "&Level",
    "Легкий": "Easy",
    "Нормальный": "Normal",
    "Сложный": "Hard",
    "Очень сложный": "Very hard",
    "Мастер": "Master",
    "Изменчивый": "Changing",
    "&Особые возможности": "S&pecial",
    "Назад": "Back",
    "Вперед": "Forward",
    "Подсказка": "Hint",
    "Поменятся полями": "Swap sides",
    "Увеличить кол-во камней": "More stones",
    "Уменьшить кол-во камней": "Fewer stones",
    "&Фон": "Back&ground",
    "Земля": "Earth",
    "Стена": "Wall",
    "Пузыри": "Bubbles",
    "Плитка": "Tiles",
    "Синева": "Blue",
    "Полоски": "Stripes",
    "Рельеф": "Relief",
    "Зеленый": "Green",
    "Файл игры (*.sav)": "Game file (*.sav)",
    "Нижний игрок выиграл !   ": "The bottom player wins !   ",
    "Верхний игрок выиграл !   ": "The top player wins !   ",
    "Ничья !   ": "Draw !   ",
    "Ходит: ": "To move: ",
    "Победил: ": "Winner: ",
    "Пимра - ": "Pimra - ",
    "Ответ сервера: ": "Server's answer: ",
    "Ход не отправлен. ": "Move not sent. ",
    "Ход нижнего игрока": "Bottom player to move",
    "Ход верхнего игрока": "Top player to move",
    "Игра сохранена": "Game saved",
    "Сохраненная игра загужена": "Saved game loaded",
    "Ошибка: игра не сохранена": "Error: the game was not saved",
    "Ошибка: в лунке больше 255 камней": "Error: a pit holds more than 255 stones",
    "Ошибка: файл игры не открыт": "Error: the game file could not be opened",
    "Ошибка: файл игры повреждён": "Error: the game file is damaged",
    "Сервер недоступен, или отсутствует подключение к интернету!":
        "The server cannot be reached, or there is no connection to the internet!",
    "Вход в игру": "Enter the game",
    "Сесть за стол": "Take a seat",
    "Смотреть игру": "Watch the game",
    "Сменить аккаунт": "Change account",
    "Авторизация": "Log in",
    "Пимра": "Pimra",
    "Ничья": "Draw",
    "Ожидание": "Waiting",
    "Партия уже началась": "The game has already begun",
    "Вы не авторизованы!": "You are not logged in!",
    "Логин и пароль могут содержать только буквы русского и латинского алфавита, цифры и знаки, которые есть в кодировке Windows-1251.":
        "Login and password may hold only Russian and Latin letters, digits and the signs found in the Windows-1251 code page.",
    "Новая игра": "New game",
    "Минут на партию каждому сопернику": "Minutes for the game for each player",
    "Сколько секунд добавить игроку после хода": "Seconds added to a player after each move",
    "Минут на партию:": "Minutes per game:",
    "Увеличение (сек.):": "Bonus (sec.):",
    "Cancel": "Cancel",
    "Игровой сервер": "Game server",
    "Обновить": "Refresh",
    "Создать стол": "New table",
    "Открыть стол": "Open table",
    "Игрок 1": "Player 1",
    "Игрок 2": "Player 2",
    "Время": "Time",
    "Вы не авторизованы": "Not logged in",
    "Пимра — игра в калах для двоих": "Pimra — a mancala game for two",
    "Версия 0.1, для Linux": "Version 0.1, for Linux",
    "Компьютер думает…": "The computer is thinking…",
    "Логин:": "Login:",
    "Пароль:": "Password:",
    "Зарегистрироваться ": "Register ",
    "Лунка": "Pit",
    "Лунка %1": "Pit %1",
    "Пимра нижнего игрока": "Bottom player's store",
    "Пимра верхнего игрока": "Top player's store",
    "Нижний ряд": "Bottom row",
    "Верхний ряд": "Top row",
    "%1 мин. + %2 сек. ": "%1 min. + %2 sec. ",
    "Сохранить…": "Save…",
    "Открыть…": "Open…",
    "игрок": "player",
    "компьютер, ": "computer, ",
    "Начало": "Start",
    "Партия не окончена": "Game not finished",
    "Итог: ": "Result: ",
    "Запись сохранена": "Record saved",
    "Запись открыта": "Record opened",
    "Этот ход уже не достать через «Назад»": "This move can no longer be reached with “Back”",
    "Запись не открыта: ": "Record not opened: ",
    "Запись не сохранена: ": "Record not saved: ",
    "строка %1, ": "line %1, ",
    "файл не открывается": "the file cannot be opened",
    "файл не записывается": "the file cannot be written",
    "запись слишком велика": "the record is too long",
    "файл не в кодировке UTF-8": "the file is not in UTF-8",
    "неверный заголовок": "a bad header line",
    "неверная начальная позиция": "a bad starting position",
    "неверная запись хода": "a bad move line",
    "ход невозможен по правилам": "a move the rules do not allow",
    "итог не сходится с ходами": "the result does not match the moves",
    "Запись партии (*.pgn)": "Game record (*.pgn)",
    "точно": "exact",
    "глубина %1": "depth %1",
    ", всё точно": ", all exact",
    ", считаю дальше…": ", searching deeper…",
    "Считаю…": "Searching…",
    "Слишком много камней для анализа": "Too many stones to analyse",
    "Ходов нет, итог %1": "No moves, result %1",
    "Остановлено": "Stopped",
    "Анализ не ведется за столом online": "No analysis at an online table",
    "(нет на месте)": "(away)",
    " по времени": " on time",
}
STONES = ("%n stone", "%n stones")


def fill(match):
    message = match.group(0)
    source = html.unescape(re.search(r"<source>(.*?)</source>", message, re.S).group(1))
    if source.startswith("%n "):
        message = message.replace("<message>", '<message numerus="yes">', 1)
        forms = "".join(f"<numerusform>{form}</numerusform>" for form in STONES)
        translation = f"<translation>{forms}</translation>"
    elif source in ENGLISH:
        text = html.escape(ENGLISH[source], quote=False)
        translation = f"<translation>{text}</translation>"
    else:
        sys.exit(f"no English text for {source!r}")
    return re.sub(r"<translation[^>]*>.*?</translation>|<translation[^>]*/>", translation,
                  message, flags=re.S)


path = "translations/pimra_en.ts"
ts = open(path, encoding="utf-8").read()
ts = re.sub(r"<message.*?</message>", fill, ts, flags=re.S)
open(path, "w", encoding="utf-8").write(ts)
