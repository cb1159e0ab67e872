#include "workspace/ActionButtonsView.h"
#include "workspace/ProfilePictureView.h"
#include "theme/CircleButton.h"
#include "theme/Sizes.h"
#include "Platform/NotificationCenter.h"

#include <QHBoxLayout>

ActionButtonsView::ActionButtonsView(std::function<void()> onShowProfile, Auth0Manager *identity, RemoteImageLoader *images,
                                     QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(int(Sizes::spacingXL));
    m_profilePicture = new ProfilePictureView(std::move(onShowProfile), identity, images, this);
    m_appStoreButton = new CircleButton(QStringLiteral("btn_appstore"), nullptr, QStringLiteral("App Store"), 56, [] {
        NotificationCenter::defaultCenter().post(QStringLiteral("showCanvasAppStoreOverlay"));
    }, this);
    m_appStoreButton->setObjectName(QStringLiteral("appStoreButton"));
    row->addWidget(m_profilePicture, 0, Qt::AlignVCenter);
    row->addWidget(m_appStoreButton, 0, Qt::AlignVCenter);
}
