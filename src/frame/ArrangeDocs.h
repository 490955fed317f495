#pragma once
// TArrangeDocsForm ("Uspořádat dokumenty"): reorders and removes the paths of
// the documents panel's own folder. The dialog works on its own copy of the
// list; the owner takes Documents() after OK.
#include <QDialog>
#include <QStringList>

class QPushButton;
class TQXListView;

class TArrangeDocsForm : public QDialog {
    Q_OBJECT
public:
    TArrangeDocsForm(const QStringList& documents, QWidget* owner);

    const QStringList& Documents() const { return documents_; }

    TQXListView* QXListView1 = nullptr;
    QPushButton* Button1 = nullptr; // "&OK"
    QPushButton* Button2 = nullptr; // "&Storno"
    QPushButton* Button3 = nullptr; // "Odstranit"
    QPushButton* Button4 = nullptr; // "&Nahoru"
    QPushButton* Button5 = nullptr; // "&Dolů"

private:
    // The list holds the group header at item 0; path j is item j + 1.
    void fillList();
    void updateButtons(int item);
    void removeItem();
    void moveUp();
    void moveDown();

    QStringList documents_;
};
