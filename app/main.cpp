// lumivane: the main window.
#include "app/CLumivaneApp.h"

int main(int argc, char** argv) {
    CLumivaneApp app(argc, argv);
    return app.Run();
}
