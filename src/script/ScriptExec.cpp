// Execution of translated statements and expressions, and routine calls.
#include <cstring>

#include "script/ScriptEngine.h"

namespace qx::detail {

namespace {

uint16_t ErrorTokenCode(TQXTokenCode c) { return c == tcUnterminatedString ? seBadString : seSyntaxError; }
bool IsErrorToken(TQXTokenCode c) { return c >= tcInvalidChar && c <= tcInvalidNumber; }

// Counts engine recursion where the stack cannot be measured.
struct DepthGuard {
    explicit DepthGuard(int& d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
    int& depth;
};

// Copies a variable's value into an operand cell of the same type.
void CopyValue(TQXVariant* out, const TQXVariant* src) {
    if (out->VType == vtArray || out->VType == vtReference) RetypeValue(out, vtNone);
    out->VType = src->VType;
    out->ElementType = src->ElementType;
    out->Flags = 0;
    switch (src->VType) {
    case vtString: out->Text = src->Text; break;
    case vtArray: out->V.Items = nullptr; break;     // never reached: accesses end on elements
    case vtReference: out->V.Ref = nullptr; break;   // an unbound reference stays unbound
    default: out->V = src->V; break;
    }
}

uint16_t ResultCellType(int type) { return type > 0 && type <= vtArray ? static_cast<uint16_t>(type) : uint16_t(vtNone); }

}  // namespace

void CleanCell(TQXVariant* c) {
    if (c->VType == vtArray || c->VType == vtReference) RetypeValue(c, vtNone);
    if (c->Text.capacity() > 1024) std::string().swap(c->Text);
    c->Flags = 0;
}

Temps::~Temps() {
    for (size_t i = 0; i < count; ++i) CleanCell(cells + i);
    engine.cells_.Reset(mark);
}

// Statement sequences ----------------------------------------------------------------

namespace {

// What a token does where a statement may start.
enum SeqClass : uint8_t { scStatement, scSemicolon, scEnd, scBegin, scElse, scUntil, scOther };

struct SeqClasses {
    uint8_t of[256];
    SeqClasses() {
        for (uint8_t& c : of) c = scOther;
        for (int c : {tcName, tcIf, tcCase, tcFor, tcWhile, tcRepeat}) of[c] = scStatement;
        of[tcSemicolon] = scSemicolon;
        of[tcEnd] = scEnd;
        of[tcBegin] = scBegin;
        of[tcElse] = scElse;
        of[tcUntil] = scUntil;
    }
};
const SeqClasses kSeq;

}  // namespace

// Tested in the order of their frequency: a chain of predictable branches
// rather than one jump table.
int32_t Engine::RunSeqFrom(int32_t t, SeqMode mode) {
    DepthGuard dg(depth_);
    if (StackLow()) return Stop(seStackOverflow, t);
    Stmt* prev = nullptr;  // the statement that ended at the ";" at prevEnd
    int32_t prevEnd = -1;
    for (;;) {
        const TQXTokenCode c = Code(t);
        const uint8_t k = kSeq.of[c];
        if (k == scStatement) {
            Stmt* st = StmtAt(t);
            if (prev) {
                prev->seqEnd = prevEnd;
                prev->seqNext = st;
            }
            // Statement after statement, each ended by ";", without looking
            // at the tokens between them again.
            for (;;) {
                t = ExecDirect<true>(st);
                if (t < 0) return -1;
                if (t != st->seqEnd || mode == SeqMode::Statement) break;
                st = st->seqNext;
            }
            prev = st;
            prevEnd = t;
        } else if (k == scSemicolon) {
            if (mode == SeqMode::Statement) return t;
            if (t != prevEnd) prev = nullptr;
            t = Next(t);
        } else if (k == scEnd) {
            return mode == SeqMode::Block ? Next(t) : t;
        } else if (k == scBegin) {
            prev = nullptr;
            t = RunSeq(t, SeqMode::Block);
            if (t < 0) return -1;
        } else if (k == scElse) {
            if (mode == SeqMode::Block) return Stop(seBadStatement, t);
            return t;
        } else if (k == scUntil) {
            return t;
        } else if (c == tcEof) {
            return Stop(seUnexpectedEnd, t);
        } else {
            return Stop(IsErrorToken(c) ? ErrorTokenCode(c) : uint16_t(seBadStatement), t);
        }
    }
}

void Engine::Link(int32_t t, StmtLink& l) {
    TQXTokenCode c = Code(t);
    l.block = c == tcBegin;
    if (l.block) c = Code(t = Next(t));
    if (c == tcName || c == tcIf) l.first = StmtAt(t);
    l.known = true;
}

// A dispatch of tail calls: each kind's code keeps its own stack frame.
int32_t Engine::Exec(Stmt* s) {
    switch (s->kind) {
    case StmtKind::Assign: return ExecAssign(static_cast<AssignStmt*>(s));
    case StmtKind::If: return ExecIf(static_cast<IfStmt*>(s));
    case StmtKind::Call: return ExecCall(static_cast<CallStmt*>(s));
    case StmtKind::Case: return ExecCase(static_cast<CaseStmt*>(s));
    case StmtKind::For: return ExecFor(static_cast<ForStmt*>(s));
    case StmtKind::While: return ExecWhile(static_cast<WhileStmt*>(s));
    case StmtKind::Repeat: return ExecRepeat(static_cast<RepeatStmt*>(s));
    case StmtKind::Error: return ExecError(static_cast<ErrorStmt*>(s));
    }
    return -1;
}

int32_t Engine::ExecCall(CallStmt* cs) {
    if (!Hook(cs->tok)) return -1;
    if (cs->call.resultType == 0) return Call(cs->call, nullptr) ? cs->call.endTok : -1;
    Temps r(*this, 1);
    return Call(cs->call, r[0]) ? cs->call.endTok : -1;
}

int32_t Engine::ExecError(ErrorStmt* es) {
    if (es->code == seUnknownIdentifier && !Hook(es->tok)) return -1;
    Fail(es->code, es->tok);
    return -1;
}

// What ExecAssignGeneral does for a plain 32-bit variable with an integer
// plan, in short; a small function of its own, so that it needs little of
// the stack frame.
int32_t Engine::ExecAssign(AssignStmt* s) { return RunAssign(s); }

int32_t Engine::RunAssign(AssignStmt* s) {
    const Plan* p = s->fast;
    if (!p) return s->fastElement ? ExecAssignElement(s) : ExecAssignGeneral(s, false);
    if (!Hook(s->tok)) return -1;
    TQXVariant* d = s->var.base.local ? frame_[s->var.base.slot] : s->var.base.global;
    if (d->VType != s->var.base.type || d->ReadOnly() || d->Shared) return ExecAssignGeneral(s, true);
    Reg r;
    if (!Run(*p, r)) return -1;
    d->V.Long = r.i;
    return s->expr->endTok;
}

// The general path's steps for such an element (Access, Eval), in short.
int32_t Engine::ExecAssignElement(AssignStmt* s, bool hooked) {
    if (!hooked && !Hook(s->tok)) return -1;
    const VarBase& b = s->var.base;
    TQXVariant* base = b.local ? frame_[b.slot] : b.global;
    const VarBase& ib = s->fastIndex->var->base;
    const TQXVariant* ic = ib.local ? frame_[ib.slot] : ib.global;
    if (base->VType == vtArray && !base->ReadOnly() && !base->Shared && base->V.Items && ic->VType == ib.type) {
        const uint32_t index = static_cast<uint32_t>(ic->V.Long);
        int32_t* el = IntegerElementSlot(base, index, b.elem);
        if (!el && !base->V.Items->Packed && index < base->V.Items->size() && !(*base->V.Items)[index]) {
            ArrayElement(base, ic->V.Long);  // made when first reached
            el = IntegerElementSlot(base, index, b.elem);
        }
        if (el) {
            Reg r;
            if (!Run(*s->fastElement, r)) return -1;
            *el = r.i;
            return s->expr->endTok;
        }
    }
    return ExecAssignGeneral(s, true);
}

int32_t Engine::ExecAssignGeneral(AssignStmt* s, bool hooked) {
    if (!hooked && !Hook(s->tok)) return -1;
    if (!s->fastKnown) {
        s->fastKnown = true;
        const VarAccess& v = s->var;
        const uint16_t t = v.base.type;
        if ((t == vtSmallInt || t == vtCardinal || t == vtLongInt) && v.indexes.empty() && v.missingTok < 0 && !v.fails &&
            !v.base.resolve && s->err13Tok < 0 && !s->appendInPlace && s->expr) {
            const Plan* p = PlanFor(*s->expr, t);
            if (p && IsIntegerType(p->resultType)) s->fast = p;
        }
        const uint16_t e = v.base.elem;
        if (t == vtArray && v.base.elemKnown && (e == vtSmallInt || e == vtCardinal || e == vtLongInt) &&
            v.indexes.size() == 1 && v.missingTok < 0 && !v.fails && !v.base.resolve && s->err13Tok < 0 && s->expr &&
            s->expr->pure) {
            const Expr& ix = *v.indexes[0].expr;
            const Operand* iv = ix.operands.size() == 1 ? &ix.operands[0] : nullptr;
            if (iv && ix.single && !ix.fails && !ix.tailCode && ix.steps.empty() && iv->kind == OperandKind::Var &&
                iv->prefix.empty() && iv->var->indexes.empty() && iv->var->missingTok < 0 && !iv->var->fails &&
                !iv->var->base.resolve && (iv->var->base.type == vtSmallInt || iv->var->base.type == vtCardinal ||
                                           iv->var->base.type == vtLongInt)) {
                const Plan* p = PlanFor(*s->expr, e);
                if (p && IsIntegerType(p->resultType)) {
                    s->fastElement = p;
                    s->fastIndex = iv;
                }
            }
        }
        // From the first run on, so that a packed element gets no cell for it.
        if (s->fastElement) return ExecAssignElement(s, true);
    }
    TQXVariant* base = Base(s->var.base);
    if (base->ReadOnly()) return Stop(seBadStatement, s->tok);
    if (s->appendInPlace && base->VType == vtString) {
        if (!AppendInPlace(s, base)) return -1;
        return s->expr->endTok;
    }
    TQXVariant* cell = s->var.indexes.empty() && s->var.missingTok < 0 && base->VType != vtArray ? base : Access(s->var);
    if (!cell) return -1;
    if (cell == base) HoldValue(cell);
    if (s->err13Tok >= 0) {
        ReleaseValue(cell);
        Fail(seAssignmentExpected, s->err13Tok);
        return -1;
    }
    const bool ok = Eval(*s->expr, cell);
    ReleaseValue(cell);
    return ok ? s->expr->endTok : -1;
}

// target := target + t1 + t2 ...: the terms change nothing, so appending them
// in place gives what copying target first would give.
bool Engine::AppendInPlace(AssignStmt* s, TQXVariant* target) {
    const Expr& e = *s->expr;
    const size_t n = e.operands.size();
    Temps tmp(*this, n);
    size_t total = target->Text.size();
    bool allText = true;
    for (size_t k = 1; k < n; ++k) {
        if (!EvalOperand(e.operands[k], tmp[k], vtString)) return false;
        const TQXVariant* v = tmp[k];
        if (v->VType == vtString) total += v->Text.size();
        else if (v->VType == vtChar) total += 1;
        else allText = false;
    }
    if (!allText || total > ValueLimits().MaxStringLength) return Eval(e, target);
    for (size_t k = 1; k < n; ++k) {
        const TQXVariant* v = tmp[k];
        if (v->VType == vtChar) target->Text.push_back(static_cast<char>(v->V.Char));
        else target->Text.append(v->Text);
    }
    return true;
}

int32_t Engine::RunBranch(int32_t t, StmtLink& l) {
    if (StackLow()) return RunStmt(t);
    if (!l.known) Link(t, l);
    Stmt* const s = l.first;
    if (!s) return RunStmt(t);
    return AfterFirst(s->kind == StmtKind::Assign ? RunAssign(static_cast<AssignStmt*>(s)) : Exec(s), l.block);
}

int32_t Engine::ExecIf(IfStmt* s) { return RunIf(s); }

int32_t Engine::RunIf(IfStmt* s) {
    if (!Hook(s->tok)) return -1;
    const int value = EvalCondition(*s->cond);
    if (value < 0) return -1;
    if (s->err20Tok >= 0) return Stop(seThenExpected, s->err20Tok);
    if (value) {
        int32_t e = RunBranch(s->thenTok, s->thenLink);
        if (e < 0) return -1;
        if (Code(e) != tcElse) return e;
        if (!Hook(e)) return -1;
        return SkipStatement(Next(e));
    }
    int32_t e = SkipStatement(s->thenTok);
    if (e < 0 || Code(e) != tcElse) return e;
    const int32_t t = Next(e);
    if (!Hook(t)) return -1;
    return RunBranch(t, s->elseLink);
}

int32_t Engine::ExecCase(CaseStmt* s) {
    Temps cells(*this, 2);
    TQXVariant* sel = cells[0];
    TQXVariant* val = cells[1];
    InitCell(sel, vtReference);
    if (!Eval(*s->selector, sel)) return -1;
    if (s->err26Tok >= 0) return Stop(seOfExpected, s->err26Tok);
    bool matched = false;
    int32_t t = s->firstTok;
    for (;;) {
        switch (Code(t)) {
        case tcEnd:
            return Next(t);
        case tcElse: {
            t = Next(t);
            int32_t e = matched ? SkipStatement(t) : RunStmt(t);
            if (e < 0) return -1;
            if (Code(e) == tcSemicolon) e = Next(e);
            if (Code(e) != tcEnd) return Stop(seEndExpected, e);
            return Next(e);
        }
        default: {
            if (!Hook(t)) return -1;
            Expr* ve = ExprAt(t, tcColon);
            InitCell(val, ResolveValue(sel)->VType);
            if (!Eval(*ve, val)) return -1;
            const int32_t colon = ve->endTok;
            if (Code(colon) != tcColon) return Stop(seColonExpected, colon);
            t = Next(colon);
            if (uint16_t code = ApplyOperator(val, sel, TQXOperator::Equal)) return Stop(code, t);
            int32_t e;
            if (val->V.Boolean && !matched) {
                matched = true;
                e = RunStmt(t);
            } else {
                e = SkipStatement(t);
            }
            if (e < 0) return -1;
            if (Code(e) == tcSemicolon) e = Next(e);
            t = e;
        }
        }
    }
}

int32_t Engine::ExecFor(ForStmt* s) {
    if (s->headErr) return Stop(s->headErr, s->headTok);
    TQXVariant* v = Base(s->var);
    if (v->ReadOnly()) return Stop(seVariableExpected, s->varTok);
    if (!IsIntegerType(v->VType)) return Stop(seTypeMismatch, s->varTok);
    if (s->err13Tok >= 0) return Stop(seAssignmentExpected, s->err13Tok);
    if (!Eval(*s->from, v)) return -1;
    const int64_t start = ValueAsInteger(v);
    if (s->err23Tok >= 0) return Stop(seToExpected, s->err23Tok);
    if (!Eval(*s->to, v)) return -1;
    const int64_t end = ValueAsInteger(v);
    if (s->err24Tok >= 0) return Stop(seDoExpected, s->err24Tok);
    const int32_t body = s->bodyTok;
    v->SetReadOnly(true);
    const bool down = s->down;
    const int64_t step = down ? -1 : 1;
    // Every iteration runs its body at the same depth of the native stack:
    // the body's first statement is found once.
    Stmt* first = nullptr;
    if (!StackLow()) {
        if (!s->body.known) Link(body, s->body);
        first = s->body.first;
    }
    const bool block = s->body.block;
    // The count is fixed before the first iteration.
    for (int64_t i = start; down ? i >= end : i <= end; i += step) {
        if (!Hook(body)) {
            v->SetReadOnly(false);
            return -1;
        }
        switch (v->VType) {  // the control variable is of an integer type
        case vtByte: v->V.Byte = static_cast<uint8_t>(i); break;
        case vtShortInt: v->V.ShortInt = static_cast<int8_t>(i); break;
        case vtWord: v->V.Word = static_cast<uint16_t>(i); break;
        default: v->V.Long = static_cast<int32_t>(i); break;
        }
        if ((first ? RunFirst(first, block) : RunStmt(body)) < 0) {
            v->SetReadOnly(false);
            return -1;
        }
    }
    v->SetReadOnly(false);
    return SkipStatement(body);
}

int32_t Engine::ExecWhile(WhileStmt* s) {
    int value = EvalCondition(*s->cond);
    if (value < 0) return -1;
    if (s->err24Tok >= 0) return Stop(seDoExpected, s->err24Tok);
    const int32_t body = s->bodyTok;
    if (!value) return SkipStatement(body);
    // As in FOR: one depth, the body's first statement found once.
    Stmt* first = nullptr;
    if (!StackLow()) {
        if (!s->body.known) Link(body, s->body);
        first = s->body.first;
    }
    const bool block = s->body.block;
    const Expr& cond = *s->cond;
    for (;;) {
        if (!Hook(body)) return -1;
        if ((first ? RunFirst(first, block) : RunStmt(body)) < 0) return -1;
        value = EvalCondition(cond);
        if (value < 0) return -1;
        if (!value) return SkipStatement(body);
    }
}

int32_t Engine::ExecRepeat(RepeatStmt* s) {
    for (;;) {
        if (!Hook(s->bodyTok)) return -1;
        const int32_t e = RunSeq(s->bodyTok, SeqMode::Repeat);
        if (e < 0) return -1;
        if (Code(e) != tcUntil) return Stop(seSyntaxError, e);
        if (e != s->untilTok) {
            s->cond = ExprAt(Next(e), tcDo);
            s->untilTok = e;
        }
        Expr* cond = s->cond;
        const int value = EvalCondition(*cond);
        if (value < 0) return -1;
        if (value) return cond->endTok;
    }
}

// Expressions ------------------------------------------------------------------------

// The expression on operand cells, as the walker evaluates it.
bool Engine::EvalCells(const Expr& e, TQXVariant* d) {
    DepthGuard dg(depth_);
    uint16_t dt = d->VType;
    const size_t n = e.operands.size();
    if (StackLow()) return Fail(seStackOverflow, n ? e.operands[0].tok : e.endTok);
    Temps tmp(*this, n ? n : 1);
    for (size_t k = 0; k < n; ++k) {
        if (static_cast<int32_t>(k) == e.retypeAt && dt == vtReference) {
            // A "/" makes an untyped destination EXTENDED, and later literals too.
            RetypeValue(d, vtExtended);
            dt = vtExtended;
        }
        if (!EvalOperand(e.operands[k], tmp[k], dt)) return false;
    }
    if (e.tailCode) return Fail(e.tailCode, e.tailTok);
    if (e.fails) return false;
    for (const Step& s : e.steps)
        if (uint16_t code = ApplyOperator(tmp[static_cast<size_t>(s.l)], tmp[static_cast<size_t>(s.r)], s.op)) return Fail(code, e.endTok);
    if (!e.single) return Fail(seBadExpression, e.endTok);
    if (uint16_t code = ApplyOperator(d, tmp[0], TQXOperator::Assign)) return Fail(code, e.endTok);
    return true;
}

bool Engine::EvalOperand(const Operand& o, TQXVariant* out, uint16_t dt) {
    switch (o.kind) {
    case OperandKind::Integer:
        // A literal takes the destination's type where that holds it.
        if ((dt >= vtShortInt && dt <= vtLongInt)) {
            InitCell(out, dt);
            StoreInteger(out, o.ival);
        } else if (IsRealType(dt)) {
            InitCell(out, dt);
            StoreReal(out, o.ival);
        } else {
            InitCell(out, vtLongInt);
            out->V.Long = o.ival;
        }
        break;
    case OperandKind::Hex:
        InitCell(out, dt >= vtShortInt && dt <= vtLongInt ? dt : uint16_t(vtLongInt));
        StoreInteger(out, o.ival);
        break;
    case OperandKind::Real:
        InitCell(out, IsRealType(dt) ? dt : uint16_t(vtExtended));
        if (uint16_t code = StoreReal(out, o.rval)) return Fail(code, o.tok);
        break;
    case OperandKind::Text:
        InitCell(out, vtString);
        out->Text = o.text;
        break;
    case OperandKind::Var: {
        TQXVariant* src = Access(*o.var);
        if (!src) return false;
        CopyValue(out, src);
        ReleaseValue(src);
        break;
    }
    case OperandKind::Paren:
        InitCell(out, vtReference);
        if (!Eval(*o.paren, out)) return false;
        if (o.closeErrTok >= 0) return Fail(seRParenExpected, o.closeErrTok);
        break;
    case OperandKind::Call:
        if (!Call(*o.call, out)) return false;
        break;
    }
    for (TQXTokenCode p : o.prefix) {
        uint16_t code = p == tcMinus ? NegateValue(out) : p == tcNot ? NotValue(out) : uint16_t(kValueOk);
        if (code) return Fail(code, o.afterTok);
    }
    return true;
}

// The variable's cell after its index suffixes, held (ReleaseValue when done),
// or none after an error.
TQXVariant* Engine::Access(const VarAccess& va) {
    TQXVariant* c = Base(va.base);
    if (va.indexes.empty() && va.missingTok < 0) {
        if (c->VType == vtArray) {
            // Declared otherwise, but made an array by foreign code.
            Fail(seTypeMismatch, va.nameTok);
            return nullptr;
        }
        HoldValue(c);
        return c;
    }
    int32_t cur = va.nameTok;
    HoldValue(c);
    for (const VarAccess::Index& ix : va.indexes) {
        if (c->VType != vtArray) {
            ReleaseValue(c);
            Fail(seTypeMismatch, cur);
            return nullptr;
        }
        int32_t index;
        if (!EvalIndex(*ix.expr, index)) {
            ReleaseValue(c);
            return nullptr;
        }
        if (ix.err30Tok >= 0) {
            ReleaseValue(c);
            Fail(seRBracketExpected, ix.err30Tok);
            return nullptr;
        }
        TQXVariant* el = ArrayElement(c, index);
        if (!el) {
            ReleaseValue(c);
            Fail(seIndexOutOfRange, ix.closeTok);
            return nullptr;
        }
        HoldValue(el);
        ReleaseValue(c);
        c = el;
        cur = ix.closeTok;
    }
    if (va.missingTok >= 0) {
        const bool array = c->VType == vtArray;
        ReleaseValue(c);
        Fail(array ? seLBracketExpected : seTypeMismatch, array ? va.missingTok : cur);
        return nullptr;
    }
    if (c->VType == vtArray) {
        ReleaseValue(c);
        Fail(seTypeMismatch, cur);
        return nullptr;
    }
    return c;
}

const TQXVariant* Engine::Element(const VarAccess& va, TQXVariant* c) {
    if (c->VType != vtArray) {
        Fail(seTypeMismatch, va.nameTok);
        return nullptr;
    }
    const VarAccess::Index& ix = va.indexes[0];
    int32_t index;
    if (!EvalIndex(*ix.expr, index)) return nullptr;
    const TQXVariant* el = ReadArrayElement(c, index, elementCopy_);
    if (!el) {
        Fail(seIndexOutOfRange, ix.closeTok);
        return nullptr;
    }
    if (el->VType == vtArray) {
        Fail(seTypeMismatch, ix.closeTok);
        return nullptr;
    }
    return el;
}

// Calls ---------------------------------------------------------------------------------

bool Engine::Call(const CallSite& cs, TQXVariant* result) {
    if (cs.headErr) return Fail(cs.headErr, cs.headTok);
    if (cs.script) return CallScript(cs, result);
    if (cs.builtin >= 0) return CallBuiltin(cs, result);
    return CallExternal(cs, result);
}

// The caller's cell for a var argument, held; none after an error.
TQXVariant* Engine::VarArgument(const Arg& a) {
    if (a.varErr) {
        Fail(a.varErr, a.varTok);
        return nullptr;
    }
    TQXVariant* base = Base(a.var->base);
    if (base->ReadOnly()) {
        Fail(seVariableExpected, a.varTok);
        return nullptr;
    }
    if (a.type == vtArray) {
        if (base->VType != vtArray) {
            Fail(seTypeMismatch, a.varTok);
            return nullptr;
        }
        HoldValue(base);
        return base;
    }
    TQXVariant* c = Access(*a.var);
    if (!c) return nullptr;
    if (c->VType != a.type) {
        ReleaseValue(c);
        Fail(seTypeMismatch, a.var->lastTok);
        return nullptr;
    }
    return c;
}

bool Engine::CallExternal(const CallSite& cs, TQXVariant* result) {
    TVariableManager args;
    std::vector<std::unique_ptr<TQXVariant>> unnamed;  // arguments whose name repeats
    for (const Arg& a : cs.args) {
        if (a.isVar) {
            TQXVariant* target = VarArgument(a);
            if (!target) return false;
            TQXVariant* ref = NewValue(vtReference);
            BindReference(ref, target);
            ReleaseValue(target);
            args.AddVariable(a.name, ref);
        } else {
            TQXVariant* cell = args.AddVariable(a.name, NewValue(a.type));
            if (!cell) {
                unnamed.emplace_back(NewValue(a.type));
                cell = unnamed.back().get();
            }
            if (!Eval(*a.expr, cell)) return false;
        }
        if (a.sepErr) return Fail(a.sepErr, a.sepTok);
    }
    if (cs.fails) return false;
    TQXVariant* res = nullptr;
    if (cs.resultType != 0 && result) {
        res = result;
        InitCell(res, ResultCellType(cs.resultType));
    }
    uint16_t code;
    try {
        TQXExternalCall call{userData_, &owner_, cs.target->Name, cs.target->Tag, args, res};
        code = cs.target->Handler ? cs.target->Handler(call) : 0;
    } catch (...) {
        code = seHostException;
    }
    if (code) return Fail(code, cs.endTok);
    lastError_ = 0;
    lastPos_ = -1;
    return true;
}

bool Engine::CallBuiltin(const CallSite& cs, TQXVariant* result) {
    const size_t n = cs.args.size();
    TQXVariant* argv[4] = {nullptr, nullptr, nullptr, nullptr};
    TQXVariant* held[4] = {nullptr, nullptr, nullptr, nullptr};
    struct Holds {
        TQXVariant** cells;
        ~Holds() {
            for (int i = 0; i < 4; ++i) ReleaseValue(cells[i]);
        }
    } holds{held};
    Temps vals(*this, n ? n : 1);
    for (size_t i = 0; i < n && i < 4; ++i) {
        const Arg& a = cs.args[i];
        if (a.isVar) {
            TQXVariant* target = VarArgument(a);
            if (!target) return false;
            held[i] = target;
            argv[i] = target;
        } else {
            if (cs.borrow & (1u << i)) {
                TQXVariant* v = Access(*a.expr->operands[0].var);
                if (!v) return false;
                if (v->VType == vtString) {
                    held[i] = v;
                    argv[i] = v;
                    continue;
                }
                ReleaseValue(v);  // not a STRING: converted as any value
            }
            InitCell(vals[i], a.type);
            if (!Eval(*a.expr, vals[i])) return false;
            argv[i] = vals[i];
        }
        if (a.sepErr) return Fail(a.sepErr, a.sepTok);
    }
    if (cs.fails) return false;
    TQXVariant* res = nullptr;
    if (cs.resultType != 0 && result) {
        res = result;
        InitCell(res, ResultCellType(cs.resultType));
    }
    const uint16_t code = RunBuiltin(cs.builtin, argv, res);
    if (code) return Fail(code, cs.endTok);
    lastError_ = 0;
    lastPos_ = -1;
    return true;
}

// The context a call runs in: whether its ARRAY parameters hold arrays of
// arrays decides how their elements are indexed.
Context* Engine::ShapedContext(int routine, RoutineInfo& ri, TQXVariant** frame) {
    uint32_t shape = 0;
    for (size_t k = 0; k < ri.arrayParams.size() && k < 32; ++k) {
        TQXVariant* a = ResolveValue(frame[ri.arrayParams[k]]);
        if (a && a->ElementType == vtArray) shape |= 1u << k;
    }
    return shape == 0 && ri.plainCall ? ri.plainCall : ContextFor(routine, false, shape);
}

namespace {

// Makes one more frame for the routine's calls.
void AddFrame(RoutineInfo& ri) {
    const size_t n = static_cast<size_t>(ri.slots);
    ri.frameCells.emplace_back(new TQXVariant[n + 1]);
    ri.frameSlots.emplace_back(new TQXVariant*[n + 1]);
    TQXVariant* cells = ri.frameCells.back().get();
    TQXVariant** slots = ri.frameSlots.back().get();
    // The slot after the frame keeps the frame's own RESULT cell.
    for (size_t i = 0; i <= n; ++i) slots[i] = cells + i;
    const size_t used = ri.frames.size();
    ri.frames.push_back(slots);
    ri.nextFrame = ri.frames.data() + used;
    ri.framesEnd = ri.frames.data() + ri.frames.size();
}

// A frame of the routine's pool for the length of one call.
struct FrameLease {
    explicit FrameLease(RoutineInfo& r) : ri(r) {
        if (ri.nextFrame == ri.framesEnd) AddFrame(ri);
        frame = *ri.nextFrame++;
    }
    ~FrameLease() {
        --ri.nextFrame;
        if (ri.poolClean)
            for (int32_t i = 0; i < ri.slots; ++i)
                if (i != ri.resultSlot) CleanCell(frame[i]);
    }
    FrameLease(const FrameLease&) = delete;
    FrameLease& operator=(const FrameLease&) = delete;
    RoutineInfo& ri;
    TQXVariant** frame;
};

}  // namespace

// The locals made fresh, then the body in the frame, where the caller
// checked the stack; when the body starts with an IF (as most function
// bodies are one) that runs here, in the caller's native frame.
int32_t Engine::RunCall(RoutineInfo& ri, Context* ctx, TQXVariant** frame) {
    for (int k = ri.firstLocal; k < ri.slots; ++k) {
        const Slot& s = ri.frame[static_cast<size_t>(k)];
        InitCell(frame[k], s.type, s.elem);
    }
    Context* const savedCtx = ctx_;
    TQXVariant** const savedFrame = frame_;
    ctx_ = ctx;
    frame_ = frame;
    StmtLink& body = ctx->body;
    if (!body.known) Link(ri.stmtTok, body);
    Stmt* const first = body.first;
    const int32_t end = first && first->kind == StmtKind::If ? AfterFirst(RunIf(static_cast<IfStmt*>(first)), body.block)
                                                             : RunLinked<true>(ri.stmtTok, body, true);
    ctx_ = savedCtx;
    frame_ = savedFrame;
    return end;
}

bool Engine::CallPooled(const CallSite& cs, TQXVariant* result, bool resultReady, TQXVariant** ownResult) {
    DepthGuard dg(depth_);
    if (StackLow()) return Fail(seStackOverflow, cs.nameTok);
    RoutineInfo& ri = Routine(cs.routine);
    FrameLease lease(ri);
    TQXVariant** const frame = lease.frame;
    // The arguments, in the caller's frame, into the parameters' cells (a
    // call's arguments are at most its parameters).
    const size_t np = cs.args.size();
    for (size_t i = 0; i < np; ++i) {
        const Arg& a = cs.args[i];
        TQXVariant* cell = frame[i];
        if (a.isVar) {
            TQXVariant* target = VarArgument(a);
            if (!target) return false;
            InitCell(cell, vtNone);
            BindReference(cell, target);
            ReleaseValue(target);
        } else {
            InitCell(cell, a.type);
            if (!Eval(*a.expr, cell)) return false;
        }
        if (a.sepErr) return Fail(a.sepErr, a.sepTok);
    }
    if (cs.fails) return false;
    if (ownResult) *ownResult = result = frame[ri.slots];
    if (cs.resultType != 0 && !resultReady) InitCell(result, ResultCellType(cs.resultType));
    if (ri.localErr) return Fail(ri.localErr, ri.localErrTok);
    if (ri.resultSlot >= 0) frame[ri.resultSlot] = result;
    return RunCall(ri, CallContext(cs.routine, ri, frame), frame) >= 0;
}

// CallPooled for a direct call (CallSite::direct): the arguments' plans
// store into the parameters' cells, the result is the frame's own cell.
bool Engine::CallDirect(const CallSite& cs, const PlanIns& ins, Reg& r) {
    DepthGuard dg(depth_);
    if (StackLow()) return Fail(seStackOverflow, cs.nameTok);
    RoutineInfo& ri = Routine(cs.routine);
    FrameLease lease(ri);
    TQXVariant** const frame = lease.frame;
    TQXVariant** cell = frame;
    for (const CallSite::DirectArg& a : cs.directArgs) {
        int32_t v;
        const TQXVariant* src;
        if (a.slot >= 0 && (src = frame_[a.slot])->VType == a.varType) {
            v = static_cast<int32_t>(static_cast<uint32_t>(src->V.Long) + a.add);
        } else {
            Reg value;
            if (!Run(*a.plan, value)) return false;
            v = value.i;
        }
        TQXVariant* c = *cell++;
        if (c->VType != a.type || c->Flags) InitCell(c, a.type);
        c->V.Long = v;
    }
    const uint16_t type = ins.type;
    TQXVariant* const result = frame[ri.slots];
    if (result->VType != type || result->Flags) InitCell(result, type);
    result->V.Long = 0;
    frame[ri.resultSlot] = result;
    // No ARRAY parameters: the context is the plain one.
    if (RunCall(ri, ri.plainCall ? ri.plainCall : ShapedContext(cs.routine, ri, frame), frame) < 0) return false;
    if (result->VType != type) return Fail(seTypeMismatch, ins.src->tok);
    r.i = result->V.Long;
    return true;
}

int32_t Engine::RunBody(RoutineInfo& ri, Context* ctx, TQXVariant** frame) {
    struct Restore {
        Engine& e;
        Context* ctx;
        TQXVariant** frame;
        ~Restore() {
            e.ctx_ = ctx;
            e.frame_ = frame;
        }
    } restore{*this, ctx_, frame_};
    ctx_ = ctx;
    frame_ = frame;
    return RunLinked(ri.stmtTok, ctx->body);
}

}  // namespace qx::detail
