#include "help/HelpViewer.h"

#include "help/HelpContents.h"
#include "kernel/Settings.h"

#include <QAction>
#include <QFile>
#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qx::help {

namespace {

QPointer<THelpViewerForm> openViewer;

const QString kTitlePrefix = QStringLiteral("Nápověda");

// Page URLs compare without their fragment: a tree entry "page#part" belongs
// to the page.
QString pageKey(const QUrl& url)
{
    return QFileInfo(url.adjusted(QUrl::RemoveFragment).toLocalFile()).canonicalFilePath();
}

QIcon themeIcon(const char* name)
{
    return QIcon::fromTheme(QLatin1String(name));
}

// Opens the viewer for the help file, or brings the open one forward
// (re-reading the pages when it showed another help file).
THelpViewerForm* viewerFor(const QString& helpFile)
{
    if (!openViewer) {
        openViewer = new THelpViewerForm(helpFile);
    } else if (QFileInfo(openViewer->HelpFile()).canonicalFilePath() != QFileInfo(helpFile).canonicalFilePath()) {
        delete openViewer;
        openViewer = new THelpViewerForm(helpFile);
    }
    THelpViewerForm* viewer = openViewer;
    viewer->show();
    if (viewer->isMinimized())
        viewer->showNormal();
    viewer->raise();
    viewer->activateWindow();
    return viewer;
}

} // namespace

QString ApplicationHelpFile()
{
    // Beside a portable program, in the shipped data of an installed one.
    return QString::fromStdString(GetSharedDataDirectory()) + QStringLiteral("Qxrel32.hlp");
}

bool IsHelpFile(const QString& path)
{
    const QFileInfo info(path);
    return info.suffix().compare(QLatin1String("hlp"), Qt::CaseInsensitive) == 0 && info.isFile()
        && info.isReadable();
}

bool ShowHelpFile(const QString& helpFile)
{
    if (!IsHelpFile(helpFile))
        return false;
    viewerFor(helpFile)->ShowStartPage();
    return true;
}

bool ShowHelpTopic(const QString& topic)
{
    const QString helpFile = ApplicationHelpFile();
    if (!IsHelpFile(helpFile))
        return false;
    viewerFor(helpFile)->ShowTopic(topic);
    return true;
}

// THelpViewerForm ------------------------------------------------------------------

THelpViewerForm::THelpViewerForm(const QString& helpFile, QWidget* parent)
    : QWidget(parent, Qt::Window), helpFile_(helpFile)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("THelpViewerForm"));
    setWindowTitle(kTitlePrefix);

    auto* toolbar = new QToolBar(this);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    back_ = toolbar->addAction(themeIcon("go-previous"), QStringLiteral("Zpět"));
    back_->setShortcut(QKeySequence::Back);
    back_->setToolTip(QStringLiteral("Zpět na předchozí stránku"));
    forward_ = toolbar->addAction(themeIcon("go-next"), QStringLiteral("Vpřed"));
    forward_->setShortcut(QKeySequence::Forward);
    forward_->setToolTip(QStringLiteral("Vpřed na další stránku"));
    QAction* home = toolbar->addAction(themeIcon("go-home"), QStringLiteral("Obsah"));
    home->setToolTip(QStringLiteral("Zobrazit úvodní stránku nápovědy"));
    home->setShortcut(QKeySequence(Qt::Key_F1));
    toolbar->addSeparator();
    QAction* printAction = toolbar->addAction(themeIcon("document-print"), QStringLiteral("Tisk..."));
    printAction->setShortcut(QKeySequence::Print);
    printAction->setToolTip(QStringLiteral("Vytisknout zobrazenou stránku"));
    QAction* find = new QAction(this);
    find->setShortcut(QKeySequence::Find);
    addAction(find);
    QAction* closeAction = new QAction(this);
    closeAction->setShortcut(QKeySequence(Qt::Key_Escape));
    addAction(closeAction);

    tabs_ = new QTabWidget;
    tree_ = new QTreeWidget;
    tree_->setHeaderHidden(true);
    tree_->setObjectName(QStringLiteral("ContentsTree"));
    tabs_->addTab(tree_, QStringLiteral("Obsah"));

    auto* searchPage = new QWidget;
    auto* searchLayout = new QVBoxLayout(searchPage);
    auto* searchLabel = new QLabel(QStringLiteral("&Hledaný text:"));
    searchEdit_ = new QLineEdit;
    searchEdit_->setObjectName(QStringLiteral("SearchEdit"));
    searchEdit_->setClearButtonEnabled(true);
    searchLabel->setBuddy(searchEdit_);
    auto* searchButton = new QPushButton(QStringLiteral("&Hledat"));
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(searchEdit_, 1);
    searchRow->addWidget(searchButton);
    results_ = new QListWidget;
    results_->setObjectName(QStringLiteral("SearchResults"));
    resultLabel_ = new QLabel;
    resultLabel_->setWordWrap(true);
    searchLayout->addWidget(searchLabel);
    searchLayout->addLayout(searchRow);
    searchLayout->addWidget(resultLabel_);
    searchLayout->addWidget(results_, 1);
    tabs_->addTab(searchPage, QStringLiteral("Hledat"));

    browser_ = new QTextBrowser;
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setOpenExternalLinks(true);

    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(tabs_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({300, 660});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar);
    layout->addWidget(splitter, 1);

    connect(back_, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(forward_, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(home, &QAction::triggered, this, &THelpViewerForm::ShowStartPage);
    connect(printAction, &QAction::triggered, this, &THelpViewerForm::print);
    connect(find, &QAction::triggered, this, [this] {
        tabs_->setCurrentIndex(1);
        searchEdit_->setFocus();
        searchEdit_->selectAll();
    });
    connect(closeAction, &QAction::triggered, this, &QWidget::close);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, &THelpViewerForm::sourceChanged);
    connect(tree_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        ShowUrl(item->data(0, Qt::UserRole).toUrl());
    });
    connect(tree_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        ShowUrl(item->data(0, Qt::UserRole).toUrl());
    });
    connect(searchEdit_, &QLineEdit::returnPressed, this, [this] { Search(searchEdit_->text()); });
    connect(searchButton, &QPushButton::clicked, this, [this] { Search(searchEdit_->text()); });
    connect(results_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { openHit(results_->row(item)); });
    connect(results_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { openHit(results_->row(item)); });
    back_->setEnabled(false);
    forward_->setEnabled(false);

    Reload();
    const QRect screen = QApplication::primaryScreen() ? QApplication::primaryScreen()->availableGeometry() : QRect();
    resize(screen.isValid() ? QSize(std::min(960, screen.width() * 4 / 5), std::min(680, screen.height() * 4 / 5))
                            : QSize(960, 680));
    if (screen.isValid())
        move(screen.center() - rect().center());
}

THelpViewerForm::~THelpViewerForm() = default;

THelpViewerForm* THelpViewerForm::Instance()
{
    return openViewer;
}

QUrl THelpViewerForm::Source() const
{
    return browser_->source();
}

void THelpViewerForm::Reload()
{
    index_ = std::make_unique<THelpIndex>(helpFile_);
    browser_->setSearchPaths({index_->Folder()});
    // The pages link their style sheet for other browsers; the text browser
    // takes the one beside the start page as its default instead.
    QFile css(QFileInfo(index_->StartPage().toLocalFile()).absolutePath() + QStringLiteral("/styl.css"));
    browser_->document()->setDefaultStyleSheet(css.open(QIODevice::ReadOnly) ? QString::fromUtf8(css.readAll()) : QString());
    buildTree();
}

void THelpViewerForm::buildTree()
{
    tree_->clear();
    std::function<void(QTreeWidgetItem*, const QList<THelpEntry>&)> add = [&](QTreeWidgetItem* parent,
                                                                                const QList<THelpEntry>& entries) {
        for (const THelpEntry& e : entries) {
            auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
            item->setText(0, e.Title);
            item->setData(0, Qt::UserRole, index_->EntryUrl(e));
            item->setIcon(0, themeIcon(e.Children.isEmpty() ? "text-x-generic" : "help-contents"));
            add(item, e.Children);
        }
    };
    add(nullptr, index_->Contents().Entries);
    // The manual's chapters open; the long lists below them stay closed.
    for (int i = 0; i < tree_->topLevelItemCount(); ++i)
        tree_->topLevelItem(i)->setExpanded(true);
}

void THelpViewerForm::ShowUrl(const QUrl& url)
{
    if (!url.isValid())
        return;
    if (url.adjusted(QUrl::RemoveFragment) == browser_->source().adjusted(QUrl::RemoveFragment) && url.hasFragment())
        browser_->scrollToAnchor(url.fragment());
    else
        browser_->setSource(url);
}

void THelpViewerForm::ShowStartPage()
{
    tabs_->setCurrentIndex(0);
    const QUrl start = index_->StartPage();
    if (start.isValid())
        ShowUrl(start);
    else
        browser_->setHtml(QStringLiteral("<p>Soubor nápovědy %1 neobsahuje žádnou stránku.</p>").arg(helpFile_.toHtmlEscaped()));
}

void THelpViewerForm::ShowTopic(const QString& topic)
{
    const QString word = topic.trimmed();
    if (word.isEmpty()) {
        ShowStartPage();
        return;
    }
    const QUrl url = index_->FindTopic(word);
    if (url.isValid()) {
        ShowUrl(url);
        return;
    }
    if (Search(word) == 0)
        ShowStartPage(), tabs_->setCurrentIndex(1);
}

int THelpViewerForm::Search(const QString& query)
{
    searchEdit_->setText(query);
    runSearch();
    if (results_->count() > 0)
        openHit(0);
    return results_->count();
}

void THelpViewerForm::runSearch()
{
    tabs_->setCurrentIndex(1);
    results_->clear();
    lastQuery_ = searchEdit_->text().trimmed();
    if (lastQuery_.isEmpty()) {
        resultLabel_->clear();
        return;
    }
    const QList<THelpHit> hits = index_->Search(lastQuery_);
    for (const THelpHit& hit : hits) {
        auto* item = new QListWidgetItem(hit.Title, results_);
        item->setData(Qt::UserRole, QUrl::fromLocalFile(hit.Path));
        item->setToolTip(QStringLiteral("Výskytů: %1").arg(hit.Score));
    }
    resultLabel_->setText(hits.isEmpty() ? QStringLiteral("Text „%1“ nebyl nalezen.").arg(lastQuery_)
                                         : QStringLiteral("Nalezené stránky: %1").arg(hits.size()));
}

void THelpViewerForm::openHit(int row)
{
    QListWidgetItem* item = results_->item(row);
    if (!item)
        return;
    results_->setCurrentRow(row);
    ShowUrl(item->data(Qt::UserRole).toUrl());
    highlightSearchWords();
}

void THelpViewerForm::highlightSearchWords()
{
    // Found as the search finds them: letter case and diacritics ignored.
    QTextDocument* doc = browser_->document();
    const QString text = FoldForSearch(doc->toRawText());
    QTextCharFormat format;
    format.setBackground(QColor(0xFF, 0xE8, 0x70));
    QList<QTextEdit::ExtraSelection> marks;
    int first = -1;
    for (const QString& word : FoldForSearch(lastQuery_).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
        for (int at = int(text.indexOf(word)); at >= 0; at = int(text.indexOf(word, at + word.size()))) {
            QTextCursor c(doc);
            c.setPosition(at);
            c.setPosition(at + int(word.size()), QTextCursor::KeepAnchor);
            marks << QTextEdit::ExtraSelection{c, format};
            if (first < 0 || at < first)
                first = at;
        }
    }
    browser_->setExtraSelections(marks);
    if (first >= 0) {
        QTextCursor at(doc);
        at.setPosition(first);
        browser_->setTextCursor(at);
        browser_->ensureCursorVisible();
    }
}

void THelpViewerForm::sourceChanged(const QUrl& url)
{
    browser_->setExtraSelections({});
    const QString title = browser_->documentTitle();
    setWindowTitle(title.isEmpty() ? kTitlePrefix : kTitlePrefix + QStringLiteral(" - ") + title);
    // Select the contents entry of the page, when it has one.
    const QString key = pageKey(url);
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        const QUrl itemUrl = (*it)->data(0, Qt::UserRole).toUrl();
        if (pageKey(itemUrl) == key && (!itemUrl.hasFragment() || itemUrl.fragment() == url.fragment())) {
            const QSignalBlocker block(tree_);
            tree_->setCurrentItem(*it);
            tree_->scrollToItem(*it);
            break;
        }
    }
}

void THelpViewerForm::print()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Tisk"));
    if (dialog.exec() == QDialog::Accepted)
        browser_->print(&printer);
}

} // namespace qx::help
