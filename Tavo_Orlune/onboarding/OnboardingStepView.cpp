#include "onboarding/OnboardingStepView.h"
#include "Platform/Assets.h"
#include "Platform/Scheduler.h"
#include "widgets/LoadingCheckmark.h"
#include "theme/BackgroundModifiers.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/Sizes.h"

#include <QAbstractButton>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace {
constexpr int kControlSize = 32;
constexpr int kPictureSize = 73;

// A plain button drawn as its image in the image's own colours.
class ImageButton : public QAbstractButton {
public:
    ImageButton(const QString &image, int size, QWidget *parent)
        : QAbstractButton(parent), m_image(image)
    {
        setFixedSize(size, size);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.drawPixmap(rect(), Assets::pixmap(m_image, size(), devicePixelRatioF()));
    }

private:
    QString m_image;
};

QRectF aspectFill(const QSizeF &image, const QRectF &frame)
{
    QSizeF scaled = image.scaled(frame.size(), Qt::KeepAspectRatioByExpanding);
    return QRectF(frame.center() - QPointF(scaled.width() / 2, scaled.height() / 2), scaled);
}
}

// The round picture, or the placeholder symbol while there is none.
class OnboardingStepView::Picture : public QWidget {
public:
    explicit Picture(QWidget *parent) : QWidget(parent) { setFixedSize(kPictureSize, kPictureSize); }
    void setImage(const QImage &image)
    {
        m_image = image;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const QRectF frame = rect();
        const QRectF outline = frame.adjusted(0.5, 0.5, -0.5, -0.5);
        if (m_image.isNull()) {
            p.drawPixmap(frame.toRect(), Assets::pixmap(QStringLiteral("person.crop.circle.fill"), size(), devicePixelRatioF()));
        } else {
            QPainterPath circle;
            circle.addEllipse(frame);
            p.save();
            p.setClipPath(circle);
            p.drawImage(aspectFill(m_image.size(), frame), m_image);
            p.restore();
        }
        p.setPen(QPen(Qt::white, 1));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(outline);
    }

private:
    QImage m_image;
};

// The wide dark button; its fill is drawn at half opacity while disabled.
class OnboardingStepView::NextButton : public QAbstractButton {
public:
    NextButton(const QString &text, QWidget *parent) : QAbstractButton(parent)
    {
        setText(text);
        setFixedSize(int(Sizes::loginFieldWidth), int(Sizes::loginFieldHeight));
        setCursor(Qt::PointingHandCursor);
        setFont(Fonts::loginButtonFont());
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor fill = Color::loginBackground();
        fill.setAlphaF(fill.alphaF() * (isEnabled() ? 1.0 : 0.5));
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(rect(), 24, 24);
        p.setPen(Color::loginText());
        p.setFont(font());
        p.drawText(rect(), Qt::AlignCenter, text());
    }
};

// The card surface of the sign-in screens behind the step's controls.
class OnboardingStepView::Card : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        LoginCardBackgroundModifier::paint(p, rect());
    }
};

OnboardingStepView::OnboardingStepView(Fields fields, QWidget *content, QWidget *parent)
    : QWidget(parent), m_fields(std::move(fields)), m_pictureUrl(pictureUrl(m_fields.profileImageURL))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setMaximumWidth(int(Sizes::loginCardWidth));

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, int(Sizes::spacingXL), 0, int(Sizes::spacingXL));
    outer->setSpacing(0);

    auto *close = new ImageButton(QStringLiteral("ic_close"), kControlSize, this);
    close->setObjectName(QStringLiteral("closeButton"));
    connect(close, &QAbstractButton::clicked, this, [this] {
        if (m_fields.onClose)
            m_fields.onClose();
    });
    outer->addWidget(close, 0, Qt::AlignHCenter);
    outer->addSpacing(int(Sizes::spacingL));

    auto *card = new Card(this);
    auto *column = new QVBoxLayout(card);
    const int pad = int(Sizes::loginPadding);
    column->setContentsMargins(pad, pad + 8, pad, pad);
    column->setSpacing(0);

    auto *header = new QHBoxLayout;
    header->setSpacing(0);
    if (m_fields.isFirstStep) {
        header->addSpacing(kControlSize);
    } else {
        auto *back = new ImageButton(QStringLiteral("btn_back"), kControlSize, card);
        back->setObjectName(QStringLiteral("backButton"));
        connect(back, &QAbstractButton::clicked, this, [this] {
            if (m_fields.onBack)
                m_fields.onBack();
        });
        header->addWidget(back);
    }
    header->addStretch(1);
    auto *title = new QLabel(QStringLiteral("Tavo Orlune"), card);
    title->setObjectName(QStringLiteral("titleLabel"));
    title->setTextFormat(Qt::PlainText);
    title->setFont(Fonts::loginTitleFont());
    QPalette palette = title->palette();
    palette.setColor(QPalette::WindowText, Color::textPrimary());
    title->setPalette(palette);
    header->addWidget(title);
    header->addStretch(1);
    header->addSpacing(kControlSize);
    column->addLayout(header);
    column->addSpacing(m_fields.isTutorial ? int(Sizes::spacingXXL) : int(Sizes::spacingXL));

    if (!m_fields.isTutorial) {
        m_picture = new Picture(card);
        m_picture->setObjectName(QStringLiteral("profilePicture"));
        if (m_pictureUrl) {
            // Centred 8 pt right of the picture's centre; the mark keeps its own size.
            m_loadingMark = new LoadingCheckmark(true, 0, m_picture);
            m_loadingMark->setObjectName(QStringLiteral("loadingMark"));
            const int centre = kPictureSize / 2 + int(Sizes::spacingL) / 2;
            m_loadingMark->move(centre - m_loadingMark->width() / 2, kPictureSize / 2 - m_loadingMark->height() / 2);
        } else {
            m_isImageLoading = false;
        }
        column->addWidget(m_picture, 0, Qt::AlignHCenter);
        column->addSpacing(43);
    } else {
        m_isImageLoading = false;
    }

    content->setParent(card);
    column->addWidget(content, 0, Qt::AlignHCenter);
    column->addSpacing(40);

    m_next = new NextButton(m_fields.isLastStep ? QStringLiteral("Finish") : QStringLiteral("Next"), card);
    m_next->setObjectName(QStringLiteral("nextButton"));
    connect(m_next, &QAbstractButton::clicked, this, [this] {
        if (m_fields.onNext)
            m_fields.onNext();
    });
    column->addWidget(m_next, 0, Qt::AlignHCenter);

    // Return (not the keypad's Enter) takes Next while it is enabled.
    m_returnKey = new QShortcut(QKeySequence(Qt::Key_Return), this);
    m_returnKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(m_returnKey, &QShortcut::activated, m_next, &QAbstractButton::click);

    outer->addWidget(card);
    setNextEnabled(m_fields.isNextEnabled);
}

OnboardingStepView::~OnboardingStepView() = default;

void OnboardingStepView::setNextEnabled(bool enabled)
{
    m_fields.isNextEnabled = enabled;
    m_next->setEnabled(enabled);
    m_returnKey->setEnabled(enabled);
}

std::optional<QUrl> OnboardingStepView::pictureUrl(const std::optional<QString> &address)
{
    if (!address || address->isEmpty())
        return std::nullopt;
    const QUrl url(*address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return std::nullopt;
    return url;
}

void OnboardingStepView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_picture && m_pictureUrl)
        loadProfileImage(*m_pictureUrl);
}

void OnboardingStepView::setImageLoading(bool loading)
{
    m_isImageLoading = loading;
    if (m_loadingMark)
        m_loadingMark->setLoading(loading);
}

void OnboardingStepView::loadProfileImage(const QUrl &url)
{
    setImageLoading(true);
    // The downloads belong to this frame: they end with it, and nothing arrives afterwards.
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    QNetworkReply *reply = m_network->get(QNetworkRequest(url));
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64 total) {
        if (received > maxImageBytes || total > maxImageBytes)
            reply->abort();
    });
    // However slowly it trickles in, the picture is given up after this.
    Scheduler::instance().singleShot(imageDeadlineMs, reply, [reply] { reply->abort(); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        const QByteArray data = reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray();
        if (data.isEmpty())
            return setImageLoading(false);
        // Decoding stays off the main thread; the result comes back to this frame only.
        auto *watcher = new QFutureWatcher<QImage>(this);
        connect(watcher, &QFutureWatcher<QImage>::finished, this, [this, watcher] {
            watcher->deleteLater();
            const QImage image = watcher->result();
            if (!image.isNull()) {
                m_cachedImage = image;
                m_picture->setImage(image);
            }
            setImageLoading(false);
        });
        watcher->setFuture(QtConcurrent::run([data] { return QImage::fromData(data); }));
    });
}
