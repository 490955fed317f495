#include "help/HelpReference.h"

#include "help/HelpContents.h"
#include "script/ScriptErrors.h"
#include "script/ScriptValues.h"

#include <QRegularExpression>
#include <QSet>

#include <array>

namespace qx::help {

namespace {

const QString kOtherGroup = QStringLiteral("Další funkce");

QString esc(const QString& text)
{
    return text.toHtmlEscaped();
}

QString functionName(const std::string& signature)
{
    return QString::fromStdString(SignatureNameOf(signature, 0));
}

QString pageHead(const QString& title, const QString& styleSheet)
{
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"cs\">\n<head>\n<meta charset=\"utf-8\">\n<title>%1</title>\n"
                          "<link rel=\"stylesheet\" href=\"%2\">\n</head>\n<body>\n")
        .arg(esc(title), styleSheet);
}

const QString kPageEnd = QStringLiteral("</body>\n</html>\n");

// A function's group as the description file gives it, or kOtherGroup.
struct TGroupedFunction {
    std::string Signature;
    QString Description;
    THostFunctionExample Example;
};

// Groups in the file's order, each with its functions in the table's order;
// undescribed functions last.
QList<QPair<QString, QList<TGroupedFunction>>> groupFunctions(const std::vector<std::string>& signatures,
    const THostFunctionDocs& docs, const THostFunctionExamples& examples)
{
    QMap<QString, const THostFunctionDoc*> byName;
    for (const THostFunctionDoc& d : docs.Functions)
        byName.insert(d.Name.toUpper(), &d);
    QList<QPair<QString, QList<TGroupedFunction>>> groups;
    for (const QString& g : docs.Groups)
        groups.append({g, {}});
    groups.append({kOtherGroup, {}});
    for (const std::string& s : signatures) {
        const THostFunctionDoc* doc = byName.value(functionName(s).toUpper());
        const QString group = doc ? doc->Group : kOtherGroup;
        for (auto& g : groups)
            if (g.first == group) {
                g.second.append({s, doc ? doc->Description : QString(), examples.value(functionName(s))});
                break;
            }
    }
    groups.erase(std::remove_if(groups.begin(), groups.end(), [](const auto& g) { return g.second.isEmpty(); }),
        groups.end());
    return groups;
}

QString groupAnchor(int index)
{
    return QStringLiteral("skupina%1").arg(index + 1);
}

QString functionPage(const TGroupedFunction& f, const QString& group, int groupIndex,
    const QList<TGroupedFunction>& siblings)
{
    const QString name = functionName(f.Signature);
    QString html = pageHead(name, QStringLiteral("../styl.css"));
    html += QStringLiteral("<p class=\"cesta\"><a href=\"../index.html\">Obsah</a> › <a href=\"../skripty.html\">Skripty</a> › "
                           "<a href=\"index.html\">Hostitelské funkce</a> › <a href=\"index.html#%1\">%2</a></p>\n")
                .arg(groupAnchor(groupIndex), esc(group));
    html += QStringLiteral("<h1>%1</h1>\n").arg(esc(name));
    html += QStringLiteral("<pre class=\"deklarace\">%1</pre>\n").arg(esc(SignatureDeclaration(f.Signature)));
    if (!f.Description.isEmpty())
        html += QStringLiteral("<p>%1</p>\n").arg(esc(f.Description));

    const int count = SignatureParamCount(f.Signature);
    html += QStringLiteral("<h2>Parametry</h2>\n");
    if (count == 0) {
        html += QStringLiteral("<p>Funkce nemá parametry; volá se bez závorek.</p>\n");
    } else {
        html += QStringLiteral("<table>\n<tr><th>Parametr</th><th>Typ</th><th>Předání</th></tr>\n");
        for (int i = 1; i <= count; ++i) {
            QString pname = QString::fromStdString(SignatureNameOf(f.Signature, i));
            const bool byRef = pname.startsWith(QLatin1Char('!'));
            if (byRef)
                pname.remove(0, 1);
            html += QStringLiteral("<tr><td><code>%1</code></td><td>%2</td><td>%3</td></tr>\n")
                        .arg(esc(pname), ScriptTypeName(SignatureTypeOf(f.Signature, i)),
                            byRef ? QStringLiteral("odkazem (VAR): argument musí být proměnná, funkce do ní zapisuje")
                                  : QStringLiteral("hodnotou: libovolný výraz"));
        }
        html += QStringLiteral("</table>\n");
    }
    html += QStringLiteral("<h2>Výsledek</h2>\n");
    const int result = SignatureTypeOf(f.Signature, 0);
    html += result == 0 ? QStringLiteral("<p>Žádný: jde o proceduru, volá se jako samostatný příkaz.</p>\n")
                        : QStringLiteral("<p>Hodnota typu %1; funkci lze použít ve výrazu i jako samostatný příkaz "
                                         "(výsledek se pak zahodí).</p>\n")
                              .arg(ScriptTypeName(result));
    if (!f.Example.Script.isEmpty())
        html += QStringLiteral("<h2>Příklad</h2>\n<pre class=\"priklad\">%1</pre>\n<p>Výstup:</p>\n<pre class=\"vystup\">%2</pre>\n")
                    .arg(esc(f.Example.Script), esc(f.Example.Output));
    html += QStringLiteral("<p class=\"pozn\">V seznamu funkcí, který program předává modulům: <code>%1</code></p>\n")
                .arg(esc(QString::fromStdString(f.Signature)));
    QStringList related;
    for (const TGroupedFunction& s : siblings)
        if (s.Signature != f.Signature) {
            const QString other = functionName(s.Signature);
            related << QStringLiteral("<a href=\"%1.html\">%1</a>").arg(esc(other));
        }
    if (!related.isEmpty())
        html += QStringLiteral("<h2>Související funkce</h2>\n<p>%1</p>\n").arg(related.join(QStringLiteral(", ")));
    return html + kPageEnd;
}

QString functionIndex(const QList<QPair<QString, QList<TGroupedFunction>>>& groups, int total)
{
    QString html = pageHead(QStringLiteral("Hostitelské funkce"), QStringLiteral("../styl.css"));
    html += QStringLiteral("<p class=\"cesta\"><a href=\"../index.html\">Obsah</a> › <a href=\"../skripty.html\">Skripty</a> › "
                           "Hostitelské funkce</p>\n<h1>Hostitelské funkce</h1>\n");
    html += QStringLiteral("<p>Skript může volat %1 funkcí, které mu poskytuje program. Pracují s okny dokumentů, "
                           "moduly, projekty, soubory a dialogy. Každá běží v hlavním vlákně programu, zatímco skript "
                           "čeká. Názvy se píší bez ohledu na velikost písmen. Parametry označené VAR očekávají "
                           "proměnnou, do které funkce zapíše výsledek; pole se předávají vždy tímto způsobem. "
                           "Seznam je vytvořen ze stejné tabulky, kterou používá program.</p>\n")
                .arg(total);
    html += QStringLiteral("<ul class=\"skupiny\">\n");
    for (int g = 0; g < groups.size(); ++g)
        html += QStringLiteral("<li><a href=\"#%1\">%2</a> (%3)</li>\n")
                    .arg(groupAnchor(g), esc(groups[g].first))
                    .arg(groups[g].second.size());
    html += QStringLiteral("</ul>\n");
    for (int g = 0; g < groups.size(); ++g) {
        html += QStringLiteral("<h2 id=\"%1\">%2</h2>\n<table>\n<tr><th>Funkce</th><th>Popis</th></tr>\n")
                    .arg(groupAnchor(g), esc(groups[g].first));
        for (const TGroupedFunction& f : groups[g].second) {
            const QString name = functionName(f.Signature);
            html += QStringLiteral("<tr><td><a href=\"%1.html\">%1</a></td><td>%2</td></tr>\n")
                        .arg(esc(name), esc(f.Description));
        }
        html += QStringLiteral("</table>\n");
    }
    return html + kPageEnd;
}

QString errorPage()
{
    QString html = pageHead(QStringLiteral("Chybové kódy skriptů"), QStringLiteral("styl.css"));
    html += QStringLiteral("<p class=\"cesta\"><a href=\"index.html\">Obsah</a> › <a href=\"skripty.html\">Skripty</a> › "
                           "Chybové kódy</p>\n<h1>Chybové kódy skriptů</h1>\n");
    html += QStringLiteral("<p>Když skript skončí chybou, program zobrazí zprávu „Ve skriptu došlo k této chybě: "
                           "<i>text</i>.“ a otevře skript v editoru skriptů na místě chyby (je-li editor nainstalován). "
                           "Pod zprávou je místo chyby, jak je vypíše i program <code>qxscript</code>: řádek "
                           "<code>soubor:řádek:sloupec: error N at P: text</code>, kde řádky a sloupce se počítají "
                           "od 1 a P je pozice v textu skriptu počítaná od 0. Kódy a jejich texty:</p>\n");
    html += QStringLiteral("<table>\n<tr><th>Kód</th><th>Text</th></tr>\n");
    std::vector<uint16_t> codes;
    for (uint16_t c = 0; c <= 30; ++c)
        codes.push_back(c);
    for (uint16_t c = 100; c <= 105; ++c)
        codes.push_back(c);
    for (uint16_t c : codes) {
        const QString text = QString::fromStdString(ScriptErrorText(c));
        if (!text.isEmpty())
            html += QStringLiteral("<tr><td id=\"e%1\">%1</td><td>%2</td></tr>\n").arg(c).arg(esc(text));
    }
    html += QStringLiteral("</table>\n<p>Kódy 1 a 2 jazyk nikdy nehlásí. Kódy od 100 výše ukončují běh při chybě, "
                           "kterou jazyk sám nepopisuje (dělení nulou, přetečení, příliš hluboké vnoření, nedostatek "
                           "paměti). Běh přerušený tlačítkem <i>Přerušit</i> nebo funkcí "
                           "<a href=\"funkce/Halt.html\">Halt</a> končí kódem 65535 a žádnou zprávu nezobrazí.</p>\n");
    return html + kPageEnd;
}

QString contentsFile(const QString& contentsTemplate, const QList<QPair<QString, QList<TGroupedFunction>>>& groups)
{
    static const QRegularExpression marker(QStringLiteral("^( *)\\{funkce\\}\\s*$"));
    QStringList out;
    for (const QString& line : contentsTemplate.split(QLatin1Char('\n'))) {
        const auto m = marker.match(line);
        if (!m.hasMatch()) {
            out << line;
            continue;
        }
        const QString indent = m.captured(1);
        for (int g = 0; g < groups.size(); ++g) {
            out << indent + groups[g].first + QStringLiteral(" = Help/") + QLatin1String(kFunctionFolder)
                    + QStringLiteral("/index.html#") + groupAnchor(g);
            for (const TGroupedFunction& f : groups[g].second) {
                const QString name = functionName(f.Signature);
                out << indent + QStringLiteral("  ") + name + QStringLiteral(" = Help/") + QLatin1String(kFunctionFolder)
                        + QLatin1Char('/') + name + QStringLiteral(".html");
            }
        }
    }
    return out.join(QLatin1Char('\n'));
}

} // namespace

THostFunctionDocs ParseHostFunctionDocs(const QString& text)
{
    THostFunctionDocs docs;
    QString group = kOtherGroup;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            group = line.mid(1, line.size() - 2).trimmed();
            if (!docs.Groups.contains(group))
                docs.Groups << group;
            continue;
        }
        const int bar = line.indexOf(QLatin1Char('|'));
        const QString name = bar < 0 ? QString() : line.left(bar).trimmed();
        const QString description = bar < 0 ? QString() : line.mid(bar + 1).trimmed();
        if (name.isEmpty() || description.isEmpty()) {
            docs.Errors << QStringLiteral("line %1: expected \"Name | description\"").arg(n + 1);
            continue;
        }
        docs.Functions.append({name, group, description});
    }
    return docs;
}

THostFunctionExample ParseHostFunctionExample(const QString& text)
{
    THostFunctionExample example;
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    int n = 0;
    if (n < lines.size() && lines[n].trimmed() == QStringLiteral("// Výstup:")) {
        QStringList output;
        for (++n; n < lines.size() && lines[n].startsWith(QLatin1String("//")); ++n)
            output << lines[n].mid(lines[n].startsWith(QLatin1String("// ")) ? 3 : 2);
        example.Output = output.join(QLatin1Char('\n'));
    }
    while (n < lines.size() && lines[n].trimmed().isEmpty())
        ++n;
    example.Script = lines.mid(n).join(QLatin1Char('\n')).trimmed();
    return example;
}

TDocCoverage CheckHostFunctionDocs(const std::vector<std::string>& signatures, const THostFunctionDocs& docs)
{
    TDocCoverage coverage;
    QSet<QString> described, known;
    for (const THostFunctionDoc& d : docs.Functions)
        described.insert(d.Name.toUpper());
    for (const std::string& s : signatures) {
        known.insert(functionName(s).toUpper());
        if (!described.contains(functionName(s).toUpper()))
            coverage.Undescribed << functionName(s);
    }
    for (const THostFunctionDoc& d : docs.Functions)
        if (!known.contains(d.Name.toUpper()))
            coverage.Unknown << d.Name;
    return coverage;
}

QString ScriptTypeName(int code)
{
    static const std::array<const char*, 17> names = {"", "BYTE", "SHORTINT", "WORD", "SMALLINT", "CARDINAL",
        "INTEGER", "CHAR", "STRING", "REAL", "SINGLE", "DOUBLE", "EXTENDED", "COMP", "BOOLEAN", "", "ARRAY"};
    return code >= 0 && code < int(names.size()) ? QLatin1String(names[size_t(code)]) : QString();
}

QString SignatureDeclaration(const std::string& signature)
{
    const int result = SignatureTypeOf(signature, 0);
    QString text = (result == 0 ? QStringLiteral("procedure ") : QStringLiteral("function ")) + functionName(signature);
    const int count = SignatureParamCount(signature);
    if (count > 0) {
        QStringList params;
        for (int i = 1; i <= count; ++i) {
            QString name = QString::fromStdString(SignatureNameOf(signature, i));
            QString prefix;
            if (name.startsWith(QLatin1Char('!'))) {
                name.remove(0, 1);
                prefix = QStringLiteral("var ");
            }
            params << prefix + name + QStringLiteral(": ") + ScriptTypeName(SignatureTypeOf(signature, i));
        }
        text += QLatin1Char('(') + params.join(QStringLiteral("; ")) + QLatin1Char(')');
    }
    if (result != 0)
        text += QStringLiteral(": ") + ScriptTypeName(result);
    return text + QLatin1Char(';');
}

TGeneratedFiles GenerateReference(const std::vector<std::string>& signatures, const THostFunctionDocs& docs,
    const QString& contentsTemplate, const THostFunctionExamples& examples)
{
    TGeneratedFiles files;
    const auto groups = groupFunctions(signatures, docs, examples);
    const QString folder = QStringLiteral("Help/") + QLatin1String(kFunctionFolder) + QLatin1Char('/');
    for (int g = 0; g < groups.size(); ++g)
        for (const TGroupedFunction& f : groups[g].second)
            files.insert(folder + functionName(f.Signature) + QStringLiteral(".html"),
                functionPage(f, groups[g].first, g, groups[g].second));
    files.insert(folder + QStringLiteral("index.html"), functionIndex(groups, int(signatures.size())));
    files.insert(QStringLiteral("Help/chyby.html"), errorPage());
    files.insert(QStringLiteral("Qxrel32.hlp"), contentsFile(contentsTemplate, groups));
    return files;
}

} // namespace qx::help
