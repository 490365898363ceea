#pragma once

#include <QColor>
#include <QFrame>

namespace pimra {

// One place of the board, a pit or a store: shows its stones as green circles with the count
// in red and passes a left click on. It paints the count it is given; the board itself is the
// game's.
class TLunka : public QFrame {
    Q_OBJECT

  public:
    static constexpr QRgb kNormalFill = qRgb(255, 255, 255);
    static constexpr QRgb kHighlightFill = qRgb(192, 220, 192);
    static constexpr QRgb kFlashFill = qRgb(192, 192, 192);
    static constexpr QRgb kStoneColor = qRgb(0, 128, 0);
    static constexpr QRgb kCountColor = qRgb(255, 0, 0);

    explicit TLunka(QWidget* parent);

    int Side = 0;
    bool IsStore = false;
    int Stones = 0;
    int PitIndex = 0;
    QColor FillColor = QColor(kNormalFill);

    // Index, row, store flag, place, size and tooltip of board place `index`.
    // Pit `index` of the game, drawn where an unturned board has pit `place`.
    void PlacePit(int index, int place);
    void PlacePit(int index) { PlacePit(index, index); }
    // Drawn `scale` times its size (and place) on a board that is drawn smaller.
    void setScale(double scale);
    double scale() const { return scale_; }
    // Sets the count and paints at once.
    void setStones(int stones);
    // What a screen reader says of the place: "Лунка 3, 6 камней".
    void updateAccessibleText();

    // Colour states; each paints at once.
    void HighlightPit();
    void NormalPit();
    void setFlashFill();

    // The count as drawn ("%2d"), and the box it is drawn in; empty for an empty pit.
    QString countText() const;
    QRect countRect() const;

    // A click from the keyboard or a screen reader, as a mouse click would give.
    void press() { emit clicked(this); }

  signals:
    void clicked(pimra::TLunka* pit);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void setFill(QRgb fill);
    QFont countFont() const;

    void placeAtScale();

    bool pressed_ = false;
    double scale_ = 1.0;
    QRect designGeometry_;
};

}  // namespace pimra
