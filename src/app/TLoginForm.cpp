#include "TLoginForm.h"

#include <algorithm>

#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "LobbyHost.h"
#include "ShownText.h"
#include "TextFit.h"
#include "online/Lobby.h"

namespace pimra {

namespace {

constexpr int kMargin = 8;
constexpr int kDesignedWidth = 204;
constexpr int kDesignedHeight = 130;
constexpr int kLabelWidth = 50;
constexpr int kBoxWidth = 134;

}  // namespace

TLoginForm::TLoginForm(LobbyHost& host, QWidget* parent) : QDialog(parent), host_(host) {
    setShownTitle(this, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Авторизация")));

    loginLabel_ = new QLabel(this);
    setShownText(loginLabel_, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Логин:")));
    eLogin = new QLineEdit(this);
    eLogin->setMaxLength(kLoginLength);

    passLabel_ = new QLabel(this);
    setShownText(passLabel_, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Пароль:")));
    ePass = new QLineEdit(this);
    ePass->setEchoMode(QLineEdit::Password);

    RzURLLabel1 = new QLabel(this);
    showLink();
    RzURLLabel1->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    RzURLLabel1->setCursor(Qt::PointingHandCursor);
    connect(RzURLLabel1, &QLabel::linkActivated, this, [this] { host_.openRegistrationPage(); });

    rememberMe = new QCheckBox(this);
    setShownText(rememberMe, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Запомнить меня")));

    message = new QLabel(this);
    message->setWordWrap(true);
    message->setTextFormat(Qt::PlainText);
    message->setPalette([this] {
        QPalette red = palette();
        red.setColor(QPalette::WindowText, QColor(192, 0, 0));
        return red;
    }());
    message->hide();

    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setDefault(true);
    cancelButton = new QPushButton(this);
    setShownText(cancelButton, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Cancel")));
    connect(okButton, &QPushButton::clicked, this, &TLoginForm::RzBitBtn1Click);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    layOut();
}

void TLoginForm::layOut() {
    // The designed places (a 204 × 130 dialog, labels 50 wide), widened where a language or
    // a face needs more room: both labels keep the dialog's full font.
    const QFontMetrics metrics(font());
    const int labelWidth =
        std::max({kLabelWidth, metrics.horizontalAdvance(loginLabel_->text()) + 4,
                  metrics.horizontalAdvance(passLabel_->text()) + 4});
    const int row = std::max(21, metrics.height() + 6);
    const int boxLeft = kMargin + labelWidth + 4;
    const int width =
        std::max({kDesignedWidth, boxLeft + kBoxWidth + kMargin, titleRoom(windowTitle())});
    const int boxWidth = width - boxLeft - kMargin;
    loginLabel_->setGeometry(kMargin, 7, labelWidth, row);
    eLogin->setGeometry(boxLeft, 7, boxWidth, row);
    passLabel_->setGeometry(kMargin, 7 + row + 5, labelWidth, row);
    ePass->setGeometry(boxLeft, 7 + row + 5, boxWidth, row);
    const int linkTop = 7 + 2 * (row + 5) - 1;
    RzURLLabel1->setGeometry(boxLeft, linkTop, boxWidth, metrics.height() + 2);
    const int checkTop = linkTop + metrics.height() + 4;
    rememberMe->setGeometry(boxLeft, checkTop, boxWidth, std::max(18, metrics.height() + 2));
    int top = checkTop + std::max(18, metrics.height() + 2) + 4;
    if (message->isVisibleTo(this)) {
        const int height = metrics
                               .boundingRect(QRect(0, 0, width - 2 * kMargin, 1000),
                                             Qt::TextWordWrap, message->text())
                               .height();
        message->setGeometry(kMargin, top, width - 2 * kMargin, height);
        top += height + 4;
    }
    const int buttonHeight = std::max(24, metrics.height() + 8);
    const int shift = (width - kDesignedWidth) / 2;
    okButton->setGeometry(30 + shift, top, 72, buttonHeight);
    cancelButton->setGeometry(110 + shift, top, 72, buttonHeight);
    setFixedSize(width, std::max(kDesignedHeight, top + buttonHeight + 6));
    for (QLabel* label : {loginLabel_, passLabel_, message}) setFullFont(label, font());
}

void TLoginForm::showMessage(const QString& russian) {
    setShownText(message, russian);
    message->setVisible(!russian.isEmpty());
    layOut();
}

void TLoginForm::showLink() {
    RzURLLabel1->setText(
        QStringLiteral("<a href=\"reg\" style=\"color: palette(highlight);\">%1</a>")
            .arg(translated(QT_TRANSLATE_NOOP("pimra", "Зарегистрироваться ")).toHtmlEscaped()));
}

void TLoginForm::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        retranslateTree(this);
        showLink();
    }
    if (event->type() == QEvent::LanguageChange || event->type() == QEvent::FontChange) layOut();
}

void TLoginForm::RzBitBtn1Click() {
    const std::string login = eLogin->text().toStdString();
    const std::string password = ePass->text().toStdString();
    if (const auto refusal = online::LoginRefusal(login, password)) {
        host_.showMessage(this, QString::fromStdString(*refusal));
        return;
    }
    showMessage({});
    host_.login(login, password, [this](bool ok) {
        if (!ok) {
            // Said here, where the user looks, as well as in the window's status bar.
            showMessage(QString::fromStdString(host_.statusText()));
            return;
        }
        host_.keepSession(rememberMe->isChecked());
        if (onLoggedIn_) onLoggedIn_();
        host_.afterLogin();
        accept();
    });
}

}  // namespace pimra
