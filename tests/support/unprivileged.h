// Runs a check without root's privileges. Permission bits do not stop root,
// so a test that a read-only file stays unwritten must run as somebody else:
// as root, `RunUnprivileged` forks a child that becomes the user nobody; as
// anybody else, it runs the check in place. Windows has no such user to
// become: there the check runs in place, and a test finds out for itself
// whether its user may write a read-only file (Wine run as root may).

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
    constexpr uid_t kNobody = 65534;
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(255);
    ::_exit(check());
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status);
#endif
}

}  // namespace qorvane::testing

#endif  // QORVANE_TESTS_SUPPORT_UNPRIVILEGED_H_
