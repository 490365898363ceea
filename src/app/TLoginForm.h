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

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void showLink();

    LobbyHost& host_;
    std::function<void()> onLoggedIn_;
};

}  // namespace pimra
