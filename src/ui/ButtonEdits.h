#pragma once
// Text fields with a browse button beside them: one for a folder, one for a
// file. The text stays the field's value; the button only fills it in.
#include <QString>
#include <QWidget>

class QLineEdit;
class QToolButton;

class TButtonEdit : public QWidget {
    Q_OBJECT
public:
    QString text() const;
    void setText(const QString& text);
    QLineEdit* Edit = nullptr;
    QToolButton* Button = nullptr;

signals:
    void textChanged(const QString& text);

protected:
    explicit TButtonEdit(QWidget* parent);
    // Asks the user; an empty result leaves the field as it is.
    virtual QString browse() = 0;
};

// A folder field; its button opens the folder dialog with the prompt
// "Vyberte složku:". A chosen folder ends with a separator.
class TDirectoryEdit : public TButtonEdit {
    Q_OBJECT
public:
    explicit TDirectoryEdit(QWidget* parent = nullptr);

protected:
    QString browse() override;
};

// A file field; its button opens a file-open dialog with the filter
// ("Description|patterns|...").
class TFilenameEdit : public TButtonEdit {
    Q_OBJECT
public:
    explicit TFilenameEdit(const QString& filter, QWidget* parent = nullptr);

protected:
    QString browse() override;

private:
    QString filter_;
};
