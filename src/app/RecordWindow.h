#pragma once

#include <QWidget>

#include <cstddef>
#include <optional>

#include "core/GameRecord.h"
#include "core/RecordFormat.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace pimra {

// "Запись партии": the moves of the local game, one line each, with the start above them and
// the result below. The line of the position on the board is selected; a click on another
// line asks for its position (the window steps the history there). The buttons save the
// record to a file and open one. The window only shows and asks; the main window decides.
class RecordWindow : public QWidget {
    Q_OBJECT

  public:
    explicit RecordWindow(QWidget* parent = nullptr);

    // `shown`: the moves that lead to the board, none when the board is not on the record.
    void showRecord(const GameRecord& record, std::optional<std::size_t> shown);
    // Moves can be chosen and records opened only while the game may step through its history.
    void setCommandsEnabled(bool enabled);
    // A message of the game, written in Russian; shown in the interface's language.
    void setMessage(const QString& russian);
    // Why a record could not be read or written.
    void showProblem(const RecordProblem& problem, bool reading);

    QListWidget* moveList() const { return moves_; }
    QPushButton* saveButton() const { return save_; }
    QPushButton* openButton() const { return open_; }
    QString message() const;
    QString resultText() const;

    // What the user reads when a record could not be read or written, in the interface's
    // language.
    static QString problemText(const RecordProblem& problem, bool reading);
    // "12. 9 компьютер, Мастер", in the interface's language.
    static QString moveText(std::size_t number, const RecordedMove& move);

  signals:
    // The position after the first `moves` moves is wanted (0: the start).
    void positionChosen(std::size_t moves);
    void saveRequested();
    void openRequested();

  protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void lineClicked(QListWidgetItem* item);
    void showLines();
    void showMessage();
    void makeRoom();

    GameRecord record_;
    std::optional<std::size_t> shown_;
    QString messageSource_;
    std::optional<RecordProblem> problem_;
    bool problemReading_ = false;

    QListWidget* moves_ = nullptr;
    QLabel* result_ = nullptr;
    QLabel* message_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* open_ = nullptr;
};

}  // namespace pimra
