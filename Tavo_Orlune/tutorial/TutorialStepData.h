#pragma once
#include <QList>
#include <QSize>
#include <QString>

// What one step of the canvas tutorial shows: its title, the key hint under it, the pictures of
// the keys (or mouse, or trackpad) involved, and the looping video of the gesture. The six
// steps keep the numbers of their views (3, 4, 5, 6, 8, 9: there is no step 7).
struct TutorialStepData {
    struct Icon {
        QString name;
        QSize size;             // the frame the picture is stretched into
        int bottomPadding = 0;  // room under the picture, which lifts it in a centred row
    };

    int number = 0;
    QString title;
    QString hint;
    QList<Icon> icons;
    QString videoName;

    // The width the icons need side by side, with their spacing.
    int iconGroupWidth() const;

    // The six steps in the order the tutorial shows them.
    static const QList<TutorialStepData> &all();
    // The step with that number; the first step for a number that has none.
    static const TutorialStepData &step(int number);

    static constexpr int iconSpacing = 12;
};
