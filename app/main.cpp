#include "mainwindow.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    QTimer::singleShot(0, &window, [&window] { window.offerUnsavedRecordings(); });
    return app.exec();
}
