#include "outline/OutlineParser.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <map>

namespace {

// Document language names (as the text editor and other plug-ins name them)
// and the parser's names for them.
struct LanguageRow {
    const char* document;
    const char* ctags;
};
constexpr LanguageRow kLanguages[] = {
    {"cpp", "C++"}, {"c", "C"}, {"c++", "C++"}, {"csharp", "C#"}, {"java", "Java"}, {"javascript", "JavaScript"},
    {"typescript", "TypeScript"}, {"python", "Python"}, {"shell", "Sh"}, {"sh", "Sh"}, {"bash", "Sh"},
    {"markdown", "Markdown"}, {"pascal", "Pascal"}, {"qxscript", "Pascal"}, {"perl", "Perl"}, {"ruby", "Ruby"},
    {"lua", "Lua"}, {"sql", "SQL"}, {"makefile", "Make"}, {"cmake", "CMake"}, {"html", "HTML"}, {"xml", "XML"},
    {"css", "CSS"}, {"json", "JSON"}, {"yaml", "Yaml"}, {"ini", "Iniconf"}, {"tex", "Tex"}, {"diff", "Diff"},
    {"batch", "DosBatch"}, {"go", "Go"}, {"rust", "Rust"}, {"kotlin", "Kotlin"}, {"php", "PHP"}, {"tcl", "Tcl"},
    {"r", "R"}, {"haskell", "Haskell"}, {"erlang", "Erlang"}, {"elixir", "Elixir"}, {"scheme", "Scheme"},
    {"lisp", "Lisp"}, {"ocaml", "OCaml"}, {"fortran", "Fortran"}, {"ada", "Ada"}, {"vhdl", "VHDL"},
    {"verilog", "Verilog"}, {"asm", "Asm"}, {"awk", "Awk"}, {"vim", "Vim"}, {"d", "D"},
    {"objectivec", "ObjectiveC"}, {"protobuf", "Protobuf"}, {"julia", "Julia"}, {"rst", "ReStructuredText"},
    {"asciidoc", "Asciidoc"},
};

// A scope separator sits between the parent's own scope and its name:
// "::" (C++), "." (Python, Java), '""' (Markdown headings)...
bool isSeparator(QStringView text)
{
    if (text.isEmpty() || text.size() > 3)
        return false;
    for (QChar c : text)
        if (c.isLetterOrNumber() || c == u'_')
            return false;
    return true;
}

struct RawTag {
    TOutlineSymbol symbol;
    QString scope;
    QString scopeKind;
};

} // namespace

QString CtagsLanguage(const QString& language, const QString& fileName)
{
    const QString name = language.trimmed().toLower();
    if (name.isEmpty())
        return {};
    if (name == u"cpp" && fileName.endsWith(QLatin1String(".c"), Qt::CaseSensitive))
        return QStringLiteral("C");
    if (name == u"javascript") {
        const QString suffix = QFileInfo(fileName).suffix().toLower();
        if (suffix == u"ts" || suffix == u"tsx")
            return QStringLiteral("TypeScript");
    }
    for (const LanguageRow& row : kLanguages)
        if (name == QLatin1String(row.document))
            return QLatin1String(row.ctags);
    return {};
}

std::vector<TOutlineSymbol> ParseCtagsJson(const QByteArray& output, bool* truncated)
{
    if (truncated)
        *truncated = false;
    std::vector<RawTag> tags;
    for (qsizetype start = 0; start < output.size();) {
        qsizetype end = output.indexOf('\n', start);
        if (end < 0)
            end = output.size();
        const QByteArray line = output.mid(start, end - start).trimmed();
        start = end + 1;
        if (line.isEmpty() || line.front() != '{')
            continue;
        const QJsonObject tag = QJsonDocument::fromJson(line).object();
        if (tag.value(QLatin1String("_type")).toString() != u"tag")
            continue;
        RawTag raw;
        raw.symbol.Name = tag.value(QLatin1String("name")).toString();
        raw.symbol.Line = tag.value(QLatin1String("line")).toInt();
        if (raw.symbol.Name.isEmpty() || raw.symbol.Line <= 0)
            continue;
        if (int(tags.size()) >= kMaxOutlineSymbols) {
            if (truncated)
                *truncated = true;
            break;
        }
        raw.symbol.Kind = tag.value(QLatin1String("kind")).toString();
        raw.symbol.Signature = tag.value(QLatin1String("signature")).toString();
        raw.symbol.EndLine = tag.value(QLatin1String("end")).toInt();
        raw.scope = tag.value(QLatin1String("scope")).toString();
        raw.scopeKind = tag.value(QLatin1String("scopeKind")).toString();
        tags.push_back(std::move(raw));
    }
    // Document order; a tag found earlier stays first on the same line.
    std::stable_sort(tags.begin(), tags.end(),
        [](const RawTag& a, const RawTag& b) { return a.symbol.Line < b.symbol.Line; });

    std::multimap<QString, int> byName;
    for (int i = 0; i < int(tags.size()); ++i)
        byName.emplace(tags[size_t(i)].symbol.Name, i);
    std::vector<int> parent(tags.size(), -1);
    auto ancestorOf = [&](int candidate, int child) {
        for (int p = candidate; p >= 0; p = parent[size_t(p)])
            if (p == child)
                return true;
        return false;
    };
    // Scopes no tag of the document names (members of a class declared in
    // another file): one group each, made below.
    std::map<std::pair<QString, QString>, std::vector<int>> orphans;
    for (int i = 0; i < int(tags.size()); ++i) {
        const RawTag& tag = tags[size_t(i)];
        if (tag.scope.isEmpty())
            continue;
        int best = -1;
        int bestScore = -1;
        // The parent's name ends the scope; what comes before it is the
        // parent's own scope and a separator.
        for (qsizetype cut = tag.scope.size() - 1; cut >= 0; --cut) {
            if (cut > 0 && !isSeparator(QStringView(tag.scope).mid(cut - 1, 1)))
                continue;
            const QString last = tag.scope.mid(cut);
            auto [from, to] = byName.equal_range(last);
            for (auto it = from; it != to; ++it) {
                const int c = it->second;
                const RawTag& candidate = tags[size_t(c)];
                if (c == i || (!tag.scopeKind.isEmpty() && candidate.symbol.Kind != tag.scopeKind))
                    continue;
                const QStringView before = QStringView(tag.scope).left(cut);
                const bool scopeMatches = candidate.scope.isEmpty()
                    ? before.isEmpty()
                    : before.startsWith(candidate.scope) && isSeparator(before.mid(candidate.scope.size()));
                if (!scopeMatches || ancestorOf(c, i))
                    continue;
                // Prefer the one whose body holds the tag, then the nearest
                // one before it.
                const bool holds = candidate.symbol.Line <= tag.symbol.Line
                    && (candidate.symbol.EndLine == 0 || tag.symbol.Line <= candidate.symbol.EndLine);
                const int score = (holds ? 2 : 0) + (candidate.symbol.Line <= tag.symbol.Line ? 1 : 0);
                if (score > bestScore || (score == bestScore && c > best && candidate.symbol.Line <= tag.symbol.Line)) {
                    best = c;
                    bestScore = score;
                }
            }
        }
        if (best >= 0)
            parent[size_t(i)] = best;
        else
            orphans[{tag.scope, tag.scopeKind}].push_back(i);
    }
    for (auto& [key, members] : orphans) {
        RawTag group;
        group.symbol.Name = key.first;
        group.symbol.Kind = key.second;
        group.symbol.Line = tags[size_t(members.front())].symbol.Line;
        const int index = int(tags.size());
        tags.push_back(group);
        parent.push_back(-1);
        for (int member : members)
            parent[size_t(member)] = index;
    }

    // Parents before their members, members in document order.
    std::vector<std::vector<int>> children(tags.size());
    std::vector<int> roots;
    for (int i = 0; i < int(tags.size()); ++i)
        (parent[size_t(i)] < 0 ? roots : children[size_t(parent[size_t(i)])]).push_back(i);
    auto byLine = [&](int a, int b) { return tags[size_t(a)].symbol.Line < tags[size_t(b)].symbol.Line; };
    std::stable_sort(roots.begin(), roots.end(), byLine);
    std::vector<TOutlineSymbol> symbols;
    symbols.reserve(tags.size());
    std::function<void(int, int)> add = [&](int tag, int parentIndex) {
        TOutlineSymbol symbol = std::move(tags[size_t(tag)].symbol);
        symbol.Parent = parentIndex;
        const int index = int(symbols.size());
        symbols.push_back(std::move(symbol));
        std::vector<int>& members = children[size_t(tag)];
        std::stable_sort(members.begin(), members.end(), byLine);
        for (int member : members)
            add(member, index);
    };
    for (int root : roots)
        add(root, -1);
    return symbols;
}

QString FindCtagsProgram(const QString& program)
{
    static QMutex mutex;
    static QHash<QString, bool> known;
    auto isUniversal = [](const QString& path) {
        {
            QMutexLocker lock(&mutex);
            auto it = known.constFind(path);
            if (it != known.constEnd())
                return *it;
        }
        QProcess probe;
        probe.start(path, {QStringLiteral("--options=NONE"), QStringLiteral("--version")});
        bool universal = probe.waitForFinished(5000)
            && probe.readAllStandardOutput().contains("Universal Ctags");
        if (probe.state() != QProcess::NotRunning) {
            probe.kill();
            probe.waitForFinished(1000);
        }
        QMutexLocker lock(&mutex);
        known.insert(path, universal);
        return universal;
    };
    const QStringList names = program.isEmpty()
        ? QStringList {QStringLiteral("ctags-universal"), QStringLiteral("universal-ctags"), QStringLiteral("ctags")}
        : QStringList {program};
    for (const QString& name : names) {
        const QString path = name.contains(u'/') ? (QFileInfo(name).isExecutable() ? name : QString())
                                                 : QStandardPaths::findExecutable(name);
        if (!path.isEmpty() && isUniversal(path))
            return path;
    }
    return {};
}

TOutlineResult RunOutlineParser(const TOutlineRequest& request, const std::atomic_bool& cancel)
{
    using S = TOutlineStatus;
    TOutlineResult result;
    const QString program = FindCtagsProgram(request.Program);
    if (program.isEmpty()) {
        result.Status = S::ProgramMissing;
        return result;
    }
    const QString language = CtagsLanguage(request.Language, request.FileName);
    // Without a known language the parser goes by the file's name, as it
    // does for its own files ("Makefile", "*.go").
    const QString baseName = QFileInfo(request.FileName).fileName();
    if (language.isEmpty() && baseName.isEmpty()) {
        result.Status = S::NoLanguage;
        return result;
    }
    if (cancel) {
        result.Status = S::Cancelled;
        return result;
    }

    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/qx-outline-XXXXXX"));
    QFile copy(folder.filePath(baseName.isEmpty() ? QStringLiteral("document") : baseName));
    if (!folder.isValid() || !copy.open(QIODevice::WriteOnly) || copy.write(request.Text.toUtf8()) < 0
        || !copy.flush()) {
        result.Status = S::Failed;
        result.Error = folder.isValid() ? copy.errorString() : folder.errorString();
        return result;
    }
    copy.close();

    // No option files of the user: they could change the output format.
    QStringList arguments {QStringLiteral("--options=NONE"), QStringLiteral("--output-format=json"),
        QStringLiteral("--fields=+nKSe"), QStringLiteral("--fields=-P"), QStringLiteral("--sort=no"),
        // Declarations of functions: the members of a class in a header.
        QStringLiteral("--kinds-C=+p"), QStringLiteral("--kinds-C++=+p"), QStringLiteral("-f"), QStringLiteral("-")};
    if (!language.isEmpty())
        arguments << QStringLiteral("--language-force=") + language;
    arguments << copy.fileName();

    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(10000)) {
        result.Status = S::Failed;
        result.Error = process.errorString();
        return result;
    }
    QElapsedTimer clock;
    clock.start();
    while (!process.waitForFinished(20)) {
        if (process.state() == QProcess::NotRunning)
            break;
        const bool late = clock.elapsed() > kOutlineTimeLimitMs;
        if (cancel || late) {
            process.kill();
            process.waitForFinished(2000);
            result.Status = late ? S::TimedOut : S::Cancelled;
            return result;
        }
    }
    if (cancel) {
        result.Status = S::Cancelled;
        return result;
    }
    const QByteArray output = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        result.Status = S::Failed;
        QStringList reasons;
        for (const QString& line : QString::fromLocal8Bit(process.readAllStandardError()).split(u'\n'))
            if (!line.trimmed().isEmpty() && !line.contains(QLatin1String("Notice:")))
                reasons << line.trimmed();
        result.Error = reasons.isEmpty() ? QStringLiteral("kód %1").arg(process.exitCode()) : reasons.join(u' ');
        return result;
    }
    result.Symbols = ParseCtagsJson(output, &result.Truncated);
    return result;
}
