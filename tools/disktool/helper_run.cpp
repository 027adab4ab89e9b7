// The helper programs, run without a shell and heard only when they fail.
#include "helper_run.h"

#include <errno.h>
#include <spawn.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace disktool {

namespace {

// The environment of the helper programs: this one's, with
// SOURCE_DATE_EPOCH set to the build's time stamp when it has one (mtools
// dates the volume label by it).
std::vector<std::string> HelperEnvironment(int64_t timeStamp) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; e++) {
        if (strncmp(*e, "SOURCE_DATE_EPOCH=", 18) != 0) {
            env.push_back(*e);
        }
    }
    if (timeStamp >= 0) {
        env.push_back("SOURCE_DATE_EPOCH=" + std::to_string(timeStamp));
    }
    return env;
}

// Copies what a helper wrote to its log onto our stderr.
void ShowHelperLog(int log) {
    char buf[4096];
    ssize_t n;
    lseek(log, 0, SEEK_SET);
    while ((n = read(log, buf, sizeof buf)) > 0) {
        if (write(2, buf, n) != n) {
            break;
        }
    }
}

}  // namespace

// Runs a helper program (no shell); false with *error when it is not
// installed (package names the one that has it) or does not exit 0. Its
// output (xorriso greets on stderr even with -quiet) is shown only when it
// fails, so a clean build prints only ours.
bool RunHelper(const std::vector<std::string>& args, int64_t timeStamp, const char* package,
               std::string* error) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<std::string> env = HelperEnvironment(timeStamp);
    std::vector<char*> envp;
    for (const std::string& e : env) {
        envp.push_back(const_cast<char*>(e.c_str()));
    }
    envp.push_back(nullptr);
    // An anonymous file in memory: nothing lands outside OUTDIR. Without
    // one the helper writes straight to our stderr.
    int log = memfd_create("disktool-helper", MFD_CLOEXEC);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, log >= 0 ? log : 2, 1);
    posix_spawn_file_actions_adddup2(&actions, log >= 0 ? log : 2, 2);
    pid_t pid;
    int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    bool ran = false;
    if (spawned != 0) {
        *error = args[0] + " cannot be started: " + strerror(spawned) +
                 " (is it installed? apt-get install " + package + ")";
    } else if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        *error = args[0] + " failed on " + args.back() + " (its messages are above)";
        if (log >= 0) {
            ShowHelperLog(log);
        }
    } else {
        ran = true;
    }
    if (log >= 0) {
        close(log);
    }
    return ran;
}

}  // namespace disktool
