#pragma once

#include <QDialog>

class QTextBrowser;

namespace pimra {

// A small window of our own that shows one help topic at a time. It opens over the game's
// window, within the screen however large the screen's scale makes it.
class HelpViewer : public QDialog {
    Q_OBJECT

  public:
    explicit HelpViewer(QWidget* parent);

    void showTopic(int topic);
    int topic() const { return topic_; }

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void showTexts();
    void placeOverOwner();

    QTextBrowser* text_;
    int topic_ = 0;
};

}  // namespace pimra
