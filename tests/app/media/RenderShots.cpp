// Renders the window's client area with each background behind the board, and the waveform
// of each move sound, into PNG files for a person to look at:
//   pimra_media_shots OUTPUT_DIR
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

#include "media/SoundLibrary.h"
#include "media/TextureLibrary.h"

namespace {

// Client area of the 730 × 420 window below its title and menu bars.
constexpr QSize kClient{724, 372};
constexpr QSize kOuter{730, 420};

void drawSunkenPanel(QPainter& p, const QRect& r, const QColor& fill) {
    p.fillRect(r, fill);
    p.setPen(QColor(128, 128, 128));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(QColor(64, 64, 64));
    p.drawLine(r.topLeft() + QPoint(1, 1), r.topRight() + QPoint(-1, 1));
    p.drawLine(r.topLeft() + QPoint(1, 1), r.bottomLeft() + QPoint(1, -1));
    p.setPen(Qt::white);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

void drawPit(QPainter& p, const QRect& r, int stones, int perRow) {
    drawSunkenPanel(p, r, Qt::white);
    p.setPen(Qt::black);
    p.setBrush(QColor(0, 128, 0));
    for (int k = 0; k < stones; ++k) {
        const int col = k % perRow;
        const int row = k / perRow;
        p.drawEllipse(r.left() + 10 * col + 4, r.top() + 10 * row + 4, 10, 10);
    }
    if (stones > 0) {
        p.setPen(QColor(255, 0, 0));
        p.drawText(QRect(r.right() - 19, r.bottom() - 19, 20, 14), Qt::AlignLeft,
                   QString::asprintf("%2d", stones));
    }
}

QImage renderBoard(int backgroundIndex) {
    QImage image(kClient, QImage::Format_RGB32);
    image.fill(QColor(0, 120, 215));  // selection colour, where no texture reaches
    QPainter p(&image);
    pimra::media::paintTexture(p, backgroundIndex, kOuter);
    const int stones[14] = {6, 6, 2, 0, 7, 6, 3, 6, 6, 6, 1, 6, 6, 12};
    for (int i = 1; i <= 6; ++i) {
        drawPit(p, QRect(110 * i - 60, 250, 70, 70), stones[i - 1], 6);
    }
    for (int i = 8; i <= 13; ++i) {
        drawPit(p, QRect(110 * (14 - i) - 60, 50, 70, 70), stones[i - 1], 6);
    }
    drawPit(p, QRect(490, 150, 180, 70), stones[6], 16);
    drawPit(p, QRect(50, 150, 180, 70), stones[13], 16);
    const QRect status(270, 160, 183, 50);
    p.fillRect(status, QColor(240, 240, 240));
    p.setBrush(Qt::NoBrush);
    p.setPen(Qt::black);
    p.drawRect(status.adjusted(0, 0, -1, -1));
    p.drawText(status, Qt::AlignCenter, QStringLiteral("Ваш ход"));
    const QRect bar(0, kClient.height() - 21, kClient.width(), 21);
    p.fillRect(bar, QColor(236, 236, 236));
    p.drawText(bar.adjusted(4, 0, 0, 0), Qt::AlignVCenter, QStringLiteral("Вы не авторизованы"));
    return image;
}

// Three by three tiles, magnified, to check that the edges meet without a seam.
QImage renderSeams(int backgroundIndex) {
    const QImage tile = pimra::media::loadTexture(backgroundIndex);
    QImage image(tile.width() * 3, tile.height() * 3, QImage::Format_RGB32);
    QPainter p(&image);
    pimra::media::paintTexture(p, backgroundIndex, image.size());
    p.end();
    return image.scaled(image.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

// The sound's samples from its embedded RIFF image, drawn as min/max columns.
QImage renderWave(pimra::MoveSound sound) {
    QFile file(pimra::media::soundPath(pimra::media::soundName(sound)));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    const int bits = static_cast<unsigned char>(bytes[34]);
    const QByteArray data = bytes.mid(44);
    const int count =
        bits == 16 ? static_cast<int>(data.size()) / 2 : static_cast<int>(data.size());
    auto sample = [&](int i) {
        if (bits == 16) {
            const auto lo = static_cast<unsigned char>(data[2 * i]);
            const auto hi = static_cast<signed char>(data[2 * i + 1]);
            return (hi * 256 + lo) / 32768.0;
        }
        return (static_cast<unsigned char>(data[i]) - 128) / 128.0;
    };
    QImage image(800, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setPen(QColor(200, 200, 200));
    p.drawLine(0, 100, 800, 100);
    p.setPen(QColor(20, 60, 160));
    for (int x = 0; x < 800; ++x) {
        const int from = count * x / 800;
        const int to = std::max(from + 1, count * (x + 1) / 800);
        double low = 0;
        double high = 0;
        for (int i = from; i < to && i < count; ++i) {
            low = std::min(low, sample(i));
            high = std::max(high, sample(i));
        }
        p.drawLine(x, 100 - static_cast<int>(high * 95), x, 100 - static_cast<int>(low * 95));
    }
    p.setPen(Qt::black);
    p.drawText(6, 16,
               QStringLiteral("%1: %2 samples, %3-bit")
                   .arg(pimra::media::soundName(sound))
                   .arg(count)
                   .arg(bits));
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(dir.path())) {
        return 1;
    }
    bool ok = true;
    for (int i = 1; i <= pimra::media::kTextureCount; ++i) {
        const QString name = QString::fromLatin1(pimra::media::textureInfo(i)->resourceName);
        ok = renderBoard(i).save(dir.filePath(QStringLiteral("%1-%2.png").arg(i).arg(name))) && ok;
        ok =
            renderSeams(i).save(dir.filePath(QStringLiteral("seams-%1-%2.png").arg(i).arg(name))) &&
            ok;
    }
    for (auto sound : {pimra::MoveSound::Select, pimra::MoveSound::Take, pimra::MoveSound::Put}) {
        ok = renderWave(sound).save(dir.filePath(pimra::media::soundName(sound) + ".png")) && ok;
    }
    return ok ? 0 : 1;
}
