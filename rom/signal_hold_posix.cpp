#include <signal.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <mutex>

#include "rom/signal_hold.h"

namespace qorvane {
namespace {

constexpr std::array<int, 3> kHeldSignals{SIGINT, SIGTERM, SIGHUP};

// The outermost hold of a thread takes the lock until it ends, so that one
// thread at a time holds.
std::mutex hold_lock;
thread_local int depth = 0;
std::array<struct sigaction, kHeldSignals.size()> saved_actions{};
std::atomic<unsigned> noted{0};  // one bit per held signal
static_assert(std::atomic<unsigned>::is_always_lock_free);

extern "C" void NoteSignal(int signal) {
  for (std::size_t i = 0; i < kHeldSignals.size(); ++i) {
    if (kHeldSignals[i] == signal) noted |= 1u << i;
  }
}

}  // namespace

// The signal calls fail only for invalid arguments, which they never get.

SignalHold::SignalHold() {
  if (depth++ > 0) return;
  hold_lock.lock();
  struct sigaction note {};
  note.sa_handler = NoteSignal;
  note.sa_flags = SA_RESTART;
  sigfillset(&note.sa_mask);
  for (std::size_t i = 0; i < kHeldSignals.size(); ++i) {
    sigaction(kHeldSignals[i], nullptr, &saved_actions[i]);
    if (saved_actions[i].sa_handler != SIG_IGN) {
      sigaction(kHeldSignals[i], &note, nullptr);
    }
  }
}

SignalHold::~SignalHold() {
  if (--depth > 0) return;
  for (std::size_t i = 0; i < kHeldSignals.size(); ++i) {
    sigaction(kHeldSignals[i], &saved_actions[i], nullptr);
  }
  const unsigned signals = noted.exchange(0);
  hold_lock.unlock();
  for (std::size_t i = 0; i < kHeldSignals.size(); ++i) {
    if (signals & (1u << i)) raise(kHeldSignals[i]);
  }
}

}  // namespace qorvane
