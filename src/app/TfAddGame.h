#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QSpinBox;

namespace pimra {

// "Новая игра": the time control of a new table. Created once; keeps its values.
class TfAddGame : public QDialog {
    Q_OBJECT

  public:
    explicit TfAddGame(QWidget* parent = nullptr);

    int minutes() const;
    // The bonus box's text as it stands, sent to the server unchanged.
    QString bonusText() const;

    QSpinBox* RzSpinEdit1 = nullptr;
    QSpinBox* RzSpinEdit2 = nullptr;

  protected:
    void changeEvent(QEvent* event) override;

  private:
    // Places the controls so that the labels are read whole in the dialog's font.
    void layOut();

    QLabel* minutesLabel_ = nullptr;
    QLabel* bonusLabel_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace pimra
