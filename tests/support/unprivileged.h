// Runs a check without root's privileges, which permission bits do not stop:
// as root, in a child that becomes the user nobody; otherwise (and on
// Windows, which has no such user to become) in place.

#ifndef QORVANE_TESTS_SUPPORT_UNPRIVILEGED_H_
#define QORVANE_TESTS_SUPPORT_UNPRIVILEGED_H_

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <functional>

namespace qorvane::testing {

// Returns what `check` returned, or -1 if the child could not run it.
inline int RunUnprivileged(const std::function<int()>& check) {
#ifdef _WIN32
  return check();
#else
  if (::geteuid() != 0) return check();
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(255);  // nobody
    ::_exit(check());
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status);
#endif
}

}  // namespace qorvane::testing

#endif  // QORVANE_TESTS_SUPPORT_UNPRIVILEGED_H_
