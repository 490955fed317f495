#pragma once
// How the frame's document area (the desktop behind the document windows) is
// painted: the desktop record, stored whole as a 540-byte binary value, and
// the dialog that edits it.
#include <QColor>
#include <QDialog>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class TColorComboBox;
class TFilenameEdit;

// The desktop record, held as its stored bytes so that it is written back
// byte for byte: two sets (normal and full-screen display mode) of a mode, a
// colour 0x00BBGGRR and an image path (UTF-8, zero-terminated within 260
// bytes), and the flag that makes the normal set apply in both modes.
class TDesktopRecord {
public:
    static constexpr size_t kSize = 540;
    // The longest image path, in bytes of its stored text.
    static constexpr int kMaxImageBytes = 259;
    enum Mode : uint8_t { SystemDefault = 0, SolidColor = 1, TiledImage = 2 };
    enum class Set { Normal, FullScreen };

    // The default record: both sets system default, SameForBoth on.
    TDesktopRecord();
    // A stored value fills the record from its first byte; more than kSize
    // bytes is not a desktop record.
    static std::optional<TDesktopRecord> FromBytes(const std::vector<uint8_t>& bytes);
    std::vector<uint8_t> Bytes() const;

    uint8_t GetMode(Set set) const;
    void SetMode(Set set, uint8_t mode);
    QColor GetColor(Set set) const;
    void SetColor(Set set, const QColor& color);
    QString GetImage(Set set) const;
    // False (and nothing changed) when the path is longer than the field holds.
    bool SetImage(Set set, const QString& path);
    bool SameForBoth() const;
    void SetSameForBoth(bool same);
    // The set that paints the desktop in the given display mode.
    Set AppliedSet(bool fullScreenMode) const;

private:
    std::array<uint8_t, kSize> bytes_ {};
};

// The texts the image path field takes: at most kMaxImageBytes of UTF-8.
bool FitsDesktopImageField(const QString& path);

class TDesktopOptionsForm : public QDialog {
    Q_OBJECT
public:
    // Edits record in place; the caller reloads the stored record after a
    // cancel.
    explicit TDesktopOptionsForm(TDesktopRecord& record, QWidget* owner = nullptr);

    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* ComboBox1 = nullptr; // which set is edited
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QRadioButton* RadioButton3 = nullptr;
    TColorComboBox* ColorComboBox1 = nullptr;
    TFilenameEdit* FilenameEdit1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Image3 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    // The set ComboBox1 shows.
    TDesktopRecord::Set ShownSet() const;

private:
    void checkBox1Click();
    void showSet();
    void apply();
    void button1Click();

    TDesktopRecord& record_;
    bool showing_ = false;
};
