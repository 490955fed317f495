// Value cells: operators as tables of cases, conversions, arrays, lists and
// signatures.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "script/ScriptConsole.h"
#include "script/ScriptValues.h"

namespace {

using namespace qx;
using Op = TQXOperator;

struct CellDeleter {
    void operator()(TQXVariant* c) const { FreeValue(c); }
};
using Cell = std::unique_ptr<TQXVariant, CellDeleter>;

// A cell of a type holding the value written as text (TRUE/FALSE for BOOLEAN).
Cell Make(uint16_t type, const std::string& v) {
    Cell c(NewValue(type));
    if (IsIntegerType(type)) StoreInteger(c.get(), static_cast<int32_t>(std::stoll(v)));
    else if (IsRealType(type)) StoreReal(c.get(), std::stold(v));
    else if (type == vtString) StoreString(c.get(), v);
    else if (type == vtChar) StoreChar(c.get(), v.empty() ? 0 : static_cast<uint8_t>(v[0]));
    else if (type == vtBoolean) StoreBoolean(c.get(), v == "TRUE");
    return c;
}

struct OpRow {
    uint16_t lt;
    const char* l;
    Op op;
    uint16_t rt;
    const char* r;
    uint16_t code;        // expected result code
    uint16_t resultType;  // expected type of the left cell afterwards
    const char* result;   // as FormatScriptValue prints it ("" for a CHAR: code 0)
};

const OpRow kOperatorRows[] = {
    // the left operand decides; integers wrap at its width
    {vtByte, "200", Op::Add, vtLongInt, "100", 0, vtByte, "44"},
    {vtByte, "250", Op::Add, vtByte, "10", 0, vtByte, "4"},
    {vtShortInt, "100", Op::Add, vtShortInt, "100", 0, vtShortInt, "-56"},
    {vtSmallInt, "30000", Op::Add, vtSmallInt, "30000", 0, vtSmallInt, "60000"},
    {vtWord, "65535", Op::Add, vtLongInt, "1", 0, vtWord, "0"},
    {vtCardinal, "2147483647", Op::Add, vtLongInt, "1", 0, vtCardinal, "-2147483648"},
    {vtLongInt, "65536", Op::Multiply, vtLongInt, "65536", 0, vtLongInt, "0"},
    {vtByte, "3", Op::Subtract, vtByte, "5", 0, vtByte, "254"},
    // integer with real: EXTENDED
    {vtLongInt, "5", Op::Add, vtExtended, "0.5", 0, vtExtended, "5.5"},
    {vtByte, "5", Op::Multiply, vtDouble, "0.5", 0, vtExtended, "2.5"},
    {vtLongInt, "7", Op::Divide, vtLongInt, "2", 0, vtExtended, "3.5"},
    // DIV, MOD truncate; need integers
    {vtLongInt, "7", Op::Div, vtLongInt, "2", 0, vtLongInt, "3"},
    {vtLongInt, "-7", Op::Div, vtLongInt, "2", 0, vtLongInt, "-3"},
    {vtLongInt, "-7", Op::Mod, vtLongInt, "2", 0, vtLongInt, "-1"},
    {vtLongInt, "7", Op::Div, vtExtended, "2", kTypeMismatch, vtLongInt, "7"},
    {vtLongInt, "-2147483648", Op::Div, vtLongInt, "-1", 0, vtLongInt, "-2147483648"},
    {vtLongInt, "-2147483648", Op::Mod, vtLongInt, "-1", 0, vtLongInt, "0"},
    {vtExtended, "7", Op::Div, vtLongInt, "2", kTypeMismatch, vtExtended, "7"},
    // bitwise and shifts
    {vtLongInt, "6", Op::And, vtLongInt, "3", 0, vtLongInt, "2"},
    {vtLongInt, "6", Op::Or, vtLongInt, "3", 0, vtLongInt, "7"},
    {vtLongInt, "6", Op::Xor, vtLongInt, "3", 0, vtLongInt, "5"},
    {vtByte, "1", Op::Shl, vtLongInt, "9", 0, vtByte, "0"},
    {vtShortInt, "-128", Op::Shr, vtLongInt, "1", 0, vtShortInt, "-64"},
    {vtLongInt, "-1", Op::Shr, vtLongInt, "28", 0, vtLongInt, "15"},
    {vtLongInt, "1", Op::Shl, vtLongInt, "33", 0, vtLongInt, "2"},
    {vtLongInt, "5", Op::And, vtBoolean, "TRUE", kTypeMismatch, vtLongInt, "5"},
    {vtBoolean, "TRUE", Op::And, vtLongInt, "5", kTypeMismatch, vtBoolean, "TRUE"},
    {vtBoolean, "TRUE", Op::Xor, vtBoolean, "TRUE", 0, vtBoolean, "FALSE"},
    {vtBoolean, "FALSE", Op::Or, vtBoolean, "TRUE", 0, vtBoolean, "TRUE"},
    {vtExtended, "1", Op::And, vtLongInt, "1", kTypeMismatch, vtExtended, "1"},
    {vtBoolean, "TRUE", Op::Add, vtBoolean, "TRUE", kTypeMismatch, vtBoolean, "TRUE"},
    // reals compute in their own type
    {vtDouble, "1", Op::Divide, vtLongInt, "3", 0, vtDouble, "0.333333333333333315"},
    {vtSingle, "1", Op::Divide, vtLongInt, "3", 0, vtSingle, "0.333333343267440796"},
    {vtExtended, "1", Op::Divide, vtLongInt, "3", 0, vtExtended, "0.333333333333333333"},
    {vtComp, "7", Op::Divide, vtLongInt, "2", 0, vtComp, "4"},
    {vtComp, "5", Op::Divide, vtLongInt, "2", 0, vtComp, "2"},
    {vtReal, "1.5", Op::Multiply, vtLongInt, "2", 0, vtReal, "3"},
    // comparisons make the left cell BOOLEAN
    {vtLongInt, "3", Op::Less, vtLongInt, "5", 0, vtBoolean, "TRUE"},
    {vtLongInt, "5", Op::Equal, vtExtended, "5", 0, vtBoolean, "TRUE"},
    {vtExtended, "2.5", Op::GreaterEqual, vtLongInt, "2", 0, vtBoolean, "TRUE"},
    {vtByte, "255", Op::Greater, vtShortInt, "-1", 0, vtBoolean, "TRUE"},
    {vtString, "b", Op::Equal, vtChar, "b", 0, vtBoolean, "TRUE"},
    {vtString, "ab", Op::Greater, vtString, "a", 0, vtBoolean, "TRUE"},
    {vtString, "B", Op::Less, vtString, "a", 0, vtBoolean, "TRUE"},
    {vtString, "\xe9", Op::Greater, vtString, "z", 0, vtBoolean, "TRUE"},
    {vtString, "", Op::Less, vtString, "a", 0, vtBoolean, "TRUE"},
    {vtChar, "b", Op::Equal, vtString, "b", kTypeMismatch, vtChar, "b"},
    {vtChar, "a", Op::Less, vtChar, "b", 0, vtBoolean, "TRUE"},
    {vtBoolean, "FALSE", Op::Less, vtBoolean, "TRUE", 0, vtBoolean, "TRUE"},
    {vtBoolean, "TRUE", Op::Equal, vtLongInt, "1", kTypeMismatch, vtBoolean, "TRUE"},
    {vtLongInt, "1", Op::Equal, vtString, "1", kTypeMismatch, vtLongInt, "1"},
    // texts only concatenate; a CHAR takes at most one character
    {vtString, "a", Op::Add, vtChar, "b", 0, vtString, "ab"},
    {vtString, "ab", Op::Subtract, vtString, "b", kTypeMismatch, vtString, "ab"},
    {vtChar, "a", Op::Add, vtString, "b", kTypeMismatch, vtChar, "a"},
    {vtChar, "a", Op::Assign, vtString, "xy", kTypeMismatch, vtChar, "a"},
    {vtChar, "a", Op::Assign, vtString, "x", 0, vtChar, "x"},
    {vtChar, "a", Op::Assign, vtString, "", 0, vtChar, ""},
    {vtString, "a", Op::Assign, vtChar, "z", 0, vtString, "z"},
    // assignment converts by the left type
    {vtLongInt, "1", Op::Assign, vtExtended, "1.5", kTypeMismatch, vtLongInt, "1"},
    {vtByte, "1", Op::Assign, vtLongInt, "300", 0, vtByte, "44"},
    {vtExtended, "0", Op::Assign, vtLongInt, "3", 0, vtExtended, "3"},
    {vtComp, "0", Op::Assign, vtExtended, "3.7", 0, vtComp, "4"},
    {vtComp, "0", Op::Assign, vtExtended, "2.5", 0, vtComp, "2"},
    {vtComp, "0", Op::Assign, vtExtended, "-3.5", 0, vtComp, "-4"},
    {vtString, "x", Op::Assign, vtLongInt, "1", kTypeMismatch, vtString, "x"},
    {vtBoolean, "TRUE", Op::Assign, vtLongInt, "0", kTypeMismatch, vtBoolean, "TRUE"},
    // faults
    {vtLongInt, "7", Op::Div, vtLongInt, "0", kIntegerDivisionByZero, vtLongInt, "7"},
    {vtLongInt, "7", Op::Mod, vtLongInt, "0", kIntegerDivisionByZero, vtLongInt, "7"},
    {vtLongInt, "7", Op::Divide, vtLongInt, "0", kRealDivisionByZero, vtLongInt, "7"},
    {vtExtended, "0", Op::Divide, vtExtended, "0", kRealDivisionByZero, vtExtended, "0"},
    {vtDouble, "1e300", Op::Multiply, vtDouble, "1e300", kRealOverflow, vtDouble, "1.00000000000000005e+300"},
    {vtSingle, "1", Op::Assign, vtExtended, "1e39", kRealOverflow, vtSingle, "1"},
    {vtComp, "0", Op::Assign, vtExtended, "1e19", kRealOverflow, vtComp, "0"},
};

TEST(ScriptValues, ApplyOperatorFollowsTheLeftOperand) {
    for (const OpRow& row : kOperatorRows) {
        Cell l = Make(row.lt, row.l), r = Make(row.rt, row.r);
        const uint16_t code = ApplyOperator(l.get(), r.get(), row.op);
        SCOPED_TRACE(::testing::Message() << row.lt << ":" << row.l << " op" << int(row.op) << " " << row.rt << ":" << row.r);
        EXPECT_EQ(code, row.code);
        EXPECT_EQ(l->VType, row.resultType);
        EXPECT_EQ(FormatScriptValue(l.get()), std::string(row.result, row.lt == vtChar && !*row.result ? 1 : std::strlen(row.result)));
    }
}

TEST(ScriptValues, UnboundReferenceTakesTheFirstValue) {
    Cell u(NewValue(vtReference));
    Cell five = Make(vtWord, "5");
    EXPECT_EQ(ApplyOperator(u.get(), five.get(), Op::Add), kTypeMismatch);
    EXPECT_EQ(u->VType, vtReference);
    EXPECT_EQ(ApplyOperator(u.get(), five.get(), Op::Assign), 0);
    EXPECT_EQ(u->VType, vtWord);
    EXPECT_EQ(ValueAsInteger(u.get()), 5);
    Cell s = Make(vtString, "text");
    Cell u2(CloneValue(s.get()));
    ASSERT_TRUE(u2);
    EXPECT_EQ(u2->VType, vtString);
    EXPECT_EQ(u2->Text, "text");
}

TEST(ScriptValues, ArraysAreNeitherAssignedNorOperands) {
    Cell a(NewValue(vtArray, vtLongInt)), b(NewValue(vtArray, vtLongInt)), u(NewValue(vtReference));
    EXPECT_EQ(ApplyOperator(a.get(), b.get(), Op::Assign), kTypeMismatch);
    EXPECT_EQ(ApplyOperator(u.get(), a.get(), Op::Assign), kTypeMismatch);
    EXPECT_EQ(CloneValue(a.get()), nullptr);
}

struct UnaryRow {
    uint16_t type;
    const char* value;
    bool negate;  // else NOT
    uint16_t code;
    const char* result;
};

TEST(ScriptValues, NegateAndNotWorkAtTheCellsWidth) {
    const UnaryRow rows[] = {
        {vtByte, "5", true, 0, "251"},          {vtShortInt, "-128", true, 0, "-128"},
        {vtLongInt, "7", true, 0, "-7"},        {vtExtended, "1.5", true, 0, "-1.5"},
        {vtComp, "3", true, 0, "-3"},           {vtBoolean, "TRUE", true, kTypeMismatch, "TRUE"},
        {vtString, "a", true, kTypeMismatch, "a"}, {vtByte, "0", false, 0, "255"},
        {vtWord, "1", false, 0, "65534"},       {vtLongInt, "0", false, 0, "-1"},
        {vtBoolean, "FALSE", false, 0, "TRUE"}, {vtExtended, "1", false, kTypeMismatch, "1"},
        {vtChar, "a", false, kTypeMismatch, "a"},
    };
    for (const UnaryRow& row : rows) {
        Cell c = Make(row.type, row.value);
        EXPECT_EQ(row.negate ? NegateValue(c.get()) : NotValue(c.get()), row.code) << row.value;
        EXPECT_EQ(FormatScriptValue(c.get()), row.result) << row.value;
    }
    Cell c(NewValue(vtComp));
    c->V.Comp = INT64_MIN;
    EXPECT_EQ(NegateValue(c.get()), kRealOverflow);
}

TEST(ScriptValues, NewCellsStartEmpty) {
    for (uint16_t t = vtByte; t <= vtBoolean; ++t) {
        Cell c(NewValue(t));
        EXPECT_EQ(c->VType, t);
        EXPECT_EQ(c->Flags, 0);
        EXPECT_EQ(ValueAsInteger(c.get()), 0);
        EXPECT_EQ(ValueAsReal(c.get()), 0);
        EXPECT_FALSE(ValueAsBoolean(c.get()));
    }
    EXPECT_EQ(ValueAsString(Make(vtString, "").get()), "");
    Cell r(NewValue(vtReference));
    EXPECT_EQ(r->V.Ref, nullptr);
    EXPECT_EQ(ResolveValue(r.get()), r.get());
    Cell a(NewValue(vtArray, vtString));
    EXPECT_EQ(ArrayLength(a.get()), 0);
    EXPECT_EQ(a->ElementType, vtString);
}

TEST(ScriptValues, ConversionsReadOnlyTheirOwnKinds) {
    EXPECT_EQ(ValueAsInteger(Make(vtString, "12").get()), 0);
    EXPECT_EQ(ValueAsString(Make(vtLongInt, "12").get()), "");
    EXPECT_EQ(ValueAsString(Make(vtChar, "q").get()), "q");
    EXPECT_EQ(ValueAsInteger(Make(vtShortInt, "-3").get()), -3);
    EXPECT_EQ(ValueAsInteger(Make(vtByte, "255").get()), 255);
    EXPECT_EQ(ValueAsInteger(Make(vtExtended, "2.5").get()), 0);
    EXPECT_EQ(ValueAsReal(Make(vtComp, "-9").get()), -9.0L);
    EXPECT_FALSE(ValueAsBoolean(Make(vtLongInt, "1").get()));
    Cell s = Make(vtString, "keep");
    StoreInteger(s.get(), 5);
    StoreReal(s.get(), 1.5);
    EXPECT_EQ(s->Text, "keep");
    Cell n = Make(vtLongInt, "3");
    StoreString(n.get(), "x");
    EXPECT_EQ(ValueAsInteger(n.get()), 3);
}

TEST(ScriptValues, ReferencesResolveToTheirCell) {
    Cell target = Make(vtLongInt, "4");
    Cell ref(NewValue(vtReference)), ref2(NewValue(vtReference));
    BindReference(ref.get(), target.get());
    BindReference(ref2.get(), ref.get());
    EXPECT_EQ(ResolveValue(ref2.get()), target.get());
    StoreInteger(ref2.get(), 9);
    EXPECT_EQ(target->V.Long, 9);
    Cell one = Make(vtLongInt, "1");
    EXPECT_EQ(ApplyOperator(ref2.get(), one.get(), Op::Add), 0);
    EXPECT_EQ(target->V.Long, 10);
}

TEST(ScriptValues, ResizeArrayAppendsAndFrees) {
    Cell a(NewValue(vtArray, vtString));
    ASSERT_TRUE(ResizeArray(a.get(), 3));
    EXPECT_EQ(ArrayLength(a.get()), 3);
    StoreString(ArrayElement(a.get(), 0), "first");
    EXPECT_EQ(ArrayElement(a.get(), 2)->VType, vtString);
    EXPECT_EQ(ArrayElement(a.get(), 3), nullptr);
    EXPECT_EQ(ArrayElement(a.get(), -1), nullptr);
    ASSERT_TRUE(ResizeArray(a.get(), 1));
    EXPECT_EQ(ArrayLength(a.get()), 1);
    EXPECT_EQ(ArrayElement(a.get(), 0)->Text, "first");
    ASSERT_TRUE(ResizeArray(a.get(), -5));
    EXPECT_EQ(ArrayLength(a.get()), 0);
    EXPECT_FALSE(ResizeArray(a.get(), ValueLimits().MaxArrayLength + 1));
    Cell n = Make(vtLongInt, "1");
    EXPECT_EQ(ArrayElement(n.get(), 0), nullptr);
}

TEST(ScriptValues, ReferencedElementOutlivesItsRemoval) {
    Cell a(NewValue(vtArray, vtLongInt));
    ASSERT_TRUE(ResizeArray(a.get(), 2));
    Cell ref(NewValue(vtReference));
    BindReference(ref.get(), ArrayElement(a.get(), 1));
    ASSERT_TRUE(ResizeArray(a.get(), 0));
    StoreInteger(ref.get(), 7);  // the removed element is still there for its reference
    EXPECT_EQ(ValueAsInteger(ref.get()), 7);
    RetypeValue(ref.get(), vtNone);  // releases it
}

// Elements share memory blocks: cells removed while referred to keep their
// place when the array shrinks into their block and grows over it again,
// and every element is a cell of its own.
TEST(ScriptValues, HeldElementsKeepTheirPlaceAcrossResizes) {
    Cell a(NewValue(vtArray, vtString));
    Cell ref1(NewValue(vtReference)), ref5(NewValue(vtReference));
    for (int32_t n : {2, 3, 8}) ASSERT_TRUE(ResizeArray(a.get(), n));  // grown in steps
    StoreString(ArrayElement(a.get(), 1), "one");
    StoreString(ArrayElement(a.get(), 5), std::string(100, 'x'));
    BindReference(ref1.get(), ArrayElement(a.get(), 1));
    BindReference(ref5.get(), ArrayElement(a.get(), 5));
    ASSERT_TRUE(ResizeArray(a.get(), 4));
    ASSERT_TRUE(ResizeArray(a.get(), 7));
    EXPECT_NE(ArrayElement(a.get(), 5), ResolveValue(ref5.get()));
    for (int32_t i = 0; i < 7; ++i) {
        if (i != 1) {
            EXPECT_EQ(ArrayElement(a.get(), i)->Text, "") << i;
        }
        StoreString(ArrayElement(a.get(), i), std::to_string(i));
    }
    for (int32_t i = 0; i < 7; ++i) EXPECT_EQ(ArrayElement(a.get(), i)->Text, std::to_string(i));
    EXPECT_EQ(ValueAsString(ref5.get()), std::string(100, 'x'));
    EXPECT_EQ(ValueAsString(ref1.get()), "1");
    a.reset();  // the array goes first, its removed cells after their references
    StoreString(ref1.get(), "still");
    EXPECT_EQ(ValueAsString(ref1.get()), "still");
}

// An element of an array of integers is a packed value until a cell is asked
// for; the cell takes the value and holds it from then on.
TEST(ScriptValues, PackedElementsHandTheirValueToTheirCell) {
    Cell a(NewValue(vtArray, vtLongInt));
    ASSERT_TRUE(ResizeArray(a.get(), 3));
    *IntegerElementSlot(a.get(), 1, vtLongInt) = 41;
    EXPECT_EQ(IntegerElementSlot(a.get(), 1, vtByte), nullptr);
    EXPECT_EQ(IntegerElementSlot(a.get(), 3, vtLongInt), nullptr);
    TQXVariant copy;
    EXPECT_EQ(ReadArrayElement(a.get(), 1, copy), &copy);  // read without making a cell
    EXPECT_EQ(copy.VType, vtLongInt);
    EXPECT_EQ(copy.V.Long, 41);
    TQXVariant* cell = ArrayElement(a.get(), 1);
    EXPECT_EQ(ValueAsInteger(cell), 41);
    StoreInteger(cell, 42);
    EXPECT_EQ(*IntegerElementSlot(a.get(), 1, vtLongInt), 42);
    EXPECT_EQ(ReadArrayElement(a.get(), 1, copy), cell);
    ASSERT_TRUE(ResizeArray(a.get(), 5));
    EXPECT_EQ(ArrayElement(a.get(), 1), cell);
    EXPECT_EQ(*IntegerElementSlot(a.get(), 4, vtLongInt), 0);
    EXPECT_EQ(ArrayLength(a.get()), 5);
    StoreArrayInteger(a.get(), 4, 7);
    StoreArrayInteger(a.get(), 1, 43);
    StoreArrayInteger(a.get(), 5, 9);  // beyond the end: nothing
    EXPECT_EQ(ReadArrayElement(a.get(), 4, copy), &copy);
    EXPECT_EQ(copy.V.Long, 7);
    EXPECT_EQ(cell->V.Long, 43);
    EXPECT_EQ(ArrayLength(a.get()), 5);
}

TEST(ScriptValues, VariableListKeepsOrderAndUniqueNames) {
    TVariableManager list;
    for (int i = 0; i < 20; ++i) ASSERT_NE(list.AddVariable("V" + std::to_string(i), NewValue(vtLongInt)), nullptr);
    EXPECT_EQ(list.AddVariable("V3", NewValue(vtString)), nullptr);
    EXPECT_EQ(list.Count(), 20);
    EXPECT_EQ(list.FindVariable("V17"), 17);
    EXPECT_EQ(list.FindVariable("v17"), -1);  // exact names
    list.Rename(17, "X");
    EXPECT_EQ(list.FindVariable("X"), 17);
    EXPECT_EQ(list.FindVariable("V17"), -1);
    EXPECT_EQ(list.Name(0), "V0");
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(ScriptValues, SignaturesDescribeRoutines) {
    const std::string strset = "0 STRSET C 7 I 6 !S 8";
    EXPECT_EQ(SignatureParamCount(strset), 3);
    EXPECT_EQ(SignatureNameOf(strset, 0), "STRSET");
    EXPECT_EQ(SignatureNameOf(strset, 3), "!S");
    EXPECT_EQ(SignatureTypeOf(strset, 3), 8);
    EXPECT_EQ(SignatureTypeOf(strset, 0), 0);
    EXPECT_EQ(SignatureNameOf(strset, 4), "");
    EXPECT_EQ(SignatureTypeOf(strset, 4), -1);
    EXPECT_EQ(SignatureParamCount("12 PI"), 0);
    EXPECT_EQ(SignatureParamCount("  0   GetVersionEx !Major  6 !Minor 6 !Release 6"), 3);
    EXPECT_EQ(SignatureTypeOf("  0   GetVersionEx !Major  6 !Minor 6", 2), 6);
    EXPECT_EQ(SignatureTypeOf("X FOO A Y", 0), -1);
    EXPECT_EQ(SignatureTypeOf("X FOO A Y", 1), -1);
}

TEST(ScriptValues, RoutineListFindsFirstOfAName) {
    TRoutineList list;
    EXPECT_TRUE(list.AddRoutine("6 FIND !LIST 16 KEY 8", 120));
    EXPECT_FALSE(list.AddRoutine("0 FIND", 5));
    EXPECT_TRUE(list.AddRoutine("0 Lower S 8", [](TQXExternalCall&) -> uint16_t { return 0; }, 7));
    EXPECT_EQ(list.FindRoutine("FIND"), 0);
    EXPECT_EQ(list.FindRoutine("Lower"), 1);
    EXPECT_EQ(list.FindRoutine("LOWER"), -1);
    const TQXRoutine& r = list.Routine(0);
    EXPECT_EQ(r.BodyPos, 120);
    EXPECT_EQ(r.ResultType, 6);
    ASSERT_EQ(r.Params.size(), 2u);
    EXPECT_TRUE(r.Params[0].IsVar);
    EXPECT_EQ(r.Params[0].Name, "LIST");
    EXPECT_EQ(r.Params[1].Type, 8);
    EXPECT_EQ(list.Routine(1).Tag, 7);
    EXPECT_EQ(list.Signature(0), "6 FIND !LIST 16 KEY 8");
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(ScriptValues, TypeNamesMapToCodes) {
    EXPECT_EQ(TypeCodeOfName("INTEGER"), vtLongInt);
    EXPECT_EQ(TypeCodeOfName("LONGINT"), vtLongInt);
    EXPECT_EQ(TypeCodeOfName("ARRAY"), vtArray);
    EXPECT_EQ(TypeCodeOfName("COMP"), vtComp);
    EXPECT_EQ(TypeCodeOfName("integer"), -1);
    EXPECT_EQ(TypeCodeOfName("TEXT"), -1);
}

}  // namespace
