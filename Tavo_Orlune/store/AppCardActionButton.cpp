#include "store/AppCardActionButton.h"
#include "integrations/AppStoreModel.h"
#include "model/AppStoreData.h"
#include "store/AppCardSize.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/ImageBlur.h"
#include "theme/TavoCircleLoading.h"
#include "theme/TemplateImage.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr qreal kCornerRadius = 24;
constexpr qreal kIconSide = 16;
constexpr qreal kIconSpacing = 8;
constexpr qreal kShadowBlur = 8;
constexpr qreal kShadowOffsetY = 2;
constexpr qreal kShadowOpacity = 0.04;
} // namespace

QString AppCardActionButton::title(const Flags &f)
{
    if (f.busy)
        return QStringLiteral("Installing...");
    if (f.updatable)
        return QStringLiteral("Update");
    if (f.installed && f.authenticated)
        return QStringLiteral("Installed");
    if (f.installed)
        return f.verifying ? QStringLiteral("Verifying...") : QStringLiteral("Authenticate");
    return QStringLiteral("Install");
}

QString AppCardActionButton::iconName(const Flags &f)
{
    if (f.busy)
        return QStringLiteral("ic_installed");
    if (f.updatable)
        return QStringLiteral("btn_expand");
    if (f.installed && f.authenticated)
        return QStringLiteral("ic_installed");
    if (f.installed)
        return QStringLiteral("ic_authenticate");
    return QStringLiteral("ic_install");
}

QColor AppCardActionButton::foregroundColor(const Flags &f)
{
    // Where the app stands, whatever the button is busy with or offers.
    if (f.installed)
        return f.authenticated ? Color::statusBlue() : Color::statusOrange();
    return Color::textPrimary();
}

AppCardActionButton::Action AppCardActionButton::action(const Flags &f)
{
    // Separate from the title: an updatable app updates whatever else holds.
    if (f.updatable)
        return Action::UpdateApp;
    if (f.installed && !f.authenticated && !f.verifying)
        return Action::ConnectInstalledApp;
    if (!f.installed)
        return Action::ToggleInstallation;
    return Action::None;
}

AppCardActionButton::AppCardActionButton(AppStoreData *app, AppStoreModel *model, int width, QWidget *parent)
    : QAbstractButton(parent)
    , m_app(app)
    , m_model(model)
    , m_width(width)
    , m_spinner(new TavoCircleLoading(20, Color::accentBlue(), this))
{
    setFixedSize(sizeHint());
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    m_spinner->setAttribute(Qt::WA_TransparentForMouseEvents);
    const QSize spin = m_spinner->sizeHint();
    m_spinner->setGeometry(QRect(buttonRect().center() - QPoint(spin.width() / 2, spin.height() / 2), spin));
    if (app) {
        for (auto signal : {&AppStoreData::isInstalledChanged, &AppStoreData::isUpdatableChanged,
                            &AppStoreData::isAuthenticatedChanged, &AppStoreData::isVerifyingAuthChanged, &AppStoreData::idChanged})
            connect(app, signal, this, &AppCardActionButton::refresh);
    }
    if (model)
        connect(model, &AppStoreModel::appsCurrentlyInstallingChanged, this, &AppCardActionButton::refresh);
    connect(this, &QAbstractButton::clicked, this, &AppCardActionButton::performAction);
    refresh();
}

AppCardActionButton::Flags AppCardActionButton::flags() const
{
    Flags f;
    if (!m_app)
        return f;
    f.busy = m_model && m_model->isBusy(m_app);
    f.installed = m_app->isInstalled();
    f.updatable = m_app->isUpdatable();
    f.authenticated = m_app->isAuthenticated();
    f.verifying = m_app->isVerifyingAuth();
    return f;
}

QRect AppCardActionButton::buttonRect() const
{
    return QRect(padding, 0, m_width, AppCardMetrics::buttonHeight);
}

bool AppCardActionButton::isSpinnerShown() const
{
    return !m_spinner->isHidden();
}

QSize AppCardActionButton::sizeHint() const
{
    return QSize(m_width + 2 * padding, AppCardMetrics::buttonHeight + padding);
}

bool AppCardActionButton::hitButton(const QPoint &pos) const
{
    return buttonRect().contains(pos);
}

void AppCardActionButton::refresh()
{
    const Flags f = flags();
    setEnabled(!f.busy);
    m_spinner->setVisible(f.busy);
    setAccessibleName(title(f));
    update();
}

void AppCardActionButton::performAction()
{
    if (!m_app || !m_model)
        return;
    const Flags f = flags();
    // A busy button is disabled; a tap that slips through still starts nothing.
    if (f.busy)
        return;
    switch (action(f)) {
    case Action::UpdateApp:
        m_model->updateApp(m_app);
        break;
    case Action::ConnectInstalledApp:
        m_model->connectInstalledApp(m_app);
        break;
    case Action::ToggleInstallation:
        m_model->toggleInstallation(m_app);
        break;
    case Action::None:
        break;
    }
}

const QImage &AppCardActionButton::shadow()
{
    const qreal dpr = devicePixelRatioF();
    if (m_shadow.isNull() || m_shadow.devicePixelRatio() != dpr) {
        QImage shape((QSizeF(size()) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
        shape.setDevicePixelRatio(dpr);
        shape.fill(Qt::transparent);
        QPainter p(&shape);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        QColor c = Color::workspaceShade();
        c.setAlphaF(kShadowOpacity);
        p.setBrush(c);
        p.drawRoundedRect(QRectF(buttonRect()).translated(0, kShadowOffsetY), kCornerRadius, kCornerRadius);
        p.end();
        m_shadow = ImageBlur::blurred(shape, kShadowBlur / 2);
    }
    return m_shadow;
}

void AppCardActionButton::paintEvent(QPaintEvent *)
{
    const Flags f = flags();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // Busy: the whole button at 0.9.
    p.setOpacity(f.busy ? 0.9 : 1.0);
    p.drawImage(QPointF(0, 0), shadow());

    const QRectF r = buttonRect();
    QPainterPath shape;
    shape.addRoundedRect(r, kCornerRadius, kCornerRadius);
    p.fillPath(shape, Color::cardSurface());

    if (f.busy)
        return; // the row keeps its place but is transparent: the spinner shows alone
    const QString text = title(f);
    const QColor colour = foregroundColor(f);
    const QFont &font = Fonts::captionBoldFont();
    const QFontMetricsF fm(font);
    const qreal textWidth = fm.horizontalAdvance(text);
    const qreal rowWidth = kIconSide + kIconSpacing + textWidth;
    const qreal x = r.center().x() - rowWidth / 2;
    TemplateImage::draw(p, iconName(f), QRectF(x, r.center().y() - kIconSide / 2, kIconSide, kIconSide), colour);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QRectF(x + kIconSide + kIconSpacing, r.top(), textWidth + 1, r.height()), Qt::AlignVCenter | Qt::AlignLeft, text);
}
