#include "ui/WindowLifetime.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <vector>

namespace {

bool belongsTo(const QWidget* widget, const QWidget* owner)
{
    // Dialogs and menus are windows of their own: QWidget::isAncestorOf
    // stops at them.
    for (const QWidget* w = widget->parentWidget(); w; w = w->parentWidget())
        if (w == owner)
            return true;
    return false;
}

int loopLevel()
{
    return QThread::currentThread()->loopLevel();
}

} // namespace

void StopWatchingChildren(QObject* watcher)
{
    for (QObject* child : watcher->findChildren<QObject*>())
        child->removeEventFilter(watcher);
}

bool EndQuestionsOf(QWidget* widget)
{
    std::vector<QPointer<QWidget>> open;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && (top->isModal() || top->windowType() == Qt::Popup) && belongsTo(top, widget))
            open.emplace_back(top);
    for (const QPointer<QWidget>& question : open) {
        if (!question)
            continue;
        if (auto* dialog = qobject_cast<QDialog*>(question.data()))
            dialog->reject();
        else
            question->close();
    }
    return !open.empty();
}

void DeleteWhenItsLoopsEnd(QWidget* widget)
{
    const int level = loopLevel();
    if (!EndQuestionsOf(widget)) {
        widget->deleteLater();
        return;
    }
    // The question's loop is the one this call is served in (or one around
    // it): it has ended once the loop level is below this one. Then look
    // again, since the code that asked may ask something else.
    auto* poll = new QTimer(widget);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, widget, [widget, poll, level] {
        if (loopLevel() >= level)
            return;
        poll->stop();
        poll->deleteLater();
        DeleteWhenItsLoopsEnd(widget);
    });
    poll->start();
}
