// The built-in routines of the unit SYSTEM. Indexes into strings count from 1.
#include <cmath>
#include <string>

#include "script/ScriptEngine.h"

namespace qx {

namespace detail {

namespace {

enum Builtin {
    bStrGet, bStrSet, bOrd, bChr, bStrToInt, bIntToStr, bUpperCase, bCopy, bDelete, bInsert, bPos,
    bSetArrayLength, bGetArrayLength, bLength, bSin, bCos, bRound, bTrunc, bPi, bCount
};

// Registration order and signatures.
const char* const kSignatures[bCount] = {
    "7 STRGET S 8 I 6",
    "0 STRSET C 7 I 6 !S 8",
    "1 ORD C 7",
    "7 CHR B 1",
    "6 STRTOINT S 8 I 6",
    "8 INTTOSTR I 6",
    "8 UPPERCASE S 8",
    "8 COPY S 8 I1 6 I2 6",
    "0 DELETE !S 8 I1 6 I2 6",
    "0 INSERT S1 8 !S 8 I1 6",
    "6 POS S1 8 S2 8",
    "0 SETARRAYLENGTH !ARR 16 I 6",
    "6 GETARRAYLENGTH !ARR 16",
    "6 LENGTH S 8",
    "12 SIN S 12",
    "12 COS S 12",
    "6 ROUND S 12",
    "6 TRUNC S 12",
    "12 PI",
};

// A real value's integer view cut to 32 bits (the low 32 bits of the
// integer, also for values beyond 64 bits).
int32_t CutTo32(long double integral) {
    long double r = std::fmod(integral, 4294967296.0L);  // exact
    if (r < 0) r += 4294967296.0L;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(r)));
}

}  // namespace

int BuiltinCount() { return bCount; }
const char* BuiltinSignature(int index) { return kSignatures[index]; }

bool BuiltinIsPure(int index) {
    return index != bStrSet && index != bDelete && index != bInsert && index != bSetArrayLength;
}

uint16_t RunBuiltin(int index, TQXVariant* const* a, TQXVariant* result) {
    switch (index) {
    case bStrGet: {
        const std::string& s = a[0]->Text;
        const int32_t i = a[1]->V.Long;
        if (i < 1 || static_cast<size_t>(i) > s.size()) return seRangeError;
        if (result) result->V.Char = static_cast<uint8_t>(s[static_cast<size_t>(i - 1)]);
        return 0;
    }
    case bStrSet: {
        std::string& s = a[2]->Text;
        const int32_t i = a[1]->V.Long;
        if (i < 1 || static_cast<size_t>(i) > s.size()) return seRangeError;
        s[static_cast<size_t>(i - 1)] = static_cast<char>(a[0]->V.Char);
        return 0;
    }
    case bOrd:
        if (result) result->V.Byte = a[0]->V.Char;
        return 0;
    case bChr:
        if (result) result->V.Char = a[0]->V.Byte;
        return 0;
    case bStrToInt: {
        int32_t v;
        if (!TextToInteger(a[0]->Text, v)) v = a[1]->V.Long;
        if (result) result->V.Long = v;
        return 0;
    }
    case bIntToStr:
        if (result) result->Text = std::to_string(a[0]->V.Long);
        return 0;
    case bUpperCase:
        if (result) result->Text = UpperCase(a[0]->Text);
        return 0;
    case bCopy: {
        const std::string& s = a[0]->Text;
        int64_t from = a[1]->V.Long, count = a[2]->V.Long;
        if (from < 1) from = 1;
        if (!result) return 0;
        if (count <= 0 || from > static_cast<int64_t>(s.size())) {
            result->Text.clear();
            return 0;
        }
        result->Text = s.substr(static_cast<size_t>(from - 1), static_cast<size_t>(count));
        return 0;
    }
    case bDelete: {
        std::string& s = a[0]->Text;
        const int64_t from = a[1]->V.Long, count = a[2]->V.Long;
        if (from < 1 || from > static_cast<int64_t>(s.size()) || count <= 0) return 0;
        s.erase(static_cast<size_t>(from - 1), static_cast<size_t>(count));
        return 0;
    }
    case bInsert: {
        const std::string& s1 = a[0]->Text;
        std::string& s = a[1]->Text;
        int64_t at = a[2]->V.Long;
        if (at < 1) at = 1;
        if (at > static_cast<int64_t>(s.size())) at = static_cast<int64_t>(s.size()) + 1;
        if (s.size() + s1.size() > ValueLimits().MaxStringLength) return seOutOfMemory;
        if (a[0] == a[1]) {
            const std::string copy = s1;
            s.insert(static_cast<size_t>(at - 1), copy);
        } else {
            s.insert(static_cast<size_t>(at - 1), s1);
        }
        return 0;
    }
    case bPos: {
        const std::string& s1 = a[0]->Text;
        const std::string& s2 = a[1]->Text;
        size_t p = s1.empty() ? std::string::npos : s2.find(s1);
        if (result) result->V.Long = p == std::string::npos ? 0 : static_cast<int32_t>(p + 1);
        return 0;
    }
    case bSetArrayLength:
        return ResizeArray(a[0], a[1]->V.Long) ? 0 : seOutOfMemory;
    case bGetArrayLength:
        if (result) result->V.Long = ArrayLength(a[0]);
        return 0;
    case bLength:
        if (result) result->V.Long = static_cast<int32_t>(a[0]->Text.size());
        return 0;
    case bSin:
        if (result) result->V.Extended = std::sin(a[0]->V.Extended);
        return 0;
    case bCos:
        if (result) result->V.Extended = std::cos(a[0]->V.Extended);
        return 0;
    case bRound:
        // Nearest, ties to the even integer (the default rounding mode).
        if (result) result->V.Long = CutTo32(std::nearbyint(a[0]->V.Extended));
        return 0;
    case bTrunc:
        if (result) result->V.Long = CutTo32(std::trunc(a[0]->V.Extended));
        return 0;
    case bPi:
        if (result) result->V.Extended = 3.1415926535897932385L;
        return 0;
    default:
        return 0;
    }
}

}  // namespace detail

namespace {

// The handler registered for every built-in routine, as a host calls it: the
// arguments come as a variable list in parameter order.
uint16_t BuiltinHandler(TQXExternalCall& call) {
    TQXVariant* args[4] = {nullptr, nullptr, nullptr, nullptr};
    for (int i = 0; i < call.Args.Count() && i < 4; ++i) args[i] = ResolveValue(call.Args.Variable(i));
    const int index = static_cast<int>(call.Tag);
    const int params = SignatureParamCount(detail::BuiltinSignature(index));
    for (int i = 0; i < params; ++i)
        if (!args[i] || args[i]->VType != SignatureTypeOf(detail::BuiltinSignature(index), i + 1)) return seTypeMismatch;
    TQXVariant* result = ResolveValue(call.Result);
    return detail::RunBuiltin(index, args, result);
}

}  // namespace

void RegisterBuiltins(TQXScriptInterpreter& interp) {
    TRoutineList& list = interp.ExternalRoutines();
    for (int i = 0; i < detail::BuiltinCount(); ++i) {
        if (list.AddRoutine(detail::BuiltinSignature(i), BuiltinHandler, i))
            list.Routine(list.Count() - 1).BuiltinIndex = i;
    }
}

}  // namespace qx
