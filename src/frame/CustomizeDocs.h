#pragma once
// TCustomizeDocsForm ("Upravit vzhled"): chooses the style of the documents
// panel's group pictures, with a preview of both pictures.
#include <QDialog>
#include <QIcon>
#include <QList>

class QComboBox;
class QPushButton;
class QWidget;

class TCustomizeDocsForm : public QDialog {
    Q_OBJECT
public:
    // styleIndex: the style in use; images: the six group pictures.
    TCustomizeDocsForm(int styleIndex, const QList<QIcon>& images, QWidget* owner);

    // The style chosen (the one in use until the user picks another).
    int StyleIndex() const { return styleIndex_; }

    QComboBox* ComboBox = nullptr;
    QWidget* PaintBox1 = nullptr; // "Dokumenty:" preview
    QWidget* PaintBox2 = nullptr; // "Historie:" preview
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

private:
    int styleIndex_ = 0;
    QList<QIcon> images_;
};
