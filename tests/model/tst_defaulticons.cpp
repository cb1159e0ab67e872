// The predefined app shortcuts are made once per process and released when it ends: every one
// of them is destroyed by the time the process exits (checked after static destruction).
#include "model/AppIconData.h"

#include <QCoreApplication>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

std::atomic<int> destroyed{0};
int made = 0;

// Registered before the icons are made, so it runs after they are destroyed.
void checkAtExit()
{
    if (made != 29 || destroyed.load() != made) {
        std::fprintf(stderr, "FAIL: %d predefined app icons made, %d destroyed at exit\n", made, destroyed.load());
        std::fflush(stderr);
        _exit(1);
    }
    std::printf("PASS: %d predefined app icons made and destroyed\n", made);
    std::fflush(stdout);
}

}

int main(int argc, char *argv[])
{
    std::atexit(checkAtExit);
    QCoreApplication app(argc, argv);
    const QList<AppIconData *> icons = AppIconData::defaultAppIcons();
    made = int(icons.size());
    for (AppIconData *icon : icons)
        QObject::connect(icon, &QObject::destroyed, [] { ++destroyed; });
    if (AppIconData::defaultAppIcons() != icons) {
        std::fprintf(stderr, "FAIL: a second call made new objects\n");
        return 1;
    }
    return 0;
}
