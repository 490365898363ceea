#include "ShownText.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QWidget>

#include "TextFit.h"

namespace pimra {

namespace {

const char* const kTextProperty = "pimraText";
const char* const kTitleProperty = "pimraTitle";
const char* const kToolTipProperty = "pimraToolTip";

// Beginnings of texts that the game, the lobby or the connection complete with a name, a
// number or a server's words.
const char* const kKnownBeginnings[] = {
    QT_TRANSLATE_NOOP("pimra", "Нижний игрок выиграл !   "),
    QT_TRANSLATE_NOOP("pimra", "Верхний игрок выиграл !   "),
    QT_TRANSLATE_NOOP("pimra", "Ничья !   "),
    QT_TRANSLATE_NOOP("pimra", "Ходит: "),
    QT_TRANSLATE_NOOP("pimra", "Победил: "),
    QT_TRANSLATE_NOOP("pimra", "Сдался: "),
    QT_TRANSLATE_NOOP("pimra", "Стол №"),
    QT_TRANSLATE_NOOP("pimra", "Пимра - "),
};

// Beginnings followed by words of their own (the server's reason, the connection's state),
// which are put in the interface's language as well.
const char* const kWordsBeginnings[] = {
    QT_TRANSLATE_NOOP("pimra", "Ответ сервера: "),
    QT_TRANSLATE_NOOP("pimra", "Ход не отправлен. "),
};

// What the server says instead of "Success"; the wire keeps them in Russian.
[[maybe_unused]] const char* const kServerTexts[] = {
    QT_TRANSLATE_NOOP("pimra", "Неверный запрос"),
    QT_TRANSLATE_NOOP("pimra", "Неизвестное действие"),
    QT_TRANSLATE_NOOP("pimra", "Неизвестная игра"),
    QT_TRANSLATE_NOOP("pimra", "Неверный логин или пароль"),
    QT_TRANSLATE_NOOP("pimra", "Слишком много попыток входа, подождите минуту"),
    QT_TRANSLATE_NOOP("pimra", "Слишком много запросов, подождите немного"),
    QT_TRANSLATE_NOOP("pimra", "Вы не авторизованы"),
    QT_TRANSLATE_NOOP("pimra", "Время на партию от 60 до 7200 секунд, добавка от 0 до 300 секунд"),
    QT_TRANSLATE_NOOP("pimra", "У вас слишком много незавершённых столов"),
    QT_TRANSLATE_NOOP("pimra", "Стол не найден"),
    QT_TRANSLATE_NOOP("pimra", "Стол занят"),
    QT_TRANSLATE_NOOP("pimra", "Вы уже сидите за этим столом"),
    QT_TRANSLATE_NOOP("pimra", "Вы не сидите за этим столом"),
    QT_TRANSLATE_NOOP("pimra", "Партия ещё не началась"),
    QT_TRANSLATE_NOOP("pimra", "Сейчас не ваш ход"),
    QT_TRANSLATE_NOOP("pimra", "Недопустимый ход"),
    QT_TRANSLATE_NOOP("pimra", "Партия ещё не завершена"),
    QT_TRANSLATE_NOOP("pimra", "Ошибка сервера, попробуйте позже"),
};

// Whole texts that reach the window from the game and the online play.
[[maybe_unused]] const char* const kWholeTexts[] = {
    QT_TRANSLATE_NOOP("pimra", "Ход нижнего игрока"),
    QT_TRANSLATE_NOOP("pimra", "Ход верхнего игрока"),
    QT_TRANSLATE_NOOP("pimra", "Игра сохранена"),
    QT_TRANSLATE_NOOP("pimra", "Сохраненная игра загужена"),
    QT_TRANSLATE_NOOP("pimra", "Ошибка: игра не сохранена"),
    QT_TRANSLATE_NOOP("pimra", "Ошибка: в лунке больше 255 камней"),
    QT_TRANSLATE_NOOP("pimra", "Ошибка: на доске больше 216 камней"),
    QT_TRANSLATE_NOOP("pimra", "Ошибка: файл игры не открыт"),
    QT_TRANSLATE_NOOP("pimra", "Ошибка: файл не является сохранённой игрой"),
    QT_TRANSLATE_NOOP("pimra", "Сервер недоступен, или отсутствует подключение к интернету!"),
    QT_TRANSLATE_NOOP("pimra", "Связь с сервером восстановлена, стол обновлён"),
    QT_TRANSLATE_NOOP("pimra", "Вход в игру"),
    QT_TRANSLATE_NOOP("pimra", "Сесть за стол"),
    QT_TRANSLATE_NOOP("pimra", "Смотреть игру"),
    QT_TRANSLATE_NOOP("pimra", "Сменить аккаунт"),
    QT_TRANSLATE_NOOP("pimra", "Авторизация"),
    QT_TRANSLATE_NOOP("pimra", "Пимра"),
    QT_TRANSLATE_NOOP("pimra", "Ничья"),
    QT_TRANSLATE_NOOP("pimra", "Ожидание"),
    QT_TRANSLATE_NOOP("pimra", "Партия уже началась"),
    QT_TRANSLATE_NOOP("pimra", "Вы не авторизованы!"),
    QT_TRANSLATE_NOOP("pimra",
                      "Логин и пароль могут содержать только буквы русского и латинского "
                      "алфавита, цифры и знаки, которые есть в кодировке Windows-1251."),
};

QString lookUp(const QString& russian) {
    const QByteArray source = russian.toUtf8();
    return QCoreApplication::translate(kTextContext, source.constData());
}

QString translatedTime(const QString& russian) {
    // The lobby's "5 мин. + 3 сек. ".
    static const QString minutes = QStringLiteral(" мин. + ");
    static const QString seconds = QStringLiteral(" сек. ");
    const int at = russian.indexOf(minutes);
    if (at <= 0 || !russian.endsWith(seconds)) return {};
    const QString bonus =
        russian.mid(at + minutes.size(), russian.size() - at - minutes.size() - seconds.size());
    return QCoreApplication::translate("pimra", "%1 мин. + %2 сек. ").arg(russian.left(at), bonus);
}

}  // namespace

QString translated(const QString& russian) {
    if (russian.isEmpty()) return russian;
    const QString whole = lookUp(russian);
    if (whole != russian) return whole;
    for (const char* beginning : kWordsBeginnings) {
        const QString start = QString::fromUtf8(beginning);
        if (russian.startsWith(start) && russian.size() > start.size())
            return lookUp(start) + translated(russian.mid(start.size()));
    }
    for (const char* beginning : kKnownBeginnings) {
        const QString start = QString::fromUtf8(beginning);
        if (russian.startsWith(start) && russian.size() > start.size())
            return lookUp(start) + russian.mid(start.size());
    }
    const QString time = translatedTime(russian);
    return time.isEmpty() ? russian : time;
}

QString translated(const std::string& russianUtf8) {
    return translated(QString::fromStdString(russianUtf8));
}

QString translated(const char* russianUtf8) {
    return translated(QString::fromUtf8(russianUtf8));
}

void setShownText(QLabel* label, const QString& russian) {
    label->setProperty(kTextProperty, russian);
    setFittedText(label, translated(russian));
}

void setTextAsIs(QLabel* label, const QString& text) {
    label->setProperty(kTextProperty, QVariant());
    setFittedText(label, text);
}

void setShownText(QAbstractButton* button, const QString& russian) {
    button->setProperty(kTextProperty, russian);
    button->setText(translated(russian));
}

void setShownText(QAction* action, const QString& russian) {
    action->setProperty(kTextProperty, russian);
    action->setText(translated(russian));
}

void setShownTitle(QWidget* window, const QString& russian) {
    window->setProperty(kTitleProperty, russian);
    window->setWindowTitle(translated(russian));
}

void setShownToolTip(QWidget* widget, const QString& russian) {
    widget->setProperty(kToolTipProperty, russian);
    widget->setToolTip(translated(russian));
}

QString shownSource(const QLabel* label) {
    const QVariant source = label->property(kTextProperty);
    return source.isValid() ? source.toString() : label->text();
}

void retranslateTree(QWidget* root) {
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : widgets) {
        if (const QVariant title = widget->property(kTitleProperty); title.isValid())
            widget->setWindowTitle(translated(title.toString()));
        if (const QVariant tip = widget->property(kToolTipProperty); tip.isValid())
            widget->setToolTip(translated(tip.toString()));
        const QVariant text = widget->property(kTextProperty);
        if (!text.isValid()) continue;
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            setFittedText(label, translated(text.toString()));
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            button->setText(translated(text.toString()));
        }
    }
    for (QAction* action : root->findChildren<QAction*>()) {
        if (const QVariant text = action->property(kTextProperty); text.isValid())
            action->setText(translated(text.toString()));
    }
}

}  // namespace pimra
