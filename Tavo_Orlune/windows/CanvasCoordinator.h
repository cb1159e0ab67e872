#pragma once
#include <QString>

class AudioManagerService;
class QObject;

// What the canvas content needs of the app-wide coordinator: the prompt bar submits a task
// through it and records on its recorder, and the tutorial's first-run gate asks it whether any
// integration app is installed. The coordinator implements it beside its QObject base; the
// canvas window hands the coordinator to the canvas as a QObject, which finds this port with
// dynamic_cast. Main thread only.
class CanvasCoordinator {
public:
    virtual ~CanvasCoordinator();

    // The one recorder every microphone shares.
    virtual AudioManagerService *audioService() const = 0;
    // Creates a task from the query in the category of that title and starts its answer.
    virtual void submitQuery(const QString &query, const QString &categoryTitle, bool miniAppEnabled) = 0;
    // Whether the store holds at least one installed integration app (a failed fetch: false).
    virtual bool hasInstalledApps() = 0;

    // The port of a coordinator handed over as a QObject; none for anything else.
    static CanvasCoordinator *from(QObject *coordinator);
};
