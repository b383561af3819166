// terravik-import IN OUT.3dk [--scale S] [--up y|z] [--fps N]: converts a model made in another
// tool (glTF 2.0, OBJ with MTL, and whatever else the asset importer reads) into the game's
// model format, with its textures and animations beside it.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "common/report.h"
#include "import_model.h"
#include "platform/std_streams.h"

namespace {

int Usage() {
    tv::WriteStderr("usage: terravik-import IN OUT.3dk [--scale S] [--up y|z] [--fps N]\n");
    return 2;
}

bool ParsePositive(const char* text, float lo, float hi, float& out) {
    const char* end = text + std::strlen(text);
    float v = 0;
    const auto [ptr, ec] = std::from_chars(text, end, v);
    if (ec != std::errc() || ptr != end || !std::isfinite(v) || v < lo || v > hi) return false;
    out = v;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    tv::ReopenClosedStdStreams();
    std::string in, out;
    tv::import::ImportOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--scale" && i + 1 < argc) {
            if (!ParsePositive(argv[++i], 1e-6f, 1e6f, options.scale)) return Usage();
        } else if (a == "--fps" && i + 1 < argc) {
            if (!ParsePositive(argv[++i], 1.0f, 1000.0f, options.framesPerSecond)) return Usage();
        } else if (a == "--up" && i + 1 < argc) {
            const std::string up = argv[++i];
            if (up != "y" && up != "z") return Usage();
            options.up = up == "y" ? tv::import::UpAxis::Y : tv::import::UpAxis::Z;
        } else if (!a.empty() && a[0] == '-') {
            return Usage();
        } else if (in.empty()) {
            in = a;
        } else if (out.empty()) {
            out = a;
        } else {
            return Usage();
        }
    }
    if (in.empty() || out.empty()) return Usage();
    // The asset importer is a library of many parsers, and some of them crash on broken files
    // rather than report them. The tool then still says which file it was.
    tv::ReportCrashesWith("terravik-import: " + in + ": the importer crashed reading this file; nothing was written");
    try {
        const tv::import::ImportedModel model = tv::import::ImportModel(in, options);
        for (const std::string& note : model.notes) tv::ReportAs("terravik-import", tv::Error(in, note));
        tv::import::WriteImportedModel(model, out);
        std::printf("%s: %zu triangles, %zu bones, %zu animations, %zu textures\n", out.c_str(),
                    model.model.Triangles.size(), model.model.BoneParents.size(), model.animations.size(),
                    model.textures.size());
        return 0;
    } catch (const std::exception& e) {
        tv::ReportAs("terravik-import", tv::AsError(e));
        return 1;
    }
}
