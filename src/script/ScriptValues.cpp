#include "script/ScriptValues.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#include "script/ScriptLexer.h"

namespace qx {

// The header of a block of element cells; the cells follow it.
struct alignas(alignof(TQXVariant)) TQXElementBlock {
    uint32_t Live;      // cells made in it and not yet ended, and 1 while its array lists it
    uint32_t First;     // the array index of its first cell
    uint32_t Size;      // indexes it covers
    uint32_t Capacity;  // cells it has room for
    TQXVariant* Cells() { return reinterpret_cast<TQXVariant*>(this + 1); }
};

namespace {

struct TypeName {
    const char* name;
    uint16_t code;
};
// The type names a declaration may use.
const TypeName kTypeNames[] = {
    {"BYTE", vtByte}, {"SHORTINT", vtShortInt}, {"CHAR", vtChar}, {"WORD", vtWord},
    {"SMALLINT", vtSmallInt}, {"CARDINAL", vtCardinal}, {"LONGINT", vtLongInt},
    {"INTEGER", vtLongInt}, {"STRING", vtString}, {"REAL", vtReal}, {"SINGLE", vtSingle},
    {"DOUBLE", vtDouble}, {"EXTENDED", vtExtended}, {"COMP", vtComp},
    {"BOOLEAN", vtBoolean}, {"ARRAY", vtArray},
};

// Element blocks -----------------------------------------------------------
// A block's cells follow its header. It is freed when the last cell made in
// it is gone and its array no longer lists it, so that a cell referred to
// after its removal from the array keeps its memory.
// Zeroed memory: places not made yet read as type vtNone (ElementPlace), and
// a large block's pages are not touched until used.
static_assert(alignof(TQXElementBlock) <= alignof(std::max_align_t));

TQXElementBlock* NewBlock(uint32_t first, uint32_t size, uint32_t capacity) {
    void* p = std::calloc(1, sizeof(TQXElementBlock) + size_t(capacity) * sizeof(TQXVariant));
    if (!p) return nullptr;
    return new (p) TQXElementBlock{1, first, size, capacity};
}

void DropBlock(TQXElementBlock* b) {
    if (--b->Live == 0) std::free(b);
}

void UpdateDense(TQXElementList& items) {
    items.Dense = items.Blocks.empty() ? nullptr : items.Blocks[0]->Cells();
    items.DenseSize = items.Blocks.empty() ? 0 : items.Blocks[0]->Size;
}

// BlockIndex of a cell of its own (a packed element's).
constexpr uint32_t kOwnCell = UINT32_MAX;

// Ends a shared cell that is no longer in its array nor held.
void DisposeElement(TQXVariant* e) {
    if (e->BlockIndex == kOwnCell) {
        delete e;
        return;
    }
    TQXElementBlock* b = reinterpret_cast<TQXElementBlock*>(e - e->BlockIndex) - 1;
    e->~TQXVariant();
    DropBlock(b);
}

// Removes the elements from index n on: the unheld ones end, the held ones
// live on until their last holder lets go.
void TruncateElements(TQXElementList& items, size_t n) {
    for (size_t i = items.size(); i > n; --i) {
        TQXVariant* e = items[i - 1];
        if (!e) continue;
        if (items.Packed) --items.Cells;
        e->InArray = false;
        if (e->Holders == 0) DisposeElement(e);
    }
    if (items.size() > n) items.resize(n);
    if (items.Packed) {
        items.Values.resize(n);
        if (items.Values.capacity() > 2 * n + 64) items.Values.shrink_to_fit();
    }
    std::vector<TQXElementBlock*>& blocks = items.Blocks;
    while (!blocks.empty() && blocks.back()->First >= n) {
        DropBlock(blocks.back());
        blocks.pop_back();
    }
    // The cut-off places of the last block may still hold removed cells.
    if (!blocks.empty() && blocks.back()->First + blocks.back()->Size > n)
        blocks.back()->Size = blocks.back()->Capacity = static_cast<uint32_t>(n - blocks.back()->First);
    UpdateDense(items);
}

// Frees what a cell holds beyond its fixed fields (text, elements, a hold).
void ReleaseContents(TQXVariant* c) {
    if (c->VType == vtArray) {
        if (c->V.Items) {
            TruncateElements(*c->V.Items, 0);
            delete c->V.Items;
            c->V.Items = nullptr;
        }
    } else if (c->VType == vtReference) {
        if (c->HoldsRef) ReleaseValue(c->V.Ref);
        c->HoldsRef = false;
        c->V.Ref = nullptr;
    } else if (c->VType == vtString) {
        // Small buffers stay for the next text; large ones go back.
        if (c->Text.capacity() > 1024) std::string().swap(c->Text);
        else c->Text.clear();
    }
}

void ZeroValue(TQXVariant* c) {
    std::memset(static_cast<void*>(&c->V), 0, sizeof(c->V));
}

void SetBoolean(TQXVariant* c, bool b) {
    if (c->VType != vtBoolean) RetypeValue(c, vtBoolean);
    c->V.Boolean = b ? 1 : 0;
}

void SetExtended(TQXVariant* c, long double x) {
    if (c->VType != vtExtended) RetypeValue(c, vtExtended);
    c->V.Extended = x;
}

template <typename T>
bool Compare(T a, T b, TQXOperator op) {
    switch (op) {
    case TQXOperator::Equal: return a == b;
    case TQXOperator::NotEqual: return a != b;
    case TQXOperator::Less: return a < b;
    case TQXOperator::Greater: return a > b;
    case TQXOperator::LessEqual: return a <= b;
    case TQXOperator::GreaterEqual: return a >= b;
    default: return false;
    }
}

bool IsComparison(TQXOperator op) { return op >= TQXOperator::Equal; }

// Byte-wise comparison with unsigned bytes; a proper prefix is smaller.
int CompareText(std::string_view a, std::string_view b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
    if (c != 0) return c;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

std::string_view TextOf(const TQXVariant* c, char& one) {
    if (c->VType == vtChar) {
        one = static_cast<char>(c->V.Char);
        return std::string_view(&one, 1);
    }
    return c->Text;
}

// Copies R's type and value into the unbound reference L.
void CopyInto(TQXVariant* L, const TQXVariant* R) {
    L->VType = R->VType;
    L->ElementType = R->ElementType;
    if (R->VType == vtString) {
        L->Text = R->Text;
        ZeroValue(L);
    } else {
        L->V = R->V;
        if (R->VType == vtReference) L->V.Ref = nullptr;  // an unbound R: L stays unbound
    }
}

uint16_t IntegerOperator(TQXVariant* L, const TQXVariant* R, TQXOperator op) {
    const int32_t a = ValueAsInteger(L);
    const uint16_t rt = R->VType;
    if (IsRealType(rt)) {
        const long double b = ValueAsReal(R);
        long double x;
        switch (op) {
        case TQXOperator::Add: x = static_cast<long double>(a) + b; break;
        case TQXOperator::Subtract: x = static_cast<long double>(a) - b; break;
        case TQXOperator::Multiply: x = static_cast<long double>(a) * b; break;
        case TQXOperator::Divide:
            if (b == 0) return kRealDivisionByZero;
            x = static_cast<long double>(a) / b;
            break;
        default:
            if (IsComparison(op)) {
                SetBoolean(L, Compare(static_cast<long double>(a), b, op));
                return kValueOk;
            }
            return kTypeMismatch;  // :=, DIV, MOD, AND, OR, XOR, SHL, SHR need an integer
        }
        if (!std::isfinite(x)) return kRealOverflow;
        SetExtended(L, x);
        return kValueOk;
    }
    const int32_t b = ValueAsInteger(R);
    const uint32_t ua = static_cast<uint32_t>(a), ub = static_cast<uint32_t>(b);
    switch (op) {
    case TQXOperator::Assign: StoreInteger(L, b); return kValueOk;
    case TQXOperator::Add: StoreInteger(L, static_cast<int32_t>(ua + ub)); return kValueOk;
    case TQXOperator::Subtract: StoreInteger(L, static_cast<int32_t>(ua - ub)); return kValueOk;
    case TQXOperator::Multiply: StoreInteger(L, static_cast<int32_t>(ua * ub)); return kValueOk;
    case TQXOperator::Divide:
        if (b == 0) return kRealDivisionByZero;
        SetExtended(L, static_cast<long double>(a) / static_cast<long double>(b));
        return kValueOk;
    case TQXOperator::Div:
    case TQXOperator::Mod: {
        if (b == 0) return kIntegerDivisionByZero;
        int32_t r;
        if (a == INT32_MIN && b == -1) r = op == TQXOperator::Div ? INT32_MIN : 0;  // wraps
        else r = op == TQXOperator::Div ? a / b : a % b;
        StoreInteger(L, r);
        return kValueOk;
    }
    case TQXOperator::And: StoreInteger(L, static_cast<int32_t>(ua & ub)); return kValueOk;
    case TQXOperator::Or: StoreInteger(L, static_cast<int32_t>(ua | ub)); return kValueOk;
    case TQXOperator::Xor: StoreInteger(L, static_cast<int32_t>(ua ^ ub)); return kValueOk;
    // Shifting the 32-bit view and cutting to the width equals shifting at the
    // width for SHL; SHR shifts the (sign-extended) 32-bit view with zeros.
    case TQXOperator::Shl: StoreInteger(L, static_cast<int32_t>(ua << (ub & 31))); return kValueOk;
    case TQXOperator::Shr: StoreInteger(L, static_cast<int32_t>(ua >> (ub & 31))); return kValueOk;
    default:
        SetBoolean(L, Compare(a, b, op));
        return kValueOk;
    }
}

uint16_t RealOperator(TQXVariant* L, const TQXVariant* R, TQXOperator op) {
    const long double b = ValueAsReal(R);
    long double x;
    switch (op) {
    case TQXOperator::Assign: return StoreReal(L, b);
    case TQXOperator::Add: x = ValueAsReal(L) + b; break;
    case TQXOperator::Subtract: x = ValueAsReal(L) - b; break;
    case TQXOperator::Multiply: x = ValueAsReal(L) * b; break;
    case TQXOperator::Divide:
        if (b == 0) return kRealDivisionByZero;
        x = ValueAsReal(L) / b;
        break;
    default:
        if (IsComparison(op)) {
            SetBoolean(L, Compare(ValueAsReal(L), b, op));
            return kValueOk;
        }
        return kTypeMismatch;
    }
    if (!std::isfinite(x)) return kRealOverflow;
    return StoreReal(L, x);
}

uint16_t StringOperator(TQXVariant* L, const TQXVariant* R, TQXOperator op) {
    char one;
    switch (op) {
    case TQXOperator::Assign:
        if (R->VType == vtChar) L->Text.assign(1, static_cast<char>(R->V.Char));
        else if (R != L) L->Text = R->Text;
        return kValueOk;
    case TQXOperator::Add: {
        std::string_view r = TextOf(R, one);
        if (L->Text.size() + r.size() > ValueLimits().MaxStringLength) return kOutOfMemory;
        if (R == L) L->Text.append(L->Text);
        else L->Text.append(r.data(), r.size());
        return kValueOk;
    }
    default:
        if (IsComparison(op)) {
            int c = CompareText(L->Text, TextOf(R, one));
            SetBoolean(L, Compare(c, 0, op));
            return kValueOk;
        }
        return kTypeMismatch;
    }
}

uint16_t CharOperator(TQXVariant* L, const TQXVariant* R, TQXOperator op) {
    if (op == TQXOperator::Assign) {
        if (R->VType == vtChar) {
            L->V.Char = R->V.Char;
            return kValueOk;
        }
        if (R->Text.size() > 1) return kTypeMismatch;
        // An empty text has no first character; the NUL after it is taken.
        L->V.Char = R->Text.empty() ? 0 : static_cast<uint8_t>(R->Text[0]);
        return kValueOk;
    }
    if (IsComparison(op) && R->VType == vtChar) {
        SetBoolean(L, Compare(L->V.Char, R->V.Char, op));
        return kValueOk;
    }
    return kTypeMismatch;
}

uint16_t BooleanOperator(TQXVariant* L, const TQXVariant* R, TQXOperator op) {
    const bool a = L->V.Boolean != 0, b = R->V.Boolean != 0;
    switch (op) {
    case TQXOperator::Assign: L->V.Boolean = b; return kValueOk;
    case TQXOperator::And: L->V.Boolean = a && b; return kValueOk;
    case TQXOperator::Or: L->V.Boolean = a || b; return kValueOk;
    case TQXOperator::Xor: L->V.Boolean = a != b; return kValueOk;
    default:
        if (IsComparison(op)) {
            L->V.Boolean = Compare(static_cast<int>(a), static_cast<int>(b), op);
            return kValueOk;
        }
        return kTypeMismatch;
    }
}

}  // namespace

int TypeCodeOfName(std::string_view upperName) {
    for (const TypeName& t : kTypeNames)
        if (upperName == t.name) return t.code;
    return -1;
}

TQXValueLimits& ValueLimits() {
    static TQXValueLimits limits;
    return limits;
}

void TQXVariant::ReleaseHeld() { ReleaseContents(this); }

TQXVariant* NewValue(uint16_t type, uint16_t elementType) { return new TQXVariant(type, elementType); }

void FreeValue(TQXVariant* cell) {
    if (!cell) return;
    if (cell->Shared) {
        // An array element: it lives on while something holds it.
        cell->InArray = false;
        if (cell->Holders == 0) DisposeElement(cell);
        return;
    }
    delete cell;
}

void ReleaseShared(TQXVariant* cell) {
    if (cell->Holders > 0) --cell->Holders;
    if (cell->Holders == 0 && !cell->InArray) DisposeElement(cell);
}

void RetypeValue(TQXVariant* cell, uint16_t type) {
    if (!cell) return;
    ReleaseContents(cell);
    cell->VType = type;
    ZeroValue(cell);
    if (type == vtString) cell->Text.clear();
}

TQXVariant* ResolveChain(TQXVariant* cell) {
    // A chain longer than this can only be a cycle built by foreign code.
    for (int hops = 0; cell && cell->VType == vtReference && cell->V.Ref && hops < 4096; ++hops) cell = cell->V.Ref;
    return cell;
}

TQXVariant* CloneValue(const TQXVariant* cell) {
    TQXVariant* copy = NewValue(vtReference);
    if (ApplyOperator(copy, cell, TQXOperator::Assign) != kValueOk) {
        FreeValue(copy);
        return nullptr;
    }
    return copy;
}

void BindReference(TQXVariant* cell, TQXVariant* target) {
    RetypeValue(cell, vtReference);
    cell->V.Ref = target;
    if (target && target->Shared) {
        ++target->Holders;
        cell->HoldsRef = true;
    }
}

int32_t ValueAsInteger(const TQXVariant* cell) {
    const TQXVariant* c = ResolveValue(cell);
    if (!c) return 0;
    switch (c->VType) {
    case vtByte: return c->V.Byte;
    case vtShortInt: return c->V.ShortInt;
    case vtWord: return c->V.Word;
    case vtSmallInt: case vtCardinal: case vtLongInt: return c->V.Long;
    default: return 0;
    }
}

long double ValueAsReal(const TQXVariant* cell) {
    const TQXVariant* c = ResolveValue(cell);
    if (!c) return 0;
    switch (c->VType) {
    case vtByte: return c->V.Byte;
    case vtShortInt: return c->V.ShortInt;
    case vtWord: return c->V.Word;
    case vtSmallInt: case vtCardinal: case vtLongInt: return c->V.Long;
    case vtReal: case vtDouble: return c->V.Double;
    case vtSingle: return c->V.Single;
    case vtExtended: return c->V.Extended;
    case vtComp: return static_cast<long double>(c->V.Comp);
    default: return 0;
    }
}

std::string ValueAsString(const TQXVariant* cell) {
    const TQXVariant* c = ResolveValue(cell);
    if (!c) return {};
    if (c->VType == vtChar) return std::string(1, static_cast<char>(c->V.Char));
    if (c->VType == vtString) return c->Text;
    return {};
}

bool ValueAsBoolean(const TQXVariant* cell) {
    const TQXVariant* c = ResolveValue(cell);
    return c && c->VType == vtBoolean && c->V.Boolean != 0;
}

void StoreInteger(TQXVariant* cell, int32_t n) {
    TQXVariant* c = ResolveValue(cell);
    if (!c) return;
    switch (c->VType) {
    case vtByte: c->V.Byte = static_cast<uint8_t>(n); break;
    case vtShortInt: c->V.ShortInt = static_cast<int8_t>(n); break;
    case vtWord: c->V.Word = static_cast<uint16_t>(n); break;
    case vtSmallInt: case vtCardinal: case vtLongInt: c->V.Long = n; break;
    default: break;
    }
}

uint16_t StoreReal(TQXVariant* cell, long double x) {
    TQXVariant* c = ResolveValue(cell);
    if (!c) return kValueOk;
    switch (c->VType) {
    case vtReal: case vtDouble: {
        double d = static_cast<double>(x);
        if (!std::isfinite(d)) return kRealOverflow;
        c->V.Double = d;
        break;
    }
    case vtSingle: {
        float f = static_cast<float>(x);
        if (!std::isfinite(f)) return kRealOverflow;
        c->V.Single = f;
        break;
    }
    case vtExtended:
        if (!std::isfinite(x)) return kRealOverflow;
        c->V.Extended = x;
        break;
    case vtComp: {
        long double r = std::nearbyintl(x);  // the default rounding: nearest, ties to even
        if (!(r >= -9223372036854775808.0L && r < 9223372036854775808.0L)) return kRealOverflow;
        c->V.Comp = static_cast<int64_t>(r);
        break;
    }
    default: break;
    }
    return kValueOk;
}

void StoreString(TQXVariant* cell, std::string_view s) {
    TQXVariant* c = ResolveValue(cell);
    if (c && c->VType == vtString) c->Text.assign(s.data(), s.size());
}

void StoreBoolean(TQXVariant* cell, bool b) {
    TQXVariant* c = ResolveValue(cell);
    if (c && c->VType == vtBoolean) c->V.Boolean = b ? 1 : 0;
}

void StoreChar(TQXVariant* cell, uint8_t ch) {
    TQXVariant* c = ResolveValue(cell);
    if (c && c->VType == vtChar) c->V.Char = ch;
}

uint16_t NegateValue(TQXVariant* cell) {
    TQXVariant* c = ResolveValue(cell);
    if (!c) return kTypeMismatch;
    switch (c->VType) {
    case vtByte: case vtShortInt: case vtWord: case vtSmallInt: case vtCardinal: case vtLongInt:
        StoreInteger(c, static_cast<int32_t>(0u - static_cast<uint32_t>(ValueAsInteger(c))));
        return kValueOk;
    case vtReal: case vtDouble: c->V.Double = -c->V.Double; return kValueOk;
    case vtSingle: c->V.Single = -c->V.Single; return kValueOk;
    case vtExtended: c->V.Extended = -c->V.Extended; return kValueOk;
    case vtComp: return StoreReal(c, -static_cast<long double>(c->V.Comp));
    default: return kTypeMismatch;
    }
}

uint16_t NotValue(TQXVariant* cell) {
    TQXVariant* c = ResolveValue(cell);
    if (!c) return kTypeMismatch;
    if (IsIntegerType(c->VType)) {
        StoreInteger(c, ~ValueAsInteger(c));
        return kValueOk;
    }
    if (c->VType == vtBoolean) {
        c->V.Boolean = c->V.Boolean ? 0 : 1;
        return kValueOk;
    }
    return kTypeMismatch;
}

uint16_t ApplyOperator(TQXVariant* left, const TQXVariant* right, TQXOperator op) {
    TQXVariant* L = ResolveValue(left);
    const TQXVariant* R = ResolveValue(right);
    if (!L || !R) return kTypeMismatch;
    const uint16_t lt = L->VType, rt = R->VType;
    // An ARRAY is neither assigned nor an operand.
    if (lt == vtArray || rt == vtArray) return kTypeMismatch;
    if (lt == vtReference) {  // unbound: takes the type and value of what it is given
        if (op != TQXOperator::Assign) return kTypeMismatch;
        CopyInto(L, R);
        return kValueOk;
    }
    const bool compatible = lt == rt || (IsNumericType(lt) && IsNumericType(rt)) || (IsTextType(lt) && IsTextType(rt));
    if (!compatible) return kTypeMismatch;
    if (IsIntegerType(lt)) return IntegerOperator(L, R, op);
    if (IsRealType(lt)) return RealOperator(L, R, op);
    switch (lt) {
    case vtString: return StringOperator(L, R, op);
    case vtChar: return CharOperator(L, R, op);
    case vtBoolean: return BooleanOperator(L, R, op);
    default: return kTypeMismatch;
    }
}

// Elements come into being when first reached, in the place their block
// keeps for them, so that sizing an array costs no more than its list of
// places and one allocation.
TQXVariant* MakeArrayElement(TQXVariant* array, size_t index) {
    TQXElementList& items = *array->V.Items;
    if (items.Packed) {
        if (items.size() < items.Values.size()) items.resize(items.Values.size(), nullptr);
        TQXVariant* e = new TQXVariant(array->ElementType);
        e->Shared = 1;
        e->InArray = true;
        e->BlockIndex = kOwnCell;
        e->V.Long = items.Values[index];
        ++items.Cells;
        items[index] = e;
        return e;
    }
    // The blocks cover the indexes in order: the last one starting at or before index.
    const auto after = std::upper_bound(items.Blocks.begin(), items.Blocks.end(), index,
                                        [](size_t i, const TQXElementBlock* b) { return i < b->First; });
    TQXElementBlock* b = *(after - 1);
    const uint32_t k = static_cast<uint32_t>(index - b->First);
    TQXVariant* e = new (b->Cells() + k) TQXVariant(array->ElementType);
    e->Shared = 1;
    e->InArray = true;
    e->BlockIndex = k;
    ++b->Live;
    items[index] = e;
    return e;
}

const TQXVariant* ReadArrayElement(TQXVariant* array, int32_t index, TQXVariant& copy) {
    TQXVariant* c = ResolveValue(array);
    if (!c || c->VType != vtArray || !c->V.Items || index < 0) return nullptr;
    const TQXElementList& items = *c->V.Items;
    const size_t i = static_cast<size_t>(index);
    if (!items.Packed || i >= items.Values.size() || (i < items.size() && items[i])) return ArrayElement(c, index);
    copy.VType = c->ElementType;
    copy.V.Long = items.Values[i];
    return &copy;
}

void StoreArrayInteger(TQXVariant* array, int32_t index, int32_t n) {
    TQXVariant* c = ResolveValue(array);
    if (!c || c->VType != vtArray || !c->V.Items || index < 0) return;
    TQXElementList& items = *c->V.Items;
    const size_t i = static_cast<size_t>(index);
    if (items.Packed && i < items.Values.size() && (i >= items.size() || !items[i])) items.Values[i] = n;
    else StoreInteger(ArrayElement(c, index), n);
}

int32_t ArrayLength(const TQXVariant* cell) {
    const TQXVariant* c = ResolveValue(cell);
    if (!c || c->VType != vtArray || !c->V.Items) return 0;
    return static_cast<int32_t>(c->V.Items->Length());
}

bool ResizeArray(TQXVariant* cell, int32_t n) {
    TQXVariant* c = ResolveValue(cell);
    if (!c || c->VType != vtArray) return false;
    if (n < 0) n = 0;
    const int32_t limit = ValueLimits().MaxArrayLength;
    if (n > limit) return false;
    if (!c->V.Items) {
        if (n == 0) return true;
        c->V.Items = new TQXElementList();
        const uint16_t e = c->ElementType;
        c->V.Items->Packed = e == vtSmallInt || e == vtCardinal || e == vtLongInt;
    }
    TQXElementList& items = *c->V.Items;
    const size_t m = items.Length();
    if (items.Packed && static_cast<size_t>(n) > m) {
        items.Values.resize(static_cast<size_t>(n), 0);
        if (!items.empty()) items.resize(static_cast<size_t>(n), nullptr);
    } else if (static_cast<size_t>(n) > m) {
        const uint32_t add = static_cast<uint32_t>(static_cast<size_t>(n) - m);
        TQXElementBlock* last = items.Blocks.empty() ? nullptr : items.Blocks.back();
        if (last && last->Capacity - last->Size >= add) {
            last->Size += add;
        } else {
            // Room for half as many again, so that growing by small steps
            // makes few blocks; the room is not touched until used.
            const uint32_t spare = static_cast<uint32_t>(std::min<size_t>(m / 2, static_cast<size_t>(limit - n)));
            TQXElementBlock* b = NewBlock(static_cast<uint32_t>(m), add, std::max(add, spare));
            if (!b) return false;
            items.Blocks.push_back(b);
        }
        items.resize(static_cast<size_t>(n), nullptr);  // new elements: made by ArrayElement
        UpdateDense(items);
    } else {
        TruncateElements(items, static_cast<size_t>(n));
        if (items.capacity() > 2 * items.size() + 64) items.shrink_to_fit();
    }
    return true;
}

// Variable list --------------------------------------------------------------

TVariableManager::~TVariableManager() { Clear(); }

void TVariableManager::Reindex() const {
    index_.clear();
    for (size_t i = 0; i < entries_.size(); ++i) index_.emplace(entries_[i].name, static_cast<int>(i));
}

// Short lists (call frames) are searched directly; longer ones get a hash index.
constexpr size_t kIndexFrom = 8;

TQXVariant* TVariableManager::AddVariable(const std::string& name, TQXVariant* cell) {
    if (FindVariable(name) >= 0) {
        FreeValue(cell);
        return nullptr;
    }
    entries_.push_back({name, cell});
    if (entries_.size() > kIndexFrom) {
        if (index_.empty()) Reindex();
        else index_.emplace(name, static_cast<int>(entries_.size() - 1));
    }
    return cell;
}

int TVariableManager::FindVariable(std::string_view name) const {
    if (entries_.size() <= kIndexFrom) {
        for (size_t i = 0; i < entries_.size(); ++i)
            if (entries_[i].name == name) return static_cast<int>(i);
        return -1;
    }
    if (index_.empty()) Reindex();
    auto it = index_.find(std::string(name));
    return it == index_.end() ? -1 : it->second;
}

TQXVariant* TVariableManager::Find(std::string_view name) const {
    int i = FindVariable(name);
    return i < 0 ? nullptr : entries_[static_cast<size_t>(i)].cell;
}

void TVariableManager::Rename(int index, const std::string& name) {
    entries_[static_cast<size_t>(index)].name = name;
    index_.clear();
}

void TVariableManager::Clear() {
    for (Entry& e : entries_) FreeValue(e.cell);
    entries_.clear();
    index_.clear();
}

// Signatures -------------------------------------------------------------------

namespace {

std::vector<std::string_view> SignatureWords(std::string_view s) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        size_t start = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
        if (i > start) words.push_back(s.substr(start, i - start));
    }
    return words;
}

int TypeWord(std::string_view w) {
    int32_t v;
    return TextToInteger(w, v) ? v : -1;
}

}  // namespace

int SignatureParamCount(std::string_view signature) {
    size_t n = SignatureWords(signature).size();
    return n < 2 ? 0 : static_cast<int>((n - 2) / 2);
}

int SignatureTypeOf(std::string_view signature, int n) {
    auto words = SignatureWords(signature);
    size_t i = n == 0 ? 0 : static_cast<size_t>(2 * n + 1);
    if (n < 0 || i >= words.size() || (n > 0 && n > SignatureParamCount(signature))) return -1;
    return TypeWord(words[i]);
}

std::string SignatureNameOf(std::string_view signature, int n) {
    auto words = SignatureWords(signature);
    if (n < 0 || (n > 0 && n > SignatureParamCount(signature))) return {};
    size_t i = n == 0 ? 1 : static_cast<size_t>(2 * n);
    return i < words.size() ? std::string(words[i]) : std::string();
}

// Routine list -----------------------------------------------------------------

namespace {

std::unique_ptr<TQXRoutine> ParseRoutine(const std::string& signature) {
    auto r = std::make_unique<TQXRoutine>();
    r->Signature = signature;
    auto words = SignatureWords(signature);
    r->ResultType = words.empty() ? -1 : TypeWord(words[0]);
    if (words.size() > 1) r->Name = std::string(words[1]);
    for (size_t i = 2; i + 1 < words.size(); i += 2) {
        TQXRoutineParam p;
        std::string_view name = words[i];
        if (!name.empty() && name[0] == '!') {
            p.IsVar = true;
            name.remove_prefix(1);
        }
        p.Name = std::string(name);
        p.Type = TypeWord(words[i + 1]);
        r->Params.push_back(std::move(p));
    }
    return r;
}

}  // namespace

bool TRoutineList::Add(std::unique_ptr<TQXRoutine> routine) {
    if (index_.count(routine->Name)) return false;
    index_.emplace(routine->Name, static_cast<int>(routines_.size()));
    routines_.push_back(std::move(routine));
    ++generation_;
    return true;
}

bool TRoutineList::AddRoutine(const std::string& signature, int32_t bodyPos) {
    auto r = ParseRoutine(signature);
    r->BodyPos = bodyPos;
    return Add(std::move(r));
}

bool TRoutineList::AddRoutine(const std::string& signature, TQXExternalHandler handler, intptr_t tag) {
    auto r = ParseRoutine(signature);
    r->Handler = std::move(handler);
    r->Tag = tag;
    return Add(std::move(r));
}

int TRoutineList::FindRoutine(std::string_view name) const {
    auto it = index_.find(std::string(name));
    return it == index_.end() ? -1 : it->second;
}

void TRoutineList::Clear() {
    routines_.clear();
    index_.clear();
    ++generation_;
}

}  // namespace qx
