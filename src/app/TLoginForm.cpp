#include "TLoginForm.h"
#include "ShownText.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "LobbyHost.h"
#include "online/Lobby.h"

namespace pimra {

TLoginForm::TLoginForm(LobbyHost& host, QWidget* parent) : QDialog(parent), host_(host) {
    setShownTitle(this, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Авторизация")));
    setFixedSize(204, 130);

    auto* loginLabel = new QLabel(this);
    setShownText(loginLabel, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Логин:")));
    loginLabel->setGeometry(8, 10, 50, 16);
    eLogin = new QLineEdit(this);
    eLogin->setGeometry(62, 7, 134, 21);

    auto* passLabel = new QLabel(this);
    setShownText(passLabel, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Пароль:")));
    passLabel->setGeometry(8, 36, 50, 16);
    ePass = new QLineEdit(this);
    ePass->setGeometry(62, 33, 134, 21);
    ePass->setEchoMode(QLineEdit::Password);

    RzURLLabel1 = new QLabel(this);
    RzURLLabel1->setGeometry(62, 58, 134, 16);
    showLink();
    RzURLLabel1->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    RzURLLabel1->setCursor(Qt::PointingHandCursor);
    connect(RzURLLabel1, &QLabel::linkActivated, this, [this] { host_.openRegistrationPage(); });

    rememberMe = new QCheckBox(this);
    setShownText(rememberMe, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Запомнить меня")));
    rememberMe->setGeometry(62, 78, 134, 18);

    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setGeometry(30, 100, 72, 24);
    okButton->setDefault(true);
    cancelButton = new QPushButton(this);
    setShownText(cancelButton, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Cancel")));
    cancelButton->setGeometry(110, 100, 72, 24);
    connect(okButton, &QPushButton::clicked, this, &TLoginForm::RzBitBtn1Click);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TLoginForm::showLink() {
    RzURLLabel1->setText(
        QStringLiteral("<a href=\"reg\" style=\"color: palette(highlight);\">%1</a>")
            .arg(translated(QT_TRANSLATE_NOOP("pimra", "Зарегистрироваться ")).toHtmlEscaped()));
}

void TLoginForm::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::LanguageChange) return;
    retranslateTree(this);
    showLink();
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
