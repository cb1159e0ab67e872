#pragma once
#include <QHash>
#include <QList>
#include <QPointer>
#include <QWidget>

#include "integrations/AppStoreModel.h"
#include "store/AppCardSize.h"

class AppCardView;
class QAbstractScrollArea;

// A grid (or one horizontal row) of app cards keyed by identity: each card's key is a prefix
// and the app's id as text, so a new list moves the cards whose key stays, adds cards for new
// keys and drops the rest; a card keeps its own state (hover, logo, confirmation) for as long
// as its key stays in the list. Cards are built lazily: only those in or near the visible part
// of the watched scroll area exist.
class StoreCardGrid : public QWidget {
    Q_OBJECT
public:
    // One adaptive column: as many columns of at least `minimum` as fit, each at most `maximum`.
    struct Columns {
        int minimum;
        int maximum;
        int spacing;
    };
    enum class Flow { Grid, Row };

    StoreCardGrid(AppStoreModel *viewModel, AppCardSize size, bool isFeatured, Columns columns, int rowSpacing,
                  Flow flow = Flow::Grid, QWidget *parent = nullptr);

    static QString identityKey(const QString &prefix, const AppStoreData &app);
    static int columnCount(const Columns &columns, int width);

    void setApps(const QList<AppStoreData *> &apps, const QString &keyPrefix);
    // Builds cards only inside the area's viewport (and one row either side), following its scrolling.
    void watch(QAbstractScrollArea *area);

    QStringList keys() const;
    int count() const { return int(m_entries.size()); }
    // The card of a key; nothing when the key is not listed or its card has not been built yet.
    AppCardView *card(const QString &key) const { return m_cards.value(key); }
    QList<AppCardView *> builtCards() const;
    int columnCount() const { return m_flow == Flow::Row ? int(m_entries.size()) : columnCount(m_columns, width()); }
    QSize cellSize() const { return m_cell; }

    bool hasHeightForWidth() const override { return m_flow == Flow::Grid; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Entry {
        QString key;
        QPointer<AppStoreData> app;
    };
    QRect cellRect(int index, int columns, int columnWidth) const;
    int columnWidth(int columns) const;
    void realize();
    void scheduleRealize();

    QPointer<AppStoreModel> m_viewModel;
    AppCardSize m_size;
    bool m_isFeatured;
    Columns m_columns;
    int m_rowSpacing;
    Flow m_flow;
    QSize m_cell;
    QList<Entry> m_entries;
    QHash<QString, AppCardView *> m_cards;
    QPointer<QAbstractScrollArea> m_area;
    bool m_realizeScheduled = false;
};
