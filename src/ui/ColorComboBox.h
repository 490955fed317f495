#pragma once
// A drop-down list of colour swatches without colour names. Its last item
// opens the colour dialog for any other colour, which then joins the list.
#include <QColor>
#include <QComboBox>

class TColorComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TColorComboBox(QWidget* parent = nullptr);

    QColor Color() const;
    // Selects the colour, adding it to the list when it is not there.
    void SetColor(const QColor& color);

signals:
    // A colour chosen by the user or set by SetColor.
    void colorChanged(const QColor& color);

private:
    int indexOfColor(const QColor& color) const;
    int addColor(const QColor& color);
    void activatedItem(int index);

    int lastIndex_ = 0;
};
