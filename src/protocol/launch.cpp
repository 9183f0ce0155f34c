// What the command line decides before anything is built.
#include "protocol/launch.h"

#include <cstring>

namespace qorat {

Launch readLaunch(int argc, const char* const* argv) {
    Launch launch;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-xboard") == 0) launch.protocol = "xboard";
        if (std::strcmp(argv[i], "-uci") == 0) launch.protocol = "uci";
        launch.frontEnd = launch.frontEnd || launch.protocol != nullptr || std::strcmp(argv[i], "-cxboard") == 0;
    }
    return launch;
}

}  // namespace qorat
