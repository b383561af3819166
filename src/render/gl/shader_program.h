#pragma once
// Building GLSL programs through the ARB shader-object entry points, which every context the
// game runs in (compatibility profile) offers alongside the 2.0 names; the handles are the
// same objects either way, so a program built here may be used with glUseProgram too.

#include <cstdint>
#include <string>

#include "common/error.h"

namespace tv {

// Compiles `vertexSource` and `fragmentSource` in the current context and links them into one
// program. Returns the program's handle, or 0 with `status` the error: "no ARB shader objects" when
// the context lacks the extensions, else "<name> shader does not compile: <log>" or
// "<name> program does not link: <log>". Nothing is left behind on failure; on success the
// shaders are already flagged for deletion and go with the program.
uint32_t BuildShaderProgram(const char* name, const char* vertexSource, const char* fragmentSource,
                            Status& status);

// Deletes a program made by BuildShaderProgram, its shaders with it; 0 is ignored. The context
// the program was made in must be current.
void DeleteShaderProgram(uint32_t program);

}  // namespace tv
