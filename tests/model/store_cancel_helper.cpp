#include "Platform/ModalPrompt.h"
#include "model/SharedModelContainer.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <cstdio>

int main(int argc, char *argv[])
{
    QStandardPaths::setTestModeEnabled(true); // the same folders as the test that runs it
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("TavoOrlune"));
    ModalPrompt::setResponder([](const PromptRequest &) { return 1; });
    sharedModelContainer();
    std::printf("container returned\n");
    return 0;
}
