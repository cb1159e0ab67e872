#pragma once
#include <QPointer>
#include <QWidget>

#include "integrations/AppStoreModel.h"
#include "store/StoreCardGrid.h"

class QLabel;
class QScrollArea;

// The store's "Home" tab: a banner and three horizontal rows of cards, "Featured" (the whole
// featured list, large featured cards), "Productivity" (the first 10, large) and "Artificial
// Intelligence" (the first 10, small), each present only while its list is not empty, with a
// divider after each place. Read-only: every action is inside the cards.
class AppStoreHomeView : public QWidget {
    Q_OBJECT
public:
    static constexpr int rowCap = 10;
    enum Row { Featured, Productivity, Ai };

    // The model is required; `columns` is the store's grid column (kept for the pages' shared shape).
    AppStoreHomeView(AppStoreModel *viewModel, StoreCardGrid::Columns columns, QWidget *parent = nullptr);

    QScrollArea *scrollArea() const { return m_scroll; }
    StoreCardGrid *row(Row row) const { return m_rows[row]; }
    bool isSectionShown(Row row) const;
    QWidget *banner() const { return m_banner; }
    QList<QWidget *> dividers() const { return m_dividers; }

private:
    void sync(Row row);

    QPointer<AppStoreModel> m_viewModel;
    QScrollArea *m_scroll;
    QWidget *m_banner;
    QWidget *m_sections[3] {};
    StoreCardGrid *m_rows[3] {};
    QList<QWidget *> m_dividers;
};
