#include "store/AppIconViewForPopup.h"
#include "Platform/Assets.h"
#include "model/AppStoreData.h"
#include "theme/Color.h"
#include "theme/TavoCircleLoading.h"
#include "theme/TemplateImage.h"
#include "widgets/RemoteImageLoader.h"

#include <QPainter>
#include <QPainterPath>

namespace {
const QString kSymbol = QStringLiteral("app.fill");
constexpr qreal kSpinnerSize = 24;

QRectF fitted(const QSizeF &content, const QRectF &frame)
{
    const QSizeF s = content.scaled(frame.size(), Qt::KeepAspectRatio);
    return QRectF(frame.center().x() - s.width() / 2, frame.center().y() - s.height() / 2, s.width(), s.height());
}
} // namespace

AppIconViewForPopup::AppIconViewForPopup(AppStoreData *app, QWidget *parent)
    : QWidget(parent)
    , m_app(app)
{
    setFixedSize(side, side);
    QColor tint = Color::textPrimary();
    tint.setAlphaF(tint.alphaF() * 0.6);
    m_spinner = new TavoCircleLoading(kSpinnerSize, tint, this);
    m_spinner->setAttribute(Qt::WA_TransparentForMouseEvents);
    const QSize spin = m_spinner->sizeHint();
    m_spinner->setGeometry((side - spin.width()) / 2, (side - spin.height()) / 2, spin.width(), spin.height());
    m_spinner->hide();
    if (app) {
        connect(app, &AppStoreData::iconURLChanged, this, &AppIconViewForPopup::iconAddressChanged);
        for (auto signal : {&AppStoreData::iconNameChanged, &AppStoreData::pipedreamIdChanged})
            connect(app, signal, this, &AppIconViewForPopup::refresh);
    }
}

AppIconViewForPopup::Content AppIconViewForPopup::content() const
{
    if (!m_appIcon.isNull())
        return Content::Logo;
    if (m_isLoadingIcon)
        return Content::Spinner;
    if (m_app && m_app->pipedreamId())
        return Content::Placeholder;
    if (m_app && !m_app->iconName().isEmpty())
        return Content::Resource;
    return Content::Placeholder;
}

void AppIconViewForPopup::loadIcon()
{
    if (!m_app)
        return;
    const std::optional<QString> address = m_app->iconURL();
    // Only catalog apps fetch a logo; the others never touch the network.
    if (!address || address->isEmpty() || !m_app->pipedreamId())
        return;
    if (!m_appIcon.isNull() || m_isLoadingIcon)
        return;
    m_isLoadingIcon = true;
    const quint64 generation = m_generation;
    QPointer<AppIconViewForPopup> guard(this);
    RemoteImageLoader::shared().load(*address, this, [guard, generation](const QImage &image) {
        if (!guard || generation != guard->m_generation)
            return;
        if (!image.isNull() && guard->m_appIcon.isNull())
            guard->m_appIcon = image;
        guard->m_isLoadingIcon = false;
        guard->refresh();
    });
    refresh();
}

void AppIconViewForPopup::iconAddressChanged()
{
    ++m_generation;
    m_appIcon = QImage();
    m_isLoadingIcon = false;
    loadIcon();
    refresh();
}

void AppIconViewForPopup::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    loadIcon();
}

void AppIconViewForPopup::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_appIcon = QImage();
    refresh();
}

void AppIconViewForPopup::refresh()
{
    m_spinner->setVisible(content() == Content::Spinner);
    update();
}

void AppIconViewForPopup::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    const QRectF frame(rect());
    QPainterPath shape;
    shape.addRoundedRect(frame, cornerRadius, cornerRadius);
    p.setClipPath(shape);
    switch (content()) {
    case Content::Logo:
        p.drawImage(fitted(m_appIcon.deviceIndependentSize(), frame), m_appIcon);
        break;
    case Content::Spinner:
        break;
    case Content::Placeholder: {
        QColor faint = Qt::white;
        faint.setAlphaF(0.1);
        p.fillRect(frame, faint);
        TemplateImage::draw(p, kSymbol, frame, Color::textPrimary());
        break;
    }
    case Content::Resource: {
        p.fillRect(frame, Qt::white);
        const QPixmap natural = Assets::pixmap(m_app->iconName(), QSize());
        if (!natural.isNull()) {
            const QRectF target = fitted(natural.size(), frame);
            p.drawPixmap(target.topLeft(), Assets::pixmap(m_app->iconName(), target.size().toSize(), devicePixelRatioF()));
        }
        break;
    }
    }
}
