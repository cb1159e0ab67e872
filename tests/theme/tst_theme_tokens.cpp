#include "TestMain.h"
#include "theme/Appearance.h"
#include "theme/BlurredGradientBackgroundStore.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/Gradients.h"
#include "theme/Sizes.h"

#include <climits>

// Colour text, token resolution in the light appearance, gradient index rules.
class TestThemeTokens : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void hexColor_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("three digits") << "FFF" << QColor(255, 255, 255, 255);
        QTest::newRow("three digits with number sign") << "#FFF" << QColor(255, 255, 255, 255);
        QTest::newRow("abc") << "abc" << QColor(170, 187, 204, 255);
        QTest::newRow("six digits") << "#272524" << QColor(0x27, 0x25, 0x24, 255);
        QTest::newRow("lower and upper case") << "#eae9e3" << QColor(0xEA, 0xE9, 0xE3, 255);
        QTest::newRow("eight digits alpha first") << "80FF0000" << QColor(255, 0, 0, 128);
        QTest::newRow("eight digits not rgba") << "FF000080" << QColor(0, 0, 128, 255);
        QTest::newRow("five digits") << "12345" << QColor(0, 0, 0, 255);
        QTest::newRow("empty") << "" << QColor(0, 0, 0, 255);
        QTest::newRow("lone number sign") << "#" << QColor(0, 0, 0, 255);
        QTest::newRow("blanks and line feed trimmed") << "  #3F96F9\n" << QColor(0x3F, 0x96, 0xF9, 255);
        QTest::newRow("number sign after digits trimmed") << "FFF#" << QColor(255, 255, 255, 255);
        QTest::newRow("six non-hex letters") << "ghijkl" << QColor(0, 0, 0, 255);
        QTest::newRow("eight non-hex letters") << "ghijklmn" << QColor(0, 0, 0, 0);
        QTest::newRow("0x prefix counts as length") << "0xFF8000" << QColor(255, 128, 0, 0);
        QTest::newRow("blanks inside stay") << "12 34 56" << QColor(0, 0, 0x12, 0);
        QTest::newRow("digits stop at first non-digit") << "12G456" << QColor(0, 0, 0x12, 255);
        QTest::newRow("long text is black") << "FFFFFFFFFFFFFFFFFFFFFFFF" << QColor(0, 0, 0, 255);
        QTest::newRow("non-ascii letters count as characters") << "ééé" << QColor(0, 0, 0, 255);
    }
    void hexColor()
    {
        QFETCH(QString, text);
        QFETCH(QColor, expected);
        const QColor c = Color::hex(text);
        QCOMPARE(c.red(), expected.red());
        QCOMPARE(c.green(), expected.green());
        QCOMPARE(c.blue(), expected.blue());
        QCOMPARE(c.alpha(), expected.alpha());
    }

    void opacityMultipliesAlpha()
    {
        const QColor c = Color::hex(u"#FFFFFF", 0.8);
        QCOMPARE(c.red(), 255);
        QVERIFY(qAbs(c.alphaF() - 0.8) < 0.005);
        QVERIFY(qAbs(Color::hex(u"80FFFFFF", 0.5).alphaF() - 64.0 / 255) < 0.005);
    }

    void tokensResolveToLightMembers()
    {
        QCOMPARE(Appearance::bestMatch(), Appearance::Match::Light);
        QCOMPARE(Color::textPrimary(), Color::hex(u"#272524"));
        QCOMPARE(Color::panelFill(), Color::hex(u"#E3E2DB"));
        QVERIFY(qAbs(Color::controlFill().alphaF() - 0.8) < 0.005);
        QCOMPARE(Color::controlFill().rgb(), Color::hex(u"#FEFDF9").rgb());
        QVERIFY(qAbs(Color::canvasCardBorder().alphaF() - 0.92) < 0.005);
        // Resolved once: a token read in the light appearance stays light when it turns dark,
        // also where a caller holds on to it.
        const QColor &held = Color::glassBorder();
        Appearance::setEffective(Appearance::Match::Dark);
        QCOMPARE(Color::glassBorder(), Color::hex(u"#FFFFFF", 0.8));
        QCOMPARE(held, Color::hex(u"#FFFFFF", 0.8));
        Appearance::setEffective(Appearance::Match::Light);
        QCOMPARE(Fonts::bodyFont().weight(), QFont::Medium);
        QCOMPARE(Fonts::bodyFont().pixelSize(), 13);
        QCOMPARE(Fonts::storeTitleFont().pixelSize(), 24);
        QCOMPARE(Fonts::storeTitleFont().weight(), QFont::DemiBold);
        QCOMPARE(Fonts::loginButtonFont().weight(), QFont::Bold);
    }

    void adaptiveColorUsesLightWhenNothingMatches()
    {
        Appearance::setEffective(Appearance::Match::None);
        QCOMPARE(Color::adaptiveColor(Qt::white, Qt::black), QColor(Qt::white));
        Appearance::setEffective(Appearance::Match::Dark);
        QCOMPARE(Color::adaptiveColor(Qt::white, Qt::black), QColor(Qt::black));
        Appearance::setEffective(Appearance::Match::Light);
    }

    void sizeScale()
    {
        QCOMPARE(Sizes::spacingXS, 4.0);
        QCOMPARE(Sizes::spacingXXL, 24.0);
        QCOMPARE(Sizes::cornerRadiusLarge, 32.0);
        QCOMPARE(Sizes::cornerRadiusMedium, 26.0);
        QCOMPARE(Sizes::cornerRadiusSmall, 20.0);
    }

    void taskCardGradientIndex_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("entry");
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("4") << 4 << 0;
        QTest::newRow("-4") << -4 << 0;
        QTest::newRow("7") << 7 << 3;
        QTest::newRow("-3") << -3 << 3;
        QTest::newRow("-5") << -5 << 1;
        QTest::newRow("INT_MAX") << INT_MAX << 3;
        QTest::newRow("INT_MIN") << INT_MIN << 0;
        QTest::newRow("INT_MIN + 1") << INT_MIN + 1 << 3;
    }
    void taskCardGradientIndex()
    {
        QFETCH(int, index);
        QFETCH(int, entry);
        const LinearGradient g = Gradients::taskCardGradient(index);
        QCOMPARE(g.firstColor(), Gradients::taskCardPalette()[entry].light[0]);
        QCOMPARE(g.lastColor(), Gradients::taskCardPalette()[entry].light[1]);
        QCOMPARE(g.startPoint, LinearGradient::topLeading);
        QCOMPARE(g.endPoint, LinearGradient::bottomTrailing);
    }

    void taskCardGradientFollowsAppearanceAtEachCall()
    {
        QCOMPARE(Gradients::taskCardGradient(2).firstColor(), Color::hex(u"#FF8F6B", 0.2));
        QCOMPARE(Gradients::taskCardGradient(2).lastColor(), Color::hex(u"#D35230", 0.2));
        Appearance::setEffective(Appearance::Match::Dark);
        QCOMPARE(Gradients::taskCardGradient(2).firstColor(), Color::hex(u"#ECDDD1", 0.2));
        QCOMPARE(Gradients::taskCardGradient(2).lastColor(), Color::hex(u"#E3C89A", 0.2));
        Appearance::setEffective(Appearance::Match::Light);
    }

    void petalGradient_data()
    {
        QTest::addColumn<int>("layer");
        QTest::addColumn<double>("first");
        QTest::addColumn<double>("last");
        QTest::newRow("0") << 0 << 0.6 << 0.3;
        QTest::newRow("1") << 1 << 0.9 << 0.9;
        QTest::newRow("2") << 2 << 0.9 << 0.9;
        QTest::newRow("-1") << -1 << 0.9 << 0.9;
    }
    void petalGradient()
    {
        QFETCH(int, layer);
        QFETCH(double, first);
        QFETCH(double, last);
        const LinearGradient g = Gradients::petalGradient(layer);
        QCOMPARE(g.firstColor().rgb(), QColor(Qt::white).rgb());
        QVERIFY(qAbs(g.firstColor().alphaF() - first) < 0.005);
        QVERIFY(qAbs(g.lastColor().alphaF() - last) < 0.005);
    }

    void gradientStoreIndex_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("key"); // -1: the fallback pair
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("29") << 29 << 29;
        QTest::newRow("30 wraps to 0") << 30 << 0;
        QTest::newRow("31 wraps to 1") << 31 << 1;
        QTest::newRow("negative") << -1 << -1;
        QTest::newRow("negative multiple of 30") << -30 << 0;
        QTest::newRow("INT_MIN") << INT_MIN << -1;
        QTest::newRow("INT_MAX") << INT_MAX << INT_MAX % 30;
    }
    void gradientStoreIndex()
    {
        QFETCH(int, index);
        QFETCH(int, key);
        BlurredGradientBackgroundStore store;
        const auto pair = store.gradient(index);
        if (key < 0)
            QCOMPARE(pair, BlurredGradientBackgroundStore::fallbackPair());
        else
            QCOMPARE(pair, store.gradientColors().value(key));
    }

    void gradientStoreContents()
    {
        BlurredGradientBackgroundStore store;
        QCOMPARE(store.maxGradients(), 30);
        QCOMPARE(store.gradientColors().size(), 30);
        for (int i = 0; i < 30; ++i) {
            QVERIFY(store.gradientColors().contains(i));
            const auto pair = store.gradientColors().value(i);
            for (const QColor &c : {pair.first, pair.second}) {
                QVERIFY2(c.hsvSaturationF() >= 0.3 - 1e-3 && c.hsvSaturationF() <= 0.7 + 1e-3, qPrintable(c.name()));
                QVERIFY2(c.valueF() >= 0.7 - 1e-3 && c.valueF() <= 0.9 + 1e-3, qPrintable(c.name()));
                QCOMPARE(c.alpha(), 255);
            }
        }
        QCOMPARE(store.gradient(std::nullopt), BlurredGradientBackgroundStore::fallbackPair());
        QCOMPARE(BlurredGradientBackgroundStore::fallbackPair().first, QColor(0x86, 0xA6, 0xC1));
        QCOMPARE(BlurredGradientBackgroundStore::fallbackPair().second, QColor(0xD6, 0xD6, 0xD7));
        // Two stores draw their own colours.
        BlurredGradientBackgroundStore other;
        QVERIFY(other.gradient(0) != store.gradient(0));
    }
};

TAVO_TEST_MAIN(TestThemeTokens)
#include "tst_theme_tokens.moc"
