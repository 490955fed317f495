// The documents panel: the folder of files the user keeps at hand
// ("Dokumenty") above the recent files ("Historie"), its stored list and
// picture style, and the five Docs commands with their two dialogs.
#include "frame/FrameDocuments.h"

#include "QX_Types.h"
#include "frame/ArrangeDocs.h"
#include "frame/CustomizeDocs.h"
#include "frame/FrameStrings.h"
#include "frame/FrameWindow.h"
#include "frame/RecentFiles.h"
#include "kernel/AppInfo.h"
#include "kernel/Kernel.h"
#include "kernel/Settings.h"
#include "platform/Registry.h"
#include "plugins/PluginWindowList.h"
#include "ui/LazyIcon.h"
#include "ui/QXListView.h"

#include <QDockWidget>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QVBoxLayout>

const char* const kDocumentsKey = "Software\\Quorvix\\Structures";
const char* const kDocumentStyleKey = "Software\\Quorvix";

namespace {

const char* const kModule = "Server\\FrameWindow";
// The list is written this long after its last change, so that a program that
// is killed loses at most the last few seconds.
constexpr int kSaveDocumentsDelay = 3000;

using A = FrameAction;

} // namespace

QList<QIcon> DocumentGroupImages()
{
    static const char* const names[] = {"history-classic", "documents-classic", "history-red", "documents-red",
        "history-blue", "documents-blue"};
    QList<QIcon> images;
    for (const char* name : names)
        images.append(LazyIcon([path = QStringLiteral(":/docgroups/%1.svg").arg(QLatin1String(name))] {
            return QIcon(path);
        }));
    return images;
}

int DocumentsGroupImage(int styleIndex)
{
    return 2 * styleIndex + 1;
}

int HistoryGroupImage(int styleIndex)
{
    return 2 * styleIndex;
}

QString DocumentStyleName(int styleIndex)
{
    switch (styleIndex) {
    case 0:
        return QStringLiteral("Styl 'Windows 2000'");
    case 1:
        return QStringLiteral("Styl 'Červené knihy'");
    case 2:
        return QStringLiteral("Styl 'Modré knihy'");
    default:
        return {};
    }
}

QStringList SplitDocumentsText(const std::string& stored)
{
    const std::string text = stored.substr(0, stored.find('\0'));
    QStringList lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.append(QString::fromStdString(text.substr(start)));
            break;
        }
        lines.append(QString::fromStdString(text.substr(start, end - start)));
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

std::string JoinDocumentsText(const QStringList& paths)
{
    std::string text;
    for (const QString& path : paths)
        text += path.toStdString() + "\r\n";
    return text;
}

// ---------------------------------------------------------------------------
// The panel
// ---------------------------------------------------------------------------

void TFrameWindowForm::createDocumentsPanel()
{
    qxListViewImages_ = DocumentGroupImages();
    // The panel runs over the whole height of the left side.
    setCorner(Qt::TopLeftCorner, Qt::LeftDockWidgetArea);
    setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);
    connect(documentsToolbar_, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible)
            buildDocumentsPanel();
        TQX_PluginWindow* active = GetActiveDocumentWindow();
        // The keyboard stays where it was (the document): the list is for
        // the mouse.
        highlightDocument(active ? active->FileName : QString());
    });

    saveDocumentsTimer_ = new QTimer(this);
    saveDocumentsTimer_->setObjectName(QStringLiteral("_SaveDocumentsTimer"));
    saveDocumentsTimer_->setSingleShot(true);
    saveDocumentsTimer_->setInterval(kSaveDocumentsDelay);
    connect(saveDocumentsTimer_, &QTimer::timeout, this, &TFrameWindowForm::saveDocuments);
}

// The panel is hidden at most starts: its list is made and filled when it is
// first shown or wanted.
void TFrameWindowForm::buildDocumentsPanel()
{
    if (docQXListView_)
        return;
    auto* holder = new QWidget(documentsToolbar_);
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QLabel(QStringLiteral(" Dokumenty"), holder);
    header->setObjectName(QStringLiteral("Panel4"));
    QFont bold = header->font();
    bold.setBold(true);
    header->setFont(bold);
    header->setAutoFillBackground(true);
    QPalette colours = header->palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Dark));
    colours.setColor(QPalette::WindowText, colours.color(QPalette::HighlightedText));
    header->setPalette(colours);
    header->setContentsMargins(0, 3, 0, 3);
    layout->addWidget(header);

    docQXListView_ = new TQXListView(holder);
    docQXListView_->setObjectName(QStringLiteral("DocQXListView"));
    docQXListView_->setAccessibleName(FrameText(FrameString::DocumentsGroup));
    docQXListView_->SetAllowFocus(false);
    docQXListView_->SetImages(qxListViewImages_);
    docQXListView_->OnSelectItem = [this](TQXListView* list, int index) {
        // Opened once the click is over: opening may ask the user, and the
        // list is refilled when the file joins the recent files.
        const QString path = list->GetItemHint(index);
        QTimer::singleShot(0, this, [this, path] { OpenFile(path, DefaultEntryID()); });
    };
    layout->addWidget(docQXListView_, 1);
    holder->setMinimumWidth(160);
    documentsToolbar_->setWidget(holder);
    documentsToolbar_->setFocusProxy(docQXListView_);
    rebuildDocumentList();
}

TQXListView* TFrameWindowForm::DocQXListView()
{
    buildDocumentsPanel();
    return docQXListView_;
}

QDockWidget* TFrameWindowForm::DocumentsToolbar() const
{
    return documentsToolbar_;
}

void TFrameWindowForm::documentsChanged()
{
    rebuildDocumentList();
    saveDocumentsTimer_->start();
}

void TFrameWindowForm::SetDocumentsList(const QStringList& files)
{
    documentsList_ = files;
    documentsChanged();
}

void TFrameWindowForm::SetDocumentStyleIndex(int index)
{
    documentStyleIndex_ = index >= 0 && index < kDocumentStyleCount ? index : 0;
    documentsChanged();
}

void TFrameWindowForm::loadDocuments()
{
    try {
        qx::Registry reg;
        if (!reg.OpenKey(kDocumentsKey, true))
            throw qx::RegistryError(reg.LastError());
        if (reg.ValueExists("Docs"))
            documentsList_ = SplitDocumentsText(reg.ReadString("Docs"));
        reg.CloseKey();
        if (!reg.OpenKey(kDocumentStyleKey, true))
            throw qx::RegistryError(reg.LastError());
        if (reg.ValueExists("DocStyleIndex")) {
            const int index = reg.ReadInteger("DocStyleIndex");
            // A style the program does not have shows the first one.
            documentStyleIndex_ = index >= 0 && index < kDocumentStyleCount ? index : 0;
        }
    } catch (const std::exception&) {
        ReportKernelWarning(kModule, KernelObjectOf(this), "LoadDocuments: Unable to load document list.");
    }
    // What could be read is shown; the history group is filled in any case.
    rebuildDocumentList();
}

void TFrameWindowForm::saveDocuments()
{
    saveDocumentsTimer_->stop();
    try {
        qx::Registry reg;
        if (!reg.OpenKey(kDocumentsKey, true))
            throw qx::RegistryError(reg.LastError());
        reg.WriteString("Docs", JoinDocumentsText(documentsList_));
        reg.CloseKey();
        if (!reg.OpenKey(kDocumentStyleKey, true))
            throw qx::RegistryError(reg.LastError());
        reg.WriteInteger("DocStyleIndex", documentStyleIndex_);
    } catch (const std::exception&) {
        ReportKernelWarning(kModule, KernelObjectOf(this), "SaveDocuments: Unable to save document list.");
    }
}

void TFrameWindowForm::AddDocument(const QString& path)
{
    for (const QString& known : std::as_const(documentsList_))
        if (SameDocumentPath(known, path))
            return;
    documentsList_.prepend(path);
    documentsChanged();
}

// Adds one file item per path to the group.
static void addFileItems(TQXListView* list, int group, const QStringList& paths)
{
    for (const QString& path : paths) {
        const int item = list->AddItem(group, QFileInfo(path).fileName(), kNoImage);
        list->SetItemHint(item, path);
        list->SetItemSystemIcon(item);
    }
}

void TFrameWindowForm::rebuildDocumentList()
{
    // A list not made yet is filled when it is made.
    if (TQXListView* list = docQXListView_) {
        // The list keeps its scroll position when it is refilled (opening a
        // file from it refills it).
        const int top = list->TopIndex();
        list->BeginUpdate();
        list->Clear();
        const int documents =
            list->AddGroup(FrameText(FrameString::DocumentsGroup), DocumentsGroupImage(documentStyleIndex_));
        addFileItems(list, documents, documentsList_);
        const int history = list->AddGroup(FrameText(FrameString::HistoryGroup), HistoryGroupImage(documentStyleIndex_));
        addFileItems(list, history, recentFiles_->Items());
        list->ExpandAll();
        list->SetTopIndex(top);
        // The fresh items carry no bold flags: the active document is marked again.
        TQX_PluginWindow* active = GetActiveDocumentWindow();
        highlightDocument(active ? active->FileName : QString());
        list->EndUpdate(true);
    }
    // Demo mode shows every command enabled, as designed.
    if (DemoMode())
        return;
    Action(A::DocsClear)->setEnabled(!documentsList_.isEmpty());
    Action(A::DocsArrange)->setEnabled(!documentsList_.isEmpty());
}

void TFrameWindowForm::highlightDocument(const QString& fileName)
{
    TQXListView* list = docQXListView_;
    if (!list || !documentsToolbar_->isVisible())
        return;
    bool changed = false;
    list->BeginUpdate();
    for (int i = 0; i < list->Count(); ++i) {
        const TQXListViewItem& item = list->Item(i);
        if (item.IsGroup)
            continue;
        const bool bold = !fileName.isEmpty() && SameDocumentPath(item.Hint, fileName);
        if (list->SetItemBold(i, bold) != bold)
            changed = true;
    }
    list->EndUpdate(changed);
}

// ---------------------------------------------------------------------------
// The Docs commands
// ---------------------------------------------------------------------------

void TFrameWindowForm::Action_DocsAddCurrFileExecute()
{
    TQX_PluginWindow* active = GetActiveDocumentWindow();
    if (active && !active->FileName.isEmpty())
        AddDocument(active->FileName);
}

void TFrameWindowForm::Action_DocsAddFileExecute()
{
    // However the command ends, the panel repaints once.
    TQXListView* list = DocQXListView();
    list->BeginUpdate();
    struct EndUpdate {
        TQXListView* list;
        ~EndUpdate() { list->EndUpdate(true); }
    } end {list};

    const QStringList files = chooseFilesToOpen();
    for (int i = 0; i < files.size(); ++i) {
        SetProgressBarStatus(i + 1, int(files.size()));
        AddDocument(files[i]);
    }
    if (!files.isEmpty())
        ResetProgressBar();
}

void TFrameWindowForm::Action_DocsClearExecute()
{
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kApplicationTitle), FrameText(FrameString::ClearDocuments),
        QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("ClearDocumentsQuestion"));
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() != QMessageBox::Yes)
        return;
    documentsList_.clear();
    documentsChanged();
}

void TFrameWindowForm::Action_DocsArrangeExecute()
{
    TArrangeDocsForm form(documentsList_, this);
    if (form.exec() != QDialog::Accepted)
        return;
    documentsList_ = form.Documents();
    documentsChanged();
}

void TFrameWindowForm::Action_DocsCustomizeExecute()
{
    TCustomizeDocsForm form(documentStyleIndex_, qxListViewImages_, this);
    if (form.exec() != QDialog::Accepted)
        return;
    SetDocumentStyleIndex(form.StyleIndex());
}
