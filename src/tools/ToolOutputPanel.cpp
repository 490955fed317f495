#include "tools/ToolOutputPanel.h"

#include "platform/Shell.h"
#include "ui/PanelSupport.h"
#include "ui/WindowLifetime.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>

namespace {

// Output lines kept; older ones scroll away so a chatty tool cannot fill the memory.
const int kMaxLines = 20000;
const int kKillDelayMs = 3000;
const QString kNothingRun = QStringLiteral("Žádný nástroj nebyl spuštěn.");

QString seconds(qint64 ms)
{
    return QLocale(QLocale::Czech, QLocale::CzechRepublic).toString(double(ms) / 1000.0, 'f', 2) + QStringLiteral(" s");
}

// Colour and cursor control sequences of terminals; tools that colour their
// output whatever it goes to would otherwise show them as garbage.
QString withoutEscapes(const QString& line)
{
    static const QRegularExpression escapes(QStringLiteral("\x1b\\[[0-9;?]*[ -/]*[@-~]"));
    QString result = line;
    result.remove(escapes);
    return result;
}

} // namespace

TToolOutputPanel::TToolOutputPanel(QWidget* parent)
    : QDockWidget(QStringLiteral("Výstup nástroje"), parent)
    , decoders_ {QStringDecoder(QStringDecoder::System), QStringDecoder(QStringDecoder::System)}
{
    setObjectName(QStringLiteral("ToolOutputToolWindow"));
    process_ = new QProcess(this);
    killTimer_ = new QTimer(this);
    killTimer_->setSingleShot(true);
    killTimer_->setInterval(kKillDelayMs);
    connect(killTimer_, &QTimer::timeout, this, [this] { qx::EndProcessGroup(*process_, true); });
    connect(process_, &QProcess::readyReadStandardOutput, this,
        [this] { readChannel(QProcess::StandardOutput); });
    connect(process_, &QProcess::readyReadStandardError, this, [this] { readChannel(QProcess::StandardError); });
    connect(process_, &QProcess::finished, this, &TToolOutputPanel::finished);
}

// The panel is hidden at most starts; its view with the fixed font and its
// buttons with their theme images wait until it is wanted.
void TToolOutputPanel::build()
{
    if (text_)
        return;
    auto* body = new QWidget(this);
    status_ = new QLabel(kNothingRun, body);
    status_->setObjectName(QStringLiteral("ToolOutputStatus"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    stop_ = NewPanelButton(body, "ToolOutputStop", QStringLiteral("Zastavit"), QStringLiteral("Ukončit běžící nástroj"),
        "process-stop");
    stop_->setEnabled(false);
    clear_ = NewPanelButton(body, nullptr, QStringLiteral("Vymazat"), QStringLiteral("Vymazat výstup nástroje"),
        "edit-clear");

    text_ = new QPlainTextEdit(body);
    text_->setObjectName(QStringLiteral("ToolOutputText"));
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setMaximumBlockCount(kMaxLines);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text_->viewport()->installEventFilter(this);
    text_->viewport()->setMouseTracking(true);

    LayOutResultsPanel(this, body, status_, stop_, clear_, text_);

    connect(stop_, &QToolButton::clicked, this, &TToolOutputPanel::Stop);
    connect(clear_, &QToolButton::clicked, this, [this] {
        text_->clear();
        locations_.clear();
    });
}

TToolOutputPanel::~TToolOutputPanel()
{
    StopWatchingChildren(this);
    if (IsRunning()) {
        process_->disconnect(this);
        qx::EndProcessGroup(*process_, true);
        process_->waitForFinished(1000);
    }
}

void TToolOutputPanel::showEvent(QShowEvent* event)
{
    build();
    QDockWidget::showEvent(event);
}

bool TToolOutputPanel::Run(const QString& title, const QString& program, const QStringList& arguments, QString* error)
{
    build();
    if (IsRunning()) {
        stopping_ = true;
        qx::EndProcessGroup(*process_, true);
        process_->waitForFinished(1000);
    }
    killTimer_->stop();
    stopping_ = false;
    folder_ = QDir::currentPath();
    qx::StartInOwnGroup(*process_);
    process_->setProgram(program);
    process_->setArguments(arguments);
    process_->start(QIODevice::ReadWrite);
    if (!process_->waitForStarted(5000)) {
        if (error)
            *error = process_->errorString();
        return false;
    }
    // A tool that reads its input gets an empty one instead of waiting forever.
    process_->closeWriteChannel();
    clock_.start();
    for (int i = 0; i < 2; ++i) {
        decoders_[i].resetState();
        pending_[i].clear();
    }
    text_->clear();
    locations_.clear();
    QStringList shown {QDir::toNativeSeparators(program)};
    for (const QString& argument : arguments)
        shown << (argument.isEmpty() || argument.contains(QLatin1Char(' ')) || argument.contains(QLatin1Char('"'))
                      ? QLatin1Char('"') + QString(argument).replace(QLatin1Char('"'), QStringLiteral("\\\""))
                            + QLatin1Char('"')
                      : argument);
    appendLine(QStringLiteral("> ") + shown.join(QLatin1Char(' ')), Style::Command);
    title_ = title;
    setStatus(QStringLiteral("Běží: %1").arg(title), QColor());
    stop_->setEnabled(true);
    return true;
}

bool TToolOutputPanel::IsRunning() const
{
    return process_->state() != QProcess::NotRunning;
}

void TToolOutputPanel::Stop()
{
    if (!IsRunning())
        return;
    stopping_ = true;
    qx::EndProcessGroup(*process_, false);
    killTimer_->start();
}

QString TToolOutputPanel::OutputText() const
{
    return text_ ? text_->toPlainText() : QString();
}

QString TToolOutputPanel::StatusText() const
{
    return status_ ? status_->text() : kNothingRun;
}

void TToolOutputPanel::OpenLocation(int index)
{
    if (index >= 0 && index < int(locations_.size()) && OnOpenLocation)
        OnOpenLocation(locations_[size_t(index)]);
}

bool TToolOutputPanel::ParseLocation(const QString& line, const QString& folder, TToolOutputLocation& location)
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

bool TToolOutputPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (text_ && watched == text_->viewport()) {
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
    return QDockWidget::eventFilter(watched, event);
}

void TToolOutputPanel::readChannel(QProcess::ProcessChannel channel)
{
    const int i = channel == QProcess::StandardError ? 1 : 0;
    process_->setReadChannel(channel);
    pending_[i] += decoders_[i].decode(process_->readAll());
    qsizetype newline;
    while ((newline = pending_[i].indexOf(QLatin1Char('\n'))) >= 0) {
        appendLine(pending_[i].left(newline), i ? Style::Error : Style::Output);
        pending_[i].remove(0, newline + 1);
    }
}

void TToolOutputPanel::flushPending()
{
    for (int i = 0; i < 2; ++i) {
        if (!pending_[i].isEmpty())
            appendLine(pending_[i], i ? Style::Error : Style::Output);
        pending_[i].clear();
    }
}

void TToolOutputPanel::appendLine(QString line, Style style)
{
    build();
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    line = withoutEscapes(line);

    QTextCharFormat format;
    if (style == Style::Error)
        format.setForeground(QColor(0xA5, 0x1D, 0x2D));
    else if (style == Style::Command || style == Style::Status) {
        format.setForeground(text_->palette().color(QPalette::PlaceholderText));
        format.setFontWeight(QFont::Bold);
    }

    QTextCursor cursor(text_->document());
    cursor.movePosition(QTextCursor::End);
    const bool atEnd = text_->verticalScrollBar()->value() == text_->verticalScrollBar()->maximum();
    if (!text_->document()->isEmpty())
        cursor.insertBlock();

    TToolOutputLocation location;
    if ((style == Style::Output || style == Style::Error) && ParseLocation(line, folder_, location)) {
        // The whole line is the link; its reference is underlined.
        format.setAnchor(true);
        format.setAnchorHref(QString::number(locations_.size()));
        locations_.push_back(location);
        QTextCharFormat reference = format;
        reference.setFontUnderline(true);
        reference.setForeground(text_->palette().color(QPalette::Link));
        const qsizetype split = location.Span;
        cursor.insertText(line.left(split), reference);
        cursor.insertText(line.mid(split), format);
    } else {
        cursor.insertText(line, format);
    }
    if (atEnd)
        text_->verticalScrollBar()->setValue(text_->verticalScrollBar()->maximum());
}

void TToolOutputPanel::finished(int exitCode, QProcess::ExitStatus status)
{
    killTimer_->stop();
    readChannel(QProcess::StandardOutput);
    readChannel(QProcess::StandardError);
    flushPending();
    const QString time = seconds(clock_.elapsed());
    const bool crashed = status == QProcess::CrashExit;
    QString text;
    if (stopping_)
        text = QStringLiteral("Nástroj byl zastaven (%1).").arg(time);
    else if (crashed)
        text = QStringLiteral("Nástroj skončil chybou (%1).").arg(time);
    else
        text = QStringLiteral("Nástroj skončil s kódem %1 (%2).").arg(exitCode).arg(time);
    appendLine(text, Style::Status);
    // Green for success, red for anything else, as build panels show it.
    setStatus(title_ + QStringLiteral(": ") + text, !stopping_ && !crashed && exitCode == 0
            ? QColor(0x26, 0x7A, 0x2E)
            : QColor(0xA5, 0x1D, 0x2D));
    stop_->setEnabled(false); // built by setStatus
    emit Finished(exitCode, crashed || stopping_);
}

void TToolOutputPanel::setStatus(const QString& text, const QColor& colour)
{
    build();
    status_->setText(text);
    QPalette palette = status_->palette();
    palette.setColor(QPalette::WindowText, colour.isValid() ? colour : this->palette().color(QPalette::WindowText));
    status_->setPalette(palette);
}
