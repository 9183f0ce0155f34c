// What the command line decides before anything is built.
#include "protocol/launch.h"

#include <cstring>

namespace qorat {

Launch readLaunch(int argc, const char* const* argv) {
    Launch launch;
    for (int i = 1; i < argc; ++i) {
        const bool xboard = std::strcmp(argv[i], "-xboard") == 0;
        launch.xboard = launch.xboard || xboard;
        launch.frontEnd = launch.frontEnd || xboard || std::strcmp(argv[i], "-cxboard") == 0;
    }
    return launch;
}

}  // namespace qorat
