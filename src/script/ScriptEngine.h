#pragma once
// Inside of TQXScriptInterpreter (not for hosts).
//
// The language is defined as a walker over the text. The engine walks a
// token array instead (each token scanned once) and translates each statement
// the first time the walk reaches it into a small tree that records, for every
// place where the walker could raise an error, the code and the token. Only
// parsing is done ahead; every value, type and read-only check happens when
// the tree runs, in the walker's order, so results, error codes, error
// positions and hook calls stay those of the walker. Statement sequences,
// branches and loop ends are still found token by token, as the walker finds
// them; skips are computed once per token and remembered.
//
// A translation depends on the token and on the context it runs in (the
// routine whose frame supplies local names, and whether its ARRAY parameters
// hold arrays of arrays); it is remembered per token and context.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "script/ScriptInterpreter.h"
#include "script/ScriptLexer.h"
#include "script/ScriptValues.h"

#if defined(__GNUC__)
#define QX_ALWAYS_INLINE __attribute__((always_inline)) inline
#if defined(__x86_64__)
// The stack pointer itself: asking for the frame address would make every
// function that checks the stack set up a frame pointer.
inline uintptr_t QxStackPointer() {
    uintptr_t sp;
    __asm__("mov %%rsp, %0" : "=r"(sp));
    return sp;
}
#define QX_FRAME_ADDRESS() QxStackPointer()
#else
#define QX_FRAME_ADDRESS() reinterpret_cast<uintptr_t>(__builtin_frame_address(0))
#endif
#else
#include <intrin.h>
#define QX_ALWAYS_INLINE __forceinline
#define QX_FRAME_ADDRESS() reinterpret_cast<uintptr_t>(_AddressOfReturnAddress())
#endif

namespace qx::detail {

struct Expr;
struct CallSite;
struct Plan;

// A stack of T whose blocks never move once handed out (frames refer to the
// cells of their callers while further frames are pushed).
template <typename T, size_t kChunk>
class BlockStack {
public:
    struct Mark {
        size_t chunk, top;
    };
    Mark GetMark() const { return {chunk_, top_}; }
    T* Push(size_t n) {
        if (chunks_.empty()) AddChunk(n);
        if (top_ + n > sizes_[chunk_]) {
            ++chunk_;
            top_ = 0;
            if (chunk_ == chunks_.size()) AddChunk(n);
            else if (sizes_[chunk_] < n) {  // unused chunk too small for this block: replace it
                chunks_[chunk_].reset(new T[n]);
                sizes_[chunk_] = n;
            }
        }
        T* p = chunks_[chunk_].get() + top_;
        top_ += n;
        return p;
    }
    void Reset(Mark m) {
        chunk_ = m.chunk;
        top_ = m.top;
    }

private:
    void AddChunk(size_t n) {
        size_t size = n > kChunk ? n : kChunk;
        chunks_.emplace_back(new T[size]);
        sizes_.push_back(size);
    }
    std::vector<std::unique_ptr<T[]>> chunks_;
    std::vector<size_t> sizes_;
    size_t chunk_ = 0, top_ = 0;
};

// Where a name was found, in the order the expression walker looks.
enum class NameKind : uint8_t { None, Local, Global, External, Script };

// A local or global variable.
struct VarBase {
    bool local = false;
    int32_t slot = -1;               // frame slot of a local
    TQXVariant* global = nullptr;    // cell of a global
    bool resolve = false;            // the slot holds a reference
    uint16_t type = vtNone;          // declared type
    uint16_t elem = vtNone;          // declared element type of an ARRAY
    bool elemKnown = true;           // false for ARRAY parameters (the caller's arrays)
};

// A variable with its index suffixes: Name[e1][e2]...
struct VarAccess {
    VarBase base;
    int32_t nameTok = 0;
    struct Index {
        std::unique_ptr<Expr> expr;  // into a new LONGINT, stop "]"
        int32_t closeTok = -1;       // the "]" (error 28 is raised there)
        int32_t err30Tok = -1;       // the expression ended here instead of at "]"
    };
    std::vector<Index> indexes;
    int32_t missingTok = -1;   // an ARRAY needs "[" here (error 29)
    int32_t lastTok = 0;       // name or last "]" when complete
    bool fails = false;        // always stops with an error once reached
};

enum class OperandKind : uint8_t { Integer, Real, Hex, Text, Var, Paren, Call };

struct Operand {
    OperandKind kind = OperandKind::Integer;
    std::vector<TQXTokenCode> prefix;  // "-" "+" NOT, first written first
    int32_t tok = 0;        // first token after the prefix
    int32_t afterTok = 0;   // the token after the operand
    int32_t ival = 0;
    long double rval = 0;
    std::string text;
    std::unique_ptr<VarAccess> var;
    std::unique_ptr<Expr> paren;
    int32_t closeErrTok = -1;  // a parenthesised expression ended here instead of at ")" (error 17)
    std::unique_ptr<CallSite> call;
    bool pure = true;       // evaluating it changes nothing (no script or host call)
};

struct Step {
    int32_t l, r;
    TQXOperator op;
};

struct Expr {
    std::vector<Operand> operands;
    std::vector<Step> steps;     // the three passes, in order
    int32_t endTok = 0;          // the token that ended the expression
    uint16_t tailCode = 0;       // a parse error raised once the operands are evaluated
    int32_t tailTok = -1;
    int32_t retypeAt = -1;       // operand index reached after the first "/"
    bool single = false;         // the list reduces to one operand
    bool fails = false;          // always stops with an error once reached
    bool pure = true;
    // Typed translations by destination type, made at first evaluation
    // (ScriptPlan.cpp); a destination type without one uses cells.
    mutable uint16_t planDest[1] = {0xFFFF};
    mutable std::unique_ptr<Plan> plans[1];
    mutable std::vector<std::pair<uint16_t, std::unique_ptr<Plan>>> otherPlans;  // never freed while in use
};

struct Arg {
    bool isVar = false;
    uint16_t type = vtNone;
    std::string name;
    // var parameter
    int32_t varTok = 0;
    uint16_t varErr = 0;         // 18: not a variable
    std::unique_ptr<VarAccess> var;
    // value parameter
    std::unique_ptr<Expr> expr;
    // what follows the argument
    uint16_t sepErr = 0;         // 17 or 19
    int32_t sepTok = -1;
};

struct CallSite {
    bool script = false;
    int routine = -1;                   // index in the script or external routine list
    const TQXRoutine* target = nullptr;
    int32_t nameTok = 0;
    uint16_t headErr = 0;               // 16 or 5 right after the name
    int32_t headTok = -1;
    std::vector<Arg> args;
    int32_t endTok = 0;                 // the token after ")" or after the name
    int resultType = 0;
    int builtin = -1;
    bool fails = false;
    // Built-ins: value arguments (bit per parameter) that are a STRING
    // variable read as it is; nothing evaluated after them can change it and
    // built-ins do not change value parameters, so they get the variable's
    // own cell instead of a copy.
    uint32_t borrow = 0;
    // A script function whose parameters are value parameters of 32-bit
    // integer types, each argument with an integer plan, and whose result is
    // such a type too, called from a plan: the arguments' values go straight
    // into the callee's cells (CallDirect). Found at the first such call:
    // -1 not yet, 0 no, 1 yes.
    struct DirectArg {
        const Plan* plan;
        uint16_t type;
        // A local variable of 32-bit type varType plus a constant (n, n + 1,
        // n - 1): read here; the plan runs where the variable is not of its
        // type (and raises what it raises).
        uint16_t varType = vtNone;
        int32_t slot = -1;
        uint32_t add = 0;
    };
    mutable int8_t direct = -1;
    mutable std::vector<DirectArg> directArgs;
};

enum class StmtKind : uint8_t { Assign, Call, If, Case, For, While, Repeat, Error };

struct Stmt;

// The statement at the start of a statement or block that one statement runs
// again and again (a branch, a loop body, a routine body), found the first
// time and kept by the statement (whose translation context it shares).
struct StmtLink {
    Stmt* first = nullptr;  // none when it starts with no name or IF
    bool known = false;
    bool block = false;     // a BEGIN ... END block
};

struct Stmt {
    explicit Stmt(StmtKind k, int32_t t) : kind(k), tok(t) {}
    virtual ~Stmt() = default;
    StmtKind kind;
    int32_t tok;
    // In a sequence: the ";" this statement ended at the last time it ran
    // there, and the statement right after that ";" (same context).
    int32_t seqEnd = -1;
    Stmt* seqNext = nullptr;
};

// A name that is neither routine nor variable: the hook, then error 3.
struct ErrorStmt : Stmt {
    ErrorStmt(int32_t t, uint16_t c) : Stmt(StmtKind::Error, t), code(c) {}
    uint16_t code;
};

struct AssignStmt : Stmt {
    explicit AssignStmt(int32_t t) : Stmt(StmtKind::Assign, t) {}
    VarAccess var;
    int32_t err13Tok = -1;
    std::unique_ptr<Expr> expr;
    // s := s + t1 + ... with s a STRING and pure text terms: appended in place.
    bool appendInPlace = false;
    // A plain 32-bit integer variable (no index, no reference) given an
    // integer plan: found at the first run, used while the variable keeps
    // its declared type and is writable.
    bool fastKnown = false;
    const Plan* fast = nullptr;
    // Likewise an element of a plain ARRAY of 32-bit integers indexed by a
    // plain 32-bit variable (its operand), given an integer plan that calls
    // nothing (so nothing can remove the element before it is stored).
    const Plan* fastElement = nullptr;
    const Operand* fastIndex = nullptr;
};

struct CallStmt : Stmt {
    explicit CallStmt(int32_t t) : Stmt(StmtKind::Call, t) {}
    CallSite call;
};

struct IfStmt : Stmt {
    explicit IfStmt(int32_t t) : Stmt(StmtKind::If, t) {}
    std::unique_ptr<Expr> cond;
    int32_t err20Tok = -1;
    int32_t thenTok = 0;
    StmtLink thenLink, elseLink;
};

struct CaseStmt : Stmt {
    explicit CaseStmt(int32_t t) : Stmt(StmtKind::Case, t) {}
    std::unique_ptr<Expr> selector;
    int32_t err26Tok = -1;
    int32_t firstTok = 0;
};

struct ForStmt : Stmt {
    explicit ForStmt(int32_t t) : Stmt(StmtKind::For, t) {}
    uint16_t headErr = 0;   // 4 or 3 at headTok
    int32_t headTok = 0;
    int32_t varTok = 0;
    VarBase var;
    int32_t err13Tok = -1;
    std::unique_ptr<Expr> from;
    int32_t err23Tok = -1;
    bool down = false;
    std::unique_ptr<Expr> to;
    int32_t err24Tok = -1;
    int32_t bodyTok = 0;
    StmtLink body;
};

struct WhileStmt : Stmt {
    explicit WhileStmt(int32_t t) : Stmt(StmtKind::While, t) {}
    std::unique_ptr<Expr> cond;
    int32_t err24Tok = -1;
    int32_t bodyTok = 0;
    StmtLink body;
};

struct RepeatStmt : Stmt {
    explicit RepeatStmt(int32_t t) : Stmt(StmtKind::Repeat, t) {}
    int32_t bodyTok = 0;
    // The condition after the UNTIL the body last ended at.
    int32_t untilTok = -1;
    Expr* cond = nullptr;
};

// A frame slot: parameters, RESULT, local variables.
struct Slot {
    int32_t name = -1;      // name id
    uint16_t type = vtNone;
    uint16_t elem = vtNone;
    bool elemKnown = true;
    bool resolve = false;
};

// The names a translation sees: a routine's frame, or none (main block).
struct Context {
    int id = 0;
    int routine = -1;
    std::vector<Slot> slots;
    std::unordered_map<int32_t, int32_t> slotOf;  // name id -> slot
    StmtLink body;  // the routine's body
};

// What the first call of a script routine learns about it.
struct RoutineInfo {
    bool prepared = false;
    int32_t bodyTok = 0;
    std::vector<Slot> frame;        // parameters, RESULT, local variables
    int params = 0;
    int resultSlot = -1;
    uint16_t localErr = 0;          // an error in its local variable section
    int32_t localErrTok = -1;
    int32_t stmtTok = 0;            // the body statement after the variable section
    std::vector<int> arrayParams;   // parameters of type ARRAY
    std::unordered_map<uint64_t, Context*> contexts;  // by (run mode, shape)
    Context* plainCall = nullptr;   // the context of calls without arrays of arrays
    int32_t slots = 0;              // frame size
    int32_t firstLocal = 0;
    // Frames kept for the calls of the routine: the frame of the k-th call
    // that is still running is frames[k], so a call takes the next one and
    // gives it back when it ends. Each is the slot array of cells that stay
    // where they are (made on first use, one per slot; the RESULT slot points
    // to the caller's cell or to the frame's own). A call gives its cells
    // fresh values of their types; cells that may hold more than a number
    // (var parameters, STRING and ARRAY slots) are made clean again when it
    // ends (poolClean), so nothing stays held or large between calls.
    std::vector<TQXVariant**> frames;
    std::vector<std::unique_ptr<TQXVariant[]>> frameCells;
    std::vector<std::unique_ptr<TQXVariant*[]>> frameSlots;
    TQXVariant*** nextFrame = nullptr;  // into frames: the next call's
    TQXVariant*** framesEnd = nullptr;
    bool poolClean = false;
};

enum class SeqMode : uint8_t { Block, Statement, Repeat };

// Typed translations ("plans") of expressions whose values are numbers,
// BOOLEAN or CHAR and whose types are known: operands load into registers,
// the operator steps run in the walker's order on int32 views or long double
// values, and the result is stored by the destination's type. Every check
// that the cells would make happens here too, with the same code and token.
union Reg {
    int32_t i;       // integer view (ValueAsInteger), BOOLEAN 0/1, CHAR code
    long double x;   // real value (ValueAsReal)
};

// One instruction of a plan; registers are numbered like the operands.
struct PlanIns {
    uint16_t op = 0;          // PlanOp (ScriptPlan.cpp)
    uint16_t type = vtNone;   // the value's type: loads check it, integer results are cut to it, real ones rounded
    int32_t a = 0, b = 0;     // registers
    int32_t failTok = 0;      // where a failing step is raised: the end of its (inner) expression
    Reg value{};              // constants
    TQXVariant* cell = nullptr;
    int32_t slot = -1;
    const Operand* src = nullptr;  // the operand loaded (error positions, accesses, calls)
    const Plan* sub = nullptr;     // a parenthesised expression
};

struct Plan {
    std::vector<PlanIns> code;
    std::vector<std::unique_ptr<Plan>> subs;
    uint16_t resultType = vtNone;  // type of the value the plan yields in register 0
    uint16_t destType = vtNone;    // made for this destination type (vtReference: untyped)
    int32_t endTok = 0;            // operator failures are raised here
    int32_t registers = 0;
    // Plans of one 32-bit integer variable, or one such variable and an
    // operator with a literal that cannot fail, run without the dispatcher;
    // so do an element of a plain ARRAY of 32-bit integers indexed by a
    // plain 32-bit variable (the shape's variable), alone or with a step
    // whose right operand is a plain 32-bit variable, and a plain 32-bit
    // variable with such a step (RunPair).
    enum Shape : uint8_t {
        General, Variable, VariableWithLiteral, Element, ElementWithVariable, VariableWithVariable
    } shape = General;
    uint16_t shapeOp = 0;          // the literal step's instruction
    uint16_t shapeType = vtNone;   // the variable's type
    int32_t shapeLiteral = 0;
    int32_t shapeSlot = -1;        // a local's slot, or -1 for a global
    bool shapeResolve = false;
    TQXVariant* shapeCell = nullptr;
    const Operand* shapeSrc = nullptr;
    // Element shapes: the array (a local's slot, or -1 and a global's
    // cell), the element type, and the step's right variable.
    int32_t shapeArraySlot = -1;
    TQXVariant* shapeArrayCell = nullptr;
    uint16_t shapeElem = vtNone;
    uint16_t shapeRightType = vtNone;
    int32_t shapeRightSlot = -1;
    TQXVariant* shapeRightCell = nullptr;
};
constexpr size_t kMaxPlanRegisters = 32;
// The operators of Plan::VariableWithLiteral (all) and of the shapes with a
// right variable (all but division).
enum PlanShapeOp : uint16_t {
    PlanShapeAdd, PlanShapeSub, PlanShapeMul, PlanShapeDiv, PlanShapeMod,
    PlanShapeEq, PlanShapeNe, PlanShapeLt, PlanShapeGt, PlanShapeLe, PlanShapeGe,
};
// A shape's step on 32-bit integers, wrapping as the general operators do.
// Division comes only with a literal that cannot make it fail.
QX_ALWAYS_INLINE int32_t ShapeStep(uint16_t op, int32_t v, int32_t w) {
    const uint32_t uv = static_cast<uint32_t>(v), uw = static_cast<uint32_t>(w);
    switch (op) {
    case PlanShapeAdd: return static_cast<int32_t>(uv + uw);
    case PlanShapeSub: return static_cast<int32_t>(uv - uw);
    case PlanShapeMul: return static_cast<int32_t>(uv * uw);
    case PlanShapeDiv: return v / w;
    case PlanShapeMod: return v % w;
    case PlanShapeEq: return v == w;
    case PlanShapeNe: return v != w;
    case PlanShapeLt: return v < w;
    case PlanShapeGt: return v > w;
    case PlanShapeLe: return v <= w;
    default: return v >= w;
    }
}

class Engine {
public:
    Engine(TQXScriptInterpreter& owner, void* userData);
    ~Engine();

    void LoadScript(const char* text);
    void RunMainBlock();
    TQXVariant* RunProcedure(const std::string& name, TVariableManager& args);
    bool IsNameInUse(const std::string& upperName, const std::vector<int32_t>* localNames, const TVariableManager* locals) const;
    // Drops the routines' frames beyond a few (between runs).
    void TrimFrames();

    uint16_t lastError_ = 0;
    // The stop flag; a flag that is never set when there is none, so that
    // the check at every statement is one load.
    const std::atomic<bool>* interrupt_ = &kNeverSet;
    static const std::atomic<bool> kNeverSet;
    int32_t lastPos_ = -1;
    std::vector<std::string> units_;
    TRoutineList scripts_;
    TRoutineList externals_;
    TVariableManager globals_;
    int32_t mainPos_ = -1;

private:
    friend class ::qx::TQXScriptInterpreter;

    // Tokens and names
    const TQXToken& Tok(int32_t t) const { return toks_[static_cast<size_t>(t)]; }
    TQXTokenCode Code(int32_t t) const { return toks_[static_cast<size_t>(t)].Code; }
    int32_t Next(int32_t t) const { return toks_[static_cast<size_t>(t)].Code == tcEof ? t : t + 1; }
    int32_t TokenAt(int32_t pos) const;
    int32_t NameId(const std::string& upper);
    const std::string& NameOf(int32_t id) const { return names_[static_cast<size_t>(id)]; }

    // Errors and hooks
    bool Fail(uint16_t code, int32_t tok);
    int32_t Stop(uint16_t code, int32_t tok) {
        Fail(code, tok);
        return -1;
    }
    void FailAt(uint16_t code, int32_t pos);
    QX_ALWAYS_INLINE bool Hook(int32_t tok) {
        if (interrupt_->load(std::memory_order_relaxed)) return Fail(seInterrupted, tok);
        return !hasStatementHook_ || CallHook(tok);
    }
    bool CallHook(int32_t tok);
    // Whether the native stack is close to its end (or, where it cannot be
    // measured, the engine's recursion is deep).
    bool StackLow() const {
        if (stackLimit_) return QX_FRAME_ADDRESS() < stackLimit_;
        return depth_ > 2000;
    }
    void BeginRun();

    // Loading
    bool LoadItems(int32_t& t);
    bool ReadUses(int32_t& t);
    bool ReadVarSection(int32_t& t, TVariableManager* target, std::vector<Slot>* frame);
    bool ReadRoutine(int32_t& t, bool isFunction);
    int32_t SkipStatement(int32_t t) {
        const int32_t cached = cache_[static_cast<size_t>(t)].skip;
        return cached >= 0 ? cached : SkipSlow(t);
    }
    int32_t SkipSlow(int32_t t);
    int32_t SkipUncached(int32_t t, uint16_t& code, int32_t& errTok);
    int32_t SkipBlockUncached(int32_t t, uint16_t& code, int32_t& errTok);
    int32_t SkipConditionUncached(int32_t t, uint16_t& code, int32_t& errTok);

    // Translation
    Stmt* StmtAt(int32_t t) {
        const TokCache& c = cache_[static_cast<size_t>(t)];
        return c.stmt && c.stmtCtx == ctx_->id ? c.stmt : StmtSlow(t);
    }
    Stmt* StmtSlow(int32_t t);
    Expr* ExprAt(int32_t t, TQXTokenCode stop);
    std::unique_ptr<Stmt> CompileStmt(int32_t t);
    // paren: the expression inside "(" ... ")", which also ends where an
    // operator is expected and none follows (its ")" is missing there).
    std::unique_ptr<Expr> CompileExpr(int32_t t, TQXTokenCode stop, bool paren = false);
    NameKind FindName(int32_t nameId, VarBase& var, int& routine) const;
    void CompileVarAccess(int32_t nameTok, const VarBase& base, VarAccess& va);
    void CompileCall(int32_t nameTok, bool script, int routine, CallSite& cs);
    void Schedule(Expr& e, const std::vector<TQXOperator>& ops, bool dangling);
    RoutineInfo& Prepare(int routine);
    RoutineInfo& Routine(int routine) {
        RoutineInfo& ri = routines_[static_cast<size_t>(routine)];
        return ri.prepared ? ri : Prepare(routine);
    }
    Context* ContextFor(int routine, bool runProc, uint32_t shape);

    // Execution
    // A statement sequence from its first token (a block's BEGIN is stepped over).
    int32_t RunSeq(int32_t t, SeqMode mode) { return RunSeqFrom(mode == SeqMode::Block ? Next(t) : t, mode); }
    // The sequence from token t on, inside the block or statement.
    int32_t RunSeqFrom(int32_t t, SeqMode mode);
    // One statement (after THEN, ELSE, DO, a CASE value, or a routine body):
    // a block, or a sequence in statement mode; both are mostly one statement,
    // which runs here without the sequence loop.
    int32_t RunStmt(int32_t t) {
        TQXTokenCode c = Code(t);
        const bool block = c == tcBegin;
        if (block) c = Code(t = Next(t));
        if ((c == tcName || c == tcIf) && !StackLow()) {
            t = Exec(StmtAt(t));
            if (t < 0) return -1;
            const TQXTokenCode e = Code(t);
            if (e == tcEnd) return block ? Next(t) : t;
            if (!block && (e == tcSemicolon || e == tcElse || e == tcUntil)) return t;
        }
        return RunSeqFrom(t, block ? SeqMode::Block : SeqMode::Statement);
    }
    // RunStmt through a link.
    template <bool kIf = false>
    QX_ALWAYS_INLINE int32_t RunLinked(int32_t t, StmtLink& l, bool stackChecked = false) {
        if (!stackChecked && StackLow()) return RunStmt(t);
        if (!l.known) Link(t, l);
        if (!l.first) return RunStmt(t);
        return RunFirst<kIf>(l.first, l.block);
    }
    // RunStmt from the statement first found at its start (after BEGIN for a block).
    template <bool kIf = false>
    QX_ALWAYS_INLINE int32_t RunFirst(Stmt* first, bool block) { return AfterFirst(ExecDirect<kIf>(first), block); }
    // RunFirst after its first statement ended at e.
    QX_ALWAYS_INLINE int32_t AfterFirst(int32_t e, bool block) {
        if (e < 0) return -1;
        const TQXTokenCode c = Code(e);
        if (c == tcEnd) return block ? Next(e) : e;
        if (!block && (c == tcSemicolon || c == tcElse || c == tcUntil)) return e;
        return RunSeqFrom(e, block ? SeqMode::Block : SeqMode::Statement);
    }
    void Link(int32_t t, StmtLink& l);
    int32_t Exec(Stmt* s);
    // Exec with assignments, most of what runs, called directly; with IF
    // too where that is what runs (routine bodies).
    template <bool kIf = false>
    QX_ALWAYS_INLINE int32_t ExecDirect(Stmt* s) {
        if (s->kind == StmtKind::Assign) return ExecAssign(static_cast<AssignStmt*>(s));
        if (kIf && s->kind == StmtKind::If) return ExecIf(static_cast<IfStmt*>(s));
        return Exec(s);
    }
    int32_t ExecAssign(AssignStmt* s);
    int32_t ExecAssignElement(AssignStmt* s, bool hooked = false);
#if defined(__GNUC__)
    __attribute__((noinline))
#endif
    int32_t ExecAssignGeneral(AssignStmt* s, bool hooked);
    int32_t ExecCall(CallStmt* s);
    int32_t ExecError(ErrorStmt* s);
    int32_t ExecIf(IfStmt* s);
    // ExecIf, inlined where an IF is what mostly runs (function bodies).
    QX_ALWAYS_INLINE int32_t RunIf(IfStmt* s);
    // RunLinked for a branch of an IF, and ExecAssign inlined there.
    QX_ALWAYS_INLINE int32_t RunBranch(int32_t t, StmtLink& l);
    QX_ALWAYS_INLINE int32_t RunAssign(AssignStmt* s);
    int32_t ExecCase(CaseStmt* s);
    int32_t ExecFor(ForStmt* s);
    int32_t ExecWhile(WhileStmt* s);
    int32_t ExecRepeat(RepeatStmt* s);
    QX_ALWAYS_INLINE bool Eval(const Expr& e, TQXVariant* dest) {
        TQXVariant* d = dest->VType == vtReference ? ResolveValue(dest) : dest;
        if (const Plan* p = PlanFor(e, d->VType)) {
            Reg r;
            if (!Run(*p, r)) return false;
            if (d->VType == vtLongInt && IsIntegerType(p->resultType)) {
                d->V.Long = r.i;
                return true;
            }
            return StorePlan(*p, d, r);
        }
        return EvalCells(e, d);
    }
    // A plan, its simple shapes without the dispatcher.
    QX_ALWAYS_INLINE bool Run(const Plan& p, Reg& r) {
        if (p.shape == Plan::General) return RunPlan(p, r);
        if (p.shape >= Plan::Element) return RunPair(p, r);
        const TQXVariant* c = p.shapeSlot < 0 ? p.shapeCell : frame_[p.shapeSlot];
        if (p.shapeResolve) c = ResolveValue(c);
        if (c->VType != p.shapeType) return Fail(seTypeMismatch, p.shapeSrc->tok);
        const int32_t v = c->V.Long;
        if (p.shape == Plan::Variable) {
            r.i = v;
            return true;
        }
        r.i = ShapeStep(p.shapeOp, v, p.shapeLiteral);
        return true;
    }
    bool EvalCells(const Expr& e, TQXVariant* d);
    // A condition: 1 true, 0 false, -1 after an error.
    QX_ALWAYS_INLINE int EvalCondition(const Expr& e) {
        if (const Plan* p = PlanFor(e, vtBoolean)) {
            Reg r;
            if (!Run(*p, r)) return -1;
            return r.i != 0;
        }
        return EvalConditionCells(e);
    }
    int EvalConditionCells(const Expr& e);
    // An index into a new LONGINT.
    bool EvalIndex(const Expr& e, int32_t& index);
    const Plan* PlanFor(const Expr& e, uint16_t destType) {
        return e.planDest[0] == destType ? e.plans[0].get() : PlanSlow(e, destType);
    }
    const Plan* PlanSlow(const Expr& e, uint16_t destType);
    std::unique_ptr<Plan> BuildPlan(const Expr& e, uint16_t destType, bool nested = false);
    bool planNoStack_ = false;  // the last BuildPlan stopped for want of native stack
    bool RunPlan(const Plan& p, Reg& result);
    bool RunPair(const Plan& p, Reg& result);
    bool CallOperand(const PlanIns& ins, Reg& r);
    bool FindDirect(const CallSite& cs, uint16_t type);
    bool CallDirect(const CallSite& cs, const PlanIns& ins, Reg& r);
    bool StorePlan(const Plan& p, TQXVariant* d, const Reg& r);
    bool EvalOperand(const Operand& o, TQXVariant* out, uint16_t destType);
    TQXVariant* Base(const VarBase& v) const {
        if (!v.local) return v.global;
        TQXVariant* c = frame_[v.slot];
        return v.resolve ? ResolveValue(c) : c;
    }
    TQXVariant* Access(const VarAccess& va);
    // An element read at once (one index) from the variable's cell c, which
    // is no array element itself: Access without holds, as nothing can
    // remove the element before its value is loaded.
    const TQXVariant* Element(const VarAccess& va, TQXVariant* c);
    TQXVariant elementCopy_;  // a packed element read without a cell of its own
    bool AppendInPlace(AssignStmt* s, TQXVariant* target);
    bool Call(const CallSite& cs, TQXVariant* result);
    // result: a cell for a function's result; resultReady when it is a new
    // cell of the result type already.
    bool CallScript(const CallSite& cs, TQXVariant* result, bool resultReady = false) {
        return CallPooled(cs, result, resultReady, nullptr);
    }
    // The call in a frame of the routine's pool; with ownResult, a
    // function's result is the frame's own cell, which it receives (its
    // value stays there until the routine is called again).
    bool CallPooled(const CallSite& cs, TQXVariant* result, bool resultReady, TQXVariant** ownResult);
    Context* CallContext(int routine, RoutineInfo& ri, TQXVariant** frame) {
        return ri.arrayParams.empty() && ri.plainCall ? ri.plainCall : ShapedContext(routine, ri, frame);
    }
    Context* ShapedContext(int routine, RoutineInfo& ri, TQXVariant** frame);
    bool CallExternal(const CallSite& cs, TQXVariant* result);
    bool CallBuiltin(const CallSite& cs, TQXVariant* result);
    TQXVariant* VarArgument(const Arg& a);
    int32_t RunBody(RoutineInfo& ri, Context* ctx, TQXVariant** frame);
    QX_ALWAYS_INLINE int32_t RunCall(RoutineInfo& ri, Context* ctx, TQXVariant** frame);

    friend struct Temps;

    TQXScriptInterpreter& owner_;
    void* userData_;
    bool running_ = false;
    bool hasStatementHook_ = false;

    std::string text_;
    std::vector<TQXToken> toks_;
    std::vector<long double> reals_;
    std::vector<std::string> strings_;
    std::vector<std::string> names_;
    std::unordered_map<std::string, int32_t> nameIds_;
    int32_t curPos_ = -1;  // position of the walker's current token between runs

    struct TokCache {
        Stmt* stmt = nullptr;
        int32_t stmtCtx = -1;
        Expr* expr = nullptr;
        int32_t exprCtx = -1;
        TQXTokenCode exprStop = tcEof;
        int32_t skip = INT32_MIN;   // SkipStatement result; INT32_MIN: not known yet
        uint16_t skipErr = 0;
        int32_t skipErrTok = -1;
    };
    std::vector<TokCache> cache_;
    std::unordered_map<uint64_t, Stmt*> stmtMap_;
    std::unordered_map<uint64_t, Expr*> exprMap_;
    std::vector<std::unique_ptr<Stmt>> stmts_;
    std::vector<std::unique_ptr<Expr>> exprs_;
    std::vector<std::unique_ptr<Context>> contexts_;
    std::vector<RoutineInfo> routines_;
    std::vector<TQXVariant*> globalByName_;   // name id -> global cell (filled lazily)
    mutable std::vector<int8_t> globalKnown_;
    uint32_t compiledGeneration_ = 0;

    Context* ctx_ = nullptr;
    TQXVariant** frame_ = nullptr;
    BlockStack<TQXVariant, 1024> cells_;
    uintptr_t stackLimit_ = 0;
    int depth_ = 0;
};

// Operand cells on the cell stack for the lifetime of the object.
struct Temps {
    Temps(Engine& e, size_t n) : engine(e), mark(e.cells_.GetMark()), cells(e.cells_.Push(n)), count(n) {}
    ~Temps();
    Temps(const Temps&) = delete;
    Temps& operator=(const Temps&) = delete;
    TQXVariant* operator[](size_t i) { return cells + i; }
    Engine& engine;
    BlockStack<TQXVariant, 1024>::Mark mark;
    TQXVariant* cells;
    size_t count;
};

// Gives a stack cell a fresh value of a type: NewValue without allocation.
inline void InitCell(TQXVariant* c, uint16_t type, uint16_t elem = vtNone) {
    if (c->VType == vtArray || c->VType == vtReference) RetypeValue(c, vtNone);
    c->VType = type;
    c->ElementType = elem;
    c->Flags = 0;
    std::memset(static_cast<void*>(&c->V), 0, sizeof(c->V));
    if (type == vtString) c->Text.clear();
}
// Makes a stack cell clean again (drops elements, holds and large texts).
void CleanCell(TQXVariant* c);

// Whether expressions get typed plans (default on). Tests compare both ways.
void SetPlansEnabled(bool enabled);

// The built-in routines (ScriptBuiltins.cpp).
int BuiltinCount();
const char* BuiltinSignature(int index);
// args: resolved cells in parameter order (value cells of the parameter type,
// var parameters the caller's cells); result: typed cell or none.
uint16_t RunBuiltin(int index, TQXVariant* const* args, TQXVariant* result);
// Whether running it can change anything but its result (var parameters).
bool BuiltinIsPure(int index);

}  // namespace qx::detail
