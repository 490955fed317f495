#pragma once
// Script values: the value cell TQXVariant with its type codes, conversions
// and operators; the variable list that names cells; signature strings and
// the routine list. The interpreter and the host reach values only through
// these operations, so type codes and conversion rules are the same everywhere.
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qx {

// Type codes. The same numbers appear in signature strings and in the host
// function list. Integer types: 1..6; real types: 9..13 (COMP counts as real);
// text types: CHAR and STRING.
enum TQXTypeCode : uint16_t {
    vtNone = 0,       // no value: the result type of a procedure
    vtByte = 1,       // unsigned 8-bit
    vtShortInt = 2,   // signed 8-bit
    vtWord = 3,       // unsigned 16-bit
    vtSmallInt = 4,   // held and computed in 32 bits
    vtCardinal = 5,   // 32 bits, read and computed as signed
    vtLongInt = 6,    // signed 32-bit (also INTEGER); integer literals
    vtChar = 7,       // one byte
    vtString = 8,     // byte string
    vtReal = 9,       // 64-bit IEEE
    vtSingle = 10,    // 32-bit IEEE
    vtDouble = 11,    // 64-bit IEEE
    vtExtended = 12,  // x86 80-bit long double; real literals and mixed arithmetic
    vtComp = 13,      // signed 64-bit integer computed through EXTENDED
    vtBoolean = 14,   // 0 or 1
    vtReference = 15, // refers to another cell, or to none (unbound)
    vtArray = 16,     // element type and an ordered list of owned element cells
};

inline bool IsIntegerType(uint16_t t) { return t >= vtByte && t <= vtLongInt; }
inline bool IsRealType(uint16_t t) { return t >= vtReal && t <= vtComp; }
inline bool IsNumericType(uint16_t t) { return IsIntegerType(t) || IsRealType(t); }
inline bool IsTextType(uint16_t t) { return t == vtChar || t == vtString; }

// The type code of a type name (upper-case), or -1. INTEGER is LONGINT.
int TypeCodeOfName(std::string_view upperName);

// Error codes that the value operations report besides 0 (success). 14 is the
// type mismatch of the language; the others are faults that end a run
// (documented with their texts in ScriptErrors.h).
enum : uint16_t {
    kValueOk = 0,
    kTypeMismatch = 14,
    kIntegerDivisionByZero = 100,
    kRealDivisionByZero = 101,
    kRealOverflow = 102,
    kOutOfMemory = 104,
};

// Operators of ApplyOperator.
enum class TQXOperator : uint8_t {
    Assign, Add, Subtract, Multiply, Divide, Div, Mod, And, Or, Xor, Shl, Shr,
    Equal, NotEqual, Less, Greater, LessEqual, GreaterEqual,
};

class TQXVariant;
struct TQXElementBlock;

// An ARRAY's elements: a cell per index (none until first reached), made in
// place in the blocks of cells that the resizes that grew the array
// allocated, so that neighbouring elements are neighbours in memory and
// making one allocates nothing. Blocks are in index order and cover the
// indexes from 0 without gaps; a block's places start zeroed.
struct TQXElementList : std::vector<TQXVariant*> {
    std::vector<TQXElementBlock*> Blocks;
    // The places of the first block: element i's for i < DenseSize.
    TQXVariant* Dense = nullptr;
    uint32_t DenseSize = 0;
    // Packed (elements of a 32-bit integer type): Values holds the value of
    // every element that has no cell; once made, a cell (of its own, not in
    // a block) holds its element's value instead. Loads and stores that need
    // no cell use Values. The list of cells is empty until the first cell is
    // made, then as long as Values.
    bool Packed = false;
    uint32_t Cells = 0;  // packed: elements that have a cell
    std::vector<int32_t> Values;
    size_t Length() const { return Packed ? Values.size() : size(); }
};

// A value cell. It owns its text and, for an ARRAY, its element cells; a
// reference does not own the cell it refers to. Not copyable: use CloneValue
// or ApplyOperator(Assign).
class TQXVariant {
public:
    TQXVariant() { std::memset(static_cast<void*>(&V), 0, sizeof(V)); }  // not through the x87 unit
    explicit TQXVariant(uint16_t type, uint16_t elementType = vtNone) : VType(type), ElementType(elementType) {
        std::memset(static_cast<void*>(&V), 0, sizeof(V));
    }
    ~TQXVariant() {
        if (VType == vtArray || VType == vtReference) ReleaseHeld();
    }
    TQXVariant(const TQXVariant&) = delete;
    TQXVariant& operator=(const TQXVariant&) = delete;

    uint16_t VType = vtNone;
    uint8_t Flags = 0;  // bit 0: read-only; the other bits are 0
    // Lifetime of array elements: a reference (a var parameter) may outlive
    // the element's removal from its array. Such cells count their holders.
    uint8_t Shared = 0;     // 1: an array element, freed by Release when unheld
    bool InArray = false;   // a shared cell still owned by its array
    bool HoldsRef = false;  // REFERENCE: holds its (shared) target
    uint16_t ElementType = vtNone;  // ARRAY: type code of the elements
    uint32_t Holders = 0;   // references and temporary holds on a shared cell
    uint32_t BlockIndex = 0;  // a shared cell: its place in the block of cells it was made in
    union {
        uint8_t Byte;
        int8_t ShortInt;
        uint16_t Word;
        int32_t Long;       // SMALLINT, CARDINAL, LONGINT
        uint8_t Char;
        uint8_t Boolean;
        float Single;
        double Double;      // REAL and DOUBLE
        long double Extended;
        int64_t Comp;
        TQXVariant* Ref;                       // REFERENCE: the cell referred to, or none
        TQXElementList* Items;                 // ARRAY: the elements (may be none while empty)
    } V;
    std::string Text;  // STRING

    bool ReadOnly() const { return Flags & 1; }
    // Frees elements or drops the hold of a reference (the destructor's slow part).
    void ReleaseHeld();
    void SetReadOnly(bool on) { Flags = on ? (Flags | 1) : (Flags & ~1); }
};
using PQXVariant = TQXVariant*;

constexpr uint8_t kReadOnlyFlag = 1;

// Limits that keep a script from exhausting memory. A string operation that
// would make a longer text, or a resize beyond the array limit, fails with
// kOutOfMemory. Process-wide; set them before runs start.
struct TQXValueLimits {
    size_t MaxStringLength = size_t(64) << 20;   // 64 MiB: one copy stays well below a stop's 100 ms
    int32_t MaxArrayLength = 1 << 22;            // 4,194,304 elements
};
TQXValueLimits& ValueLimits();

// Cells ------------------------------------------------------------------
// A new cell: numbers, CHAR and BOOLEAN zero, STRING empty, a reference
// unbound, an ARRAY empty with the given element type; flags 0.
TQXVariant* NewValue(uint16_t type, uint16_t elementType = vtNone);
// Releases a cell and its elements; none does nothing.
void FreeValue(TQXVariant* cell);
// Releases a STRING's text, an ARRAY's elements or a reference's hold and
// gives the cell the new type with a zero value.
void RetypeValue(TQXVariant* cell, uint16_t type);
// Follows references to a cell that is not one, or to an unbound reference.
TQXVariant* ResolveChain(TQXVariant* cell);
inline TQXVariant* ResolveValue(TQXVariant* cell) {
    return cell && cell->VType == vtReference && cell->V.Ref ? ResolveChain(cell) : cell;
}
inline const TQXVariant* ResolveValue(const TQXVariant* cell) { return ResolveValue(const_cast<TQXVariant*>(cell)); }
// A new unbound reference that received the cell by assignment: a copy with
// the same type. None when the cell cannot be assigned (an ARRAY).
TQXVariant* CloneValue(const TQXVariant* cell);
// Makes cell a reference bound to target (holding target when it is an array
// element, so that the target survives its removal while referred to).
void BindReference(TQXVariant* cell, TQXVariant* target);

int32_t ValueAsInteger(const TQXVariant* cell);
long double ValueAsReal(const TQXVariant* cell);
std::string ValueAsString(const TQXVariant* cell);
bool ValueAsBoolean(const TQXVariant* cell);

// Stores keep the cell's type; a cell of another kind is left unchanged.
// StoreInteger keeps the low bits that fit the width.
void StoreInteger(TQXVariant* cell, int32_t n);
// COMP rounds to nearest, ties to even. Returns kRealOverflow (and leaves the
// cell unchanged) when the value does not fit the real type.
uint16_t StoreReal(TQXVariant* cell, long double x);
void StoreString(TQXVariant* cell, std::string_view s);
void StoreBoolean(TQXVariant* cell, bool b);
void StoreChar(TQXVariant* cell, uint8_t c);

// Unary minus and NOT in place. 0 on success, kTypeMismatch on failure,
// kRealOverflow when a COMP has no negative.
uint16_t NegateValue(TQXVariant* cell);
uint16_t NotValue(TQXVariant* cell);
// left := left op right, on the resolved cells. 0 on success; kTypeMismatch
// for an operation the types do not allow; a fault code for division by zero,
// real overflow and texts beyond the length limit. On failure left keeps its
// value.
uint16_t ApplyOperator(TQXVariant* left, const TQXVariant* right, TQXOperator op);

// The element at a 0-based index, or none (not an ARRAY, index out of range).
// (Elements are created when first reached; to scripts and hosts they exist
// from the resize on.)
TQXVariant* MakeArrayElement(TQXVariant* array, size_t index);
inline TQXVariant* ArrayElement(TQXVariant* cell, int32_t index) {
    TQXVariant* c = ResolveValue(cell);
    if (!c || c->VType != vtArray || !c->V.Items || index < 0) return nullptr;
    const TQXElementList& items = *c->V.Items;
    const size_t i = static_cast<size_t>(index);
    if (i >= items.Length()) return nullptr;
    TQXVariant* e = i < items.size() ? items[i] : nullptr;
    return e ? e : MakeArrayElement(c, i);
}
// The place of element index for loads that check the element's type first:
// the element's cell, or where it is not made yet none or a zeroed place
// (type vtNone); none beyond the end.
inline TQXVariant* ElementPlace(const TQXElementList& items, uint32_t index) {
    if (index < items.DenseSize) [[likely]]
        return items.Dense + index;
    return index < items.size() ? items[index] : nullptr;
}
// Where a load or store of type (a 32-bit integer type) finds element index
// of an ARRAY with elements without making a cell: its packed value, or its
// cell's; none when out of range, not made yet or of another type.
inline int32_t* IntegerElementSlot(TQXVariant* array, uint32_t index, uint16_t type) {
    TQXElementList& items = *array->V.Items;
    if (items.Packed) {
        if (index >= items.Values.size()) return nullptr;
        TQXVariant* e = items.Cells ? items[index] : nullptr;
        if (!e) return array->ElementType == type ? &items.Values[index] : nullptr;
        return e->VType == type ? &e->V.Long : nullptr;
    }
    TQXVariant* e = ElementPlace(items, index);
    return e && e->VType == type ? &e->V.Long : nullptr;
}
// Element index for a load at once: its cell, or for a packed element that
// has none, copy (a cell without text) given its type and value; none out of
// range or when not an ARRAY.
const TQXVariant* ReadArrayElement(TQXVariant* array, int32_t index, TQXVariant& copy);
// StoreInteger on element index, without making a cell for a packed element.
void StoreArrayInteger(TQXVariant* array, int32_t index, int32_t n);
int32_t ArrayLength(const TQXVariant* cell);
// Appends new elements or frees the last ones until there are n; a negative n
// empties the array. False (array unchanged) when n is beyond the limit.
bool ResizeArray(TQXVariant* cell, int32_t n);

// Holds on shared (array element) cells; no-ops for other cells.
inline void HoldValue(TQXVariant* cell) { if (cell && cell->Shared) ++cell->Holders; }
void ReleaseShared(TQXVariant* cell);
inline void ReleaseValue(TQXVariant* cell) {
    if (cell && cell->Shared) {
        if (cell->InArray && cell->Holders) --cell->Holders;  // still owned by its array
        else ReleaseShared(cell);
    }
}

// Variable list -------------------------------------------------------------
// Ordered entries of an upper-case name and a cell the list owns. Names are
// compared exactly (callers upper-case them); lookups are hashed.
class TVariableManager {
public:
    TVariableManager() = default;
    ~TVariableManager();
    TVariableManager(const TVariableManager&) = delete;
    TVariableManager& operator=(const TVariableManager&) = delete;

    // Appends the entry and returns the cell; when the name is present already
    // the cell is freed and none is returned.
    TQXVariant* AddVariable(const std::string& name, TQXVariant* cell);
    int FindVariable(std::string_view name) const;
    TQXVariant* Find(std::string_view name) const;
    TQXVariant* Variable(int index) const { return entries_[static_cast<size_t>(index)].cell; }
    const std::string& Name(int index) const { return entries_[static_cast<size_t>(index)].name; }
    int Count() const { return static_cast<int>(entries_.size()); }
    void Rename(int index, const std::string& name);
    // Frees every cell.
    void Clear();

private:
    struct Entry {
        std::string name;
        TQXVariant* cell;
    };
    std::vector<Entry> entries_;
    mutable std::unordered_map<std::string, int> index_;  // built for longer lists
    void Reindex() const;
};
using PVariableManager = TVariableManager*;

// Signatures ---------------------------------------------------------------
// "7 STRGET S 8 I 6": result type code, routine name, then per parameter its
// name ("!" in front for a var parameter) and type code; words separated by
// blanks. A type code that is not a number counts as -1.
int SignatureParamCount(std::string_view signature);
// n = 0: the result type; n >= 1: the type of parameter n; -1 when missing.
int SignatureTypeOf(std::string_view signature, int n);
// n = 0: the routine name; n >= 1: parameter n's name with its "!" mark;
// empty when there is no such parameter.
std::string SignatureNameOf(std::string_view signature, int n);

// Routine list -------------------------------------------------------------
class TQXScriptInterpreter;

// What an external routine handler receives. The handler runs on the
// interpreter's thread, after all arguments were evaluated; value arguments
// are cells of exactly the declared type, var arguments references to the
// caller's cells (ResolveValue); the result cell has the declared type,
// starts zeroed and is none for a procedure; the handler owns neither.
struct TQXExternalCall {
    void* UserData;                      // the interpreter's user data
    TQXScriptInterpreter* Interpreter;
    const std::string& Name;             // the routine name as registered
    intptr_t Tag;                        // the value given at registration
    TVariableManager& Args;              // the arguments in parameter order
    TQXVariant* Result;                  // none for a procedure
};
// Returns 0 to let the script go on; any other value stops the run with that
// error code.
using TQXExternalHandler = std::function<uint16_t(TQXExternalCall& call)>;

struct TQXRoutineParam {
    std::string Name;   // upper-case as written, without "!"
    int Type = -1;
    bool IsVar = false;
};

struct TQXRoutine {
    std::string Signature;
    std::string Name;              // the signature's second word, exactly
    int ResultType = -1;
    std::vector<TQXRoutineParam> Params;
    // Script routine: the text position where its body begins.
    int32_t BodyPos = -1;
    // External routine: its handler and the tag handed back to it.
    TQXExternalHandler Handler;
    intptr_t Tag = 0;
    int BuiltinIndex = -1;         // >= 0 for the built-in routines
};

class TRoutineList {
public:
    // Appends a script routine; false (nothing added) when the name exists.
    bool AddRoutine(const std::string& signature, int32_t bodyPos);
    // Appends an external routine with its handler and tag; false when the
    // name exists.
    bool AddRoutine(const std::string& signature, TQXExternalHandler handler, intptr_t tag = 0);
    int FindRoutine(std::string_view name) const;
    int Count() const { return static_cast<int>(routines_.size()); }
    const TQXRoutine& Routine(int index) const { return *routines_[static_cast<size_t>(index)]; }
    TQXRoutine& Routine(int index) { return *routines_[static_cast<size_t>(index)]; }
    const std::string& Signature(int index) const { return Routine(index).Signature; }
    void Clear();
    // Changes whenever a routine is added or the list is cleared.
    uint32_t Generation() const { return generation_; }

private:
    bool Add(std::unique_ptr<TQXRoutine> routine);
    std::vector<std::unique_ptr<TQXRoutine>> routines_;
    std::unordered_map<std::string, int> index_;
    uint32_t generation_ = 0;
};

}  // namespace qx
