#include "ui/PanelSupport.h"

#include <QDockWidget>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

QToolButton* NewPanelButton(QWidget* parent, const char* objectName, const QString& text, const QString& hint,
    const char* icon)
{
    auto* button = new QToolButton(parent);
    if (objectName)
        button->setObjectName(QLatin1String(objectName));
    button->setText(text);
    button->setToolTip(hint);
    button->setIcon(QIcon::fromTheme(QLatin1String(icon)));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    return button;
}

void LayOutResultsPanel(QDockWidget* panel, QWidget* body, QLabel* status, QToolButton* stop, QToolButton* clear,
    QWidget* view)
{
    auto* header = new QHBoxLayout;
    header->setContentsMargins(4, 0, 0, 0);
    header->addWidget(status, 1);
    header->addWidget(stop);
    header->addWidget(clear);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(header);
    layout->addWidget(view, 1);
    panel->setWidget(body);
}
