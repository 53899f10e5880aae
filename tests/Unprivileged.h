// Runs a piece of a test as an unprivileged user. Root reads and writes any
// file whatever its mode, so a test of what happens to an unreadable file
// means nothing as root: there the body runs in a child process that has
// given up root (user and group "nobody"). As any other user it runs in the
// test process itself.
//
// The body returns "" when all is well, otherwise what went wrong; the caller
// checks it with EXPECT_EQ(..., ""). When privileges cannot be dropped the
// result starts with "skip:" and the caller skips with that message.
#pragma once

#include <functional>
#include <string>

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace nv::testing {

inline std::string runUnprivileged(const std::function<std::string()>& body) {
    if (::geteuid() != 0)
        return body();
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody)
        return "skip: no user 'nobody' to drop root privileges to";
    int fds[2];
    if (::pipe(fds) != 0)
        return "skip: no pipe to the unprivileged child";
    pid_t pid = ::fork();
    if (pid < 0)
        return "skip: cannot fork an unprivileged child";
    if (pid == 0) {
        ::close(fds[0]);
        std::string result;
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0)
            result = "skip: cannot drop root privileges (setuid nobody failed)";
        else
            result = body();
        (void)!::write(fds[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string result;
    char buf[512];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
        result.append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status))
        return "the unprivileged child died (signal " + std::to_string(WTERMSIG(status)) + ")";
    return result;
}

}  // namespace nv::testing
