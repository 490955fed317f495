// Which lexer a file gets and how the two entries answer CanOpenFile.
#include "FileTypes.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <Qsci/qscilexer.h>

#include <filesystem>

namespace {

TEST(FileTypes, LanguageFromNameThenFirstLine)
{
    struct Case {
        const char* file;
        const char* head;
        const char* language; // "" for plain text
    } cases[] = {
        {"main.cpp", "", "cpp"},
        {"/src/UNIT.PAS", "", "pascal"},
        {"tool.py", "", "python"},
        {"build.sh", "", "shell"},
        {"index.HTML", "", "html"},
        {"layout.ui", "", "xml"},
        {"site.css", "", "css"},
        {"app.js", "", "javascript"},
        {"package.json", "", "json"},
        {"schema.sql", "", "sql"},
        {"Makefile", "", "makefile"},
        {"rules.mk", "", "makefile"},
        {"CMakeLists.txt", "", "cmake"},
        {"setup.ini", "", "ini"},
        {"registry.reg", "", "ini"},
        {"README.md", "", "markdown"},
        {"fix.patch", "", "diff"},
        {"Default.qx", "", "qxscript"},
        {"notes.txt", "", ""},
        {"configure", "#!/bin/sh\necho", "shell"},
        {"run", "#!/usr/bin/env -S python3 -u\n", "python"},
        {"data", "<?xml version=\"1.0\"?>\n<a/>", "xml"},
        {"page", "<!doctype html>\n<html>", "html"},
        {"changes", "diff --git a/x b/x\n", "diff"},
        {"changes2", "--- a/x\n+++ b/x\n@@", "diff"},
        {"plain", "#!/usr/bin/unknown-interpreter\n", ""},
        // The name wins over the first line.
        {"script.py", "#!/bin/sh\n", "python"},
    };
    for (const Case& c : cases) {
        const TLanguage* language = DetectLanguage(QString::fromUtf8(c.file), QByteArray(c.head));
        EXPECT_EQ(language ? language->Id.toStdString() : std::string(), c.language) << c.file;
    }
}

TEST(FileTypes, EveryLanguageHasALexerAndAUniqueId)
{
    QObject owner;
    QStringList ids;
    for (const TLanguage& language : Languages()) {
        EXPECT_FALSE(ids.contains(language.Id)) << language.Id.toStdString();
        ids << language.Id;
        if (language.Id == kScriptLanguageId)
            continue;
        EXPECT_NE(CreateLexer(language.Id, &owner), nullptr) << language.Id.toStdString();
    }
    for (const char* required : {"cpp", "pascal", "python", "shell", "html", "xml", "css", "javascript", "json", "sql",
             "makefile", "cmake", "ini", "markdown", "diff"})
        EXPECT_TRUE(ids.contains(QLatin1String(required))) << required;
}

TEST(FileTypes, CanOpenAnswersOfBothEntries)
{
    qxtest::TempDir dir;
    auto make = [&dir](const char* name, const QByteArray& content) {
        QFile file(QString::fromStdString(dir.file(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return file.fileName();
    };
    std::filesystem::create_directory(dir.path() / "folder.cpp");
    struct Case {
        QString file;
        uint8_t text;
        uint8_t script;
    } cases[] = {
        {make("a.cpp", "int x;\n"), 2, 0},
        {make("Default.qx", "begin end.\n"), 1, 2},
        {make("README", "just text\n"), 1, 0},
        {make("empty", QByteArray()), 1, 0},
        {make("configure", "#!/bin/bash\n"), 2, 0},
        {make("image.bin", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)), 0, 0},
        {make("utf16.txt", QByteArray("\xFF\xFEh\0i\0", 6)), 1, 0},
        {QString::fromStdString(dir.file("missing.txt")), 0, 0},
        {QString::fromStdString(dir.file("folder.cpp")), 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextEditorCanOpen(c.file), c.text) << c.file.toStdString();
        EXPECT_EQ(ScriptEditorCanOpen(c.file), c.script) << c.file.toStdString();
    }
}

TEST(FileTypes, FiltersArePairs)
{
    for (const QString& filter : {TextEditorFilter(), ScriptEditorFilter()}) {
        const QStringList parts = filter.split(u'|');
        ASSERT_EQ(parts.size(), 2) << filter.toStdString();
        EXPECT_FALSE(parts[0].isEmpty());
        EXPECT_TRUE(parts[1].contains(u'*'));
    }
    EXPECT_TRUE(ScriptEditorFilter().endsWith(u"|*.qx"));
    EXPECT_TRUE(TextEditorFilter().contains(u"*.cpp"));
}

} // namespace
