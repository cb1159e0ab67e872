#include "Platform/ModalPrompt.h"
#include "model/SharedModelContainer.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <cstdio>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
// As root, folder permissions would not stop the store: drop the capabilities that override
// them, so a read-only folder is read-only here too.
void dropFilePermissionOverrides()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return;
    for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
        data[cap / 32].effective &= ~(1u << (cap % 32));
        data[cap / 32].permitted &= ~(1u << (cap % 32));
    }
    ::syscall(SYS_capset, &header, data);
}
}

// Opens the application's store as the program does, answering every prompt with its cancel
// button, or with its first button when the argument is "accept", and printing each prompt.
int main(int argc, char *argv[])
{
    QStandardPaths::setTestModeEnabled(true); // the same folders as the test that runs it
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("TavoOrlune"));
    dropFilePermissionOverrides();
    const bool accept = app.arguments().contains(QStringLiteral("accept"));
    ModalPrompt::setResponder([accept](const PromptRequest &request) {
        std::printf("prompt: %s | %s\n", qPrintable(request.title), qPrintable(request.buttons.join(QStringLiteral(", "))));
        std::fflush(stdout);
        return accept || request.cancelIndex < 0 ? 0 : request.cancelIndex;
    });
    sharedModelContainer();
    std::printf("container returned\n");
    return 0;
}
