#pragma once
#include <QAbstractButton>

// A pill button of the empty-state card: a round ink badge with a glyph, then the label, on a
// translucent pill with a white hairline. Grows to 1.05 under the pointer.
class EmptyStateButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Glyph { Plus, Canvas };
    EmptyStateButton(const QString &label, Glyph glyph, QWidget *parent = nullptr);

    Glyph glyph() const { return m_glyph; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Glyph m_glyph;
};
