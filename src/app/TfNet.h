#pragma once

#include <QDialog>
#include <QTimer>

#include "online/Lobby.h"

class QPushButton;
class QTableWidget;

namespace pimra {

class LobbyHost;
class TLoginForm;
class TfAddGame;

// "Игровой сервер": the server's tables, logging in, creating a table and opening one.
// Modeless; created once, it keeps its list, captions and the new-table values.
class TfNet : public QDialog {
    Q_OBJECT

  public:
    TfNet(LobbyHost& host, TLoginForm& loginForm, TfAddGame& addGame, QWidget* parent = nullptr);

    // Reloads the list from the server.
    void LoadTables();
    // Shows the login state in the lobby and in the main window's status bar.
    void UpdateStatus();

    void RzButton1Click();  // "Создать стол"
    void RzButton2Click();  // the login dialog
    void RzButton3Click();  // "Обновить"
    void bInputClick();     // open or join the current row

    const online::Lobby& lobby() const { return lobby_; }
    // The list reloads itself this often while the lobby is shown.
    static constexpr int kRefreshPeriod = 10000;
    void setRefreshPeriod(int milliseconds) { refresh_.setInterval(milliseconds); }
    bool refreshRunning() const { return refresh_.isActive(); }
    // The refresh timer's tick: the list again, the selected table kept selected.
    void refreshTick();
    // The server says the list changed: refreshed at once while the lobby is shown.
    void listChanged();
    QTableWidget* SG = nullptr;
    QPushButton* RzButton1 = nullptr;
    QPushButton* RzButton2 = nullptr;
    QPushButton* RzButton3 = nullptr;
    QPushButton* bInput = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    // Column widths that keep the longest time control on one line in the dialog's font.
    void sizeColumns();
    void showHeaders();
    void fillGrid();
    void RXMDAfterScroll();
    void openCurrentTable();

    LobbyHost& host_;
    TLoginForm& loginForm_;
    TfAddGame& addGame_;
    online::Lobby lobby_;
    QTimer refresh_;
};

}  // namespace pimra
