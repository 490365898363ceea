// Renders the application's SVG icon into PNG files of the hicolor theme's sizes:
//   pimra_icon_gen ICON.svg OUTPUT_DIR NAME SIZE...
// writes OUTPUT_DIR/SIZExSIZE/apps/NAME.png for every size.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s ICON.svg OUTPUT_DIR NAME SIZE...\n", argv[0]);
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QDir output(QString::fromLocal8Bit(argv[2]));
    const QString name = QString::fromLocal8Bit(argv[3]);
    for (int i = 4; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLatin1(argv[i]).toInt(&ok);
        if (!ok || size < 8 || size > 1024) {
            std::fprintf(stderr, "bad size %s\n", argv[i]);
            return 2;
        }
        QImageReader reader(source);
        reader.setScaledSize(QSize(size, size));
        const QImage image = reader.read();
        if (image.isNull()) {
            std::fprintf(stderr, "cannot render %s: %s\n", argv[1],
                         qPrintable(reader.errorString()));
            return 1;
        }
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        if (!output.mkpath(folder) ||
            !image.save(output.filePath(folder + QLatin1Char('/') + name + ".png"))) {
            std::fprintf(stderr, "cannot write the %d pixel icon\n", size);
            return 1;
        }
    }
    return 0;
}
