#include "theme/Fonts.h"
#include "theme/Appearance.h"

#include <QGuiApplication>

QFont Fonts::system(int pixelSize, QFont::Weight weight)
{
    QFont f = QGuiApplication::font();
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    return f;
}

#define TAVO_FONT_TOKEN(name, size, weight)          \
    const QFont &Fonts::name()                       \
    {                                                \
        static const QFont f = system(size, weight); \
        return f;                                    \
    }

TAVO_FONT_TOKEN(storeTitleFont, 24, QFont::DemiBold)
TAVO_FONT_TOKEN(popupTitleFont, 20, QFont::DemiBold)
TAVO_FONT_TOKEN(headlineFont, 28, QFont::Medium)
TAVO_FONT_TOKEN(displayFont, 48, QFont::DemiBold)
TAVO_FONT_TOKEN(sectionTitleFont, 18, QFont::DemiBold)
TAVO_FONT_TOKEN(emphasisFont, 14, QFont::DemiBold)
TAVO_FONT_TOKEN(bodyFont, 13, Appearance::isDark() ? QFont::Normal : QFont::Medium)
TAVO_FONT_TOKEN(captionFont, 12, QFont::Medium)
TAVO_FONT_TOKEN(captionBoldFont, 12, QFont::DemiBold)
TAVO_FONT_TOKEN(smallFont, 11, QFont::Medium)
TAVO_FONT_TOKEN(welcomePromptFont, 15, QFont::Medium)
TAVO_FONT_TOKEN(welcomeCardFont, 13, QFont::Medium)
TAVO_FONT_TOKEN(loginTitleFont, 28, QFont::DemiBold)
TAVO_FONT_TOKEN(loginButtonFont, 14, QFont::Bold)
TAVO_FONT_TOKEN(fieldLabelFont, 13, QFont::DemiBold)
TAVO_FONT_TOKEN(introSubtitleFont, 18, QFont::Medium)
TAVO_FONT_TOKEN(fieldFont, 13, QFont::Medium)
TAVO_FONT_TOKEN(invitationBodyFont, 14, QFont::Medium)
TAVO_FONT_TOKEN(tutorialButtonFont, 14, QFont::Bold)

#undef TAVO_FONT_TOKEN
