#pragma once
// The hex editor's document window: the view over a mapped file, a status
// strip (caret offset, selection, size), the find and go-to dialogs, and the
// host's commands (edit, undo lists, find, save) answered through the
// document.
#include "HexDocument.h"

#include <QX_Types.h>

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QPointer>
#include <QTimer>

class QDialog;
class QLabel;
class QMenu;
class THexView;

// Settings of every hex editor window, kept across restarts.
struct THexSettings {
    int BytesPerRow = 16;
    int FontSize = 10;
    static THexSettings Load();
    void Save() const;
};

class THexEditorWindow : public TQX_PluginWindow {
    Q_OBJECT
    // The shared view settings, as the context menu changes them.
    Q_PROPERTY(int bytesPerRow READ bytesPerRow WRITE setBytesPerRow)
public:
    explicit THexEditorWindow(QWidget* parent = nullptr);
    ~THexEditorWindow() override;

    void LoadCookie(const QString& cookie) override;
    void SaveCookie(QString& cookie) override;
    void Command(uint8_t code, void* param) override;

    // The find dialog's search, also used by its buttons.
    bool FindNext(const QByteArray& pattern, bool forward);
    // Asks for an offset and moves the caret there.
    void GoToOffset();

    int bytesPerRow() const { return settings_.BytesPerRow; }
    void setBytesPerRow(int bytes);

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool openFile(const QString& fileName);
    bool saveTo(const QString& fileName);
    bool saveAs();
    bool maybeSave();
    void copy();
    void paste();
    void showFind();
    void applySettings();
    void changeSettings(const THexSettings& settings);
    void updateState();
    void updateStatus();
    void setFileName(const QString& fileName);
    void tell(const QString& text, bool error = true);
    int ask(const QString& text, bool cancellable = true);
    // The file on disk: watched, and compared with what was last opened or saved.
    struct TDiskStamp {
        bool Exists = false;
        qint64 Size = 0;
        QDateTime Modified;
        bool operator==(const TDiskStamp&) const = default;
    };
    static TDiskStamp stampOf(const QString& fileName);
    void watch();
    void checkDisk();
    // Opens the file again, keeping the caret and the scroll position.
    void reload();

    THexDocument document_;
    THexView* view_ = nullptr;
    QLabel* position_ = nullptr;
    QLabel* selection_ = nullptr;
    QLabel* size_ = nullptr;
    QLabel* note_ = nullptr;
    QPointer<QDialog> find_;
    THexSettings settings_;
    QFileSystemWatcher watcher_;
    QTimer diskTimer_;
    TDiskStamp disk_;
};
