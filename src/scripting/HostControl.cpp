// Host functions: script registry values, run control, small functions and
// the menu commands.
#include "scripting/HostFunctions.h"

#include "frame/FrameActions.h"
#include "frame/FrameWindow.h"
#include "platform/Registry.h"
#include "script/ScriptConsole.h"

#include <QAction>
#include <QEventLoop>
#include <QTimer>

#include <ostream>

namespace qx::host {

namespace {

// Values the scripts name themselves live under this key.
const char* const kScriptingKey = "Software\\Quorvix\\Scripting";

// The functions that behave the same with or without the program (Inc, Dec,
// Halt, Random, Randomize, LowerCase) come from the engine's console table.
const TScriptHostFunctions& consoleFunctions()
{
    static std::ostream discard(nullptr);
    static const TScriptHostFunctions table = ConsoleHostFunctions(discard);
    return table;
}

HostFunction fromConsole(const std::string& name)
{
    const std::vector<std::string>& signatures = consoleFunctions().Signatures();
    for (size_t i = 0; i < signatures.size(); ++i)
        if (SignatureNameOf(signatures[i], 0) == name) {
            const int index = int(i);
            return [index](const TScriptHostCall& c) {
                consoleFunctions().Dispatch(c.Runner, c.Name, index, c.Params, c.Result);
            };
        }
    throw std::logic_error("the console table has no function " + name);
}

// Reads a value of the scripting key: the value when it exists with the
// type asked for, 0 or the empty text when it does not exist, fallback when
// the key cannot be opened or the value has another type.
template <typename T, typename Read>
T readValue(const std::string& name, T absent, T fallback, qx::RegDataType type, Read read)
{
    try {
        qx::Registry reg;
        if (!reg.OpenKey(kScriptingKey, true))
            return fallback;
        if (!reg.ValueExists(name))
            return absent;
        if (reg.GetDataType(name) != type)
            return fallback;
        return read(reg);
    } catch (const std::exception&) {
        return fallback;
    }
}

template <typename Write>
bool writeValue(Write write)
{
    try {
        qx::Registry reg;
        if (!reg.OpenKey(kScriptingKey, true))
            return false;
        write(reg);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Sleep: one step of 95 ms per full 100 ms asked for, serving the event loop
// meanwhile (so the abort button works); a stop request ends it early.
void sleep(const TScriptHostCall& c)
{
    for (int32_t steps = c.Integer(0) / 100; steps > 0 && !c.Runner.IsStopRequested(); --steps) {
        QEventLoop loop;
        QTimer::singleShot(95, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

// A menu command: runs the frame action when it is enabled; TRUE then.
HostFunction menuCommand(const char* actionName)
{
    const TFrameActionDef* def = FindFrameActionDef(actionName);
    if (!def)
        throw std::logic_error(std::string("no frame action ") + actionName);
    const FrameAction id = def->id;
    return [id](const TScriptHostCall& c) {
        TFrameWindowForm* frame = FrameWindow();
        QAction* action = frame ? frame->Action(id) : nullptr;
        // Decided on the windows as they are now, not as the last update saw them.
        if (action)
            frame->BringActionsUpToDate();
        if (!action || !action->isEnabled())
            return;
        action->trigger();
        c.ReturnBoolean(true);
    };
}

} // namespace

void AddControlFunctions(HostFunctionMap& map)
{
    map["RegReadInt"] = [](const TScriptHostCall& c) {
        const int32_t fallback = c.Integer(1);
        c.ReturnInteger(readValue<int32_t>(c.Text(0), 0, fallback, qx::RegDataType::Integer,
            [&](qx::Registry& reg) { return reg.ReadInteger(c.Text(0)); }));
    };
    map["RegReadString"] = [](const TScriptHostCall& c) {
        c.ReturnText(readValue<std::string>(c.Text(0), std::string(), c.Text(1), qx::RegDataType::String,
            [&](qx::Registry& reg) { return reg.ReadString(c.Text(0)); }));
    };
    map["RegWriteInt"] = [](const TScriptHostCall& c) {
        c.ReturnBoolean(writeValue([&](qx::Registry& reg) { reg.WriteInteger(c.Text(0), c.Integer(1)); }));
    };
    map["RegWriteString"] = [](const TScriptHostCall& c) {
        c.ReturnBoolean(writeValue([&](qx::Registry& reg) { reg.WriteString(c.Text(0), c.Text(1)); }));
    };

    for (const char* name : {"Halt", "Inc", "Dec", "Random", "Randomize", "LowerCase"})
        map[name] = fromConsole(name);
    map["Sleep"] = sleep;

    for (const MenuCommand& m : MenuCommands())
        map[m.function] = menuCommand(m.action);
}

} // namespace qx::host
