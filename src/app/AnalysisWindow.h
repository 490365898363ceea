#pragma once

#include <QWidget>

#include <array>
#include <chrono>
#include <optional>

#include "core/MasterThinker.h"
#include "core/Position.h"

class QLabel;
class QTimer;

namespace pimra {

// "Анализ": a small window beside the board that shows, for the position on the board, the
// value of every pit of the side to move as the master search finds it: the final store of
// the side to move minus the other store, "точно" when it is proven. The search runs on a
// worker thread and deepens while the window shows each finished depth; a new position
// stops the old search at once, and hiding or closing the window stops it too.
class AnalysisWindow : public QWidget {
    Q_OBJECT

  public:
    static constexpr std::chrono::milliseconds kDefaultTime{5000};

    explicit AnalysisWindow(QWidget* parent = nullptr);
    ~AnalysisWindow() override;

    // The position on the board. The same position again changes nothing.
    void showPosition(const Position& position, Side sideToMove);
    // No analysis now; `russian` says why (an online table is open), shown in the interface's
    // language.
    void showUnavailable(const QString& russian);
    // How long one position is searched at most.
    void setThinkTime(std::chrono::milliseconds time) { thinkTime_ = time; }
    // Threads of the search; a search under way starts again on them.
    void setThreads(int threads);

    bool analysing() const { return analysing_; }
    // The value shown for the board pit `index` (1..6, 8..13); empty for the other row.
    QString valueText(int index) const;
    QString headline() const;
    QString stateText() const;
    // The state of the endgame database: its build's progress, then its size.
    QString databaseText() const;

  signals:
    // A depth of the search is on the screen; `finished` when it was the last one.
    void analysed(int depth, bool finished);

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void start();
    void stop();
    void clearValues();
    void showResult(unsigned generation, const SearchResult& result, bool finished);
    // The values of the last result, in the interface's language.
    void showValues();
    void showHeadline();
    void showDatabase();
    QLabel* cell(int index) const;

    MasterThinker thinker_{std::size_t{1} << 18};
    std::chrono::milliseconds thinkTime_ = kDefaultTime;
    std::optional<Position> position_;
    Side sideToMove_ = Side::Bottom;
    unsigned generation_ = 0;  // results of an earlier position are dropped
    bool analysing_ = false;
    std::optional<SearchResult> result_;  // what the values show
    bool finished_ = false;
    bool stopped_ = false;  // hidden while it searched
    QLabel* headline_ = nullptr;
    QLabel* state_ = nullptr;
    QLabel* database_ = nullptr;
    QTimer* databaseTimer_ = nullptr;             // while the database is not ready
    std::array<QLabel*, kPitCount + 1> cells_{};  // 1-based; the stores have none
};

}  // namespace pimra
