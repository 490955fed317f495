// qxhelpgen: writes the generated part of the help at build time.
//
//   qxhelpgen DESCRIPTIONS EXAMPLES_FOLDER CONTENTS_TEMPLATE OUTPUT_FOLDER
//
// Reads the host function table of the library it is linked with, the
// description file, the examples ("<Function>.qx") and the contents
// template, and writes the host-function
// pages, the error code page and the help file into OUTPUT_FOLDER (the
// program's folder). Functions without a description are named on stderr;
// their pages are still written (the reference test fails on them).
// Exits with 1 when a file cannot be read or written.
#include "help/HelpReference.h"
#include "script/ScriptValues.h"
#include "scripting/HostFunctions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>

namespace {

bool readText(const QString& path, QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "qxhelpgen: cannot read %s\n", qPrintable(path));
        return false;
    }
    text = QString::fromUtf8(file.readAll());
    return true;
}

// Writes only when the content changed, so an unchanged page keeps its time.
bool writeText(const QString& path, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    QFile old(path);
    if (old.open(QIODevice::ReadOnly) && old.readAll() == bytes)
        return true;
    old.close();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        std::fprintf(stderr, "qxhelpgen: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: qxhelpgen DESCRIPTIONS EXAMPLES_FOLDER CONTENTS_TEMPLATE OUTPUT_FOLDER\n");
        return 2;
    }
    QString descriptions, contents;
    if (!readText(QString::fromLocal8Bit(argv[1]), descriptions) || !readText(QString::fromLocal8Bit(argv[3]), contents))
        return 1;
    qx::help::THostFunctionExamples examples;
    const QDir exampleDir(QString::fromLocal8Bit(argv[2]));
    for (const QFileInfo& file : exampleDir.entryInfoList({QStringLiteral("*.qx")}, QDir::Files, QDir::Name)) {
        QString text;
        if (!readText(file.filePath(), text))
            return 1;
        examples.insert(file.completeBaseName(), qx::help::ParseHostFunctionExample(text));
    }
    const auto& signatures = qx::host::HostFunctionSignatures();
    const qx::help::THostFunctionDocs docs = qx::help::ParseHostFunctionDocs(descriptions);
    for (const QString& e : docs.Errors)
        std::fprintf(stderr, "qxhelpgen: %s: %s\n", argv[1], qPrintable(e));
    const qx::help::TDocCoverage coverage = qx::help::CheckHostFunctionDocs(signatures, docs);
    for (const QString& name : coverage.Undescribed)
        std::fprintf(stderr, "qxhelpgen: warning: host function %s has no description\n", qPrintable(name));
    for (const QString& name : coverage.Unknown)
        std::fprintf(stderr, "qxhelpgen: warning: %s is described but is no host function\n", qPrintable(name));

    for (auto it = examples.begin(); it != examples.end(); ++it)
        if (std::none_of(signatures.begin(), signatures.end(),
                [&](const std::string& s) { return QString::fromStdString(qx::SignatureNameOf(s, 0)) == it.key(); }))
            std::fprintf(stderr, "qxhelpgen: warning: example %s.qx names no host function\n", qPrintable(it.key()));

    const QString out = QString::fromLocal8Bit(argv[4]);
    const auto files = qx::help::GenerateReference(signatures, docs, contents, examples);
    for (auto it = files.begin(); it != files.end(); ++it)
        if (!writeText(out + QLatin1Char('/') + it.key(), it.value()))
            return 1;
    return 0;
}
