#include "plugins/LoadPlugins.h"

#include "kernel/Kernel.h"
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "plugins/CurrentPluginList.h"
#include "plugins/LoadPluginsThread.h"
#include "plugins/PluginFrame.h"
#include "plugins/PluginManagement.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <cmath>
#include <vector>

namespace {

const int kWidth = 416;
const int kMargin = 8;
const int kDots = 8;

// Plug-ins that were in the list when the dialog opened: taken out of the
// list but neither unloaded nor destroyed, since loaded plug-ins live until
// the process ends.
std::vector<TQX_Plugin*>& setAsidePlugins()
{
    static auto* plugins = new std::vector<TQX_Plugin*>; // never destroyed, like the plug-ins
    return *plugins;
}

} // namespace

// ---------------------------------------------------------------------------
// TBusyIndicator
// ---------------------------------------------------------------------------

TBusyIndicator::TBusyIndicator(QWidget* parent)
    : QWidget(parent)
    , timer_(new QTimer(this))
{
    timer_->setInterval(90);
    connect(timer_, &QTimer::timeout, this, [this] {
        step_ = (step_ + 1) % kDots;
        update();
    });
}

void TBusyIndicator::Start()
{
    timer_->start();
    update();
}

void TBusyIndicator::Stop()
{
    timer_->stop();
    update();
}

bool TBusyIndicator::IsRunning() const
{
    return timer_->isActive();
}

QSize TBusyIndicator::sizeHint() const
{
    return {40, 40};
}

// A ring of dots; the brightest one moves round while running, all are grey
// when stopped.
void TBusyIndicator::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QPointF centre(width() / 2.0, height() / 2.0);
    const double radius = std::min(width(), height()) / 2.0 - 5;
    const QColor on = palette().color(QPalette::Highlight);
    const QColor off = palette().color(QPalette::Mid);
    for (int i = 0; i < kDots; ++i) {
        double angle = 2 * M_PI * i / kDots;
        QPointF at = centre + QPointF(std::cos(angle) * radius, std::sin(angle) * radius);
        QColor c = off;
        if (IsRunning()) {
            int behind = (step_ - i + kDots) % kDots;
            c = on;
            c.setAlphaF(1.0 - behind / double(kDots));
        }
        p.setBrush(c);
        p.drawEllipse(at, 3.5, 3.5);
    }
}

// ---------------------------------------------------------------------------
// TLoadPluginListForm
// ---------------------------------------------------------------------------

QString TLoadPluginListForm::LoadPluginListStrings(Text index)
{
    static const char* const texts[] = {"Pozastaveno.", "&Pozastavit", "&Pokračovat", "&Zavřít", "Dokončeno."};
    return QString::fromUtf8(texts[index]);
}

TLoadPluginListForm::TLoadPluginListForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setWindowTitle(QStringLiteral("Quorvix rel. 2"));
    setFont(QFont(QString::fromStdString(GetShellFont())));

    auto* logo = new QLabel(this);
    // Not through QPixmap's file cache: the dialog shows once per start, and
    // the cache would keep the picture for the rest of the run.
    logo->setPixmap(QPixmap::fromImage(QImage(QStringLiteral(":/images/DIALOG_LOGO_400X90"))));
    logo->setGeometry(kMargin, 0, 400, 90);

    Label1 = new QLabel(QStringLiteral("Quorvix nyní hledá a inicializuje zásuvné moduly. Tato operace může trvat od "
                                       "jedné vteřiny do několika minut, v závislosti na počtu a komplexnosti modulů."),
        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setGeometry(kMargin, 96, 400, 54);

    Animate = new TBusyIndicator(this);
    Animate->setObjectName(QStringLiteral("Animate"));
    Animate->setGeometry(kMargin, 156, 40, 40);

    Label2 = new QLabel(QStringLiteral("Inicializuje se..."), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(56, 158, 352, 18);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setTextVisible(false);
    ProgressBar->setRange(0, 1);
    ProgressBar->setValue(0);
    ProgressBar->setGeometry(56, 180, 352, 14);

    BitBtn1 = new QPushButton(LoadPluginListStrings(TextPause), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(kMargin, 212, 110, 28);
    Button1 = new QPushButton(QStringLiteral("&Detaily >>"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(kWidth - kMargin - 110, 212, 110, 28);
    connect(BitBtn1, &QPushButton::clicked, this, &TLoadPluginListForm::bitBtn1Clicked);
    connect(Button1, &QPushButton::clicked, this, &TLoadPluginListForm::button1Clicked);

    ListBox = new QListWidget(this);
    ListBox->setObjectName(QStringLiteral("ListBox"));
    ListBox->setGeometry(kMargin, kCollapsedHeight, 400, kExpandedHeight - kCollapsedHeight - kMargin);
    ListBox->addItem(QStringLiteral("Initializing..."));
    // Lines are appended, never measured against each other.
    ListBox->setUniformItemSizes(true);

    setFixedSize(kWidth, kCollapsedHeight);
    BitBtn1->setFocus();
    if (PluginPause() || WantPluginDetails())
        button1Clicked();
}

TLoadPluginListForm::~TLoadPluginListForm()
{
    // Only reached with a running loader when the dialog is destroyed without
    // being closed (closing waits for the loader): let the loader finish,
    // serving its status hand-offs meanwhile.
    if (thread_) {
        thread_->Resume();
        while (!thread_->wait(10))
            QCoreApplication::sendPostedEvents(this);
        delete thread_;
    }
}

bool TLoadPluginListForm::DetailsShown() const
{
    return height() == kExpandedHeight;
}

void TLoadPluginListForm::DisplayStatus(const QString& text, bool flagged, int index, int count)
{
    LogEvent(text.toStdString());
    // A line already on its way when the user paused must not hide "Pozastaveno.".
    if (flagged && !(thread_ && thread_->IsPaused()))
        Label2->setText(text);
    ListBox->addItem(text);
    ListBox->scrollToBottom();
    // A bar of maximum 0 would turn into Qt's busy bar; before the search has
    // found anything it stays empty.
    if (count > 0) {
        ProgressBar->setRange(0, count);
        ProgressBar->setValue(std::min(index + 1, count));
    } else {
        ProgressBar->setRange(0, 1);
        ProgressBar->setValue(0);
    }
    lastIndex_ = index;
    lastCount_ = count;
}

void TLoadPluginListForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!started_) {
        started_ = true;
        startLoader();
    }
}

void TLoadPluginListForm::startLoader()
{
    if (GetPluginCount() > 0) {
        ReportKernelWarning("Server\\LoadPlugins", KernelObjectOf(this), "FormShow: Plugin list not empty.");
        while (GetPluginCount() > 0)
            setAsidePlugins().push_back(DeletePlugin(0));
    }
    thread_ = new TLoadPluginsThread(this, QString::fromStdString(GetPluginsDir()));
    connect(thread_, &QThread::finished, this, &TLoadPluginListForm::loaderFinished, Qt::QueuedConnection);
    thread_->start();
    Animate->Start();
}

void TLoadPluginListForm::loaderFinished()
{
    if (!thread_)
        return;
    DisplayStatus(QStringLiteral("Finalizing..."), false, lastIndex_, lastCount_);
    DisplayStatus(QStringLiteral("Thread terminated."), true, lastIndex_, lastCount_);
    Label2->setText(LoadPluginListStrings(TextFinished));
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    finished_ = true;

    Button1->setEnabled(false);
    BitBtn1->setEnabled(false);
    Animate->Stop();

    AssignPluginImageIndexes();

    if (PluginPause() || WantPluginDetails()) {
        BitBtn1->setEnabled(true);
        BitBtn1->setText(LoadPluginListStrings(TextClose));
        BitBtn1->setDefault(true);
        BitBtn1->setFocus();
        emit LoadingFinished();
    } else {
        emit LoadingFinished();
        accept();
    }
}

void TLoadPluginListForm::bitBtn1Clicked()
{
    if (finished_) {
        accept();
    } else if (thread_ && thread_->IsPaused()) {
        BitBtn1->setText(LoadPluginListStrings(TextPause));
        Animate->Start();
        thread_->Resume();
    } else if (thread_) {
        BitBtn1->setText(LoadPluginListStrings(TextContinue));
        Label2->setText(LoadPluginListStrings(TextPaused));
        Animate->Stop();
        thread_->Pause();
    }
}

void TLoadPluginListForm::button1Clicked()
{
    QString caption = Button1->text();
    if (caption.contains(QLatin1String(">>"))) {
        Button1->setText(caption.replace(QLatin1String(">>"), QLatin1String("<<")));
        setFixedSize(kWidth, kExpandedHeight);
    } else {
        Button1->setText(caption.replace(QLatin1String("<<"), QLatin1String(">>")));
        setFixedSize(kWidth, kCollapsedHeight);
    }
}

void TLoadPluginListForm::closeEvent(QCloseEvent* event)
{
    if (thread_)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void TLoadPluginListForm::done(int result)
{
    // Esc and every other way of closing wait for the loader.
    if (thread_)
        return;
    QDialog::done(result);
}

void AssignPluginImageIndexes()
{
    int counter = 0;
    for (int i = 0; i < GetPluginCount(); ++i) {
        TQX_Plugin* plugin = GetPlugin(i);
        plugin->ImageIndex = counter++;
        for (int e = 0; e < plugin->GetEntryCount(); ++e)
            plugin->GetEntry(e)->ImageIndex = counter++;
    }
}

void LoadPlugins()
{
    LogEvent("Misc\\Helpers: LoadPlugins()");
    {
        TLoadPluginListForm form(PluginFrame().MainWindow());
        form.exec();
    }
    PluginFrame().RebuildPluginMenus();
}
