#pragma once
// Names for the editor component's undo and redo steps. The component keeps
// its undo history without descriptions; this follows its change
// notifications (a new step starts with the first change of an undo
// transaction, an undo or redo ends with the last change it makes) and
// keeps one readable line per step, so that the host can list the steps.
#include <QObject>
#include <QString>
#include <QStringList>

class QsciScintilla;

class TUndoSteps : public QObject {
public:
    explicit TUndoSteps(QsciScintilla* editor);

    // The steps, the next one first.
    QStringList UndoSteps() const;
    QStringList RedoSteps() const;

    // Names the next step the window itself starts ("Nahrazení všech výskytů").
    void NameNextStep(const QString& name) { nextName_ = name; }
    // Forgets everything: the component's history was emptied.
    void Reset();
    // While suspended (loading a file) changes are not recorded.
    void SetSuspended(bool suspended) { suspended_ = suspended; }

private:
    void modified(int position, int type, const char* text, int length);

    QsciScintilla* editor_;
    // Oldest first; each entry also remembers whether it is still typing that
    // later keystrokes extend.
    struct TStep {
        QString Name;
        // The text the step typed or deleted so far, and where it starts.
        QString Typed;
        int Position = 0;
        bool Typing = false;
        bool Insert = true;
        // Named by the window: later changes of the step keep the name.
        bool Named = false;
    };
    QList<TStep> undo_, redo_;
    QString nextName_;
    bool suspended_ = false;
};
