// Runs a check with the permissions of an ordinary user, so that tests of refused access also
// run where the tests run as root (as in CI), whom permission bits do not stop.
#pragma once

#include <functional>
#include <string>

namespace kvKorvaneV10_0_3::test_support {

struct UnprivilegedOutcome {
    bool ran = false;      // false: the check could not be run as an ordinary user (see failures)
    std::string failures;  // what went wrong; empty when the check passed
};

// Runs `check`, which answers "" when it passed or what failed. Not root: in this process. Root:
// in a child process that first drops to the user "nobody" (supplementary groups, group, then
// user) and reports through its exit status, with the failure text passed back through a pipe.
// The check must not use the test framework's assertions: they would run in the child.
UnprivilegedOutcome RunUnprivileged(const std::function<std::string()>& check);

// True when the check runs in a child process as "nobody".
bool RunsAsRoot();

}  // namespace kvKorvaneV10_0_3::test_support
