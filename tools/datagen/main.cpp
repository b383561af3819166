// terravik-datagen --out DIR [--verbose]: writes the default data set into DIR.
// terravik-datagen --example-mod DIR: writes a small example mod (a recoloured sky, a level
// with one map object more) into DIR.
// terravik-datagen --icon FILE [--icon-size N]: writes the application icon as an N x N PNG
// (256 unless given).

#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "dataset.h"
#include "icon.h"
#include "common/report.h"
#include "platform/std_streams.h"

namespace {

constexpr const char* kProgram = "terravik-datagen";

int Usage(const char* self) {
    tv::WriteStderr(std::string("usage: ") + self + " --out DIR [--verbose] | --icon FILE [--icon-size N] | --example-mod DIR\n");
    return 2;
}

// A whole decimal number within the icon's limits, or 0.
int ParseIconSize(const char* text) {
    int value = 0;
    const char* end = text + std::strlen(text);
    const auto [ptr, ec] = std::from_chars(text, end, value);
    if (ec != std::errc() || ptr != end || value < tv::datagen::kMinIconSize ||
        value > tv::datagen::kMaxIconSize)
        return 0;
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    tv::ReopenClosedStdStreams();  // before anything opens a file
    std::string out, icon, exampleMod;
    int iconSize = 0;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc)
            out = argv[++i];
        else if (std::strcmp(argv[i], "--example-mod") == 0 && i + 1 < argc)
            exampleMod = argv[++i];
        else if (std::strcmp(argv[i], "--icon") == 0 && i + 1 < argc)
            icon = argv[++i];
        else if (std::strcmp(argv[i], "--icon-size") == 0 && i + 1 < argc) {
            iconSize = ParseIconSize(argv[++i]);
            if (iconSize == 0) {
                tv::ReportAs(kProgram, tv::Error("--icon-size wants a number of pixels from " +
                                                 std::to_string(tv::datagen::kMinIconSize) + " to " +
                                                 std::to_string(tv::datagen::kMaxIconSize) + ", not \"" +
                                                 argv[i] + "\""));
                return 2;
            }
        } else if (std::strcmp(argv[i], "--verbose") == 0)
            verbose = true;
        else
            return Usage(argv[0]);
    }
    if (!exampleMod.empty()) {
        if (!out.empty() || !icon.empty()) return Usage(argv[0]);
        try {
            const tv::datagen::DataSetSummary s = tv::datagen::GenerateExampleMod(exampleMod);
            std::printf("example mod: %d files, %llu bytes -> %s\n", s.files,
                        static_cast<unsigned long long>(s.bytes), exampleMod.c_str());
        } catch (const std::exception& e) {
            tv::ReportAs(kProgram, tv::AsError(e));
            return 1;
        }
        return 0;
    }
    if ((out.empty() && icon.empty()) || (iconSize != 0 && icon.empty())) return Usage(argv[0]);
    if (!icon.empty()) {
        try {
            tv::datagen::WriteIcon(icon, iconSize != 0 ? iconSize : tv::datagen::kIconSize);
        } catch (const std::exception& e) {
            tv::ReportAs(kProgram, tv::AsError(e));
            return 1;
        }
        if (out.empty()) return 0;
    }
    try {
        tv::datagen::DataSetSummary s = tv::datagen::GenerateDataSet(out);
        if (verbose)
            for (const auto& [path, tris] : s.modelTriangles)
                std::printf("  %-40s %6d triangles\n", path.c_str(), tris);
        std::printf("data set: %d files, %llu bytes, %.1f s -> %s\n", s.files,
                    static_cast<unsigned long long>(s.bytes), s.seconds, out.c_str());
    } catch (const std::exception& e) {
        tv::ReportAs(kProgram, tv::AsError(e));
        return 1;
    }
    return 0;
}
