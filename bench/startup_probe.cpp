// The program's own start-up, ended as soon as its main window is shown.
#include "application.h"
#include "startup.h"

#include <QTimer>

int main(int argc, char **argv)
{
    return Startup::run(argc, argv, [](PelmoraApplication &app) {
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    });
}
