#pragma once
#include <QFont>

// The font tokens: the system font at a pixel size and weight (Fonts::bodyFont() ...). Each is
// built at its first read and constant afterwards; bodyFont alone looks at the appearance then
// (regular in dark, medium otherwise). Read them after the application object exists.
struct Fonts {
    static const QFont &storeTitleFont();
    static const QFont &popupTitleFont();
    static const QFont &headlineFont();
    static const QFont &displayFont();
    static const QFont &sectionTitleFont();
    static const QFont &emphasisFont();
    static const QFont &bodyFont();
    static const QFont &captionFont();
    static const QFont &captionBoldFont();
    static const QFont &smallFont();
    static const QFont &welcomePromptFont();
    static const QFont &welcomeCardFont();
    static const QFont &loginTitleFont();
    static const QFont &loginButtonFont();
    static const QFont &fieldLabelFont();
    static const QFont &introSubtitleFont();
    static const QFont &fieldFont();
    static const QFont &invitationBodyFont();
    static const QFont &tutorialButtonFont();

    // The system font at a pixel size and weight, for screens that give a size of their own.
    static QFont system(int pixelSize, QFont::Weight weight);
};
