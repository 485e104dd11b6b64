// Helper of tst_crash_safety: saves the test's accounts to one file over and
// over until it is killed, the way Save does.
//   crash_safety_saver TARGET START [COUNT]
// prints "ready", then saves version START, START+1, ... (cycling) to
// TARGET with writeAccountFile, printing "saved" after each save (and a
// backup's warning to standard error), COUNT times or until it is killed.
// With HARUMOKA_SAVER_COMPANION set, each save writes the account's
// companion file (a roster of three) after it, as Save does.
#include "crash_safety_versions.h"
#include "storage/companion_file.h"

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/prctl.h>

int main(int argc, char **argv)
{
    // Never outlive the test that started us.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s TARGET START [COUNT]\n", argv[0]);
        return 2;
    }
    const QString target = QString::fromLocal8Bit(argv[1]);
    const int start = std::atoi(argv[2]);
    const int count = argc == 4 ? std::atoi(argv[3]) : 100000; // bounded, in case nobody kills us
    std::array<LoadedAccount, kCrashSafetyVersions> versions;
    std::array<AccountHeader, kCrashSafetyVersions> headers;
    std::array<EntryList, kCrashSafetyVersions> lists;
    for (int v = 0; v < kCrashSafetyVersions; ++v) {
        makeCrashSafetyVersion(v, versions[v], headers[v]);
        lists[v] = versions[v].entries();
    }
    const bool withCompanion = qEnvironmentVariableIsSet("HARUMOKA_SAVER_COMPANION");
    const Roster roster{Pupil{1, 1, QStringLiteral("𠮷田 一郎"), false}, Pupil{2, 2, QStringLiteral("髙橋 花子"), false},
                        Pupil{3, 3, QStringLiteral("﨑山 太郎"), true}};
    std::puts("ready");
    std::fflush(stdout);
    try {
        for (int i = start; i < start + count; ++i) {
            const int v = i % kCrashSafetyVersions;
            const SaveResult result = writeAccountFile(target, headers[v], lists[v]);
            if (withCompanion)
                writeCompanion(target, roster, lists[v]);
            if (!result.backupWarning.isEmpty())
                std::fprintf(stderr, "%s\n", qPrintable(result.backupWarning));
            std::puts("saved");
            std::fflush(stdout);
        }
    } catch (const HarumokaError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
