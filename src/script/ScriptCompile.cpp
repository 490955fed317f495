// Translation of statements and expressions: the parse the walker does, with
// every parse error recorded at the point of the walk where it is raised.
#include "script/ScriptEngine.h"

namespace qx::detail {

namespace {

uint16_t ErrorTokenCode(TQXTokenCode c) { return c == tcUnterminatedString ? seBadString : seSyntaxError; }
bool IsErrorToken(TQXTokenCode c) { return c >= tcInvalidChar && c <= tcInvalidNumber; }

// Tokens that end every expression. UNTIL is one of them because the last
// statement of a REPEAT body needs no ";" (as the last one before END).
bool EndsExpression(TQXTokenCode c) {
    switch (c) {
    case tcSemicolon: case tcComma: case tcRParen: case tcDo: case tcDownto: case tcElse: case tcEnd: case tcTo:
    case tcUntil:
        return true;
    default:
        return false;
    }
}

bool OperatorOf(TQXTokenCode c, TQXOperator& op) {
    switch (c) {
    case tcEqual: op = TQXOperator::Equal; return true;
    case tcNotEqual: op = TQXOperator::NotEqual; return true;
    case tcLess: op = TQXOperator::Less; return true;
    case tcGreater: op = TQXOperator::Greater; return true;
    case tcLessEqual: op = TQXOperator::LessEqual; return true;
    case tcGreaterEqual: op = TQXOperator::GreaterEqual; return true;
    case tcPlus: op = TQXOperator::Add; return true;
    case tcMinus: op = TQXOperator::Subtract; return true;
    case tcOr: op = TQXOperator::Or; return true;
    case tcXor: op = TQXOperator::Xor; return true;
    case tcStar: op = TQXOperator::Multiply; return true;
    case tcSlash: op = TQXOperator::Divide; return true;
    case tcDiv: op = TQXOperator::Div; return true;
    case tcMod: op = TQXOperator::Mod; return true;
    case tcAnd: op = TQXOperator::And; return true;
    case tcShl: op = TQXOperator::Shl; return true;
    case tcShr: op = TQXOperator::Shr; return true;
    default: return false;
    }
}

// 1: "*" "/" DIV MOD AND SHL SHR; 2: "+" "-" OR XOR; 3: comparisons.
int LevelOf(TQXOperator op) {
    switch (op) {
    case TQXOperator::Multiply: case TQXOperator::Divide: case TQXOperator::Div: case TQXOperator::Mod:
    case TQXOperator::And: case TQXOperator::Shl: case TQXOperator::Shr:
        return 1;
    case TQXOperator::Add: case TQXOperator::Subtract: case TQXOperator::Or: case TQXOperator::Xor:
        return 2;
    default:
        return 3;
    }
}

// How many index suffixes a variable of the declared type takes.
int DepthOf(const VarBase& b) {
    if (b.type != vtArray) return 0;
    return b.elem == vtArray ? 2 : 1;
}

}  // namespace

// Names ------------------------------------------------------------------------

NameKind Engine::FindName(int32_t id, VarBase& var, int& routine) const {
    // Local variables of the frame, then globals, then external and script routines.
    auto it = ctx_->slotOf.find(id);
    if (it != ctx_->slotOf.end()) {
        const Slot& s = ctx_->slots[static_cast<size_t>(it->second)];
        var = VarBase{};
        var.local = true;
        var.slot = it->second;
        var.resolve = s.resolve;
        var.type = s.type;
        var.elem = s.elem;
        var.elemKnown = s.elemKnown;
        return NameKind::Local;
    }
    auto& self = const_cast<Engine&>(*this);
    if (self.globalByName_.size() < names_.size()) {
        self.globalByName_.resize(names_.size(), nullptr);
        globalKnown_.resize(names_.size(), 0);
    }
    if (!globalKnown_[static_cast<size_t>(id)]) {
        self.globalByName_[static_cast<size_t>(id)] = globals_.Find(NameOf(id));
        globalKnown_[static_cast<size_t>(id)] = 1;
    }
    if (TQXVariant* g = globalByName_[static_cast<size_t>(id)]) {
        var = VarBase{};
        var.global = g;
        var.type = g->VType;
        var.elem = g->ElementType;
        return NameKind::Global;
    }
    routine = externals_.FindRoutine(NameOf(id));
    if (routine >= 0) return NameKind::External;
    routine = scripts_.FindRoutine(NameOf(id));
    if (routine >= 0) return NameKind::Script;
    return NameKind::None;
}

// Cached translations -------------------------------------------------------------

Stmt* Engine::StmtSlow(int32_t t) {
    TokCache& c = cache_[static_cast<size_t>(t)];
    const uint64_t key = (static_cast<uint64_t>(static_cast<uint32_t>(t)) << 32) | static_cast<uint32_t>(ctx_->id);
    auto it = stmtMap_.find(key);
    Stmt* s;
    if (it != stmtMap_.end()) {
        s = it->second;
    } else {
        stmts_.push_back(CompileStmt(t));
        s = stmts_.back().get();
        stmtMap_.emplace(key, s);
    }
    c.stmt = s;
    c.stmtCtx = ctx_->id;
    return s;
}

Expr* Engine::ExprAt(int32_t t, TQXTokenCode stop) {
    TokCache& c = cache_[static_cast<size_t>(t)];
    if (c.expr && c.exprCtx == ctx_->id && c.exprStop == stop) return c.expr;
    const uint64_t key = (static_cast<uint64_t>(static_cast<uint32_t>(t)) << 32) |
                         (static_cast<uint64_t>(stop) << 24) | static_cast<uint32_t>(ctx_->id);
    auto it = exprMap_.find(key);
    Expr* e;
    if (it != exprMap_.end()) {
        e = it->second;
    } else {
        exprs_.push_back(CompileExpr(t, stop));
        e = exprs_.back().get();
        exprMap_.emplace(key, e);
    }
    c.expr = e;
    c.exprCtx = ctx_->id;
    c.exprStop = stop;
    return e;
}

// Variables and calls ---------------------------------------------------------------

void Engine::CompileVarAccess(int32_t nameTok, const VarBase& base, VarAccess& va) {
    va.base = base;
    va.nameTok = nameTok;
    int32_t cur = nameTok;
    const int depth = DepthOf(base);
    for (int k = 0; k < depth; ++k) {
        int32_t t = Next(cur);
        if (Code(t) != tcLBracket) {
            va.missingTok = t;
            va.fails = true;
            return;
        }
        VarAccess::Index ix;
        ix.expr = CompileExpr(Next(t), tcRBracket);
        const bool exprFails = ix.expr->fails;
        const int32_t end = ix.expr->endTok;
        if (!exprFails && Code(end) != tcRBracket) ix.err30Tok = end;
        else ix.closeTok = end;
        va.indexes.push_back(std::move(ix));
        if (exprFails || va.indexes.back().err30Tok >= 0) {
            va.fails = true;
            return;
        }
        cur = end;
    }
    va.lastTok = cur;
}

void Engine::CompileCall(int32_t nameTok, bool script, int routine, CallSite& cs) {
    const TQXRoutine& r = script ? scripts_.Routine(routine) : externals_.Routine(routine);
    cs.script = script;
    cs.routine = routine;
    cs.target = &r;
    cs.nameTok = nameTok;
    cs.resultType = r.ResultType;
    cs.builtin = script ? -1 : r.BuiltinIndex;
    int32_t t = Next(nameTok);
    if (!r.Params.empty() && Code(t) != tcLParen) {
        cs.headErr = seLParenExpected;
        cs.headTok = t;
        cs.fails = true;
        return;
    }
    if (r.Params.empty()) {
        if (Code(t) == tcLParen) {
            cs.headErr = seSemicolonExpected;
            cs.headTok = t;
            cs.fails = true;
        }
        cs.endTok = t;
        return;
    }
    for (size_t i = 0; i < r.Params.size(); ++i) {
        const TQXRoutineParam& p = r.Params[i];
        t = Next(t);  // past "(" or ","
        Arg a;
        a.isVar = p.IsVar;
        a.type = static_cast<uint16_t>(p.Type);
        a.name = p.Name;
        if (p.IsVar) {
            a.varTok = t;
            VarBase base;
            int dummy;
            NameKind k = Code(t) == tcName ? FindName(Tok(t).Value, base, dummy) : NameKind::None;
            if (k != NameKind::Local && k != NameKind::Global) {
                a.varErr = seVariableExpected;
                cs.args.push_back(std::move(a));
                cs.fails = true;
                return;
            }
            a.var = std::make_unique<VarAccess>();
            if (p.Type == vtArray) {
                // An ARRAY parameter takes the array itself, without an index.
                a.var->base = base;
                a.var->nameTok = t;
                a.var->lastTok = t;
            } else {
                CompileVarAccess(t, base, *a.var);
                if (a.var->fails) {
                    cs.args.push_back(std::move(a));
                    cs.fails = true;
                    return;
                }
            }
            t = Next(a.var->lastTok);
        } else {
            a.expr = CompileExpr(t, tcRParen);
            if (a.expr->fails) {
                cs.args.push_back(std::move(a));
                cs.fails = true;
                return;
            }
            t = a.expr->endTok;
        }
        const bool last = i + 1 == r.Params.size();
        if (last ? Code(t) != tcRParen : Code(t) != tcComma) {
            a.sepErr = last ? seRParenExpected : seCommaExpected;
            a.sepTok = t;
            cs.args.push_back(std::move(a));
            cs.fails = true;
            return;
        }
        cs.args.push_back(std::move(a));
    }
    cs.endTok = Next(t);
    if (cs.builtin >= 0) {
        bool laterPure = true;
        for (size_t i = cs.args.size(); i-- > 0;) {
            const Arg& a = cs.args[i];
            const Expr* e = a.expr.get();
            if (!a.isVar && a.type == vtString && laterPure && i < 32 && e->single && e->operands.size() == 1 &&
                e->operands[0].kind == OperandKind::Var && e->operands[0].prefix.empty() && e->operands[0].pure)
                cs.borrow |= 1u << i;
            if (a.isVar) {
                for (const VarAccess::Index& ix : a.var->indexes) laterPure = laterPure && ix.expr->pure;
            } else {
                laterPure = laterPure && e->pure;
            }
        }
    }
}

// Expressions ------------------------------------------------------------------

// The operators apply in three passes from left to right (multiplying, adding,
// comparing level); each application merges an operand with the one after it.
void Engine::Schedule(Expr& e, const std::vector<TQXOperator>& ops, bool dangling) {
    const int32_t n = static_cast<int32_t>(e.operands.size());
    std::vector<int32_t> next(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) next[static_cast<size_t>(i)] = i + 1;
    for (int level = 1; level <= 3; ++level) {
        int32_t cur = 0;
        while (cur < n) {
            int32_t nx = next[static_cast<size_t>(cur)];
            if (nx >= n) break;
            TQXOperator op = ops[static_cast<size_t>(nx - 1)];
            if (LevelOf(op) == level) {
                e.steps.push_back(Step{cur, nx, op});
                next[static_cast<size_t>(cur)] = next[static_cast<size_t>(nx)];
            } else {
                cur = nx;
            }
        }
    }
    e.single = n >= 1 && !dangling;
}

std::unique_ptr<Expr> Engine::CompileExpr(int32_t t, TQXTokenCode stop, bool paren) {
    auto e = std::make_unique<Expr>();
    auto tail = [&](uint16_t code, int32_t tok) {
        e->tailCode = code;
        e->tailTok = tok;
        e->fails = true;
        e->endTok = tok;
    };
    if (StackLow()) {
        tail(seStackOverflow, t);
        return e;
    }
    ++depth_;
    std::vector<TQXOperator> ops;
    bool expectOperand = true;
    for (;;) {
        TQXTokenCode c = Code(t);
        if (c == stop || EndsExpression(c)) break;
        if (IsErrorToken(c)) {
            tail(ErrorTokenCode(c), t);
            break;
        }
        if (c == tcEof) {
            tail(seUnexpectedEnd, t);
            break;
        }
        if (!expectOperand) {
            TQXOperator op;
            if (!OperatorOf(c, op)) {
                if (paren) break;
                tail(seBadExpression, t);
                break;
            }
            ops.push_back(op);
            if (op == TQXOperator::Divide && e->retypeAt < 0) e->retypeAt = static_cast<int32_t>(e->operands.size());
            t = Next(t);
            expectOperand = true;
            continue;
        }
        Operand o;
        while (c == tcMinus || c == tcPlus || c == tcNot) {
            o.prefix.push_back(c);
            t = Next(t);
            c = Code(t);
        }
        o.tok = t;
        bool subFails = false;
        switch (c) {
        case tcName: {
            VarBase base;
            int routine = -1;
            NameKind k = FindName(Tok(t).Value, base, routine);
            if (k == NameKind::Local || k == NameKind::Global) {
                o.kind = OperandKind::Var;
                o.var = std::make_unique<VarAccess>();
                CompileVarAccess(t, base, *o.var);
                subFails = o.var->fails;
                if (!subFails) t = Next(o.var->lastTok);
            } else if (k == NameKind::External || k == NameKind::Script) {
                const TQXRoutine& r = k == NameKind::Script ? scripts_.Routine(routine) : externals_.Routine(routine);
                if (r.ResultType <= 0) {
                    // A procedure gives no value to work with.
                    tail(seBadExpression, t);
                    break;
                }
                o.kind = OperandKind::Call;
                o.call = std::make_unique<CallSite>();
                CompileCall(t, k == NameKind::Script, routine, *o.call);
                subFails = o.call->fails;
                o.pure = o.call->builtin >= 0 && BuiltinIsPure(o.call->builtin);
                if (!subFails) t = o.call->endTok;
                if (o.pure)
                    for (const Arg& a : o.call->args)
                        if (a.expr && !a.expr->pure) o.pure = false;
            } else {
                tail(seUnknownIdentifier, t);
            }
            break;
        }
        case tcLParen:
            o.kind = OperandKind::Paren;
            o.paren = CompileExpr(Next(t), tcRParen, true);
            subFails = o.paren->fails;
            o.pure = o.paren->pure;
            if (subFails) break;
            if (Code(o.paren->endTok) != tcRParen) {
                // The inner expression ended at ";", THEN and the like: its
                // ")" is missing. Raised once the inner value is evaluated.
                o.closeErrTok = o.paren->endTok;
                subFails = true;
                break;
            }
            t = Next(o.paren->endTok);
            break;
        case tcInteger:
            o.kind = OperandKind::Integer;
            o.ival = Tok(t).Value;
            t = Next(t);
            break;
        case tcHex:
            o.kind = OperandKind::Hex;
            o.ival = Tok(t).Value;
            t = Next(t);
            break;
        case tcReal:
            o.kind = OperandKind::Real;
            o.rval = reals_[static_cast<size_t>(Tok(t).Value)];
            t = Next(t);
            break;
        case tcString: case tcChar:
            // A run of string and character literals is one text; a string
            // literal followed by another gives an apostrophe between them.
            o.kind = OperandKind::Text;
            while (Code(t) == tcString || Code(t) == tcChar) {
                if (Code(t) == tcChar) {
                    o.text += static_cast<char>(Tok(t).Value);
                    t = Next(t);
                } else {
                    o.text += strings_[static_cast<size_t>(Tok(t).Value)];
                    t = Next(t);
                    if (Code(t) == tcString) o.text += '\'';
                }
            }
            break;
        default:
            tail(seBadExpression, t);
            break;
        }
        if (e->tailCode) break;
        o.afterTok = t;
        if (o.var) {
            for (const VarAccess::Index& ix : o.var->indexes)
                if (!ix.expr->pure) o.pure = false;
        }
        if (!o.pure) e->pure = false;
        e->operands.push_back(std::move(o));
        expectOperand = false;
        if (subFails) {
            // Evaluating this operand stops the run; nothing after it is reached.
            e->fails = true;
            e->endTok = t;
            --depth_;
            return e;
        }
    }
    if (!e->tailCode) e->endTok = t;
    else e->fails = true;
    if (!e->fails) Schedule(*e, ops, expectOperand && !ops.empty());
    --depth_;
    return e;
}

// Statements ---------------------------------------------------------------------

std::unique_ptr<Stmt> Engine::CompileStmt(int32_t t) {
    switch (Code(t)) {
    case tcName: {
        const int32_t id = Tok(t).Value;
        // A routine name is a call; script routines are looked for first.
        int routine = scripts_.FindRoutine(NameOf(id));
        bool script = routine >= 0;
        if (!script) routine = externals_.FindRoutine(NameOf(id));
        if (routine >= 0) {
            auto s = std::make_unique<CallStmt>(t);
            CompileCall(t, script, routine, s->call);
            return s;
        }
        VarBase base;
        NameKind k = FindName(id, base, routine);
        if (k != NameKind::Local && k != NameKind::Global) return std::make_unique<ErrorStmt>(t, seUnknownIdentifier);
        auto s = std::make_unique<AssignStmt>(t);
        CompileVarAccess(t, base, s->var);
        if (s->var.fails) return s;
        const int32_t a = Next(s->var.lastTok);
        if (Code(a) != tcAssign) {
            s->err13Tok = a;
            return s;
        }
        s->expr = CompileExpr(Next(a), tcSemicolon);
        // v := v + t1 + t2 ... on a STRING v with pure terms appends in place.
        const Expr& e = *s->expr;
        if (!e.fails && e.single && e.operands.size() >= 2 && s->var.indexes.empty() && base.type == vtString) {
            bool ok = e.operands[0].kind == OperandKind::Var && e.operands[0].prefix.empty() &&
                      e.operands[0].var->indexes.empty() && e.operands[0].var->base.local == base.local &&
                      e.operands[0].var->base.slot == base.slot && e.operands[0].var->base.global == base.global;
            for (size_t i = 1; ok && i < e.operands.size(); ++i) ok = e.operands[i].pure && e.operands[i].prefix.empty();
            for (const Step& st : e.steps) ok = ok && st.op == TQXOperator::Add && st.l == 0;
            s->appendInPlace = ok;
        }
        return s;
    }
    case tcIf: {
        auto s = std::make_unique<IfStmt>(t);
        s->cond = CompileExpr(Next(t), tcThen);
        if (s->cond->fails) return s;
        const int32_t e = s->cond->endTok;
        if (Code(e) != tcThen) s->err20Tok = e;
        else s->thenTok = Next(e);
        return s;
    }
    case tcCase: {
        auto s = std::make_unique<CaseStmt>(t);
        s->selector = CompileExpr(Next(t), tcOf);
        if (s->selector->fails) return s;
        const int32_t e = s->selector->endTok;
        if (Code(e) != tcOf) s->err26Tok = e;
        else s->firstTok = Next(e);
        return s;
    }
    case tcFor: {
        auto s = std::make_unique<ForStmt>(t);
        const int32_t v = Next(t);
        s->headTok = v;
        s->varTok = v;
        if (Code(v) != tcName) {
            s->headErr = seIdentifierExpected;
            return s;
        }
        int routine;
        NameKind k = FindName(Tok(v).Value, s->var, routine);
        if (k != NameKind::Local && k != NameKind::Global) {
            s->headErr = seUnknownIdentifier;
            return s;
        }
        const int32_t a = Next(v);
        if (Code(a) != tcAssign) {
            s->err13Tok = a;
            return s;
        }
        s->from = CompileExpr(Next(a), tcTo);
        if (s->from->fails) return s;
        const int32_t to = s->from->endTok;
        if (Code(to) != tcTo && Code(to) != tcDownto) {
            s->err23Tok = to;
            return s;
        }
        s->down = Code(to) == tcDownto;
        s->to = CompileExpr(Next(to), tcDo);
        if (s->to->fails) return s;
        const int32_t d = s->to->endTok;
        if (Code(d) != tcDo) {
            s->err24Tok = d;
            return s;
        }
        s->bodyTok = Next(d);
        return s;
    }
    case tcWhile: {
        auto s = std::make_unique<WhileStmt>(t);
        s->cond = CompileExpr(Next(t), tcDo);
        if (s->cond->fails) return s;
        const int32_t e = s->cond->endTok;
        if (Code(e) != tcDo) s->err24Tok = e;
        else s->bodyTok = Next(e);
        return s;
    }
    case tcRepeat: {
        auto s = std::make_unique<RepeatStmt>(t);
        s->bodyTok = Next(t);
        return s;
    }
    default:
        return std::make_unique<ErrorStmt>(t, seBadStatement);
    }
}

}  // namespace qx::detail
