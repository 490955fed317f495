#pragma once
// A layout that sets its items side by side in their preferred widths and
// starts a new line when the next one does not fit, so that none is
// squeezed below its text in a narrow window. The status strip of the image
// viewer uses it.
#include <QLayout>
#include <QList>

class TFlowLayout : public QLayout {
public:
    explicit TFlowLayout(QWidget* parent = nullptr);
    ~TFlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;

    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    // One line of every item.
    QSize sizeHint() const override;
    // The widest item.
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Places the items in rect (or only measures, with place false); the
    // height used.
    int arrange(const QRect& rect, bool place) const;

    QList<QLayoutItem*> items_;
};
