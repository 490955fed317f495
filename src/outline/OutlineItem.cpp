#include "outline/OutlineItem.h"

#include <QHash>
#include <QIcon>

namespace {

// How the parser's kinds are shown: the picture (resources/outline) and the
// Czech name. Kinds of the same meaning in several languages share a row.
struct KindRow {
    const char* kind;
    const char* icon;
    const char* caption;
};
constexpr KindRow kKinds[] = {
    {"function", "function", "funkce"},
    {"method", "function", "metoda"},
    {"procedure", "function", "procedura"},
    {"subroutine", "function", "podprogram"},
    {"singletonMethod", "function", "metoda třídy"},
    {"prototype", "prototype", "deklarace funkce"},
    {"class", "class", "třída"},
    {"interface", "class", "rozhraní"},
    {"trait", "class", "rys"},
    {"struct", "struct", "struktura"},
    {"union", "struct", "unie"},
    {"record", "struct", "záznam"},
    {"enum", "enum", "výčet"},
    {"enumerator", "enumerator", "hodnota výčtu"},
    {"constant", "enumerator", "konstanta"},
    {"namespace", "namespace", "jmenný prostor"},
    {"package", "namespace", "balík"},
    {"module", "namespace", "modul"},
    {"macro", "macro", "makro"},
    {"define", "macro", "makro"},
    {"variable", "variable", "proměnná"},
    {"member", "variable", "člen"},
    {"field", "variable", "položka"},
    {"property", "variable", "vlastnost"},
    {"externvar", "variable", "externí proměnná"},
    {"local", "variable", "lokální proměnná"},
    {"typedef", "typedef", "definice typu"},
    {"type", "typedef", "typ"},
    {"alias", "typedef", "alias"},
    {"chapter", "section", "nadpis 1. úrovně"},
    {"section", "section", "nadpis 2. úrovně"},
    {"subsection", "section", "nadpis 3. úrovně"},
    {"subsubsection", "section", "nadpis 4. úrovně"},
    {"l4subsection", "section", "nadpis 5. úrovně"},
    {"l5subsection", "section", "nadpis 6. úrovně"},
    {"heading1", "section", "nadpis 1. úrovně"},
    {"heading2", "section", "nadpis 2. úrovně"},
    {"heading3", "section", "nadpis 3. úrovně"},
    {"target", "other", "cíl"},
    {"label", "other", "návěští"},
    {"anchor", "other", "kotva"},
    {"id", "other", "identifikátor"},
};

const KindRow* kindRow(const QString& kind)
{
    for (const KindRow& row : kKinds)
        if (kind == QLatin1String(row.kind))
            return &row;
    return nullptr;
}

bool functionLike(const TOutlineSymbol& symbol)
{
    // A member with parameters is a method (Python's "member").
    const KindRow* row = kindRow(symbol.Kind);
    const QLatin1String icon(row ? row->icon : "");
    return icon == QLatin1String("function") || icon == QLatin1String("prototype")
        || icon == QLatin1String("macro") || (symbol.Kind == u"member" && !symbol.Signature.isEmpty());
}

QIcon kindIcon(const TOutlineSymbol& symbol)
{
    const KindRow* row = kindRow(symbol.Kind);
    QString icon = QLatin1String(row ? row->icon : "other");
    if (symbol.Kind == u"member" && !symbol.Signature.isEmpty())
        icon = QStringLiteral("function");
    static QHash<QString, QIcon> icons;
    auto it = icons.find(icon);
    if (it == icons.end())
        it = icons.insert(icon, QIcon(QStringLiteral(":/outline/%1.svg").arg(icon)));
    return *it;
}

QString kindCaption(const TOutlineSymbol& symbol)
{
    if (symbol.Kind == u"member" && !symbol.Signature.isEmpty())
        return QStringLiteral("metoda");
    const KindRow* row = kindRow(symbol.Kind);
    return row ? QString::fromUtf8(row->caption) : QStringLiteral("symbol");
}

} // namespace

TOutlineItem::TOutlineItem(const TOutlineSymbol& symbol)
    : QStandardItem(kindIcon(symbol),
          functionLike(symbol) && !symbol.Signature.isEmpty() ? symbol.Name + symbol.Signature : symbol.Name)
    , name_(symbol.Name)
    , kind_(symbol.Kind)
    , caption_(kindCaption(symbol))
    , line_(symbol.Line)
{
    setEditable(false);
}

QVariant TOutlineItem::data(int role) const
{
    switch (role) {
    case kOutlineLineRole:
        return line_;
    case kOutlineKeyRole:
        return Key();
    case Qt::ToolTipRole:
        return QStringLiteral("%1 %2, řádek %3").arg(caption_, name_).arg(line_);
    default:
        return QStandardItem::data(role);
    }
}

QString TOutlineItem::Key() const
{
    const auto* up = static_cast<const TOutlineItem*>(parent());
    return (up ? up->Key() + QChar(0x1f) : QString()) + kind_ + QLatin1Char(':') + name_;
}
