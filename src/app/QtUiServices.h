#pragma once

#include <QPointer>

#include <memory>

#include "UiServices.h"

class QFileDialog;
class QMessageBox;

namespace pimra {

class HelpViewer;

// The real desktop: Qt's message boxes and file dialogs, the user's browser, our help viewer.
class QtUiServices : public UiServices {
  public:
    static const QString kSaveFilter;
    static const QString kOpenFilter;
    static const QString kSuffix;
    static const QString kRecordFilter;
    static const QString kRecordSuffix;

    ~QtUiServices() override;

    void showResult(QWidget* parent, const QString& title, const QString& text) override;
    void showAbout(QWidget* parent, const QString& title, const QString& text) override;
    QString saveGameFileName(QWidget* parent, const QString& folder) override;
    QString openGameFileName(QWidget* parent, const QString& folder) override;
    QString saveRecordFileName(QWidget* parent, const QString& folder) override;
    QString openRecordFileName(QWidget* parent, const QString& folder) override;
    void openUrl(const QUrl& url) override;
    void showHelp(QWidget* parent, int topic) override;
    void alert(QWidget* window) override;
    bool confirm(QWidget* parent, const QString& title, const QString& question) override;

    // The dialogs as shown, built apart so that their settings can be checked.
    static std::unique_ptr<QMessageBox> createResultBox(QWidget* parent, const QString& title,
                                                        const QString& text);
    static std::unique_ptr<QMessageBox> createQuestionBox(QWidget* parent, const QString& title,
                                                          const QString& question);
    static std::unique_ptr<QMessageBox> createAboutBox(QWidget* parent, const QString& title,
                                                       const QString& text);
    static std::unique_ptr<QFileDialog> createSaveDialog(QWidget* parent,
                                                         const QString& folder = {});
    static std::unique_ptr<QFileDialog> createOpenDialog(QWidget* parent,
                                                         const QString& folder = {});
    static std::unique_ptr<QFileDialog> createRecordDialog(QWidget* parent, bool save,
                                                           const QString& folder = {});

  private:
    QPointer<HelpViewer> helpViewer_;
};

}  // namespace pimra
