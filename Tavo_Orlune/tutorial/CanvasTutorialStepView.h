#pragma once
#include <QWidget>

#include "tutorial/TutorialStepData.h"

class QLabel;
class TutorialVideoPlayer;

// The layout every step of the canvas tutorial shares: the step's looping video on top and,
// under it, a tinted row with the pictures of the keys on the left and a white card with the
// title and the key hint on the right. Purely presentational: no input, no state.
class CanvasTutorialStepView : public QWidget {
    Q_OBJECT
public:
    explicit CanvasTutorialStepView(const TutorialStepData &step, QWidget *parent = nullptr);

    const TutorialStepData &step() const { return m_step; }
    TutorialVideoPlayer *videoPlayer() const { return m_video; }

    static constexpr int stackSpacing = 16;
    static constexpr int rowPadding = 8;
    static constexpr int rowCornerRadius = 28;
    static constexpr int areaHeight = 230;  // the icon area and the text card
    static constexpr int cardPadding = 16;
    static constexpr int cardCornerRadius = 20;
    static constexpr int textSpacing = 8;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *makeIconArea();
    QWidget *makeTextCard();

    const TutorialStepData m_step;
    TutorialVideoPlayer *m_video;
    QWidget *m_row;
    QWidget *m_card = nullptr;
};
