#include <QApplication>

#include "QtUiServices.h"
#include "TForm1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pimra"));
    pimra::QtUiServices ui;
    pimra::TForm1 form(ui);
    form.show();
    return QApplication::exec();
}
