#include "TestMain.h"
#include "theme/Appearance.h"
#include "theme/Color.h"
#include "theme/Fonts.h"

// A process whose appearance is dark when the first tokens are read.
class TestThemeDark : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tokensKeepTheMemberOfTheirFirstRead()
    {
        Appearance::setEffective(Appearance::Match::Dark);
        QCOMPARE(Color::textPrimary(), Color::hex(u"#EAE9E3"));
        QCOMPARE(Color::panelFill().rgb(), QColor(Qt::black).rgb());
        QVERIFY(qAbs(Color::panelFill().alphaF() - 0.2) < 0.005);
        QCOMPARE(Fonts::bodyFont().weight(), QFont::Normal);

        Appearance::setEffective(Appearance::Match::Light);
        // Already read: they stay dark.
        QCOMPARE(Color::textPrimary(), Color::hex(u"#EAE9E3"));
        QCOMPARE(Fonts::bodyFont().weight(), QFont::Normal);
        // First read now: light.
        QCOMPARE(Color::controlForeground(), Color::hex(u"#272524"));
    }
};

TAVO_TEST_MAIN(TestThemeDark)
#include "tst_theme_dark.moc"
