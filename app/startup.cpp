#include "startup.h"
#include "application.h"
#include "forms.h"
#include "pelmoraMain/form1.h"

#include <exception>

namespace Startup {

int run(int &argc, char **argv, const std::function<void(PelmoraApplication &)> &afterShow)
{
    PelmoraApplication app(argc, argv);
    try {
        Forms::createAll();
        Form1->show();
        if (afterShow)
            afterShow(app);
        app.exec();
    } catch (const std::exception &error) {
        // An error that escapes window creation or the event loop ends the program.
        PelmoraApplication::handleException(error);
    }
    Forms::destroyAll();
    return 0;
}

} // namespace Startup
