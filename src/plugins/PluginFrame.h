#pragma once
// How plug-in objects reach the frame window. The frame installs its
// implementation with SetPluginFrame(); until then (and in tests) a default
// without a frame is used: no main window, no document area, refresh
// requests and menu rebuilds do nothing, and the about box is the host's
// (QXAboutBox).
#include <QIcon>
#include <QString>

class QMdiArea;
class QWidget;
class TQX_PluginWindow;

class TQX_PluginFrame {
public:
    virtual ~TQX_PluginFrame();

    // The frame's main window: written into the application objects of the
    // plug-ins (read on the loader thread, so it must not change while
    // plug-ins load) and used as parent of the host's dialogs. Null without a frame.
    virtual QWidget* MainWindow() const;
    // Where document windows go; null without a frame.
    virtual QMdiArea* DocumentArea() const;

    // Schedules one debounced refresh of the frame's actions, toolbars,
    // captions and status bar.
    virtual void RequestToolbarUpdate();
    // Rebuilds everything the frame derives from the plug-in list (menus,
    // open-dialog filter, image lists, New and Open); run after loading.
    virtual void RebuildPluginMenus();

    // A document window was launched and added to the document-window list:
    // the frame puts it into its document area. Default: nothing.
    virtual void AttachDocumentWindow(TQX_PluginWindow* window);
    // A tool window was launched and added to the tool-window list: the frame
    // makes it its own top-level tool window. Default: nothing.
    virtual void AttachToolWindow(TQX_PluginWindow* window);

    // Closes the frame as the user closing its main window does (close query,
    // closing, the end of the process), as soon as the user could: once
    // start-up has finished, with no script running and no modal dialog up.
    // Returns at once. Default: nothing.
    virtual void RequestClose();

    // A document window's text or language changed (QXNotifyTextChanged):
    // the frame refreshes what it derives from the text. Default: nothing.
    virtual void DocumentTextChanged(TQX_PluginWindow* window);

    // The host's about box for a plug-in without its own: icon (may be null),
    // text (the plug-in's FullName). Default: QXAboutBox without a caption.
    virtual void ShowPluginAboutBox(const QIcon& icon, const QString& text);
};

// The installed frame, or the default one. Never null.
TQX_PluginFrame& PluginFrame();
// Installs frame (not owned); null restores the default.
void SetPluginFrame(TQX_PluginFrame* frame);
