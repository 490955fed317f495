#include "tools/ToolOutputPanel.h"

#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>

namespace {

const QString kNothingRun = QStringLiteral("Žádný nástroj nebyl spuštěn.");
const std::vector<TToolOutputLocation> kNoLocations;

// The panel's body asks for the room of a run's page (its status and
// buttons over a text view) even while it shows only the empty note: the
// dock area shares its space by these hints.
class TPanelBody : public QStackedWidget {
public:
    using QStackedWidget::QStackedWidget;
    QSize sizeHint() const override { return QSize(480, 192).expandedTo(QStackedWidget::sizeHint()); }
};

} // namespace

TToolOutputPanel::TToolOutputPanel(QWidget* parent)
    : QDockWidget(QStringLiteral("Výstup nástroje"), parent)
{
    setObjectName(QStringLiteral("ToolOutputToolWindow"));
    body_ = new TPanelBody(this);
    body_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    empty_ = new QLabel(kNothingRun, body_);
    empty_->setAlignment(Qt::AlignCenter);
    tabs_ = new QTabWidget(body_);
    tabs_->setObjectName(QStringLiteral("ToolOutputTabs"));
    tabs_->setTabsClosable(true);
    tabs_->setDocumentMode(true);
    body_->addWidget(empty_);
    body_->addWidget(tabs_);
    setWidget(body_);
    connect(tabs_, &QTabWidget::tabCloseRequested, this, &TToolOutputPanel::closeTab);
}

// Running tools are not ended with the panel: they are programs of their own.
TToolOutputPanel::~TToolOutputPanel() = default;

bool TToolOutputPanel::Run(const QString& title, const QString& program, const QStringList& arguments,
    const QString& folder, QString* error)
{
    TToolRun* run = nullptr;
    for (int i = 0; i < tabs_->count() && !run; ++i) {
        auto* tab = static_cast<TToolRun*>(tabs_->widget(i));
        if (!tab->IsRunning() && tab->Title() == title)
            run = tab;
    }
    const bool fresh = !run;
    if (fresh) {
        run = new TToolRun;
        run->OnOpenLocation = [this](const TToolOutputLocation& place) {
            if (OnOpenLocation)
                OnOpenLocation(place);
        };
        connect(run, &TToolRun::Finished, this, [this, run](int exitCode, bool crashed) {
            const int index = tabs_->indexOf(run);
            if (index >= 0) {
                tabs_->setTabToolTip(index, run->StatusText());
                if (run->property("closeWhenDone").toBool())
                    closeTab(index);
            }
            emit Finished(exitCode, crashed);
        });
    }
    if (!run->Start(title, program, arguments, folder, error)) {
        if (fresh)
            delete run;
        return false;
    }
    if (fresh)
        tabs_->addTab(run, title);
    const int index = tabs_->indexOf(run);
    tabs_->setTabToolTip(index, run->StatusText());
    tabs_->setCurrentIndex(index);
    body_->setCurrentWidget(tabs_);
    last_ = run;
    return true;
}

void TToolOutputPanel::closeTab(int index)
{
    auto* run = static_cast<TToolRun*>(tabs_->widget(index));
    if (!run)
        return;
    if (run->IsRunning()) {
        // Closing a running tool's tab stops it; the tab goes when it ended.
        run->setProperty("closeWhenDone", true);
        run->Stop();
        return;
    }
    tabs_->removeTab(index);
    if (last_ == run)
        last_ = nullptr;
    run->deleteLater();
    if (tabs_->count() == 0)
        body_->setCurrentWidget(empty_);
}

bool TToolOutputPanel::IsRunning() const
{
    for (int i = 0; i < tabs_->count(); ++i)
        if (static_cast<TToolRun*>(tabs_->widget(i))->IsRunning())
            return true;
    return false;
}

int TToolOutputPanel::RunCount() const
{
    return tabs_->count();
}

TToolRun* TToolOutputPanel::CurrentRun() const
{
    return static_cast<TToolRun*>(tabs_->currentWidget());
}

void TToolOutputPanel::Stop()
{
    if (TToolRun* run = CurrentRun())
        run->Stop();
}

QString TToolOutputPanel::OutputText() const
{
    return CurrentRun() ? CurrentRun()->OutputText() : QString();
}

QString TToolOutputPanel::StatusText() const
{
    return CurrentRun() ? CurrentRun()->StatusText() : kNothingRun;
}

const std::vector<TToolOutputLocation>& TToolOutputPanel::Locations() const
{
    return CurrentRun() ? CurrentRun()->Locations() : kNoLocations;
}

void TToolOutputPanel::OpenLocation(int index)
{
    if (TToolRun* run = CurrentRun())
        run->OpenLocation(index);
}

bool TToolOutputPanel::OpenNextLocation(int step)
{
    if (!last_)
        return false;
    tabs_->setCurrentWidget(last_);
    return last_->OpenNextLocation(step);
}
