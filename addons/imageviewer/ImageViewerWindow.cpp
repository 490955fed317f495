#include "ImageViewerWindow.h"

#include "FlowLayout.h"
#include "ImageFile.h"
#include "ImageView.h"

#include <QX_PluginHelpers.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QSettings>
#include <QSvgRenderer>
#include <QToolBar>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QString kCaption = QStringLiteral("Prohlížeč obrázků");

QSettings store()
{
    return QX_PluginSettings(QStringLiteral("ImageViewer"));
}

QAction* addTool(QToolBar* bar, const char* name, const QString& text, const char* icon, const QKeySequence& keys)
{
    QAction* action = bar->addAction(QIcon(QStringLiteral(":/imageviewer/icons/%1.svg").arg(QLatin1String(icon))), text);
    action->setObjectName(QString::fromLatin1(name));
    action->setToolTip(keys.isEmpty() ? text : text + QStringLiteral(" (") + keys.toString(QKeySequence::NativeText) + u')');
    return action;
}

} // namespace

TImageViewerWindow::TImageViewerWindow(QWidget* parent)
    : TQX_PluginWindow(parent)
{
    setObjectName(QStringLiteral("ImageViewerWindow"));
    setWindowIcon(QIcon(QStringLiteral(":/imageviewer/icons/image.svg")));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("viewerToolbar"));
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    view_ = new TImageView(this);
    QAction* in = addTool(bar, "actionZoomIn", QStringLiteral("Zvětšit"), "zoom-in", QKeySequence(Qt::Key_Plus));
    QAction* out = addTool(bar, "actionZoomOut", QStringLiteral("Zmenšit"), "zoom-out", QKeySequence(Qt::Key_Minus));
    QAction* actual = addTool(bar, "actionActualSize", QStringLiteral("Skutečná velikost"), "zoom-original",
        QKeySequence(Qt::Key_1));
    fit_ = addTool(bar, "actionFit", QStringLiteral("Přizpůsobit oknu"), "zoom-fit", QKeySequence(Qt::Key_F));
    fit_->setCheckable(true);
    connect(in, &QAction::triggered, view_, &TImageView::ZoomIn);
    connect(out, &QAction::triggered, view_, &TImageView::ZoomOut);
    connect(actual, &QAction::triggered, view_, [this] { view_->SetZoom(1); });
    connect(fit_, &QAction::triggered, view_, &TImageView::SetFit);
    layout->addWidget(bar);
    layout->addWidget(view_, 1);

    auto* strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("statusStrip"));
    strip->setStyleSheet(QStringLiteral("#statusStrip { background: #f6f8fa; border-top: 1px solid #d0d7de; }"
                                        "#statusStrip QLabel { color: #57606a; padding: 1px 6px; }"));
    // The facts of the picture side by side, on further lines when the
    // window is narrow; a note about the file (reloaded, deleted) in a line
    // of its own below them, wrapped: no text is cut short.
    auto* stripRows = new QVBoxLayout(strip);
    stripRows->setContentsMargins(2, 0, 2, 0);
    stripRows->setSpacing(0);
    auto* stripLayout = new TFlowLayout;
    stripLayout->setContentsMargins(0, 0, 0, 0);
    stripLayout->setSpacing(0);
    stripRows->addLayout(stripLayout);
    auto label = [strip](const char* name) {
        auto* l = new QLabel(strip);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    dimensions_ = label("dimensionsLabel");
    depth_ = label("depthLabel");
    size_ = label("sizeLabel");
    format_ = label("formatLabel");
    note_ = label("noteLabel");
    zoom_ = label("zoomLabel");
    depth_->setToolTip(QStringLiteral("Barevná hloubka obrázku v souboru"));
    size_->setToolTip(QStringLiteral("Velikost souboru na disku"));
    note_->setWordWrap(true);
    note_->hide();
    stripLayout->addWidget(dimensions_);
    stripLayout->addWidget(depth_);
    stripLayout->addWidget(size_);
    stripLayout->addWidget(format_);
    stripLayout->addWidget(zoom_);
    stripRows->addWidget(note_);
    layout->addWidget(strip);

    connect(view_, &TImageView::ZoomChanged, this, &TImageViewerWindow::updateZoom);
    reloadTimer_.setSingleShot(true);
    reloadTimer_.setInterval(200);
    connect(&reloadTimer_, &QTimer::timeout, this, &TImageViewerWindow::reload);
    rewatchTimer_.setInterval(1000);
    connect(&rewatchTimer_, &QTimer::timeout, this, [this] {
        if (QFileInfo::exists(FileName))
            reload();
    });
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { reloadTimer_.start(); });

    loadSettings();
    setWindowTitle(kCaption);
    Commands.Set(QXC_LOADFILE);
    Commands.Set(QXC_RELOADSETTINGS);
    updateStatus();
    updateZoom();
}

TImageViewerWindow::~TImageViewerWindow() = default;

void TImageViewerWindow::loadSettings()
{
    background_ = std::clamp(store().value(QStringLiteral("View/Background"), 0).toInt(), 0, 2);
    view_->SetBackground(TImageView::TBackground(background_));
}

void TImageViewerWindow::setBackground(int background)
{
    if (background < 0 || background > 2)
        return;
    store().setValue(QStringLiteral("View/Background"), background);
    loadSettings();
    QXReloadToolSettingsByClass(metaObject()->className());
}

void TImageViewerWindow::Command(uint8_t code, void* param)
{
    switch (code) {
    case QXC_LOADFILE:
        openFile(QX_FileNameParam(param));
        break;
    case QXC_COPY:
        if (!view_->IsEmpty())
            QApplication::clipboard()->setImage(view_->Picture());
        break;
    case QXC_RELOADSETTINGS:
        loadSettings();
        break;
    default:
        break;
    }
}

bool TImageViewerWindow::load(const QString& fileName, bool keepView, QString* error)
{
    TImageFile file;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = ReadImageFile(fileName, &file, error);
    QApplication::restoreOverrideCursor();
    if (!ok)
        return false;
    if (file.Drawing)
        view_->SetDrawing(std::move(file.Drawing), keepView);
    else
        view_->SetImage(file.Image, keepView);
    dimensions_->setText(QStringLiteral("%1 × %2 px").arg(file.Size.width()).arg(file.Size.height()));
    depth_->setText(QStringLiteral("Hloubka: ") + file.Depth);
    size_->setText(QStringLiteral("Soubor: ") + ImageSizeText(file.Bytes));
    format_->setText(file.Format);
    return true;
}

bool TImageViewerWindow::openFile(const QString& fileName)
{
    if (fileName.isEmpty())
        return false;
    QString error;
    if (!load(fileName, false, &error)) {
        tell(error);
        return false;
    }
    const QString absolute = QFileInfo(fileName).absoluteFilePath();
    FileName = absolute;
    setWindowTitle(QFileInfo(absolute).fileName());
    setToolTip(QDir::toNativeSeparators(absolute));
    Commands.Set(QXC_COPY);
    watch();
    QXRequestCookie(this, true);
    updateStatus();
    NotifyStateChange();
    return true;
}

void TImageViewerWindow::watch()
{
    if (!watcher_.files().isEmpty())
        watcher_.removePaths(watcher_.files());
    if (FileName.isEmpty())
        return;
    if (watcher_.addPath(FileName))
        rewatchTimer_.stop();
    else
        rewatchTimer_.start();
}

void TImageViewerWindow::reload()
{
    if (FileName.isEmpty())
        return;
    if (!QFileInfo::exists(FileName)) {
        setNote(QStringLiteral("Soubor byl smazán nebo přejmenován; zobrazen je poslední stav."));
        watch();
        return;
    }
    QString error;
    if (load(FileName, true, &error))
        setNote(QStringLiteral("Znovu načteno po změně souboru"));
    else
        setNote(QStringLiteral("Změněný soubor nelze načíst; zobrazen je poslední stav."));
    // A file replaced by renaming is a new file: watch it again.
    watch();
}

void TImageViewerWindow::setNote(const QString& text)
{
    note_->setText(text);
    note_->setVisible(!text.isEmpty());
}

void TImageViewerWindow::updateStatus()
{
    if (view_->IsEmpty()) {
        dimensions_->setText(QStringLiteral("Žádný obrázek"));
        depth_->clear();
        size_->clear();
        format_->clear();
    }
}

void TImageViewerWindow::updateZoom()
{
    zoom_->setText(QStringLiteral("Lupa: %1 %").arg(std::lround(view_->Zoom() * 100)));
    fit_->setChecked(view_->Fit());
}

void TImageViewerWindow::LoadCookie(const QString& cookie)
{
    double zoom = 0;
    bool fit = true;
    for (const QString& part : cookie.split(u';', Qt::SkipEmptyParts)) {
        const QString key = part.section(u'=', 0, 0), value = part.section(u'=', 1);
        if (key == QLatin1String("zoom"))
            zoom = value.toDouble();
        else if (key == QLatin1String("fit"))
            fit = value != QLatin1String("0");
    }
    if (!fit && zoom > 0)
        view_->SetZoom(zoom);
    else
        view_->SetFit(true);
}

void TImageViewerWindow::SaveCookie(QString& cookie)
{
    cookie = QStringLiteral("zoom=%1;fit=%2").arg(view_->Zoom()).arg(view_->Fit() ? 1 : 0);
}

void TImageViewerWindow::closeEvent(QCloseEvent* event)
{
    QX_CloseDocumentWindow(this, event, true, nullptr);
}

void TImageViewerWindow::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    const bool any = !view_->IsEmpty();
    menu.addAction(QStringLiteral("Kopírovat obrázek"), this, [this] { Command(QXC_COPY, nullptr); })->setEnabled(any);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Zvětšit"), view_, &TImageView::ZoomIn)->setEnabled(any);
    menu.addAction(QStringLiteral("Zmenšit"), view_, &TImageView::ZoomOut)->setEnabled(any);
    menu.addAction(QStringLiteral("Skutečná velikost"), this, [this] { view_->SetZoom(1); })->setEnabled(any);
    QAction* fit = menu.addAction(QStringLiteral("Přizpůsobit oknu"), this, [this](bool on) { view_->SetFit(on); });
    fit->setCheckable(true);
    fit->setChecked(view_->Fit());
    fit->setEnabled(any);
    menu.addSeparator();
    QMenu* backgrounds = menu.addMenu(QStringLiteral("Pozadí průhledných míst"));
    const QString names[] = {QStringLiteral("Šachovnice"), QStringLiteral("Světlé"), QStringLiteral("Tmavé")};
    for (int i = 0; i < 3; ++i) {
        QAction* a = backgrounds->addAction(names[i], this, [this, i] { setBackground(i); });
        a->setCheckable(true);
        a->setChecked(i == background_);
    }
    menu.exec(event->globalPos());
}

void TImageViewerWindow::tell(const QString& text)
{
    QX_Tell(this, kCaption, text, true, QStringLiteral("ImageViewerMessage"));
}
