#pragma once
// The properties of a document's file: name, folder, type, size, icon, the
// three time stamps and the four attributes, with the modification and access
// times and the read-only state changeable.
//
// On Linux the creation time is shown where the file system records it and
// cannot be changed; "Jen pro čtení" shows that the current user may not
// write the file (the system's access check, not the owner's write bit);
// "Skrytý" shows whether the name starts with a dot; archive and system do
// not exist and are shown disabled.
#include <QDateTime>
#include <QDialog>

#include <functional>

class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTimeEdit;

// A file's times and state as the dialog reads and writes them.
struct TFileStamp {
    bool Exists = false;
    qint64 Size = 0;
    // Invalid when the file system does not record a creation time.
    QDateTime Created;
    QDateTime Modified;
    QDateTime Accessed;
    bool ReadOnly = false;
    bool Hidden = false;
};

// Whether the current user may write a file; qx::CanWriteFile unless a test
// stands in for the system's answer.
using TWriteAccess = std::function<bool(const QString&)>;

// Reads the stamp of path (Exists false when it cannot be read).
TFileStamp ReadFileStamp(const QString& path, const TWriteAccess& canWrite = {});
// Sets the modification and access times (an invalid time is left as it is)
// and the read-only state: read-only takes every write bit away from a file
// the user may write; writable gives the owner's write bit back, and a file
// the user still may not write then is reported. Returns an empty text on
// success, otherwise what failed, in words for the user.
QString WriteFileStamp(const QString& path, const QDateTime& modified, const QDateTime& accessed, bool readOnly,
    const TWriteAccess& canWrite = {});

class TFilePropsForm : public QDialog {
    Q_OBJECT
public:
    explicit TFilePropsForm(const QString& fileName, QWidget* owner = nullptr);

    const QString FileName;
    // The write check behind "Jen pro čtení"; empty for the system's.
    TWriteAccess CanWrite;

    // Reads everything from the file system again.
    void Refresh();
    // Writes the changed times and the read-only state, then refreshes.
    // False (after telling the user) when something could not be changed.
    bool Apply();

    QTabWidget* PageControl1 = nullptr;
    QLabel* Image = nullptr;
    QLineEdit* NameEdit = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* DirectoryEdit = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* TypeEdit = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* SizeEdit = nullptr;
    QLabel* Label1 = nullptr;
    QDateEdit* DateTimePicker1 = nullptr; // created: date
    QTimeEdit* DateTimePicker2 = nullptr; // created: time
    QLabel* Label2 = nullptr;
    QDateEdit* DateTimePicker3 = nullptr; // modified: date
    QTimeEdit* DateTimePicker4 = nullptr; // modified: time
    QLabel* Label3 = nullptr;
    QDateEdit* DateTimePicker5 = nullptr; // accessed: date
    QTimeEdit* DateTimePicker6 = nullptr; // accessed: time
    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* CheckBox1 = nullptr; // archive
    QCheckBox* CheckBox2 = nullptr; // read-only
    QCheckBox* CheckBox3 = nullptr; // hidden
    QCheckBox* CheckBox4 = nullptr; // system
    QPushButton* Button1 = nullptr; // apply
    QPushButton* Button2 = nullptr; // cancel
    QPushButton* Button3 = nullptr; // OK

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The times as shown after the last refresh, to write only what changed.
    TFileStamp shown_;
};

// Shows the dialog modally for fileName.
void ShowFileProperties(QWidget* owner, const QString& fileName);
