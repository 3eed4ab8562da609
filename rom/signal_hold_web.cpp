// A page has no signals that end it, and its one thread runs each step to
// its end: the hold has nothing to hold off.

#include "rom/signal_hold.h"

namespace qorvane {

// Empty bodies, as the other platforms' are not: one declaration for all.
SignalHold::SignalHold() {}
SignalHold::~SignalHold() {}

}  // namespace qorvane
