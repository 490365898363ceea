#pragma once

#include <QObject>

#include <chrono>
#include <functional>

#include "online/PlayState.h"

class QWidget;

namespace pimra {

class AnalysisWindow;
class GameFiles;
class RecordWindow;
class UiServices;

// The record and analysis windows beside the main one: made when first opened, shown the game
// after every change; the record window's clicks and its save and open commands reach the game.
class SideWindows : public QObject {
    Q_OBJECT

  public:
    // `apply`: the effects of a record's position or a record read, for the main window.
    SideWindows(QWidget* owner, UiServices& ui, GameFiles& files, online::PlayState& state,
                std::function<void(online::Effects)> apply);

    // "Запись партии" and "Анализ": the analysis thinks as long and on as many threads as the
    // master does, or longer.
    void openRecord();
    void openAnalysis(std::chrono::milliseconds thinkTime, int threads);
    // The game changed, or what may be done with it.
    void update();
    void setThreads(int threads);
    // A new game: what was said of the old game's record is no news.
    void forgetMessage();
    void hide();

    RecordWindow* record() const { return record_; }
    AnalysisWindow* analysis() const { return analysis_; }

  private:
    void positionChosen(std::size_t moves);
    void saveRecord();
    void readRecord();

    QWidget* owner_;
    UiServices& ui_;
    GameFiles& files_;
    online::PlayState& state_;
    std::function<void(online::Effects)> apply_;
    RecordWindow* record_ = nullptr;  // made when first opened, owned by the main window
    AnalysisWindow* analysis_ = nullptr;
};

}  // namespace pimra
