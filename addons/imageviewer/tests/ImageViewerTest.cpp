// The image viewer plug-in loaded by a frame beside the hex editor and the
// text editor: which plug-in the frame chooses, zoom and fit through the
// window's toolbar, the status strip, reloading after a change on disk, and
// what survives a restart.
#include "AddonFrame.h"

#include "QX_Types.h"
#include "frame/FrameWindow.h"
#include "plugins/PluginManagement.h"
#include "plugins/PluginWindowList.h"

#include <QAction>
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QSaveFile>
#include <QTest>


namespace {

QByteArray encode(const QImage& image, const char* format = "PNG")
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage picture(int width, int height, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(width, height, format);
    image.fill(Qt::white);
    QPainter p(&image);
    p.fillRect(0, 0, width / 2, height / 2, Qt::darkBlue);
    p.fillRect(width / 2, height / 2, width / 2, height / 2, QColor(200, 80, 20));
    return image;
}

const QByteArray kSvg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"120\" height=\"60\">"
                        "<rect width=\"120\" height=\"60\" fill=\"#0969da\"/></svg>\n";

class ImageViewerTest : public AddonFrameFixture {
protected:
    void SetUp() override { StartFrame(LibraryList(QStringLiteral(QX_ADDON_PLUGINS))); }

    static void Tool(TQX_PluginWindow* w, const char* name)
    {
        auto* action = w->findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_NE(action, nullptr) << name;
        action->trigger();
    }
    static bool Fitting(TQX_PluginWindow* w) { return w->findChild<QAction*>(QStringLiteral("actionFit"))->isChecked(); }
    TQX_PluginWindow* OpenInViewer(const QString& path)
    {
        return frame->OpenFile(path, Entry(QStringLiteral("Prohlížeč obrázků"))->ID);
    }
    // The texts of the status strip's labels that do not fit their label.
    static QStringList CutTexts(TQX_PluginWindow* w)
    {
        QStringList cut;
        for (const QLabel* label : w->findChild<QWidget*>(QStringLiteral("statusStrip"))->findChildren<QLabel*>()) {
            if (!label->isVisible() || label->text().isEmpty())
                continue;
            const bool fits = label->wordWrap() ? label->heightForWidth(label->width()) <= label->height()
                                                : label->sizeHint().width() <= label->width();
            if (!fits)
                cut << label->text();
        }
        return cut;
    }
    // Replaces the file as most programs save: a new file renamed over it.
    static void Replace(const QString& path, const QByteArray& bytes)
    {
        QSaveFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        ASSERT_TRUE(file.commit());
    }
};

TEST_F(ImageViewerTest, OpenChoosesAmongViewerHexAndTextEditors)
{
    TQX_PluginEntry* viewer = Entry(QStringLiteral("Prohlížeč obrázků"));
    TQX_PluginEntry* hex = Entry(QStringLiteral("Hex editor"));
    TQX_PluginEntry* text = Entry(QStringLiteral("Textový editor"));
    ASSERT_TRUE(viewer && hex);
    if (!text)
        GTEST_SKIP() << "the text editor plug-in is not built";
    struct Case {
        const char* name;
        QByteArray bytes;
        int viewerAnswer, hexAnswer, textAnswer;
        const char* windowClass;
    };
    const Case cases[] = {
        {"photo.png", encode(picture(40, 30)), 2, 1, 0, "TImageViewerWindow"},
        {"photo.jpg", encode(picture(40, 30), "JPEG"), 2, 1, 0, "TImageViewerWindow"},
        {"noext", encode(picture(8, 8), "BMP"), 2, 1, 0, "TImageViewerWindow"},
        // SVG is text: its editor first, the viewer offered.
        {"logo.svg", kSvg, 1, 0, 2, "TTextEditorWindow"},
        {"fake.png", QByteArray("\x01\x02\x00\x03", 4), 0, 2, 0, "THexEditorWindow"},
        {"readme.txt", "words\n", 0, 0, 1, "TTextEditorWindow"},
    };
    for (const Case& c : cases) {
        const QString path = WriteFile(c.name, c.bytes);
        EXPECT_EQ(viewer->CanOpenFile(path), c.viewerAnswer) << c.name;
        EXPECT_EQ(hex->CanOpenFile(path), c.hexAnswer) << c.name;
        EXPECT_EQ(text->CanOpenFile(path), c.textAnswer) << c.name;
        TQX_PluginWindow* window = Open(path);
        ASSERT_NE(window, nullptr) << c.name;
        EXPECT_STREQ(window->metaObject()->className(), c.windowClass) << c.name;
        window->close();
    }
    EXPECT_TRUE(modal.shown.empty()) << "the frame asked: " << modal.shown.front().toStdString();
}

TEST_F(ImageViewerTest, ZoomsFitsAndDescribesThePicture)
{
    const QString path = WriteFile("big.png", encode(picture(4000, 3000)));
    TQX_PluginWindow* w = Open(path);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("big.png"));
    EXPECT_EQ(Label(w, "dimensionsLabel"), QStringLiteral("4000 × 3000 px"));
    EXPECT_EQ(Label(w, "depthLabel"), QStringLiteral("Hloubka: 24 bitů (RGB)"));
    EXPECT_TRUE(Label(w, "sizeLabel").startsWith(QStringLiteral("Soubor: "))) << Label(w, "sizeLabel").toStdString();
    EXPECT_EQ(Label(w, "formatLabel"), QStringLiteral("PNG"));
    // A picture larger than the window opens fitted, below 100 %.
    EXPECT_TRUE(Fitting(w));
    const int fitted = Label(w, "zoomLabel").mid(6).chopped(2).toInt();
    EXPECT_GT(fitted, 0);
    EXPECT_LT(fitted, 50);
    Tool(w, "actionActualSize");
    EXPECT_EQ(Label(w, "zoomLabel"), QStringLiteral("Lupa: 100 %"));
    EXPECT_FALSE(Fitting(w));
    Tool(w, "actionZoomIn");
    EXPECT_EQ(Label(w, "zoomLabel"), QStringLiteral("Lupa: 125 %"));
    Tool(w, "actionZoomOut");
    Tool(w, "actionZoomOut");
    EXPECT_EQ(Label(w, "zoomLabel"), QStringLiteral("Lupa: 80 %"));
    Tool(w, "actionFit");
    EXPECT_TRUE(Fitting(w));
    EXPECT_EQ(Label(w, "zoomLabel"), QStringLiteral("Lupa: %1 %").arg(fitted));
    // The frame's copy command puts the picture on the clipboard.
    EXPECT_TRUE(Trigger(FrameAction::EditCopy));
    EXPECT_FALSE(Enabled(FrameAction::EditUndo));
}

TEST_F(ImageViewerTest, TellsTheColourDepthOfTheFile)
{
    struct Case {
        QImage image;
        const char* depth;
    };
    QImage indexed = picture(16, 16).convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    const Case cases[] = {
        {picture(16, 16), "24 bitů (RGB)"},
        {picture(16, 16, QImage::Format_ARGB32), "32 bitů (RGB s průhledností)"},
        {picture(16, 16).convertToFormat(QImage::Format_Grayscale8), "8 bitů (stupně šedi)"},
        {indexed, "8 bitů (paleta, 3 barev)"},
        {picture(16, 16).convertToFormat(QImage::Format_Mono), "1 bit (černobílý)"},
        {picture(16, 16, QImage::Format_RGBA64), "64 bitů (RGB s průhledností, 16 bitů na složku)"},
    };
    int n = 0;
    for (const Case& c : cases) {
        TQX_PluginWindow* w = OpenInViewer(WriteFile("depth" + std::to_string(n++) + ".png", encode(c.image)));
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(Label(w, "depthLabel"), QStringLiteral("Hloubka: ") + QString::fromUtf8(c.depth));
        w->close();
    }
    TQX_PluginWindow* svg = OpenInViewer(WriteFile("logo.svg", kSvg));
    ASSERT_NE(svg, nullptr);
    EXPECT_EQ(Label(svg, "dimensionsLabel"), QStringLiteral("120 × 60 px"));
    EXPECT_EQ(Label(svg, "depthLabel"), QStringLiteral("Hloubka: vektorový obrázek"));
    EXPECT_EQ(Label(svg, "formatLabel"), QStringLiteral("SVG"));
}

TEST_F(ImageViewerTest, ReloadsWhenTheFileChangesAndKeepsThePictureWhenItCannot)
{
    const QString path = WriteFile("live.png", encode(picture(100, 50)));
    TQX_PluginWindow* w = Open(path);
    ASSERT_NE(w, nullptr);
    Tool(w, "actionActualSize");
    Replace(path, encode(picture(200, 80)));
    EXPECT_TRUE(WaitFor([&] { return Label(w, "dimensionsLabel") == QStringLiteral("200 × 80 px"); }))
        << Label(w, "dimensionsLabel").toStdString();
    EXPECT_EQ(Label(w, "noteLabel"), QStringLiteral("Znovu načteno po změně souboru"));
    EXPECT_EQ(Label(w, "zoomLabel"), QStringLiteral("Lupa: 100 %")) << "a reload keeps the zoom";
    // Every text of the strip is whole, in a narrow window too.
    for (int width : {900, 380}) {
        w->parentWidget()->resize(width, 300);
        Spin(50);
        EXPECT_EQ(CutTexts(w), QStringList()) << width;
    }
    // Written in place, and broken: the last good picture stays.
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(encode(picture(200, 80)).left(40));
    }
    EXPECT_TRUE(WaitFor([&] { return Label(w, "noteLabel").contains(QStringLiteral("nelze načíst")); }))
        << Label(w, "noteLabel").toStdString();
    Spin(50);
    EXPECT_EQ(CutTexts(w), QStringList());
    EXPECT_EQ(Label(w, "dimensionsLabel"), QStringLiteral("200 × 80 px"));
    // Deleted, then written again.
    QFile::remove(path);
    EXPECT_TRUE(WaitFor([&] { return Label(w, "noteLabel").contains(QStringLiteral("smazán")); }));
    WriteFile("live.png", encode(picture(30, 20)));
    EXPECT_TRUE(WaitFor([&] { return Label(w, "dimensionsLabel") == QStringLiteral("30 × 20 px"); }))
        << Label(w, "dimensionsLabel").toStdString();
    EXPECT_TRUE(modal.shown.empty());
}

TEST_F(ImageViewerTest, ABrokenPictureIsReportedAndLeavesNoEmptyWindow)
{
    QByteArray broken = encode(picture(50, 50)).left(60);
    const QString path = WriteFile("broken.png", broken);
    modal.answers.push_back(ModalAnswers::Button(QMessageBox::Ok));
    EXPECT_EQ(Open(path), nullptr);
    ASSERT_EQ(modal.shown.size(), 1u);
    EXPECT_TRUE(modal.shown[0].contains(QStringLiteral("nelze načíst"))) << modal.shown[0].toStdString();
    EXPECT_EQ(GetDocumentWindowCount(), 0);
    EXPECT_FALSE(Enabled(FrameAction::EditCopy));
}

TEST_F(ImageViewerTest, ZoomAndBackgroundSurviveARestart)
{
    const QString path = WriteFile("keep.png", encode(picture(3000, 2000)));
    TQX_PluginWindow* w = Open(path);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->setProperty("background", 2));
    Tool(w, "actionActualSize");
    Tool(w, "actionZoomOut");
    w->close();
    RestartFrame();
    w = Open(path);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->property("background").toInt(), 2);
    EXPECT_EQ(Label(w, "zoomLabel"), QStringLiteral("Lupa: 80 %"));
    EXPECT_FALSE(Fitting(w));
}

TEST_F(ImageViewerTest, HasItsOwnAboutBox)
{
    QString title;
    const QString body = AboutBox(QStringLiteral("Prohlížeč obrázků"), &title);
    EXPECT_EQ(title, QStringLiteral("O prohlížeči obrázků"));
    EXPECT_TRUE(body.contains(QStringLiteral("SVG"))) << body.toStdString();
}

} // namespace
