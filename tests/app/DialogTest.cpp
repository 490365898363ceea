#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

#include "HelpTopics.h"
#include "HelpViewer.h"
#include "MainMenu.h"
#include "QtUiServices.h"
#include "TLunka.h"
#include "TestForm.h"

using namespace pimra;

namespace {

// Acts on the next modal dialog as soon as it is open.
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

void chooseFile(QObject* context, const QString& path, QString* seenFilter = nullptr) {
    whenModal(context, [path, seenFilter](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog) {
            modal->close();
            return;
        }
        if (seenFilter) *seenFilter = dialog->nameFilters().join(';');
        // Typed into the name box, as a person would: selecting through the directory listing
        // depends on a listing read on another thread.
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(path);
        static_cast<QDialog*>(dialog)->accept();
    });
}

QImage paintedPit(int index, int stones) {
    QWidget parent;
    auto* lunka = new TLunka(&parent);
    lunka->PlacePit(index);
    lunka->setStones(stones);
    return lunka->grab().toImage();
}

const QColor kGreen(0, 128, 0);
const QColor kWhite(255, 255, 255);
const QColor kRed(255, 0, 0);

// Glyphs are smoothed, so the count's red is looked for as a clearly red pixel.
bool matches(const QColor& pixel, const QColor& colour) {
    if (colour != kRed) return pixel == colour;
    return pixel.red() > 200 && pixel.green() < 120 && pixel.blue() < 120;
}

bool hasColourIn(const QImage& image, const QRect& box, const QColor& colour) {
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (matches(image.pixelColor(x, y), colour)) return true;
    return false;
}

}  // namespace

class DialogTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }

    void messageBoxesAsShown() {
        auto result = QtUiServices::createResultBox(nullptr, "Пимра", "Ничья !   36:36");
        QCOMPARE(result->icon(), QMessageBox::NoIcon);
        QCOMPARE(result->standardButtons(), QMessageBox::Ok);
        QCOMPARE(result->windowTitle(), QStringLiteral("Пимра"));
        QCOMPARE(result->text(), QStringLiteral("Ничья !   36:36"));
        auto about = QtUiServices::createAboutBox(nullptr, "О программе", "a\nb\nc");
        QCOMPARE(about->icon(), QMessageBox::Information);
        QCOMPARE(about->standardButtons(), QMessageBox::Ok);
        QCOMPARE(about->windowModality(), Qt::ApplicationModal);
    }

    void fileDialogsAsShown() {
        auto save = QtUiServices::createSaveDialog(nullptr);
        QCOMPARE(save->acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(save->defaultSuffix(), QStringLiteral("sav"));
        QCOMPARE(save->nameFilters(), QStringList({"Файл игры (*.sav)"}));
        QVERIFY(save->testOption(QFileDialog::DontConfirmOverwrite));
        auto open = QtUiServices::createOpenDialog(nullptr);
        QCOMPARE(open->acceptMode(), QFileDialog::AcceptOpen);
        QCOMPARE(open->fileMode(), QFileDialog::ExistingFile);
        QCOMPARE(open->defaultSuffix(), QStringLiteral("sav"));
        QCOMPARE(open->nameFilters(), QStringList({"Файл игры (*.sav)"}));
        // A remembered folder that is gone is never offered as the name to save under.
        QTemporaryDir dir;
        const QString gone = dir.filePath(QStringLiteral("Documents"));
        std::vector<std::unique_ptr<QFileDialog>> dialogs;
        dialogs.push_back(QtUiServices::createSaveDialog(nullptr, gone));
        dialogs.push_back(QtUiServices::createRecordDialog(nullptr, true, gone));
        for (const auto& dialog : dialogs) {
            QCOMPARE(dialog->directory().absolutePath(), QDir(dir.path()).absolutePath());
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name != nullptr);
            QVERIFY(name->text().isEmpty());
        }
        // Game records have dialogs of their own.
        for (const bool saving : {true, false}) {
            auto record = QtUiServices::createRecordDialog(nullptr, saving);
            QCOMPARE(record->acceptMode(),
                     saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
            QCOMPARE(record->fileMode(), saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
            QCOMPARE(record->defaultSuffix(), QStringLiteral("pgn"));
            QCOMPARE(record->nameFilters(), QStringList({"Запись партии (*.pgn)"}));
        }
    }

    void resultMessageThroughTheRealBox() {
        QtUiServices ui;
        QString title;
        QString text;
        int icon = -1;
        whenModal(this, [&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            box->accept();
        });
        ui.showResult(nullptr, "Пимра", "Нижний игрок выиграл !   40:32");
        QCOMPARE(title, QStringLiteral("Пимра"));
        QCOMPARE(text, QStringLiteral("Нижний игрок выиграл !   40:32"));
        QCOMPARE(icon, static_cast<int>(QMessageBox::NoIcon));
    }

    void saveAndLoadRoundTripThroughTheRealDialogs() {
        QTemporaryDir dir;
        QtUiServices ui;
        TestForm form(ui);
        form.setStepDelay(0);
        form.show();

        // The default suffix completes a bare name.
        QString filter;
        chooseFile(this, dir.filePath("round"), &filter);
        form.menu().N7->trigger();
        QCOMPARE(filter, QStringLiteral("Файл игры (*.sav)"));
        QCOMPARE(form.statusText(), QStringLiteral("Игра сохранена"));
        QVERIFY(QFile::exists(dir.filePath("round.sav")));

        QTest::mouseClick(form.pit(3), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&form] { return !form.isBusy(); }));
        const Position played = form.game().position();
        QVERIFY(played != Position::start());
        chooseFile(this, dir.filePath("later.sav"));
        form.menu().N7->trigger();

        // "Загрузить " reads the last saved file without a dialog.
        form.game().loadPosition(Position::start(), true);
        form.menu().N11->trigger();
        QCOMPARE(form.game().position(), played);
        QCOMPARE(form.pit(4)->Stones, played[4]);

        chooseFile(this, dir.filePath("round.sav"));
        form.menu().N23->trigger();
        QCOMPARE(form.game().position(), Position::start());
        QCOMPARE(form.statusText(), QStringLiteral("Сохраненная игра загужена"));

        // Cancelling changes nothing.
        form.SetLabel("x");
        whenModal(this, [](QWidget* modal) { modal->close(); });
        form.menu().N23->trigger();
        QCOMPARE(form.statusText(), QStringLiteral("x"));
    }

    void helpViewerShowsTheTopics() {
        QWidget owner;
        HelpViewer viewer(&owner);
        for (int topic : {kHelpGeneral, kHelpLevels, kHelpSpecial}) {
            viewer.showTopic(topic);
            QCOMPARE(viewer.topic(), topic);
            QVERIFY(viewer.windowTitle().contains(helpTopicTitle(topic)));
        }
        QVERIFY(helpTopicHtml(kHelpLevels).contains(QStringLiteral("Изменчивый")));
        QVERIFY(helpTopicHtml(kHelpSpecial).contains(QStringLiteral("Подсказка")));
        QtUiServices ui;
        TestForm form(ui);
        ui.showHelp(&form, kHelpLevels);
        auto* shown = form.findChild<HelpViewer*>();
        QVERIFY(shown && shown->isVisible());
        QCOMPARE(shown->topic(), kHelpLevels);
    }

    void pitPainting() {
        // Five stones in one row and the count " 5" at (50, 50).
        QImage five = paintedPit(1, 5);
        for (int k = 0; k < 5; ++k) QCOMPARE(five.pixelColor(10 * k + 9, 9), kGreen);
        QCOMPARE(five.pixelColor(59, 9), kWhite);
        QVERIFY(hasColourIn(five, {50, 50, 18, 16}, kRed));
        QVERIFY(!hasColourIn(five, {0, 0, 49, 49}, kRed));

        // The seventh stone starts the second row.
        QImage seven = paintedPit(1, 7);
        QCOMPARE(seven.pixelColor(9, 19), kGreen);
        QCOMPARE(seven.pixelColor(19, 19), kWhite);

        // A store holds sixteen a row; the count sits at (160, 50).
        QImage store = paintedPit(7, 17);
        QCOMPARE(store.pixelColor(159, 9), kGreen);
        QCOMPARE(store.pixelColor(9, 19), kGreen);
        QVERIFY(hasColourIn(store, {160, 50, 18, 16}, kRed));

        // An empty pit shows its fill only.
        QImage empty = paintedPit(2, 0);
        QVERIFY(!hasColourIn(empty, {4, 4, 62, 62}, kRed));
        QVERIFY(!hasColourIn(empty, {4, 4, 62, 62}, kGreen));

        // The count covers the stones beneath its box.
        QImage forty = paintedPit(3, 40);
        QCOMPARE(forty.pixelColor(9, 59), kGreen);
        QVERIFY(!hasColourIn(forty, {50, 50, 18, 12}, kGreen));
    }

    void pitTextsAndColourStates() {
        QWidget parent;
        auto* lunka = new TLunka(&parent);
        lunka->PlacePit(4);
        lunka->setStones(5);
        QCOMPARE(lunka->countText(), QStringLiteral(" 5"));
        QCOMPARE(lunka->countRect().topLeft(), QPoint(50, 50));
        lunka->setStones(0);
        QVERIFY(lunka->countText().isEmpty());

        lunka->HighlightPit();
        QCOMPARE(lunka->FillColor, QColor(192, 220, 192));
        QCOMPARE(lunka->frameShape(), QFrame::NoFrame);
        QCOMPARE(lunka->grab().toImage().pixelColor(1, 1), QColor(192, 220, 192));
        // Placing again keeps the colour state and the count it was given.
        lunka->setStones(3);
        lunka->PlacePit(4);
        QCOMPARE(lunka->FillColor, QColor(192, 220, 192));
        QCOMPARE(lunka->Stones, 3);
        lunka->setFlashFill();
        QCOMPARE(lunka->FillColor, QColor(192, 192, 192));
        lunka->NormalPit();
        QCOMPARE(lunka->FillColor, QColor(255, 255, 255));
        QCOMPARE(lunka->frameShape(), QFrame::Panel);
    }
};

QTEST_MAIN(DialogTest)
#include "DialogTest.moc"
