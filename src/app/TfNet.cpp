#include "TfNet.h"
#include "ShownText.h"

#include <QEvent>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>

#include "LobbyHost.h"
#include "TLoginForm.h"
#include "TfAddGame.h"
#include "net/Requests.h"
#include "online/TableList.h"

namespace pimra {

namespace {

constexpr int kWidth = 417;
constexpr int kHeight = 298;
constexpr int kButtonPanelHeight = 58;
constexpr int kNumberColumnWidth = 35;
constexpr int kTimeColumnWidth = 99;
// The longest time control the new-table dialog makes: 120 minutes and 300 seconds.
constexpr int kLongestTimeLimit = 120 * 60;
constexpr int kLongestBonus = 300;

QTableWidgetItem* cell(const std::string& text, const online::Rgb& colour) {
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setBackground(QColor(colour.red, colour.green, colour.blue));
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

std::string longestTime() {
    online::TableRow row;
    row.bonus = kLongestBonus;
    row.timelimit = kLongestTimeLimit;
    return online::STime(row);
}

}  // namespace

TfNet::TfNet(LobbyHost& host, TLoginForm& loginForm, TfAddGame& addGame, QWidget* parent)
    : QDialog(parent), host_(host), loginForm_(loginForm), addGame_(addGame) {
    setShownTitle(this, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Игровой сервер")));
    setFixedSize(kWidth, kHeight);
    setModal(false);

    SG = new QTableWidget(0, 4, this);
    SG->setGeometry(0, 0, kWidth, kHeight - kButtonPanelHeight);
    showHeaders();
    SG->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    SG->verticalHeader()->hide();
    SG->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SG->setSelectionBehavior(QAbstractItemView::SelectRows);
    SG->setSelectionMode(QAbstractItemView::SingleSelection);
    SG->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SG->setWordWrap(false);
    sizeColumns();

    const int top = kHeight - kButtonPanelHeight + (kButtonPanelHeight - 25) / 2;
    RzButton3 = new QPushButton(this);
    setShownText(RzButton3, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Обновить")));
    RzButton3->setGeometry(8, top, 88, 25);
    RzButton1 = new QPushButton(this);
    setShownText(RzButton1, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Создать стол")));
    RzButton1->setGeometry(104, top, 90, 25);
    RzButton2 = new QPushButton(this);
    setShownText(RzButton2, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Авторизация")));
    RzButton2->setGeometry(202, top, 105, 25);
    bInput = new QPushButton(this);
    setShownText(bInput, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Открыть стол")));
    bInput->setGeometry(kWidth - 8 - 102, top, 102, 25);
    RzButton1->setEnabled(false);

    connect(RzButton1, &QPushButton::clicked, this, &TfNet::RzButton1Click);
    connect(RzButton2, &QPushButton::clicked, this, &TfNet::RzButton2Click);
    connect(RzButton3, &QPushButton::clicked, this, &TfNet::RzButton3Click);
    connect(bInput, &QPushButton::clicked, this, &TfNet::bInputClick);
    connect(SG, &QTableWidget::cellDoubleClicked, this, [this] { bInputClick(); });
    connect(SG, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row >= 0) lobby_.Select(static_cast<std::size_t>(row));
        RXMDAfterScroll();
    });
    loginForm_.setOnLoggedIn([this] { UpdateStatus(); });
    refresh_.setInterval(kRefreshPeriod);
    connect(&refresh_, &QTimer::timeout, this, &TfNet::refreshTick);
}

void TfNet::sizeColumns() {
    const int margin =
        2 * (SG->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, SG) + 1);
    const int timeWidth =
        std::max(kTimeColumnWidth,
                 SG->fontMetrics().horizontalAdvance(translated(longestTime())) + margin + 2);
    SG->setColumnWidth(0, kNumberColumnWidth);
    SG->setColumnWidth(3, timeWidth);
    const int loginWidth = (kWidth - kNumberColumnWidth - timeWidth -
                            SG->verticalScrollBar()->sizeHint().width() - 4) /
                           2;
    SG->setColumnWidth(1, loginWidth);
    SG->setColumnWidth(2, loginWidth);
}

void TfNet::showHeaders() {
    SG->setHorizontalHeaderLabels({QStringLiteral("№"),
                                   translated(QT_TRANSLATE_NOOP("pimra", "Игрок 1")),
                                   translated(QT_TRANSLATE_NOOP("pimra", "Игрок 2")),
                                   translated(QT_TRANSLATE_NOOP("pimra", "Время"))});
}

void TfNet::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::FontChange) sizeColumns();
    if (event->type() == QEvent::LanguageChange) {
        retranslateTree(this);
        showHeaders();
        fillGrid();
        sizeColumns();
    }
}

void TfNet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    LoadTables();
    refresh_.start();
    host_.watchLobby(true);
}

void TfNet::hideEvent(QHideEvent* event) {
    refresh_.stop();
    host_.watchLobby(false);
    QDialog::hideEvent(event);
}

void TfNet::refreshTick() {
    // Quietly: a server found down stays so until the user asks again, and a request of the
    // window's own under way means no list this time.
    const int selected = lobby_.CurrentTableId();
    host_.send(net::TableListRequest(),
               [this, selected](const std::optional<net::PostResult>& result) {
                   if (!result || !result->ok || !result->reply) return;
                   lobby_.Load(&*result->reply);
                   for (std::size_t row = 0; row < lobby_.Rows().size(); ++row) {
                       if (selected > 0 && lobby_.Rows()[row].Ind() == selected) {
                           lobby_.Select(row);
                       }
                   }
                   fillGrid();
               });
}

void TfNet::listChanged() {
    if (isVisible()) refreshTick();
}

void TfNet::LoadTables() {
    host_.clearServerDown();
    host_.send(net::TableListRequest(), [this](const std::optional<net::PostResult>& result) {
        if (!result) return;  // another request was under way: keep the list as it is
        lobby_.Load(result->ok && result->reply ? &*result->reply : nullptr);
        fillGrid();
    });
}

void TfNet::fillGrid() {
    const QSignalBlocker blocker(SG);
    SG->setRowCount(0);
    const std::vector<online::TableRow>& rows = lobby_.Rows();
    SG->setRowCount(static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const online::TableRow& row = rows[i];
        const online::Rgb colour = online::RowColour(row);
        const int r = static_cast<int>(i);
        SG->setItem(r, 0, cell(row.ind ? std::to_string(*row.ind) : std::string(), colour));
        SG->setItem(r, 1, cell(row.login1, colour));
        SG->setItem(r, 2, cell(row.login2, colour));
        SG->setItem(r, 3, cell(translated(online::STime(row)).toStdString(), colour));
    }
    if (const auto current = lobby_.Current()) {
        SG->setCurrentCell(static_cast<int>(*current), 0);
        SG->scrollToItem(SG->item(static_cast<int>(*current), 0));
    }
    RXMDAfterScroll();
}

void TfNet::RXMDAfterScroll() {
    setShownText(bInput, QString::fromStdString(lobby_.Caption(host_.session())));
}

void TfNet::UpdateStatus() {
    const online::LobbyStatus status = online::UpdateStatus(host_.session());
    host_.setLoginPane(QString::fromStdString(status.statusPane));
    setShownText(RzButton2, QString::fromStdString(status.loginButton));
    RzButton1->setEnabled(status.createEnabled);
}

void TfNet::RzButton1Click() {
    if (!host_.session().LoggedIn()) {
        host_.showMessage(this, QString::fromUtf8(online::kNotAuthorizedText));
        return;
    }
    if (addGame_.exec() != QDialog::Accepted) return;
    host_.send(online::NewTableRequestFromDialog(host_.session(), addGame_.minutes(),
                                                 addGame_.bonusText().toStdString()),
               [this](const std::optional<net::PostResult>& result) {
                   if (result) LoadTables();
               });
}

void TfNet::RzButton2Click() {
    loginForm_.exec();
}

void TfNet::RzButton3Click() {
    LoadTables();
}

void TfNet::bInputClick() {
    switch (lobby_.Input(host_.session())) {
        case online::InputAction::Nothing:
            return;
        case online::InputAction::NotAuthorized:
            host_.showMessage(this, QString::fromUtf8(online::kNotAuthorizedText));
            return;
        case online::InputAction::Join: {
            host_.send(lobby_.JoinRequest(host_.session()),
                       [this](const std::optional<net::PostResult>& joined) {
                           if (joined && joined->ok) openCurrentTable();
                       });
            return;
        }
        case online::InputAction::Open:
            openCurrentTable();
            return;
    }
}

void TfNet::openCurrentTable() {
    host_.openTable(lobby_.CurrentTableId());
    hide();
}

}  // namespace pimra
