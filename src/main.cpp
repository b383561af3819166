#include "platform/std_streams.h"
#include "sdl/sdl_app.h"

int main(int argc, char** argv) {
    tv::ReopenClosedStdStreams();  // before SDL, X or OpenAL open anything
    // Started with no arguments at all (argc 0), the program still has a name to look at.
    static char noName[] = "";
    static char* noArgs[] = {noName, nullptr};
    if (argc < 1) return tv::sdl::RunGame(1, noArgs);
    return tv::sdl::RunGame(argc, argv);
}
