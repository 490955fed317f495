#pragma once
// How the outline shows one symbol: an item of its tree with the kind's
// picture (resources/outline), the name with the parameters of a function,
// and a Czech tool tip naming the kind and the line.
#include "outline/OutlineParser.h"

#include <QStandardItem>

// The item's line (int, from 1) and its key: the path of kinds and names
// from the top of the tree, which finds the symbol again in the next list.
inline constexpr int kOutlineLineRole = Qt::UserRole;
inline constexpr int kOutlineKeyRole = Qt::UserRole + 1;

// The tool tip and the key are made when asked for: a list of thousands
// fills faster without them.
class TOutlineItem : public QStandardItem {
public:
    explicit TOutlineItem(const TOutlineSymbol& symbol);
    QVariant data(int role) const override;
    QString Key() const;

private:
    QString name_;
    QString kind_;
    QString caption_;
    int line_;
};
