#pragma once
// The image viewer's document window: the view, a small toolbar (zoom in,
// zoom out, 100 %, fit), a status strip with the picture's pixel size,
// colour depth, file size, format and zoom, and a watch on the file that
// reloads the picture when it changes on disk.
#include <QX_Types.h>

#include <QFileSystemWatcher>
#include <QTimer>

class QAction;
class QLabel;
class TImageView;

class TImageViewerWindow : public TQX_PluginWindow {
    Q_OBJECT
    // The shared background setting: 0 checkerboard, 1 light, 2 dark.
    Q_PROPERTY(int background READ background WRITE setBackground)
public:
    explicit TImageViewerWindow(QWidget* parent = nullptr);
    ~TImageViewerWindow() override;

    void LoadCookie(const QString& cookie) override;
    void SaveCookie(QString& cookie) override;
    void Command(uint8_t code, void* param) override;

    int background() const { return background_; }
    void setBackground(int background);

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool openFile(const QString& fileName);
    // Reads the file again after a change on disk; the old picture stays
    // when the new one cannot be read.
    void reload();
    bool load(const QString& fileName, bool keepView, QString* error);
    void watch();
    void loadSettings();
    void updateStatus();
    // The note below the status row; hidden while empty.
    void setNote(const QString& text);
    void updateZoom();
    void tell(const QString& text);

    TImageView* view_ = nullptr;
    QAction* fit_ = nullptr;
    QLabel* dimensions_ = nullptr;
    QLabel* depth_ = nullptr;
    QLabel* size_ = nullptr;
    QLabel* format_ = nullptr;
    QLabel* zoom_ = nullptr;
    QLabel* note_ = nullptr;
    QFileSystemWatcher watcher_;
    // Changes come in bursts while a file is written: one reload after them.
    QTimer reloadTimer_;
    // A file replaced by renaming drops out of the watch: look for it again.
    QTimer rewatchTimer_;
    int background_ = 0;
};
