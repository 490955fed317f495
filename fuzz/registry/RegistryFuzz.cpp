// The registry file's reader and writer as a pair. Besides not crashing,
// hanging or leaking:
// - input starting with 't' is the text of a file: whatever of it loads, once
//   written, reads back the same and without a problem, and writing that
//   again gives the same text;
// - any other input is a list of changes to a store (keys, values of every
//   type, names of any bytes, deletions): the store, written, reads back the
//   same and without a problem.
//
// Run: fuzz/registry/run.sh [SECONDS], or fuzz_registry -dict=fuzz/registry/registry.dict CORPUS_DIR
#include "platform/RegistryText.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace qx::regtext;

namespace {

void fail(const char* what, const std::string& text)
{
    std::fprintf(stderr, "%s:\n%s\n", what, text.c_str());
    std::abort();
}

// Reads the stored text back and insists on the same store.
void checkReadsBack(const Store& store, const std::string& text)
{
    ParseResult again = Parse(text);
    if (!again.problems.empty())
        fail(again.problems.front().c_str(), text);
    if (!(again.store == store))
        fail("the store read back differs from the one written", text);
    if (Format(again.store) != text)
        fail("writing what was read gives another text", text);
}

class Input {
public:
    Input(const uint8_t* data, size_t size) : p_(data), end_(data + size) { }
    bool more() const { return p_ < end_; }
    uint8_t byte() { return more() ? *p_++ : 0; }
    std::string bytes()
    {
        size_t n = std::min<size_t>(byte(), static_cast<size_t>(end_ - p_));
        std::string s(reinterpret_cast<const char*>(p_), n);
        p_ += n;
        return s;
    }

private:
    const uint8_t* p_;
    const uint8_t* end_;
};

Store buildStore(Input in)
{
    Store store;
    std::string current;
    NameCase match = NameCase::Any;
    while (in.more()) {
        uint8_t op = in.byte();
        Key& key = store.Create(current);
        Value v;
        switch (op % 8) {
        case 0:
            current = NormalizeKey(in.bytes());
            store.Create(current);
            break;
        case 1:
            v.name = in.bytes();
            v.type = qx::RegDataType::String;
            v.text = in.bytes();
            key.Set(v, match);
            break;
        case 2:
            v.name = in.bytes();
            v.type = qx::RegDataType::Integer;
            for (int i = 0; i < 4; ++i)
                v.integer = static_cast<int32_t>(static_cast<uint32_t>(v.integer) << 8 | in.byte());
            key.Set(v, match);
            break;
        case 3: {
            v.name = in.bytes();
            v.type = qx::RegDataType::Binary;
            std::string data = in.bytes() + in.bytes();
            v.binary.assign(data.begin(), data.end());
            key.Set(v, match);
            break;
        }
        case 4:
            key.Erase(in.bytes(), match);
            break;
        case 5:
            store.EraseTree(current);
            current.clear();
            break;
        case 6:
            match = match == NameCase::Any ? NameCase::Exact : NameCase::Any;
            break;
        case 7:
            v.type = qx::RegDataType::String;
            v.text = in.bytes();
            key.Set(v, match);
            break;
        }
    }
    return store;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0 && data[0] == 't') {
        ParseResult loaded = Parse(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
        if (loaded.problems.size() > kMaxProblems + 1)
            fail("too many problems reported", "");
        checkReadsBack(loaded.store, Format(loaded.store));
        return 0;
    }
    Store store = buildStore(Input(data, size));
    checkReadsBack(store, Format(store));
    return 0;
}
