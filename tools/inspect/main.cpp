// terravik-inspect [--data-dir DIR] [--full] FILE...
// Prints one JSON object per file, one per line; with --full, the whole content of each model,
// level, terrain or particle file as a JSON document terravik-pack turns back into the file.
// A bad file prints "FILE: offset N: FIELD: message" on stderr; the others are still
// inspected, and the exit code is 1.

#include <unistd.h>

#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "common/binary_io.h"
#include "format_json.h"
#include "common/report.h"
#include "inspect_formats.h"
#include "platform/paths.h"
#include "platform/std_streams.h"
#include "render_preview.h"

namespace {

std::string ExecutablePath(const char* argv0) {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n > 0) return std::string(buf, static_cast<size_t>(n));
    return argv0 ? argv0 : "";  // no /proc, and argc may be 0
}

int Usage() {
    tv::WriteStderr("usage: terravik-inspect [--data-dir DIR] [--full] FILE...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    tv::ReopenClosedStdStreams();  // before anything opens a file
    if (argc > 1 && std::string(argv[1]) == "--render") {
        return tv::inspect::RenderCommand(argc, argv, tv::DataRootForExecutable(ExecutablePath(argv[0])));
    }
    std::string dataDir;
    std::vector<std::string> files;
    bool full = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--data-dir") {
            if (++i >= argc) return Usage();
            dataDir = argv[i];
            if (!dataDir.empty() && dataDir.back() != '/') dataDir += '/';
        } else if (arg == "--full") {
            full = true;
        } else if (arg == "--help" || arg == "-h") {
            Usage();
            return 0;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            return Usage();
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) return Usage();
    if (dataDir.empty()) dataDir = tv::DataRootForExecutable(ExecutablePath(argv[0]));

    int status = 0;
    for (const std::string& file : files) {
        try {
            if (full) {
                std::cout << tv::inspect::FullFile(file, dataDir);
            } else {
                std::cout << tv::inspect::InspectFile(file, dataDir) << '\n';
            }
        } catch (const tv::DataError& e) {
            std::cout.flush();
            tv::ReportAs("", e);
            status = 1;
        } catch (const std::exception& e) {
            // Not expected (the readers raise DataError), but a bad file must never abort.
            std::cout.flush();
            tv::ReportAs("", tv::Error(file, e.what()));
            status = 1;
        }
    }
    return status;
}
