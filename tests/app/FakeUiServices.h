#pragma once

#include <QList>
#include <QStringList>

#include <functional>

#include "MoveSounds.h"
#include "UiServices.h"

namespace pimra::test {

// Records what the window asks of the desktop and answers file dialogs from set names.
class FakeUiServices : public UiServices {
  public:
    void showResult(QWidget*, const QString& title, const QString& text) override {
        resultTitles << title;
        results << text;
        if (onResult) onResult();
    }
    void showAbout(QWidget* parent, const QString& title, const QString& text) override {
        aboutParent = parent;
        aboutTitle = title;
        aboutText = text;
    }
    QString saveGameFileName(QWidget*, const QString& folder) override {
        ++saveAsked;
        folders << folder;
        return saveName;
    }
    QString openGameFileName(QWidget*, const QString& folder) override {
        ++openAsked;
        folders << folder;
        return openName;
    }
    QString saveRecordFileName(QWidget*, const QString& folder) override {
        ++recordSaveAsked;
        folders << folder;
        return recordSaveName;
    }
    QString openRecordFileName(QWidget*, const QString& folder) override {
        ++recordOpenAsked;
        folders << folder;
        return recordOpenName;
    }
    void openUrl(const QUrl& url) override { urls << url; }
    void showHelp(QWidget*, int topic) override { helpTopics << topic; }
    void alert(QWidget*) override { ++alerts; }
    bool confirm(QWidget*, const QString& title, const QString& question) override {
        questionTitles << title;
        questions << question;
        return confirmAnswer;
    }

    QStringList results;
    QStringList resultTitles;
    std::function<void()> onResult;
    QWidget* aboutParent = nullptr;
    QString aboutTitle;
    QString aboutText;
    QString saveName;
    QString openName;
    int saveAsked = 0;
    int openAsked = 0;
    QString recordSaveName;
    QString recordOpenName;
    int recordSaveAsked = 0;
    int recordOpenAsked = 0;
    QStringList folders;  // where each file dialog started
    QList<QUrl> urls;
    QList<int> helpTopics;
    int alerts = 0;
    QStringList questions;
    QStringList questionTitles;
    bool confirmAnswer = true;
};

class RecordingSounds : public MoveSounds {
  public:
    void play(MoveSound sound) override { played.push_back(sound); }
    std::vector<MoveSound> played;
};

}  // namespace pimra::test
