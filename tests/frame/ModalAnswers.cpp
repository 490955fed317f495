#include "ModalAnswers.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

void ModalAnswers::StartAnswering()
{
    watcher_ = new QTimer;
    watcher_->setInterval(10);
    QObject::connect(watcher_, &QTimer::timeout, [this] { answerDialog(); });
    watcher_->start();
}

void ModalAnswers::StopAnswering()
{
    delete watcher_;
    watcher_ = nullptr;
}

ModalAnswers::Answer ModalAnswers::Button(QMessageBox::StandardButton button)
{
    return [button](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        box->button(button)->click();
    };
}

ModalAnswers::Answer ModalAnswers::Text(const QString& text)
{
    return [text](QWidget* w) {
        auto* dialog = qobject_cast<QInputDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        if (text.isNull()) {
            dialog->reject();
        } else {
            dialog->setTextValue(text);
            dialog->accept();
        }
    };
}

ModalAnswers::Answer ModalAnswers::File(const QString& path)
{
    return [path](QWidget* w) {
        auto* files = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(files, nullptr);
        // The name goes into the name field itself: selectFile() leaves that
        // field alone while it has the keyboard focus, and whether it has it
        // depends on when the window system activated the dialog.
        files->setDirectory(QFileInfo(path).absolutePath());
        auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QFileInfo(path).fileName());
        static_cast<QDialog*>(files)->accept();
    };
}

void ModalAnswers::answerDialog()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == last_ || !modal->isVisible() || modal->inherits("TLoadPluginListForm"))
        return;
    last_ = modal;
    QString text = modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal))
        text += QLatin1Char('|') + box->text();
    shown.push_back(text);
    if (!answers.empty()) {
        Answer answer = answers.front();
        answers.pop_front();
        answer(modal);
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
    }
}
