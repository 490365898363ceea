#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QLineEdit;
class QLabel;
class QPushButton;

namespace pimra {

class LobbyHost;

// "Авторизация": login and password. Created once; keeps what was typed between uses.
class TLoginForm : public QDialog {
    Q_OBJECT

  public:
    TLoginForm(LobbyHost& host, QWidget* parent = nullptr);

    // Runs after every successful login, before the dialog closes.
    void setOnLoggedIn(std::function<void()> callback) { onLoggedIn_ = std::move(callback); }

    // "OK": logs in with the texts exactly as typed; the dialog stays open on failure.
    void RzBitBtn1Click();

    QLineEdit* eLogin = nullptr;
    QLineEdit* ePass = nullptr;
    QCheckBox* rememberMe = nullptr;  // "Запомнить меня"
    QLabel* RzURLLabel1 = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
    // Why the last login failed, in the dialog itself; hidden while there is nothing to say.
    QLabel* message = nullptr;
    // The most characters a login has on the server.
    static constexpr int kLoginLength = 20;

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void showLink();
    void showMessage(const QString& russian);
    // The labels at their full size, the boxes beside them, room for the title.
    void layOut();

    QLabel* loginLabel_ = nullptr;
    QLabel* passLabel_ = nullptr;

    LobbyHost& host_;
    std::function<void()> onLoggedIn_;
};

}  // namespace pimra
