#include "TLoginForm.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "LobbyHost.h"
#include "online/Lobby.h"

namespace pimra {

TLoginForm::TLoginForm(LobbyHost& host, QWidget* parent) : QDialog(parent), host_(host) {
    setWindowTitle(QStringLiteral("Авторизация"));
    setFixedSize(204, 130);

    auto* loginLabel = new QLabel(QStringLiteral("Логин:"), this);
    loginLabel->setGeometry(8, 10, 50, 16);
    eLogin = new QLineEdit(this);
    eLogin->setGeometry(62, 7, 134, 21);

    auto* passLabel = new QLabel(QStringLiteral("Пароль:"), this);
    passLabel->setGeometry(8, 36, 50, 16);
    ePass = new QLineEdit(this);
    ePass->setGeometry(62, 33, 134, 21);
    ePass->setEchoMode(QLineEdit::Password);

    RzURLLabel1 = new QLabel(this);
    RzURLLabel1->setGeometry(62, 58, 134, 16);
    RzURLLabel1->setText(
        QStringLiteral("<a href=\"reg\" style=\"color: palette(highlight);\">"
                       "Зарегистрироваться </a>"));
    RzURLLabel1->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    RzURLLabel1->setCursor(Qt::PointingHandCursor);
    connect(RzURLLabel1, &QLabel::linkActivated, this, [this] { host_.openRegistrationPage(); });

    rememberMe = new QCheckBox(QStringLiteral("Запомнить меня"), this);
    rememberMe->setGeometry(62, 78, 134, 18);

    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setGeometry(30, 100, 72, 24);
    okButton->setDefault(true);
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setGeometry(110, 100, 72, 24);
    connect(okButton, &QPushButton::clicked, this, &TLoginForm::RzBitBtn1Click);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TLoginForm::RzBitBtn1Click() {
    const std::string login = eLogin->text().toStdString();
    const std::string password = ePass->text().toStdString();
    if (const auto refusal = online::LoginRefusal(login, password)) {
        host_.showMessage(this, QString::fromStdString(*refusal));
        return;
    }
    host_.login(login, password, [this](bool ok) {
        if (!ok) return;
        host_.keepSession(rememberMe->isChecked());
        if (onLoggedIn_) onLoggedIn_();
        host_.afterLogin();
        accept();
    });
}

}  // namespace pimra
