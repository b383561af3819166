#include "sdl/sdl_app.h"

int main(int argc, char** argv) { return tv::sdl::RunGame(argc, argv); }
