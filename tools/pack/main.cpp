// terravik-pack FILE.json OUT
// Writes the data file a JSON document (as `terravik-inspect --full` prints it) describes.
// The whole document is checked first; a bad one prints "terravik-pack: FILE.json: PATH:
// reason" and writes nothing.

#include <iostream>
#include <string>
#include <vector>

#include "common/atomic_file.h"
#include "common/binary_io.h"
#include "common/report.h"
#include "format_json.h"
#include "platform/std_streams.h"

namespace {

int Usage(int status) {
    tv::WriteStderr("usage: terravik-pack FILE.json OUT\n");
    return status;
}

int Fail(const std::string& input, const std::string& what) {
    tv::ReportAs("terravik-pack", tv::Error(input, what));
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    tv::ReopenClosedStdStreams();
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) return Usage(0);
    if (argc != 3) return Usage(2);
    const std::string input = argv[1], output = argv[2];

    std::vector<uint8_t> bytes;
    try {
        std::vector<uint8_t> text = tv::ReadWholeFile(input);
        if (text.size() > tv::json::kMaxTextBytes) {
            return Fail(input, "$: the text is larger than " + std::to_string(tv::json::kMaxTextBytes >> 20) +
                                   " MiB");
        }
        std::string chars(text.begin(), text.end());
        text = {};  // one copy of a large text at a time
        const tv::json::Document doc(std::move(chars));
        bytes = tv::json::PackJson(doc);
    } catch (const tv::json::JsonError& e) {
        return Fail(input, e.path() + ": " + e.reason());
    } catch (const tv::DataError& e) {
        return Fail(input, e.message());
    } catch (const std::bad_alloc&) {
        return Fail(input, "out of memory");
    } catch (const std::exception& e) {
        return Fail(input, e.what());
    }
    const tv::Status saved = tv::WriteFileAtomically(
        output, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!saved.ok()) return Fail(input, saved.Message());
    return 0;
}
