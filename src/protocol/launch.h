// What the command line decides before anything is built: whether a front end drives the
// program, which sets the signal and standard-error policy from its first instruction.
#pragma once

namespace qorat {

struct Launch {
    // "-cxboard" or "-xboard": the front end interrupts its engine, which must not end it.
    bool frontEnd = false;
    // "-xboard": nothing may reach standard error, not even while the engine is being built.
    bool xboard = false;
};

Launch readLaunch(int argc, const char* const* argv);

}  // namespace qorat
