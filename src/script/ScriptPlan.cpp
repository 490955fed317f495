// Typed translations of expressions (see Plan in ScriptEngine.h). A plan is
// made only when every operand's type is known and no operator or assignment
// of the expression could fail for its types; then each step is the cell
// operation for those types, written out for registers. Everything else is
// evaluated on cells.
#include <cmath>
#include <cstring>

#include "script/ScriptEngine.h"

namespace qx::detail {

namespace {

bool Is32(uint16_t t) { return t == vtSmallInt || t == vtCardinal || t == vtLongInt; }

bool PlanType(uint16_t t) { return (t >= vtByte && t <= vtChar) || (t >= vtReal && t <= vtBoolean); }

// The integer view cut to a type's width.
inline int32_t Cut(uint16_t t, int32_t v) {
    switch (t) {
    case vtByte: return static_cast<uint8_t>(v);
    case vtShortInt: return static_cast<int8_t>(v);
    case vtWord: return static_cast<uint16_t>(v);
    default: return v;
    }
}

inline bool Load(const TQXVariant* c, uint16_t t, Reg& r) {
    if (c->VType != t) return false;
    switch (t) {
    case vtByte: r.i = c->V.Byte; break;
    case vtShortInt: r.i = c->V.ShortInt; break;
    case vtWord: r.i = c->V.Word; break;
    case vtSmallInt: case vtCardinal: case vtLongInt: r.i = c->V.Long; break;
    case vtChar: r.i = c->V.Char; break;
    case vtBoolean: r.i = c->V.Boolean != 0; break;
    case vtReal: case vtDouble: r.x = c->V.Double; break;
    case vtSingle: r.x = c->V.Single; break;
    case vtExtended: r.x = c->V.Extended; break;
    case vtComp: r.x = static_cast<long double>(c->V.Comp); break;
    default: return false;
    }
    return true;
}

// Rounds a computed real to a real type, as storing it would.
inline uint16_t RoundTo(uint16_t t, long double& x) {
    switch (t) {
    case vtReal: case vtDouble: {
        const double d = static_cast<double>(x);
        if (!std::isfinite(d)) return kRealOverflow;
        x = d;
        return 0;
    }
    case vtSingle: {
        const float f = static_cast<float>(x);
        if (!std::isfinite(f)) return kRealOverflow;
        x = f;
        return 0;
    }
    case vtComp: {
        const long double r = std::nearbyintl(x);
        if (!(r >= -9223372036854775808.0L && r < 9223372036854775808.0L)) return kRealOverflow;
        x = static_cast<long double>(static_cast<int64_t>(r));  // as stored: no negative zero
        return 0;
    }
    default:
        return std::isfinite(x) ? 0 : kRealOverflow;
    }
}

// Registers are copied by their kind: a 16-byte copy of a register written
// as 4 bytes would stall on store forwarding.
inline void CopyReg(uint16_t t, Reg& to, const Reg& from) {
    if (IsRealType(t)) to.x = from.x;
    else to.i = from.i;
}

inline long double AsReal(uint16_t t, const Reg& r) { return IsIntegerType(t) ? static_cast<long double>(r.i) : r.x; }

bool IsArithmetic(TQXOperator op) {
    return op == TQXOperator::Add || op == TQXOperator::Subtract || op == TQXOperator::Multiply || op == TQXOperator::Divide;
}

// Instructions. Loads and steps are typed so that each handler is straight
// code; a real step on an integer operand first converts that register. A
// step whose right operand is a literal takes it as an immediate (K): a
// literal's load can neither fail nor change anything, so loading it late
// is loading it in order.
enum PlanOp : uint16_t {
    opEnd,
    opConstI, opConstX,
    opGlobalL, opGlobalAny, opLocalL, opLocalAny, opLocalRefL, opLocalRefAny,
    opAccess, opElement, opCall,
    opNegI, opNotI, opNotB, opNegX,
    opAddI, opSubI, opMulI, opDivI, opModI, opAndI, opOrI, opXorI, opShlI, opShrI,
    opEqI, opNeI, opLtI, opGtI, opLeI, opGeI,
    opAddIK, opSubIK, opMulIK, opDivIK, opModIK,
    opEqIK, opNeIK, opLtIK, opGtIK, opLeIK, opGeIK,
    opItoXA, opItoXB,
    opAddX, opSubX, opMulX, opDivideX,
    opEqX, opNeX, opLtX, opGtX, opLeX, opGeX,
    opAndB, opOrB, opXorB,
    opCut,
    // A step whose right operand is a 32-bit variable loaded in the step (G:
    // a global, L: a local), and an element indexed by such a variable.
    opAddIG, opSubIG, opMulIG, opEqIG, opNeIG, opLtIG, opGtIG, opLeIG, opGeIG,
    opAddIL, opSubIL, opMulIL, opEqIL, opNeIL, opLtIL, opGtIL, opLeIL, opGeIL,
    opElementV,
    opCount
};


// Comparison opcodes in the order of TQXOperator's comparisons.
uint16_t CompareOp(TQXOperator op, uint16_t first) {
    return static_cast<uint16_t>(first + static_cast<int>(op) - static_cast<int>(TQXOperator::Equal));
}

// What a step's right operand is: a register, or a literal taken as immediate.
struct RightOperand {
    int32_t reg;
    bool immediate;
    int32_t value;
};

// Appends the instructions of one operator step on registers l and r of
// types lt and rt; gives the result type, or false where ApplyOperator fails.
bool EmitStep(std::vector<PlanIns>& code, TQXOperator op, int32_t l, const RightOperand& right, uint16_t lt, uint16_t rt,
              int32_t failTok, uint16_t& result) {
    const bool compare = op >= TQXOperator::Equal;
    const int32_t r = right.reg;
    auto emit = [&](uint16_t o, uint16_t type) {
        PlanIns ins;
        ins.op = o;
        ins.type = type;
        ins.a = l;
        ins.b = r;
        ins.value.i = right.value;
        ins.failTok = failTok;
        code.push_back(ins);
    };
    auto toReal = [&](bool left, uint16_t t) {
        if (IsIntegerType(t)) emit(left ? opItoXA : opItoXB, vtExtended);
    };
    auto realArith = [&](uint16_t type) {
        switch (op) {
        case TQXOperator::Add: emit(opAddX, type); break;
        case TQXOperator::Subtract: emit(opSubX, type); break;
        case TQXOperator::Multiply: emit(opMulX, type); break;
        default: emit(opDivideX, type); break;
        }
    };
    if (IsIntegerType(lt)) {
        if (IsRealType(rt)) {
            if (compare) {
                toReal(true, lt);
                emit(CompareOp(op, opEqX), vtBoolean);
                result = vtBoolean;
            } else if (IsArithmetic(op)) {
                toReal(true, lt);
                realArith(vtExtended);  // L becomes EXTENDED
                result = vtExtended;
            } else {
                return false;
            }
            return true;
        }
        if (!IsIntegerType(rt) || op == TQXOperator::Assign) return false;
        if (compare) {
            emit(CompareOp(op, right.immediate ? opEqIK : opEqI), vtBoolean);
            result = vtBoolean;
        } else if (op == TQXOperator::Divide) {
            toReal(true, lt);
            toReal(false, rt);
            emit(opDivideX, vtExtended);
            result = vtExtended;
        } else {
            static const uint16_t kIntOps[] = {0, opAddI, opSubI, opMulI, 0, opDivI, opModI, opAndI, opOrI, opXorI, opShlI, opShrI};
            static const uint16_t kIntOpsK[] = {0, opAddIK, opSubIK, opMulIK, 0, opDivIK, opModIK, 0, 0, 0, 0, 0};
            const int k = static_cast<int>(op);
            emit(right.immediate && kIntOpsK[k] ? kIntOpsK[k] : kIntOps[k], lt);
            if (!Is32(lt)) emit(opCut, lt);
            result = lt;
        }
        return true;
    }
    if (IsRealType(lt)) {
        if (!IsNumericType(rt)) return false;
        if (compare) {
            toReal(false, rt);
            emit(CompareOp(op, opEqX), vtBoolean);
            result = vtBoolean;
        } else if (IsArithmetic(op)) {
            toReal(false, rt);
            realArith(lt);  // in L's own type
            result = lt;
        } else {
            return false;
        }
        return true;
    }
    if (lt == vtChar || lt == vtBoolean) {
        if (rt != lt) return false;
        if (compare) {
            emit(CompareOp(op, right.immediate ? opEqIK : opEqI), vtBoolean);  // character codes, false below true
        } else if (lt == vtBoolean && (op == TQXOperator::And || op == TQXOperator::Or || op == TQXOperator::Xor)) {
            emit(op == TQXOperator::And ? opAndB : op == TQXOperator::Or ? opOrB : opXorB, vtBoolean);
        } else {
            return false;
        }
        result = vtBoolean;
        return true;
    }
    return false;
}

// Whether an immediate form exists for the step (integer right operand).
bool HasImmediate(TQXOperator op, uint16_t lt, uint16_t rt) {
    if (!IsIntegerType(rt)) return false;
    if (op >= TQXOperator::Equal) return IsIntegerType(lt) || lt == rt;
    if (!IsIntegerType(lt)) return false;
    return op == TQXOperator::Add || op == TQXOperator::Subtract || op == TQXOperator::Multiply ||
           op == TQXOperator::Div || op == TQXOperator::Mod;
}

bool Assignable(uint16_t dest, uint16_t t) {
    if (IsIntegerType(dest)) return IsIntegerType(t);
    if (IsRealType(dest)) return IsNumericType(t);
    return dest == t;  // CHAR, BOOLEAN
}

}  // namespace

namespace {

// Whether an instruction can neither fail nor change anything, so that a
// load moved past it is still a load in order.
bool Inert(uint16_t op) {
    switch (op) {
    case opConstI: case opConstX: case opNegI: case opNotI: case opNotB: case opCut:
    case opAddI: case opSubI: case opMulI: case opAndI: case opOrI: case opXorI: case opShlI: case opShrI:
    case opEqI: case opNeI: case opLtI: case opGtI: case opLeI: case opGeI:
    case opAddIK: case opSubIK: case opMulIK: case opEqIK: case opNeIK: case opLtIK: case opGtIK: case opLeIK: case opGeIK:
    case opItoXA: case opItoXB: case opEqX: case opNeX: case opLtX: case opGtX: case opLeX: case opGeX:
    case opAndB: case opOrB: case opXorB:
        return true;
    default:
        return false;
    }
}

// Moves the load of a 32-bit variable into the integer step that takes it as
// its right operand, where nothing between them can fail or change anything.
void Fuse(std::vector<PlanIns>& code) {
    for (size_t k = 0; k < code.size(); ++k) {
        PlanIns& step = code[k];
        int fused;
        switch (step.op) {
        case opAddI: fused = 0; break;
        case opSubI: fused = 1; break;
        case opMulI: fused = 2; break;
        case opEqI: case opNeI: case opLtI: case opGtI: case opLeI: case opGeI: fused = 3 + (step.op - opEqI); break;
        default: continue;
        }
        // The last instruction that writes the right register, and whether
        // all between are inert.
        size_t j = k;
        bool inert = true, found = false;
        while (j > 0) {
            const PlanIns& in = code[--j];
            if (in.op == opItoXB ? in.b == step.b : in.a == step.b) {
                found = true;
                break;
            }
            if (!Inert(in.op)) inert = false;
        }
        if (!found || !inert) continue;
        const PlanIns& load = code[j];
        if (load.op != opGlobalL && load.op != opLocalL) continue;
        const bool global = load.op == opGlobalL;
        step.op = static_cast<uint16_t>((global ? opAddIG : opAddIL) + fused);
        step.cell = load.cell;
        step.slot = load.slot;
        step.src = load.src;
        step.value.i = load.type;
        code.erase(code.begin() + static_cast<std::ptrdiff_t>(j));
        --k;
    }
}

}  // namespace

namespace {
bool g_plansEnabled = true;
}

void SetPlansEnabled(bool enabled) { g_plansEnabled = enabled; }

const Plan* Engine::PlanSlow(const Expr& e, uint16_t destType) {
    if (!g_plansEnabled) return nullptr;
    if (e.planDest[0] != 0xFFFF)
        for (auto& [type, plan] : e.otherPlans)
            if (type == destType) return plan.get();
    // No plan for want of native stack is no answer: the expression gets
    // one when it is reached again with room.
    planNoStack_ = false;
    std::unique_ptr<Plan> p = BuildPlan(e, destType);
    if (!p && planNoStack_) return nullptr;
    if (e.planDest[0] == 0xFFFF) {
        e.plans[0] = std::move(p);
        e.planDest[0] = destType;
        return e.plans[0].get();
    }
    e.otherPlans.emplace_back(destType, std::move(p));
    return e.otherPlans.back().second.get();
}

std::unique_ptr<Plan> Engine::BuildPlan(const Expr& e, uint16_t destType, bool nested) {
    const size_t n = e.operands.size();
    if (!e.single || e.fails || n > kMaxPlanRegisters) return nullptr;
    if (!PlanType(destType) && destType != vtReference) return nullptr;
    if (StackLow()) {
        planNoStack_ = true;
        return nullptr;
    }
    auto p = std::make_unique<Plan>();
    p->destType = destType;
    p->endTok = e.endTok;
    p->registers = static_cast<int32_t>(n);
    // Each operand's instructions, loading register k.
    std::vector<std::vector<PlanIns>> fragments(n);
    uint16_t types[kMaxPlanRegisters];
    bool literal[kMaxPlanRegisters];
    for (size_t k = 0; k < n; ++k) {
        const Operand& src = e.operands[k];
        std::vector<PlanIns>& code = fragments[k];
        // Literals take the destination's type; "/" makes an untyped one EXTENDED.
        uint16_t dt = destType;
        if (destType == vtReference && e.retypeAt >= 0 && static_cast<int32_t>(k) >= e.retypeAt) dt = vtExtended;
        PlanIns ins;
        ins.a = static_cast<int32_t>(k);
        ins.src = &src;
        uint16_t t = vtNone;
        literal[k] = false;
        switch (src.kind) {
        case OperandKind::Integer:
            t = (dt >= vtShortInt && dt <= vtLongInt) || IsRealType(dt) ? dt : uint16_t(vtLongInt);
            if (IsIntegerType(t)) {
                ins.op = opConstI;
                ins.value.i = Cut(t, src.ival);
                literal[k] = true;
            } else {
                TQXVariant c(t);
                if (StoreReal(&c, src.ival)) return nullptr;
                ins.op = opConstX;
                Load(&c, t, ins.value);
            }
            break;
        case OperandKind::Hex:
            t = dt >= vtShortInt && dt <= vtLongInt ? dt : uint16_t(vtLongInt);
            ins.op = opConstI;
            ins.value.i = Cut(t, src.ival);
            literal[k] = true;
            break;
        case OperandKind::Real: {
            t = IsRealType(dt) ? dt : uint16_t(vtExtended);
            TQXVariant c(t);
            if (StoreReal(&c, src.rval)) return nullptr;  // the cells raise it at the literal
            ins.op = opConstX;
            Load(&c, t, ins.value);
            break;
        }
        case OperandKind::Text:
            return nullptr;
        case OperandKind::Var: {
            const VarAccess& va = *src.var;
            if (va.indexes.empty()) t = va.base.type;
            else if (va.indexes.size() == 1 && va.base.elemKnown) t = va.base.elem;
            else return nullptr;
            if (!va.indexes.empty()) {
                ins.op = va.indexes.size() == 1 && va.missingTok < 0 && !va.fails ? opElement : opAccess;
                if (ins.op == opElement) {
                    // Indexed by a plain 32-bit variable: loaded by the element step.
                    const Expr& ix = *va.indexes[0].expr;
                    const Operand* iv = ix.operands.size() == 1 ? &ix.operands[0] : nullptr;
                    if (iv && ix.single && !ix.fails && !ix.tailCode && ix.steps.empty() && iv->kind == OperandKind::Var &&
                        iv->prefix.empty() && iv->var->indexes.empty() && iv->var->missingTok < 0 && !iv->var->fails &&
                        !iv->var->base.resolve && Is32(iv->var->base.type)) {
                        ins.op = opElementV;
                        ins.cell = iv->var->base.local ? nullptr : iv->var->base.global;
                        ins.slot = iv->var->base.local ? iv->var->base.slot : -1;
                        ins.value.i = iv->var->base.type;
                        ins.sub = nullptr;
                    }
                }
            } else if (!va.base.local) {
                ins.op = Is32(t) ? opGlobalL : opGlobalAny;
                ins.cell = va.base.global;
            } else {
                ins.slot = va.base.slot;
                if (va.base.resolve) ins.op = Is32(t) ? opLocalRefL : opLocalRefAny;
                else ins.op = Is32(t) ? opLocalL : opLocalAny;
            }
            break;
        }
        case OperandKind::Paren: {
            // The inner plan runs in place: its register 0 is this operand's
            // register, the others follow this plan's registers.
            std::unique_ptr<Plan> sub = BuildPlan(*src.paren, vtReference, true);
            if (!sub) return nullptr;
            const int32_t base = p->registers;
            if (base + sub->registers - 1 > static_cast<int32_t>(kMaxPlanRegisters)) return nullptr;
            p->registers += sub->registers - 1;
            auto map = [&](int32_t r) { return r == 0 ? static_cast<int32_t>(k) : base + r - 1; };
            for (const PlanIns& in : sub->code) {
                if (in.op == opEnd) break;
                PlanIns moved = in;
                moved.a = map(in.a);
                moved.b = map(in.b);
                code.push_back(moved);
            }
            t = sub->resultType;
            for (auto& s : sub->subs) p->subs.push_back(std::move(s));
            break;
        }
        case OperandKind::Call:
            if (src.call->resultType <= 0) return nullptr;
            t = static_cast<uint16_t>(src.call->resultType);
            ins.op = opCall;
            break;
        }
        if (!PlanType(t)) return nullptr;
        ins.type = t;
        if (src.kind != OperandKind::Paren) code.push_back(ins);
        for (TQXTokenCode pc : src.prefix) {
            if (pc == tcPlus) continue;
            literal[k] = false;
            PlanIns pre;
            pre.a = static_cast<int32_t>(k);
            pre.type = t;
            pre.src = &src;
            if (pc == tcMinus) {
                if (IsIntegerType(t)) pre.op = opNegI;
                else if (IsRealType(t)) pre.op = opNegX;
                else return nullptr;
            } else {
                if (IsIntegerType(t)) pre.op = opNotI;
                else if (t == vtBoolean) pre.op = opNotB;
                else return nullptr;
            }
            code.push_back(pre);
            if (IsIntegerType(t) && !Is32(t)) {
                pre.op = opCut;
                code.push_back(pre);
            }
        }
        types[k] = t;
    }
    // Steps; a right operand that is still the bare literal becomes an immediate.
    std::vector<PlanIns> steps;
    bool merged[kMaxPlanRegisters] = {};
    bool skip[kMaxPlanRegisters] = {};
    for (const Step& s : e.steps) {
        RightOperand right{s.r, false, 0};
        if (literal[s.r] && !merged[s.r] && HasImmediate(s.op, types[s.l], types[s.r])) {
            right.immediate = true;
            right.value = fragments[static_cast<size_t>(s.r)][0].value.i;
            skip[s.r] = true;
        }
        uint16_t result;
        if (!EmitStep(steps, s.op, s.l, right, types[s.l], types[s.r], e.endTok, result)) return nullptr;
        types[s.l] = result;
        merged[s.l] = true;
    }
    std::vector<PlanIns>& code = p->code;
    for (size_t k = 0; k < n; ++k)
        if (!skip[k]) code.insert(code.end(), fragments[k].begin(), fragments[k].end());
    code.insert(code.end(), steps.begin(), steps.end());
    if (destType == vtReference) {
        if (e.retypeAt >= 0) {
            // The destination became EXTENDED and receives the result as a real.
            if (!IsNumericType(types[0])) return nullptr;
            if (IsIntegerType(types[0])) {
                PlanIns conv;
                conv.op = opItoXA;
                code.push_back(conv);
            }
            p->resultType = vtExtended;
        } else {
            p->resultType = types[0];
        }
    } else {
        if (!Assignable(destType, types[0])) return nullptr;
        p->resultType = types[0];
    }
    if (!nested) Fuse(code);
    PlanIns end;
    end.op = opEnd;
    code.push_back(end);
    if (!nested) {
        for (PlanIns& in : code) {
            in.a *= static_cast<int32_t>(sizeof(Reg));
            in.b *= static_cast<int32_t>(sizeof(Reg));
        }
    }
    // Simple shapes.
    const PlanIns& first = code[0];
    const bool variable = first.op == opGlobalL || first.op == opLocalL || first.op == opLocalRefL;
    if (variable && (code.size() == 2 || code.size() == 3)) {
        bool ok = code.size() == 2;
        if (code.size() == 3) {
            const uint16_t op = code[1].op;
            ok = (op >= opAddIK && op <= opMulIK) || (op >= opEqIK && op <= opGeIK) ||
                 ((op == opDivIK || op == opModIK) && code[1].value.i != 0 && code[1].value.i != -1);
            ok = ok && Is32(code[1].type == vtBoolean ? first.type : code[1].type);
        }
        if (ok) {
            p->shape = code.size() == 2 ? Plan::Variable : Plan::VariableWithLiteral;
            p->shapeType = first.type;
            p->shapeSrc = first.src;
            p->shapeSlot = first.op == opGlobalL ? -1 : first.slot;
            p->shapeCell = first.cell;
            p->shapeResolve = first.op == opLocalRefL;
            if (code.size() == 3) {
                const uint16_t op = code[1].op;
                p->shapeOp = op >= opEqIK ? static_cast<uint16_t>(PlanShapeEq + (op - opEqIK))
                                          : static_cast<uint16_t>(PlanShapeAdd + (op - opAddIK));
                p->shapeLiteral = code[1].value.i;
            }
        }
    }
    // An element indexed by a variable, alone or with a fused step; a
    // variable with a fused step.
    const bool element = first.op == opElementV && Is32(first.type);
    if ((element && (code.size() == 2 || code.size() == 3)) ||
        ((first.op == opGlobalL || first.op == opLocalL) && code.size() == 3)) {
        uint16_t shapeOp = 0;
        bool ok = !element || !first.src->var->base.resolve;
        if (ok && code.size() == 3) {
            const uint16_t op = code[1].op;
            const bool global = op >= opAddIG && op <= opGeIG;
            const bool local = op >= opAddIL && op <= opGeIL;
            const int fused = global ? op - opAddIG : op - opAddIL;
            ok = (global || local) && code[1].a == 0;
            if (ok) shapeOp = static_cast<uint16_t>(fused < 3 ? PlanShapeAdd + fused : PlanShapeEq + (fused - 3));
            if (ok) {
                p->shapeRightType = static_cast<uint16_t>(code[1].value.i);
                p->shapeRightSlot = global ? -1 : code[1].slot;
                p->shapeRightCell = global ? code[1].cell : nullptr;
            }
        }
        if (ok && element) {
            const VarBase& ab = first.src->var->base;
            p->shape = code.size() == 2 ? Plan::Element : Plan::ElementWithVariable;
            p->shapeOp = shapeOp;
            p->shapeElem = first.type;
            p->shapeType = static_cast<uint16_t>(first.value.i);
            p->shapeSlot = first.slot;
            p->shapeCell = first.cell;
            p->shapeArraySlot = ab.local ? ab.slot : -1;
            p->shapeArrayCell = ab.local ? nullptr : ab.global;
        } else if (ok) {
            p->shape = Plan::VariableWithVariable;
            p->shapeOp = shapeOp;
            p->shapeType = first.type;
            p->shapeSlot = first.op == opGlobalL ? -1 : first.slot;
            p->shapeCell = first.op == opGlobalL ? first.cell : nullptr;
        }
    }
    return p;
}

// The shapes with an element or a right variable: the common case straight,
// anything else (a held or missing array, an index out of range or not yet
// made, a type that does not match) through RunPlan, which makes the same
// loads in the same order and raises what they raise. The loads change
// nothing, so running them again there gives what running them once would.
bool Engine::RunPair(const Plan& p, Reg& r) {
    const TQXVariant* c = p.shapeSlot < 0 ? p.shapeCell : frame_[p.shapeSlot];
    if (c->VType != p.shapeType) return RunPlan(p, r);
    int32_t v = c->V.Long;
    if (p.shape != Plan::VariableWithVariable) {
        const TQXVariant* base = p.shapeArraySlot < 0 ? p.shapeArrayCell : frame_[p.shapeArraySlot];
        if (base->VType != vtArray || base->Shared || !base->V.Items) return RunPlan(p, r);
        const int32_t* el = IntegerElementSlot(const_cast<TQXVariant*>(base), static_cast<uint32_t>(v), p.shapeElem);
        if (!el) return RunPlan(p, r);
        v = *el;
        if (p.shape == Plan::Element) {
            r.i = v;
            return true;
        }
    }
    const TQXVariant* rc = p.shapeRightSlot < 0 ? p.shapeRightCell : frame_[p.shapeRightSlot];
    if (rc->VType != p.shapeRightType) return RunPlan(p, r);
    r.i = ShapeStep(p.shapeOp, v, rc->V.Long);
    return true;
}

// Handlers end by jumping straight to the next instruction's handler, which
// lets the processor predict each transition on its own.
#if defined(__GNUC__)
#define QX_PLAN_LABELS 1
#define CASE(x) L_##x:
#define DISPATCH() goto* kLabels[ip->op]
#else
#define QX_PLAN_LABELS 0
#define CASE(x) case x:
#define DISPATCH() goto dispatch
#endif
#define NEXT()      \
    do {            \
        ++ip;       \
        DISPATCH(); \
    } while (0)

bool Engine::RunPlan(const Plan& p, Reg& result) {
#if QX_PLAN_LABELS
    static const void* const kLabels[opCount] = {
        &&L_opEnd, &&L_opConstI, &&L_opConstX,
        &&L_opGlobalL, &&L_opGlobalAny, &&L_opLocalL, &&L_opLocalAny, &&L_opLocalRefL, &&L_opLocalRefAny,
        &&L_opAccess, &&L_opElement, &&L_opCall,
        &&L_opNegI, &&L_opNotI, &&L_opNotB, &&L_opNegX,
        &&L_opAddI, &&L_opSubI, &&L_opMulI, &&L_opDivI, &&L_opModI, &&L_opAndI, &&L_opOrI, &&L_opXorI, &&L_opShlI, &&L_opShrI,
        &&L_opEqI, &&L_opNeI, &&L_opLtI, &&L_opGtI, &&L_opLeI, &&L_opGeI,
        &&L_opAddIK, &&L_opSubIK, &&L_opMulIK, &&L_opDivIK, &&L_opModIK,
        &&L_opEqIK, &&L_opNeIK, &&L_opLtIK, &&L_opGtIK, &&L_opLeIK, &&L_opGeIK,
        &&L_opItoXA, &&L_opItoXB,
        &&L_opAddX, &&L_opSubX, &&L_opMulX, &&L_opDivideX,
        &&L_opEqX, &&L_opNeX, &&L_opLtX, &&L_opGtX, &&L_opLeX, &&L_opGeX,
        &&L_opAndB, &&L_opOrB, &&L_opXorB,
        &&L_opCut,
        &&L_opAddIG, &&L_opSubIG, &&L_opMulIG, &&L_opEqIG, &&L_opNeIG, &&L_opLtIG, &&L_opGtIG, &&L_opLeIG, &&L_opGeIG,
        &&L_opAddIL, &&L_opSubIL, &&L_opMulIL, &&L_opEqIL, &&L_opNeIL, &&L_opLtIL, &&L_opGtIL, &&L_opLeIL, &&L_opGeIL,
        &&L_opElementV,
    };
#endif
    Reg regs[kMaxPlanRegisters];
    const PlanIns* ip = p.code.data();
    const TQXVariant* c;
    long double x;
// Registers by byte offset (BuildPlan scales the numbers).
#define A (*reinterpret_cast<Reg*>(reinterpret_cast<char*>(regs) + ip->a))
#define B (*reinterpret_cast<Reg*>(reinterpret_cast<char*>(regs) + ip->b))
#define K ip->value.i
#define UA static_cast<uint32_t>(A.i)
#define UB static_cast<uint32_t>(B.i)
#define UK static_cast<uint32_t>(K)
#define INT_RESULT(v) A.i = (v)  // narrow types: opCut follows
#define REAL_RESULT(v)                                                           \
    do {                                                                         \
        x = (v);                                                                 \
        if (uint16_t code_ = RoundTo(ip->type, x)) return Fail(code_, ip->failTok); \
        A.x = x;                                                                 \
    } while (0)
#define DIV_BY(d, op)                                                  \
    do {                                                               \
        const int32_t d_ = (d);                                        \
        if (d_ == 0) return Fail(kIntegerDivisionByZero, ip->failTok);    \
        if (d_ == -1) INT_RESULT(op == 0 ? static_cast<int32_t>(0u - UA) : 0); /* no INT32_MIN / -1 trap */ \
        else INT_RESULT(op == 0 ? A.i / d_ : A.i % d_);               \
    } while (0)

#if !QX_PLAN_LABELS
dispatch:
    switch (ip->op) {
#endif
    DISPATCH();

    CASE(opConstI) A.i = K; NEXT();
    CASE(opConstX) A.x = ip->value.x; NEXT();
    CASE(opGlobalL)
        c = ip->cell;
        if (c->VType != ip->type) return Fail(seTypeMismatch, ip->src->tok);
        A.i = c->V.Long;
        NEXT();
    CASE(opGlobalAny)
        if (!Load(ip->cell, ip->type, A)) return Fail(seTypeMismatch, ip->src->tok);
        NEXT();
    CASE(opLocalL)
        c = frame_[ip->slot];
        if (c->VType != ip->type) return Fail(seTypeMismatch, ip->src->tok);
        A.i = c->V.Long;
        NEXT();
    CASE(opLocalAny)
        if (!Load(frame_[ip->slot], ip->type, A)) return Fail(seTypeMismatch, ip->src->tok);
        NEXT();
    CASE(opLocalRefL)
        c = ResolveValue(frame_[ip->slot]);
        if (c->VType != ip->type) return Fail(seTypeMismatch, ip->src->tok);
        A.i = c->V.Long;
        NEXT();
    CASE(opLocalRefAny)
        if (!Load(ResolveValue(frame_[ip->slot]), ip->type, A)) return Fail(seTypeMismatch, ip->src->tok);
        NEXT();
    CASE(opAccess)
    access: {
        TQXVariant* cell = Access(*ip->src->var);
        if (!cell) return false;
        const bool ok = Load(cell, ip->type, A);
        ReleaseValue(cell);
        if (!ok) return Fail(seTypeMismatch, ip->src->tok);
        NEXT();
    }
    CASE(opElement) {
        const VarAccess& va = *ip->src->var;
        TQXVariant* base = Base(va.base);
        if (base->Shared) goto access;  // held while its index is evaluated
        const TQXVariant* cell = Element(va, base);
        if (!cell) return false;
        if (!Load(cell, ip->type, A)) return Fail(seTypeMismatch, ip->src->tok);
        NEXT();
    }
    CASE(opCall) {
        const CallSite& cs = *ip->src->call;
        if (!(cs.direct > 0 ? CallDirect(cs, *ip, A) : CallOperand(*ip, A))) return false;
        NEXT();
    }
    CASE(opNegI) INT_RESULT(static_cast<int32_t>(0u - UA)); NEXT();
    CASE(opNotI) INT_RESULT(~A.i); NEXT();
    CASE(opNotB) A.i = !A.i; NEXT();
    CASE(opNegX)
        A.x = -A.x;
        if (ip->type == vtComp && RoundTo(vtComp, A.x)) return Fail(kRealOverflow, ip->src->afterTok);
        NEXT();
    CASE(opAddI) INT_RESULT(static_cast<int32_t>(UA + UB)); NEXT();
    CASE(opSubI) INT_RESULT(static_cast<int32_t>(UA - UB)); NEXT();
    CASE(opMulI) INT_RESULT(static_cast<int32_t>(UA * UB)); NEXT();
    CASE(opDivI) DIV_BY(B.i, 0); NEXT();
    CASE(opModI) DIV_BY(B.i, 1); NEXT();
    CASE(opAndI) INT_RESULT(static_cast<int32_t>(UA & UB)); NEXT();
    CASE(opOrI) INT_RESULT(static_cast<int32_t>(UA | UB)); NEXT();
    CASE(opXorI) INT_RESULT(static_cast<int32_t>(UA ^ UB)); NEXT();
    CASE(opShlI) INT_RESULT(static_cast<int32_t>(UA << (UB & 31))); NEXT();
    CASE(opShrI) INT_RESULT(static_cast<int32_t>(UA >> (UB & 31))); NEXT();
    CASE(opEqI) A.i = A.i == B.i; NEXT();
    CASE(opNeI) A.i = A.i != B.i; NEXT();
    CASE(opLtI) A.i = A.i < B.i; NEXT();
    CASE(opGtI) A.i = A.i > B.i; NEXT();
    CASE(opLeI) A.i = A.i <= B.i; NEXT();
    CASE(opGeI) A.i = A.i >= B.i; NEXT();
    CASE(opAddIK) INT_RESULT(static_cast<int32_t>(UA + UK)); NEXT();
    CASE(opSubIK) INT_RESULT(static_cast<int32_t>(UA - UK)); NEXT();
    CASE(opMulIK) INT_RESULT(static_cast<int32_t>(UA * UK)); NEXT();
    CASE(opDivIK) DIV_BY(K, 0); NEXT();
    CASE(opModIK) DIV_BY(K, 1); NEXT();
    CASE(opEqIK) A.i = A.i == K; NEXT();
    CASE(opNeIK) A.i = A.i != K; NEXT();
    CASE(opLtIK) A.i = A.i < K; NEXT();
    CASE(opGtIK) A.i = A.i > K; NEXT();
    CASE(opLeIK) A.i = A.i <= K; NEXT();
    CASE(opGeIK) A.i = A.i >= K; NEXT();
    CASE(opItoXA) A.x = static_cast<long double>(A.i); NEXT();
    CASE(opItoXB) B.x = static_cast<long double>(B.i); NEXT();
    CASE(opAddX)
        if (!std::isfinite(x = A.x + B.x)) return Fail(kRealOverflow, ip->failTok);
        REAL_RESULT(x);
        NEXT();
    CASE(opSubX)
        if (!std::isfinite(x = A.x - B.x)) return Fail(kRealOverflow, ip->failTok);
        REAL_RESULT(x);
        NEXT();
    CASE(opMulX)
        if (!std::isfinite(x = A.x * B.x)) return Fail(kRealOverflow, ip->failTok);
        REAL_RESULT(x);
        NEXT();
    CASE(opDivideX)
        if (B.x == 0) return Fail(kRealDivisionByZero, ip->failTok);
        if (!std::isfinite(x = A.x / B.x)) return Fail(kRealOverflow, ip->failTok);
        REAL_RESULT(x);
        NEXT();
    CASE(opEqX) A.i = A.x == B.x; NEXT();
    CASE(opNeX) A.i = A.x != B.x; NEXT();
    CASE(opLtX) A.i = A.x < B.x; NEXT();
    CASE(opGtX) A.i = A.x > B.x; NEXT();
    CASE(opLeX) A.i = A.x <= B.x; NEXT();
    CASE(opGeX) A.i = A.x >= B.x; NEXT();
    CASE(opCut) A.i = Cut(ip->type, A.i); NEXT();
// An integer operation with a global (G) or local (L) variable's value v.
#define FUSED_CELL(name, cell, expr)                                                 \
    CASE(name) {                                                                     \
        c = (cell);                                                                  \
        if (c->VType != ip->value.i) return Fail(seTypeMismatch, ip->src->tok);     \
        const int32_t v = c->V.Long;                                                 \
        const uint32_t uv = static_cast<uint32_t>(v);                                \
        (void)uv;                                                                    \
        A.i = (expr);                                                                \
        NEXT();                                                                      \
    }
#define FUSED_G(name, expr) FUSED_CELL(name, ip->cell, expr)
#define FUSED_L(name, expr) FUSED_CELL(name, frame_[ip->slot], expr)
#define FUSED(suffix, F)                                            \
    F(opAddI##suffix, static_cast<int32_t>(UA + uv))                \
    F(opSubI##suffix, static_cast<int32_t>(UA - uv))                \
    F(opMulI##suffix, static_cast<int32_t>(UA * uv))                \
    F(opEqI##suffix, A.i == v)                                      \
    F(opNeI##suffix, A.i != v)                                      \
    F(opLtI##suffix, A.i < v)                                       \
    F(opGtI##suffix, A.i > v)                                       \
    F(opLeI##suffix, A.i <= v)                                      \
    F(opGeI##suffix, A.i >= v)
    FUSED(G, FUSED_G)
    FUSED(L, FUSED_L)
#undef FUSED
#undef FUSED_G
#undef FUSED_CELL
#undef FUSED_L
    CASE(opElementV) {
        const VarAccess& va = *ip->src->var;
        TQXVariant* base = Base(va.base);
        if (base->Shared) goto access;  // held while its index is evaluated
        if (base->VType != vtArray) return Fail(seTypeMismatch, va.nameTok);
        c = ip->slot >= 0 ? frame_[ip->slot] : ip->cell;
        const VarAccess::Index& ix = va.indexes[0];
        if (c->VType != ip->value.i) return Fail(seTypeMismatch, ix.expr->operands[0].tok);
        // ArrayElement on a cell known to be an ARRAY.
        const int32_t* slot = base->V.Items && Is32(ip->type)
                                  ? IntegerElementSlot(base, static_cast<uint32_t>(c->V.Long), ip->type)
                                  : nullptr;
        if (!slot) {
            const TQXVariant* el = ReadArrayElement(base, c->V.Long, elementCopy_);
            if (!el) return Fail(seIndexOutOfRange, ix.closeTok);
            if (el->VType != ip->type) return Fail(seTypeMismatch, el->VType == vtArray ? ix.closeTok : ip->src->tok);
            if (!Is32(ip->type)) {
                Load(el, ip->type, A);
                NEXT();
            }
            slot = &el->V.Long;
        }
        A.i = *slot;
        NEXT();
    }
    CASE(opAndB) A.i = A.i & B.i; NEXT();
    CASE(opOrB) A.i = A.i | B.i; NEXT();
    CASE(opXorB) A.i = A.i ^ B.i; NEXT();
    CASE(opEnd)
        CopyReg(p.resultType, result, regs[0]);
        return true;
#if !QX_PLAN_LABELS
    default:
        return false;
    }
#endif
#undef A
#undef B
#undef K
#undef UA
#undef UB
#undef UK
#undef INT_RESULT
#undef REAL_RESULT
#undef DIV_BY
}

#undef CASE
#undef DISPATCH
#undef NEXT

// A function call's result as a register.
bool Engine::CallOperand(const PlanIns& ins, Reg& r) {
    const CallSite& cs = *ins.src->call;
    if (cs.direct > 0 || (cs.direct < 0 && FindDirect(cs, ins.type))) return CallDirect(cs, ins, r);
    if (cs.script && !cs.headErr) {
        // The result stays in the callee's frame, where it is read.
        TQXVariant* own;
        if (!CallPooled(cs, nullptr, false, &own)) return false;
        if (own->VType == ins.type && Is32(ins.type)) {
            r.i = own->V.Long;
            return true;
        }
        if (!Load(own, ins.type, r)) return Fail(seTypeMismatch, ins.src->tok);
        return true;
    }
    TQXVariant cell(ins.type);
    if (!Call(cs, &cell)) return false;
    if (cell.VType == ins.type && Is32(ins.type)) {
        r.i = cell.V.Long;
        return true;
    }
    if (!Load(&cell, ins.type, r)) return Fail(seTypeMismatch, ins.src->tok);
    return true;
}

// Whether a call of a script function can be direct; the arguments' plans
// are made here. A plan missing for want of stack is looked for again later.
bool Engine::FindDirect(const CallSite& cs, uint16_t type) {
    if (!cs.script || cs.headErr || cs.fails || !Is32(type) || cs.args.size() > kMaxPlanRegisters) {
        cs.direct = 0;
        return false;
    }
    const RoutineInfo& ri = Routine(cs.routine);
    if (ri.localErr || !ri.arrayParams.empty() || ri.resultSlot < 0 || cs.args.size() != static_cast<size_t>(ri.params)) {
        cs.direct = 0;
        return false;
    }
    std::vector<CallSite::DirectArg> args;
    for (const Arg& a : cs.args) {
        planNoStack_ = false;
        const Plan* p = a.isVar || !Is32(a.type) ? nullptr : PlanFor(*a.expr, a.type);
        if (!p || !IsIntegerType(p->resultType)) {
            if (!planNoStack_) cs.direct = 0;
            return false;
        }
        CallSite::DirectArg d{p, a.type};
        const bool add = p->shapeOp == PlanShapeAdd || p->shapeOp == PlanShapeSub;
        if ((p->shape == Plan::Variable || (p->shape == Plan::VariableWithLiteral && add)) && p->shapeSlot >= 0 &&
            !p->shapeResolve) {
            d.varType = p->shapeType;
            d.slot = p->shapeSlot;
            if (p->shape == Plan::VariableWithLiteral)
                d.add = p->shapeOp == PlanShapeAdd ? static_cast<uint32_t>(p->shapeLiteral) : 0u - static_cast<uint32_t>(p->shapeLiteral);
        }
        args.push_back(d);
    }
    cs.directArgs = std::move(args);
    cs.direct = 1;
    return true;
}

bool Engine::StorePlan(const Plan& p, TQXVariant* d, const Reg& r) {
    const uint16_t t = p.resultType;
    switch (d->VType) {
    case vtByte: d->V.Byte = static_cast<uint8_t>(r.i); return true;
    case vtShortInt: d->V.ShortInt = static_cast<int8_t>(r.i); return true;
    case vtWord: d->V.Word = static_cast<uint16_t>(r.i); return true;
    case vtSmallInt: case vtCardinal: case vtLongInt: d->V.Long = r.i; return true;
    case vtChar: d->V.Char = static_cast<uint8_t>(r.i); return true;
    case vtBoolean: d->V.Boolean = r.i ? 1 : 0; return true;
    case vtReference:  // untyped: takes the result's type and value
        d->VType = t;
        d->ElementType = vtNone;
        if (IsRealType(t)) {
            long double x = r.x;
            RoundTo(t, x);
            switch (t) {
            case vtReal: case vtDouble: d->V.Double = static_cast<double>(x); break;
            case vtSingle: d->V.Single = static_cast<float>(x); break;
            case vtExtended: d->V.Extended = x; break;
            default: d->V.Comp = static_cast<int64_t>(x); break;
            }
        } else {
            std::memset(static_cast<void*>(&d->V), 0, sizeof(d->V));
            switch (t) {
            case vtByte: d->V.Byte = static_cast<uint8_t>(r.i); break;
            case vtShortInt: d->V.ShortInt = static_cast<int8_t>(r.i); break;
            case vtWord: d->V.Word = static_cast<uint16_t>(r.i); break;
            case vtChar: d->V.Char = static_cast<uint8_t>(r.i); break;
            case vtBoolean: d->V.Boolean = static_cast<uint8_t>(r.i); break;
            default: d->V.Long = r.i; break;
            }
        }
        return true;
    default:  // a real destination
        if (uint16_t code = StoreReal(d, AsReal(t, r))) return Fail(code, p.endTok);
        return true;
    }
}

int Engine::EvalConditionCells(const Expr& e) {
    Temps c(*this, 1);
    InitCell(c[0], vtBoolean);
    if (!EvalCells(e, c[0])) return -1;
    return c[0]->V.Boolean != 0;
}

bool Engine::EvalIndex(const Expr& e, int32_t& index) {
    if (const Plan* p = PlanFor(e, vtLongInt)) {
        Reg r;
        if (!Run(*p, r)) return false;
        index = r.i;
        return true;
    }
    Temps c(*this, 1);
    InitCell(c[0], vtLongInt);
    if (!EvalCells(e, c[0])) return false;
    index = c[0]->V.Long;
    return true;
}

}  // namespace qx::detail
