#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include <deque>

#include "LobbyHost.h"
#include "TLoginForm.h"
#include "TfAddGame.h"
#include "TfNet.h"

namespace pimra {
namespace {

// Answers requests from a script and records what the dialogs asked for.
class FakeHost : public LobbyHost {
  public:
    const net::Session& session() const override { return session_; }
    // Answers at once, as the window does when an exchange cannot start.
    void send(const net::Request& request, Done done) override {
        sent.push_back(request);
        if (replies.empty()) {
            done(net::PostResult{});
            return;
        }
        net::PostResult result = replies.front();
        replies.pop_front();
        done(result);
    }
    void clearServerDown() override { ++clears; }
    void login(const std::string& login, const std::string& password,
               std::function<void(bool ok)> done) override {
        logins.emplace_back(login, password);
        if (loginSucceeds) session_ = net::Session{"sid", "code", login};
        done(loginSucceeds);
    }
    void afterLogin() override { ++afterLogins; }
    void openTable(int tableId) override { opened.push_back(tableId); }
    void showMessage(QWidget*, const QString& text) override { messages.push_back(text); }
    void openRegistrationPage() override { ++registrations; }
    void setLoginPane(const QString& text) override { loginPane = text; }
    std::string statusText() const override { return loginSucceeds ? "" : refusal; }

    void logInAs(const std::string& login) { session_ = net::Session{"sid", "code", login}; }
    void answer(const char* json) {
        auto reply = net::ParseReply(json);
        QVERIFY(reply.has_value());
        replies.push_back(net::PostResult{reply, net::FieldText(*reply, "response") == "Success"});
    }
    std::string sentValue(std::size_t request, const std::string& name) const {
        for (const net::RequestLine& line : sent.at(request)) {
            if (line.name == name) return line.value;
        }
        return "<missing>";
    }

    std::deque<net::PostResult> replies;
    std::vector<net::Request> sent;
    std::vector<std::pair<std::string, std::string>> logins;
    std::vector<int> opened;
    QStringList messages;
    QString loginPane;
    int clears = 0;
    int afterLogins = 0;
    int registrations = 0;
    bool loginSucceeds = true;
    std::string refusal = "Ответ сервера: Неверный логин или пароль";

  private:
    net::Session session_;
};

const char* const kTwoTables =
    R"({"response":"Success","tables":[)"
    R"({"ind":"1","login1":"Анна","login2":"","timelimit":"300","bonus":"3"},)"
    R"({"ind":"2","login1":"Борис","login2":"Вера","timelimit":"90","bonus":"0"}]})";

class LobbyDialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        host = std::make_unique<FakeHost>();
        login = std::make_unique<TLoginForm>(*host);
        addGame = std::make_unique<TfAddGame>();
        lobby = std::make_unique<TfNet>(*host, *login, *addGame);
    }
    void cleanup() {
        lobby.reset();
        addGame.reset();
        login.reset();
        host.reset();
    }

    void listShowsTheServersTablesWithTheLastSelected() {
        host->answer(kTwoTables);
        lobby->show();  // showing the lobby loads the list
        QCOMPARE(host->clears, 1);
        QCOMPARE(host->sentValue(0, "action"), std::string("tablelist"));
        QTableWidget* grid = lobby->SG;
        QCOMPARE(grid->rowCount(), 2);
        QCOMPARE(grid->item(0, 1)->text(), QStringLiteral("Анна"));
        QCOMPARE(grid->item(0, 3)->text(), QStringLiteral("5 мин. + 3 сек. "));
        QCOMPARE(grid->item(1, 3)->text(), QStringLiteral("1 мин. + 0 сек. "));
        QCOMPARE(grid->item(0, 0)->background().color(), QColor(224, 251, 221));
        QCOMPARE(grid->item(1, 0)->background().color(), QColor(255, 217, 217));
        QCOMPARE(grid->currentRow(), 1);
        QCOMPARE(lobby->bInput->text(), QStringLiteral("Смотреть игру"));
        grid->setCurrentCell(0, 0);
        QCOMPARE(lobby->bInput->text(), QStringLiteral("Вход в игру"));  // not logged in

        // A failed load empties the list; the button then does nothing.
        host->answer(R"({"response":"Нет связи"})");
        lobby->RzButton3Click();
        QCOMPARE(grid->rowCount(), 0);
        lobby->bInputClick();
        QVERIFY(host->opened.empty());
        QCOMPARE(host->sent.size(), 2u);
    }

    void joiningNeedsALogin() {
        host->answer(kTwoTables);
        lobby->LoadTables();
        lobby->SG->setCurrentCell(0, 0);
        lobby->bInputClick();
        QCOMPARE(host->messages, QStringList{QStringLiteral("Вы не авторизованы!")});
        QCOMPARE(host->sent.size(), 1u);
        QVERIFY(host->opened.empty());
    }

    void joinOpenAndWatch() {
        host->logInAs("Глеб");
        host->answer(kTwoTables);
        lobby->show();
        lobby->SG->setCurrentCell(0, 0);
        QCOMPARE(lobby->bInput->text(), QStringLiteral("Сесть за стол"));

        host->answer(R"({"response":"Стол занят"})");
        lobby->bInputClick();
        QCOMPARE(host->sentValue(1, "action"), std::string("regtable"));
        QCOMPARE(host->sentValue(1, "tableid"), std::string("1"));
        QVERIFY(host->opened.empty());  // a refused join keeps the user in the lobby
        QVERIFY(lobby->isVisible());

        host->answer(R"({"response":"Success"})");
        lobby->bInputClick();
        QCOMPARE(host->opened, std::vector<int>{1});
        QVERIFY(!lobby->isVisible());

        // A full table opens for watching without any request.
        host->answer(kTwoTables);
        lobby->show();
        const std::size_t sentBefore = host->sent.size();
        lobby->SG->setCurrentCell(1, 0);
        emit lobby->SG->cellDoubleClicked(1, 0);
        QCOMPARE(host->opened, (std::vector<int>{1, 2}));
        QCOMPARE(host->sent.size(), sentBefore);
    }

    void creatingATable() {
        lobby->RzButton1Click();
        QCOMPARE(host->messages.size(), 1);
        QVERIFY(host->sent.empty());

        host->logInAs("Глеб");
        lobby->UpdateStatus();
        QVERIFY(lobby->RzButton1->isEnabled());
        QCOMPARE(lobby->RzButton2->text(), QStringLiteral("Сменить аккаунт"));
        QCOMPARE(host->loginPane, QStringLiteral("Глеб"));

        addGame->RzSpinEdit1->setValue(7);
        QTimer::singleShot(0, addGame.get(), &QDialog::accept);
        host->answer(R"({"response":"Success"})");
        host->answer(kTwoTables);
        lobby->RzButton1Click();
        QCOMPARE(host->sentValue(0, "action"), std::string("newtable"));
        QCOMPARE(host->sentValue(0, "timelimit"), std::string("420"));
        QCOMPARE(host->sentValue(0, "bonus"), std::string("3"));
        QCOMPARE(host->sentValue(1, "action"), std::string("tablelist"));

        // Cancelling the dialog sends nothing.
        QTimer::singleShot(0, addGame.get(), &QDialog::reject);
        lobby->RzButton1Click();
        QCOMPARE(host->sent.size(), 2u);
    }

    void loginDialog() {
        QCOMPARE(login->ePass->echoMode(), QLineEdit::Password);
        login->eLogin->setText(QStringLiteral(" Анна "));
        login->ePass->setText(QStringLiteral("секрет"));
        host->loginSucceeds = false;
        login->show();
        const QSize designed = login->size();
        login->RzBitBtn1Click();
        QVERIFY(login->isVisible());  // a failed login keeps the dialog open
        QCOMPARE(host->afterLogins, 0);
        // The dialog says why, whole and above its buttons.
        QVERIFY(login->message->isVisible());
        QCOMPARE(login->message->text(),
                 QStringLiteral("Ответ сервера: Неверный логин или пароль"));
        QVERIFY(login->message->geometry().bottom() < login->okButton->geometry().top());
        QCOMPARE(QFontInfo(login->message->font()).pixelSize(),
                 QFontInfo(login->font()).pixelSize());
        QVERIFY(login->rect().contains(login->okButton->geometry()));
        QVERIFY(login->height() > designed.height());

        host->loginSucceeds = true;
        login->RzBitBtn1Click();
        QCOMPARE(host->logins.back(), std::make_pair(std::string(" Анна "), std::string("секрет")));
        QCOMPARE(host->afterLogins, 1);
        QCOMPARE(host->loginPane, QStringLiteral(" Анна "));  // the lobby's status follows
        QVERIFY(!login->isVisible());
        QVERIFY(!login->message->isVisibleTo(login.get()));
        QCOMPARE(login->size(), designed);

        // No longer a login than the server keeps.
        login->eLogin->clear();
        QTest::keyClicks(login->eLogin, QString(30, QLatin1Char('x')));
        QCOMPARE(login->eLogin->text(), QString(20, QLatin1Char('x')));

        // Characters the server cannot carry are refused before anything is sent.
        login->eLogin->setText(QStringLiteral("Ω-user"));
        login->RzBitBtn1Click();
        QCOMPARE(host->logins.size(), 2u);
        QCOMPARE(host->messages.size(), 1);

        login->RzURLLabel1->linkActivated(QStringLiteral("reg"));
        QCOMPARE(host->registrations, 1);
    }

  private:
    std::unique_ptr<FakeHost> host;
    std::unique_ptr<TLoginForm> login;
    std::unique_ptr<TfAddGame> addGame;
    std::unique_ptr<TfNet> lobby;
};

}  // namespace
}  // namespace pimra

QTEST_MAIN(pimra::LobbyDialogsTest)
#include "LobbyDialogsTest.moc"
