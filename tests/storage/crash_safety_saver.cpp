// Helper of tst_crash_safety: saves the test's accounts to one file over and
// over until it is killed, the way Save does.
//   crash_safety_saver TARGET START
// prints "ready", then saves version START, START+1, ... (cycling) to
// TARGET with writeAccountFile, printing "saved" after each save.
#include "crash_safety_versions.h"

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/prctl.h>

int main(int argc, char **argv)
{
    // Never outlive the test that started us.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s TARGET START\n", argv[0]);
        return 2;
    }
    const QString target = QString::fromLocal8Bit(argv[1]);
    const int start = std::atoi(argv[2]);
    std::array<LoadedAccount, kCrashSafetyVersions> versions;
    std::array<AccountHeader, kCrashSafetyVersions> headers;
    std::array<EntryList, kCrashSafetyVersions> lists;
    for (int v = 0; v < kCrashSafetyVersions; ++v) {
        makeCrashSafetyVersion(v, versions[v], headers[v]);
        lists[v] = versions[v].entries();
    }
    std::puts("ready");
    std::fflush(stdout);
    try {
        // Bounded, in case nobody kills us.
        for (int i = start; i < start + 100000; ++i) {
            const int v = i % kCrashSafetyVersions;
            writeAccountFile(target, headers[v], lists[v]);
            std::puts("saved");
            std::fflush(stdout);
        }
    } catch (const HarumokaError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
