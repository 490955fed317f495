#include "files/FileProps.h"

#include "kernel/AppInfo.h"
#include "kernel/Settings.h"
#include "platform/Shell.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <cerrno>
#include <cstring>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace {

constexpr qint64 kNanosPerMilli = 1000000;

#ifndef _WIN32
QDateTime fromTimestamp(const struct statx_timestamp& t)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(t.tv_sec) * 1000 + t.tv_nsec / kNanosPerMilli);
}

struct timespec toTimespec(const QDateTime& time)
{
    struct timespec t {};
    if (!time.isValid()) {
        t.tv_nsec = UTIME_OMIT;
        return t;
    }
    const qint64 ms = time.toMSecsSinceEpoch();
    t.tv_sec = time_t(ms / 1000 - (ms % 1000 < 0 ? 1 : 0));
    t.tv_nsec = long(((ms % 1000) + 1000) % 1000 * kNanosPerMilli);
    return t;
}
#endif

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The time a date and a time picker show together, in local time.
QDateTime pickedTime(const QDateEdit* date, const QTimeEdit* time)
{
    const QTime t = time->time();
    return QDateTime(date->date(), QTime(t.hour(), t.minute(), t.second()));
}

// The shown value of a stamp: to the second, as the pickers hold it.
QDateTime toSeconds(const QDateTime& time)
{
    return time.isValid() ? QDateTime::fromSecsSinceEpoch(time.toSecsSinceEpoch()) : QDateTime();
}

} // namespace

TFileStamp ReadFileStamp(const QString& path, const TWriteAccess& canWrite)
{
    TFileStamp stamp;
    const QFileInfo info(path);
    stamp.Hidden = info.fileName().startsWith(QLatin1Char('.'));
#ifndef _WIN32
    struct statx sx {};
    const QByteArray name = QFile::encodeName(path);
    if (::statx(AT_FDCWD, name.constData(), AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
        return stamp;
    stamp.Exists = true;
    stamp.Size = qint64(sx.stx_size);
    if (sx.stx_mask & STATX_BTIME)
        stamp.Created = fromTimestamp(sx.stx_btime);
    stamp.Modified = fromTimestamp(sx.stx_mtime);
    stamp.Accessed = fromTimestamp(sx.stx_atime);
    stamp.ReadOnly = !(canWrite ? canWrite(path) : qx::CanWriteFile(path));
#else
    if (!info.exists())
        return stamp;
    stamp.Exists = true;
    stamp.Size = info.size();
    stamp.Created = info.birthTime();
    stamp.Modified = info.lastModified();
    stamp.Accessed = info.lastRead();
    stamp.ReadOnly = !(canWrite ? canWrite(path) : qx::CanWriteFile(path));
#endif
    return stamp;
}

QString WriteFileStamp(const QString& path, const QDateTime& modified, const QDateTime& accessed, bool readOnly,
    const TWriteAccess& canWrite)
{
    QStringList problems;
    auto writable = [&] { return canWrite ? canWrite(path) : qx::CanWriteFile(path); };
#ifndef _WIN32
    const QByteArray name = QFile::encodeName(path);
    if (modified.isValid() || accessed.isValid()) {
        const struct timespec times[2] = {toTimespec(accessed), toTimespec(modified)};
        if (::utimensat(AT_FDCWD, name.constData(), times, 0) != 0)
            problems << QStringLiteral("Časy souboru nelze změnit: %1").arg(systemError(errno));
    }
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) {
        problems << QStringLiteral("Soubor nelze přečíst: %1").arg(systemError(errno));
    } else if (readOnly && writable()) {
        // Read-only takes every write permission away. A file the user may
        // not write is read-only for them already and is left alone (its
        // owner's bits are not theirs to change).
        const mode_t mode = st.st_mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH);
        if (mode != st.st_mode && ::chmod(name.constData(), mode & 07777) != 0)
            problems << QStringLiteral("Atribut „Jen pro čtení“ nelze změnit: %1").arg(systemError(errno));
    } else if (!readOnly) {
        // Writable gives the owner's write permission back; other bits stay.
        int error = 0;
        if (!(st.st_mode & S_IWUSR) && ::chmod(name.constData(), (st.st_mode | S_IWUSR) & 07777) != 0) {
            error = errno;
        } else {
            errno = 0;
            if (!writable())
                error = errno ? errno : EACCES;
        }
        if (error)
            problems << QStringLiteral("Atribut „Jen pro čtení“ nelze změnit: %1").arg(systemError(error));
    }
#else
    QFile file(path);
    if (modified.isValid() || accessed.isValid()) {
        QFile::Permissions old = file.permissions();
        file.setPermissions(old | QFile::WriteOwner);
        if (!file.open(QIODevice::ReadWrite)
            || (modified.isValid() && !file.setFileTime(modified, QFileDevice::FileModificationTime))
            || (accessed.isValid() && !file.setFileTime(accessed, QFileDevice::FileAccessTime)))
            problems << QStringLiteral("Časy souboru nelze změnit: %1").arg(file.errorString());
        file.close();
        file.setPermissions(old);
    }
    QFile::Permissions p = file.permissions();
    p = readOnly ? p & ~(QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther) : p | QFile::WriteOwner;
    if (!file.setPermissions(p))
        problems << QStringLiteral("Atribut „Jen pro čtení“ nelze změnit: %1").arg(file.errorString());
#endif
    return problems.join(QLatin1Char('\n'));
}

TFilePropsForm::TFilePropsForm(const QString& fileName, QWidget* owner)
    : QDialog(owner)
    , FileName(fileName)
{
    setObjectName(QStringLiteral("TFilePropsForm"));
    setWindowTitle(QStringLiteral("Vlastnosti"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QFont shellFont = font();
    shellFont.setFamily(QString::fromStdString(GetShellFont()));
    setFont(shellFont);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    auto* page = new QWidget(PageControl1);
    PageControl1->addTab(page, QStringLiteral("Obecné"));

    Image = new QLabel(page);
    Image->setFixedSize(36, 36);
    auto plainField = [page](const char* name) {
        auto* edit = new QLineEdit(page);
        edit->setObjectName(QLatin1String(name));
        edit->setReadOnly(true);
        edit->setFrame(false);
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        edit->setPalette(palette);
        return edit;
    };
    NameEdit = plainField("NameEdit");
    DirectoryEdit = plainField("DirectoryEdit");
    TypeEdit = plainField("TypeEdit");
    SizeEdit = plainField("SizeEdit");
    Label4 = new QLabel(QStringLiteral("Umístění:"), page);
    Label5 = new QLabel(QStringLiteral("Typ:"), page);
    Label6 = new QLabel(QStringLiteral("Velikost:"), page);
    Label1 = new QLabel(QStringLiteral("Vytvořeno:"), page);
    Label2 = new QLabel(QStringLiteral("Změněno:"), page);
    Label3 = new QLabel(QStringLiteral("Použito:"), page);

    const QLocale locale;
    auto datePicker = [&](const char* name) {
        auto* edit = new QDateEdit(page);
        edit->setObjectName(QLatin1String(name));
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(locale.dateFormat(QLocale::LongFormat));
        return edit;
    };
    auto timePicker = [&](const char* name) {
        auto* edit = new QTimeEdit(page);
        edit->setObjectName(QLatin1String(name));
        edit->setDisplayFormat(QStringLiteral("HH:mm:ss"));
        return edit;
    };
    DateTimePicker1 = datePicker("DateTimePicker1");
    DateTimePicker2 = timePicker("DateTimePicker2");
    DateTimePicker3 = datePicker("DateTimePicker3");
    DateTimePicker4 = timePicker("DateTimePicker4");
    DateTimePicker5 = datePicker("DateTimePicker5");
    DateTimePicker6 = timePicker("DateTimePicker6");
    // The creation time is the file system's record; nothing can set it.
    const QString createdHint = QStringLiteral("Čas vytvoření zaznamenává souborový systém; změnit jej nelze.");
    for (QWidget* w : {static_cast<QWidget*>(DateTimePicker1), static_cast<QWidget*>(DateTimePicker2)}) {
        w->setEnabled(false);
        w->setToolTip(createdHint);
    }
    DateTimePicker1->setSpecialValueText(QStringLiteral("nezaznamenáno"));
    DateTimePicker2->setSpecialValueText(QStringLiteral(" "));
    Label1->setToolTip(createdHint);
    for (QWidget* w : {static_cast<QWidget*>(DateTimePicker3), static_cast<QWidget*>(DateTimePicker4)})
        w->setToolTip(QStringLiteral("Čas poslední změny obsahu souboru"));
    for (QWidget* w : {static_cast<QWidget*>(DateTimePicker5), static_cast<QWidget*>(DateTimePicker6)})
        w->setToolTip(QStringLiteral("Čas posledního čtení souboru"));

    GroupBox1 = new QGroupBox(QStringLiteral("Atributy"), page);
    CheckBox1 = new QCheckBox(QStringLiteral("&Archivovat"), GroupBox1);
    CheckBox2 = new QCheckBox(QStringLiteral("&Jen pro čtení"), GroupBox1);
    CheckBox3 = new QCheckBox(QStringLiteral("&Skrytý"), GroupBox1);
    CheckBox4 = new QCheckBox(QStringLiteral("Systémový"), GroupBox1);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox3->setObjectName(QStringLiteral("CheckBox3"));
    CheckBox4->setObjectName(QStringLiteral("CheckBox4"));
    CheckBox2->setToolTip(QStringLiteral("Zaškrtnuto: do souboru nemůžete zapisovat. Zaškrtnutím se odeberou "
                                         "všechna práva zápisu, zrušením se vrátí právo zápisu vlastníkovi."));
    CheckBox3->setToolTip(QStringLiteral("Skryté jsou soubory, jejichž název začíná tečkou; změnit to lze přejmenováním."));
    const QString unused = QStringLiteral("Tento souborový systém atribut nezná.");
    CheckBox1->setToolTip(unused);
    CheckBox4->setToolTip(unused);
    for (QCheckBox* box : {CheckBox1, CheckBox3, CheckBox4})
        box->setEnabled(false);
    auto* attributes = new QGridLayout(GroupBox1);
    attributes->addWidget(CheckBox1, 0, 0);
    attributes->addWidget(CheckBox2, 0, 1);
    attributes->addWidget(CheckBox3, 1, 0);
    attributes->addWidget(CheckBox4, 1, 1);

    auto* grid = new QGridLayout(page);
    grid->addWidget(Image, 0, 0);
    grid->addWidget(NameEdit, 0, 1, 1, 2);
    auto line = [page]() {
        auto* frame = new QFrame(page);
        frame->setFrameShape(QFrame::HLine);
        frame->setFrameShadow(QFrame::Sunken);
        return frame;
    };
    grid->addWidget(line(), 1, 0, 1, 3);
    grid->addWidget(Label5, 2, 0);
    grid->addWidget(TypeEdit, 2, 1, 1, 2);
    grid->addWidget(Label4, 3, 0);
    grid->addWidget(DirectoryEdit, 3, 1, 1, 2);
    grid->addWidget(Label6, 4, 0);
    grid->addWidget(SizeEdit, 4, 1, 1, 2);
    grid->addWidget(line(), 5, 0, 1, 3);
    grid->addWidget(Label1, 6, 0);
    grid->addWidget(DateTimePicker1, 6, 1);
    grid->addWidget(DateTimePicker2, 6, 2);
    grid->addWidget(Label2, 7, 0);
    grid->addWidget(DateTimePicker3, 7, 1);
    grid->addWidget(DateTimePicker4, 7, 2);
    grid->addWidget(Label3, 8, 0);
    grid->addWidget(DateTimePicker5, 8, 1);
    grid->addWidget(DateTimePicker6, 8, 2);
    grid->addWidget(line(), 9, 0, 1, 3);
    grid->addWidget(GroupBox1, 10, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(11, 1);

    Button1 = new QPushButton(QStringLiteral("&Použít"), this);
    Button2 = new QPushButton(QStringLiteral("&Storno"), this);
    Button3 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2->setObjectName(QStringLiteral("Button2"));
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button3);
    buttons->addWidget(Button2);
    buttons->addWidget(Button1);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(PageControl1, 1);
    outer->addLayout(buttons);
    // Room for the long date format ("čtvrtek 10. prosince 2026").
    for (QDateEdit* date : {DateTimePicker1, DateTimePicker3, DateTimePicker5})
        date->setMinimumWidth(date->fontMetrics().horizontalAdvance(QStringLiteral("MMMMMMMMM 30. MMMMMMMMMM 2000")));

    connect(Button1, &QPushButton::clicked, this, &TFilePropsForm::Apply);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button3, &QPushButton::clicked, this, [this] {
        if (Apply())
            accept();
    });
}

void TFilePropsForm::showEvent(QShowEvent* event)
{
    setWindowTitle(QFileInfo(FileName).fileName() + QStringLiteral(" - Vlastnosti"));
    Refresh();
    QDialog::showEvent(event);
    Button3->setFocus();
}

void TFilePropsForm::Refresh()
{
    const QFileInfo info(FileName);
    NameEdit->setText(info.fileName());
    DirectoryEdit->setText(info.absolutePath().endsWith(QLatin1Char('/')) ? info.absolutePath()
                                                                            : info.absolutePath() + QLatin1Char('/'));
    NameEdit->setCursorPosition(0);
    DirectoryEdit->setCursorPosition(0);
    shown_ = ReadFileStamp(FileName, CanWrite);
    TypeEdit->setText(qx::FileTypeName(FileName));
    Image->setPixmap(qx::FileIcon(FileName).pixmap(32, 32));
    SizeEdit->setText(shown_.Exists ? qx::FileSizeText(shown_.Size) : QStringLiteral("Soubor nelze přečíst."));

    auto show = [](QDateEdit* date, QTimeEdit* time, const QDateTime& value) {
        if (value.isValid()) {
            date->setDate(value.date());
            time->setTime(value.time());
        } else {
            date->setDate(date->minimumDate());
            time->setTime(time->minimumTime());
        }
    };
    show(DateTimePicker1, DateTimePicker2, shown_.Created);
    show(DateTimePicker3, DateTimePicker4, shown_.Modified);
    show(DateTimePicker5, DateTimePicker6, shown_.Accessed);
    for (QWidget* w : {static_cast<QWidget*>(DateTimePicker3), static_cast<QWidget*>(DateTimePicker4),
             static_cast<QWidget*>(DateTimePicker5), static_cast<QWidget*>(DateTimePicker6), static_cast<QWidget*>(CheckBox2),
             static_cast<QWidget*>(Button1)})
        w->setEnabled(shown_.Exists);
    CheckBox1->setChecked(false);
    CheckBox2->setChecked(shown_.ReadOnly);
    CheckBox3->setChecked(shown_.Hidden);
    CheckBox4->setChecked(false);
}

bool TFilePropsForm::Apply()
{
    if (!shown_.Exists) {
        Refresh();
        return !shown_.Exists;
    }
    // Only a time the user changed is written, so an untouched one keeps its
    // fraction of a second.
    auto changed = [](const QDateTime& picked, const QDateTime& was) {
        return toSeconds(was) == picked ? QDateTime() : picked;
    };
    const QDateTime modified = changed(pickedTime(DateTimePicker3, DateTimePicker4), shown_.Modified);
    const QDateTime accessed = changed(pickedTime(DateTimePicker5, DateTimePicker6), shown_.Accessed);
    const QString problems = WriteFileStamp(FileName, modified, accessed, CheckBox2->isChecked(), CanWrite);
    Refresh();
    if (problems.isEmpty())
        return true;
    QMessageBox::critical(this, QString::fromUtf8(kApplicationTitle), problems);
    return false;
}

void ShowFileProperties(QWidget* owner, const QString& fileName)
{
    TFilePropsForm form(fileName, owner);
    form.exec();
}
