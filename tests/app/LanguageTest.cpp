#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QXmlStreamReader>

#include "AnalysisWindow.h"
#include "FakeUiServices.h"
#include "FormFixture.h"
#include "HelpTopics.h"
#include "HelpViewer.h"
#include "InfoPanel.h"
#include "MainMenu.h"
#include "OnlineTexts.h"
#include "RecordWindow.h"
#include "ShownText.h"
#include "StoneCount.h"
#include "TLoginForm.h"
#include "TLunka.h"
#include "TestForm.h"
#include "TfAddGame.h"
#include "TfNet.h"

using namespace pimra;

namespace {

bool russianIn(const QString& text) {
    static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    return text.contains(cyrillic);
}

// Every text a window shows in words: its title, labels, buttons, tooltips, grid heads, menu
// items and help pages.
QStringList wordsOf(QWidget* window) {
    QStringList words{window->windowTitle()};
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* widget : widgets) {
        if (!widget->isVisibleTo(window) && widget != window) continue;
        words << widget->toolTip();
        if (auto* label = qobject_cast<QLabel*>(widget)) words << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) words << button->text();
        if (auto* text = qobject_cast<QTextBrowser*>(widget)) words << text->toPlainText();
        if (auto* grid = qobject_cast<QTableWidget*>(widget)) {
            for (int column = 0; column < grid->columnCount(); ++column)
                if (grid->horizontalHeaderItem(column))
                    words << grid->horizontalHeaderItem(column)->text();
        }
        for (QAction* action : widget->actions()) words << action->text() << action->toolTip();
    }
    return words;
}

void saveShot(QWidget* window, const QString& name) {
    QDir().mkpath(PIMRA_SCREENSHOT_DIR);
    window->grab().save(QStringLiteral(PIMRA_SCREENSHOT_DIR "/") + name + QStringLiteral(".png"));
}

// The language change reaches windows of their own through the event queue.
void takeLanguageChange() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
}

QStringList listTexts(const QListWidget* list) {
    QStringList texts;
    for (int row = 0; row < list->count(); ++row) texts << list->item(row)->text();
    return texts;
}

// Everything the record window shows in words.
QStringList recordTexts(const RecordWindow* window) {
    return QStringList{window->windowTitle(), window->saveButton()->text(),
                       window->openButton()->text(), window->resultText(), window->message()} +
           listTexts(window->moveList());
}

// Everything but the depth reached, which a search run again need not repeat.
QStringList analysisTexts(const AnalysisWindow* window) {
    QStringList texts{window->windowTitle(), window->headline(),
                      window->stateText().section(QLatin1Char(','), 1)};
    for (int pit = 1; pit <= 6; ++pit) texts << window->valueText(pit);
    return texts;
}

bool waitForAnalysis(AnalysisWindow* window) {
    QSignalSpy spy(window, &AnalysisWindow::analysed);
    while (window->analysing()) {
        if (!spy.wait(60000)) return false;
    }
    return true;
}

QStringList allMenuTexts(const TestForm& form) {
    QStringList texts;
    for (QAction* title : form.menuBar()->actions()) {
        texts << title->text();
        if (title->menu())
            for (QAction* item : title->menu()->actions()) texts << item->text();
    }
    return texts;
}

}  // namespace

class LanguageTest : public QObject, private test::FormFixture {
    Q_OBJECT

  private slots:
    void init() { openForm(); }
    void cleanup() {
        form_->setLanguage(UiLanguage::Russian);
        closeForm();
    }

    void everyTextOfTheTranslationIsTranslated() {
        QFile file(QStringLiteral(PIMRA_TRANSLATIONS_DIR "/pimra_en.ts"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        int messages = 0;
        QString source;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement()) continue;
            if (xml.name() == QLatin1String("source")) source = xml.readElementText();
            if (xml.name() != QLatin1String("translation")) continue;
            ++messages;
            QVERIFY2(xml.attributes().value(QLatin1String("type")).isEmpty(), qPrintable(source));
            const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            QVERIFY2(!text.trimmed().isEmpty(), qPrintable(source));
        }
        QVERIFY(!xml.hasError());
        QVERIFY(messages > 100);
    }

    void switchingLanguageAndBack() {
        const QStringList russian = allMenuTexts(*form_);
        const QString status = form_->statusText();
        form_->setLanguage(UiLanguage::English);
        QVERIFY(menu().englishItem->isChecked());
        const QStringList english = allMenuTexts(*form_);
        QCOMPARE(english.size(), russian.size());
        QCOMPARE(menu().N2->text(), QStringLiteral("New"));
        QCOMPARE(menu().N11->text(), QStringLiteral("Load "));
        QCOMPARE(form_->windowTitle(), QStringLiteral("Pimra"));
        QCOMPARE(form_->statusText(), QStringLiteral("Your move"));
        QCOMPARE(form_->loginPane()->text(), QStringLiteral("Not logged in"));
        QCOMPARE(form_->infoPanel()->RzButton1->text(), QStringLiteral("Refresh table"));
        QCOMPARE(form_->infoPanel()->bRematch->text(), QStringLiteral("Rematch"));
        QCOMPARE(form_->infoPanel()->watching->text(), QStringLiteral("You are watching"));
        QCOMPARE(form_->pit(3)->accessibleName(), QStringLiteral("Pit 3, 6 stones"));
        QCOMPARE(stoneCountText(1), QStringLiteral("1 stone"));
        QCOMPARE(translated(std::string("Нижний игрок выиграл !   40:32")),
                 QStringLiteral("The bottom player wins !   40:32"));
        QCOMPARE(translated(std::string("120 мин. + 300 сек. ")),
                 QStringLiteral("120 min. + 300 sec. "));
        int unchanged = 0;
        for (int i = 0; i < russian.size(); ++i)
            unchanged += !russian[i].isEmpty() && russian[i] == english[i] ? 1 : 0;
        // Every menu text changes; separators have none.
        QCOMPARE(unchanged, 0);

        form_->setLanguage(UiLanguage::Russian);
        QCOMPARE(allMenuTexts(*form_), russian);
        QCOMPARE(form_->statusText(), status);
        QCOMPARE(form_->pit(3)->accessibleName(), QStringLiteral("Лунка 3, 6 камней"));
        QCOMPARE(stoneCountText(1), QStringLiteral("1 камень"));
    }

    void sitePagesOpenInTheInterfaceLanguage() {
        const auto opened = [this] {
            ui_->urls.clear();
            menu().N6->trigger();
            menu().N39->trigger();
            form_->lobbyHost().openRegistrationPage();
            return ui_->urls;
        };
        form_->setLanguage(UiLanguage::English);
        QCOMPARE(opened(), QList<QUrl>({QUrl("http://127.0.0.1:8455/en/rules.html"),
                                        QUrl("http://127.0.0.1:8455/en/info.html"),
                                        QUrl("http://127.0.0.1:8455/en/reg")}));
        form_->setLanguage(UiLanguage::Russian);
        QCOMPARE(opened(), QList<QUrl>({QUrl("http://127.0.0.1:8455/rules.html"),
                                        QUrl("http://127.0.0.1:8455/info.html"),
                                        QUrl("http://127.0.0.1:8455/ru/reg")}));
    }

    void everyWindowSpeaksEnglish() {
        form_->setSiteUrl(QUrl(QStringLiteral("http://127.0.0.1:1")));
        form_->setLanguage(UiLanguage::English);
        menu().N42->trigger();
        QTest::keyClick(form_.get(), Qt::Key_F12);
        form_->N12Click();
        settle();
        form_->addGameForm()->show();
        form_->loginForm()->show();
        // A login the server cannot be asked about: the dialog says so in English too.
        form_->loginForm()->eLogin->setText(QStringLiteral("Ann"));
        form_->loginForm()->ePass->setText(QStringLiteral("secret"));
        form_->loginForm()->RzBitBtn1Click();
        settle();
        QVERIFY(form_->loginForm()->message->isVisible());
        QCOMPARE(form_->loginForm()->message->text(),
                 QStringLiteral("The server cannot be reached, or there is no connection to the "
                                "internet!"));
        form_->infoPanel()->show();
        // Every button and note of the ways a game ends, at once.
        form_->infoPanel()->showEndings({.resignVisible = true,
                                         .drawVisible = true,
                                         .drawAccepts = true,
                                         .drawEnabled = true,
                                         .drawNote = online::kOpponentOffersDrawText,
                                         .rematchNote = online::kOpponentAsksRematchText,
                                         .watchRematchVisible = true});
        form_->menu().N40->trigger();
        QVERIFY(!russianIn(ui_->aboutTitle + ui_->aboutText));
        std::vector<std::unique_ptr<HelpViewer>> help;
        for (const int topic : {kHelpGeneral, kHelpLevels, kHelpSpecial}) {
            help.push_back(std::make_unique<HelpViewer>(form_.get()));
            help.back()->showTopic(topic);
        }
        takeLanguageChange();
        QList<QWidget*> windows{form_.get(),    form_->recordWindow(), form_->analysisWindow(),
                                form_->lobby(), form_->addGameForm(),  form_->loginForm()};
        for (const auto& viewer : help) windows << viewer.get();
        for (QAction* title : form_->menuBar()->actions())
            if (title->menu()) windows << title->menu();
        QStringList russian;
        int shot = 0;
        for (QWidget* window : windows) {
            for (const QString& words : wordsOf(window))
                if (russianIn(words)) russian << window->metaObject()->className() + (": " + words);
            saveShot(window, QStringLiteral("english-%1").arg(++shot));
        }
        QVERIFY2(russian.isEmpty(), qPrintable(russian.join(QLatin1Char('\n'))));
    }

    void serverAndConnectionTextsAreInOneLanguage() {
        const QString unreachable = QString::fromUtf8(net::kServerUnreachableText);
        const QString refused = QStringLiteral("Ответ сервера: Неверный логин или пароль");
        const QString notSent = QString::fromUtf8(online::kMoveNotSentText) + unreachable;
        // Russian: as the connection and the server put them.
        QCOMPARE(translated(refused), refused);
        QCOMPARE(translated(notSent), notSent);

        form_->setLanguage(UiLanguage::English);
        QCOMPARE(translated(refused), QStringLiteral("Server's answer: Wrong login or password"));
        QVERIFY(!russianIn(translated(notSent)));
        QVERIFY(translated(notSent).startsWith(QStringLiteral("Move not sent. ")));
        QCOMPARE(translated(QStringLiteral("Ход не отправлен. Ответ сервера: Сейчас не ваш ход")),
                 QStringLiteral("Move not sent. Server's answer: It is not your move"));
        // Every refusal today's server gives, and the client's own new words.
        for (const char* text : {"Неверный запрос",
                                 "Неизвестное действие",
                                 "Неизвестная игра",
                                 "Слишком много попыток входа, подождите минуту",
                                 "Слишком много запросов, подождите немного",
                                 "Вы не авторизованы",
                                 "Время на партию от 60 до 7200 секунд, добавка от 0 до 300 секунд",
                                 "У вас слишком много незавершённых столов",
                                 "Стол не найден",
                                 "Стол занят",
                                 "Вы уже сидите за этим столом",
                                 "Вы не сидите за этим столом",
                                 "Партия уже началась",
                                 "Партия завершена",
                                 "Партия ещё не началась",
                                 "Недопустимый ход",
                                 "Партия ещё не завершена",
                                 "Ошибка сервера, попробуйте позже",
                                 kLoadNotAGameText,
                                 online::kReconnectedText}) {
            const QString english =
                translated(QStringLiteral("Ответ сервера: ") + QString::fromUtf8(text));
            QVERIFY2(!russianIn(english), text);
        }
        // A login after a known beginning is left as it came.
        QCOMPARE(translated(QStringLiteral("Ходит: Ничья")), QStringLiteral("To move: Ничья"));
    }

    void onlineTextsPutTheirWordsAroundWhatTheServerSent() {
        const online::ResultBox boxes[] = {{"Ann", true, "0:0", "", false},
                                           {"Ann по времени", false, "40:20", "", false},
                                           {"<b>Bob</b>", false, "30:42", "", false},
                                           {"", false, "36:36", "", false},
                                           {"Ann", false, "12:8", "Сдался: Bob", false},
                                           {"", false, "20:18", "", true}};
        const online::SeatLabel seats[] = {
            {"Bob", "1512", true}, {"Константин Михайлов", "", true}, {"Ann", "", false}};
        // Russian: what the table itself writes, byte for byte.
        for (const online::ResultBox& box : boxes)
            QCOMPARE(resultBoxText(box), QString::fromStdString(online::ResultBoxText(box)));
        for (const online::SeatLabel& seat : seats)
            QCOMPARE(seatLabelText(seat), QString::fromStdString(online::SeatLabelText(seat)));

        form_->setLanguage(UiLanguage::English);
        QCOMPARE(resultBoxText(boxes[0]), QStringLiteral("Winner: Ann on time !   0:0"));
        // A login is never taken for the words around it.
        QCOMPARE(resultBoxText(boxes[1]), QStringLiteral("Winner: Ann по времени !   40:20"));
        QCOMPARE(resultBoxText(boxes[2]), QStringLiteral("Winner: <b>Bob</b> !   30:42"));
        QCOMPARE(resultBoxText(boxes[3]), QStringLiteral("Draw !   36:36"));
        QCOMPARE(resultBoxText(boxes[4]),
                 QStringLiteral("Winner: Ann. Resigned: Сдался: Bob !   12:8"));
        QCOMPARE(resultBoxText(boxes[5]), QStringLiteral("Draw by agreement !   20:18"));
        // The panel's own words for the ways a game ends.
        for (const char* text :
             {online::kOpponentOffersDrawText, online::kOwnDrawOfferText,
              online::kOpponentAsksRematchText, online::kAgreedDrawText, "Сдать партию?",
              "Принять ничью", "Предложить ничью", "Сдаться", "Смотреть реванш", "Да", "Нет"})
            QVERIFY2(!russianIn(translated(text)), text);
        QCOMPARE(translated(std::string("Сдался: Анна")), QStringLiteral("Resigned: Анна"));
        InfoPanel* ending = form_->infoPanel();
        online::EndingsView offers;
        offers.drawVisible = offers.drawAccepts = true;
        ending->showEndings(offers);
        QCOMPARE(ending->bDraw->text(), QStringLiteral("Accept the draw"));
        offers.drawAccepts = false;
        offers.drawNote = online::kOwnDrawOfferText;
        ending->showEndings(offers);
        QCOMPARE(ending->bDraw->text(), QStringLiteral("Offer a draw"));
        QCOMPARE(ending->drawNote->text(), QStringLiteral("You offered a draw"));
        QCOMPARE(seatLabelText(seats[0]), QStringLiteral("Bob (1512) (away)"));
        QCOMPARE(seatLabelText(seats[1]), QStringLiteral("Константин Михайлов (away)"));
        QCOMPARE(seatLabelText({"", "1500", true}), QString());

        // The panel's seats change language in place.
        InfoPanel* panel = form_->infoPanel();
        panel->showSeats(seats[0], seats[2]);
        QCOMPARE(panel->LoginLabel1->text(), QStringLiteral("Bob (1512) (away)"));
        form_->setLanguage(UiLanguage::Russian);
        takeLanguageChange();
        QCOMPARE(panel->LoginLabel1->text(), QStringLiteral("Bob (1512) (нет на месте)"));
        QCOMPARE(panel->LoginLabel2->text(), QStringLiteral("Ann"));
    }

    void recordAndAnalysisWindowsFollowTheLanguage() {
        menu().N16->trigger();                              // "Легкий" answers at once
        for (int k = 0; k < 5; ++k) menu().N28->trigger();  // one stone a pit: proven at once
        click(3);
        menu().N42->trigger();
        RecordWindow* record = form_->recordWindow();
        QTemporaryDir dir;
        ui_->recordOpenName = dir.filePath(QStringLiteral("missing.pgn"));
        record->openButton()->click();
        QTest::keyClick(form_.get(), Qt::Key_F12);
        AnalysisWindow* analysis = form_->analysisWindow();
        QVERIFY(waitForAnalysis(analysis));
        const QStringList russianRecord = recordTexts(record);
        const QStringList russianAnalysis = analysisTexts(analysis);

        form_->setLanguage(UiLanguage::English);
        takeLanguageChange();
        QCOMPARE(record->windowTitle(), QStringLiteral("Game record"));
        QCOMPARE(record->saveButton()->text(), QStringLiteral("Save…"));
        QCOMPARE(record->openButton()->text(), QStringLiteral("Open…"));
        QCOMPARE(record->moveList()->item(0)->text(), QStringLiteral("Start"));
        QCOMPARE(record->moveList()->item(1)->text(), QStringLiteral("1. 3 player"));
        QVERIFY(record->moveList()->item(2)->text().endsWith(QStringLiteral(" computer, Easy")));
        QCOMPARE(record->resultText(), QStringLiteral("Game not finished"));
        QCOMPARE(record->message(), QStringLiteral("Record not opened: the file cannot be opened"));
        QCOMPARE(analysis->windowTitle(), QStringLiteral("Analysis"));
        QCOMPARE(analysis->headline(), QStringLiteral("Bottom player to move"));
        QVERIFY(analysis->stateText().endsWith(QStringLiteral(", all exact")));
        int exact = 0;
        for (int pit = 1; pit <= 6; ++pit)
            exact += analysis->valueText(pit).endsWith(QStringLiteral(" exact")) ? 1 : 0;
        QVERIFY(exact > 0);
        // Whatever comes next comes in English too.
        ui_->recordSaveName = dir.filePath(QStringLiteral("no/such/folder/game.pgn"));
        record->saveButton()->click();
        QCOMPARE(record->message(), QStringLiteral("Record not saved: the file cannot be written"));
        QCOMPARE(RecordWindow::problemText({RecordError::BadMove, 3, {}}, true),
                 QStringLiteral("Record not opened: line 3, a bad move line"));
        analysis->hide();
        QCOMPARE(analysis->stateText(), QStringLiteral("Stopped"));
        analysis->show();
        QVERIFY(waitForAnalysis(analysis));
        for (const QString& text : recordTexts(record) + analysisTexts(analysis))
            QVERIFY2(!text.contains(QRegularExpression(QStringLiteral("[А-Яа-яЁё]"))),
                     qPrintable(text));

        ui_->recordOpenName = dir.filePath(QStringLiteral("missing.pgn"));
        record->openButton()->click();
        form_->setLanguage(UiLanguage::Russian);
        takeLanguageChange();
        QCOMPARE(recordTexts(record), russianRecord);
        QCOMPARE(analysisTexts(analysis), russianAnalysis);
    }
};

QTEST_MAIN(LanguageTest)
#include "LanguageTest.moc"
