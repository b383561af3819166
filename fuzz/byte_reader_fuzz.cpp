// The byte reader and the world files' short-read cursor. The input drives itself: each op
// byte picks a read of the bytes that follow. Reads either succeed or raise DataError inside
// the buffer, and every value read, written back with the writer, gives the bytes it was
// read from.
#include <cstring>

#include "common/binary_io.h"
#include "fuzz_support.h"
#include "world/level_file.h"

namespace {

using tv::fuzz::Check;

bool SameBytes(const tv::ByteWriter& w, const uint8_t* data, size_t from, size_t to) {
    return w.Size() == to - from && (w.Size() == 0 || std::memcmp(w.Data().data(), data + from, w.Size()) == 0);
}

void RunByteReader(const std::vector<uint8_t>& bytes) {
    tv::ByteReader r(bytes, "fuzz.bin");
    try {
        while (!r.AtEnd()) {
            const uint8_t op = r.U8("op");
            const size_t from = r.Offset();
            tv::ByteWriter w;
            switch (op % 10) {
                case 0: w.U16(r.U16("u16")); break;
                case 1: w.I16(r.I16("i16")); break;
                case 2: w.U32(r.U32("u32")); break;
                case 3: w.I32(r.I32("i32")); break;
                case 4: w.F32(r.F32("f32")); break;
                case 5: {
                    std::vector<uint8_t> out(op / 10);
                    r.Bytes(out.data(), out.size(), "bytes");
                    w.Bytes(out.data(), out.size());
                    break;
                }
                case 6: {
                    const int32_t n = static_cast<int32_t>(r.U32("peek"));
                    r.Seek(from);
                    const std::string s = r.LengthPrefixedString("string");
                    if (n > 0) w.LengthPrefixedString(s);
                    else w.I32(n);
                    break;
                }
                case 7: w.SlashTerminatedString(r.SlashTerminatedString("slash string")); break;
                case 8: {
                    const int32_t n = r.Count("count", op / 10);
                    Check(n >= 0 && static_cast<uint64_t>(n) * (op / 10) <= r.Remaining(), "count fits the bytes left");
                    w.I32(n);
                    break;
                }
                default: r.Skip(op / 10, "skip"); continue;
            }
            Check(r.Offset() <= r.Size(), "byte reader stays inside the buffer");
            Check(SameBytes(w, bytes.data(), from, r.Offset()), "written back = bytes read");
        }
    } catch (const tv::DataError& e) {
        Check(e.offset() <= bytes.size(), "error offset inside the file");
    }
}

void RunShortReadCursor(const std::vector<uint8_t>& bytes) {
    tv::ShortReadCursor c(bytes, "fuzz.bin");
    size_t step = 0;
    while (!c.AtEnd() && step < bytes.size()) {
        const size_t before = c.Offset();
        std::string s = "kept";
        uint32_t u = 7;
        float f = 0.0f;
        bool ok = false;
        switch (bytes[step++] % 3) {
            case 0: ok = c.String(s); break;
            case 1: ok = c.U32(u); break;
            default: ok = c.F32(f); break;
        }
        Check(ok || c.AtEnd(), "a short read moves to the end");
        Check(ok || (s == "kept" && u == 7), "a short read leaves its destination unchanged");
        Check(c.Offset() >= before && c.Offset() <= bytes.size(), "cursor moves forward inside the buffer");
        Check(!ok || s.size() <= bytes.size(), "strings never exceed the file");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes = tv::fuzz::Input(data, size);
    RunByteReader(bytes);
    RunShortReadCursor(bytes);
    return 0;
}
