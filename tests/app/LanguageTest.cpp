#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QXmlStreamReader>

#include "FormFixture.h"
#include "InfoPanel.h"
#include "MainMenu.h"
#include "ShownText.h"
#include "StoneCount.h"
#include "TForm1.h"
#include "TLunka.h"

using namespace pimra;

namespace {

QStringList allMenuTexts(const TForm1& form) {
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
};

QTEST_MAIN(LanguageTest)
#include "LanguageTest.moc"
