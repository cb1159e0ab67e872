#pragma once
#include <QPointer>
#include <QWidget>
#include <functional>

class MiniAppToggleView;
class RecordButtonView;
class SearchViewModel;

// The row beside the prompt bar's editor: the "Dynamic App" switch and the record/send button.
// The model choice of the SearchViewModel is not offered here.
class ControlsRowView : public QWidget {
    Q_OBJECT
public:
    ControlsRowView(SearchViewModel *searchViewModel, std::function<void()> onMicrophoneTap, QWidget *parent = nullptr);

    MiniAppToggleView *miniAppToggle() const { return m_toggle; }
    RecordButtonView *recordButton() const { return m_recordButton; }

private:
    QPointer<SearchViewModel> m_searchViewModel;
    MiniAppToggleView *m_toggle;
    RecordButtonView *m_recordButton;
};
