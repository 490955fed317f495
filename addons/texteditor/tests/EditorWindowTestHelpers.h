#pragma once
// Small helpers the tests of the editor windows share: byte literals with
// their zero bytes, commands sent with their events processed, the command
// set and the lists the window fills in.
#include <QX_Types.h>

#include <QApplication>
#include <QByteArray>
#include <QStringList>

#include <Qsci/qsciscintilla.h>

namespace {

inline QByteArray bytes(const char* text, size_t size)
{
    return QByteArray(text, qsizetype(size));
}
#define B(literal) bytes(literal, sizeof(literal) - 1)

inline void command(TQX_PluginWindow* window, uint8_t code, void* param = nullptr)
{
    window->Command(code, param);
    QApplication::processEvents();
}

inline bool has(TQX_PluginWindow* window, int code)
{
    return window->Commands.Contains(code);
}

inline long sci(QsciScintilla* editor, unsigned int message, long w = 0, long l = 0)
{
    return editor->SendScintilla(message, static_cast<unsigned long>(w), l);
}

inline QStringList list(TQX_PluginWindow* window, uint8_t code)
{
    QStringList steps {QStringLiteral("stale")};
    window->Command(code, &steps);
    return steps;
}

} // namespace
