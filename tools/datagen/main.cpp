// terravik-datagen --out DIR [--verbose]: writes the default data set into DIR.
// terravik-datagen --icon FILE: writes the 256x256 application icon as PNG.

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "dataset.h"
#include "icon.h"

int main(int argc, char** argv) {
    std::string out, icon;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) out = argv[++i];
        else if (std::strcmp(argv[i], "--icon") == 0 && i + 1 < argc) icon = argv[++i];
        else if (std::strcmp(argv[i], "--verbose") == 0) verbose = true;
        else {
            std::fprintf(stderr, "usage: %s --out DIR [--verbose] | --icon FILE\n", argv[0]);
            return 2;
        }
    }
    if (out.empty() && icon.empty()) {
        std::fprintf(stderr, "usage: %s --out DIR [--verbose] | --icon FILE\n", argv[0]);
        return 2;
    }
    if (!icon.empty()) {
        try {
            tv::datagen::WriteIcon(icon);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "terravik-datagen: %s\n", e.what());
            return 1;
        }
        if (out.empty()) return 0;
    }
    try {
        tv::datagen::DataSetSummary s = tv::datagen::GenerateDataSet(out);
        if (verbose)
            for (const auto& [path, tris] : s.modelTriangles) std::printf("  %-40s %6d triangles\n", path.c_str(), tris);
        std::printf("data set: %d files, %llu bytes, %.1f s -> %s\n", s.files,
                    static_cast<unsigned long long>(s.bytes), s.seconds, out.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "terravik-datagen: %s\n", e.what());
        return 1;
    }
    return 0;
}
