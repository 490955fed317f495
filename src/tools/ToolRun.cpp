#include "tools/ToolRun.h"

#include "platform/FileWrite.h"
#include "platform/IndependentProcess.h"
#include "ui/PanelSupport.h"
#include "ui/WindowLifetime.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryFile>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const int kKillDelayMs = 3000;
// A batch reads and shows output for at most this long, then lets the event
// loop run; a tool that writes faster than the view fills is read in a
// follow-up batch at once.
const int kBatchMs = 20;
const int kIdlePollMs = 15;
const qint64 kReadChunk = 1 << 20;
// Lines put into the view per batch: the view's layout is the slow part.
const int kShowPerBatch = 500;
const int kShowIntervalMs = 100;

QString seconds(qint64 ms)
{
    return QLocale(QLocale::Czech, QLocale::CzechRepublic).toString(double(ms) / 1000.0, 'f', 2) + QStringLiteral(" s");
}

QLocale czech()
{
    return QLocale(QLocale::Czech, QLocale::CzechRepublic);
}

// A cheap look for "name:digit" before the full reference pattern runs:
// most output lines have none.
bool mayHoldLocation(const QString& line)
{
    for (qsizetype colon = line.indexOf(QLatin1Char(':')); colon >= 0 && colon + 1 < line.size();
        colon = line.indexOf(QLatin1Char(':'), colon + 1)) {
        if (line[colon + 1].isDigit())
            return true;
    }
    return false;
}

} // namespace

TToolRun::TToolRun(QWidget* parent)
    : QWidget(parent)
{
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("ToolOutputStatus"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    stop_ = NewPanelButton(this, "ToolOutputStop", QStringLiteral("Zastavit"), QStringLiteral("Ukončit běžící nástroj"),
        "process-stop");
    stop_->setEnabled(false);
    save_ = NewPanelButton(this, "ToolOutputSave", QStringLiteral("Uložit"),
        QStringLiteral("Uložit celý výstup nástroje do souboru"), "document-save");
    clear_ = NewPanelButton(this, nullptr, QStringLiteral("Vymazat"), QStringLiteral("Vymazat výstup nástroje"),
        "edit-clear");
    droppedNote_ = new QLabel(this);
    droppedNote_->setObjectName(QStringLiteral("ToolOutputDropped"));
    droppedNote_->setContentsMargins(4, 0, 0, 0);
    droppedNote_->hide();

    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("ToolOutputText"));
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setMaximumBlockCount(kMaxLines);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text_->viewport()->installEventFilter(this);
    text_->viewport()->setMouseTracking(true);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(4, 0, 0, 0);
    header->addWidget(status_, 1);
    header->addWidget(stop_);
    header->addWidget(save_);
    header->addWidget(clear_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(header);
    layout->addWidget(droppedNote_);
    layout->addWidget(text_, 1);

    poll_ = new QTimer(this);
    poll_->setSingleShot(true);
    connect(poll_, &QTimer::timeout, this, &TToolRun::poll);
    killTimer_ = new QTimer(this);
    killTimer_->setSingleShot(true);
    killTimer_->setInterval(kKillDelayMs);
    connect(killTimer_, &QTimer::timeout, this, [this] { qx::SignalIndependentProcess(pid_, true); });
    connect(stop_, &QToolButton::clicked, this, &TToolRun::Stop);
    connect(save_, &QToolButton::clicked, this, &TToolRun::saveClick);
    connect(clear_, &QToolButton::clicked, this, [this] {
        text_->clear();
        dropped_ = blocks_ = 0;
        current_ = -1;
        locations_.clear();
        updateDroppedNote();
    });
}

TToolRun::~TToolRun()
{
    StopWatchingChildren(this);
    // A tool still running goes on without us: it writes into its spool
    // file, which lives while the tool has it open.
    if (pid_ > 0)
        qx::ReapIndependentProcessLater(pid_);
}

bool TToolRun::Start(const QString& title, const QString& program, const QStringList& arguments,
    const QString& folder, QString* error)
{
    // The last run's output stays until the new run has started.
    auto spool = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/quorvix-tool-XXXXXX.log"));
    if (!spool->open()) {
        if (error)
            *error = spool->errorString();
        return false;
    }
    spool->close();
    qx::IndependentProcessOptions options;
    options.Program = program;
    options.Arguments = arguments;
    options.WorkingFolder = folder;
    options.OutputFile = spool->fileName();
    options.OwnGroup = true;
    const qint64 pid = qx::StartIndependentProcess(options, error);
    if (pid <= 0)
        return false;
    pid_ = pid;
    spool_ = std::move(spool);
    reader_.close();
    reader_.setFileName(spool_->fileName());
    reader_.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    clock_.start();
    shown_.invalidate();
    folder_ = folder.isEmpty() ? QDir::currentPath() : folder;
    title_ = title;
    ended_ = stopping_ = crashed_ = false;
    exitCode_ = 0;
    buffer_ = TToolOutputBuffer(kMaxLines, kMaxLineChars);
    text_->clear();
    blocks_ = dropped_ = 0;
    current_ = -1;
    locations_.clear();
    updateDroppedNote();

    QStringList shown {QDir::toNativeSeparators(program)};
    for (const QString& argument : arguments)
        shown << (argument.isEmpty() || argument.contains(QLatin1Char(' ')) || argument.contains(QLatin1Char('"'))
                      ? QLatin1Char('"') + QString(argument).replace(QLatin1Char('"'), QStringLiteral("\\\""))
                            + QLatin1Char('"')
                      : argument);
    appendLine(QStringLiteral("> ") + shown.join(QLatin1Char(' ')), Style::Command);
    setStatus(QStringLiteral("Běží: %1").arg(title), QColor());
    stop_->setEnabled(true);
    poll_->start(0);
    return true;
}

void TToolRun::Stop()
{
    if (!IsRunning() || ended_)
        return;
    stopping_ = true;
    qx::SignalIndependentProcess(pid_, false);
    killTimer_->start();
}

QString TToolRun::OutputText() const
{
    return text_->toPlainText();
}

QString TToolRun::StatusText() const
{
    return status_->text();
}

void TToolRun::poll()
{
    QElapsedTimer batch;
    batch.start();
    if (!ended_ && qx::IndependentProcessEnded(pid_, &exitCode_, &crashed_)) {
        // What it wrote before it ended is all in the file now.
        ended_ = true;
        killTimer_->stop();
    }
    // Caught up with the tool (a read that found less than a chunk), the
    // next batch waits a little instead of spinning beside it for the CPU.
    bool caughtUp = false;
    while (batch.elapsed() < kBatchMs) {
        const QByteArray bytes = reader_.read(kReadChunk);
        buffer_.Append(bytes);
        if (bytes.size() < kReadChunk) {
            caughtUp = true;
            break;
        }
    }
    const bool rest = reader_.size() > reader_.pos();
    if (ended_ && !rest)
        buffer_.Finish();
    // While the tool writes, the view is refreshed a few times a second: a
    // tool that prints fast would otherwise share its CPU with lines that
    // newer ones push out of the view at once.
    const bool showNow = ended_ || !shown_.isValid() || shown_.elapsed() >= kShowIntervalMs;
    if (showNow && buffer_.HasLines()) {
        // Waiting lines that fill the view push out all it shows: clearing
        // it at once is cheaper than trimming its top line by line.
        if (buffer_.QueuedLines() >= kMaxLines && shownBlocks() > 0)
            text_->clear();
        while (buffer_.HasLines() && batch.elapsed() < kBatchMs)
            show(buffer_.Take(kShowPerBatch));
        if (!buffer_.HasLines())
            shown_.start();
    }
    if ((showNow && buffer_.HasLines()) || (rest && !caughtUp)) {
        poll_->start(0);
        return;
    }
    if (rest) {
        poll_->start(kIdlePollMs);
        return;
    }
    if (ended_) {
        finish(exitCode_, crashed_);
        return;
    }
    poll_->start(caughtUp ? kIdlePollMs : 0);
}

void TToolRun::show(const std::vector<TToolOutputLine>& lines)
{
    if (lines.empty())
        return;
    QScrollBar* bar = text_->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor cursor(text_->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat plain;
    QString run;
    auto flush = [&] {
        if (run.isEmpty())
            return;
        cursor.insertText(run, plain);
        run.clear();
    };
    for (const TToolOutputLine& line : lines) {
        TToolOutputLocation location;
        const bool linked = mayHoldLocation(line.Text) && ParseLocation(line.Text, folder_, location);
        if (!linked) {
            // Plain lines go into the view in one piece: a line break in the
            // text makes the blocks.
            if (!run.isEmpty() || !text_->document()->isEmpty())
                run += QLatin1Char('\n');
            run += line.Text;
            ++blocks_;
            continue;
        }
        flush();
        if (!text_->document()->isEmpty())
            cursor.insertBlock();
        location.Block = blocks_++;
        QTextCharFormat format;
        format.setAnchor(true);
        format.setAnchorHref(QString::number(locations_.size()));
        locations_.push_back(location);
        QTextCharFormat reference = format;
        reference.setFontUnderline(true);
        reference.setForeground(text_->palette().color(QPalette::Link));
        cursor.insertText(line.Text.left(location.Span), reference);
        cursor.insertText(line.Text.mid(location.Span), format);
    }
    flush();
    updateDroppedNote();
    if (atEnd)
        bar->setValue(bar->maximum());
}

void TToolRun::appendLine(const QString& line, Style style)
{
    QTextCharFormat format;
    if (style == Style::Command || style == Style::Status) {
        format.setForeground(text_->palette().color(QPalette::PlaceholderText));
        format.setFontWeight(QFont::Bold);
    }
    QTextCursor cursor(text_->document());
    cursor.movePosition(QTextCursor::End);
    if (!text_->document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(line, format);
    ++blocks_;
    updateDroppedNote();
    text_->verticalScrollBar()->setValue(text_->verticalScrollBar()->maximum());
}

int TToolRun::shownBlocks() const
{
    return text_->document()->isEmpty() ? 0 : text_->document()->blockCount();
}

void TToolRun::updateDroppedNote()
{
    // The view drops lines from its top when it holds its most; the buffer
    // left out those that never reached it.
    dropped_ = std::max<qint64>(0, blocks_ - shownBlocks()) + buffer_.SkippedLines();
    droppedNote_->setVisible(dropped_ > 0);
    if (dropped_ > 0)
        droppedNote_->setText(QStringLiteral("Starších řádků vynecháno: %1. Zobrazeno je posledních %2 řádků; celý "
                                             "výstup uložíte tlačítkem Uložit.")
                                  .arg(czech().toString(dropped_), czech().toString(kMaxLines)));
}

void TToolRun::finish(int exitCode, bool crashed)
{
    poll_->stop();
    killTimer_->stop();
    pid_ = -1;
    const QString time = seconds(clock_.elapsed());
    QString text;
    if (stopping_)
        text = QStringLiteral("Nástroj byl zastaven (%1).").arg(time);
    else if (crashed)
        text = QStringLiteral("Nástroj skončil chybou (%1).").arg(time);
    else
        text = QStringLiteral("Nástroj skončil s kódem %1 (%2).").arg(exitCode).arg(time);
    appendLine(text, Style::Status);
    // Green for success, red for anything else, as build panels show it.
    setStatus(title_ + QStringLiteral(": ") + text,
        !stopping_ && !crashed && exitCode == 0 ? QColor(0x26, 0x7A, 0x2E) : QColor(0xA5, 0x1D, 0x2D));
    stop_->setEnabled(false);
    emit Finished(exitCode, crashed || stopping_);
}

void TToolRun::setStatus(const QString& text, const QColor& colour)
{
    status_->setText(text);
    QPalette palette = status_->palette();
    palette.setColor(QPalette::WindowText, colour.isValid() ? colour : this->palette().color(QPalette::WindowText));
    status_->setPalette(palette);
}

void TToolRun::OpenLocation(int index)
{
    if (index < 0 || index >= int(locations_.size()))
        return;
    current_ = index;
    const TToolOutputLocation& place = locations_[size_t(index)];
    // Marks the line while it is still in the view.
    const qint64 block = place.Block - std::max<qint64>(0, blocks_ - shownBlocks());
    if (block >= 0) {
        QTextCursor cursor(text_->document()->findBlockByNumber(int(block)));
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        text_->setTextCursor(cursor);
        text_->ensureCursorVisible();
    }
    if (OnOpenLocation)
        OnOpenLocation(place);
}

bool TToolRun::OpenNextLocation(int step)
{
    const int next = current_ < 0 && step < 0 ? int(locations_.size()) - 1 : current_ + step;
    if (locations_.empty() || next < 0 || next >= int(locations_.size()))
        return false;
    OpenLocation(next);
    return true;
}

bool TToolRun::SaveOutput(const QString& fileName, QString* error) const
{
    QFile spool(spool_ ? spool_->fileName() : QString());
    QByteArray all;
    if (spool_) {
        if (!spool.open(QIODevice::ReadOnly)) {
            if (error)
                *error = spool.errorString();
            return false;
        }
        all = spool.readAll();
    }
    std::string reason;
    if (!qx::WriteFileAtomically(QFile::encodeName(fileName).toStdString(), all.toStdString(), &reason)) {
        if (error)
            *error = QString::fromStdString(reason);
        return false;
    }
    return true;
}

void TToolRun::saveClick()
{
    const QString fileName = QFileDialog::getSaveFileName(this, QStringLiteral("Uložit výstup nástroje"),
        QDir(folder_).filePath(QStringLiteral("vystup.txt")),
        QStringLiteral("Textové soubory (*.txt *.log);;Všechny soubory (*)"));
    if (fileName.isEmpty())
        return;
    QString error;
    if (!SaveOutput(fileName, &error))
        QMessageBox::warning(this, QStringLiteral("Quorvix 2"),
            QStringLiteral("Výstup nástroje se nepodařilo uložit do souboru %1:\n%2").arg(fileName, error));
}

bool TToolRun::ParseLocation(const QString& line, const QString& folder, TToolOutputLocation& location)
{
    // "file:line:" or "file:line:column:", also after the "In file included
    // from" heading of compilers; a drive letter may start the file name.
    static const QRegularExpression reference(QStringLiteral(
        "^(?:In file included from |\\s+from )?((?:[A-Za-z]:[\\\\/])?[^:\\n]+?):(\\d+)(?::(\\d+))?[:,]"));
    const QRegularExpressionMatch match = reference.match(line);
    if (!match.hasMatch())
        return false;
    const QString file = match.captured(1).trimmed();
    const QFileInfo info(QDir(folder), file);
    if (file.isEmpty() || !info.isFile())
        return false;
    location.File = QDir::cleanPath(info.absoluteFilePath());
    location.Line = std::max(1, match.captured(2).toInt());
    location.Column = match.captured(3).toInt();
    location.Span = int(match.capturedEnd(0));
    return true;
}

bool TToolRun::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == text_->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const bool link = !text_->anchorAt(mouse->position().toPoint()).isEmpty();
            text_->viewport()->setCursor(link ? Qt::PointingHandCursor : Qt::IBeamCursor);
        } else if (event->type() == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const QString anchor = text_->anchorAt(mouse->position().toPoint());
            // A drag that selected text is a selection, not a click on the link.
            if (mouse->button() == Qt::LeftButton && !anchor.isEmpty() && !text_->textCursor().hasSelection()) {
                bool ok = false;
                const int index = anchor.toInt(&ok);
                if (ok)
                    OpenLocation(index);
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
