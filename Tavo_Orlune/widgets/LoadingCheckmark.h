#pragma once
#include <QWidget>

class QVariantAnimation;

// A small loading ring: while loading, a half-circle gradient arc turns once every 2 s inside a
// faint 28 by 28 ring; otherwise it draws nothing and takes no room.
class LoadingCheckmark : public QWidget {
    Q_OBJECT
public:
    explicit LoadingCheckmark(bool isLoading = false, qreal rotation = 0, QWidget *parent = nullptr);

    bool isLoading() const { return m_isLoading; }
    void setLoading(bool loading);
    qreal rotation() const { return m_rotation; }
    bool isSpinning() const;

    QSize sizeHint() const override { return {28, 28}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    bool m_isLoading = false;
    qreal m_rotation = 0;
    QVariantAnimation *m_spin;
};
