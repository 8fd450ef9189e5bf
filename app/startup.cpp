#include "startup.h"
#include "application.h"
#include "forms.h"
#include "listingprefetch.h"
#include "paths.h"
#include "pelmoraMain/form1.h"

#include <exception>

namespace Startup {

int run(int &argc, char **argv, const std::function<void(PelmoraApplication &)> &afterShow)
{
    // The main window lists the current directory's themes as it is created;
    // read them meanwhile.
    ListingPrefetch::start(Paths::join(Paths::currentDirectory(), "*.*"), FileAttr::Directory);
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
