#include "fault_support.h"
#include "testdata.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

std::string MakeFastTempDir()
{
#ifdef _WIN32
    return MakeTempDir();
#else
    struct stat st;
    if (stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && access("/dev/shm", W_OK) == 0)
    {
        char name[] = "/dev/shm/velloran-faults-XXXXXX";
        if (mkdtemp(name)) return name;
    }
    return MakeTempDir();
#endif
}

bool RunningAsRoot()
{
#ifdef _WIN32
    return true; // a read-only attribute does not stop file creation in a Windows folder
#else
    return geteuid() == 0;
#endif
}

#ifndef _WIN32
uint64_t NowMicros()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint64_t)ts.tv_sec * 1000000u + (uint64_t)ts.tv_nsec / 1000u;
}

bool RunAndKill(const std::function<void(const std::function<void()>& ready)>& work, uint32_t delayMicros)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return false;
    pid_t pid = fork();
    if (pid == 0)
    {
        close(pipeFds[0]);
        work([&] {
            char c = 1;
            if (write(pipeFds[1], &c, 1) != 1) _exit(3);
        });
        _exit(0);
    }
    close(pipeFds[1]);
    char c;
    bool ready = read(pipeFds[0], &c, 1) == 1;
    close(pipeFds[0]);
    if (ready && delayMicros != LET_IT_FINISH)
    {
        if (delayMicros > 0) usleep(delayMicros);
        kill(pid, SIGKILL);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFSIGNALED(status);
}
#endif
