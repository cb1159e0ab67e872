#pragma once
#include <QImage>
#include <QWidget>
#include <optional>

class BlurredGradientBackgroundStore;

// A vertical two-colour gradient (the store's pair for `index`, first at the top), blurred by
// blurRadius with edges fading out, drawn at `opacity`. Put it behind other content (lower it
// or place it first in a stacked layout). The blur is rendered once per size and cached.
class BlurredGradientBackground : public QWidget {
    Q_OBJECT
public:
    BlurredGradientBackground(std::optional<int> index, qreal blurRadius, double opacity, QWidget *parent = nullptr);

    BlurredGradientBackgroundStore *store() const { return m_store; }
    std::optional<int> index() const { return m_index; }
    qreal blurRadius() const { return m_blurRadius; }
    double opacity() const { return m_opacity; }

    // Draws the background into rect; also used by widgets that paint it themselves.
    void paintBackground(QPainter &painter, const QRectF &rect);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    BlurredGradientBackgroundStore *m_store;
    std::optional<int> m_index;
    qreal m_blurRadius;
    double m_opacity;
    QImage m_cache;
    QSizeF m_cacheSize;
    qreal m_cacheDpr = 0;
};
