#include "help/HelpContents.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextDocumentFragment>

#include <algorithm>

namespace qx::help {

namespace {

QString readUtf8(const QString& path, bool* ok = nullptr)
{
    QFile file(path);
    const bool opened = file.open(QIODevice::ReadOnly);
    if (ok)
        *ok = opened;
    return opened ? QString::fromUtf8(file.readAll()) : QString();
}

QStringList attributeValues(const QString& html, const QRegularExpression& re)
{
    QStringList values;
    for (auto it = re.globalMatch(html); it.hasNext();)
        values << it.next().captured(2);
    return values;
}

} // namespace

THelpContents ParseHelpContents(const QString& text)
{
    THelpContents contents;
    // The open branch: the list that entries of each depth are appended to.
    QList<QList<THelpEntry>*> levels{&contents.Entries};
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        const QString where = QStringLiteral("line %1: ").arg(n + 1);
        int blanks = 0;
        while (blanks < line.size() && line[blanks] == QLatin1Char(' '))
            ++blanks;
        const int depth = blanks / 2;
        const int separator = trimmed.indexOf(QStringLiteral(" = "));
        if (blanks % 2 != 0 || depth >= levels.size()) {
            contents.Errors << where + QStringLiteral("indentation does not fit the entry above");
            continue;
        }
        if (separator <= 0) {
            contents.Errors << where + QStringLiteral("expected \"Title = page\"");
            continue;
        }
        THelpEntry entry;
        entry.Title = trimmed.left(separator).trimmed();
        entry.Page = trimmed.mid(separator + 3).trimmed();
        levels.resize(depth + 1);
        levels[depth]->append(entry);
        levels.append(&levels[depth]->last().Children);
    }
    return contents;
}

THelpContents ReadHelpContents(const QString& helpFile)
{
    bool ok = false;
    const QString text = readUtf8(helpFile, &ok);
    if (!ok) {
        THelpContents contents;
        contents.Errors << QStringLiteral("cannot read ") + helpFile;
        return contents;
    }
    return ParseHelpContents(text);
}

QList<const THelpEntry*> FlattenContents(const QList<THelpEntry>& entries)
{
    QList<const THelpEntry*> all;
    for (const THelpEntry& e : entries) {
        all << &e;
        all << FlattenContents(e.Children);
    }
    return all;
}

QString HtmlTitle(const QString& html)
{
    static const QRegularExpression re(QStringLiteral("<title>(.*?)</title>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto m = re.match(html);
    return m.hasMatch() ? HtmlPlainText(m.captured(1)) : QString();
}

QString HtmlPlainText(const QString& html)
{
    static const QRegularExpression head(QStringLiteral("<(head|style|script)\\b.*?</\\1>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    QString body = html;
    body.remove(head);
    return QTextDocumentFragment::fromHtml(body).toPlainText().simplified();
}

QStringList HtmlAnchors(const QString& html)
{
    static const QRegularExpression re(QStringLiteral("\\b(id|name)\\s*=\\s*\"([^\"]*)\""),
        QRegularExpression::CaseInsensitiveOption);
    return attributeValues(html, re);
}

QStringList HtmlLinks(const QString& html)
{
    static const QRegularExpression re(QStringLiteral("\\b(href)\\s*=\\s*\"([^\"]*)\""),
        QRegularExpression::CaseInsensitiveOption);
    return attributeValues(html, re);
}

QString FoldForSearch(const QString& text)
{
    // Character by character, so that a position in the folded text is the
    // same position in the original.
    QString folded = text.toLower();
    for (QChar& c : folded)
        if (c.decompositionTag() == QChar::Canonical)
            c = c.decomposition().at(0);
    return folded;
}

// THelpIndex --------------------------------------------------------------------

THelpIndex::THelpIndex(const QString& helpFile)
    : helpFile_(helpFile), contents_(ReadHelpContents(helpFile))
{
    QDirIterator it(Folder(), {QStringLiteral("*.html")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        THelpPage page;
        page.Path = QDir::cleanPath(it.next());
        const QString html = readUtf8(page.Path);
        page.Title = HtmlTitle(html);
        if (page.Title.isEmpty())
            page.Title = QFileInfo(page.Path).completeBaseName();
        page.Text = HtmlPlainText(html);
        page.Anchors = HtmlAnchors(html);
        pages_ << page;
    }
    std::sort(pages_.begin(), pages_.end(), [](const THelpPage& a, const THelpPage& b) { return a.Path < b.Path; });
}

QString THelpIndex::Folder() const
{
    return QFileInfo(helpFile_).absolutePath();
}

QUrl THelpIndex::EntryUrl(const THelpEntry& entry) const
{
    QString page = entry.Page;
    QString fragment;
    const int hash = page.indexOf(QLatin1Char('#'));
    if (hash >= 0) {
        fragment = page.mid(hash + 1);
        page.truncate(hash);
    }
    QUrl url = QUrl::fromLocalFile(QDir::cleanPath(Folder() + QLatin1Char('/') + page));
    if (!fragment.isEmpty())
        url.setFragment(fragment);
    return url;
}

QUrl THelpIndex::StartPage() const
{
    return contents_.Entries.isEmpty() ? QUrl() : EntryUrl(contents_.Entries.first());
}

QList<THelpHit> THelpIndex::Search(const QString& query) const
{
    const QStringList words = FoldForSearch(query).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    QList<THelpHit> hits;
    if (words.isEmpty())
        return hits;
    for (const THelpPage& page : pages_) {
        const QString text = FoldForSearch(page.Title + QLatin1Char(' ') + page.Text);
        int score = 0;
        bool all = true;
        for (const QString& w : words) {
            const int n = int(text.count(w));
            if (n == 0) {
                all = false;
                break;
            }
            score += n;
        }
        if (all)
            hits << THelpHit{page.Path, page.Title, score};
    }
    std::sort(hits.begin(), hits.end(), [](const THelpHit& a, const THelpHit& b) {
        return a.Score != b.Score ? a.Score > b.Score : a.Title.localeAwareCompare(b.Title) < 0;
    });
    return hits;
}

QUrl THelpIndex::FindTopic(const QString& word) const
{
    const QString w = word.trimmed();
    if (w.isEmpty())
        return {};
    for (const THelpPage& page : pages_) {
        const QFileInfo info(page.Path);
        if (info.dir().dirName() == QLatin1String(kFunctionFolder)
            && info.completeBaseName().compare(w, Qt::CaseInsensitive) == 0)
            return QUrl::fromLocalFile(page.Path);
    }
    for (const THelpPage& page : pages_)
        for (const QString& anchor : page.Anchors)
            if (anchor.compare(w, Qt::CaseInsensitive) == 0) {
                QUrl url = QUrl::fromLocalFile(page.Path);
                url.setFragment(anchor);
                return url;
            }
    return {};
}

} // namespace qx::help
