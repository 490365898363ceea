#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include "AnalysisWindow.h"
#include "BoardScale.h"
#include "FakeUiServices.h"
#include "FormFixture.h"
#include "InfoPanel.h"
#include "LoopbackServer.h"
#include "MainMenu.h"
#include "QtUiServices.h"
#include "RecordWindow.h"
#include "ShownText.h"
#include "TLoginForm.h"
#include "TLunka.h"
#include "TestForm.h"
#include "TextFit.h"
#include "TfAddGame.h"
#include "TfNet.h"
#include "core/SavedGame.h"
#include "media/AppSettings.h"

using namespace pimra;

namespace {

const QString kLongLogin = QStringLiteral("Константин Михайлов");

// Whether a label shows its whole text: measured with the label's own font, inside what is
// left of it within its parent.
bool readable(const QLabel* label, const QString& text) {
    const QFontMetrics metrics(label->font());
    QRect room = label->contentsRect();
    const QRect inParent = label->parentWidget()->rect().translated(-label->pos());
    room = room.intersected(inParent);
    if (!label->wordWrap())
        return metrics.horizontalAdvance(text) <= room.width() && metrics.height() <= room.height();
    const QRect needed = metrics.boundingRect(room, Qt::TextWordWrap | Qt::AlignCenter, text);
    return room.contains(needed);
}

std::string tableReply(const std::string& login1, const std::string& login2,
                       const std::string& result) {
    return LoopbackServer::Ok(R"({"response":"Success","login1":")" + login1 + R"(","login2":")" +
                              login2 + R"(","time1":"300","time2":"300","activelogin":")" + login1 +
                              R"(","isready1":"1","isready2":"0","result":")" + result +
                              R"(","lastrecord":"0","position":"6|6|6|6|6|6|0|6|6|6|6|6|6|0"})");
}

void whenModal(QObject* context, std::function<void(QWidget*)> act) {
    auto* timer = new QTimer(context);
    QObject::connect(timer, &QTimer::timeout, context, [timer, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        timer->deleteLater();
        timer->stop();
        act(modal);
    });
    timer->start(10);
}

// Centred on the window, give or take a rounding and the clamp to the screen.
bool centredOn(const QWidget* dialog, const QWidget* window) {
    const QPoint offset = dialog->geometry().center() - window->geometry().center();
    return offset.manhattanLength() <= 40;
}

}  // namespace

class FitTest : public QObject, private test::FormFixture {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }
    void init() { openForm(); }
    void cleanup() { closeForm(); }

    void statusTextsAreReadWhole() {
        const QLabel* panel = form_->statusPanel();
        const QFont full = panel->font();
        for (const QString& text :
             {QStringLiteral("Ваш ход"), QStringLiteral("Ход нижнего игрока"),
              QStringLiteral("Ход верхнего игрока"), QStringLiteral("Ожидание"),
              QStringLiteral("Ходит: ") + kLongLogin,
              QStringLiteral("Ходит: КонстантинМихайловКонстантин"),
              QStringLiteral("Сохраненная игра загужена"), QStringLiteral("Игра сохранена"),
              QString::fromUtf8(kSaveTooManyStonesText), QString::fromUtf8(kSaveBeyondLoadText)}) {
            form_->SetLabel(text);
            QVERIFY2(readable(panel, text), qPrintable(text));
        }
        // Short texts keep the window's face at its full size.
        form_->SetLabel(QStringLiteral("Ваш ход"));
        QCOMPARE(panel->font(), full);
    }

    void newTableDialogLabelsAndBoxesSideBySide() {
        TfAddGame* dialog = form_->addGameForm();
        for (const QFont& face : {form_->font(), QFont(QStringLiteral("DejaVu Sans"), 12)}) {
            dialog->setFont(face);
            const QList<QLabel*> labels = dialog->findChildren<QLabel*>();
            QCOMPARE(labels.size(), 2);
            for (const QLabel* label : labels) {
                QVERIFY(label->text().endsWith(QLatin1Char(':')));
                QVERIFY2(readable(label, label->text()), qPrintable(label->text()));
                for (const QSpinBox* box : dialog->findChildren<QSpinBox*>())
                    QVERIFY(!label->geometry().intersects(box->geometry()));
            }
            for (const QWidget* child : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                QVERIFY(dialog->rect().contains(child->geometry()));
        }
        dialog->setFont(form_->font());
        QCOMPARE(dialog->width() >= 165, true);
        QCOMPARE(dialog->height(), 92);
    }

    // Every title whole beside the window manager's buttons, and the labels of a dialog in one
    // size, in both languages and in a larger face.
    void dialogTitlesAndLabelsFitInBothLanguages() {
        QDir().mkpath(QStringLiteral(PIMRA_SCREENSHOT_DIR));
        menu().N42->trigger();
        QTest::keyClick(form_.get(), Qt::Key_F12);
        const QList<QWidget*> windows{form_->loginForm(), form_->addGameForm(), form_->lobby(),
                                      form_->recordWindow(), form_->analysisWindow()};
        for (const UiLanguage language : {UiLanguage::Russian, UiLanguage::English}) {
            form_->setLanguage(language);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
            for (const QFont& face : {form_->font(), QFont(QStringLiteral("DejaVu Sans"), 12)}) {
                for (QWidget* dialog : {static_cast<QWidget*>(form_->loginForm()),
                                        static_cast<QWidget*>(form_->addGameForm())}) {
                    dialog->setFont(face);
                    const QList<QLabel*> labels = dialog->findChildren<QLabel*>();
                    for (const QLabel* label : labels) {
                        if (label->wordWrap() || label->textFormat() == Qt::RichText ||
                            label->text().contains(QLatin1Char('<')))
                            continue;
                        QVERIFY2(readable(label, label->text()), qPrintable(label->text()));
                        QCOMPARE(QFontInfo(label->font()).pixelSize(),
                                 QFontInfo(dialog->font()).pixelSize());
                    }
                }
                for (QWidget* window : windows) {
                    QVERIFY2(window->width() >= titleRoom(window->windowTitle()),
                             qPrintable(window->windowTitle()));
                }
            }
            for (QWidget* dialog : {static_cast<QWidget*>(form_->loginForm()),
                                    static_cast<QWidget*>(form_->addGameForm())})
                dialog->setFont(form_->font());
            form_->addGameForm()->show();
            form_->loginForm()->show();
            QVERIFY(form_->addGameForm()->grab().save(
                QStringLiteral(PIMRA_SCREENSHOT_DIR "/new-table-%1.png")
                    .arg(language == UiLanguage::English ? "en" : "ru")));
            QVERIFY(form_->loginForm()->grab().save(
                QStringLiteral(PIMRA_SCREENSHOT_DIR "/login-%1.png")
                    .arg(language == UiLanguage::English ? "en" : "ru")));
            form_->addGameForm()->hide();
            form_->loginForm()->hide();
        }
        form_->setLanguage(UiLanguage::Russian);
    }

    void lobbyTimeColumnHoldsTheLongestTimeControl() {
        QTableWidget* grid = form_->lobby()->SG;
        QVERIFY(!grid->wordWrap());
        const int margin =
            2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1);
        for (const char* shown : {"120 мин. + 300 сек. ", "20 мин. + 5 сек. "}) {
            const int needed =
                grid->fontMetrics().horizontalAdvance(QString::fromUtf8(shown)) + margin;
            QVERIFY2(needed <= grid->columnWidth(3), shown);
        }
        QVERIFY(grid->columnWidth(3) >= 99);
        int total = 0;
        for (int column = 0; column < grid->columnCount(); ++column)
            total += grid->columnWidth(column);
        QVERIFY(total <= grid->viewport()->width() + 2);
        QVERIFY(grid->columnWidth(1) >= 80);
    }

    void infoPanelShowsLongAndMarkedUpLoginsWhole() {
        const std::string markup = "<i></i>alice";
        LoopbackServer server({tableReply("Константин Михайлов", markup, "0"),
                               tableReply("Константин Михайлов", markup, "1")});
        form_->setSiteUrl(QUrl(QString::fromStdString(server.Url())));
        form_->setTimerPeriods(3600 * 1000, 3600 * 1000);
        form_->openTable(7);
        settle();
        InfoPanel* panel = form_->infoPanel();
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->LoginLabel1->text(), kLongLogin);
        QVERIFY(readable(panel->LoginLabel1, kLongLogin));
        QCOMPARE(panel->LoginLabel2->text(), QString::fromStdString(markup));
        QVERIFY(readable(panel->LoginLabel2, QString::fromStdString(markup)));
        const QString turn = QStringLiteral("Ходит: ") + kLongLogin;
        QCOMPARE(form_->statusText(), turn);
        QVERIFY(readable(form_->statusPanel(), turn));

        // The result names the winner whole, under "Партия завершена".
        form_->RzButton1Click();
        settle();
        QVERIFY(panel->Label3->isVisible());
        QCOMPARE(panel->Label3->text(), QStringLiteral("Победил: ") + kLongLogin);
        QVERIFY(readable(panel->Label3, panel->Label3->text()));
        for (const QLabel* label : panel->findChildren<QLabel*>()) {
            QCOMPARE(label->textFormat(), Qt::PlainText);
            if (!label->text().isEmpty())
                QVERIFY2(readable(label, label->text()), qPrintable(label->text()));
        }
        for (const QPushButton* button : panel->findChildren<QPushButton*>()) {
            const int needed = button->fontMetrics().horizontalAdvance(button->text());
            QVERIFY2(needed < button->width(), qPrintable(button->text()));
        }
    }

    void infoPanelInEnglishWithRatingsAndAwayMarks() {
        const std::string finished =
            R"({"response":"Success","login1":"Константин Михайлов","login2":"anna",)"
            R"("rating1":"1512","rating2":"1498","away1":"1","away2":"1","time1":"0",)"
            R"("time2":"300","activelogin":"","isready1":"1","isready2":"1","result":"2",)"
            R"("finish":"time","lastrecord":"0","position":"6|6|6|6|6|6|0|6|6|6|6|6|6|0"})";
        LoopbackServer server({LoopbackServer::Ok(finished), LoopbackServer::Ok(finished)});
        form_->setSiteUrl(QUrl(QString::fromStdString(server.Url())));
        form_->setTimerPeriods(3600 * 1000, 3600 * 1000);
        for (const UiLanguage language : {UiLanguage::English, UiLanguage::Russian}) {
            form_->setLanguage(language);
            form_->openTable(7);
            settle();
            InfoPanel* panel = form_->infoPanel();
            const QString away = language == UiLanguage::English ? QStringLiteral("(away)")
                                                                 : QStringLiteral("(нет на месте)");
            QCOMPARE(panel->LoginLabel1->text(), kLongLogin + QStringLiteral(" (1512) ") + away);
            QCOMPARE(panel->LoginLabel2->text(), QStringLiteral("anna (1498) ") + away);
            for (const QLabel* label : panel->findChildren<QLabel*>()) {
                if (label->isVisible() && !label->text().isEmpty())
                    QVERIFY2(readable(label, label->text()), qPrintable(label->text()));
            }
            for (const QPushButton* button : panel->findChildren<QPushButton*>()) {
                const int needed = button->fontMetrics().horizontalAdvance(button->text());
                if (button->isVisible())
                    QVERIFY2(needed < button->width(), qPrintable(button->text()));
            }
            if (language == UiLanguage::English) {
                QCOMPARE(ui_->results.value(0), QStringLiteral("Winner: anna on time !   0:0"));
                QCOMPARE(ui_->resultTitles.value(0), QStringLiteral("Pimra"));
                QDir().mkpath(PIMRA_SCREENSHOT_DIR);
                QVERIFY(form_->grab().save(QStringLiteral(PIMRA_SCREENSHOT_DIR "/table-en.png")));
            }
            form_->menu().N2->trigger();
            settle();
        }
    }

    void serverTextsAreShownAsTheyCome() {
        const QString markup = QStringLiteral("<i></i>alice");
        form_->lobbyHost().setLoginPane(markup);
        for (const QLabel* label : {form_->loginPane(), form_->messagePane(), form_->statusPanel()})
            QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(form_->loginPane()->text(), markup);
        QVERIFY(readable(form_->loginPane(), markup));
        // Shown as text, the markup takes more room than the name alone would.
        QLabel rich;
        rich.setText(markup);
        QVERIFY(form_->loginPane()->sizeHint().width() > rich.sizeHint().width());
    }

    void messageBoxesHaveRoomForTitleAndText() {
        const QString draw = QStringLiteral("Ничья !   36:36");
        auto result = QtUiServices::createResultBox(form_.get(), TForm1::kTitle, draw);
        auto about = QtUiServices::createAboutBox(form_.get(), QStringLiteral("О программе"),
                                                  QStringLiteral("Пимра\nВерсия 0.1, для Linux"));
        auto notLoggedIn =
            QtUiServices::createResultBox(form_.get(), TForm1::kTitle, "Вы не авторизованы!");
        for (QMessageBox* box : {result.get(), about.get(), notLoggedIn.get()}) {
            box->show();
            QVERIFY(QTest::qWaitForWindowExposed(box));
            const QFontMetrics titleMetrics(QFontDatabase::systemFont(QFontDatabase::TitleFont));
            // Room for the title and the window manager's buttons beside it.
            QVERIFY(box->width() >= titleMetrics.horizontalAdvance(box->windowTitle()) + 100);
            auto* text = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            QVERIFY(text);
            QVERIFY2(readable(text, box->text()) || text->wordWrap(), qPrintable(box->text()));
            QVERIFY(centredOn(box, form_.get()));
            box->hide();
        }
    }

    void dialogsOpenOverTheWindow() {
        form_->setSiteUrl(QUrl(QStringLiteral("http://127.0.0.1:1")));
        form_->move(120, 90);
        form_->N12Click();
        QVERIFY(QTest::qWaitForWindowExposed(form_->lobby()));
        QVERIFY(centredOn(form_->lobby(), form_.get()));
        form_->lobby()->hide();
        settle();

        QRect loginPlace;
        whenModal(this, [&loginPlace](QWidget* modal) {
            loginPlace = modal->geometry();
            modal->close();
        });
        form_->loginForm()->exec();
        QVERIFY(loginPlace.isValid());
        QVERIFY((loginPlace.center() - form_->geometry().center()).manhattanLength() <= 40);

        // The about box has the window as its owner.
        form_->menu().N40->trigger();
        QCOMPARE(ui_->aboutParent, form_.get());

        QtUiServices real;
        QRect aboutPlace;
        whenModal(this, [&aboutPlace](QWidget* modal) {
            aboutPlace = modal->geometry();
            static_cast<QDialog*>(modal)->accept();
        });
        real.showAbout(form_.get(), QStringLiteral("О программе"), QStringLiteral("Пимра"));
        QVERIFY((aboutPlace.center() - form_->geometry().center()).manhattanLength() <= 40);
    }

    void fileDialogsStartWhereTheLastGameWas() {
        QTemporaryDir config;
        QTemporaryDir games;
        QDir(games.path()).mkdir(QStringLiteral("saved"));
        media::AppSettings settings(config.filePath(QStringLiteral("pimra.ini")));
        form_->setSettings(&settings);

        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        ui_->saveName = games.filePath(QStringLiteral("saved/one.sav"));
        form_->menu().N7->trigger();
        QCOMPARE(ui_->folders, QStringList({documents}));
        QCOMPARE(form_->statusText(), QStringLiteral("Игра сохранена"));

        // The next dialog opens in the folder of the saved game; a game that could not be
        // read does not move it.
        ui_->openName = games.filePath(QStringLiteral("missing.sav"));
        form_->menu().N23->trigger();
        QCOMPARE(ui_->folders.last(), games.filePath(QStringLiteral("saved")));
        form_->menu().N23->trigger();
        QCOMPARE(ui_->folders.last(), games.filePath(QStringLiteral("saved")));

        // Remembered for the next run, next to the other settings.
        settings.save(media::Settings{});
        test::FakeUiServices nextUi;
        TestForm next(nextUi);
        next.setSettings(&settings);
        QCOMPARE(next.gameFolder(), games.filePath(QStringLiteral("saved")));

        auto dialog = QtUiServices::createOpenDialog(nullptr, games.path());
        QCOMPARE(dialog->directory().absolutePath(), QDir(games.path()).absolutePath());
    }

    void recordAndAnalysisTextsAreReadWholeInBothLanguages() {
        for (const UiLanguage language : {UiLanguage::English, UiLanguage::Russian}) {
            form_->setLanguage(language);
            RecordWindow record;
            record.show();
            QVERIFY(QTest::qWaitForWindowExposed(&record));
            // The longest message there is.
            record.showProblem({RecordError::WrongResult, 99999, {}}, true);
            AnalysisWindow analysis;
            analysis.setThinkTime(std::chrono::milliseconds(0));
            analysis.showUnavailable(QStringLiteral("Анализ не ведется за столом online"));
            analysis.show();
            QVERIFY(QTest::qWaitForWindowExposed(&analysis));
            for (QWidget* window :
                 {static_cast<QWidget*>(&record), static_cast<QWidget*>(&analysis)}) {
                window->layout()->activate();
                for (const QLabel* label : window->findChildren<QLabel*>()) {
                    if (!label->text().isEmpty())
                        QVERIFY2(readable(label, label->text()), qPrintable(label->text()));
                }
                for (const QPushButton* button : window->findChildren<QPushButton*>()) {
                    const int needed = button->fontMetrics().horizontalAdvance(button->text());
                    QVERIFY2(needed < button->width(), qPrintable(button->text()));
                }
            }
            // A proven value of the widest kind: its cell makes room for it.
            QLabel* cell = analysis.findChildren<QLabel*>().at(1);
            const QString widest = QStringLiteral("\u221248 ") + translated("точно");
            cell->setText(widest);
            analysis.layout()->activate();
            QVERIFY2(readable(cell, widest), qPrintable(widest));
        }
    }

    void boardScaleForTheScreen() {
        const QSize board(724, 351);
        const WindowChrome chrome{QMargins(4, 30, 4, 4), 22, 21};
        // Room to spare: as designed.
        QCOMPARE(boardScale(board, chrome, QRect(0, 0, 1280, 1024)), 1.0);
        // A 1280 × 1024 screen at scale 2 is 640 × 512 wide in the window's pixels.
        const double half = boardScale(board, chrome, QRect(0, 0, 640, 512));
        QVERIFY(half < 1.0);
        QVERIFY(board.width() * half + 8 <= 640);
        // Height can be what limits it (a panel across the bottom).
        const double low = boardScale(board, chrome, QRect(0, 0, 1280, 300));
        QVERIFY(351 * low + 30 + 4 + 22 + 21 <= 300);
        // A screen far too small keeps a board that can still be told apart.
        QVERIFY(boardScale(board, chrome, QRect(0, 0, 100, 100)) >= 0.3);

        QCOMPARE(scaledRect(QRect(270, 160, 183, 50), 0.5), QRect(135, 80, 92, 25));
    }

    void pitsDrawnSmallerKeepTheirLook() {
        QWidget parent;
        auto* lunka = new TLunka(&parent);
        lunka->PlacePit(1);
        lunka->setStones(7);
        lunka->setScale(0.5);
        QCOMPARE(lunka->geometry(), QRect(25, 125, 35, 35));
        const QImage image = lunka->grab().toImage();
        // The first stone of the first row and of the second, at half size.
        QCOMPARE(image.pixelColor(4, 4), QColor(0, 128, 0));
        QCOMPARE(image.pixelColor(4, 9), QColor(0, 128, 0));
        lunka->PlacePit(7);
        QCOMPARE(lunka->geometry(), QRect(245, 75, 90, 35));
    }
};

QTEST_MAIN(FitTest)
#include "FitTest.moc"
