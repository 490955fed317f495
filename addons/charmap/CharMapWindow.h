#pragma once
// The character map tool window: the characters of a font by Unicode block,
// a search by name or code, and insertion of the chosen character into the
// active document of the host.
#include <QX_Types.h>

#include <QAbstractListModel>
#include <QFont>

class QCheckBox;
class QComboBox;
class QFontComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QTimer;

// The characters shown in the grid.
class TCharacterModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;
    enum { CodeRole = Qt::UserRole + 1 };

    void SetCharacters(QList<char32_t> codes);
    void SetFont(const QFont& font);
    const QList<char32_t>& Characters() const { return codes_; }

    int rowCount(const QModelIndex& parent) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QList<char32_t> codes_;
    QFont font_;
};

// The map's settings, kept in the plug-in's own file
// "<config>/Quorvix/CharMap.ini" and shared by all its windows.
struct TCharMapSettings {
    QString FontFamily;
    // ICU block code of the block shown.
    int Block = 0;
    // Only the characters the font itself has (no fallback fonts).
    bool FontOnly = true;
    QString Search;

    static TCharMapSettings Load();
    void Save() const;
};

class TCharMapWindow : public TQX_PluginWindow {
    Q_OBJECT
public:
    explicit TCharMapWindow(QWidget* parent = nullptr);
    ~TCharMapWindow() override;

    void Command(uint8_t code, void* param) override;

    // The character chosen in the grid; 0 when none.
    char32_t Current() const;
    // Selects the character in the grid when it is shown.
    bool Select(char32_t code);
    // Inserts the chosen character into the host's active document; false
    // (with the reason in the window) when there is none that takes text.
    bool InsertCurrent();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void applySettings();
    void refill();
    void showDetails();
    void saveSettings();

    TCharMapSettings settings_;
    QFontComboBox* font_;
    QComboBox* block_;
    QLineEdit* search_;
    QCheckBox* fontOnly_;
    QListView* grid_;
    TCharacterModel* model_;
    QLabel* preview_;
    QLabel* details_;
    QLabel* status_;
    QPushButton* insert_;
    QPushButton* copy_;
    QTimer* searchDelay_;
    bool placed_ = false;
};
