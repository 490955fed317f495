#pragma once
// The program's logo across the top of a dialog: the 400 x 90 logo bitmap at
// the left, its background carried on to the dialog's full width.
#include <QPixmap>
#include <QWidget>

class TLogoBanner : public QWidget {
    Q_OBJECT
public:
    explicit TLogoBanner(QWidget* parent = nullptr);
    QSize sizeHint() const override { return logo_.size(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap logo_;
};
