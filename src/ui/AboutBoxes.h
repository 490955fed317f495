#pragma once
// The two about boxes: the host's own (Help > About) and the one plug-ins
// open for themselves through the exported about-box function.
#include "kernel/ProductAddresses.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

class TAboutAppForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutAppForm(QWidget* owner = nullptr);
    QPushButton* Button1 = nullptr;
};

class TQXAboutBoxForm : public QDialog {
    Q_OBJECT
public:
    explicit TQXAboutBoxForm(QWidget* owner = nullptr);
    QLabel* AppIcon = nullptr;
    QLabel* OtherStuff = nullptr;
    QTabWidget* PageControl = nullptr;
    QPlainTextEdit* DescriptionMemo = nullptr;
    QPlainTextEdit* LogMemo = nullptr;
    QPushButton* Button = nullptr;
};

