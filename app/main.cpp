#include "application.h"
#include "forms.h"
#include "pelmoraMain/form1.h"

#include <exception>

int main(int argc, char *argv[])
{
    PelmoraApplication app(argc, argv);
    try {
        Forms::createAll();
        Form1->show();
        app.exec();
    } catch (const std::exception &error) {
        PelmoraApplication::handleException(error);
    }
    Forms::destroyAll();
    return 0;
}
