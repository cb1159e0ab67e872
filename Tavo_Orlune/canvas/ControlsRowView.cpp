#include "canvas/ControlsRowView.h"
#include "canvas/MiniAppToggleView.h"
#include "canvas/RecordButtonView.h"
#include "widgets/SearchViewModel.h"

#include <QHBoxLayout>

ControlsRowView::ControlsRowView(SearchViewModel *searchViewModel, std::function<void()> onMicrophoneTap, QWidget *parent)
    : QWidget(parent)
    , m_searchViewModel(searchViewModel)
    , m_toggle(new MiniAppToggleView(this))
    , m_recordButton(new RecordButtonView(std::move(onMicrophoneTap), this))
{
    setObjectName(QStringLiteral("controlsRow"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(m_toggle, 0, Qt::AlignVCenter);
    layout->addWidget(m_recordButton, 0, Qt::AlignVCenter);
    if (m_searchViewModel) {
        m_recordButton->setSearchText(m_searchViewModel->searchText());
        connect(m_searchViewModel, &SearchViewModel::searchTextChanged, m_recordButton, &RecordButtonView::setSearchText);
    }
}
