// A page has no signals that end it, and its one thread runs each step to
// its end: the hold has nothing to hold off.

#include "rom/signal_hold.h"

namespace qorvane {

SignalHold::SignalHold() = default;
SignalHold::~SignalHold() = default;

}  // namespace qorvane
