// Runs a check without root's privileges. Permission bits do not stop root,
// so a test that a read-only file stays unwritten must run as somebody else:
// as root, `RunUnprivileged` forks a child that becomes the user nobody; as
// anybody else, it runs the check in place.

#ifndef QORVANE_TESTS_SUPPORT_UNPRIVILEGED_H_
#define QORVANE_TESTS_SUPPORT_UNPRIVILEGED_H_

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace qorvane::testing {

// Returns what `check` returned, or -1 if the child could not run it.
inline int RunUnprivileged(const std::function<int()>& check) {
  if (::geteuid() != 0) return check();
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    constexpr uid_t kNobody = 65534;
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(255);
    ::_exit(check());
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status);
}

}  // namespace qorvane::testing

#endif  // QORVANE_TESTS_SUPPORT_UNPRIVILEGED_H_
