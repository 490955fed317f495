// Loading (declarations), skipping, the run entry points and the public class.
// Translation is in ScriptCompile.cpp, execution in ScriptExec.cpp.
#include "script/ScriptInterpreter.h"

#include <algorithm>
#include <new>

#if defined(__linux__)
#include <pthread.h>
#endif

#include "script/ScriptEngine.h"

namespace qx {

namespace detail {

namespace {

uint16_t ErrorTokenCode(TQXTokenCode c) { return c == tcUnterminatedString ? seBadString : seSyntaxError; }
bool IsErrorToken(TQXTokenCode c) { return c >= tcInvalidChar && c <= tcInvalidNumber; }

}  // namespace

Engine::Engine(TQXScriptInterpreter& owner, void* userData) : owner_(owner), userData_(userData) {
    toks_.push_back(TQXToken{});  // an empty text: just the end
    cache_.resize(1);
    contexts_.push_back(std::make_unique<Context>());
    ctx_ = contexts_[0].get();
}

Engine::~Engine() = default;

int32_t Engine::TokenAt(int32_t pos) const {
    auto it = std::lower_bound(toks_.begin(), toks_.end(), pos, [](const TQXToken& t, int32_t p) { return t.Pos < p; });
    if (it == toks_.end()) return static_cast<int32_t>(toks_.size() - 1);
    return static_cast<int32_t>(it - toks_.begin());
}

int32_t Engine::NameId(const std::string& upper) {
    auto [it, added] = nameIds_.emplace(upper, static_cast<int32_t>(names_.size()));
    if (added) names_.push_back(upper);
    return it->second;
}

bool Engine::Fail(uint16_t code, int32_t tok) {
    lastError_ = code;
    lastPos_ = code ? Tok(tok).Pos : -1;
    curPos_ = Tok(tok).Pos;
    return false;
}

void Engine::FailAt(uint16_t code, int32_t pos) {
    lastError_ = code;
    lastPos_ = pos;
}

bool Engine::CallHook(int32_t tok) {
    uint16_t code;
    try {
        code = owner_.OnStatement(userData_, owner_, Tok(tok).Pos);
    } catch (...) {
        code = seHostException;
    }
    if (code) return Fail(code, tok);
    return true;
}

namespace {

// The deepest the native stack of this thread may grow before a run reports
// seStackOverflow (recursion of scripts is recursion of the engine); 0 when
// unknown. Found once per thread: the system reads it from the process's maps.
uintptr_t ThreadStackLimit() {
    thread_local uintptr_t limit = [] {
        uintptr_t l = 0;
#if defined(__linux__)
        pthread_attr_t attr;
        if (pthread_getattr_np(pthread_self(), &attr) == 0) {
            void* low = nullptr;
            size_t size = 0;
            if (pthread_attr_getstack(&attr, &low, &size) == 0 && size > 0) {
                const size_t margin = std::max<size_t>(size_t(256) << 10, size / 8);
                if (margin < size) l = reinterpret_cast<uintptr_t>(low) + margin;
            }
            pthread_attr_destroy(&attr);
        }
#endif
        return l;
    }();
    return limit;
}

}  // namespace

void Engine::BeginRun() {
    hasStatementHook_ = static_cast<bool>(owner_.OnStatement);
    depth_ = 0;
    stackLimit_ = ThreadStackLimit();
    if (scripts_.Generation() + externals_.Generation() != compiledGeneration_) {
        // Routines were registered after the translations were made: names may
        // mean something else now.
        for (TokCache& c : cache_) {
            c.stmt = nullptr;
            c.expr = nullptr;
            c.stmtCtx = c.exprCtx = -1;
        }
        stmtMap_.clear();
        exprMap_.clear();
        globalByName_.clear();
        globalKnown_.clear();
        routines_.clear();
        contexts_.resize(1);
        compiledGeneration_ = scripts_.Generation() + externals_.Generation();
    }
    // Sized once per run: routine records are referred to while calls nest.
    if (routines_.size() < static_cast<size_t>(scripts_.Count())) routines_.resize(static_cast<size_t>(scripts_.Count()));
}

bool Engine::IsNameInUse(const std::string& name, const std::vector<int32_t>* localNames, const TVariableManager* locals) const {
    for (const std::string& u : units_)
        if (u == name) return true;
    if (externals_.FindRoutine(name) >= 0 || scripts_.FindRoutine(name) >= 0) return true;
    if (globals_.FindVariable(name) >= 0) return true;
    if (TypeCodeOfName(name) >= 0) return true;
    if (localNames) {
        auto it = nameIds_.find(name);
        if (it != nameIds_.end() && std::find(localNames->begin(), localNames->end(), it->second) != localNames->end()) return true;
    }
    if (locals && locals->FindVariable(name) >= 0) return true;
    return false;
}

// Loading --------------------------------------------------------------------

void Engine::LoadScript(const char* text) {
    if (running_) return;
    running_ = true;
    units_.clear();
    globals_.Clear();
    TQXVariant* t = globals_.AddVariable("TRUE", NewValue(vtBoolean));
    t->V.Boolean = 1;
    t->SetReadOnly(true);
    globals_.AddVariable("FALSE", NewValue(vtBoolean))->SetReadOnly(true);
    scripts_.Clear();
    externals_.Clear();

    // Translations, contexts and names of the previous text.
    cache_.clear();
    stmtMap_.clear();
    exprMap_.clear();
    stmts_.clear();
    exprs_.clear();
    contexts_.resize(1);
    routines_.clear();
    globalByName_.clear();
    globalKnown_.clear();
    names_.clear();
    nameIds_.clear();
    toks_.assign(1, TQXToken{});
    reals_.clear();
    strings_.clear();

    units_.push_back("SYSTEM");
    if (owner_.OnUnitUsed) {
        try {
            owner_.OnUnitUsed(userData_, owner_, "SYSTEM");
        } catch (...) {
        }
    }
    lastError_ = 0;
    lastPos_ = -1;
    mainPos_ = -1;
    curPos_ = -1;
    if (!text) {
        text_.clear();
        cache_.resize(1);
        running_ = false;
        return;
    }
    text_ = text;
    TQXTokenizedText scanned = TokenizeScript(text_);
    toks_ = std::move(scanned.Tokens);
    reals_ = std::move(scanned.Reals);
    strings_ = std::move(scanned.Strings);
    for (std::string& n : scanned.Names) NameId(n);
    cache_.assign(toks_.size(), TokCache{});
    BeginRun();

    int32_t tok = 0;
    try {
        LoadItems(tok);
    } catch (const std::bad_alloc&) {
        Fail(seOutOfMemory, tok);
    }
    curPos_ = Tok(tok).Pos;
    running_ = false;
}

bool Engine::LoadItems(int32_t& t) {
    bool heading = false, uses = false;
    for (;;) {
        const TQXTokenCode c = Code(t);
        switch (c) {
        case tcEof:
            return true;
        case tcInvalidChar: case tcInvalidNumber: case tcUnterminatedComment: case tcUnterminatedString:
            return Fail(ErrorTokenCode(c), t);
        case tcProgram:
            if (heading || uses) return Fail(seBeginExpected, t);
            heading = true;
            t = Next(t);
            if (Code(t) != tcName) return Fail(seIdentifierExpected, t);
            t = Next(t);
            if (Code(t) != tcSemicolon) return Fail(seSemicolonExpected, t);
            t = Next(t);
            break;
        case tcUses:
            if (uses) return Fail(seBeginExpected, t);
            uses = true;
            if (!ReadUses(t)) return false;
            break;
        case tcVar:
            if (!ReadVarSection(t, &globals_, nullptr)) return false;
            break;
        case tcProcedure: case tcFunction:
            if (!ReadRoutine(t, c == tcFunction)) return false;
            break;
        case tcBegin:
            mainPos_ = Tok(t).Pos;
            return true;
        default:
            return Fail(seBeginExpected, t);
        }
    }
}

bool Engine::ReadUses(int32_t& t) {
    for (;;) {
        t = Next(t);
        if (Code(t) == tcEof) return Fail(seUnexpectedEnd, t);
        if (Code(t) != tcName) return Fail(seIdentifierExpected, t);
        const std::string name = NameOf(Tok(t).Value);
        if (IsNameInUse(name, nullptr, nullptr)) return Fail(seDuplicateIdentifier, t);
        units_.push_back(name);
        if (!owner_.OnUnitUsed) return Fail(seUnknownIdentifier, t);
        uint16_t code;
        try {
            code = owner_.OnUnitUsed(userData_, owner_, name);
        } catch (...) {
            code = seHostException;
        }
        if (code) return Fail(code, t);
        t = Next(t);
        if (Code(t) == tcEof) return Fail(seUnexpectedEnd, t);
        if (Code(t) == tcSemicolon) {
            t = Next(t);
            return true;
        }
        if (Code(t) != tcComma) return Fail(seDuplicateIdentifier, t);
    }
}

// A variable section after VAR (t is on VAR), into the global variables or
// into a routine's frame (local variables read when the routine is called).
bool Engine::ReadVarSection(int32_t& t, TVariableManager* globals, std::vector<Slot>* frame) {
    std::vector<int32_t> frameNames;
    if (frame)
        for (const Slot& s : *frame) frameNames.push_back(s.name);
    auto inUse = [&](int32_t tok) { return IsNameInUse(NameOf(Tok(tok).Value), frame ? &frameNames : nullptr, nullptr); };

    t = Next(t);
    if (IsErrorToken(Code(t))) return Fail(ErrorTokenCode(Code(t)), t);
    if (Code(t) == tcEof) return Fail(seUnexpectedEnd, t);
    for (;;) {
        std::vector<int32_t> group;
        if (Code(t) != tcName) return Fail(seIdentifierExpected, t);
        if (inUse(t)) return Fail(seDuplicateIdentifier, t);
        group.push_back(Tok(t).Value);
        t = Next(t);
        while (Code(t) == tcComma) {
            t = Next(t);
            if (Code(t) != tcName) return Fail(seIdentifierExpected, t);
            if (inUse(t)) return Fail(seDuplicateIdentifier, t);
            group.push_back(Tok(t).Value);
            t = Next(t);
        }
        if (Code(t) != tcColon) return Fail(seColonExpected, t);
        t = Next(t);
        if (Code(t) != tcName) return Fail(seIdentifierExpected, t);
        int type = TypeCodeOfName(NameOf(Tok(t).Value));
        if (type < 0) return Fail(seUnknownIdentifier, t);
        int elem = vtNone;
        if (type == vtArray) {
            t = Next(t);
            if (Code(t) != tcOf) return Fail(seOfExpected, t);
            t = Next(t);
            elem = Code(t) == tcName ? TypeCodeOfName(NameOf(Tok(t).Value)) : -1;
            if (elem < 0) return Fail(seUnknownIdentifier, t);
        }
        for (int32_t id : group) {
            if (globals) {
                globals->AddVariable(NameOf(id), NewValue(static_cast<uint16_t>(type), static_cast<uint16_t>(elem)));
            } else if (std::find(frameNames.begin(), frameNames.end(), id) == frameNames.end()) {
                Slot s;
                s.name = id;
                s.type = static_cast<uint16_t>(type);
                s.elem = static_cast<uint16_t>(elem);
                frame->push_back(s);
                frameNames.push_back(id);
            }
        }
        t = Next(t);
        if (Code(t) != tcSemicolon) return Fail(seSemicolonExpected, t);
        t = Next(t);
        if (Code(t) != tcName) return true;
    }
}

bool Engine::ReadRoutine(int32_t& t, bool isFunction) {
    t = Next(t);
    if (Code(t) != tcName) return Fail(seIdentifierExpected, t);
    const std::string name = NameOf(Tok(t).Value);
    if (IsNameInUse(name, nullptr, nullptr)) return Fail(seDuplicateIdentifier, t);
    std::string params;
    std::vector<std::string> paramNames;
    t = Next(t);
    if (Code(t) == tcLParen) {
        for (;;) {
            t = Next(t);
            bool isVar = false;
            if (Code(t) == tcVar) {
                isVar = true;
                t = Next(t);
            }
            std::vector<std::string> group;
            for (;;) {
                if (Code(t) != tcName) return Fail(seIdentifierExpected, t);
                const std::string p = NameOf(Tok(t).Value);
                if (IsNameInUse(p, nullptr, nullptr) || p == name || (isFunction && p == "RESULT") ||
                    std::find(paramNames.begin(), paramNames.end(), p) != paramNames.end())
                    return Fail(seDuplicateIdentifier, t);
                paramNames.push_back(p);
                group.push_back(p);
                t = Next(t);
                if (Code(t) == tcComma) {
                    t = Next(t);
                    continue;
                }
                if (Code(t) == tcColon) break;
                return Fail(seCommaExpected, t);
            }
            t = Next(t);
            int type = Code(t) == tcName ? TypeCodeOfName(NameOf(Tok(t).Value)) : -1;
            if (type < 0) return Fail(seUnknownIdentifier, t);
            for (const std::string& p : group) params += std::string(" ") + (isVar ? "!" : "") + p + " " + std::to_string(type);
            t = Next(t);
            if (Code(t) == tcRParen) {
                t = Next(t);
                break;
            }
            if (Code(t) != tcSemicolon) return Fail(seSemicolonExpected, t);
        }
    }
    int result = 0;
    if (isFunction) {
        if (Code(t) != tcColon) return Fail(seColonExpected, t);
        t = Next(t);
        if (Code(t) != tcName) return Fail(seIdentifierExpected, t);
        result = TypeCodeOfName(NameOf(Tok(t).Value));
        if (result < 0) return Fail(seUnknownIdentifier, t);
        t = Next(t);
    }
    if (Code(t) != tcSemicolon) return Fail(seSemicolonExpected, t);
    t = Next(t);
    scripts_.AddRoutine(std::to_string(result) + " " + name + params, Tok(t).Pos);

    // From here on an error is recorded but loading goes on with the next item.
    if (Code(t) == tcVar)
        while (Code(t) != tcBegin && Code(t) != tcEof) t = Next(t);
    int32_t end = SkipStatement(t);
    if (end < 0) {
        t = TokenAt(curPos_);
        return true;
    }
    t = end;
    if (Code(t) != tcSemicolon) {
        Fail(seSemicolonExpected, t);
        return true;
    }
    t = Next(t);
    return true;
}

// Skipping ---------------------------------------------------------------------

int32_t Engine::SkipSlow(int32_t t) {
    TokCache& c = cache_[static_cast<size_t>(t)];
    if (c.skip == INT32_MIN) c.skip = SkipUncached(t, c.skipErr, c.skipErrTok);
    if (c.skip < 0) {
        Fail(c.skipErr, c.skipErrTok);
        return -1;
    }
    return c.skip;
}

// The condition after UNTIL, with the token that ends it as result: the first
// token that ends an expression ("," and ")" only outside parentheses), or
// that opens or closes a level of the skip (BEGIN, CASE, REPEAT, END, UNTIL),
// so that a broken condition never swallows the structure around it.
int32_t Engine::SkipConditionUncached(int32_t t, uint16_t& code, int32_t& errTok) {
    int parens = 0;
    for (;;) {
        const TQXTokenCode c = Code(t);
        switch (c) {
        case tcEof:
            code = seUnexpectedEnd;
            errTok = t;
            return -1;
        case tcSemicolon: case tcDo: case tcDownto: case tcElse: case tcEnd: case tcTo: case tcUntil:
        case tcBegin: case tcCase: case tcRepeat:
            return t;
        case tcLParen:
            ++parens;
            break;
        case tcComma:
            if (parens == 0) return t;
            break;
        case tcRParen:
            if (parens == 0) return t;
            --parens;
            break;
        default:
            if (IsErrorToken(c)) {
                code = ErrorTokenCode(c);
                errTok = t;
                return -1;
            }
            break;
        }
        t = Next(t);
    }
}

// A block (BEGIN, CASE) or REPEAT statement, with the token after it as
// result. BEGIN and CASE open levels that END closes, REPEAT levels that UNTIL
// closes; the skip ends when the starting level is closed. A REPEAT statement
// ends after the condition that follows its UNTIL.
int32_t Engine::SkipBlockUncached(int32_t t, uint16_t& code, int32_t& errTok) {
    const bool startRepeat = Code(t) == tcRepeat;
    int blocks = startRepeat ? 0 : 1, repeats = startRepeat ? 1 : 0;
    t = Next(t);
    for (;;) {
        const TQXTokenCode c = Code(t);
        if (c == tcEof) {
            code = seUnexpectedEnd;
            errTok = t;
            return -1;
        }
        if (IsErrorToken(c)) {
            code = ErrorTokenCode(c);
            errTok = t;
            return -1;
        }
        if (c == tcBegin || c == tcCase) ++blocks;
        else if (c == tcRepeat) ++repeats;
        else if (c == tcEnd || c == tcUntil) {
            int& level = c == tcEnd ? blocks : repeats;
            if (level == 0) {
                code = seSyntaxError;
                errTok = t;
                return -1;
            }
            --level;
            if (c == tcUntil) {
                t = SkipConditionUncached(Next(t), code, errTok);
                if (t < 0) return -1;
                if (level == 0 && startRepeat) return t;
                continue;
            }
            if (level == 0 && !startRepeat) return Next(t);
        }
        t = Next(t);
    }
}

int32_t Engine::SkipUncached(int32_t t, uint16_t& code, int32_t& errTok) {
    if (Code(t) == tcBegin || Code(t) == tcRepeat) return SkipBlockUncached(t, code, errTok);
    // Scan to ";", END, UNTIL or an ELSE that belongs to no IF met on the way.
    int elses = 0;
    for (;;) {
        const TQXTokenCode c = Code(t);
        switch (c) {
        case tcEof:
            code = seUnexpectedEnd;
            errTok = t;
            return -1;
        case tcSemicolon: case tcEnd: case tcUntil:
            return t;
        case tcElse:
            if (elses == 0) return t;
            --elses;
            t = Next(t);
            break;
        case tcIf:
            ++elses;
            t = Next(t);
            break;
        case tcBegin: case tcCase: case tcRepeat:
            t = SkipBlockUncached(t, code, errTok);
            if (t < 0) return -1;
            break;
        default:
            if (IsErrorToken(c)) {
                code = ErrorTokenCode(c);
                errTok = t;
                return -1;
            }
            t = Next(t);
            break;
        }
    }
}

// Routines and contexts -------------------------------------------------------

RoutineInfo& Engine::Prepare(int routine) {
    if (routines_.size() < static_cast<size_t>(scripts_.Count())) routines_.resize(static_cast<size_t>(scripts_.Count()));
    RoutineInfo& ri = routines_[static_cast<size_t>(routine)];
    if (ri.prepared) return ri;
    ri.prepared = true;
    const TQXRoutine& r = scripts_.Routine(routine);
    ri.bodyTok = TokenAt(r.BodyPos);
    for (const TQXRoutineParam& p : r.Params) {
        Slot s;
        s.name = NameId(p.Name);
        s.type = static_cast<uint16_t>(p.Type);
        s.resolve = p.IsVar;
        if (p.Type == vtArray) ri.arrayParams.push_back(static_cast<int>(ri.frame.size()));
        ri.frame.push_back(s);
    }
    ri.params = static_cast<int>(ri.frame.size());
    if (r.ResultType != 0) {
        ri.resultSlot = static_cast<int>(ri.frame.size());
        Slot s;
        s.name = NameId("RESULT");
        s.type = static_cast<uint16_t>(r.ResultType);
        ri.frame.push_back(s);
    }
    int32_t t = ri.bodyTok;
    if (Code(t) == tcVar) {
        // The section's errors are raised at every call, after the arguments;
        // read it now without disturbing the run's error state.
        uint16_t savedError = lastError_;
        int32_t savedPos = lastPos_, savedCur = curPos_;
        if (!ReadVarSection(t, nullptr, &ri.frame)) {
            ri.localErr = lastError_;
            ri.localErrTok = TokenAt(lastPos_);
        }
        lastError_ = savedError;
        lastPos_ = savedPos;
        curPos_ = savedCur;
    }
    ri.stmtTok = t;
    ri.slots = static_cast<int32_t>(ri.frame.size());
    ri.firstLocal = ri.params + (ri.resultSlot >= 0 ? 1 : 0);
    for (const Slot& s : ri.frame)
        if (s.resolve || s.type == vtString || s.type == vtArray) ri.poolClean = true;
    return ri;
}

Context* Engine::ContextFor(int routine, bool runProc, uint32_t shape) {
    RoutineInfo& ri = Prepare(routine);
    const uint64_t key = (static_cast<uint64_t>(runProc) << 32) | shape;
    auto it = ri.contexts.find(key);
    if (it != ri.contexts.end()) return it->second;
    auto ctx = std::make_unique<Context>();
    ctx->id = static_cast<int>(contexts_.size());
    ctx->routine = routine;
    ctx->slots = ri.frame;
    for (int i = 0; i < ri.params; ++i)
        if (runProc) ctx->slots[static_cast<size_t>(i)].resolve = true;
    for (size_t k = 0; k < ri.arrayParams.size(); ++k) {
        // The caller's array: only whether its elements are arrays is known.
        Slot& s = ctx->slots[static_cast<size_t>(ri.arrayParams[k])];
        s.elem = (shape >> k) & 1 ? vtArray : vtNone;
        s.elemKnown = (shape >> k) & 1;
    }
    for (size_t i = 0; i < ctx->slots.size(); ++i) ctx->slotOf.emplace(ctx->slots[i].name, static_cast<int32_t>(i));
    Context* raw = ctx.get();
    contexts_.push_back(std::move(ctx));
    ri.contexts.emplace(key, raw);
    if (key == 0) ri.plainCall = raw;
    return raw;
}

// Frames a deep recursion made are not kept after the run.
void Engine::TrimFrames() {
    constexpr size_t kKept = 16;
    for (RoutineInfo& ri : routines_) {
        if (ri.frames.size() <= kKept) continue;
        ri.frames.resize(kKept);
        ri.frameCells.resize(kKept);
        ri.frameSlots.resize(kKept);
        ri.nextFrame = ri.frames.data();
        ri.framesEnd = ri.frames.data() + kKept;
    }
}

// Runs ------------------------------------------------------------------------

namespace {

// Restores the engine's run state when a run ends, normally or not.
struct RunScope {
    RunScope(Engine& e, bool& running) : engine(e), flag(running) { flag = true; }
    ~RunScope() {
        flag = false;
        engine.TrimFrames();
    }
    Engine& engine;
    bool& flag;
};

}  // namespace

void Engine::RunMainBlock() {
    if (mainPos_ < 0 || running_) return;
    lastError_ = 0;
    lastPos_ = -1;
    RunScope scope(*this, running_);
    BeginRun();
    ctx_ = contexts_[0].get();
    frame_ = nullptr;
    const int32_t begin = TokenAt(mainPos_);
    try {
        int32_t end = RunSeq(begin, SeqMode::Block);
        if (end >= 0) {
            if (Code(end) != tcPeriod) Fail(sePeriodExpected, end);
            else curPos_ = Tok(end).Pos;
        }
    } catch (const std::bad_alloc&) {
        FailAt(seOutOfMemory, curPos_);
    }
}

TQXVariant* Engine::RunProcedure(const std::string& name, TVariableManager& args) {
    if (running_) return nullptr;
    if (mainPos_ < 0) {
        curPos_ = -1;
        FailAt(seBeginExpected, -1);
        return nullptr;
    }
    const int routine = scripts_.FindRoutine(UpperCase(name));
    if (routine < 0) {
        FailAt(seUnknownIdentifier, curPos_);
        return nullptr;
    }
    const TQXRoutine& r = scripts_.Routine(routine);
    if (args.Count() != static_cast<int>(r.Params.size())) {
        FailAt(seBadParameter, -1);
        return nullptr;
    }
    for (int i = 0; i < args.Count(); ++i) {
        const TQXRoutineParam& p = r.Params[static_cast<size_t>(i)];
        TQXVariant* cell = ResolveValue(args.Variable(i));
        if (!cell || cell->VType != p.Type || (p.IsVar && cell->ReadOnly())) {
            FailAt(seBadParameter, i);
            return nullptr;
        }
        args.Rename(i, p.Name);
    }
    RunScope scope(*this, running_);
    BeginRun();
    RoutineInfo& ri = Prepare(routine);
    TQXVariant* result = nullptr;
    if (r.ResultType != 0) result = args.AddVariable("RESULT", NewValue(static_cast<uint16_t>(r.ResultType)));

    std::vector<TQXVariant*> frame(ri.frame.size(), nullptr);
    for (int i = 0; i < ri.params; ++i) frame[static_cast<size_t>(i)] = args.Variable(i);
    if (ri.resultSlot >= 0) frame[static_cast<size_t>(ri.resultSlot)] = result;
    if (ri.localErr) {
        Fail(ri.localErr, ri.localErrTok);
        return nullptr;
    }
    for (size_t i = static_cast<size_t>(ri.params) + (ri.resultSlot >= 0 ? 1 : 0); i < ri.frame.size(); ++i) {
        const Slot& s = ri.frame[i];
        frame[i] = args.AddVariable(NameOf(s.name), NewValue(s.type, s.elem));
        if (!frame[i]) frame[i] = args.Find(NameOf(s.name));
    }
    uint32_t shape = 0;
    for (size_t k = 0; k < ri.arrayParams.size() && k < 32; ++k) {
        TQXVariant* a = ResolveValue(frame[static_cast<size_t>(ri.arrayParams[k])]);
        if (a && a->ElementType == vtArray) shape |= 1u << k;
    }
    Context* ctx = ContextFor(routine, true, shape);
    int32_t end = -1;
    try {
        end = RunBody(ri, ctx, frame.data());
    } catch (const std::bad_alloc&) {
        FailAt(seOutOfMemory, curPos_);
        return nullptr;
    }
    if (end < 0) return nullptr;
    curPos_ = Tok(end).Pos;
    return result;
}

}  // namespace detail

// The public class --------------------------------------------------------------

TQXScriptInterpreter::TQXScriptInterpreter(void* userData)
    : userData_(userData), engine_(std::make_unique<detail::Engine>(*this, userData)) {}

TQXScriptInterpreter::~TQXScriptInterpreter() = default;

void TQXScriptInterpreter::LoadScript(const char* text) { engine_->LoadScript(text); }
void TQXScriptInterpreter::RunMainBlock() { engine_->RunMainBlock(); }
TQXVariant* TQXScriptInterpreter::RunProcedure(const std::string& name, TVariableManager& args) {
    return engine_->RunProcedure(name, args);
}
const std::atomic<bool> detail::Engine::kNeverSet{false};

void TQXScriptInterpreter::SetInterruptFlag(const std::atomic<bool>* flag) {
    engine_->interrupt_ = flag ? flag : &detail::Engine::kNeverSet;
}
uint16_t TQXScriptInterpreter::LastError() const { return engine_->lastError_; }
int32_t TQXScriptInterpreter::LastErrorPos() const { return engine_->lastPos_; }
TRoutineList& TQXScriptInterpreter::ExternalRoutines() { return engine_->externals_; }
const TRoutineList& TQXScriptInterpreter::ScriptRoutines() const { return engine_->scripts_; }
TVariableManager& TQXScriptInterpreter::GlobalVariables() { return engine_->globals_; }
const std::vector<std::string>& TQXScriptInterpreter::UsedUnits() const { return engine_->units_; }
int32_t TQXScriptInterpreter::MainBlockPosition() const { return engine_->mainPos_; }
bool TQXScriptInterpreter::IsNameInUse(const std::string& upperName, const TVariableManager* locals) const {
    return engine_->IsNameInUse(upperName, nullptr, locals);
}

}  // namespace qx
