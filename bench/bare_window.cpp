// A bare Qt program showing an empty main window, then ending: the start-up baseline.
#include <QApplication>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(587, 447);
    window.show();
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}
