// What the command line decides before anything is built: whether a front end drives the
// program, which sets the signal and standard-error policy from its first instruction.
#pragma once

namespace qorat {

struct Launch {
    // "-cxboard", "-xboard" or "-uci": the front end interrupts its engine, which must not end it.
    bool frontEnd = false;
    // "-xboard" or "-uci": the protocol the program starts in; nothing may reach standard
    // error then, not even while the engine is being built.
    const char* protocol = nullptr;
};

Launch readLaunch(int argc, const char* const* argv);

}  // namespace qorat
