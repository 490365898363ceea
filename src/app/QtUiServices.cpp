#include "QtUiServices.h"
#include "ShownText.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "HelpViewer.h"
#include "TextFit.h"

namespace pimra {

const QString QtUiServices::kSaveFilter =
    QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Файл игры (*.sav)"));
const QString QtUiServices::kOpenFilter = kSaveFilter;
const QString QtUiServices::kSuffix = QStringLiteral("sav");
const QString QtUiServices::kRecordFilter =
    QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Запись партии (*.pgn)"));
const QString QtUiServices::kRecordSuffix = QStringLiteral("pgn");

namespace {

// The folder a file dialog opens in. A folder that is gone would be taken for a file name
// ("Documents" offered as the name to save under): its nearest existing parent is used.
QString existingFolder(const QString& folder) {
    if (folder.isEmpty()) return folder;
    QString path = QFileInfo(folder).absoluteFilePath();
    while (!QFileInfo(path).isDir()) {
        const QString parent = QFileInfo(path).absolutePath();
        if (parent == path) return QDir::homePath();
        path = parent;
    }
    return path;
}

QString chosenFile(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

}  // namespace

QtUiServices::~QtUiServices() {
    delete helpViewer_.data();
}

std::unique_ptr<QMessageBox> QtUiServices::createResultBox(QWidget* parent, const QString& title,
                                                           const QString& text) {
    auto box =
        std::make_unique<QMessageBox>(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    makeRoomForTitle(box.get());
    return box;
}

std::unique_ptr<QMessageBox> QtUiServices::createQuestionBox(QWidget* parent, const QString& title,
                                                             const QString& question) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Question, title, question,
                                             QMessageBox::NoButton, parent);
    // The answers in the interface's language, whatever translations Qt itself has; "Нет"
    // is what Enter and Escape give, so that nothing is done by a slip of the hand.
    box->addButton(translated(QT_TRANSLATE_NOOP("pimra", "Да")), QMessageBox::YesRole);
    QPushButton* no =
        box->addButton(translated(QT_TRANSLATE_NOOP("pimra", "Нет")), QMessageBox::NoRole);
    box->setDefaultButton(no);
    box->setEscapeButton(no);
    makeRoomForTitle(box.get());
    return box;
}

std::unique_ptr<QMessageBox> QtUiServices::createAboutBox(QWidget* parent, const QString& title,
                                                          const QString& text) {
    // Over the game's window, and blocking the whole application like a task-modal box.
    auto box = std::make_unique<QMessageBox>(QMessageBox::Information, title, text, QMessageBox::Ok,
                                             parent);
    box->setWindowModality(Qt::ApplicationModal);
    makeRoomForTitle(box.get());
    return box;
}

std::unique_ptr<QFileDialog> QtUiServices::createSaveDialog(QWidget* parent,
                                                            const QString& folder) {
    auto dialog = std::make_unique<QFileDialog>(parent, QString(), existingFolder(folder));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setDefaultSuffix(kSuffix);
    dialog->setNameFilter(translated(kSaveFilter));
    // The game asks nothing before it replaces a saved file.
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    return dialog;
}

std::unique_ptr<QFileDialog> QtUiServices::createOpenDialog(QWidget* parent,
                                                            const QString& folder) {
    auto dialog = std::make_unique<QFileDialog>(parent, QString(), existingFolder(folder));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setDefaultSuffix(kSuffix);
    dialog->setNameFilter(translated(kOpenFilter));
    return dialog;
}

std::unique_ptr<QFileDialog> QtUiServices::createRecordDialog(QWidget* parent, bool save,
                                                              const QString& folder) {
    auto dialog = std::make_unique<QFileDialog>(parent, QString(), existingFolder(folder));
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setDefaultSuffix(kRecordSuffix);
    dialog->setNameFilter(translated(kRecordFilter));
    return dialog;
}

void QtUiServices::showResult(QWidget* parent, const QString& title, const QString& text) {
    createResultBox(parent, title, text)->exec();
}

bool QtUiServices::confirm(QWidget* parent, const QString& title, const QString& question) {
    const std::unique_ptr<QMessageBox> box = createQuestionBox(parent, title, question);
    box->exec();
    return box->buttonRole(box->clickedButton()) == QMessageBox::YesRole;
}

void QtUiServices::showAbout(QWidget* parent, const QString& title, const QString& text) {
    createAboutBox(parent, title, text)->exec();
}

QString QtUiServices::saveGameFileName(QWidget* parent, const QString& folder) {
    return chosenFile(*createSaveDialog(parent, folder));
}

QString QtUiServices::openGameFileName(QWidget* parent, const QString& folder) {
    return chosenFile(*createOpenDialog(parent, folder));
}

QString QtUiServices::saveRecordFileName(QWidget* parent, const QString& folder) {
    return chosenFile(*createRecordDialog(parent, true, folder));
}

QString QtUiServices::openRecordFileName(QWidget* parent, const QString& folder) {
    return chosenFile(*createRecordDialog(parent, false, folder));
}

void QtUiServices::openUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

void QtUiServices::alert(QWidget* window) {
    QApplication::alert(window);
}

void QtUiServices::showHelp(QWidget* parent, int topic) {
    if (!helpViewer_) helpViewer_ = new HelpViewer(parent);
    helpViewer_->showTopic(topic);
}

}  // namespace pimra
